#include "platform/process.h"

#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

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

}  // namespace qora::platform::proc
