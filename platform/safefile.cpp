#include "platform/safefile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace qora::platform {

// ---- Fault injection -------------------------------------------------------
namespace faults {
namespace {

long g_count = 0;
long g_target = 0;
Mode g_mode = Mode::fail;
std::vector<std::string> g_trace;

}  // namespace

void arm(long step, Mode mode) {
  g_count = 0;
  g_target = step;
  g_mode = mode;
  g_trace.clear();
}
void disarm() { arm(0); }
long count() { return g_count; }
const std::vector<std::string>& trace() { return g_trace; }

}  // namespace faults

namespace {

// Counts one operation; true when it is the one that must fail (errno is
// then EIO). In kill mode the process dies here instead.
bool injected(const char* op) {
  using namespace faults;
  ++g_count;
  g_trace.emplace_back(op);
  if (g_target == 0 || g_count != g_target) return false;
  if (g_mode == Mode::kill) raise(SIGKILL);
  errno = EIO;
  return true;
}

std::string describe(const char* op, const std::string& path) {
  return std::string(op) + " " + path + ": " + std::strerror(errno);
}

int do_open(const char* path, int flags, mode_t mode = 0) {
  if (injected("open")) return -1;
  int fd;
  do fd = ::open(path, flags | O_CLOEXEC, mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

ssize_t do_read(int fd, void* buf, size_t n) {
  if (injected("read")) return -1;
  ssize_t r;
  do r = ::read(fd, buf, n);
  while (r < 0 && errno == EINTR);
  return r;
}

ssize_t do_write(int fd, const void* buf, size_t n) {
  if (injected("write")) return -1;
  ssize_t r;
  do r = ::write(fd, buf, n);
  while (r < 0 && errno == EINTR);
  return r;
}

int do_fsync(int fd) {
  if (injected("fsync")) return -1;
  return ::fsync(fd);
}

// A close whose result matters (a file that was written).
int do_close(int fd) {
  if (injected("close")) {
    ::close(fd);  // the descriptor must not leak even when the failure is simulated
    errno = EIO;
    return -1;
  }
  return ::close(fd);
}

int do_rename(const char* from, const char* to) {
  if (injected("rename")) return -1;
  return ::rename(from, to);
}

// An owned descriptor for the read-only and cleanup paths, whose close
// result does not matter.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int take() {
    int f = fd;
    fd = -1;
    return f;
  }
};

bool write_all(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t w = do_write(fd, bytes.data() + done, bytes.size() - done);
    if (w < 0) return false;
    if (w == 0) {
      errno = EIO;
      return false;
    }
    done += size_t(w);
  }
  return true;
}

// Flushes a folder so that a rename or creation in it survives a power loss.
// File systems that cannot flush a folder (EINVAL) give no guarantee to lose.
bool sync_dir(const std::string& dir, std::string& err) {
  Fd d(do_open(dir.c_str(), O_RDONLY | O_DIRECTORY));
  if (d.fd < 0) {
    err = describe("open", dir);
    return false;
  }
  if (do_fsync(d.fd) != 0 && errno != EINVAL && errno != ENOTSUP) {
    err = describe("fsync", dir);
    return false;
  }
  return true;
}

constexpr std::string_view kTempPrefix = ".qora.tmp.";

std::string temp_name(const std::string& dir, unsigned attempt) {
  static unsigned serial = 0;
  return dir + "/" + std::string(kTempPrefix) + std::to_string(::getpid()) + "." + std::to_string(++serial) +
         (attempt ? "." + std::to_string(attempt) : std::string());
}

}  // namespace

std::string dir_of(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string name_of(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

ReadStatus read_whole_file(const std::string& path, std::string& bytes, std::string& err) {
  bytes.clear();
  Fd f(do_open(path.c_str(), O_RDONLY));
  if (f.fd < 0) {
    if (errno == ENOENT) return ReadStatus::missing;
    err = describe("open", path);
    return ReadStatus::failed;
  }
  char buf[16384];
  for (;;) {
    ssize_t r = do_read(f.fd, buf, sizeof buf);
    if (r < 0) {
      err = describe("read", path);
      bytes.clear();
      return ReadStatus::failed;
    }
    if (r == 0) break;
    bytes.append(buf, size_t(r));
  }
  return ReadStatus::ok;
}

bool replace_file(const std::string& path, std::string_view bytes, std::string& err,
                  bool* committed) {
  if (committed) *committed = false;
  const std::string dir = dir_of(path);
  std::string tmp;
  int fd = -1;
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    tmp = temp_name(dir, attempt);
    fd = do_open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd >= 0 || errno != EEXIST) break;
  }
  if (fd < 0) {
    err = describe("create", tmp);
    return false;
  }
  Fd f(fd);
  bool ok = write_all(f.fd, bytes);
  if (!ok) err = describe("write", tmp);
  if (ok && do_fsync(f.fd) != 0) {
    ok = false;
    err = describe("fsync", tmp);
  }
  if (ok) {
    if (do_close(f.take()) != 0) {
      ok = false;
      err = describe("close", tmp);
    }
  }
  if (ok && do_rename(tmp.c_str(), path.c_str()) != 0) {
    ok = false;
    err = describe("rename", tmp + " to " + path);
  }
  if (!ok) {
    remove_quietly(tmp);
    return false;
  }
  if (committed) *committed = true;
  return sync_dir(dir, err);
}

CreateStatus create_exclusive(const std::string& path, std::string& err) {
  int fd = do_open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (fd < 0) {
    if (errno == EEXIST) return CreateStatus::exists;
    err = describe("create", path);
    return CreateStatus::failed;
  }
  ::close(fd);
  return CreateStatus::created;
}

void remove_quietly(const std::string& path) { ::unlink(path.c_str()); }

void remove_stale_temps(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> stale;
  while (const dirent* e = ::readdir(d))
    if (std::string_view(e->d_name).substr(0, kTempPrefix.size()) == kTempPrefix)
      stale.push_back(dir + "/" + e->d_name);
  ::closedir(d);
  for (const auto& p : stale) remove_quietly(p);
}

// ---- Locking ---------------------------------------------------------------
FileLock::~FileLock() { release(); }

FileLock& FileLock::operator=(FileLock&& o) noexcept {
  if (this != &o) {
    release();
    fd_ = o.fd_;
    o.fd_ = -1;
  }
  return *this;
}

void FileLock::release() {
  if (fd_ >= 0) ::close(fd_);  // closing the descriptor drops the lock
  fd_ = -1;
}

bool FileLock::acquire(const std::string& lock_path, int timeout_ms, std::string& err) {
  release();
  Fd f(do_open(lock_path.c_str(), O_RDWR | O_CREAT, 0666));
  if (f.fd < 0) {
    err = describe("open", lock_path);
    return false;
  }
  if (injected("lock")) {
    err = describe("lock", lock_path);
    return false;
  }
  // The holder is another game: wait in real time, whatever clock the game
  // itself runs on.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (::flock(f.fd, LOCK_EX | LOCK_NB) == 0) break;
    if (errno != EWOULDBLOCK && errno != EINTR) {
      err = describe("lock", lock_path);
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      err = "lock " + lock_path + ": another game is still saving (timed out)";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  fd_ = f.take();
  return true;
}

}  // namespace qora::platform
