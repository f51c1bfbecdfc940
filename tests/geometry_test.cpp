#include <gtest/gtest.h>

#include "app/geometry.h"
#include "app/globals.h"
#include "graph/graph.h"
#include "support/headless.h"

namespace qora {
namespace {

struct Snapshot {
  TRECT screen, mishen;
  TPOINT timebar, wall, floor, skymin, skymax, frontwall, frontleft;
  TPOINT author, control, title, description;
  uint16_t authorsize, controlsize;
  bool operator==(const Snapshot&) const = default;
};

Snapshot take() {
  return Snapshot{G_RCSCREEN,         G_RCMISHEN,          G_PTTIMEBARSIZE,    G_PTWALLSIZE,
                  G_PTFLOORSIZE,      G_PTSKYMINPOINT,     G_PTSKYMAXPOINT,    G_PTFRONTWALLSIZE,
                  G_PTFRONTWALLLEFTPOINT, G_PTAUTHORCHARSIZE, G_PTCONTROLCHARSIZE,
                  G_PTMAINTITLECHARSIZE, G_PTDESCRIPTIONCHARSIZE, G_IFONTAUTHORSIZE,
                  G_IFONTCONTROLSIZE};
}

class Geometry : public ::testing::Test {
 protected:
  void SetUp() override { test::use_headless(1280, 1024); }
  void TearDown() override {
    if (GRAPHENABLED()) DONEGRAPHWITHVARIBLES();
  }
  void open(uint32_t option) {
    G_ISCREENRESOLUTION = option;
    ASSERT_TRUE(INITGRAPHWITHVARIBLES());
  }
};

TEST_F(Geometry, At640x480TheGalleryHasItsStatedSize) {
  open(1);
  EXPECT_EQ(G_RCSCREEN, (TRECT{0, 0, 639, 409}));
  EXPECT_EQ(G_RCMISHEN, (TRECT{0, 0, 79, 129}));
  EXPECT_EQ(G_PTTIMEBARSIZE, (TPOINT{0, 20}));
  EXPECT_EQ(G_PTSKYMAXPOINT, (TPOINT{80, 82}));
  EXPECT_EQ(G_PTFRONTWALLSIZE, (TPOINT{479, 143}));
  // The target spacing a game derives from these.
  EXPECT_EQ((G_PTFRONTWALLSIZE.X - 5 * G_RCMISHEN.RIGHT) / 6, 14);
  EXPECT_EQ(((G_PTFRONTWALLSIZE.Y - G_RCMISHEN.BOTTOM) / 3) * 2, 8);
  // Fonts: Times size 3 and Courier size 2; heights are full cells.
  EXPECT_EQ(G_IFONTAUTHORSIZE, 3);
  EXPECT_EQ(G_IFONTCONTROLSIZE, 2);
  EXPECT_EQ(G_PTAUTHORCHARSIZE.Y, 24);
  EXPECT_EQ(G_PTCONTROLCHARSIZE.Y, 16);
  // After start-up page 3 is active and page 0 shown.
  EXPECT_EQ(GETACTIVEPAGE(), 3);
  EXPECT_EQ(GETVISUALPAGE(), 0);
}

TEST_F(Geometry, At800x600At1024x768AndFullScreen) {
  open(2);
  EXPECT_EQ(G_RCSCREEN, (TRECT{0, 0, 799, 499}));
  EXPECT_EQ(G_RCMISHEN, (TRECT{0, 0, 99, 157}));
  EXPECT_EQ(G_PTTIMEBARSIZE, (TPOINT{0, 25}));
  EXPECT_EQ(G_PTFRONTWALLSIZE, (TPOINT{599, 175}));
  EXPECT_EQ(G_IFONTAUTHORSIZE, 4);
  EXPECT_EQ(G_PTAUTHORCHARSIZE.Y, 32);
  DONEGRAPHWITHVARIBLES();
  open(3);
  EXPECT_EQ(G_RCSCREEN, (TRECT{0, 0, 1023, 667}));
  EXPECT_EQ(G_IFONTAUTHORSIZE, 5);
  EXPECT_EQ(G_IFONTCONTROLSIZE, 3);
  EXPECT_EQ(G_PTAUTHORCHARSIZE.Y, 40);
  EXPECT_EQ(G_PTCONTROLCHARSIZE.Y, 24);
  DONEGRAPHWITHVARIBLES();
  open(4);  // full screen takes the screen's size
  EXPECT_EQ(GETMAXX(), 1279);
  EXPECT_EQ(GETMAXY(), 1023);
  EXPECT_EQ(G_RCSCREEN, (TRECT{0, 0, 1279, 923}));
}

TEST_F(Geometry, TwoFullResolutionCyclesGiveIdenticalValues) {
  std::array<Snapshot, 5> first{};
  for (int cycle = 0; cycle < 2; ++cycle) {
    for (uint32_t opt = 1; opt <= 4; ++opt) {
      open(opt);
      if (cycle == 0)
        first[opt] = take();
      else
        EXPECT_EQ(take(), first[opt]) << "option " << opt;
      DONEGRAPHWITHVARIBLES();
    }
  }
}

}  // namespace
}  // namespace qora
