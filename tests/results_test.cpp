// The rating of a score-table entry, the size of an element set; the results
// panel, the top five and the hall of fame at 640 x 480.
#include <string>
#include <vector>

#include "game/menu.h"
#include "screens/results.h"
#include "support/game.h"
#include "tasks/scorefiles.h"
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

// A game rated 30: 30 hits, level 3, 10 s per shot, 9 s used.
PLAYREC rated30(const std::string& name) {
  PLAYREC r{0, {}, 30, 40, 10, 3, 9};
  r.NAME = name;
  return r;
}

// The first row holding the colour in a box of the active page, -1 for none.
int first_row(uint32_t colour, int x0, int y0, int x1, int y1) {
  const test::Box b = test::box_of(colour, x0, y0, x1, y1);
  return b[2] < 0 ? -1 : b[1];
}

// One player, Ира.
class Results : public test::Game {
 protected:
  void SetUp() override {
    Game::SetUp();
    PLCH = 1;
    PLAYER = {};
    PLAYER[0].NAME = "\xC8\xF0\xE0";
    SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
  }
};

TEST_F(Results, RatingWordsAndShares) {
  const std::string name = PLAYER[0].NAME.str();
  struct Case {
    uint16_t score, shots;
    int known, unknown, elcount, word;
    std::string line3, line4;
  } cases[] = {
      {9, 10, 9, 1, 105, 26, "90", msg(39) + name + msg(40) + "10"},
      {4, 5, 4, 1, 105, 27, "80", msg(39) + name + msg(40) + "5"},  // exactly 0.8
      {3, 5, 3, 2, 105, 28, "60", msg(39) + name + msg(40) + "5"},  // exactly 0.6
      {2, 5, 2, 3, 105, 29, "40", msg(39) + name + msg(40) + "5"},  // exactly 0.4
      {0, 0, 0, 0, 105, 29, "0", msg(39) + name + msg(40) + "0"},   // no attempt at all
      {5, 6, 5, 1, 10, 26, "83", name + msg(43) + "60"},            // coverage exactly 0.6
      {5, 6, 4, 1, 0, 26, "80", msg(39) + name + msg(40) + "0"},    // no elements in the table
  };
  for (const Case& c : cases) {
    PLAYER[0].SCORE = c.score;
    PLAYER[0].HISCORE = c.shots;
    PLAYERRESULT[0] = {};
    for (int e = 0; e < c.known + c.unknown; ++e)
      (e < c.known ? PLAYERRESULT[0].KNOWEL : PLAYERRESULT[0].UNKNOWEL).include(e);
    ELCOUNT = c.elcount;
    const RESULTTEXT t = RESULTLINES(0);
    EXPECT_EQ(t.LINES[0], name + "! " + std::to_string(c.score) + msg(30) +
                              std::to_string(c.shots) + msg(31) + msg(c.word) + ",");
    EXPECT_EQ(t.LINES[2], msg(36) + c.line3 + msg(37) + msg(38));
    EXPECT_EQ(t.LINES[3], c.line4 + msg(37) + msg(41));
    OUTRESULT(0);
  }
}

TEST_F(Results, ThePlaceInTheTopFiveAndTheMarkedRows) {
  PLAYER[0] = rated30(PLAYER[0].NAME.str());
  PLAYER[2] = rated30("05.12.2026 - game");
  const std::string game = PLAYER[2].NAME.str();
  const std::vector<std::pair<std::string, uint16_t>> places = {{"x", 90}, {game, 30}, {"y", 30}, {game, 30}};
  const int X = 20, Y = 60, X1 = 600, H = TEXTHEIGHT("\xD8");
  for (size_t n : {2, 3, 4}) {  // the game second, then at places 2 and 4
    FIRST5 = {};
    for (size_t k = 0; k < n; ++k) FIRST5[k + 1] = FIRSTREC{places[k].first, places[k].second};
    EXPECT_EQ(RESULTLINES(0).PLACE, n == 4 ? 4 : 2);
    EXPECT_EQ(RESULTLINES(0).TOP[1], msg(n == 4 ? 50 : 48) + msg(54));
    CLEARDEVICE();
    RECORDSTABL(X, Y, X1, 300, false);
    std::vector<int> marked;
    for (int T = 1; T <= 5; ++T)
      if (first_row(LIGHTRED, X + 20, Y + 10 + (T - 1) * (H + 2), X1 - 20, Y + 9 + T * (H + 2)) >= 0)
        marked.push_back(T);
    EXPECT_EQ(marked, n == 4 ? std::vector<int>({2, 4}) : std::vector<int>({2}));
  }
  FIRST5[2].BAKS = 29;
  FIRST5[4].BAKS = 31;
  EXPECT_EQ(RESULTLINES(0).PLACE, 0);
  EXPECT_EQ(RESULTLINES(0).TOP[0], msg(55) + PLAYER[0].NAME.str() + msg(46) + msg(56));
  PLAYER[2].ALLTIME = 0;  // rated 0: never placed, even beside a zero-rated entry
  FIRST5[1] = FIRSTREC{game, 0};
  EXPECT_EQ(RESULTLINES(0).PLACE, 0);
}

TEST_F(Results, TheTopFiveLinesSitHalfALineLowerAbove640Pixels) {
  PLAYER[2] = rated30("game");
  std::vector<int> offset;
  for (uint32_t resolution : {1u, 2u}) {
    open(resolution);
    SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
    FIRST5[1] = FIRSTREC{"game", 30};
    OUTRESULT(0);
    const int X = G_PTSKYMAXPOINT.X + 10, Y = G_PTSKYMAXPOINT.Y + G_PTTIMEBARSIZE.Y + 10;
    offset.push_back(first_row(LIGHTRED, X + 5, Y + 5, X + G_PTFRONTWALLSIZE.X - 25, Y + G_PTFRONTWALLSIZE.Y - 25) - Y);
  }
  const int h = TEXTHEIGHT("\xD8") - 2;  // the same font at both widths
  EXPECT_EQ(offset[1] - offset[0], RND(h * 5.5) - RND(h * 5.0));
}

TEST_F(Results, HallOfFameFromTheMenu) {
  ASSERT_TRUE(scorefiles::append_score(rated30("05.12.2026 - A"), ONEPLAYERFN));
  PLAYER[2] = rated30("05.12.2026 - A");
  open(3);
  test::Timeline::move(0, 0);
  std::vector<int> seen;  // the page shown, and rows in the upper and the lower table
  tl.at(2000, [] { test::Timeline::special(80); test::Timeline::key(13); });
  tl.at(3500, [&] {
    SETACTIVEPAGE(1);
    const int mid = G_RCSCREEN.BOTTOM / 2 + 40, R = G_RCSCREEN.RIGHT - 100;
    seen = {GETVISUALPAGE(), first_row(LIGHTGREEN, 100, 0, R, mid) >= 0,
            first_row(LIGHTGREEN, 100, mid, R, G_RCSCREEN.BOTTOM) >= 0,
            first_row(LIGHTRED, 100, G_RCFIRMLABEL.BOTTOM + 40, R, G_RCSCREEN.BOTTOM - 60)};
    test::Timeline::key(' ');
  });
  tl.at(5900, [&] { seen.push_back(GETVISUALPAGE()); });  // the menu is back
  tl.at(6000, [] { test::Timeline::key(27); });
  MAINMENU();
  EXPECT_EQ(seen, (std::vector<int>{1, 1, 0, -1, 3}));
  EXPECT_EQ(CURFN, "2players.qora");
  EXPECT_TRUE(PLAYER[2].NAME.empty());
}

}  // namespace
}  // namespace qora
