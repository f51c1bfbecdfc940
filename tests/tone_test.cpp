// The square-wave generator behind SOUND and SOUND's waiting.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "graph/graph.h"
#include "platform/clock.h"
#include "platform/tone.h"

namespace qora::platform {
namespace {

// Average period in samples between rising edges, and the share of high samples.
struct Measured {
  double period = 0;
  double duty = 0;
  int edges = 0;
};

Measured measure(const std::vector<int16_t>& s) {
  Measured m;
  size_t first = 0, last = 0, high = 0;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i - 1] < 0 && s[i] > 0) {
      if (m.edges == 0) first = i;
      last = i;
      ++m.edges;
    }
  }
  if (m.edges > 1) m.period = double(last - first) / (m.edges - 1);
  for (size_t i = first; i < last; ++i) high += s[i] > 0;
  if (last > first) m.duty = double(high) / double(last - first);
  return m;
}

TEST(SquareWave, PeriodMatchesThePitch) {
  for (int rate : {44100, 48000}) {
    for (double hz : {20.0, 110.0, 440.0, 1000.0, 3520.0}) {
      SquareWave w(hz, rate, 1000);
      // Filled in uneven blocks: the phase must run on across them.
      std::vector<int16_t> s(size_t(rate) * 2);
      size_t done = 0, block = 1;
      while (done < s.size()) {
        const size_t n = std::min(block, s.size() - done);
        w.fill(s.data() + done, n);
        done += n;
        block = block * 3 + 7;
      }
      const Measured m = measure(s);
      ASSERT_GT(m.edges, 2) << hz;
      EXPECT_NEAR(m.period, rate / hz, rate / hz * 0.002) << hz << " Hz at " << rate;
      EXPECT_NEAR(m.duty, 0.5, 0.02) << hz;
      for (int16_t v : s) ASSERT_TRUE(v == 1000 || v == -1000);
    }
  }
}

TEST(SquareWave, NoToneBelowHearingOrAboveHalfTheRate) {
  for (double hz : {0.0, 1.0, 19.0, 24000.0, 30000.0}) {
    SquareWave w(hz, 48000, 1000);
    std::vector<int16_t> s(4800, 7);
    w.fill(s.data(), s.size());
    for (int16_t v : s) ASSERT_EQ(v, 0) << hz;
  }
}

TEST(Sound, TakesExactlyItsDurationOnTheVirtualClock) {
  auto* vc = dynamic_cast<VirtualClock*>(&clock());
  ASSERT_NE(vc, nullptr);
  for (auto [hz, dur] : {std::pair<uint16_t, uint16_t>{440, 120}, {0, 300}, {5, 7}, {1000, 0}}) {
    const uint64_t before = vc->elapsed_ms();
    const auto real0 = std::chrono::steady_clock::now();
    SOUND(hz, dur);
    EXPECT_EQ(vc->elapsed_ms() - before, dur) << hz;
    EXPECT_LT(std::chrono::steady_clock::now() - real0, std::chrono::milliseconds(100)) << hz;
  }
}

TEST(Sound, OnTheRealClockWaitsItsDurationWithOrWithoutADevice) {
  auto real = make_real_clock();
  for (auto [hz, dur] : {std::pair<unsigned, unsigned>{880, 80}, {0, 60}, {12, 60}}) {
    const auto t0 = std::chrono::steady_clock::now();
    play_tone(*real, hz, dur);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - t0);
    EXPECT_GE(took.count(), long(dur)) << hz;
    EXPECT_LT(took.count(), long(dur) + 3000) << hz;  // opening the device may take a moment
  }
}

}  // namespace
}  // namespace qora::platform
