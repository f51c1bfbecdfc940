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
#include <string>
#include <string_view>

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
  // From now on the local time reads epoch_ms (milliseconds since the epoch,
  // taken as local time) and the tick count start_ticks, both moving on
  // with the clock (a replayed session starts where its recording did).
  void pin(int64_t epoch_ms, uint32_t start_ticks);
  uint64_t elapsed_ms() const { return elapsed_ms_.load(); }
  // The local time it reads, in milliseconds since the epoch.
  int64_t local_ms() const { return start_ms_.load() + int64_t(elapsed_ms_.load()); }
  // Called after every advance with the new elapsed time; scripted input
  // uses it to release the events that have become due.
  void set_on_advance(std::function<void(uint64_t)> f) { on_advance_ = std::move(f); }

 private:
  std::atomic<int64_t> start_ms_;
  std::atomic<uint32_t> start_ticks_;
  std::atomic<uint64_t> elapsed_ms_{0};
  std::function<void(uint64_t)> on_advance_;
};

// The clock of a recorded session (QORA_RECORD): it reads like a virtual
// clock that moves on only by the program's waits, so that a replay on the
// virtual clock sees the same times at the same waits, while each wait
// really sleeps until the wall clock has caught up with it. It starts at
// the wall clock's local time and tick count.
class SessionClock final : public VirtualClock {
 public:
  SessionClock();
  void sleep_ms(uint32_t ms) override;
  bool is_virtual() const override { return false; }

 private:
  int64_t real_origin_us_;  // the wall clock, in steady microseconds, at elapsed 0
};

// The local time with milliseconds as the script's "clock" command writes it
// and reads it back: "YYYY-MM-DD HH:MM:SS.mmm".
std::string local_time_text(int64_t epoch_ms);
bool parse_local_time_text(std::string_view text, int64_t& epoch_ms);

// Shorthands used by the game.
inline uint32_t ticks() { return clock().ticks(); }
inline LocalTime local_now() { return clock().now(); }
inline void sleep_ms(uint32_t ms) { clock().sleep_ms(ms); }

}  // namespace qora::platform
