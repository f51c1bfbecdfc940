#include "platform/trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "platform/win32.h"

namespace qora::platform {

namespace {

double ms(const FILETIME& t) {
  ULARGE_INTEGER u;
  u.LowPart = t.dwLowDateTime;
  u.HighPart = t.dwHighDateTime;
  return double(u.QuadPart) / 10000.0;  // 100 ns units
}

}  // namespace

void trace_once(const char* mark) {
  static const bool on = [] {
    const char* v = std::getenv("QORA_TRACE");
    return v && *v && std::strcmp(v, "0") != 0;
  }();
  if (!on) return;
  static std::mutex m;
  static std::set<std::string> seen;
  std::lock_guard<std::mutex> g(m);
  if (!seen.insert(mark).second) return;
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return;
  GetSystemTimeAsFileTime(&now);
  std::fprintf(stderr, "qora: %s at %.0f ms\n", mark, ms(now) - ms(created));
}

}  // namespace qora::platform
