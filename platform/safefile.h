// Crash-safe file operations for the files the game rewrites (score tables,
// the results base, their backup and archives, the groups file) in a folder
// that several games, of different users and computers, share (the lock
// that orders them is in folderlock.h). Every file is reached through the
// folder's descriptor by its bare name (folderfs.h): never through a link,
// never a FIFO or device.
//
// A file is never rewritten in place: the new content goes into a temporary
// file in the same folder, is flushed to disk, and is renamed over the old
// name; then the folder itself is flushed. A reader, or a game killed at any
// moment, therefore sees either the old or the new content, never a mixture.
// A rewritten file keeps the permission bits of the file it replaces.
//
// Every system call that can fail goes through one counter so that tests can
// make the N-th operation fail (or kill the process just before it) and walk
// through every step of an update.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/folderlock.h"

namespace qora::platform {

// ---- Fault injection (used by tests and measurements only) ----------------
namespace faults {

enum class Mode {
  fail,  // the operation returns an I/O error without doing anything
  kill,  // the process is killed with SIGKILL just before the operation
};

// Arms the fault for the step-th operation from now (1 = the next one) and
// resets the count and the trace. step 0 only resets them.
void arm(long step, Mode mode = Mode::fail);
void disarm();
// Arms the fault for the nth operation of the kind op (a name of trace())
// from now, whatever comes between.
void arm_kind(const std::string& op, long nth, Mode mode = Mode::fail);
// Operations counted since the last arm/disarm.
long count();
// The names of those operations ("open", "read", "write", "fsync", "close",
// "rename", "link", "unlink", "chmod", "lock"), in order.
const std::vector<std::string>& trace();
// Makes every hard link fail as on a file system that has none (EPERM),
// without counting as a fault step.
void fail_links(bool fail);
// Makes every fsync (of files and folders) take at least this long, as on a
// slow network share. Zero turns it off.
void set_fsync_delay(std::chrono::microseconds d);
// Counts every fsync as a step but does not flush: for tests that walk the
// steps of an update by the hundred and check their order, not durability.
void skip_fsync(bool skip);
// Counts one operation of the platform layer; true when it is the one that
// must fail (errno is then EIO). In kill mode the process dies here instead.
bool hit(const char* op);

}  // namespace faults

// ---- Reading ---------------------------------------------------------------
// foreign: something that is not the game's file stands under the name (a
// link, a FIFO, a device, a folder, or a file larger than max_bytes); it is
// never read, and err names it.
enum class ReadStatus { ok, missing, failed, foreign };

// The most any file of a game folder is read as when no closer cap is given.
inline constexpr size_t DEFAULT_READ_CAP = size_t(16) << 20;

// Reads the whole regular file. missing: the file does not exist (and only
// then); failed: it exists or may exist but could not be read, err says why.
ReadStatus read_whole_file(const std::string& path, std::string& bytes, std::string& err,
                           size_t max_bytes = DEFAULT_READ_CAP);

// Names something found in a game folder that the game leaves alone, on
// stderr, once per run of the program.
void note_once(const std::string& what);

// ---- Writing ---------------------------------------------------------------
// Permission bits for a file the game creates anew: the user's umask applied
// to 0666, but always readable by everyone, since the other games sharing the
// folder (possibly of other users) must read it.
mode_t new_file_mode();
// The permission bits of an existing regular file (never of what a link
// points to), or new_file_mode() when it is missing or cannot be examined.
mode_t mode_for(const std::string& path);

// A complete new file waiting under a temporary name in its folder until it
// is put in place; the temporary file is removed if it never is.
class StagedFile {
 public:
  // Temporary names: ordinary ones are made only by the holder of the
  // folder's lock; outside-lock ones by a game that does not hold it, and
  // they stay locked while being written so that a cleanup leaves them alone.
  enum class Kind { under_lock, outside_lock };

  StagedFile() = default;
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Writes bytes into a new temporary file in dir with the given permission
  // bits and flushes it to disk.
  bool write(const std::string& dir, std::string_view bytes, mode_t mode, Kind kind, std::string& err);
  // Renames it over path and flushes the folder. *committed tells whether
  // the rename happened (a failed folder flush is still reported as a failure).
  bool replace(const std::string& path, std::string& err, bool* committed = nullptr);
  enum class Place { placed, exists, failed };
  // Gives it the name path only if no file of that name exists (so two games
  // never claim one name), then flushes the folder. The file appears whole
  // under its name or not at all.
  Place place_new(const std::string& path, std::string& err);

 private:
  // A new empty temporary file in dir (an outside-lock one is held locked
  // while it is filled); sync() flushes what was written into it.
  bool claim(const std::string& dir, mode_t mode, Kind kind, std::string& err);
  bool sync(std::string& err);
  void discard();
  std::string dir_, tmp_;
  fsys::File file_;  // held open (and locked for outside-lock files) until placed
};

// Replaces (or creates) path with bytes atomically and durably: a temporary
// file in the same folder, write, fsync, close, rename, fsync of the folder.
// The file keeps its permission bits (a new one gets new_file_mode()).
// On failure the file at path is unchanged and the temporary file is gone.
// A failure of the final folder fsync is reported although the new content is
// already in place (its durability is then not assured); *committed tells
// the two cases apart.
bool replace_file(const std::string& path, std::string_view bytes, std::string& err,
                  bool* committed = nullptr);

// Removes a file; a file that is already gone counts as removed.
bool remove_file(const std::string& path, std::string& err);
// Removes a file, ignoring errors (cleanup after a failed step).
void remove_quietly(const std::string& path);
// Flushes a folder so that the renames and removals in it survive a power loss.
bool sync_dir(const std::string& dir, std::string& err);
// Removes the temporary files that writers killed midway left in dir; only
// while holding the folder's lock (lock), since ordinary temporary files are
// then all stale. Outside-lock ones are removed only when no writer of this
// computer holds them, and, on a share other computers write too, only when
// the server's clock says they were last written long ago.
void remove_stale_temps(const std::string& dir, const FileLock& lock);
// The names in dir that begin with prefix, sorted. The folder is read
// without counting as a step; an unreadable folder gives none.
std::vector<std::string> names_with_prefix(const std::string& dir, std::string_view prefix);
bool exists(const std::string& path);

// The folder part of a path ("." for a bare name) and the name part.
std::string dir_of(const std::string& path);
std::string name_of(const std::string& path);
// The path of name inside dir ("name" itself for ".").
std::string in_dir(const std::string& dir, const std::string& name);
// An existing path as the user knows it (absolute), for messages.
std::string display_path(const std::string& path);

// Why the game cannot safely replace or remove the files named in dir (bare
// names; missing ones do not matter): the folder is read-only for this user,
// or it has the sticky bit set while one of the files belongs to another
// user. One sentence that names the folder and what to change; empty when
// the folder is fine.
std::string folder_problem(const std::string& dir, const std::vector<std::string>& files);

}  // namespace qora::platform
