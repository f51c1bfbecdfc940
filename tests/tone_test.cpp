// The square-wave generator behind SOUND and SOUND's waiting.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "graph/graph.h"
#include "platform/clock.h"
#include "platform/tone.h"
#include "support/test_support.h"

namespace qora::platform {
namespace {

using namespace std::chrono;

TEST(SquareWave, PeriodAndDutyMatchThePitchAcrossUnevenBlocks) {
  for (double hz : {20.0, 110.0, 440.0, 3520.0}) {
    SquareWave w(hz, 44100, 1000);
    std::vector<int16_t> s(88200);  // two seconds
    for (size_t done = 0, block = 1; done < s.size(); done += block, block = block * 3 + 7)
      w.fill(s.data() + done, std::min(block, s.size() - done));  // the phase runs on
    std::vector<size_t> up;  // rising edges
    for (size_t i = 1; i < s.size(); ++i) if (s[i - 1] == -1000 && s[i] == 1000) up.push_back(i);
    ASSERT_GT(up.size(), 2u) << hz;
    const double span = double(up.back() - up.front()), period = 44100 / hz;
    EXPECT_NEAR(span / double(up.size() - 1), period, period * 0.002) << hz;
    EXPECT_NEAR(std::count(s.begin() + long(up.front()), s.begin() + long(up.back()), 1000) / span,
                0.5, 0.02) << hz;  // high half the time, low (-1000) the rest
  }
  for (double hz : {0.0, 19.0, 24000.0, 30000.0}) {  // below hearing or at half the rate: silence
    std::vector<int16_t> s(4800, 7);
    SquareWave(hz, 48000, 1000).fill(s.data(), s.size());
    EXPECT_EQ(s, std::vector<int16_t>(4800, 0)) << hz;
  }
}

TEST(Sound, WaitsExactlyItsDurationOnEitherClock) {
  auto& vc = dynamic_cast<VirtualClock&>(clock());
  for (auto [hz, dur] : {std::pair<uint16_t, uint16_t>{440, 120}, {0, 300}, {5, 7}, {1000, 0}}) {
    const uint64_t before = vc.elapsed_ms();
    const auto real0 = steady_clock::now();
    SOUND(hz, dur);
    EXPECT_EQ(vc.elapsed_ms() - before, dur) << hz;
    EXPECT_LT(steady_clock::now() - real0, milliseconds(100)) << hz;
  }
  // On the real clock the tone goes to the sound card: here SDL's disk
  // driver, whose file must receive the square wave while the call waits.
  test::TempDir dir;
  const auto file = dir.path() / "audio.raw";
  test::EnvVar driver("SDL_AUDIODRIVER", "disk"), out("SDL_DISKAUDIOFILE", file.c_str());
  auto real = make_real_clock();
  for (auto [hz, dur] : {std::pair<unsigned, unsigned>{880, 200}, {0, 60}, {12, 60}}) {
    const auto t0 = steady_clock::now();
    play_tone(*real, hz, dur);
    const auto took = steady_clock::now() - t0;  // opening the device may take a moment
    EXPECT_TRUE(took >= milliseconds(dur) && took < milliseconds(dur + 3000)) << hz;
  }
  std::vector<int16_t> samples;
  ASSERT_TRUE(test::eventually([&] {
    const std::string raw = test::read_file(file);
    samples.assign(raw.size() / 2, 0);
    std::memcpy(samples.data(), raw.data(), samples.size() * 2);
    return std::count(samples.begin(), samples.end(), int16_t(-6000)) > 1000;
  }));
  // Only the two levels of the wave and the silence around it.
  EXPECT_TRUE(std::all_of(samples.begin(), samples.end(),
                          [](int16_t v) { return v == 0 || v == 6000 || v == -6000; }));
}

}  // namespace
}  // namespace qora::platform
