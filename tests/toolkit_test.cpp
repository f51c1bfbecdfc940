#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/geometry.h"
#include "app/globals.h"
#include "graph/graph.h"
#include "graph/input_internal.h"
#include "support/fake_desktop.h"
#include "support/headless.h"
#include "support/test_support.h"
#include "support/timeline.h"
#include "game/title.h"
#include "toolkit/text.h"
#include "toolkit/widgets.h"

namespace qora {
namespace {

// Graphics at 640 x 480 with the game's colours and layout.
class Toolkit : public ::testing::Test {
 protected:
  void SetUp() override {
    test::use_headless(1024, 768);
    MSG.assign(130, "");
    MSG[78] = "Top";
    MSG[79] = "Bottom";
    G_ISCREENRESOLUTION = 1;
    ASSERT_TRUE(INITGRAPHWITHVARIBLES());
    SETACTIVEPAGE(0);
    SETVISUALPAGE(0);
    CLEARDEVICE();
    INITKEYBUF();
    INITMOUSEBUF();
    test::Timeline::move(0, 0);
  }
  void TearDown() override {
    if (GRAPHENABLED()) DONEGRAPHWITHVARIBLES();
  }
};

struct Box {
  int x0 = 1 << 20, y0 = 1 << 20, x1 = -1, y1 = -1;
  bool empty() const { return x1 < 0; }
};

// The box of the pixels of one colour on the active page (or in a part of it).
Box box_of(uint32_t colour, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) {
  if (x1 < 0) x1 = GETMAXX();
  if (y1 < 0) y1 = GETMAXY();
  Box b;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (GETPIXEL(int16_t(x), int16_t(y)) == colour % 16) {
        b.x0 = std::min(b.x0, x);
        b.y0 = std::min(b.y0, y);
        b.x1 = std::max(b.x1, x);
        b.y1 = std::max(b.y1, y);
      }
  return b;
}

TEST_F(Toolkit, CentringTruncatesTowardZero) {
  SETTEXTSTYLE(TIMESNEWROMANFONT, HORIZDIR, 3);
  const std::string s = "Centre";
  const int32_t w = TEXTWIDTH(s);
  EXPECT_EQ(CORECTX(100, 100 + w + 50, s), 125);
  // A span 51 pixels too narrow: -25.5 becomes -25, not -26.
  EXPECT_EQ(CORECTX(100, 100 + w - 51, s), 75);

  // A 20-pixel font in an 11-pixel box: the top goes to (11 - 20) div 2 = -4.
  SETTEXTSTYLE(COURIERNEWFONT, HORIZDIR, 20);
  ASSERT_EQ(TEXTHEIGHT("\xDB"), 20);
  SETCOLOR(WHITE);
  OUTTEXTXYX1Y1(0, 40, 200, 51, "Ab");
  const Box centred = box_of(WHITE);
  CLEARDEVICE();
  OUTTEXTXY(int16_t(CORECTX(0, 200, "Ab")), 36, "Ab");
  const Box direct = box_of(WHITE);
  ASSERT_FALSE(direct.empty());
  EXPECT_EQ(centred.y0, direct.y0);
  EXPECT_EQ(centred.x0, direct.x0);
}

TEST_F(Toolkit, OnlyTheSpecialColourGetsAShadow) {
  SETTEXTSTYLE(TIMESNEWROMANFONT, HORIZDIR, 3);
  CBAR(0, 0, 300, 100, WHITE);
  SETCOLOR(ALPHACOL);
  NOUTTEXTXY(10, 10, "Shadow");
  const Box red = box_of(RED), black = box_of(BLACK, 0, 0, 300, 100);
  ASSERT_FALSE(black.empty());
  EXPECT_EQ(black.x1, red.x1 + 1);  // the shadow lies one pixel right and down
  EXPECT_EQ(black.y1, red.y1 + 1);
  EXPECT_EQ(GETCOLOR(), ALPHACOL);

  CBAR(0, 0, 300, 100, WHITE);
  SETCOLOR(GREEN);
  NOUTTEXTXY(10, 10, "Shadow");
  EXPECT_TRUE(box_of(BLACK, 0, 0, 300, 100).empty());

  // With black as the special colour nothing but the text itself is drawn.
  CBAR(0, 0, 300, 100, WHITE);
  ALPHACOL = BLACK;
  SETCOLOR(BLACK);
  NOUTTEXTXY(10, 10, "Shadow");
  const Box alone = box_of(BLACK, 0, 0, 300, 100);
  CBAR(0, 0, 300, 100, WHITE);
  OUTTEXTXY(10, 10, "Shadow");
  const Box plain = box_of(BLACK, 0, 0, 300, 100);
  EXPECT_EQ(alone.x1, plain.x1);
  EXPECT_EQ(alone.y1, plain.y1);
  ALPHACOL = RED;
}

TEST_F(Toolkit, NextItemAfterAnArrowKey) {
  auto sdvig = [](char d, int min, int max, int sh) {
    D = d;
    return SDVIG(min, max, sh, 1);
  };
  EXPECT_EQ(sdvig(72, 1, 9, 1), 9);
  EXPECT_EQ(sdvig(75, 1, 9, 5), 4);
  EXPECT_EQ(sdvig(80, 1, 9, 9), 1);
  EXPECT_EQ(sdvig(77, 0, 4, 3), 4);
  test::Timeline tl;
  EXPECT_EQ(sdvig(13, 1, 9, 4), 4);  // another key beeps for 80 ms and stays
  EXPECT_EQ(tl.elapsed(), 80u);
}

TEST_F(Toolkit, FlashPulsesTheGreenOfOneEntry) {
  INITFLASH();
  EXPECT_EQ(GETPALETTEENTRY(uint16_t(MAGENTA)), (RGBCOLOUR{0, 15, 0}));
  test::Timeline tl;
  FLASH(75, 225, 5);
  EXPECT_EQ(GETPALETTEENTRY(uint16_t(MAGENTA)), (RGBCOLOUR{0, 5, 0}));
  for (int k = 2; k <= 111; ++k) FLASH(75, 225, 5);
  EXPECT_EQ(GETPALETTEENTRY(uint16_t(MAGENTA)).g, 225);
  FLASH(75, 225, 5);
  EXPECT_EQ(GETPALETTEENTRY(uint16_t(MAGENTA)).g, 223);
  // Down to the bottom of the pulse and back up.
  int lowest = 255;
  for (int k = 0; k < 100; ++k) {
    FLASH(75, 225, 5);
    lowest = std::min<int>(lowest, GETPALETTEENTRY(uint16_t(MAGENTA)).g);
  }
  EXPECT_EQ(lowest, 71);
  EXPECT_EQ(tl.elapsed(), 5u * 212);
  EXPECT_EQ(GETPALETTEENTRY(uint16_t(MAGENTA)).r, 0);
  EXPECT_EQ(GETPALETTEENTRY(uint16_t(MAGENTA)).b, 0);
}

TEST_F(Toolkit, MenuLooksAndButtons) {
  SETTEXTSTYLE(TIMESNEWROMANFONT, HORIZDIR, 3);
  OUTACTMENU(100, 100, 300, 140, "Item");
  const Box frame = box_of(GREEN);
  OUTPASTMENU(100, 100, 300, 140, "Item");  // frame painted over, text green
  EXPECT_TRUE(box_of(LIGHTGREEN).empty());
  EXPECT_GT(box_of(GREEN).x0, frame.x0);
  OUTBLINKMENU(100, 100, 300, 140, "Item");
  EXPECT_TRUE(box_of(GREEN).empty());
  MINIBUTTON(10, 10, 100, 50, int32_t(BLUE), "", true);
  EXPECT_EQ(GETPIXEL(50, 10), LIGHTBLUE);  // light edge on top
  EXPECT_EQ(GETPIXEL(50, 50), 0u);          // dark outline at the bottom
  MINIBUTTON(10, 10, 100, 50, int32_t(RED), "", false);
  EXPECT_EQ(GETPIXEL(50, 50), WHITE);
}

TEST_F(Toolkit, AFrameWithoutHeightDoesNotHang) {
  RAMKA(TRECT{10, 100, 200, 100});
  RAMKA(TRECT{10, 100, 200, 50});
  RAMKA(TRECT{10, 10, 200, 50});
  SUCCEED();
}

TEST_F(Toolkit, TheTitleSlidesInAndEndsOnPageThree) {
  int first_x = -1;
  test::Timeline tl;
  tl.at(40, [&] {
    // The first frame stands on page 1.
    SETACTIVEPAGE(1);
    first_x = box_of(LIGHTGREEN).x0;
    SETACTIVEPAGE(0);
  });
  VYEZD("Title");
  EXPECT_GE(first_x, 426);
  EXPECT_LE(first_x, 426 + 3);
  EXPECT_EQ(GETACTIVEPAGE(), 3);
  EXPECT_EQ(GETVISUALPAGE(), 3);
  SETTEXTSTYLE(G_IFONTMAINTITLE, HORIZDIR, G_IFONTMAINTITLESIZE);
  const Box b = box_of(LIGHTGREEN);
  EXPECT_GE(b.y0, G_IMAINTITLETOP);
  EXPECT_NEAR((b.x0 + b.x1) / 2, G_RCSCREEN.RIGHT / 2, 3);
}

// What the fake desktop was asked to open, waiting a little for the detached
// opener (briefly when nothing is expected).
std::string opened(const test::FakeDesktop& desk, bool expect) {
  const auto log = desk.dir() / "log";
  test::eventually([&] { return std::filesystem::exists(log); },
                   std::chrono::milliseconds(expect ? 2000 : 200));
  return std::filesystem::exists(log) ? test::read_file(log) : "";
}

TEST_F(Toolkit, WaitingForAKeyOrAClickAndTheLabel) {
  FIRMLABEL(false);
  const TRECT l = G_RCFIRMLABEL;
  const int lx = (l.LEFT + l.RIGHT) / 2, ly = (l.TOP + l.BOTTOM) / 2;
  test::FakeDesktop desk;

  {  // A click that starts and ends on the label opens the site and goes on
     // waiting; a later click elsewhere ends the wait.
    test::Timeline tl;
    tl.at(100, [&] { test::Timeline::move(lx, ly); });
    tl.at(150, [&] { test::Timeline::press(lx, ly); });
    tl.at(250, [&] { test::Timeline::release(lx, ly); });
    tl.at(1000, [] { test::Timeline::move(5, 470); });
    tl.at(1100, [] { test::Timeline::press(5, 470); });
    tl.at(1200, [] { test::Timeline::release(5, 470); });
    WAITKEYPRESSED(true);
    EXPECT_GE(tl.elapsed(), 1200u);
    EXPECT_EQ(opened(desk, true), "http://qora.example.org/\n");
    EXPECT_FALSE(KEYPRESSED());  // a click leaves nothing in the buffer
  }
  std::filesystem::remove(desk.dir() / "log");
  {  // Pressed on the label and released elsewhere: ends, opens nothing.
    test::Timeline tl;
    tl.at(100, [&] { test::Timeline::move(lx, ly); });
    tl.at(150, [&] { test::Timeline::press(lx, ly); });
    tl.at(200, [] { test::Timeline::move(5, 470, 1); });
    tl.at(250, [] { test::Timeline::release(5, 470); });
    WAITKEYPRESSED(true);
    EXPECT_LT(tl.elapsed(), 400u);
    EXPECT_EQ(opened(desk, false), "");
  }
  {  // A key ends the wait and stays for the caller.
    test::Timeline tl;
    tl.at(100, [] { test::Timeline::key('x'); });
    WAITKEYPRESSED(true);
    ASSERT_TRUE(KEYPRESSED());
    EXPECT_EQ(READKEY(), 'x');
  }
}

TEST_F(Toolkit, TheAddressIsUnderlinedWhileThePointerIsOnTheLabel) {
  FIRMLABEL(false);
  const TRECT l = G_RCFIRMLABEL;
  auto underline_rows = [&] {
    // Rows of the label in the address colour that are longer than any letter.
    int rows = 0;
    for (int y = l.TOP; y < l.BOTTOM; ++y) {
      int run = 0, best = 0;
      for (int x = l.LEFT; x < l.RIGHT; ++x) {
        run = GETPIXEL(int16_t(x), int16_t(y)) == ALPHACOL % 16 ? run + 1 : 0;
        best = std::max(best, run);
      }
      if (best > 3 * G_PTCONTROLCHARSIZE.X) ++rows;
    }
    return rows;
  };
  EXPECT_EQ(underline_rows(), 0);
  test::Timeline::move((l.LEFT + l.RIGHT) / 2, (l.TOP + l.BOTTOM) / 2);
  PROCESSMESSAGES(true);
  EXPECT_TRUE(G_BLABELSELECTEDSTATE);
  EXPECT_GT(underline_rows(), 0);
  test::Timeline::move(2, 470);
  PROCESSMESSAGES(true);
  EXPECT_FALSE(G_BLABELSELECTEDSTATE);
  EXPECT_EQ(underline_rows(), 0);
}

}  // namespace
}  // namespace qora

namespace qora {
namespace {

TEST_F(Toolkit, TheCreditsWaitForATimeAKeyOrAWholeClick) {
  {
    test::Timeline tl;
    OUTTITLE(50);
    EXPECT_GE(tl.elapsed(), 500u);
    EXPECT_LE(tl.elapsed(), 520u);
  }
  {
    test::Timeline tl;
    tl.at(3000, [] { test::Timeline::key(' '); });
    OUTTITLE(-1);
    EXPECT_GE(tl.elapsed(), 3000u);
    EXPECT_TRUE(KEYPRESSED());  // the key is left for the caller
    WAITSTILL();
  }
  {
    test::Timeline tl;
    tl.at(1000, [] { test::Timeline::press(10, 10); });
    bool shown = false;
    tl.at(1500, [&] { shown = !box_of(YELLOW).empty(); });  // the names are up
    tl.at(2000, [] { test::Timeline::release(10, 10); });
    OUTTITLE(-1);
    EXPECT_TRUE(shown);
    EXPECT_GE(tl.elapsed(), 2000u);
    EXPECT_LT(tl.elapsed(), 2100u);
    EXPECT_TRUE(box_of(YELLOW).empty());  // the page is cleared on the way out
  }
}

}  // namespace
}  // namespace qora
