#include "platform/safefile.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <thread>
#include <utility>

namespace qora::platform {

// ---- Fault injection -------------------------------------------------------
namespace faults {
namespace {

long g_count = 0;
long g_target = 0;
Mode g_mode = Mode::fail;
std::vector<std::string> g_trace;
std::chrono::microseconds g_fsync_delay{0};
bool g_skip_fsync = false;

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
void set_fsync_delay(std::chrono::microseconds d) { g_fsync_delay = d; }
void skip_fsync(bool skip) { g_skip_fsync = skip; }

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
  if (faults::g_fsync_delay.count() > 0) std::this_thread::sleep_for(faults::g_fsync_delay);
  return faults::g_skip_fsync ? 0 : ::fsync(fd);
}

int do_fchmod(int fd, mode_t mode) {
  if (injected("chmod")) return -1;
  return ::fchmod(fd, mode);
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

int do_link(const char* from, const char* to) {
  if (injected("link")) return -1;
  return ::link(from, to);
}

int do_unlink(const char* path) {
  if (injected("unlink")) return -1;
  return ::unlink(path);
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

constexpr std::string_view kTempPrefix = ".qora.tmp.";
constexpr std::string_view kOutsideTempPrefix = ".qora.ptmp.";

std::string temp_name(const std::string& dir, StagedFile::Kind kind, unsigned attempt) {
  static unsigned serial = 0;
  const std::string_view prefix = kind == StagedFile::Kind::under_lock ? kTempPrefix : kOutsideTempPrefix;
  return in_dir(dir, std::string(prefix) + std::to_string(::getpid()) + "." + std::to_string(++serial) +
                         (attempt ? "." + std::to_string(attempt) : std::string()));
}

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::string user_name() {
  if (const passwd* pw = ::getpwuid(::geteuid())) return pw->pw_name;
  return "uid " + std::to_string(::geteuid());
}

}  // namespace

// ---- Paths -----------------------------------------------------------------
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

std::string display_path(const std::string& path) {
  char buf[PATH_MAX];
  return ::realpath(path.c_str(), buf) ? std::string(buf) : path;
}

std::string in_dir(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir == ".") return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

// ---- Reading ---------------------------------------------------------------
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

// ---- Writing ---------------------------------------------------------------
mode_t new_file_mode() {
  // umask can only be read by setting it; it is set straight back (no other
  // thread of the game creates files).
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return (0666 & ~mask) | 0444;
}

mode_t mode_for(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  return new_file_mode();
}

bool sync_dir(const std::string& dir, std::string& err) {
  Fd d(do_open(dir.c_str(), O_RDONLY | O_DIRECTORY));
  if (d.fd < 0) {
    err = describe("open", dir);
    return false;
  }
  // File systems that cannot flush a folder (EINVAL) give no guarantee to lose.
  if (do_fsync(d.fd) != 0 && errno != EINVAL && errno != ENOTSUP) {
    err = describe("fsync", dir);
    return false;
  }
  return true;
}

StagedFile::~StagedFile() { discard(); }

void StagedFile::discard() {
  if (!tmp_.empty()) remove_quietly(tmp_);
  if (fd_ >= 0) ::close(fd_);
  tmp_.clear();
  fd_ = -1;
}

bool StagedFile::claim(const std::string& dir, mode_t mode, Kind kind, std::string& err) {
  discard();
  dir_ = dir;
  for (unsigned attempt = 0;; ++attempt) {
    const std::string tmp = temp_name(dir, kind, attempt);
    const int fd = do_open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) {
      if (errno == EEXIST && attempt < 100) continue;
      err = describe("create", tmp);
      return false;
    }
    tmp_ = tmp;
    fd_ = fd;
    if (kind == Kind::under_lock) break;
    // Held locked while it is written: the cleanup of a game holding the
    // folder's lock removes only the files no live writer holds. If a cleanup
    // took it in the instant before the lock, start again on a new name. (A
    // file system without locks leaves such files to a cleanup by hand.)
    struct stat st;
    const bool locked = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    if (!locked && errno != EWOULDBLOCK) break;
    if (locked && ::fstat(fd_, &st) == 0 && st.st_nlink > 0) break;
    ::close(fd_);
    fd_ = -1;
    tmp_.clear();
    if (attempt >= 100) {
      errno = EBUSY;
      err = describe("create", tmp);
      return false;
    }
  }
  if (do_fchmod(fd_, mode) == 0) return true;
  err = describe("chmod", tmp_);
  discard();
  return false;
}

bool StagedFile::sync(std::string& err) {
  if (do_fsync(fd_) == 0) return true;
  err = describe("fsync", tmp_);
  discard();
  return false;
}

bool StagedFile::write(const std::string& dir, std::string_view bytes, mode_t mode, Kind kind,
                       std::string& err) {
  if (!claim(dir, mode, kind, err)) return false;
  if (!write_all(fd_, bytes)) {
    err = describe("write", tmp_);
  } else if (!sync(err)) {
    return false;
  } else if (kind == Kind::under_lock && do_close(std::exchange(fd_, -1)) != 0) {
    err = describe("close", tmp_);
  } else {
    return true;
  }
  discard();
  return false;
}

bool StagedFile::replace(const std::string& path, std::string& err, bool* committed) {
  if (committed) *committed = false;
  if (do_rename(tmp_.c_str(), path.c_str()) != 0) {
    err = describe("rename", tmp_ + " to " + path);
    discard();
    return false;
  }
  tmp_.clear();
  discard();
  if (committed) *committed = true;
  return sync_dir(dir_, err);
}

StagedFile::Place StagedFile::place_new(const std::string& path, std::string& err) {
  if (do_link(tmp_.c_str(), path.c_str()) == 0) {
    // The temporary name is now a second name of the placed file; a failure
    // to remove it leaves a stale temporary file that a later cleanup takes.
    remove_quietly(tmp_);
    tmp_.clear();
    discard();
    return Place::placed;
  }
  if (errno == EEXIST) return Place::exists;
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EMLINK && errno != ENOSYS) {
    err = describe("link", tmp_ + " to " + path);
    return Place::failed;
  }
  // A file system without hard links: the name is checked free, then taken
  // by a rename. Every game makes such names only under the folder's lock or
  // with names no other game forms, so the name stays free in between.
  if (exists(path)) return Place::exists;
  if (do_rename(tmp_.c_str(), path.c_str()) != 0) {
    err = describe("rename", tmp_ + " to " + path);
    return Place::failed;
  }
  tmp_.clear();
  discard();
  return Place::placed;
}

bool replace_file(const std::string& path, std::string_view bytes, std::string& err, bool* committed) {
  if (committed) *committed = false;
  StagedFile f;
  if (!f.write(dir_of(path), bytes, mode_for(path), StagedFile::Kind::under_lock, err)) return false;
  return f.replace(path, err, committed);
}

bool remove_file(const std::string& path, std::string& err) {
  if (do_unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  err = describe("remove", path);
  return false;
}

void remove_quietly(const std::string& path) { ::unlink(path.c_str()); }

std::vector<std::string> names_with_prefix(const std::string& dir, std::string_view prefix) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return names;
  while (const dirent* e = ::readdir(d))
    if (starts_with(e->d_name, prefix)) names.emplace_back(e->d_name);
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

bool exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

void remove_stale_temps(const std::string& dir) {
  for (const auto& name : names_with_prefix(dir, kTempPrefix)) remove_quietly(in_dir(dir, name));
  // An outside-lock temporary file is stale when no writer holds its lock.
  for (const auto& name : names_with_prefix(dir, kOutsideTempPrefix)) {
    const std::string path = in_dir(dir, name);
    Fd f(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (f.fd >= 0 && ::flock(f.fd, LOCK_EX | LOCK_NB) == 0) remove_quietly(path);
  }
}

std::string folder_problem(const std::string& dir, const std::vector<std::string>& files) {
  struct stat d;
  if (::stat(dir.c_str(), &d) != 0) return describe("the folder", display_path(dir));
  if (::faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    if (errno == EROFS)
      return "the folder " + display_path(dir) + " is on a read-only file system: mount it writable";
    return "the folder " + display_path(dir) + " is read-only for " + user_name() +
           ": make it writable for every player (chmod a+rwx " + display_path(dir) + ")";
  }
  // In a sticky folder only a file's owner (or the folder's) may rename over
  // it or remove it, so the games of a class cannot take turns in it.
  const uid_t me = ::geteuid();
  if ((d.st_mode & S_ISVTX) && me != 0 && me != d.st_uid) {
    for (const auto& f : files) {
      struct stat st;
      if (::lstat(in_dir(dir, f).c_str(), &st) == 0 && st.st_uid != me)
        return "the folder " + display_path(dir) + " has the sticky bit set, so " + user_name() +
               " may not replace " + f + " of another user: clear the bit (chmod -t " + display_path(dir) + ")";
    }
  }
  return {};
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

FileLock::Status FileLock::acquire(const std::string& dir, int timeout_ms, std::string& err,
                                   const std::function<bool()>& no_longer_needed) {
  release();
  const std::string path = in_dir(dir, LOCK_NAME);
  int fd = -1;
  for (int tries = 0; fd < 0; ++tries) {
    fd = do_open(path.c_str(), O_RDWR);
    if (fd >= 0) {
      // A lock file this user made under an older rule: open it to all.
      struct stat st;
      if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 0666) != 0666)
        ::fchmod(fd, (st.st_mode & 07777) | 0666);
    } else if (errno == ENOENT && tries < 5) {
      fd = do_open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
      // The umask must not keep the other users of the folder out.
      if (fd >= 0) ::fchmod(fd, 0666);
      else if (errno != EEXIST) break;
    } else if (errno == EACCES || errno == EPERM || errno == EROFS) {
      // Another user's lock file that this user may only read: a shared lock
      // needs no more than a read-only descriptor.
      fd = do_open(path.c_str(), O_RDONLY);
      break;
    } else {
      break;
    }
  }
  if (fd < 0) {
    err = describe("open", path);
    return Status::failed;
  }
  Fd f(fd);
  if (injected("lock")) {
    err = describe("lock", path);
    return Status::failed;
  }
  // The holder is another game: wait in real time, whatever clock the game
  // itself runs on.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (::flock(f.fd, LOCK_EX | LOCK_NB) == 0) break;
    if (errno != EWOULDBLOCK && errno != EINTR) {
      err = describe("lock", path);
      return Status::failed;
    }
    if (no_longer_needed && no_longer_needed()) return Status::not_needed;
    if (std::chrono::steady_clock::now() >= deadline) {
      err = "lock " + path + ": another game is still saving";
      return Status::busy;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  fd_ = f.take();
  return Status::acquired;
}

}  // namespace qora::platform
