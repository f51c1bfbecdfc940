// Timed steps for tests that run a whole screen on the virtual clock: each
// step runs when the program's waits carry virtual time past its moment
// (counted from the timeline's creation), on the game thread, between two
// drawing operations.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "graph/input_internal.h"
#include "platform/clock.h"

namespace qora::test {

class Timeline {
 public:
  Timeline() : clock_(dynamic_cast<platform::VirtualClock&>(platform::clock())) {
    start_ = clock_.elapsed_ms();
    clock_.set_on_advance([this](uint64_t now) { run(now); });
  }
  ~Timeline() { clock_.set_on_advance(nullptr); }
  Timeline(const Timeline&) = delete;
  Timeline& operator=(const Timeline&) = delete;

  // Adds a step at ms after the start.
  void at(uint64_t ms, std::function<void()> f) {
    // Kept in time order; steps at the same moment run in the order added.
    auto pos = steps_.end();
    while (pos != steps_.begin() + long(next_) && (pos - 1)->first > start_ + ms) --pos;
    steps_.emplace(pos, start_ + ms, std::move(f));
  }
  uint64_t elapsed() const { return clock_.elapsed_ms() - start_; }

  // Input through the same hooks the window uses.
  static void key(char c) { KEYBOARDPROC(KEYBOARDMESSAGE{KEYEVENT::CHARACTER, KEY::NONE, false, c}); }
  static void special(uint8_t code) {
    KEYBOARDPROC(KEYBOARDMESSAGE{KEYEVENT::SPECIAL, KEY::NONE, false, static_cast<char>(code)});
  }
  // A character, or with a negative number the special key of that code.
  static void type(int k) { k < 0 ? special(uint8_t(-k)) : key(char(k)); }
  // The window's close button.
  static void close() { KEYBOARDPROC(KEYBOARDMESSAGE{KEYEVENT::CLOSE}); }
  static void move(int x, int y, uint16_t held = 0) {
    MOUSEPROC(MOUSEMESSAGE{MOUSEEVENT::MOVE, held, x, y});
  }
  static void press(int x, int y) { MOUSEPROC(MOUSEMESSAGE{MOUSEEVENT::DOWN, MOUSELEFTBUTTON_, x, y}); }
  static void release(int x, int y) { MOUSEPROC(MOUSEMESSAGE{MOUSEEVENT::UP, MOUSELEFTBUTTON_, x, y}); }

 private:
  static constexpr uint16_t MOUSELEFTBUTTON_ = 1;
  void run(uint64_t now) {
    while (next_ < steps_.size() && steps_[next_].first <= now) {
      auto f = std::move(steps_[next_].second);
      ++next_;
      f();
    }
  }
  platform::VirtualClock& clock_;
  uint64_t start_ = 0;
  std::vector<std::pair<uint64_t, std::function<void()>>> steps_;
  size_t next_ = 0;
};

}  // namespace qora::test
