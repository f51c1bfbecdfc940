// This program's process and its user as the system knows them: for the
// names of temporary files, the messages about a folder, and the tests'
// simulated kill.
#pragma once

#include <cstdint>
#include <string>

namespace qora::platform::proc {

long id();
// The effective user (on Windows, where access lists decide, always 0) and
// whether it may change every file (root).
uint32_t user_id();
bool superuser();
std::string user_name();
// Ends the process at once, as a kill would: nothing is flushed or cleaned.
[[noreturn]] void die_now();
// The bits a new file's permissions lose (the umask; 0 on Windows).
uint32_t creation_mask();
// An existing path as the user knows it (absolute, links resolved), else path.
std::string full_path(const std::string& path);
// What to change so that every player may write in the folder dir.
std::string write_access_hint(const std::string& dir);
// Whether c separates the parts of a path ('/', and on Windows '\' too).
bool separator(char c);
// Milliseconds since this process started, for the timing trace.
double age_ms();

}  // namespace qora::platform::proc
