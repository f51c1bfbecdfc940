// The lock that lets one game at a time change the shared files of a game
// folder, between the processes of one computer and between computers that
// share the folder over a network.
//
// Two parts:
// - the fast local path: flock on ".qora.lock", which orders the games of
//   one computer (on many shares flock never reaches the other computers);
// - the lease ".qora.lease", made by an exclusive create, which the server
//   itself makes atomic. It names its holder, and the holder rewrites it
//   before every step it commits, so the server stamps it with the server's
//   time. A waiter judges its age against a file it has just written itself
//   on the same share, never against its own clock. A lease older than the
//   lease time (its holder died or lost the network) is broken by the one
//   waiter whose atomic rename takes it away; on a local disk, where flock is
//   exact, a lease of this computer found while holding the flock is a dead
//   game's and is broken at once.
// A holder confirms, right before each commit step, that the lease is still
// its own (confirm()); one that lost it stops and leaves the rest to the next.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/folderfs.h"

namespace qora::platform {

// The lock file of a folder the game writes in, and its lease.
inline constexpr const char* LOCK_NAME = ".qora.lock";
inline constexpr const char* LEASE_NAME = ".qora.lease";

// How long a lease lives without being rewritten before a waiter may break
// it (default 15 s; QORA_LEASE_MS in the environment sets it too).
void set_lease_ms(int ms);
int lease_ms();

class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  enum class Status {
    acquired,
    busy,        // another game held it for the whole wait
    not_needed,  // the caller's no_longer_needed() turned true while waiting
    failed,      // the lock cannot be taken at all; err says why
  };
  // Waits up to timeout_ms (real time: the holder is another process) for the
  // lock of dir, looking every few milliseconds; no_longer_needed, when given,
  // is asked at each look and ends the wait early.
  Status acquire(const std::string& dir, int timeout_ms, std::string& err,
                 const std::function<bool()>& no_longer_needed = {});
  bool held() const { return lease_.valid(); }
  // Rewrites the lease and checks that it is still this game's. False, with
  // err, when it was lost: nothing more may be committed.
  bool confirm(std::string& err);
  // The server's time of the last confirm (or of the taking), in ns.
  int64_t server_now_ns() const { return server_now_ns_; }
  // Whether the folder is on a local disk, where the fast path is exact.
  bool local() const { return kind_ == fsys::FsKind::local; }
  void release();

 private:
  bool dead_by_flock(const std::string& text) const;
  bool break_stale(const std::string& text);
  bool older_than_lease(const std::function<bool(fsys::FileInfo&)>& look);
  bool take_back(const std::string& away, const std::string& mine);

  fsys::Dir dir_;
  fsys::File flock_, lease_, probe_;
  std::string text_, probe_name_;
  int64_t server_now_ns_ = 0;
  uint64_t nonce_ = 0;
  fsys::FsKind kind_ = fsys::FsKind::other;
};

// What a folder's lock rests on there, for the teacher: the file system and
// the kind of lock.
std::string lock_description(const std::string& dir);

}  // namespace qora::platform
