// The game in a fresh working folder for a test: the shipped element and
// message tables copied in and loaded, sound off, the headless surface opened
// in one of the game's screen options (1: 640 x 480, 2: 800 x 600,
// 3: 1024 x 768, 4: the whole screen) on a screen of 1024 x 768, and a
// timeline for scripted input.
#pragma once

#include <gtest/gtest.h>

#include "app/datafiles.h"
#include "app/geometry.h"
#include "app/globals.h"
#include "support/headless.h"
#include "support/test_support.h"
#include "support/timeline.h"

namespace qora::test {

inline void copy_game_data() {
  for (const char* f : {"001", "002"}) write_file(f, read_file(source_dir() / "data" / f));
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
