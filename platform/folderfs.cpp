#include "platform/folderfs.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cerrno>
#include <chrono>
#include <utility>

namespace qora::platform::fsys {

namespace {

// Never through a link, never waiting for the other end of a FIFO or a
// device, never inherited by a child.
constexpr int kSafe = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

void fill(const struct stat& st, FileInfo& out) {
  out.regular = S_ISREG(st.st_mode);
  out.size = uint64_t(st.st_size);
  out.mtime_ns = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  out.uid = st.st_uid;
  out.links = st.st_nlink;
  out.mode = st.st_mode & 0777;
  out.sticky = (st.st_mode & S_ISVTX) != 0;
}

template <class F>
auto retry(F f) {
  decltype(f()) r;
  do r = f();
  while (r < 0 && errno == EINTR);
  return r;
}

}  // namespace

// ---- File ------------------------------------------------------------------
File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

File& File::operator=(File&& o) noexcept {
  if (this != &o) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(o.fd_, -1);
  }
  return *this;
}

bool File::info(FileInfo& out) const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return false;
  fill(st, out);
  return true;
}

long File::read(void* buf, size_t n) { return retry([&] { return ::read(fd_, buf, n); }); }
long File::write(const void* buf, size_t n) { return retry([&] { return ::write(fd_, buf, n); }); }
long File::write_at(const void* buf, size_t n, uint64_t at) {
  return retry([&] { return ::pwrite(fd_, buf, n, off_t(at)); });
}
bool File::sync() { return ::fsync(fd_) == 0; }
bool File::set_mode(mode_t mode) { return ::fchmod(fd_, mode) == 0; }
bool File::try_lock() { return retry([&] { return ::flock(fd_, LOCK_EX | LOCK_NB); }) == 0; }

bool File::close() {
  const int fd = std::exchange(fd_, -1);
  return fd < 0 || ::close(fd) == 0;
}

// ---- Dir -------------------------------------------------------------------
Dir Dir::open(const std::string& path) {
  Dir d;
  d.fd_ = retry([&] { return ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
  d.path_ = path;
  return d;
}

Dir& Dir::operator=(Dir&& o) noexcept {
  if (this != &o) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(o.fd_, -1);
    path_ = std::move(o.path_);
  }
  return *this;
}

Dir::~Dir() {
  if (fd_ >= 0) ::close(fd_);
}

File Dir::open_file(const std::string& name, Access a) const {
  if (!bare_name(name)) {
    errno = EINVAL;
    return File();
  }
  const int flags = (a == Access::read ? O_RDONLY : O_RDWR) | kSafe;
  return File(retry([&] { return ::openat(fd_, name.c_str(), flags); }));
}

File Dir::create_new(const std::string& name, mode_t mode) const {
  if (!bare_name(name)) {
    errno = EINVAL;
    return File();
  }
  return File(retry([&] { return ::openat(fd_, name.c_str(), O_RDWR | O_CREAT | O_EXCL | kSafe, mode); }));
}

bool Dir::stat(const std::string& name, FileInfo& out) const {
  struct stat st;
  if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  fill(st, out);
  return true;
}

bool Dir::exists(const std::string& name) const {
  struct stat st;
  return ::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

bool Dir::rename(const std::string& from, const std::string& to) const {
  return ::renameat(fd_, from.c_str(), fd_, to.c_str()) == 0;
}

bool Dir::rename_new(const std::string& from, const std::string& to) const {
  if (::renameat2(fd_, from.c_str(), fd_, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == ENOSYS || errno == ENOTSUP || errno == EOPNOTSUPP) errno = EINVAL;
  return false;
}

bool Dir::link(const std::string& from, const std::string& to) const {
  return ::linkat(fd_, from.c_str(), fd_, to.c_str(), 0) == 0;
}

bool Dir::remove(const std::string& name) const { return ::unlinkat(fd_, name.c_str(), 0) == 0; }

bool Dir::sync() const { return ::fsync(fd_) == 0; }

std::vector<std::string> Dir::names() const {
  std::vector<std::string> out;
  const int fd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return out;
  DIR* d = ::fdopendir(fd);
  if (!d) {
    ::close(fd);
    return out;
  }
  while (const dirent* e = ::readdir(d))
    if (std::string_view n = e->d_name; n != "." && n != "..") out.emplace_back(n);
  ::closedir(d);
  std::sort(out.begin(), out.end());
  return out;
}

FsKind Dir::kind() const {
  struct statfs s {};
  if (::fstatfs(fd_, &s) != 0) return FsKind::other;
  switch (static_cast<unsigned long>(s.f_type)) {
    case 0xEF53:      // ext2/3/4
    case 0x01021994:  // tmpfs
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0x794C7630:  // overlayfs
    case 0x2FC12FC1:  // zfs
    case 0x4d44:      // FAT
    case 0x2011BAB0:  // exFAT
    case 0x5346544e:  // NTFS (ntfs3)
      return FsKind::local;
    case 0x6969:  // NFS
      return FsKind::nfs;
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2/3
    case 0x517B:      // SMB
      return FsKind::smb;
    case 0x65735546:  // FUSE (sshfs, smbnetfs, ...)
      return FsKind::fuse;
    default:
      return FsKind::other;
  }
}

bool Dir::writable() const { return ::faccessat(fd_, ".", W_OK | X_OK, AT_EACCESS) == 0; }

bool Dir::info(FileInfo& out) const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return false;
  fill(st, out);
  return true;
}

const char* fs_kind_name(FsKind k) {
  switch (k) {
    case FsKind::local: return "a local disk";
    case FsKind::nfs: return "an NFS share";
    case FsKind::smb: return "an SMB (Windows or Samba) share";
    case FsKind::fuse: return "a FUSE file system (sshfs, smbnetfs, ...)";
    case FsKind::other: break;
  }
  return "an unknown file system";
}

PrivateDir::PrivateDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string t = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/qora-XXXXXX";
  if (::mkdtemp(t.data())) path_ = t;
}

PrivateDir::~PrivateDir() {
  if (path_.empty()) return;
  const Dir d = Dir::open(path_);
  if (d.valid())
    for (const auto& n : d.names()) d.remove(n);
  ::rmdir(path_.c_str());
}

bool bare_name(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.size() > 255) return false;
  return std::none_of(name.begin(), name.end(),
                      [](char c) { return c == '/' || c == '\\' || static_cast<unsigned char>(c) < ' '; });
}

std::string host_name() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return "?";
  return buf;
}

uint64_t random64() {
  uint64_t v = 0;
  if (::getrandom(&v, sizeof v, 0) != sizeof v)
    v = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^ (uint64_t(::getpid()) << 32);
  return v;
}

}  // namespace qora::platform::fsys
