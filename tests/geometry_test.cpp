// The screen geometry and fonts of every screen option.
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "app/geometry.h"
#include "app/globals.h"
#include "graph/graph.h"
#include "support/headless.h"

namespace qora {
namespace {

auto layout() {
  return std::tuple(G_RCSCREEN, G_RCMISHEN, G_PTTIMEBARSIZE, G_PTWALLSIZE, G_PTFLOORSIZE, G_PTSKYMINPOINT,
                    G_PTSKYMAXPOINT, G_PTFRONTWALLSIZE, G_PTFRONTWALLLEFTPOINT, G_PTAUTHORCHARSIZE,
                    G_PTCONTROLCHARSIZE, G_PTMAINTITLECHARSIZE, G_PTDESCRIPTIONCHARSIZE, G_IFONTAUTHORSIZE,
                    G_IFONTCONTROLSIZE);
}

// Options 1 to 4 on a screen of 1280 x 1024, twice round: the second round
// gives every value of the first again.
TEST(Geometry, EveryOptionHasItsSizesAndASecondRoundRepeatsThem) {
  test::use_headless(1280, 1024);
  // {screen, author font size and height, control font size and height}; heights are full cells.
  const std::tuple<TRECT, int, int, int, int> fonts[] = {
      {{0, 0, 639, 409}, 3, 24, 2, 16}, {{0, 0, 799, 499}, 4, 32, 2, 16},
      {{0, 0, 1023, 667}, 5, 40, 3, 24}, {{0, 0, 1279, 923}, 5, 40, 3, 24}};  // the whole screen
  // {target, time bar, front wall} of the two smaller options.
  const std::tuple<TRECT, TPOINT, TPOINT> gallery[] = {{{0, 0, 79, 129}, {0, 20}, {479, 143}},
                                                       {{0, 0, 99, 157}, {0, 25}, {599, 175}}};
  std::array<decltype(layout()), 5> first{};
  for (int round = 0; round < 2; ++round)
    for (uint32_t opt = 1; opt <= 4; ++opt) {
      G_ISCREENRESOLUTION = opt;
      ASSERT_TRUE(INITGRAPHWITHVARIBLES());
      EXPECT_EQ(std::tuple(G_RCSCREEN, int(G_IFONTAUTHORSIZE), G_PTAUTHORCHARSIZE.Y, int(G_IFONTCONTROLSIZE),
                           G_PTCONTROLCHARSIZE.Y), fonts[opt - 1]) << opt;
      if (opt <= 2) {
        EXPECT_EQ(std::tuple(G_RCMISHEN, G_PTTIMEBARSIZE, G_PTFRONTWALLSIZE), gallery[opt - 1]) << opt;
      }
      // After start-up page 3 is active and page 0 shown.
      EXPECT_EQ(std::pair(GETACTIVEPAGE(), GETVISUALPAGE()), std::pair(uint16_t(3), uint16_t(0))) << opt;
      if (round == 0) first[opt] = layout();
      EXPECT_EQ(layout(), first[opt]) << opt;
      DONEGRAPHWITHVARIBLES();
    }
}

}  // namespace
}  // namespace qora
