// Crash-safe file operations for the files the game rewrites (score tables,
// the results base, their backup and archives), and the advisory lock that
// serialises several games sharing one folder.
//
// A file is never rewritten in place: the new content goes into a temporary
// file in the same folder, is flushed to disk, and is renamed over the old
// name; then the folder itself is flushed. A reader, or a game killed at any
// moment, therefore sees either the old or the new content, never a mixture.
//
// Every system call that can fail goes through one counter so that tests can
// make the N-th operation fail (or kill the process just before it) and walk
// through every step of an update.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qora::platform {

// ---- Fault injection (used by tests only) ---------------------------------
namespace faults {

enum class Mode {
  fail,  // the operation returns an I/O error without doing anything
  kill,  // the process is killed with SIGKILL just before the operation
};

// Arms the fault for the step-th operation from now (1 = the next one) and
// resets the count and the trace. step 0 only resets them.
void arm(long step, Mode mode = Mode::fail);
void disarm();
// Operations counted since the last arm/disarm.
long count();
// The names of those operations ("open", "read", "write", "fsync", "close",
// "rename", "lock"), in order.
const std::vector<std::string>& trace();

}  // namespace faults

// ---- Reading ---------------------------------------------------------------
enum class ReadStatus { ok, missing, failed };

// Reads the whole file. missing: the file does not exist (and only then);
// failed: it exists or may exist but could not be read, err says why.
ReadStatus read_whole_file(const std::string& path, std::string& bytes, std::string& err);

// ---- Writing ---------------------------------------------------------------
// Replaces (or creates) path with bytes atomically and durably: a temporary
// file in the same folder, write, fsync, close, rename, fsync of the folder.
// On failure the file at path is unchanged and the temporary file is gone.
// A failure of the final folder fsync is reported although the new content is
// already in place (its durability is then not assured); *committed tells
// the two cases apart.
bool replace_file(const std::string& path, std::string_view bytes, std::string& err,
                  bool* committed = nullptr);

enum class CreateStatus { created, exists, failed };
// Creates an empty file at path only if no file of that name exists
// (O_EXCL), so that two processes never claim the same name.
CreateStatus create_exclusive(const std::string& path, std::string& err);

// Removes a file, ignoring errors (cleanup after a failed step).
void remove_quietly(const std::string& path);
// Removes the temporary files that replace_file leaves in dir when its
// process is killed midway. Only safe while holding the folder's lock, under
// which every writer makes its temporary files.
void remove_stale_temps(const std::string& dir);

// The folder part of a path ("." for a bare name) and the name part.
std::string dir_of(const std::string& path);
std::string name_of(const std::string& path);

// ---- Locking ---------------------------------------------------------------
// An exclusive advisory lock (flock) on a lock file that is created when
// missing and never renamed or removed. Released when the object goes away.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  FileLock(FileLock&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  FileLock& operator=(FileLock&& o) noexcept;

  // Waits up to timeout_ms (real time: the holder is another process) for the
  // lock. Returns false with err set on timeout or error.
  bool acquire(const std::string& lock_path, int timeout_ms, std::string& err);
  bool held() const { return fd_ >= 0; }
  void release();

 private:
  int fd_ = -1;
};

}  // namespace qora::platform
