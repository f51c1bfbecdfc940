// Start-up and shut-down of the program.
#pragma once

#include <string>

namespace qora {

// Runs the whole program: ALLINIT, MAINMENU, ALLDONE. Returns the exit status.
int run(int argc, char** argv);

void ALLINIT(int argc, char** argv);
void ALLDONE();
// Ends the program at once because a data file is missing or unusable: the
// message goes to stderr and the exit status is 1.
[[noreturn]] void EXITQORA(const std::string& exitmsg);

}  // namespace qora
