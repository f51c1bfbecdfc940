// The session recorder, and the recording of QORA_RECORD started with the program.
#include "platform/record.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/clock.h"
#include "platform/script.h"

namespace qora::platform {

namespace {

const char* button_name(uint16_t b) { return b == 1 ? "left" : b == 2 ? "right" : "middle"; }

}  // namespace

SessionRecorder::SessionRecorder(std::function<void(const std::string&)> write)
    : write_(std::move(write)) {}

bool SessionRecorder::take(const KEYBOARDMESSAGE& m) {
  std::lock_guard<std::mutex> g(m_);
  // A new or closed window resets the rings: what was not handed on is gone
  // with it, as it would be without the recording.
  if (m.event == KEYEVENT::CREATED || m.event == KEYEVENT::DESTROYED) {
    queue_.clear();
    return false;
  }
  queue_.emplace_back(m);
  return true;
}

bool SessionRecorder::take(const MOUSEMESSAGE& m) {
  std::lock_guard<std::mutex> g(m_);
  if (m.event == MOUSEEVENT::CREATED || m.event == MOUSEEVENT::DESTROYED) {
    queue_.clear();
    return false;
  }
  queue_.emplace_back(m);
  return true;
}

void SessionRecorder::start(uint64_t t0) {
  if (started_) return;
  started_ = true;
  last_ = prev_ = t0;
}

void SessionRecorder::write_report(const Report& r, std::string& out) {
  char line[96];
  if (const auto* k = std::get_if<KEYBOARDMESSAGE>(&r)) {
    switch (k->event) {
      case KEYEVENT::CHARACTER:
        std::snprintf(line, sizeof line, "key %u\n", unsigned(static_cast<unsigned char>(k->character)));
        break;
      case KEYEVENT::SPECIAL:
        std::snprintf(line, sizeof line, "special %u\n", unsigned(static_cast<unsigned char>(k->character)));
        break;
      case KEYEVENT::CLOSE:
        std::snprintf(line, sizeof line, "close\n");
        break;
      case KEYEVENT::KEYDOWN:
      case KEYEVENT::KEYUP: {
        const char* name = key_name(k->key);
        if (!name) return;
        std::snprintf(line, sizeof line, "%s %s%s%s%s\n", k->event == KEYEVENT::KEYDOWN ? "press" : "release",
                      name, k->shift ? " shift" : "", k->ctrl ? " ctrl" : "", k->alt ? " alt" : "");
        break;
      }
      default:
        return;
    }
    out += line;
    return;
  }
  const auto& mm = std::get<MOUSEMESSAGE>(r);
  const int x = std::clamp(mm.x, 0, 65535), y = std::clamp(mm.y, 0, 65535);
  if (mm.event == MOUSEEVENT::MOVE) {
    std::snprintf(line, sizeof line, "move %d %d\n", x, y);
  } else if (mm.event == MOUSEEVENT::DOWN || mm.event == MOUSEEVENT::UP) {
    const char* verb = mm.event == MOUSEEVENT::DOWN ? "down" : "up";
    if (x == x_ && y == y_)
      std::snprintf(line, sizeof line, "%s %s\n", verb, button_name(mm.buttons));
    else
      std::snprintf(line, sizeof line, "%s %s %d %d\n", verb, button_name(mm.buttons), x, y);
  } else {
    return;
  }
  x_ = x;
  y_ = y;
  out += line;
}

void SessionRecorder::flush(uint64_t elapsed) {
  // A replay releases the lines of a moment at the first wait that reaches
  // it, so reports are handed on only at a wait that moved time on (a wait
  // of 0 ms keeps them for the next one).
  if (!started_ || elapsed <= prev_) return;
  prev_ = elapsed;
  std::vector<Report> due;
  {
    std::lock_guard<std::mutex> g(m_);
    due.swap(queue_);
  }
  if (due.empty()) return;
  for (const Report& r : due) {
    const auto* k = std::get_if<KEYBOARDMESSAGE>(&r);
    const auto* mm = std::get_if<MOUSEMESSAGE>(&r);
    if ((k && k->event != KEYEVENT::KEYUP) || (mm && mm->event != MOUSEEVENT::MOVE)) {
      frame_shot();  // as the replay will, before the same input
      break;
    }
  }
  std::string out;
  if (elapsed > last_) out = "wait " + std::to_string(elapsed - last_) + "\n";
  last_ = elapsed;
  for (const Report& r : due) {
    write_report(r, out);
    std::visit([](const auto& m) { deliver_to_hooks(m); }, r);
  }
  write_(out);
}

namespace {

struct Session {
  std::mutex m;
  bool tried = false;
  bool ok = true;
  std::string error;
  std::FILE* file = nullptr;
  std::unique_ptr<SessionRecorder> recorder;
  SessionClock* clock = nullptr;
  bool screen_written = false;
  bool started = false;
};

Session& session() {
  static Session s;
  return s;
}

void write_to_file(const std::string& text) {
  Session& s = session();
  if (!s.file) return;
  std::fputs(text.c_str(), s.file);
  std::fflush(s.file);  // a session that ends in a crash still leaves its script
}

}  // namespace

bool record_load(std::string& error, const std::string& options) {
  Session& s = session();
  std::lock_guard<std::mutex> g(s.m);
  if (!s.tried) {
    s.tried = true;
    const char* path = std::getenv("QORA_RECORD");
    if (path && *path) {
      std::FILE* f = open_recording(path);
      if (!f) {
        s.ok = false;
        s.error = std::string("cannot write the session recording ") + path;
      } else {
        s.file = f;
        s.started = false;
        auto c = std::make_unique<SessionClock>();
        s.clock = c.get();
        s.recorder = std::make_unique<SessionRecorder>(write_to_file);
        SessionRecorder* r = s.recorder.get();
        c->set_on_advance([r](uint64_t now) { r->flush(now); });
        write_to_file("# A recorded Qora session: replay it with QORA_SCRIPT=FILE QORA_CLOCK=virtual.\n"
                      "clock " + local_time_text(c->local_ms()) + " " + std::to_string(c->ticks()) + "\n" +
                      (options.empty() ? "options\n" : "options " + options + "\n"));
        set_clock(std::move(c));
        set_input_tap(r);
      }
    }
  }
  error = s.error;
  return s.ok;
}

void record_start() {
  Session& s = session();
  std::lock_guard<std::mutex> g(s.m);
  if (!s.recorder || s.started) return;
  s.started = true;
  s.recorder->start(s.clock->elapsed_ms());
}

void record_screen(int w, int h) {
  Session& s = session();
  std::lock_guard<std::mutex> g(s.m);
  if (!s.recorder || s.started || s.screen_written) return;
  s.screen_written = true;
  write_to_file("screen " + std::to_string(w) + " " + std::to_string(h) + "\n");
}

}  // namespace qora::platform
