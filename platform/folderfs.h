// The operating-system primitives the crash-safe file layer and the folder
// lock are built on, in one place so that each system supplies its own.
//
// A game folder may be shared by many users and computers, and anyone may
// plant names in it. Every file is therefore reached relative to one open
// folder, by a bare name, never through a symbolic link (or reparse point),
// and opening never blocks on a FIFO or device; the caller checks that what
// it opened is a regular file before using it.
//
// Failures return false or an invalid handle and leave the reason in errno
// (the Windows version maps its errors onto the same errno values).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qora::platform::fsys {

struct FileInfo {
  bool regular = false;
  uint64_t size = 0;
  int64_t mtime_ns = 0;  // as the file's server keeps it
  uint32_t uid = 0;
  uint64_t links = 0;
  uint32_t mode = 0;  // the permission bits
  bool sticky = false;
};

// An open file; closed when it goes away.
class File {
 public:
  File() = default;
  explicit File(int fd) : fd_(fd) {}
  ~File();
  File(File&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  File& operator=(File&& o) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool valid() const { return fd_ >= 0; }
  int native() const { return fd_; }
  bool info(FileInfo& out) const;
  long read(void* buf, size_t n);                         // -1 on error
  long write(const void* buf, size_t n);                  // -1 on error
  long write_at(const void* buf, size_t n, uint64_t at);  // -1 on error
  bool sync();
  bool set_mode(mode_t mode);
  // A lock kept by this computer's kernel: exclusive, never waiting.
  // false with errno EWOULDBLOCK when another process holds it.
  bool try_lock();
  // Closes and reports a failure of the close itself.
  bool close();

 private:
  int fd_ = -1;
};

// What kind of file system holds a folder, as far as locks are concerned.
enum class FsKind { local, nfs, smb, fuse, other };
const char* fs_kind_name(FsKind k);

// An open folder; every name below is a bare name inside it.
class Dir {
 public:
  Dir() = default;
  // Opens the folder path (which may itself be reached through links: the
  // user chose it).
  static Dir open(const std::string& path);
  bool valid() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  enum class Access { read, read_write };
  File open_file(const std::string& name, Access a) const;
  // Creates a new file that did not exist, with these permission bits
  // (before the umask).
  File create_new(const std::string& name, mode_t mode) const;
  bool stat(const std::string& name, FileInfo& out) const;  // never follows a link
  bool exists(const std::string& name) const;               // false only when surely missing
  bool rename(const std::string& from, const std::string& to) const;
  // Gives from the name to only if no file has it; false with EEXIST when
  // one has, with EINVAL when the file system cannot tell atomically.
  bool rename_new(const std::string& from, const std::string& to) const;
  bool link(const std::string& from, const std::string& to) const;
  bool remove(const std::string& name) const;
  bool sync() const;
  std::vector<std::string> names() const;
  FsKind kind() const;
  // Whether this user may create and remove names here (false with errno).
  bool writable() const;
  bool info(FileInfo& out) const;

  Dir(Dir&& o) noexcept : fd_(o.fd_), path_(std::move(o.path_)) { o.fd_ = -1; }
  Dir& operator=(Dir&& o) noexcept;
  ~Dir();
  Dir(const Dir&) = delete;
  Dir& operator=(const Dir&) = delete;

 private:
  int fd_ = -1;
  std::string path_;
};

// A new folder of this user's own (mode 0700) under $TMPDIR or /tmp, for a
// library that writes a file by its name: no one else can put a link there.
// Removed, with the files named in it, when the object goes away.
class PrivateDir {
 public:
  PrivateDir();
  ~PrivateDir();
  PrivateDir(const PrivateDir&) = delete;
  PrivateDir& operator=(const PrivateDir&) = delete;
  bool valid() const { return !path_.empty(); }  // errno says why not
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A bare name: no folder part, not "." or "..", nothing unprintable.
bool bare_name(std::string_view name);
// The name of this computer, for the record of who holds a lock.
std::string host_name();
// Random bits from the system, for names no other computer forms.
uint64_t random64();

}  // namespace qora::platform::fsys
