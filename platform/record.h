// Recorded sessions (QORA_RECORD=FILE): everything the player does in the
// window is written as an input script (docs/scripting.md) that replays the
// session on the virtual clock to the same tables and the same frames.
//
// The window's reports do not reach the game at once: they wait until the
// game's thread next waits, and are handed on there, at a moment of the
// session clock (platform/clock.h), which counts only the game's waits. The
// script writes each report at that moment, so a replay on the virtual clock,
// whose waits release the script's lines, gives them to the game at the same
// point of its work. The script starts with the session clock's start
// ("clock"), from which the random seeds and dates follow, and the screen size.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "platform/input.h"

namespace qora::platform {

class SessionRecorder final : public InputTap {
 public:
  // write: takes each finished piece of the script.
  explicit SessionRecorder(std::function<void(const std::string&)> write);
  bool take(const KEYBOARDMESSAGE& m) override;
  bool take(const MOUSEMESSAGE& m) override;
  // Script time 0 is the clock's elapsed time t0 (when the first window opened).
  void start(uint64_t t0);
  // On the game's thread after each wait, the clock at elapsed: the reports
  // that came meanwhile go to the hooks and into the script.
  void flush(uint64_t elapsed);

 private:
  using Report = std::variant<KEYBOARDMESSAGE, MOUSEMESSAGE>;
  void write_report(const Report& r, std::string& out);

  std::function<void(const std::string&)> write_;
  std::mutex m_;
  std::vector<Report> queue_;  // under m_
  bool started_ = false;       // the rest: the game's thread only
  uint64_t last_ = 0;  // the clock at the last line written (at first: script time 0)
  uint64_t prev_ = 0;           // the clock at the last wait
  int x_ = -1, y_ = -1;
};

// Starts recording into the file named by QORA_RECORD (no variable: nothing
// to do, true), once per process, at start-up before any window or thread
// exists: the session clock replaces the clock. options: the program's
// options that change what it does, written into the script ("options") so
// that a replay can be started with the same. False, with the reason, when
// the file cannot be made.
bool record_load(std::string& error, const std::string& options);
// The recording's file, new or emptied, for writing; never through a
// symbolic link (or reparse point), into a FIFO or device, or into a file
// that has other names (hard links). nullptr when it cannot be made so.
std::FILE* open_recording(const char* path);
// The first window has opened: script time starts (script_start calls it).
void record_start();
// The screen size the window system reports, written once.
void record_screen(int w, int h);

}  // namespace qora::platform
