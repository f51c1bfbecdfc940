#include "platform/trace.h"
#include "platform/script.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <string>

namespace qora::platform {

namespace {

// The process's start on the boot-time clock, from /proc/self/stat.
double process_start_ms() {
  std::ifstream f("/proc/self/stat");
  std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  const size_t paren = s.rfind(')');
  if (paren == std::string::npos) return 0;
  // Field 22 (starttime) counted from field 3, which follows ") ".
  const char* p = s.c_str() + paren + 2;
  for (int field = 3; field < 22 && *p; ++field) {
    p = std::strchr(p, ' ');
    if (!p) return 0;
    ++p;
  }
  return std::strtod(p, nullptr) * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

}  // namespace

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
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  const double now = double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
  std::fprintf(stderr, "qora: %s at %.0f ms\n", mark, now - process_start_ms());
}

}  // namespace qora::platform
