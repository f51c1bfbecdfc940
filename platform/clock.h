// The one place through which the program reads the time and sleeps: the local
// date, the seconds field of the local clock, the millisecond tick count and
// every wait. The real clock reads the system; the virtual clock (tests,
// QORA_CLOCK=virtual) moves on only when the program waits, at once, and its
// date, seconds and ticks follow it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace qora::platform {

struct LocalTime {
  int year = 0, month = 0, day = 0;  // four-digit year, 1..12, 1..31
  int hour = 0, minute = 0, second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t ticks() = 0;          // milliseconds since an arbitrary start, wrapping
  virtual LocalTime now() = 0;           // the local date and time
  virtual void sleep_ms(uint32_t ms) = 0;
  virtual bool is_virtual() const = 0;
};

// The clock in use; the real one unless set otherwise (or QORA_CLOCK=virtual
// at the first call).
Clock& clock();
void set_clock(std::unique_ptr<Clock> c);

std::unique_ptr<Clock> make_real_clock();

// A virtual clock starting at the given local time (seconds since the epoch,
// taken as local time) with its tick count at start_ticks.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(int64_t start_epoch_seconds = 1796472000,  // 2026-12-05 12:00:00
                        uint32_t start_ticks = 1000);
  uint32_t ticks() override;
  LocalTime now() override;
  void sleep_ms(uint32_t ms) override;
  bool is_virtual() const override { return true; }

  // Moves time on without a sleep (for tests).
  void advance(uint64_t ms);
  uint64_t elapsed_ms() const { return elapsed_ms_.load(); }
  // Called after every advance with the new elapsed time; scripted input
  // uses it to release the events that have become due.
  void set_on_advance(std::function<void(uint64_t)> f) { on_advance_ = std::move(f); }

 private:
  int64_t start_ms_;
  uint32_t start_ticks_;
  std::atomic<uint64_t> elapsed_ms_{0};
  std::function<void(uint64_t)> on_advance_;
};

// Shorthands used by the game.
inline uint32_t ticks() { return clock().ticks(); }
inline LocalTime local_now() { return clock().now(); }
inline void sleep_ms(uint32_t ms) { clock().sleep_ms(ms); }

}  // namespace qora::platform
