// The routine that ends the program on an unusable data file.
#include "state/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace qora {

namespace {

[[noreturn]] void print_and_exit(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
  std::fflush(stderr);
  std::exit(1);
}

FatalHandler g_handler = nullptr;

}  // namespace

void SET_FATAL_HANDLER(FatalHandler handler) { g_handler = handler; }

[[noreturn]] void FATAL(const std::string& message) {
  if (g_handler) g_handler(message);
  print_and_exit(message);
}

}  // namespace qora
