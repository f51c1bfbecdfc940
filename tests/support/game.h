// The game in a fresh working folder for a test: the shipped element and
// message tables copied in and loaded, sound off, the headless surface opened
// in one of the game's screen options (1: 640 x 480, 2: 800 x 600,
// 3: 1024 x 768, 4: the whole screen) on a screen of 1024 x 768, and a
// timeline for scripted input.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "app/datafiles.h"
#include "app/geometry.h"
#include "app/globals.h"
#include "graph/graph.h"
#include "support/headless.h"
#include "support/test_support.h"
#include "support/timeline.h"

namespace qora::test {

inline void copy_game_data() {
  for (const char* f : {"001", "002"}) write_file(f, read_file(source_dir() / "data" / f));
}

// {x0, y0, x1, y1} of the pixels of one colour in a rectangle of the active
// page; x1 is -1 when there are none.
using Box = std::array<int, 4>;
inline Box box_of(uint32_t colour, int x0, int y0, int x1, int y1) {
  Box b{1 << 20, 1 << 20, -1, -1};
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (GETPIXEL(int16_t(x), int16_t(y)) == colour % 16)
        b = Box{std::min(b[0], x), std::min(b[1], y), std::max(b[2], x), std::max(b[3], y)};
  return b;
}

class Game : public ::testing::Test {
 protected:
  void SetUp() override { start(1); }
  void TearDown() override {
    if (GRAPHENABLED()) DONEGRAPHWITHVARIBLES();
  }
  void start(uint32_t option, int w = 1024, int h = 768) {
    copy_game_data();
    GETELEMENTS();
    GETMSG();
    SOUNDOK = false;
    use_headless(w, h);
    open(option);
  }
  // Opens the surface again in another option.
  static void open(uint32_t option) {
    if (GRAPHENABLED()) DONEGRAPHWITHVARIBLES();
    G_ISCREENRESOLUTION = option;
    ASSERT_TRUE(INITGRAPHWITHVARIBLES());
  }
  // The targets spaced as a game spaces them.
  static void space_targets() {
    G_PTMISHENDISTANCE = TPOINT{(G_PTFRONTWALLSIZE.X - 5 * G_RCMISHEN.RIGHT) / 6,
                                ((G_PTFRONTWALLSIZE.Y - G_RCMISHEN.BOTTOM) / 3) * 2};
  }
  TempDir dir;
  Timeline tl;
};

}  // namespace qora::test
