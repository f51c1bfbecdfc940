// The element table "001", the message table "002" and the groups file
// "group.qora", loaded at start-up from the working directory.
#pragma once

#include <cstdint>
#include <string>

namespace qora {

// GRUPARR := the default groups: 1 = indices 0..25, 2 = 26..74, 3 = 75..104,
// 4 empty (written when the groups file is missing, restored by F2 in the
// group editor).
void set_default_groups();

void GETELEMENTS();  // fills ELCOUNT and ELEMENT; a missing or unusable file ends the program
// Fills ELCOUNT and ELEMENT from the element table at path, as GETELEMENTS
// does; false with a one-line message in err when the file is missing or unusable.
bool load_element_table(const std::string& path, std::string& err);
void GETMSG();       // fills MSG; a missing file ends the program
// Fills MSG from the message table at path, as GETMSG does; false with a
// one-line message in err when the file is missing or unreadable.
bool load_message_table(const std::string& path, std::string& err);
void GETGRUP();      // fills GRUPARR, creating the groups file with the defaults when missing
// Saves GRUPARR as the groups file "group.qora" (for the group editor): under
// the folder's lock, through a temporary file that replaces the old one only
// once it is complete on disk, keeping the file's permission bits. True only
// when the new groups really are in the file; on false the old file is
// unchanged and one line on stderr says why.
bool SAVEGRUP();
int32_t TOINT(const std::string& s);
// The element indices the loaded table can be read at: ELCOUNT, held to the
// entries ELEMENT has and to the 256 numbers an element set holds.
int32_t usable_element_count();

}  // namespace qora
