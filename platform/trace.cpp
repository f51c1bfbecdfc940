#include "platform/trace.h"
#include "platform/process.h"
#include "platform/script.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

namespace qora::platform {

void trace_once(const char* mark) {
  script_mark(mark);  // every time: a script may await each passing
  static const bool on = [] {
    const char* v = std::getenv("QORA_TRACE");
    return v && *v && std::strcmp(v, "0") != 0;
  }();
  if (!on) return;
  static std::mutex m;
  static std::set<std::string> seen;
  std::lock_guard<std::mutex> g(m);
  if (!seen.insert(mark).second) return;
  std::fprintf(stderr, "qora: %s at %.0f ms\n", mark, proc::age_ms());
}

}  // namespace qora::platform
