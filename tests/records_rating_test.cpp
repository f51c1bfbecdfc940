// The rating of a score-table entry, the settings cycle and the format helpers.
#include <gtest/gtest.h>

#include <memory>

#include "app/globals.h"
#include "app/settings.h"
#include "app/types.h"
#include "platform/clock.h"
#include "toolkit/format.h"

namespace qora {
namespace {

PLAYREC rec(uint16_t score, uint16_t level, uint16_t hiscore, uint16_t time, uint16_t alltime) {
  PLAYREC r;
  r.SCORE = score;
  r.LEVEL = level;
  r.HISCORE = hiscore;
  r.TIME = time;
  r.ALLTIME = alltime;
  return r;
}

TEST(Percent, WorkedExamples) {
  // round(10 * 5 * ((20 / 300) / 100)) = round(0.033) = 0
  EXPECT_EQ(PERCENT(rec(10, 2, 5, 60, 100)), 0);
  // 30 * 30 * 3 / (10 * 9) = 30, whatever the number of attempts
  for (uint16_t h : {1, 7, 30, 65535}) EXPECT_EQ(PERCENT(rec(30, 3, h, 10, 9)), 30) << h;
  // 8 * 8 * 26 / (10 * 50) = 3.328
  EXPECT_EQ(PERCENT(rec(8, 26, 10, 10, 50)), 3);
  // 10 * 10 * 105 / (5 * 12) = 175
  EXPECT_EQ(PERCENT(rec(10, 105, 10, 5, 12)), 175);
}

TEST(Percent, ZeroAttemptsTimeOrUsedTimeGiveZero) {
  EXPECT_EQ(PERCENT(rec(5, 26, 0, 10, 30)), 0);
  EXPECT_EQ(PERCENT(rec(5, 26, 10, 0, 30)), 0);
  EXPECT_EQ(PERCENT(rec(5, 26, 10, 10, 0)), 0);
  EXPECT_EQ(PERCENT(PLAYREC{}), 0);
}

TEST(Percent, HalvesRoundToTheEvenNeighbour) {
  EXPECT_EQ(PERCENT(rec(1, 5, 1, 2, 1)), 2);  // 2.5
  EXPECT_EQ(PERCENT(rec(1, 7, 1, 2, 1)), 4);  // 3.5
  EXPECT_EQ(PERCENT(rec(3, 1, 3, 2, 1)), 4);  // 4.5
}

TEST(Percent, RatingBeyondSixteenBitsStaysAtTheTop) {
  // 300 * 300 * 105 / (5 * 1) = 1 890 000: held at 65535, not wrapped.
  EXPECT_EQ(PERCENT(rec(300, 105, 300, 5, 1)), 65535);
  EXPECT_EQ(PERCENT(rec(65535, 65535, 1, 1, 1)), 65535);
  // 256 * 256 / 1 = 65536 is just past the top.
  EXPECT_EQ(PERCENT(rec(256, 1, 256, 1, 1)), 65535);
  EXPECT_EQ(PERCENT(rec(255, 1, 255, 1, 1)), 65025);
}

TEST(Settings, ResolutionAndSoundCycles) {
  G_ISCREENRESOLUTION = 4;
  std::vector<uint32_t> seen;
  for (int i = 0; i < 4; ++i) {
    TAppSettings s;
    s.SETSCREENRESOLUTIONNEXTOPTION();
    seen.push_back(s.GETSCREENRESOLUTION());
  }
  EXPECT_EQ(seen, (std::vector<uint32_t>{1, 2, 3, 4}));
  for (uint32_t stray : {0u, 5u, 77u, 0xFFFFFFFFu}) {
    G_ISCREENRESOLUTION = stray;
    TAppSettings().SETSCREENRESOLUTIONNEXTOPTION();
    EXPECT_EQ(G_ISCREENRESOLUTION, 1u) << stray;
  }
  SOUNDOK = false;
  TAppSettings s;
  s.SETSOUNDEFFECTSNEXTOPTION();
  EXPECT_TRUE(s.GETSOUNDEFFECTS());
  s.SETSOUNDEFFECTSNEXTOPTION();
  EXPECT_FALSE(SOUNDOK);
  // Loading keeps what is set: nothing is stored between runs.
  G_ISCREENRESOLUTION = 3;
  SOUNDOK = true;
  s.LOADSETTINGS();
  EXPECT_EQ(G_ISCREENRESOLUTION, 3u);
  EXPECT_TRUE(SOUNDOK);
}

TEST(Format, NumbersDatesAndSetSizes) {
  EXPECT_EQ(TOSTR(0), "0");
  EXPECT_EQ(TOSTR(7), "7");
  EXPECT_EQ(TOSTR(100), "100");
  EXPECT_EQ(TOSTR(65535), "65535");

  // The tests' clock starts on 5 December 2026.
  EXPECT_EQ(GETSRGDATE(), "05.12.2026");
  platform::set_clock(std::make_unique<platform::VirtualClock>(1803902400));  // 1 March 2027, noon
  EXPECT_EQ(GETSRGDATE(), "01.03.2027");
  platform::set_clock(std::make_unique<platform::VirtualClock>(1797940800));  // 22 December 2026
  EXPECT_EQ(GETSRGDATE(), "22.12.2026");
  platform::set_clock(std::make_unique<platform::VirtualClock>());

  ELSET s;
  EXPECT_EQ(SETCOUNT(s), 0);
  s.include(1);
  s.include(2);
  s.include(104);
  EXPECT_EQ(SETCOUNT(s), 3);
  for (int e = 0; e < 256; ++e) s.include(e);
  EXPECT_EQ(SETCOUNT(s), 0);  // 256 does not fit in 8 bits
  s.exclude(0);
  EXPECT_EQ(SETCOUNT(s), 255);
}

}  // namespace
}  // namespace qora
