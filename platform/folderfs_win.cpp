// The file-system primitives on Windows. A folder is held open (so that it
// cannot be removed or renamed under the game) and every name in it is a
// bare name joined to its path; a name is never opened through a reparse
// point (a symbolic link or junction someone planted) and what is opened is
// then checked to be a regular file on a disk, not a folder, a device or a
// pipe. Names Windows reads as more than a file (streams "name:x", devices
// such as "NUL", trailing dots) are refused.
//
// Descriptors are C runtime descriptors wrapping the system's handles, so the
// interface is the one Linux has. Errors are mapped onto errno.
#define _WIN32_WINNT 0x0A00  // the calls exist from Vista on; Windows 10's are asked for at run time
#include "platform/folderfs.h"

#include <windows.h>

#include <bcrypt.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

#include "platform/win32.h"

namespace qora::platform::fsys {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

int errno_of(DWORD e) {
  switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
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
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}

template <class T>
T failed(T value) {
  errno = errno_of(GetLastError());
  return value;
}

HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

int64_t unix_ns(const FILETIME& t) {
  const int64_t ticks = (int64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;  // 100 ns since 1601
  return (ticks - 116444736000000000LL) * 100;
}

bool fill(HANDLE h, FileInfo& out) {
  BY_HANDLE_FILE_INFORMATION i;
  if (!GetFileInformationByHandle(h, &i)) return failed(false);
  out.regular = !(i.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                                        FILE_ATTRIBUTE_DEVICE)) &&
                GetFileType(h) == FILE_TYPE_DISK;
  out.size = (uint64_t(i.nFileSizeHigh) << 32) | i.nFileSizeLow;
  out.mtime_ns = unix_ns(i.ftLastWriteTime);
  out.uid = 0;  // access is the folder's access lists' matter, not an owner's
  out.links = i.nNumberOfLinks;
  out.mode = (i.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  out.sticky = false;
  return true;
}

// Wraps a handle into a descriptor; -1 (and the handle closed) when the
// runtime has no descriptor left.
int wrap(HANDLE h, bool read_only) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), read_only ? _O_RDONLY : _O_RDWR);
  if (fd < 0) {
    CloseHandle(h);
    errno = EMFILE;
  }
  return fd;
}

// The byte far past any content that the lock covers: Windows' locks bar
// others from the bytes they cover, so content stays readable and writable.
bool lock_byte(HANDLE h) {
  OVERLAPPED at{};
  at.Offset = 0xFFFFFFFEu;
  at.OffsetHigh = 0x7FFFFFFFu;
  return LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

bool reserved_device(std::string_view name) {
  std::string stem(name.substr(0, name.find('.')));
  std::transform(stem.begin(), stem.end(), stem.begin(), [](char c) { return char(std::toupper(uint8_t(c))); });
  for (const char* d : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (stem == d) return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '0' && stem[3] <= '9';
}

}  // namespace

// ---- File ------------------------------------------------------------------
File::~File() {
  if (fd_ >= 0) _close(fd_);
}

File& File::operator=(File&& o) noexcept {
  if (this != &o) {
    if (fd_ >= 0) _close(fd_);
    fd_ = std::exchange(o.fd_, -1);
  }
  return *this;
}

bool File::info(FileInfo& out) const { return fill(handle_of(fd_), out); }

long File::read(void* buf, size_t n) {
  DWORD got = 0;
  if (!ReadFile(handle_of(fd_), buf, DWORD(std::min<size_t>(n, 1u << 30)), &got, nullptr)) return failed(-1L);
  return long(got);
}

long File::write(const void* buf, size_t n) {
  DWORD put = 0;
  if (!WriteFile(handle_of(fd_), buf, DWORD(std::min<size_t>(n, 1u << 30)), &put, nullptr)) return failed(-1L);
  return long(put);
}

long File::write_at(const void* buf, size_t n, uint64_t at) {
  OVERLAPPED o{};
  o.Offset = DWORD(at);
  o.OffsetHigh = DWORD(at >> 32);
  DWORD put = 0;
  if (!WriteFile(handle_of(fd_), buf, DWORD(std::min<size_t>(n, 1u << 30)), &put, &o)) return failed(-1L);
  return long(put);
}

bool File::sync() { return FlushFileBuffers(handle_of(fd_)) ? true : failed(false); }

// Windows grants access by access lists; a file without write bits becomes
// read-only, as close as the system comes.
bool File::set_mode(mode_t mode) {
  FILE_BASIC_INFO b{};
  if (!GetFileInformationByHandleEx(handle_of(fd_), FileBasicInfo, &b, sizeof b)) return failed(false);
  const DWORD old = b.FileAttributes;
  b.FileAttributes = (mode & 0222) ? old & ~DWORD(FILE_ATTRIBUTE_READONLY) : old | FILE_ATTRIBUTE_READONLY;
  if (b.FileAttributes == 0) b.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  if (b.FileAttributes == old) return true;
  return SetFileInformationByHandle(handle_of(fd_), FileBasicInfo, &b, sizeof b) ? true : failed(false);
}

bool File::try_lock() {
  if (lock_byte(handle_of(fd_))) return true;
  const DWORD e = GetLastError();
  errno = e == ERROR_LOCK_VIOLATION || e == ERROR_IO_PENDING ? EWOULDBLOCK : errno_of(e);
  return false;
}

bool File::close() {
  const int fd = std::exchange(fd_, -1);
  return fd < 0 || _close(fd) == 0;
}

// ---- Dir -------------------------------------------------------------------
namespace {

std::wstring child(const std::string& dir, const std::string& name) {
  std::wstring w = win::wide(dir.empty() ? "." : dir);
  if (w.back() != L'\\' && w.back() != L'/') w += L'\\';
  return w + win::wide(name);
}

HANDLE open_name(const std::string& dir, const std::string& name, DWORD access, DWORD disposition,
                 DWORD flags = 0) {
  if (!bare_name(name)) {
    errno = EINVAL;
    return INVALID_HANDLE_VALUE;
  }
  HANDLE h = CreateFileW(child(dir, name).c_str(), access, kShareAll, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | flags, nullptr);
  return h == INVALID_HANDLE_VALUE ? failed(h) : h;
}

}  // namespace

Dir Dir::open(const std::string& path) {
  Dir d;
  d.path_ = path;
  // Held without sharing deletion: the folder cannot be removed or renamed
  // while the game works in it.
  HANDLE h = CreateFileW(win::wide(path.empty() ? "." : path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return failed(std::move(d));
  d.fd_ = wrap(h, true);
  return d;
}

Dir& Dir::operator=(Dir&& o) noexcept {
  if (this != &o) {
    if (fd_ >= 0) _close(fd_);
    fd_ = std::exchange(o.fd_, -1);
    path_ = std::move(o.path_);
  }
  return *this;
}

Dir::~Dir() {
  if (fd_ >= 0) _close(fd_);
}

// What stands under the name is opened whatever it is (a folder too, for
// reading), so that the caller's check on the opened thing decides; a folder
// that cannot be opened for writing says so as on Linux.
File Dir::open_file(const std::string& name, Access a) const {
  const bool ro = a == Access::read;
  HANDLE h = open_name(path_, name, ro ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING,
                       ro ? FILE_FLAG_BACKUP_SEMANTICS : 0);
  if (h != INVALID_HANDLE_VALUE) return File(wrap(h, ro));
  if (errno == EACCES) {
    const DWORD attrs = GetFileAttributesW(child(path_, name).c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY)) errno = EISDIR;
  }
  return File();
}

File Dir::create_new(const std::string& name, mode_t mode) const {
  HANDLE h = open_name(path_, name, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  if (h == INVALID_HANDLE_VALUE) return File();
  File f(wrap(h, false));
  if (f.valid() && !(mode & 0222)) f.set_mode(mode);
  return f;
}

bool Dir::stat(const std::string& name, FileInfo& out) const {
  HANDLE h = open_name(path_, name, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = fill(h, out);
  CloseHandle(h);
  return ok;
}

bool Dir::exists(const std::string& name) const {
  if (!bare_name(name)) return true;  // never a name the game may take
  if (GetFileAttributesW(child(path_, name).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const DWORD e = GetLastError();
  return e != ERROR_FILE_NOT_FOUND && e != ERROR_PATH_NOT_FOUND;
}

// A reader that shares no deletion (another program) holds a rename over its
// file off for a moment; the rename waits that out, up to a second.
bool Dir::rename(const std::string& from, const std::string& to) const {
  if (!bare_name(from) || !bare_name(to)) {
    errno = EINVAL;
    return false;
  }
  const std::wstring f = child(path_, from), t = child(path_, to);
  for (int tries = 0;; ++tries) {
    if (MoveFileExW(f.c_str(), t.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD e = GetLastError();
    if ((e != ERROR_SHARING_VIOLATION && e != ERROR_ACCESS_DENIED) || tries >= 50) {
      errno = errno_of(e);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// A rename without replacement is one step of the file system on Windows,
// on local disks and shares alike.
bool Dir::rename_new(const std::string& from, const std::string& to) const {
  if (!bare_name(from) || !bare_name(to)) {
    errno = EINVAL;
    return false;
  }
  if (MoveFileExW(child(path_, from).c_str(), child(path_, to).c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  return failed(false);
}

bool Dir::link(const std::string& from, const std::string& to) const {
  if (!bare_name(from) || !bare_name(to)) {
    errno = EINVAL;
    return false;
  }
  if (CreateHardLinkW(child(path_, to).c_str(), child(path_, from).c_str(), nullptr)) return true;
  return failed(false);
}

// The name goes at once, as on Linux, where the system allows it (Windows
// 10); elsewhere it lingers until the last open handle closes.
bool Dir::remove(const std::string& name) const {
  HANDLE h = open_name(path_, name, DELETE, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILE_DISPOSITION_INFO_EX posix{FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS};
  FILE_DISPOSITION_INFO plain{TRUE};
  const auto disposition_ex = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);  // FileDispositionInfoEx
  const bool ok = SetFileInformationByHandle(h, disposition_ex, &posix, sizeof posix) ||
                  SetFileInformationByHandle(h, FileDispositionInfo, &plain, sizeof plain);
  if (!ok) errno = errno_of(GetLastError());
  CloseHandle(h);
  return ok;
}

// Renames and creations were written through; a folder itself cannot be
// flushed by a program on Windows.
bool Dir::sync() const { return true; }

std::vector<std::string> Dir::names() const {
  std::vector<std::string> out;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileExW(child(path_, "*").c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    const std::wstring n = fd.cFileName;
    if (n != L"." && n != L"..") out.push_back(win::utf8(n));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(out.begin(), out.end());
  return out;
}

FsKind Dir::kind() const {
  wchar_t fs[MAX_PATH + 1] = {};
  if (!GetVolumeInformationByHandleW(handle_of(fd_), nullptr, 0, nullptr, nullptr, nullptr, fs, MAX_PATH))
    return FsKind::other;
  wchar_t full[MAX_PATH + 1] = {};
  const DWORD n = GetFinalPathNameByHandleW(handle_of(fd_), full, MAX_PATH, FILE_NAME_NORMALIZED);
  // A share's final path is \\?\UNC\server\share\...
  if (n > 0 && n < MAX_PATH && std::wstring_view(full).substr(0, 8) == L"\\\\?\\UNC\\") return FsKind::smb;
  const std::wstring_view f(fs);
  if (f == L"NTFS" || f == L"ReFS" || f == L"FAT" || f == L"FAT32" || f == L"exFAT") return FsKind::local;
  return FsKind::other;
}

// Told by trying: a probe that is gone as soon as it is closed.
bool Dir::writable() const {
  const std::string probe = ".qora.probe." + std::to_string(random64());
  HANDLE h = open_name(path_, probe, GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool Dir::info(FileInfo& out) const { return fill(handle_of(fd_), out); }

// A new folder under the user's temporary folder, which only this user (and
// the administrators) may enter.
PrivateDir::PrivateDir() {
  wchar_t tmp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, tmp);
  if (n == 0 || n > MAX_PATH) return;
  for (int tries = 0; tries < 100; ++tries) {
    const std::wstring candidate = std::wstring(tmp, n) + L"qora-" + win::wide(std::to_string(random64()));
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = win::utf8(candidate);
      return;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      errno = errno_of(GetLastError());
      return;
    }
  }
}

PrivateDir::~PrivateDir() {
  if (path_.empty()) return;
  {
    const Dir d = Dir::open(path_);
    if (d.valid())
      for (const auto& n : d.names()) d.remove(n);
  }
  RemoveDirectoryW(win::wide(path_).c_str());
}

const char* fs_kind_name(FsKind k) {
  switch (k) {
    case FsKind::local: return "a local disk";
    case FsKind::nfs: return "an NFS share";
    case FsKind::smb: return "a Windows (SMB) share";
    case FsKind::fuse: return "a FUSE file system";
    case FsKind::other: break;
  }
  return "an unknown file system";
}

bool bare_name(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.size() > 255) return false;
  // Streams (a:b), wildcards and the other characters Windows refuses, and a
  // trailing dot or blank, which Windows drops (so "a." would open "a").
  if (name.back() == '.' || name.back() == ' ') return false;
  if (std::any_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < ' ' || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
      }))
    return false;
  return !reserved_device(name);
}

std::string host_name() {
  wchar_t buf[256];
  DWORD n = 256;
  if (!GetComputerNameExW(ComputerNameDnsHostname, buf, &n)) return "?";
  return win::utf8(std::wstring(buf, n));
}

uint64_t random64() {
  uint64_t v = 0;
  if (BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&v), sizeof v, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0)
    v = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (uint64_t(GetCurrentProcessId()) << 32);
  return v;
}

}  // namespace qora::platform::fsys
