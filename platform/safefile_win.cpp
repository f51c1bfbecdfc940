// The crash-safe file layer on Windows: the same steps as on Linux, through
// the system's UTF-16 calls. A descriptor of the layer is a C runtime
// descriptor wrapping the system handle, so the interface stays the same.
//
// Files are opened so that others may read, write, rename and delete them
// meanwhile (as on Linux), and never through a reparse point: a planted link
// or junction is refused, not followed. A rename that replaces a file, or
// that claims a name only if it is free, goes to the disk before it returns
// (write-through). The folder's lock is a byte-range lock (LockFileEx), which
// a file server keeps for every computer of the class.
#include "platform/safefile.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

#include "platform/win32.h"

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

// The system's last error as the errno value the callers test, and its text.
DWORD g_last_error = 0;

int errno_of(DWORD e) {
  switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_LOCK_VIOLATION:
      return EWOULDBLOCK;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
      return ENOTSUP;
    case ERROR_CANT_RESOLVE_FILENAME:
      return ELOOP;
    default:
      return EIO;
  }
}

void set_error(DWORD e) {
  g_last_error = e;
  errno = errno_of(e);
}
void set_error() { set_error(GetLastError()); }

// Counts one operation; true when it is the one that must fail (errno is
// then EIO). In kill mode the process ends here instead, as if killed.
bool injected(const char* op) {
  using namespace faults;
  ++g_count;
  g_trace.emplace_back(op);
  if (g_target == 0 || g_count != g_target) return false;
  if (g_mode == Mode::kill) TerminateProcess(GetCurrentProcess(), 9);
  g_last_error = ERROR_IO_DEVICE;
  errno = EIO;
  return true;
}

std::string describe(const char* op, const std::string& path) {
  const std::string why = g_last_error ? win::error_text(g_last_error) : std::strerror(errno);
  return std::string(op) + " " + path + ": " + why;
}

HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

enum class Open { read, write, create_new, open_always };

// Opens a regular file (never a folder, a device or through a reparse point)
// and wraps it in a descriptor; -1 with errno on failure.
int open_file(const std::string& path, Open how) {
  g_last_error = 0;
  const DWORD access = how == Open::read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  const DWORD disposition = how == Open::create_new    ? CREATE_NEW
                            : how == Open::open_always ? OPEN_ALWAYS
                                                       : OPEN_EXISTING;
  HANDLE h = CreateFileW(win::wide(path).c_str(), access, kShareAll, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    set_error();
    return -1;
  }
  BY_HANDLE_FILE_INFORMATION info;
  const bool regular = GetFileInformationByHandle(h, &info) &&
                       !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                                                  FILE_ATTRIBUTE_DEVICE)) &&
                       GetFileType(h) == FILE_TYPE_DISK;
  if (!regular) {
    CloseHandle(h);
    set_error(ERROR_CANT_RESOLVE_FILENAME);
    return -1;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), how == Open::read ? _O_RDONLY : _O_RDWR);
  if (fd < 0) {
    CloseHandle(h);
    set_error(ERROR_TOO_MANY_OPEN_FILES);
  }
  return fd;
}

int do_open(const std::string& path, Open how) {
  if (injected("open")) return -1;
  return open_file(path, how);
}

long do_read(int fd, void* buf, size_t n) {
  if (injected("read")) return -1;
  DWORD got = 0;
  if (!ReadFile(handle_of(fd), buf, DWORD(std::min<size_t>(n, 1u << 30)), &got, nullptr)) {
    set_error();
    return -1;
  }
  return long(got);
}

long do_write(int fd, const void* buf, size_t n) {
  if (injected("write")) return -1;
  DWORD put = 0;
  if (!WriteFile(handle_of(fd), buf, DWORD(std::min<size_t>(n, 1u << 30)), &put, nullptr)) {
    set_error();
    return -1;
  }
  return long(put);
}

bool do_fsync(int fd) {
  if (injected("fsync")) return false;
  if (faults::g_fsync_delay.count() > 0) std::this_thread::sleep_for(faults::g_fsync_delay);
  if (faults::g_skip_fsync || FlushFileBuffers(handle_of(fd))) return true;
  set_error();
  return false;
}

// Windows keeps no permission bits: the step is counted like Linux's so that
// an update has the same steps, and the file is left as the folder makes it.
bool do_chmod() { return !injected("chmod"); }

bool do_close(int fd) {
  if (injected("close")) {
    _close(fd);  // the descriptor must not leak even when the failure is simulated
    return false;
  }
  return _close(fd) == 0;
}

// Renames over an existing file. A reader of the old file (another game)
// that opened it without sharing deletion holds the rename off for a moment.
bool do_rename(const std::string& from, const std::string& to) {
  if (injected("rename")) return false;
  const std::wstring f = win::wide(from), t = win::wide(to);
  for (int tries = 0;; ++tries) {
    if (MoveFileExW(f.c_str(), t.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD e = GetLastError();
    if ((e != ERROR_SHARING_VIOLATION && e != ERROR_ACCESS_DENIED) || tries >= 50) {
      set_error(e);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Gives from the name to only if no file has it: a rename without
// replacement, which the system does in one step (Linux links instead).
bool do_rename_new(const std::string& from, const std::string& to) {
  if (injected("link")) return false;
  if (MoveFileExW(win::wide(from).c_str(), win::wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  set_error();
  return false;
}

bool do_unlink(const std::string& path) {
  if (injected("unlink")) return false;
  if (DeleteFileW(win::wide(path).c_str())) return true;
  set_error();
  return false;
}

// An exclusive lock on an open file, never waiting. Windows' locks bar
// others from the bytes they cover, so the lock covers one byte far past
// any content: a writer that fills a held file by its name still can.
bool try_lock(int fd) {
  OVERLAPPED at{};
  at.Offset = 0xFFFFFFFEu;
  at.OffsetHigh = 0x7FFFFFFFu;
  if (LockFileEx(handle_of(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
    return true;
  set_error();
  return false;
}

// An owned descriptor for the read-only and cleanup paths, whose close
// result does not matter.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) _close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int take() { return std::exchange(fd, -1); }
};

bool write_all(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const long w = do_write(fd, bytes.data() + done, bytes.size() - done);
    if (w < 0) return false;
    if (w == 0) {
      set_error(ERROR_IO_DEVICE);
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
  return in_dir(dir, std::string(prefix) + std::to_string(GetCurrentProcessId()) + "." +
                         std::to_string(++serial) + (attempt ? "." + std::to_string(attempt) : std::string()));
}

bool is_separator(char c) { return c == '/' || c == '\\'; }

size_t last_separator(const std::string& path) { return path.find_last_of("/\\"); }

}  // namespace

// ---- Paths -----------------------------------------------------------------
std::string dir_of(const std::string& path) {
  const auto slash = last_separator(path);
  if (slash == std::string::npos) {
    // "C:name" lies in the current folder of drive C.
    return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
  }
  if (slash == 0) return path.substr(0, 1);
  if (slash == 2 && path[1] == ':') return path.substr(0, 3);  // "C:\"
  return path.substr(0, slash);
}

std::string name_of(const std::string& path) {
  auto slash = last_separator(path);
  if (slash == std::string::npos && path.size() >= 2 && path[1] == ':') slash = 1;
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string display_path(const std::string& path) {
  const std::wstring w = win::wide(path);
  const DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  const DWORD m = GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
  if (m == 0 || m >= n) return path;
  full.resize(m);
  return win::utf8(full);
}

std::string in_dir(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir == ".") return name;
  return is_separator(dir.back()) || (dir.size() == 2 && dir[1] == ':') ? dir + name : dir + "/" + name;
}

// ---- Reading ---------------------------------------------------------------
ReadStatus read_whole_file(const std::string& path, std::string& bytes, std::string& err) {
  bytes.clear();
  Fd f(do_open(path, Open::read));
  if (f.fd < 0) {
    if (errno == ENOENT) return ReadStatus::missing;
    err = describe("open", path);
    return ReadStatus::failed;
  }
  char buf[16384];
  for (;;) {
    const long r = do_read(f.fd, buf, sizeof buf);
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
// Windows grants access by the folder's access lists, not by bits of the file.
mode_t new_file_mode() { return 0666; }
mode_t mode_for(const std::string&) { return new_file_mode(); }

bool sync_dir(const std::string& dir, std::string& err) {
  if (injected("open")) {
    err = describe("open", dir);
    return false;
  }
  // The renames were written through; a folder handle is flushed where the
  // file system allows it, and where it does not there is nothing to lose.
  HANDLE h = CreateFileW(win::wide(dir).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (injected("fsync")) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    err = describe("fsync", dir);
    return false;
  }
  if (h != INVALID_HANDLE_VALUE) {
    FlushFileBuffers(h);
    CloseHandle(h);
  }
  return true;
}

StagedFile::~StagedFile() { discard(); }

void StagedFile::discard() {
  if (fd_ >= 0) _close(fd_);  // closed first: Windows removes a file for good once no one holds it
  fd_ = -1;
  if (!tmp_.empty()) remove_quietly(tmp_);
  tmp_.clear();
}

bool StagedFile::claim(const std::string& dir, mode_t, Kind kind, std::string& err) {
  discard();
  dir_ = dir;
  for (unsigned attempt = 0;; ++attempt) {
    const std::string tmp = temp_name(dir, kind, attempt);
    const int fd = do_open(tmp, Open::create_new);
    if (fd < 0) {
      if (errno == EEXIST && attempt < 100) continue;
      err = describe("create", tmp);
      return false;
    }
    tmp_ = tmp;
    fd_ = fd;
    if (kind == Kind::under_lock) break;
    // Held locked while it is written: the cleanup of a game holding the
    // folder's lock removes only the files no live writer holds. A new file
    // is locked at once unless a cleanup holds it in this instant; then it
    // is given up for a new name.
    if (try_lock(fd_)) break;
    _close(fd_);
    fd_ = -1;
    tmp_.clear();
    if (attempt >= 100) {
      set_error(ERROR_BUSY);
      err = describe("create", tmp);
      return false;
    }
  }
  if (do_chmod()) return true;
  err = describe("chmod", tmp_);
  discard();
  return false;
}

bool StagedFile::sync(std::string& err) {
  if (do_fsync(fd_)) return true;
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
  } else if (kind == Kind::under_lock && !do_close(std::exchange(fd_, -1))) {
    err = describe("close", tmp_);
  } else {
    return true;
  }
  discard();
  return false;
}

bool StagedFile::replace(const std::string& path, std::string& err, bool* committed) {
  if (committed) *committed = false;
  if (!do_rename(tmp_, path)) {
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
  // An outside-lock file stays open and locked through the rename, which its
  // sharing allows, so that no cleanup takes it on the way.
  if (do_rename_new(tmp_, path)) {
    tmp_.clear();
    discard();
    return Place::placed;
  }
  if (errno == EEXIST) return Place::exists;
  err = describe("link", tmp_ + " to " + path);
  return Place::failed;
}

bool replace_file(const std::string& path, std::string_view bytes, std::string& err, bool* committed) {
  if (committed) *committed = false;
  StagedFile f;
  if (!f.write(dir_of(path), bytes, mode_for(path), StagedFile::Kind::under_lock, err)) return false;
  return f.replace(path, err, committed);
}

bool remove_file(const std::string& path, std::string& err) {
  if (do_unlink(path) || errno == ENOENT) return true;
  err = describe("remove", path);
  return false;
}

void remove_quietly(const std::string& path) { DeleteFileW(win::wide(path).c_str()); }

std::vector<std::string> names_with_prefix(const std::string& dir, std::string_view prefix) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileExW(win::wide(in_dir(dir, "*")).c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch,
                              nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = win::utf8(fd.cFileName);
    if (name.compare(0, prefix.size(), prefix) == 0) names.push_back(name);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

bool exists(const std::string& path) {
  if (GetFileAttributesW(win::wide(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const DWORD e = GetLastError();
  return e != ERROR_FILE_NOT_FOUND && e != ERROR_PATH_NOT_FOUND;
}

void remove_stale_temps(const std::string& dir) {
  for (const auto& name : names_with_prefix(dir, kTempPrefix)) remove_quietly(in_dir(dir, name));
  // An outside-lock temporary file is stale when no writer holds its lock.
  for (const auto& name : names_with_prefix(dir, kOutsideTempPrefix)) {
    const std::string path = in_dir(dir, name);
    Fd f(open_file(path, Open::write));
    if (f.fd >= 0 && try_lock(f.fd)) {
      _close(f.take());
      remove_quietly(path);
    }
  }
}

std::string folder_problem(const std::string& dir, const std::vector<std::string>&) {
  const DWORD a = GetFileAttributesW(win::wide(dir).c_str());
  if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) {
    set_error(a == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY);
    return describe("the folder", display_path(dir));
  }
  // Whether this user may create files here is told by trying: a probe that
  // is gone as soon as it is closed.
  const std::string probe = in_dir(dir, ".qora.probe." + std::to_string(GetCurrentProcessId()));
  HANDLE h = CreateFileW(win::wide(probe).c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return {};
  }
  const DWORD e = GetLastError();
  if (e == ERROR_FILE_EXISTS) return {};
  if (e == ERROR_WRITE_PROTECT)
    return "the folder " + display_path(dir) + " is on a write-protected disk: make the disk writable";
  if (e == ERROR_ACCESS_DENIED)
    return "the folder " + display_path(dir) +
           " is read-only for this user: give every player the right to change files in it";
  return {};
}

// ---- Locking ---------------------------------------------------------------
FileLock::~FileLock() { release(); }

FileLock& FileLock::operator=(FileLock&& o) noexcept {
  if (this != &o) {
    release();
    fd_ = std::exchange(o.fd_, -1);
  }
  return *this;
}

void FileLock::release() {
  if (fd_ >= 0) _close(fd_);  // closing the handle drops the lock
  fd_ = -1;
}

FileLock::Status FileLock::acquire(const std::string& dir, int timeout_ms, std::string& err,
                                   const std::function<bool()>& no_longer_needed) {
  release();
  const std::string path = in_dir(dir, LOCK_NAME);
  int fd = do_open(path, Open::open_always);
  // A lock file this user may only read still takes a lock.
  if (fd < 0 && errno == EACCES) fd = do_open(path, Open::read);
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
    if (try_lock(f.fd)) break;
    if (errno != EWOULDBLOCK) {
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
