#include "platform/folderlock.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

#include "platform/safefile.h"

namespace qora::platform {

namespace {

using Clock = std::chrono::steady_clock;

int g_lease_ms = -1;  // -1: not yet read from the environment

// The most a lease file is read as: one line naming its holder.
constexpr size_t kLeaseCap = 512;
// Outside-lock temporary names (see safefile.cpp): a waiter's clock probe
// left by a killed game is then cleaned up like any other.
constexpr const char* kProbePrefix = ".qora.ptmp.clock.";

std::string hex(uint64_t v) {
  char buf[20];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
  return buf;
}

std::string describe(const std::string& what, const std::string& dir) {
  return what + " " + in_dir(dir, LEASE_NAME) + ": " + std::strerror(errno);
}

// The whole text of an open lease (empty while its maker is still writing it).
bool read_small(fsys::File& f, std::string& text) {
  text.clear();
  char buf[kLeaseCap + 1];
  for (;;) {
    const long r = f.read(buf, sizeof buf);
    if (r < 0) return false;
    if (r == 0) return true;
    text.append(buf, size_t(r));
    if (text.size() > kLeaseCap) return true;
  }
}

// Writes bytes at the start of f so that the server stamps it with its time,
// and reads that stamp. On a client that caches writes (NFS, SMB) the write
// is flushed, or it would keep the write, and the stamp, to itself; a local
// disk has no other client, and FUSE clients such as sshfs pass each write on.
bool stamp(fsys::File& f, std::string_view bytes, fsys::FsKind kind, int64_t& mtime_ns) {
  fsys::FileInfo info;
  const bool flush = kind != fsys::FsKind::local && kind != fsys::FsKind::fuse;
  if (f.write_at(bytes.data(), bytes.size(), 0) != long(bytes.size()) || (flush && !f.sync()) || !f.info(info))
    return false;
  mtime_ns = info.mtime_ns;
  return true;
}

// The computer a lease names as its holder's ("qora lease 1 HOST PID NONCE").
std::string holder_host(const std::string& text) {
  const size_t host = text.find(' ', text.find(' ', text.find(' ') + 1) + 1);
  if (host == std::string::npos) return {};
  return text.substr(host + 1, text.find(' ', host + 1) - host - 1);
}

}  // namespace

void set_lease_ms(int ms) { g_lease_ms = ms < 0 ? 0 : ms; }

int lease_ms() {
  if (g_lease_ms < 0) {
    const char* env = std::getenv("QORA_LEASE_MS");
    const long v = env && *env ? std::strtol(env, nullptr, 10) : 15000;
    g_lease_ms = v > 0 && v < 3600000 ? int(v) : 15000;
  }
  return g_lease_ms;
}

FileLock::~FileLock() { release(); }

void FileLock::release() {
  if (lease_.valid()) {
    // Renamed away first, then looked at: a lease that is no longer this
    // game's (it was broken while the game was paused) goes back untouched.
    const std::string away = std::string(LEASE_NAME) + "." + hex(nonce_) + ".done";
    if (dir_.rename(LEASE_NAME, away) && !take_back(away, text_)) dir_.remove(away);
  }
  lease_ = fsys::File();
  flock_ = fsys::File();
  if (probe_.valid()) dir_.remove(probe_name_);
  probe_ = fsys::File();
  dir_ = fsys::Dir();
}

// away holds what was renamed from the lease's name; when it is not the
// lease mine, it is someone else's live lease: it goes back (if the name is
// still free) and true is returned.
bool FileLock::take_back(const std::string& away, const std::string& mine) {
  fsys::File f = dir_.open_file(away, fsys::Dir::Access::read);
  std::string text;
  // One this user may not read is another user's: this game's own is always
  // readable to it.
  const bool others = !f.valid() && errno == EACCES;
  if (!others && (!f.valid() || !read_small(f, text) || text == mine)) return false;
  if (!dir_.rename_new(away, LEASE_NAME) && errno == EINVAL && !dir_.exists(LEASE_NAME))
    dir_.rename(away, LEASE_NAME);
  return true;
}

// Every live game of this computer holds the flock while it holds the lease:
// on a local disk, where flock is exact, a lease of this computer found while
// this game holds the flock is a dead game's. A lease of another computer
// (a folder of this disk that is also shared out) is aged like any other.
bool FileLock::dead_by_flock(const std::string& text) const {
  return kind_ == fsys::FsKind::local && flock_.valid() && holder_host(text) == fsys::host_name();
}

// A lease judged stale (its text was text): taken away by one atomic rename,
// which only one waiter wins, and removed; if what the rename took was not
// the stale lease (a new holder made it in between), or it was rewritten
// since, it is put back.
bool FileLock::break_stale(const std::string& text) {
  const std::string away = std::string(LEASE_NAME) + "." + hex(nonce_) + ".broken";
  if (!dir_.rename(LEASE_NAME, away)) return false;
  fsys::File f = dir_.open_file(away, fsys::Dir::Access::read);
  fsys::FileInfo info;
  std::string now_text;
  bool stale;
  if (!f.valid() && errno == EACCES) {
    // Another user's lease this user may not read (as it was when judged):
    // stale only if it is still old.
    stale = text.empty() && older_than_lease([&](fsys::FileInfo& i) { return dir_.stat(away, i) && i.regular; });
  } else {
    stale = !f.valid() || (f.info(info) && !info.regular);
    if (!stale && read_small(f, now_text) && now_text == text) {
      // Still the same lease: stale unless its holder rewrote it meanwhile.
      stale = dead_by_flock(text) || older_than_lease([&](fsys::FileInfo& i) { return f.info(i); });
    }
  }
  if (!stale) {
    if (!dir_.rename_new(away, LEASE_NAME) && errno == EINVAL && !dir_.exists(LEASE_NAME))
      dir_.rename(away, LEASE_NAME);
    return false;
  }
  dir_.remove(away);
  return true;
}

// Whether a lease is older than the lease time by the server's clock: the
// waiter stamps its own file on the same share first and then looks at the
// lease (look fills in its state), so a rewrite in between only makes the
// lease younger.
bool FileLock::older_than_lease(const std::function<bool(fsys::FileInfo&)>& look) {
  if (!probe_.valid()) {
    probe_name_ = kProbePrefix + hex(nonce_);
    probe_ = dir_.create_new(probe_name_, 0644);
  }
  int64_t now = 0;
  fsys::FileInfo info;
  return probe_.valid() && stamp(probe_, "c", kind_, now) && look(info) &&
         now - info.mtime_ns > int64_t(lease_ms()) * 1000000;
}

FileLock::Status FileLock::acquire(const std::string& dir, int timeout_ms, std::string& err,
                                   const std::function<bool()>& no_longer_needed) {
  release();
  dir_ = fsys::Dir::open(dir);
  if (!dir_.valid()) {
    err = "open " + dir + ": " + std::strerror(errno);
    return Status::failed;
  }
  kind_ = dir_.kind();
  const std::string lock_path = in_dir(dir, LOCK_NAME);
  // The fast local path. The lock file is made readable and writable by all
  // (the umask must not keep the other users out); one this user may only
  // read is locked through a read-only descriptor; anything but a regular
  // file under its name (a link, a FIFO, a socket, a folder) is left alone
  // and the lease alone orders the games.
  for (int tries = 0; tries < 5 && !flock_.valid(); ++tries) {
    flock_ = dir_.open_file(LOCK_NAME, fsys::Dir::Access::read_write);
    if (!flock_.valid() && (errno == EACCES || errno == EPERM || errno == EROFS))
      flock_ = dir_.open_file(LOCK_NAME, fsys::Dir::Access::read);
    if (flock_.valid()) break;
    if (errno == ENOENT) {
      flock_ = dir_.create_new(LOCK_NAME, 0666);
      if (flock_.valid()) flock_.set_mode(0666);  // made just now by this game
      else if (errno == EEXIST) continue;
    }
    if (!flock_.valid() && errno != ENOENT) break;
  }
  fsys::FileInfo info;
  if (flock_.valid() && (!flock_.info(info) || !info.regular)) {
    note_once(lock_path + " is not a lock file the game made; left alone");
    flock_ = fsys::File();
  } else if (!flock_.valid() && errno != ELOOP && errno != ENXIO && errno != EISDIR) {
    err = "open " + lock_path + ": " + std::strerror(errno);
    release();
    return Status::failed;
  } else if (!flock_.valid()) {
    note_once(lock_path + " is not a lock file the game made; left alone");
  }
  if (faults::hit("lock")) {
    err = "lock " + lock_path + ": " + std::strerror(errno);
    release();
    return Status::failed;
  }
  // The holder is another game: wait in real time, whatever clock the game
  // itself runs on.
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  const auto wait = [&](Status& why) {
    if (no_longer_needed && no_longer_needed()) why = Status::not_needed;
    else if (Clock::now() >= deadline) why = Status::busy;
    else return true;
    release();
    if (why == Status::busy) err = "lock " + lock_path + ": another game is still saving";
    return false;
  };
  Status why = Status::busy;
  while (flock_.valid() && !flock_.try_lock()) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      err = "lock " + lock_path + ": " + std::strerror(errno);
      release();
      return Status::failed;
    }
    if (!wait(why)) return why;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }

  nonce_ = fsys::random64();
  text_ = "qora lease 1 " + fsys::host_name() + " " + std::to_string(::getpid()) + " " + hex(nonce_) + "\n";
  for (int round = 0;; ++round) {
    fsys::File lease = dir_.create_new(LEASE_NAME, 0644);
    if (lease.valid()) {
      // Readable by every user whatever the umask: the waiters of other users
      // must read it to judge it stale, or a game that died holding it would
      // keep them out for good. Made just now by this game, so its own
      // descriptor may change its mode.
      if (lease.set_mode(0644) && stamp(lease, text_, kind_, server_now_ns_)) {
        lease_ = std::move(lease);
        return Status::acquired;
      }
      // Could not even write it: give the name back.
      dir_.remove(LEASE_NAME);
      err = describe("write", dir);
      release();
      return Status::failed;
    }
    if (errno != EEXIST) {
      err = describe("create", dir);
      release();
      return Status::failed;
    }
    // Someone holds it: is it stale?
    fsys::File held = dir_.open_file(LEASE_NAME, fsys::Dir::Access::read);
    std::string text;
    bool stale = false;
    if (!held.valid()) {
      if (errno == ENOENT) continue;  // released in between
      if (errno == EACCES)
        // Another user's, made under a umask that closed it to the others
        // (or planted): judged by its age alone, which needs no reading.
        stale = older_than_lease([&](fsys::FileInfo& i) { return dir_.stat(LEASE_NAME, i) && i.regular; });
      else
        stale = errno == ELOOP || errno == ENXIO;  // not a lease at all
    } else if (!held.info(info) || !read_small(held, text)) {
      // Unreadable for now: look again.
    } else if (!info.regular || info.size > kLeaseCap) {
      stale = true;
    } else if (dead_by_flock(text)) {
      stale = true;
    } else {
      stale = older_than_lease([&](fsys::FileInfo& i) { return held.info(i); });
    }
    held = fsys::File();
    if (stale && break_stale(text)) {
      std::fprintf(stderr, "qora: broke the lease of a game that stopped saving in %s: %s", dir.c_str(),
                   text.empty() ? "(no holder named)\n" : text.c_str());
      continue;
    }
    if (!wait(why)) return why;
    // Spread the waiters' looks over the share.
    std::this_thread::sleep_for(std::chrono::milliseconds(2 + fsys::random64() % 8));
  }
}

bool FileLock::confirm(std::string& err) {
  if (!lease_.valid()) {
    err = "the folder's lock is not held";
    return false;
  }
  // The rewrite stamps the lease with the server's time; then the name must
  // still lead to this game's lease.
  fsys::File now;
  std::string text;
  if (stamp(lease_, text_, kind_, server_now_ns_)) {
    now = dir_.open_file(LEASE_NAME, fsys::Dir::Access::read);
    if (now.valid() && read_small(now, text) && text == text_) return true;
  }
  err = "this game lost the lock of " + dir_.path() + " while it was paused; another game goes on";
  lease_ = fsys::File();  // not ours to remove any more
  return false;
}

std::string lock_description(const std::string& dir) {
  // A folder not made yet is judged by the nearest folder above it.
  std::string at = dir;
  fsys::Dir d = fsys::Dir::open(at);
  while (!d.valid() && errno == ENOENT && dir_of(at) != at) d = fsys::Dir::open(at = dir_of(at));
  if (!d.valid()) return "cannot open " + at + ": " + std::strerror(errno);
  const fsys::FsKind k = d.kind();
  char secs[16];
  std::snprintf(secs, sizeof secs, "%.1f", lease_ms() / 1000.0);
  std::string s = std::string("on ") + fsys::fs_kind_name(k) + "; the games take turns through the lease " +
                  LEASE_NAME + " (an exclusive create, aged by the server's clock; ";
  if (k == fsys::FsKind::local)
    return s + "a dead game's lease is broken at once) and flock on " + LOCK_NAME + ", which is exact here";
  return s + "broken " + secs + " s after its game stops) and flock on " + LOCK_NAME +
         ", which orders only the games of this computer";
}

}  // namespace qora::platform
