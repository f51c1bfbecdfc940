#include "platform/open_document.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

extern char** environ;

namespace qora::platform {

namespace {

using Steady = std::chrono::steady_clock;

// Spawn attributes and file actions as RAII owners, so every early return
// releases them.
class SpawnAttr {
 public:
  SpawnAttr() { ok_ = posix_spawnattr_init(&attr_) == 0; }
  ~SpawnAttr() {
    if (ok_) posix_spawnattr_destroy(&attr_);
  }
  SpawnAttr(const SpawnAttr&) = delete;
  SpawnAttr& operator=(const SpawnAttr&) = delete;
  bool ok() const { return ok_; }
  posix_spawnattr_t* get() { return &attr_; }

 private:
  posix_spawnattr_t attr_{};
  bool ok_ = false;
};

class FileActions {
 public:
  FileActions() { ok_ = posix_spawn_file_actions_init(&fa_) == 0; }
  ~FileActions() {
    if (ok_) posix_spawn_file_actions_destroy(&fa_);
  }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  bool ok() const { return ok_; }
  posix_spawn_file_actions_t* get() { return &fa_; }

 private:
  posix_spawn_file_actions_t fa_{};
  bool ok_ = false;
};

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// The child starts with the default signal dispositions and an empty signal
// mask, whatever the game's threads have set. flags adds the caller's own
// attributes (a new session, a new process group).
bool prepare_attr(SpawnAttr& attr, short flags) {
  if (!attr.ok()) return false;
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  sigdelset(&all, SIGKILL);  // cannot be changed; some C libraries refuse them
  sigdelset(&all, SIGSTOP);
  return posix_spawnattr_setsigmask(attr.get(), &none) == 0 &&
         posix_spawnattr_setsigdefault(attr.get(), &all) == 0 &&
         posix_spawnattr_setflags(attr.get(),
                                  static_cast<short>(flags | POSIX_SPAWN_SETSIGMASK |
                                                     POSIX_SPAWN_SETSIGDEF)) == 0;
}

// No descriptor of the game (score files, the lock file, the window system's
// sockets) may live on in a browser that outlasts the game: a lock inherited by
// a long-running viewer would hold every later game off the results files.
bool close_the_rest(FileActions& fa) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  return posix_spawn_file_actions_addclosefrom_np(fa.get(), 3) == 0;
#else
  (void)fa;
  return true;
#endif
}

void wait_for(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

// Reaps a detached child without holding up the caller: a background thread
// waits for it. Should the thread not start, the child is reaped at once if it
// has already ended and otherwise left to the system.
void reap_in_background(pid_t pid) {
  try {
    std::thread([pid] { wait_for(pid); }).detach();
  } catch (const std::system_error&) {
    int status = 0;
    waitpid(pid, &status, WNOHANG);
  }
}

// Runs "xdg-mime query default MIME" and returns its output, or an empty
// string when it fails or does not answer before the deadline (it is then
// killed with the helpers it started).
std::string query_default_application(const char* mime, Steady::time_point deadline) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return {};
  Fd rd(fds[0]), wr(fds[1]);

  FileActions fa;
  SpawnAttr attr;
  if (!fa.ok() || !prepare_attr(attr, POSIX_SPAWN_SETPGROUP)) return {};
  if (posix_spawnattr_setpgroup(attr.get(), 0) != 0) return {};
  if (posix_spawn_file_actions_addopen(fa.get(), 0, "/dev/null", O_RDONLY, 0) != 0 ||
      posix_spawn_file_actions_adddup2(fa.get(), wr.get(), 1) != 0 ||
      posix_spawn_file_actions_addopen(fa.get(), 2, "/dev/null", O_WRONLY, 0) != 0 ||
      !close_the_rest(fa))
    return {};

  char arg0[] = "xdg-mime", arg1[] = "query", arg2[] = "default";
  std::string type(mime);
  char* argv[] = {arg0, arg1, arg2, type.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawnp(&pid, arg0, fa.get(), attr.get(), argv, environ) != 0) return {};
  wr.reset();

  std::string out;
  bool timed_out = false;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
    if (left.count() <= 0) {
      timed_out = true;
      break;
    }
    pollfd p{rd.get(), POLLIN, 0};
    int r = poll(&p, 1, static_cast<int>(left.count()));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      timed_out = r == 0;
      if (r < 0) out.clear();
      break;
    }
    char buf[512];
    ssize_t n = read(rd.get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // end of output
    if (out.size() < 4096) out.append(buf, static_cast<size_t>(n));
  }
  rd.reset();

  // The output is complete; give the query the rest of the time to end, then
  // end it and its helpers.
  int status = 0;
  bool ended = false;
  while (!timed_out && Steady::now() < deadline) {
    pid_t w = waitpid(pid, &status, WNOHANG);
    if (w == pid || (w < 0 && errno != EINTR)) {
      ended = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (!ended) {
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    wait_for(pid);
    return {};
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return out;
}

bool has_text(const std::string& s) {
  return s.find_first_not_of(" \t\r\n") != std::string::npos;
}

std::string absolute_path(const std::string& p) {
  std::error_code ec;
  auto a = std::filesystem::absolute(p, ec);
  return ec ? p : a.lexically_normal().string();
}

bool is_file(const std::string& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec);
}

}  // namespace

bool open_document(const std::string& target) noexcept {
  try {
    FileActions fa;
    SpawnAttr attr;
    if (!fa.ok() || !prepare_attr(attr, POSIX_SPAWN_SETSID)) return false;
    if (posix_spawn_file_actions_addopen(fa.get(), 0, "/dev/null", O_RDONLY, 0) != 0 ||
        posix_spawn_file_actions_addopen(fa.get(), 1, "/dev/null", O_WRONLY, 0) != 0 ||
        posix_spawn_file_actions_adddup2(fa.get(), 1, 2) != 0 || !close_the_rest(fa))
      return false;

    char arg0[] = "xdg-open";
    std::string arg1(target);
    char* argv[] = {arg0, arg1.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawnp(&pid, arg0, fa.get(), attr.get(), argv, environ) != 0) return false;
    reap_in_background(pid);
    return true;
  } catch (...) {
    return false;
  }
}

bool has_chm_viewer(int budget_ms) noexcept {
  try {
    auto deadline = Steady::now() + std::chrono::milliseconds(budget_ms);
    for (const char* mime : {"application/vnd.ms-htmlhelp", "application/x-chm"}) {
      if (Steady::now() >= deadline) break;
      if (has_text(query_default_application(mime, deadline))) return true;
    }
  } catch (...) {
  }
  return false;
}

void open_help(const std::string& chm, const std::string& html) noexcept {
  try {
    // The compiled help is taken only when it was built and something can show
    // it; otherwise the HTML copy, which every desktop's browser opens.
    bool use_chm = is_file(chm) && (has_chm_viewer() || !is_file(html));
    open_document(absolute_path(use_chm ? chm : html));
  } catch (...) {
  }
}

}  // namespace qora::platform
