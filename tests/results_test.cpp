#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/datafiles.h"
#include "app/geometry.h"
#include "app/globals.h"
#include "game/menu.h"
#include "graph/graph.h"
#include "screens/results.h"
#include "support/headless.h"
#include "support/test_support.h"
#include "support/timeline.h"
#include "tasks/scorefiles.h"

namespace qora {
namespace {

// A game rated 30: 30 hits, level 3, 10 s per shot, 9 s used.
PLAYREC rated30(const std::string& name) {
  PLAYREC r;
  r.NAME = name;
  r.SCORE = 30;
  r.HISCORE = 40;
  r.TIME = 10;
  r.LEVEL = 3;
  r.ALLTIME = 9;
  return r;
}

// The first and last rows holding a pixel of the colour in a box of the
// active page; {-1, -1} when none does.
std::pair<int, int> rows_of(uint32_t colour, int x0, int y0, int x1, int y1) {
  std::pair<int, int> r{-1, -1};
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (GETPIXEL(int16_t(x), int16_t(y)) == colour % 16) {
        if (r.first < 0) r.first = y;
        r.second = y;
        break;
      }
  return r;
}

class Results : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f : {"001", "002"})
      test::write_file(f, test::read_file(test::source_dir() / "data" / f));
    GETELEMENTS();
    GETMSG();
    test::use_headless(1024, 768);
    SOUNDOK = false;
    PLCH = 1;
    PLAYER = {};
    PLAYERRESULT = {};
    FIRST5 = {};
    open(1);
  }
  void TearDown() override {
    if (GRAPHENABLED()) DONEGRAPHWITHVARIBLES();
  }
  void open(uint32_t resolution) {
    if (GRAPHENABLED()) DONEGRAPHWITHVARIBLES();
    G_ISCREENRESOLUTION = resolution;
    ASSERT_TRUE(INITGRAPHWITHVARIBLES());
    SETACTIVEPAGE(0);
    SETVISUALPAGE(0);
    SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
  }
  test::TempDir dir;
};

TEST_F(Results, RatingWordsAndShares) {
  PLAYER[0].NAME = "\xC8\xF0\xE0";  // Ира
  const std::string name = PLAYER[0].NAME.str();
  struct Case {
    uint16_t score, shots;
    int known, unknown, elcount;
    int word;
    std::string known_share, coverage;
    bool well_covered;  // the second variant of lines 4 and 5
  } cases[] = {
      {9, 10, 9, 1, 105, 26, "90", "10", false},
      {4, 5, 4, 1, 105, 27, "80", "5", false},   // exactly 0.8
      {3, 5, 3, 2, 105, 28, "60", "5", false},   // exactly 0.6
      {2, 5, 2, 3, 105, 29, "40", "5", false},   // exactly 0.4
      {0, 0, 0, 0, 105, 29, "0", "0", false},    // no attempt at all
      {5, 6, 5, 1, 10, 26, "83", "60", true},    // coverage exactly 0.6
      {5, 6, 4, 1, 10, 26, "80", "50", false},
      {5, 6, 4, 1, 0, 26, "80", "0", false},     // an element table without elements
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.score << "/" << c.shots << " known " << c.known
                                    << " unknown " << c.unknown << " of " << c.elcount);
    PLAYER[0].SCORE = c.score;
    PLAYER[0].HISCORE = c.shots;
    PLAYERRESULT[0] = {};
    for (int e = 0; e < c.known; ++e) PLAYERRESULT[0].KNOWEL.include(e);
    for (int e = 0; e < c.unknown; ++e) PLAYERRESULT[0].UNKNOWEL.include(50 + e);
    ELCOUNT = c.elcount;
    const RESULTTEXT t = RESULTLINES(0);
    EXPECT_EQ(t.LINES[0], name + "! " + std::to_string(c.score) + msg(30) +
                              std::to_string(c.shots) + msg(31) + msg(c.word) + ",");
    EXPECT_EQ(t.LINES[1], msg(32));  // no time used: rating 0
    EXPECT_EQ(t.LINES[2], msg(36) + c.known_share + msg(37) + msg(38));
    if (c.well_covered) {
      EXPECT_EQ(t.LINES[3], name + msg(43) + c.coverage + msg(37) + msg(41));
      EXPECT_EQ(t.LINES[4], msg(44));
    } else {
      EXPECT_EQ(t.LINES[3], msg(39) + name + msg(40) + c.coverage + msg(37) + msg(41));
      EXPECT_EQ(t.LINES[4], msg(42));
    }
    OUTRESULT(0);  // draws without a fault whatever the counts
  }
}

TEST_F(Results, ThePlaceInTheTopFiveAndTheMarkedRows) {
  PLAYER[0] = rated30("\xC8\xF0\xE0");
  PLAYER[2] = rated30("05.12.2026 - \xC8\xF0\xE0");
  const std::string game = PLAYER[2].NAME.str();
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, uint16_t>> first5;
    int place;
    std::vector<int> marked;  // rows of the table in light red
  } cases[] = {
      {"not there", {{"x", 90}, {game, 29}, {"y", 20}}, 0, {}},
      {"second", {{"x", 90}, {game, 30}, {"y", 20}}, 2, {2}},
      {"twice: the lower place", {{"x", 90}, {game, 30}, {"y", 30}, {game, 30}}, 4, {2, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FIRST5 = {};
    for (size_t k = 0; k < c.first5.size(); ++k)
      FIRST5[k + 1] = FIRSTREC{c.first5[k].first, c.first5[k].second};
    const RESULTTEXT t = RESULTLINES(0);
    EXPECT_EQ(t.PLACE, c.place);
    if (c.place) {
      EXPECT_EQ(t.TOP[0], msg(52) + PLAYER[0].NAME.str() + msg(46) + msg(53));
      EXPECT_EQ(t.TOP[1], msg(46 + c.place) + msg(54));
    } else {
      EXPECT_EQ(t.TOP[0], msg(55) + PLAYER[0].NAME.str() + msg(46) + msg(56));
    }
    CLEARDEVICE();
    const int X = 20, Y = 60, X1 = 600, Y1 = 300, H = TEXTHEIGHT("\xD8");
    RECORDSTABL(X, Y, X1, Y1, false);
    std::vector<int> marked, drawn;
    for (int T = 1; T <= 5; ++T) {
      const int y = Y + 10 + (T - 1) * (H + 2);
      if (rows_of(LIGHTRED, X + 20, y, X1 - 20, y + H - 1).first >= 0) marked.push_back(T);
      if (rows_of(LIGHTGREEN, X + 20, y, X1 - 20, y + H).first >= 0 ||
          rows_of(LIGHTRED, X + 20, y, X1 - 20, y + H).first >= 0)
        drawn.push_back(T);
    }
    EXPECT_EQ(marked, c.marked);
    EXPECT_EQ(drawn.size(), c.first5.size());
  }
  // A game rated 0 is never placed, even beside a listed zero-rated entry.
  PLAYER[2].ALLTIME = 0;
  FIRST5 = {};
  FIRST5[1] = FIRSTREC{game, 0};
  EXPECT_EQ(RESULTLINES(0).PLACE, 0);
  PLCH = 2;
  EXPECT_EQ(RESULTLINES(0).TOP[0], msg(55) + msg(45) + msg(56));
}

TEST_F(Results, TheTopFiveLinesSitHalfALineLowerAbove640Pixels) {
  PLAYER[0] = rated30("\xC8\xF0\xE0");
  PLAYER[2] = rated30("05.12.2026 - \xC8\xF0\xE0");
  std::vector<int> offset, height;
  for (uint32_t resolution : {1u, 2u}) {
    open(resolution);
    FIRST5 = {};
    FIRST5[1] = FIRSTREC{PLAYER[2].NAME.str(), PERCENT(PLAYER[2])};
    OUTRESULT(0);
    const int X = G_PTSKYMAXPOINT.X + 10, Y = G_PTSKYMAXPOINT.Y + G_PTTIMEBARSIZE.Y + 10;
    const int X1 = X + G_PTFRONTWALLSIZE.X - 20, Y1 = Y + G_PTFRONTWALLSIZE.Y - 20;
    // The light red lines, below the five light cyan ones, inside the panel.
    const auto red = rows_of(LIGHTRED, X + 5, Y + 5, X1 - 5, Y1 - 5);
    const auto cyan = rows_of(LIGHTCYAN, X + 5, Y + 5, X1 - 5, Y1 - 5);
    ASSERT_GE(red.first, 0);
    EXPECT_GT(red.first, cyan.second);
    EXPECT_LT(red.second, Y1 - 4) << "the panel cuts the last line";
    offset.push_back(red.first - Y);
    height.push_back(TEXTHEIGHT("\xD8") - 2);
  }
  ASSERT_EQ(height[0], height[1]);  // the same font at both widths
  EXPECT_EQ(offset[1] - offset[0], RND(height[0] * 5.5) - RND(height[0] * 5.0));
}

TEST_F(Results, HallOfFameFromTheMenu) {
  // Three one-player games on disk, no two-player table.
  for (int k = 0; k < 3; ++k) {
    PLAYREC r = rated30("05.12.2026 - " + std::string(1, char('A' + k)));
    r.SCORE = uint16_t(20 + 5 * k);
    ASSERT_TRUE(scorefiles::append_score(r, ONEPLAYERFN));
  }
  PLAYER[2] = rated30("left over");
  open(3);
  test::Timeline::move(0, 0);
  test::Timeline tl;
  std::vector<int> tables;  // light green rows in the upper and the lower table
  uint32_t page = 0;
  tl.at(2000, [] { test::Timeline::special(80); test::Timeline::key(13); });
  tl.at(3500, [&] {
    page = GETVISUALPAGE();
    SETACTIVEPAGE(1);
    const int mid = G_RCSCREEN.BOTTOM / 2 + 40;
    const auto upper = rows_of(LIGHTGREEN, 100, 0, G_RCSCREEN.RIGHT - 100, mid);
    const auto lower = rows_of(LIGHTGREEN, 100, mid, G_RCSCREEN.RIGHT - 100, G_RCSCREEN.BOTTOM);
    tables = {upper.first >= 0, lower.first >= 0};
    EXPECT_EQ(rows_of(LIGHTRED, 100, G_RCFIRMLABEL.BOTTOM + 40, G_RCSCREEN.RIGHT - 100,
                      G_RCSCREEN.BOTTOM - 60).first, -1) << "a row marked as a game just played";
  });
  tl.at(3600, [] { test::Timeline::key(' '); });
  tl.at(5900, [&] { page = GETVISUALPAGE() == 3 ? 3 : page; });  // the menu is back
  tl.at(6000, [] { test::Timeline::key(27); });
  MAINMENU();
  EXPECT_EQ(page, 3u);
  EXPECT_EQ(tables, (std::vector<int>{1, 0}));
  EXPECT_EQ(CURFN, "2players.qora");
  EXPECT_TRUE(PLAYER[2].NAME.empty());
}

}  // namespace
}  // namespace qora
