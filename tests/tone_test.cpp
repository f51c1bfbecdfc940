// The square-wave generator behind SOUND and SOUND's waiting.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "graph/graph.h"
#include "platform/clock.h"
#include "platform/tone.h"

namespace qora::platform {
namespace {

using Steady = std::chrono::steady_clock;

TEST(SquareWave, PeriodAndDutyMatchThePitchAcrossUnevenBlocks) {
  for (int rate : {44100, 48000}) {
    for (double hz : {20.0, 110.0, 440.0, 3520.0}) {
      SquareWave w(hz, rate, 1000);
      std::vector<int16_t> s(size_t(rate) * 2);
      for (size_t done = 0, block = 1; done < s.size(); block = block * 3 + 7) {
        const size_t n = std::min(block, s.size() - done);  // the phase runs on across blocks
        w.fill(s.data() + done, n);
        done += n;
      }
      size_t first = 0, last = 0, edges = 0, high = 0;
      for (size_t i = 1; i < s.size(); ++i) {
        ASSERT_TRUE(s[i] == 1000 || s[i] == -1000) << hz;
        if (s[i - 1] < 0 && s[i] > 0 && edges++ == 0) first = i;
        if (s[i - 1] < 0 && s[i] > 0) last = i;
      }
      for (size_t i = first; i < last; ++i) high += s[i] > 0;
      ASSERT_GT(edges, 2u) << hz;
      EXPECT_NEAR(double(last - first) / double(edges - 1), rate / hz, rate / hz * 0.002) << hz;
      EXPECT_NEAR(double(high) / double(last - first), 0.5, 0.02) << hz;
    }
  }
  for (double hz : {0.0, 19.0, 24000.0, 30000.0}) {  // below hearing or at half the rate: silence
    SquareWave w(hz, 48000, 1000);
    std::vector<int16_t> s(4800, 7);
    w.fill(s.data(), s.size());
    EXPECT_EQ(s, std::vector<int16_t>(4800, 0)) << hz;
  }
}

TEST(Sound, WaitsExactlyItsDurationOnEitherClock) {
  auto* vc = dynamic_cast<VirtualClock*>(&clock());
  ASSERT_NE(vc, nullptr);
  for (auto [hz, dur] : {std::pair<uint16_t, uint16_t>{440, 120}, {0, 300}, {5, 7}, {1000, 0}}) {
    const uint64_t before = vc->elapsed_ms();
    const auto real0 = Steady::now();
    SOUND(hz, dur);
    EXPECT_EQ(vc->elapsed_ms() - before, dur) << hz;
    EXPECT_LT(Steady::now() - real0, std::chrono::milliseconds(100)) << hz;
  }
  // On the real clock, with or without a sound device.
  auto real = make_real_clock();
  for (auto [hz, dur] : {std::pair<unsigned, unsigned>{880, 80}, {0, 60}, {12, 60}}) {
    const auto t0 = Steady::now();
    play_tone(*real, hz, dur);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - t0);
    EXPECT_GE(took.count(), long(dur)) << hz;
    EXPECT_LT(took.count(), long(dur) + 3000) << hz;  // opening the device may take a moment
  }
}

}  // namespace
}  // namespace qora::platform
