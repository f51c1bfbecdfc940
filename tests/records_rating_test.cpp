// The rating of a score-table entry and the size of an element set.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/types.h"
#include "toolkit/format.h"

namespace qora {
namespace {

TEST(Percent, RoundsHalvesToEvenAndStaysWithinSixteenBits) {
  // SCORE, HISCORE, TIME, LEVEL, ALLTIME and the rating SCORE^2 * LEVEL / (TIME * ALLTIME).
  const uint16_t cases[][6] = {
      {10, 5, 60, 2, 100, 0}, {8, 10, 10, 26, 50, 3}, {10, 10, 5, 105, 12, 175},  // 0.03, 3.3
      {30, 65535, 10, 3, 9, 30},  // the attempts cancel out
      {5, 0, 10, 26, 30, 0}, {5, 10, 0, 26, 30, 0}, {5, 10, 10, 26, 0, 0},  // nothing to divide by
      {1, 1, 2, 5, 1, 2}, {1, 1, 2, 7, 1, 4}, {3, 3, 2, 1, 1, 4},           // 2.5, 3.5, 4.5
      {65535, 1, 1, 65535, 1, 65535}, {256, 256, 1, 1, 1, 65535}, {255, 255, 1, 1, 1, 65025},  // held, not wrapped
  };
  for (const auto& c : cases) EXPECT_EQ(PERCENT(PLAYREC{0, {}, c[0], c[1], c[2], c[3], c[4]}), c[5]) << &c - cases;
}

TEST(Format, SetSizesCountInEightBits) {
  ELSET s;
  for (int e : {1, 2, 104}) s.include(e);
  EXPECT_EQ(SETCOUNT(s), 3);
  for (int e = 0; e < 256; ++e) s.include(e);
  EXPECT_EQ(SETCOUNT(s), 0);  // 256 does not fit in 8 bits
  s.exclude(0);
  EXPECT_EQ(SETCOUNT(s), 255);
}

}  // namespace
}  // namespace qora
