#include "platform/script.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "platform/clock.h"
#include "platform/cp1251.h"
#include "platform/input.h"
#include "platform/record.h"

namespace qora::platform {

namespace {

constexpr uint64_t kVirtualIdleLimit = 10 * 60 * 1000;  // 10 minutes of virtual time
constexpr uint64_t kRealIdleLimit = 60 * 1000;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::vector<std::string_view> split_words(std::string_view s) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && is_blank(s[i])) ++i;
    size_t j = i;
    while (j < s.size() && !is_blank(s[j])) ++j;
    if (j > i) out.push_back(s.substr(i, j - i));
    i = j;
  }
  return out;
}

bool parse_uint(std::string_view w, uint64_t max, uint64_t& v) {
  if (w.empty()) return false;
  auto [p, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
  return ec == std::errc() && p == w.data() + w.size() && v <= max;
}

bool parse_button(std::string_view w, int& mask) {
  if (w == "left") mask = 1;
  else if (w == "right") mask = 2;
  else if (w == "middle") mask = 4;
  else return false;
  return true;
}

std::atomic<bool (*)(const std::string&)> g_shot_writer{nullptr};

// The names of the keys, in the order of KEY from SHIFT on.
constexpr const char* kKeyNames[] = {
    "shift", "ctrl", "backspace", "enter", "keypad5", "pause", "pageup", "pagedown", "end",
    "home", "left", "up", "right", "down", "insert", "delete", "keypadplus", "keypadminus",
    "f1", "f2", "f3", "f4", "f5", "f6", "f7", "f8", "f9", "f10", "f11", "f12",
    "0", "1", "2", "3", "4", "5", "6", "7", "8", "9",
    "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m",
    "n", "o", "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z"};
static_assert(std::size(kKeyNames) == size_t(KEY::Z));

}  // namespace

const char* key_name(KEY key) {
  const size_t i = size_t(key);
  return i >= 1 && i <= std::size(kKeyNames) ? kKeyNames[i - 1] : nullptr;
}

bool key_by_name(std::string_view name, KEY& key) {
  for (size_t i = 0; i < std::size(kKeyNames); ++i)
    if (name == kKeyNames[i]) {
      key = KEY(i + 1);
      return true;
    }
  return false;
}

ScriptParse parse_script(std::string_view source) {
  ScriptParse r;
  uint64_t now = 0;
  int line_no = 0;
  auto fail = [&](const std::string& msg) {
    r.ok = false;
    r.error_line = line_no;
    r.error = msg;
    r.commands.clear();
    return r;
  };
  size_t pos = 0;
  while (pos < source.size()) {
    size_t eol = source.find('\n', pos);
    if (eol == std::string_view::npos) eol = source.size();
    std::string_view line = source.substr(pos, eol - pos);
    pos = eol + 1;
    ++line_no;
    while (!line.empty() && is_blank(line.back())) line.remove_suffix(1);
    size_t first = 0;
    while (first < line.size() && is_blank(line[first])) ++first;
    line.remove_prefix(first);
    if (line.empty() || line[0] == '#') continue;

    size_t cmd_end = 0;
    while (cmd_end < line.size() && !is_blank(line[cmd_end])) ++cmd_end;
    const std::string_view cmd = line.substr(0, cmd_end);
    ScriptCommand c;
    c.at = now;
    c.line = line_no;

    if (cmd == "await") {
      // The rest of the line: the name of a mark of the program.
      if (cmd_end >= line.size() || line.substr(cmd_end + 1).empty())
        return fail("await needs the name of a mark");
      c.op = ScriptOp::AWAIT;
      c.text = std::string(line.substr(cmd_end + 1));
      r.commands.push_back(std::move(c));
      continue;
    }
    if (cmd == "text") {
      // The rest of the line after one blank, taken literally (a '#' in it is typed).
      if (cmd_end >= line.size()) return fail("text needs characters to type");
      std::string_view rest = line.substr(cmd_end + 1);
      if (rest.empty()) return fail("text needs characters to type");
      c.op = ScriptOp::TEXT;
      c.text = utf8_to_cp1251(rest);
      if (c.text.empty()) return fail("text has no character of the Windows-1251 code page");
      r.commands.push_back(std::move(c));
      continue;
    }

    std::string_view args = line.substr(cmd_end);
    if (size_t hash = args.find('#'); hash != std::string_view::npos) args = args.substr(0, hash);
    const auto w = split_words(args);
    auto want = [&](size_t n) { return w.size() == n; };
    uint64_t v1 = 0, v2 = 0;

    if (cmd == "wait") {
      if (!want(1) || !parse_uint(w[0], 1000000000ULL, v1))
        return fail("wait needs a number of milliseconds");
      now += v1;
    } else if (cmd == "key" || cmd == "special") {
      const bool special = cmd == "special";
      if (!want(1) || !parse_uint(w[0], 255, v1) || (special && v1 == 0))
        return fail(special ? "special needs a code from 1 to 255" : "key needs a code from 0 to 255");
      c.op = special ? ScriptOp::SPECIAL : ScriptOp::KEY;
      c.a = int(v1);
      r.commands.push_back(std::move(c));
    } else if (cmd == "move") {
      if (!want(2) || !parse_uint(w[0], 65535, v1) || !parse_uint(w[1], 65535, v2))
        return fail("move needs two coordinates from 0 to 65535");
      c.op = ScriptOp::MOVE;
      c.a = int(v1);
      c.b = int(v2);
      r.commands.push_back(std::move(c));
    } else if (cmd == "down" || cmd == "up") {
      if ((!want(1) && !want(3)) || !parse_button(w[0], c.a) ||
          (want(3) && (!parse_uint(w[1], 65535, v1) || !parse_uint(w[2], 65535, v2))))
        return fail(std::string(cmd) + " needs a button: left, right or middle, and may give X Y");
      if (want(3)) {
        c.x = int(v1);
        c.y = int(v2);
      }
      c.op = cmd == "down" ? ScriptOp::DOWN : ScriptOp::UP;
      r.commands.push_back(std::move(c));
    } else if (cmd == "press" || cmd == "release") {
      KEY key = KEY::NONE;
      if (w.empty() || !key_by_name(w[0], key))
        return fail(std::string(cmd) + " needs a key name and at most shift, ctrl and alt");
      c.op = cmd == "press" ? ScriptOp::PRESS : ScriptOp::RELEASE;
      c.a = int(key);
      for (size_t i = 1; i < w.size(); ++i) {
        const int bit = w[i] == "shift" ? 1 : w[i] == "ctrl" ? 2 : w[i] == "alt" ? 4 : 0;
        if (bit == 0 || (c.b & bit))
          return fail(std::string(cmd) + " needs a key name and at most shift, ctrl and alt");
        c.b |= bit;
      }
      r.commands.push_back(std::move(c));
    } else if (cmd == "clock") {
      // The first line of a recorded session: where its clock starts.
      uint64_t ticks = 0;
      if (w.size() != 3 || now != 0 || !r.commands.empty() || r.clock_pinned ||
          !parse_local_time_text(std::string(w[0]) + " " + std::string(w[1]), r.clock_ms) ||
          !parse_uint(w[2], 0xFFFFFFFFULL, ticks))
        return fail("clock needs YYYY-MM-DD HH:MM:SS.mmm and a tick count, before any other command");
      r.clock_pinned = true;
      r.clock_ticks = uint32_t(ticks);
    } else if (cmd == "options") {
      // The options the recorded program was started with (any number, even none).
      if (now != 0 || !r.commands.empty() || r.options_given)
        return fail("options come once, before any other command");
      r.options_given = true;
      for (const auto word : w) {
        if (!r.options.empty()) r.options += ' ';
        r.options += word;
      }
    } else if (cmd == "screen") {
      if (!want(2) || !parse_uint(w[0], 32767, v1) || !parse_uint(w[1], 32767, v2) || v1 == 0 || v2 == 0)
        return fail("screen needs a width and a height from 1 to 32767");
      r.screen_w = int(v1);
      r.screen_h = int(v2);
    } else if (cmd == "close") {
      if (!want(0)) return fail("close takes no arguments");
      c.op = ScriptOp::CLOSE;
      r.commands.push_back(std::move(c));
    } else if (cmd == "shot") {
      if (!want(1)) return fail("shot needs one file name");
      c.op = ScriptOp::SHOT;
      c.text = std::string(w[0]);
      r.commands.push_back(std::move(c));
    } else {
      return fail("unknown command \"" + std::string(cmd) + "\"");
    }
  }
  r.end = now;
  return r;
}

void set_shot_writer(bool (*writer)(const std::string& path)) { g_shot_writer = writer; }

void frame_shot() {
  static const char* dir = std::getenv("QORA_FRAMES");
  static int n = 0;
  if (!dir || !*dir) return;
  auto writer = g_shot_writer.load();
  char name[32];
  std::snprintf(name, sizeof name, "/frame-%04d.png", ++n);
  const std::string path = dir + std::string(name);
  if (!writer || !writer(path)) std::fprintf(stderr, "qora: could not write %s\n", path.c_str());
}

bool takes_frame(const ScriptCommand& c) {
  return c.op != ScriptOp::MOVE && c.op != ScriptOp::SHOT && c.op != ScriptOp::RELEASE &&
         c.op != ScriptOp::AWAIT;
}

void run_script_command(const ScriptCommand& c, uint16_t& held, int& x, int& y) {
  switch (c.op) {
    case ScriptOp::KEY:
      deliver(KEYBOARDMESSAGE{KEYEVENT::CHARACTER, KEY::NONE, false, char(c.a)});
      break;
    case ScriptOp::SPECIAL:
      deliver(KEYBOARDMESSAGE{KEYEVENT::SPECIAL, KEY::NONE, false, char(c.a)});
      break;
    case ScriptOp::TEXT:
      for (char ch : c.text) deliver(KEYBOARDMESSAGE{KEYEVENT::CHARACTER, KEY::NONE, false, ch});
      break;
    case ScriptOp::MOVE:
      x = c.a;
      y = c.b;
      deliver(MOUSEMESSAGE{MOUSEEVENT::MOVE, held, x, y});
      break;
    case ScriptOp::DOWN:
      if (c.x >= 0) {
        x = c.x;
        y = c.y;
      }
      held = uint16_t(held | c.a);
      deliver(MOUSEMESSAGE{MOUSEEVENT::DOWN, uint16_t(c.a), x, y});
      break;
    case ScriptOp::UP:
      if (c.x >= 0) {
        x = c.x;
        y = c.y;
      }
      held = uint16_t(held & ~c.a);
      deliver(MOUSEMESSAGE{MOUSEEVENT::UP, uint16_t(c.a), x, y});
      break;
    case ScriptOp::CLOSE:
      deliver(KEYBOARDMESSAGE{KEYEVENT::CLOSE});
      break;
    case ScriptOp::PRESS:
    case ScriptOp::RELEASE:
      deliver(KEYBOARDMESSAGE{c.op == ScriptOp::PRESS ? KEYEVENT::KEYDOWN : KEYEVENT::KEYUP, KEY(c.a),
                              (c.b & 4) != 0, 0, (c.b & 1) != 0, (c.b & 2) != 0});
      break;
    case ScriptOp::AWAIT:  // the runner's own
      break;
    case ScriptOp::SHOT: {
      auto writer = g_shot_writer.load();
      if (!writer || !writer(c.text))
        std::fprintf(stderr, "qora: script line %d: could not write %s\n", c.line, c.text.c_str());
      break;
    }
  }
}

ScriptRunner::ScriptRunner(std::vector<ScriptCommand> commands, uint64_t end,
                           uint64_t idle_limit_ms, std::function<void()> on_idle)
    : commands_(std::move(commands)), end_(end), idle_limit_(idle_limit_ms),
      on_idle_(std::move(on_idle)) {}

void ScriptRunner::at(uint64_t t) {
  std::lock_guard<std::mutex> g(m_);
  now_ = t;
  while (next_ < commands_.size() && commands_[next_].at + shift_ <= t) {
    const ScriptCommand& c = commands_[next_];
    if (c.op == ScriptOp::AWAIT) {
      const auto& times = marks_[c.text];
      size_t& used = awaited_[c.text];
      if (used >= times.size()) {  // not yet: the lines after it wait
        if (!blocked_) blocked_since_ = t;
        blocked_ = true;
        if (!idle_called_ && t >= blocked_since_ + idle_limit_) {
          idle_called_ = true;
          if (on_idle_) on_idle_();
        }
        return;
      }
      // The lines after it count from the moment the mark came.
      const uint64_t came = times[used++];
      if (came > c.at + shift_) shift_ = came - c.at;
      blocked_ = false;
      ++next_;
      continue;
    }
    // Advance first: a command may sleep (none does now) or re-enter.
    ++next_;
    if (frames_ && takes_frame(c) && (!framed_ || c.at != framed_at_)) {
      framed_ = true;
      framed_at_ = c.at;
      frame_shot();
    }
    run_script_command(c, held_, x_, y_);
  }
  if (next_ >= commands_.size() && !idle_called_ && t >= end_ + shift_ + idle_limit_) {
    idle_called_ = true;
    if (on_idle_) on_idle_();
  }
}

bool ScriptRunner::exhausted() const {
  std::lock_guard<std::mutex> g(m_);
  return next_ >= commands_.size();
}

uint64_t ScriptRunner::next_due() const {
  std::lock_guard<std::mutex> g(m_);
  if (next_ >= commands_.size()) return end_ + shift_ + idle_limit_;
  if (blocked_) return now_ + 10;  // looks again soon for the mark
  return commands_[next_].at + shift_;
}

void ScriptRunner::mark(const std::string& name) {
  std::lock_guard<std::mutex> g(m_);
  marks_[name].push_back(now_);
}

namespace {
// The runner of QORA_SCRIPT, to which the program's marks go.
std::mutex g_active_m;
std::weak_ptr<ScriptRunner> g_active;
void set_active(const std::shared_ptr<ScriptRunner>& r) {
  std::lock_guard<std::mutex> g(g_active_m);
  g_active = r;
}
}  // namespace

void script_mark(const char* name) {
  std::shared_ptr<ScriptRunner> r;
  {
    std::lock_guard<std::mutex> g(g_active_m);
    r = g_active.lock();
  }
  if (r) r->mark(name);
}

void attach_to_virtual_clock(VirtualClock& clock, std::shared_ptr<ScriptRunner> runner) {
  const uint64_t t0 = clock.elapsed_ms();
  runner->take_frames();
  clock.set_on_advance([runner, t0](uint64_t now) { runner->at(now - t0); });
}

namespace {

[[noreturn]] void idle_exit(uint64_t limit_ms) {
  std::fprintf(stderr, "qora: the input script ended %llu s ago and the program is still running\n",
               static_cast<unsigned long long>(limit_ms / 1000));
  std::fflush(stderr);
  std::_Exit(3);
}

// Feeds a script from its own thread on the real clock. Stopped and joined
// when the program ends normally.
class Feeder {
 public:
  explicit Feeder(std::shared_ptr<ScriptRunner> runner) : runner_(std::move(runner)) {
    thread_ = std::thread([this] { loop(); });
  }
  ~Feeder() {
    {
      std::lock_guard<std::mutex> g(m_);
      stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

 private:
  void loop() {
    using namespace std::chrono;
    const auto start = steady_clock::now();
    std::unique_lock<std::mutex> lk(m_);
    for (;;) {
      const auto due = start + milliseconds(runner_->next_due());
      if (cv_.wait_until(lk, due, [this] { return stop_; })) return;
      const auto t = uint64_t(duration_cast<milliseconds>(steady_clock::now() - start).count());
      lk.unlock();
      runner_->at(t);
      lk.lock();
    }
  }

  std::shared_ptr<ScriptRunner> runner_;
  std::mutex m_;
  std::condition_variable cv_;
  bool stop_ = false;
  std::thread thread_;
};

std::unique_ptr<Feeder>& feeder_slot() {
  static std::unique_ptr<Feeder> f;
  return f;
}

// The script of QORA_SCRIPT, read and checked before any window opens, and
// started when the first one does.
struct Loaded {
  std::mutex m;
  bool tried = false;
  bool ok = true;
  bool started = false;
  std::optional<ScriptParse> parse;
  std::string error;
  int screen_w = 0, screen_h = 0;
  bool options_given = false;
  std::string options;
};

Loaded& loaded() {
  static Loaded l;
  return l;
}

bool read_script(const std::string& path, ScriptParse& p, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read the input script " + path;
    return false;
  }
  std::ostringstream ss;
  ss << in.rdbuf();
  p = parse_script(ss.str());
  if (!p.ok) {
    error = path + ":" + std::to_string(p.error_line) + ": " + p.error;
    return false;
  }
  return true;
}

void run_parsed(ScriptParse p) {
  auto* vc = clock().is_virtual() ? dynamic_cast<VirtualClock*>(&clock()) : nullptr;
  if (vc) {
    auto runner = std::make_shared<ScriptRunner>(std::move(p.commands), p.end, kVirtualIdleLimit,
                                                 [] { idle_exit(kVirtualIdleLimit); });
    set_active(runner);
    attach_to_virtual_clock(*vc, std::move(runner));
  } else {
    auto runner = std::make_shared<ScriptRunner>(std::move(p.commands), p.end, kRealIdleLimit,
                                                 [] { idle_exit(kRealIdleLimit); });
    set_active(runner);
    feeder_slot() = std::make_unique<Feeder>(std::move(runner));
  }
}

}  // namespace

bool script_load(std::string& error) {
  Loaded& l = loaded();
  std::lock_guard<std::mutex> g(l.m);
  if (!l.tried) {
    l.tried = true;
    const char* path = std::getenv("QORA_SCRIPT");
    if (path && *path) {
      ScriptParse p;
      l.ok = read_script(path, p, l.error);
      if (l.ok) {
        // A recorded session replays from the moment its recording started.
        if (p.clock_pinned && clock().is_virtual())
          if (auto* vc = dynamic_cast<VirtualClock*>(&clock())) vc->pin(p.clock_ms, p.clock_ticks);
        l.screen_w = p.screen_w;
        l.screen_h = p.screen_h;
        l.options_given = p.options_given;
        l.options = p.options;
        l.parse = std::move(p);
      }
    }
  }
  error = l.error;
  return l.ok;
}

bool script_screen(int& w, int& h) {
  std::string error;
  script_load(error);
  Loaded& l = loaded();
  std::lock_guard<std::mutex> g(l.m);
  if (l.screen_w <= 0) return false;
  w = l.screen_w;
  h = l.screen_h;
  return true;
}

bool script_options(std::string& options) {
  std::string error;
  script_load(error);
  Loaded& l = loaded();
  std::lock_guard<std::mutex> g(l.m);
  if (!l.options_given) return false;
  options = l.options;
  return true;
}

void script_start() {
  record_start();
  std::string error;
  if (!script_load(error)) return;
  Loaded& l = loaded();
  std::lock_guard<std::mutex> g(l.m);
  if (l.started || !l.parse) return;
  l.started = true;
  run_parsed(std::move(*l.parse));
  l.parse.reset();
}

}  // namespace qora::platform
