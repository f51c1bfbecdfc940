#include "app/startup.h"

#include <cstdio>
#include <cstdlib>

namespace qora {

void ALLINIT(int, char**) {}
void ALLDONE() {}

[[noreturn]] void EXITQORA(const std::string& exitmsg) {
  std::fprintf(stderr, "%s\n", exitmsg.c_str());
  std::exit(1);
}

int run(int argc, char** argv) {
  ALLINIT(argc, argv);
  ALLDONE();
  return 0;
}

}  // namespace qora
