#include "platform/clock.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>

namespace qora::platform {

namespace {

LocalTime from_epoch_local(int64_t secs) {
  std::time_t t = static_cast<std::time_t>(secs);
  std::tm tm{};
  localtime_r(&t, &tm);
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

class RealClock : public Clock {
 public:
  uint32_t ticks() override {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  LocalTime now() override {
    return from_epoch_local(static_cast<int64_t>(std::time(nullptr)));
  }
  void sleep_ms(uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  bool is_virtual() const override { return false; }
};

std::unique_ptr<Clock>& slot() {
  static std::unique_ptr<Clock> c;
  return c;
}

std::once_flag g_init;

}  // namespace

std::unique_ptr<Clock> make_real_clock() { return std::make_unique<RealClock>(); }

Clock& clock() {
  std::call_once(g_init, [] {
    if (slot()) return;
    const char* v = std::getenv("QORA_CLOCK");
    if (v && std::strcmp(v, "virtual") == 0)
      slot() = std::make_unique<VirtualClock>();
    else
      slot() = make_real_clock();
  });
  return *slot();
}

void set_clock(std::unique_ptr<Clock> c) {
  std::call_once(g_init, [] {});
  slot() = std::move(c);
}

VirtualClock::VirtualClock(int64_t start_epoch_seconds, uint32_t start_ticks)
    : start_ms_(start_epoch_seconds * 1000), start_ticks_(start_ticks) {}

uint32_t VirtualClock::ticks() { return start_ticks_ + static_cast<uint32_t>(elapsed_ms_.load()); }

LocalTime VirtualClock::now() {
  return from_epoch_local((start_ms_ + static_cast<int64_t>(elapsed_ms_.load())) / 1000);
}

void VirtualClock::sleep_ms(uint32_t ms) { advance(ms); }

void VirtualClock::advance(uint64_t ms) {
  const uint64_t now = elapsed_ms_ += ms;
  if (on_advance_) on_advance_(now);
}

}  // namespace qora::platform
