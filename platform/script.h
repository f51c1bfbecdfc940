// Scripted input: a text file named by QORA_SCRIPT whose lines type keys,
// move and click the mouse, press the close button and save pictures of the
// window, each at its own moment of the program's clock. The format is in
// docs/scripting.md.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/input.h"

namespace qora::platform {

class VirtualClock;

enum class ScriptOp : uint8_t { KEY, SPECIAL, TEXT, MOVE, DOWN, UP, CLOSE, SHOT, PRESS, RELEASE, AWAIT };

struct ScriptCommand {
  ScriptOp op = ScriptOp::KEY;
  uint64_t at = 0;  // script time in ms at which it takes effect
  int line = 0;     // line number in the file, from 1
  int a = 0, b = 0; // KEY/SPECIAL: code; MOVE: x, y; DOWN/UP: button mask;
                    // PRESS/RELEASE: the KEY, and shift 1 + ctrl 2 + alt 4
  int x = -1, y = -1;  // DOWN/UP: where, when given; else at the last position
  std::string text; // TEXT: Windows-1251 characters; SHOT: file name; AWAIT: the mark
};

struct ScriptParse {
  bool ok = true;
  std::vector<ScriptCommand> commands;
  uint64_t end = 0;  // script time after the last line (waits included)
  int error_line = 0;
  std::string error;
  // "clock": the local time (ms since the epoch) and tick count the clock
  // starts from; "screen": the screen size of the recorded session.
  bool clock_pinned = false;
  int64_t clock_ms = 0;
  uint32_t clock_ticks = 0;
  int screen_w = 0, screen_h = 0;
  // "options": the options the recorded session was started with.
  bool options_given = false;
  std::string options;  // its words, one blank apart
};

// The script's name of a key of a keyboard report ("left", "f1", "a", "0"),
// and back; nullptr / false for none.
const char* key_name(KEY key);
bool key_by_name(std::string_view name, KEY& key);

ScriptParse parse_script(std::string_view source);

// Carries out one command through the input hook slots (the same ones the
// window uses). held: the mouse buttons the script holds down; x, y: the script's
// last mouse position.
void run_script_command(const ScriptCommand& c, uint16_t& held, int& x, int& y);

// Releases commands as script time goes on and watches for a program that
// outlives its script.
class ScriptRunner {
 public:
  // idle_limit_ms: how long after the script's end on_idle is called (once).
  ScriptRunner(std::vector<ScriptCommand> commands, uint64_t end, uint64_t idle_limit_ms,
               std::function<void()> on_idle);
  // Script time t has been reached: runs every command due by then, in order.
  void at(uint64_t t);
  bool exhausted() const;
  // Script time of the next command, or of the idle deadline once exhausted.
  uint64_t next_due() const;
  // The program has passed one of its marks (platform/trace.h), which an
  // "await" line may be waiting for. Any thread.
  void mark(const std::string& name);
  // frame_shot() before the key, button and close commands (only where the
  // runner works on the program's thread).
  void take_frames() { frames_ = true; }

 private:
  mutable std::mutex m_;  // the feeder's thread and the program's both come in
  std::vector<ScriptCommand> commands_;
  size_t next_ = 0;
  uint64_t now_ = 0;      // the script time last reached
  uint64_t shift_ = 0;    // added to every line's time by the awaits passed
  bool blocked_ = false;  // at an await whose mark has not come
  uint64_t blocked_since_ = 0;
  std::map<std::string, std::vector<uint64_t>> marks_;  // each mark's times
  std::map<std::string, size_t> awaited_;               // of them, used by awaits
  uint64_t end_;
  uint64_t idle_limit_;
  std::function<void()> on_idle_;
  bool idle_called_ = false;
  uint16_t held_ = 0;
  int x_ = 0, y_ = 0;
  bool frames_ = false;
  bool framed_ = false;  // frame_shot() taken for commands at framed_at_
  uint64_t framed_at_ = 0;
};

// Lets a virtual clock drive a runner: every advance releases what is due,
// counting script time from the clock's elapsed time now.
void attach_to_virtual_clock(VirtualClock& clock, std::shared_ptr<ScriptRunner> runner);

// The program has passed a mark (trace_once calls it each time): a running
// script's "await" lines wait for these.
void script_mark(const char* name);

// Where the pictures of "shot" go: the graphics layer installs a writer of
// its visible page. Without one, a shot prints a line on stderr.
void set_shot_writer(bool (*writer)(const std::string& path));

// QORA_FRAMES=DIR: the visible page is written to DIR/frame-NNNN.png (0001
// on) each time scripted or recorded input is about to hand the program a
// key, a button or a close, so a recording and its replay leave the same
// pictures. Called on the program's thread; nothing without the variable.
void frame_shot();
// Whether the command is one before which frame_shot() is taken.
bool takes_frame(const ScriptCommand& c);

// On the virtual clock a script runs through the clock's advances, on the
// real clock from a feeder thread. The program still running long after the
// script ended: one line on stderr and exit status 3.

// Reads and checks the script named by QORA_SCRIPT, once per process (no
// variable: nothing to do, true). Programs call it at start-up, before any
// window or thread exists, and stop with the error when it fails.
bool script_load(std::string& error);
// Starts the loaded script, once per process; the backends call it when the
// first window opens. A script that failed to load is never started. A
// session being recorded starts counting its time here too.
void script_start();
// The screen size a loaded script's "screen" line names; false without one.
bool script_screen(int& w, int& h);
// The options a loaded script's "options" line names; false without one.
bool script_options(std::string& options);

}  // namespace qora::platform
