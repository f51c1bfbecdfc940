// Timing marks for measuring the program from outside: with QORA_TRACE=1 in
// the environment, each named mark is printed once on stderr with the
// milliseconds of real time since the process started. Silent otherwise.
// Every passing also goes to the input script, whose "await" lines wait for
// the marks by name.
#pragma once

namespace qora::platform {

void trace_once(const char* mark);

}  // namespace qora::platform
