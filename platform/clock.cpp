#include "platform/clock.h"

#include <chrono>
#include <cstdio>
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

uint32_t VirtualClock::ticks() {
  return start_ticks_.load() + static_cast<uint32_t>(elapsed_ms_.load());
}

LocalTime VirtualClock::now() {
  return from_epoch_local((start_ms_ + static_cast<int64_t>(elapsed_ms_.load())) / 1000);
}

void VirtualClock::sleep_ms(uint32_t ms) { advance(ms); }

void VirtualClock::pin(int64_t epoch_ms, uint32_t start_ticks) {
  const uint64_t e = elapsed_ms_.load();
  start_ms_ = epoch_ms - int64_t(e);
  start_ticks_ = start_ticks - uint32_t(e);
}

namespace {
int64_t steady_us() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}
int64_t wall_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}
// A wait that finds the wall clock further ahead than this forgets the rest,
// so that after a long stall the game does not race through its waits.
constexpr int64_t kMaxLagUs = 100'000;
}  // namespace

SessionClock::SessionClock() : real_origin_us_(steady_us()) {
  pin(wall_ms(), uint32_t(steady_us() / 1000));
}

void SessionClock::sleep_ms(uint32_t ms) {
  const int64_t due = real_origin_us_ + int64_t(elapsed_ms() + ms) * 1000;
  const int64_t now = steady_us();
  if (now - due > kMaxLagUs) real_origin_us_ += now - due - kMaxLagUs;
  if (due > now) std::this_thread::sleep_for(std::chrono::microseconds(due - now));
  advance(ms);
}

std::string local_time_text(int64_t epoch_ms) {
  const LocalTime t = from_epoch_local(epoch_ms / 1000);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
                t.hour, t.minute, t.second, int(epoch_ms % 1000));
  return buf;
}

bool parse_local_time_text(std::string_view text, int64_t& epoch_ms) {
  std::tm tm{};
  int ms = 0;
  char tail = 0;
  const std::string s(text);
  if (std::sscanf(s.c_str(), "%4d-%2d-%2d %2d:%2d:%2d.%3d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                  &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &ms, &tail) != 7 ||
      s.size() != 23)
    return false;
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == std::time_t(-1)) return false;
  epoch_ms = int64_t(t) * 1000 + ms;
  return true;
}

void VirtualClock::advance(uint64_t ms) {
  const uint64_t now = elapsed_ms_ += ms;
  if (on_advance_) on_advance_(now);
}

}  // namespace qora::platform
