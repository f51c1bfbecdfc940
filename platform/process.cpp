#include "platform/process.h"

#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

namespace qora::platform::proc {

long id() { return long(::getpid()); }
uint32_t user_id() { return uint32_t(::geteuid()); }
bool superuser() { return ::geteuid() == 0; }

std::string user_name() {
  if (const passwd* pw = ::getpwuid(::geteuid())) return pw->pw_name;
  return "uid " + std::to_string(::geteuid());
}

void die_now() {
  ::raise(SIGKILL);
  ::_exit(137);
}

uint32_t creation_mask() {
  // umask can only be read by setting it; it is set straight back (no other
  // thread of the game creates files).
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return uint32_t(mask);
}

std::string full_path(const std::string& path) {
  char buf[PATH_MAX];
  return ::realpath(path.c_str(), buf) ? std::string(buf) : path;
}

std::string write_access_hint(const std::string& dir) {
  return "make it writable for every player through the class's group (chgrp CLASS " + dir + "; chmod 2770 " +
         dir + ")";
}

bool separator(char c) { return c == '/'; }

namespace {

// The process's start on the boot-time clock, from /proc/self/stat.
double start_ms() {
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

double age_ms() {
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6 - start_ms();
}

}  // namespace qora::platform::proc
