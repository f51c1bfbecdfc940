// The end of the program on an unusable data file, reported through a
// routine the start-up installs, so that the lower layers need not know it.
#pragma once

#include <string>

namespace qora {

using FatalHandler = void (*)(const std::string& message);

// Installs the routine FATAL calls; nullptr restores the default, which
// prints the message on stderr and exits with status 1.
void SET_FATAL_HANDLER(FatalHandler handler);

// Ends the program because a data file is missing or unusable. Should the
// installed routine return, the default ends the program all the same.
[[noreturn]] void FATAL(const std::string& message);

}  // namespace qora
