// The element table "001", the message table "002" and the groups file
// "group.qora", loaded at start-up from the working directory.
#pragma once

#include <cstdint>
#include <string>

namespace qora {

void GETELEMENTS();  // fills ELCOUNT and ELEMENT; a missing or unusable file ends the program
// Fills ELCOUNT and ELEMENT from the element table at path, as GETELEMENTS
// does; false with a one-line message in err when the file is missing or unusable.
bool load_element_table(const std::string& path, std::string& err);
void GETMSG();       // fills MSG; a missing file ends the program
void GETGRUP();      // fills GRUPARR, creating the groups file with the defaults when missing
int32_t TOINT(const std::string& s);

}  // namespace qora
