#include "platform/safefile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstring>
#include <set>
#include <thread>
#include <utility>

#include "platform/process.h"

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
std::string g_kind;  // with arm_kind: the kind of operation counted down
long g_kind_left = 0;

}  // namespace

void arm(long step, Mode mode) {
  g_count = 0;
  g_target = step;
  g_mode = mode;
  g_trace.clear();
  g_kind.clear();
  g_kind_left = 0;
}
void disarm() { arm(0); }
void arm_kind(const std::string& op, long nth, Mode mode) {
  arm(0, mode);
  g_kind = op;
  g_kind_left = nth;
}
long count() { return g_count; }
const std::vector<std::string>& trace() { return g_trace; }
void set_fsync_delay(std::chrono::microseconds d) { g_fsync_delay = d; }
void skip_fsync(bool skip) { g_skip_fsync = skip; }

}  // namespace faults

namespace {

bool g_fail_links = false;

// Counts one operation; true when it is the one that must fail (errno is
// then EIO). In kill mode the process dies here instead.
bool injected(const char* op) {
  using namespace faults;
  ++g_count;
  g_trace.emplace_back(op);
  const bool kind_hit = g_kind_left > 0 && g_kind == op && --g_kind_left == 0;
  if (!kind_hit && (g_target == 0 || g_count != g_target)) return false;
  if (g_mode == Mode::kill) proc::die_now();
  errno = EIO;
  return true;
}

std::string describe(const char* op, const std::string& path) {
  return std::string(op) + " " + path + ": " + std::strerror(errno);
}

// A file of a game folder: the folder opened once, the bare name inside it.
struct At {
  fsys::Dir dir;
  std::string name;
  explicit At(const std::string& path) : dir(fsys::Dir::open(dir_of(path))), name(name_of(path)) {}
  bool valid() const { return dir.valid(); }
};

fsys::File do_open_read(const At& at) {
  if (injected("open")) return fsys::File();
  return at.dir.open_file(at.name, fsys::Dir::Access::read);
}

fsys::File do_create(const fsys::Dir& dir, const std::string& name) {
  if (injected("open")) return fsys::File();
  return dir.create_new(name, 0600);
}

long do_read(fsys::File& f, void* buf, size_t n) {
  if (injected("read")) return -1;
  return f.read(buf, n);
}

long do_write(fsys::File& f, const void* buf, size_t n) {
  if (injected("write")) return -1;
  return f.write(buf, n);
}

bool do_fsync(const std::function<bool()>& sync) {
  if (injected("fsync")) return false;
  if (faults::g_fsync_delay.count() > 0) std::this_thread::sleep_for(faults::g_fsync_delay);
  return faults::g_skip_fsync || sync();
}

// A close whose result matters (a file that was written).
bool do_close(fsys::File& f) {
  if (injected("close")) {
    f.close();  // the descriptor must not leak even when the failure is simulated
    errno = EIO;
    return false;
  }
  return f.close();
}

bool do_rename(const fsys::Dir& d, const std::string& from, const std::string& to) {
  if (injected("rename")) return false;
  return d.rename(from, to);
}

bool do_link(const fsys::Dir& d, const std::string& from, const std::string& to) {
  if (injected("link")) return false;
  if (g_fail_links) {
    errno = EPERM;
    return false;
  }
  return d.link(from, to);
}

bool do_unlink(const fsys::Dir& d, const std::string& name) {
  if (injected("unlink")) return false;
  return d.remove(name);
}

bool write_all(fsys::File& f, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const long w = do_write(f, bytes.data() + done, bytes.size() - done);
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
// An outside-lock temporary file on a share is stale once the server's clock
// says it was last written this long ago: a writer fills and places one in
// moments (a workbook in seconds).
constexpr int64_t kStaleOutsideTempNs = int64_t(600) * 1000000000;

std::string temp_name(StagedFile::Kind kind) {
  // The random part keeps apart the games of computers whose process ids meet.
  static unsigned serial = 0;
  const std::string_view prefix = kind == StagedFile::Kind::under_lock ? kTempPrefix : kOutsideTempPrefix;
  char rnd[20];
  std::snprintf(rnd, sizeof rnd, "%08x", unsigned(fsys::random64()));
  return std::string(prefix) + std::to_string(proc::id()) + "." + std::to_string(++serial) + "." + rnd;
}

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

namespace faults {
void fail_links(bool fail) { g_fail_links = fail; }
bool hit(const char* op) { return injected(op); }
}  // namespace faults

// ---- Paths -----------------------------------------------------------------
namespace {
size_t last_separator(const std::string& path) {
  for (size_t i = path.size(); i-- > 0;)
    if (proc::separator(path[i])) return i;
  return std::string::npos;
}
}  // namespace

std::string dir_of(const std::string& path) {
  const auto slash = last_separator(path);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

std::string name_of(const std::string& path) {
  const auto slash = last_separator(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string display_path(const std::string& path) { return proc::full_path(path); }

std::string in_dir(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir == ".") return name;
  return proc::separator(dir.back()) ? dir + name : dir + "/" + name;
}

// ---- Reading ---------------------------------------------------------------
ReadStatus read_whole_file(const std::string& path, std::string& bytes, std::string& err, size_t max_bytes) {
  bytes.clear();
  const At at(path);
  if (!at.valid()) {
    if (errno == ENOENT) return ReadStatus::missing;
    err = describe("open", dir_of(path));
    return ReadStatus::failed;
  }
  fsys::File f = do_open_read(at);
  const auto foreign = [&](const std::string& what) {
    err = path + " is " + what + ", not a file the game made; left alone";
    return ReadStatus::foreign;
  };
  if (!f.valid()) {
    if (errno == ENOENT) return ReadStatus::missing;
    if (errno == ELOOP || errno == ENXIO || errno == EISDIR) return foreign("a link or a special file");
    err = describe("open", path);
    return ReadStatus::failed;
  }
  // Checked on what was opened: the name may have changed meanwhile.
  fsys::FileInfo info;
  if (!f.info(info)) {
    err = describe("stat", path);
    return ReadStatus::failed;
  }
  if (!info.regular) return foreign("a link or a special file");
  if (info.size > max_bytes) return foreign("larger than any file the game writes there");
  char buf[16384];
  for (;;) {
    const long r = do_read(f, buf, sizeof buf);
    if (r < 0) {
      err = describe("read", path);
      bytes.clear();
      return ReadStatus::failed;
    }
    if (r == 0) break;
    bytes.append(buf, size_t(r));
    if (bytes.size() > max_bytes) {
      bytes.clear();
      return foreign("larger than any file the game writes there");
    }
  }
  return ReadStatus::ok;
}

void note_once(const std::string& what) {
  static std::set<std::string> noted;
  if (noted.insert(what).second) std::fprintf(stderr, "qora: %s\n", what.c_str());
}

// ---- Writing ---------------------------------------------------------------
mode_t new_file_mode() {
  return (0666 & ~mode_t(proc::creation_mask())) | 0444;
}

mode_t mode_for(const std::string& path) {
  const At at(path);
  fsys::FileInfo info;
  if (at.valid() && at.dir.stat(at.name, info) && info.regular) return info.mode;
  return new_file_mode();
}

bool sync_dir(const std::string& dir, std::string& err) {
  if (injected("open")) {
    err = describe("open", dir);
    return false;
  }
  const fsys::Dir d = fsys::Dir::open(dir);
  if (!d.valid()) {
    err = describe("open", dir);
    return false;
  }
  // File systems that cannot flush a folder (EINVAL) give no guarantee to lose.
  if (!do_fsync([&] { return d.sync(); }) && errno != EINVAL && errno != ENOTSUP) {
    err = describe("fsync", dir);
    return false;
  }
  return true;
}

StagedFile::~StagedFile() { discard(); }

void StagedFile::discard() {
  if (!tmp_.empty()) remove_quietly(tmp_);
  file_ = fsys::File();
  tmp_.clear();
}

bool StagedFile::claim(const std::string& dir, mode_t mode, Kind kind, std::string& err) {
  discard();
  dir_ = dir;
  const fsys::Dir d = fsys::Dir::open(dir);
  if (!d.valid()) {
    err = describe("open", dir);
    return false;
  }
  for (unsigned attempt = 0;; ++attempt) {
    const std::string name = temp_name(kind);
    fsys::File f = do_create(d, name);
    if (!f.valid()) {
      if (errno == EEXIST && attempt < 100) continue;
      err = describe("create", in_dir(dir, name));
      return false;
    }
    tmp_ = in_dir(dir, name);
    file_ = std::move(f);
    if (kind == Kind::under_lock) break;
    // Held locked while it is written: the cleanup of a game holding the
    // folder's lock on this computer removes only the files no live writer
    // holds. If a cleanup took it in the instant before the lock, start again
    // on a new name.
    fsys::FileInfo info;
    const bool locked = file_.try_lock();
    if (!locked && errno != EWOULDBLOCK) break;
    if (locked && file_.info(info) && info.links > 0) break;
    file_ = fsys::File();
    tmp_.clear();
    if (attempt >= 100) {
      errno = EBUSY;
      err = describe("create", in_dir(dir, name));
      return false;
    }
  }
  // The one change of mode: on the file this game has just made, through its
  // own descriptor.
  if (!injected("chmod") && file_.set_mode(mode)) return true;
  err = describe("chmod", tmp_);
  discard();
  return false;
}

bool StagedFile::sync(std::string& err) {
  if (do_fsync([&] { return file_.sync(); })) return true;
  err = describe("fsync", tmp_);
  discard();
  return false;
}

bool StagedFile::write(const std::string& dir, std::string_view bytes, mode_t mode, Kind kind,
                       std::string& err) {
  if (!claim(dir, mode, kind, err)) return false;
  if (!write_all(file_, bytes)) {
    err = describe("write", tmp_);
  } else if (!sync(err)) {
    return false;
  } else if (kind == Kind::under_lock && !do_close(file_)) {
    err = describe("close", tmp_);
  } else {
    return true;
  }
  discard();
  return false;
}

bool StagedFile::replace(const std::string& path, std::string& err, bool* committed) {
  if (committed) *committed = false;
  const At at(path);
  if (!at.valid() || !do_rename(at.dir, name_of(tmp_), at.name)) {
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
  const At at(path);
  if (!at.valid()) {
    err = describe("open", dir_of(path));
    return Place::failed;
  }
  const std::string tmp = name_of(tmp_);
  const auto placed = [&] {
    tmp_.clear();
    discard();
    return Place::placed;
  };
  if (do_link(at.dir, tmp, at.name)) {
    // The temporary name is now a second name of the placed file; a failure
    // to remove it leaves a stale temporary file that a later cleanup takes.
    at.dir.remove(tmp);
    return placed();
  }
  if (errno == EEXIST) return Place::exists;
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EMLINK && errno != ENOSYS) {
    err = describe("link", tmp_ + " to " + path);
    return Place::failed;
  }
  // A file system without hard links: a rename that refuses to replace, or,
  // where even that is missing, a check that the name is free followed by a
  // rename. Every game makes such names only under the folder's lock or with
  // random parts no other game forms, so the name stays free in between.
  if (at.dir.rename_new(tmp, at.name)) return placed();
  if (errno == EEXIST) return Place::exists;
  if (errno != EINVAL) {
    err = describe("rename", tmp_ + " to " + path);
    return Place::failed;
  }
  if (at.dir.exists(at.name)) return Place::exists;
  if (!do_rename(at.dir, tmp, at.name)) {
    err = describe("rename", tmp_ + " to " + path);
    return Place::failed;
  }
  return placed();
}

bool replace_file(const std::string& path, std::string_view bytes, std::string& err, bool* committed) {
  if (committed) *committed = false;
  StagedFile f;
  if (!f.write(dir_of(path), bytes, mode_for(path), StagedFile::Kind::under_lock, err)) return false;
  return f.replace(path, err, committed);
}

bool remove_file(const std::string& path, std::string& err) {
  const At at(path);
  if ((at.valid() && do_unlink(at.dir, at.name)) || errno == ENOENT) return true;
  err = describe("remove", path);
  return false;
}

void remove_quietly(const std::string& path) {
  const At at(path);
  if (at.valid()) at.dir.remove(at.name);
}

std::vector<std::string> names_with_prefix(const std::string& dir, std::string_view prefix) {
  std::vector<std::string> names;
  const fsys::Dir d = fsys::Dir::open(dir);
  if (!d.valid()) return names;
  for (auto& n : d.names())
    if (starts_with(n, prefix)) names.push_back(std::move(n));
  return names;
}

bool exists(const std::string& path) {
  const At at(path);
  return at.valid() ? at.dir.exists(at.name) : errno != ENOENT;
}

void remove_stale_temps(const std::string& dir, const FileLock& lock) {
  const fsys::Dir d = fsys::Dir::open(dir);
  if (!d.valid()) return;
  for (const auto& name : d.names()) {
    if (starts_with(name, kTempPrefix)) {
      d.remove(name);
      continue;
    }
    // Also a lease a game renamed away to break or release it, and died.
    if (!starts_with(name, kOutsideTempPrefix) && !(starts_with(name, LEASE_NAME) && name != LEASE_NAME)) continue;
    // An outside-lock temporary file is stale when no writer of this
    // computer holds its lock, and, where games of other computers may be
    // writing it, when it has not been written for long by the server's clock.
    fsys::File f = d.open_file(name, fsys::Dir::Access::read);
    fsys::FileInfo info;
    if (!f.valid() || !f.info(info) || !info.regular || !f.try_lock()) continue;
    if (lock.local() || lock.server_now_ns() - info.mtime_ns > kStaleOutsideTempNs) d.remove(name);
  }
}

std::string folder_problem(const std::string& dir, const std::vector<std::string>& files) {
  const fsys::Dir d = fsys::Dir::open(dir);
  fsys::FileInfo di;
  if (!d.valid() || !d.info(di)) return describe("the folder", display_path(dir));
  if (!d.writable()) {
    if (errno == EROFS)
      return "the folder " + display_path(dir) + " is on a read-only file system: mount it writable";
    return "the folder " + display_path(dir) + " is read-only for " + proc::user_name() + ": " +
           proc::write_access_hint(display_path(dir));
  }
  // In a sticky folder only a file's owner (or the folder's) may rename over
  // it or remove it, so the games of a class cannot take turns in it.
  const uint32_t me = proc::user_id();
  if (di.sticky && !proc::superuser() && me != di.uid) {
    for (const auto& f : files) {
      fsys::FileInfo st;
      if (d.stat(f, st) && st.uid != me)
        return "the folder " + display_path(dir) + " has the sticky bit set, so " + proc::user_name() +
               " may not replace " + f + " of another user: clear the bit (chmod -t " + display_path(dir) + ")";
    }
  }
  return {};
}

}  // namespace qora::platform
