// The game in a fresh working folder for a test: the shipped element and
// message tables copied in and loaded, sound off, the headless surface opened
// in one of the game's screen options (1: 640 x 480, 2: 800 x 600,
// 3: 1024 x 768, 4: the whole screen) on a screen of 1024 x 768, and a
// timeline for scripted input.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "screens/gallery.h"
#include "screens/window.h"
#include "state/datafiles.h"
#include "state/geometry.h"
#include "state/globals.h"
#include "support/headless.h"
#include "support/test_support.h"
#include "support/timeline.h"

namespace qora::test {

// The groups file: groups 1 to 4, 32 bytes each, from inclusive ranges; the
// default groups, elements 0..25, 26..74, 75..104 and none.
inline std::string groups_file(const std::vector<std::vector<std::pair<int, int>>>& groups) {
  std::string b(128, '\0');
  for (size_t g = 0; g < groups.size(); ++g)
    for (const auto& [first, last] : groups[g])
      for (int e = first; e <= last; ++e) b[32 * g + size_t(e / 8)] |= char(1 << e % 8);
  return b;
}
inline const std::string kDefaultGroups = groups_file({{{0, 25}}, {{26, 74}}, {{75, 104}}, {}});

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
    SETMISHENDISTANCE();
  }
  TempDir dir;
  Timeline tl;
};

}  // namespace qora::test
