#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/geometry.h"
#include "app/globals.h"
#include "game/title.h"
#include "graph/graph.h"
#include "graph/input_internal.h"
#include "support/fake_desktop.h"
#include "support/headless.h"
#include "support/timeline.h"
#include "support/tones.h"
#include "toolkit/text.h"
#include "toolkit/widgets.h"

namespace qora {
namespace {

using test::Timeline;

// Graphics at 640 x 480 with the game's colours and layout, page 0 shown.
class Toolkit : public ::testing::Test {
 protected:
  void SetUp() override {
    test::use_headless(1024, 768);
    MSG.assign(130, "");
    MSG[111] = "\xCE\xE1 \xE8\xE3\xF0\xE5";  // the maker's label names the page it opens
    G_ISCREENRESOLUTION = 1;
    ASSERT_TRUE(INITGRAPHWITHVARIBLES());
    SETACTIVEPAGE(0);
    SETVISUALPAGE(0);
    Timeline::move(0, 0);
  }
  void TearDown() override { DONEGRAPHWITHVARIBLES(); }
};

using test::Box;
using test::box_of;

TEST_F(Toolkit, CentringTruncatesTowardZero) {
  SETTEXTSTYLE(TIMESNEWROMANFONT, HORIZDIR, 3);
  const int32_t w = TEXTWIDTH("Centre");
  EXPECT_EQ(CORECTX(100, 100 + w + 50, "Centre"), 125);
  EXPECT_EQ(CORECTX(100, 100 + w - 51, "Centre"), 75);  // -25.5 becomes -25
  // A 20-pixel font in an 11-pixel box: the top goes to (11 - 20) div 2 = -4.
  SETTEXTSTYLE(COURIERNEWFONT, HORIZDIR, 20);
  SETCOLOR(WHITE);
  OUTTEXTXYX1Y1(0, 40, 200, 51, "Ab");
  const Box centred = box_of(WHITE);
  CLEARDEVICE();
  OUTTEXTXY(int16_t(CORECTX(0, 200, "Ab")), 36, "Ab");
  const Box direct = box_of(WHITE);
  EXPECT_EQ(centred[1], direct[1]);
  EXPECT_EQ(centred[0], direct[0]);
}

TEST_F(Toolkit, OnlyTheSpecialColourGetsAShadow) {
  SETTEXTSTYLE(TIMESNEWROMANFONT, HORIZDIR, 3);
  auto shadow = [](uint32_t colour) {  // black pixels of the text on white
    CBAR(0, 0, 300, 100, WHITE);
    SETCOLOR(colour);
    NOUTTEXTXY(10, 10, "Shadow");
    EXPECT_EQ(GETCOLOR(), colour);
    return box_of(BLACK, 0, 0, 299, 99);
  };
  const Box black = shadow(ALPHACOL), red = box_of(RED, 0, 0, 299, 99);
  EXPECT_EQ(black[2], red[2] + 1);  // one pixel right and down
  EXPECT_EQ(black[3], red[3] + 1);
  EXPECT_EQ(shadow(GREEN)[2], -1);
  ALPHACOL = BLACK;  // black text is drawn once, without a shadow
  const Box alone = shadow(BLACK);
  ALPHACOL = RED;
  EXPECT_EQ(alone[2], red[2]);
  EXPECT_EQ(alone[3], red[3]);
}

TEST_F(Toolkit, NextItemAfterAnArrowKey) {
  struct Case { char d; int min, max, sh, want; };
  for (bool sound : {true, false})
    for (auto c : {Case{72, 1, 9, 1, 9}, Case{75, 1, 9, 5, 4}, Case{80, 1, 9, 9, 1},
                   Case{77, 0, 4, 3, 4}, Case{13, 1, 9, 4, 4}}) {
      D = c.d;
      SOUNDOK = sound;
      Timeline tl;
      test::Tones tones;
      EXPECT_EQ(SDVIG(c.min, c.max, c.sh, 1), c.want) << int(c.d);
      // Another key beeps 50 Hz for 80 ms, only while sound effects are on.
      EXPECT_EQ(tl.elapsed(), c.d == 13 && sound ? 80u : 0u);
      const auto heard = tones.take();
      EXPECT_EQ(heard.size(), c.d == 13 && sound ? 1u : 0u);
      for (const auto& t : heard) EXPECT_EQ(std::pair(t.hz, t.ms), std::pair(50u, 80u));
    }
  SOUNDOK = false;
}

TEST_F(Toolkit, FlashPulsesTheGreenOfOneEntry) {
  INITFLASH();
  EXPECT_EQ(GETPALETTEENTRY(uint16_t(MAGENTA)), (RGBCOLOUR{0, 15, 0}));
  Timeline tl;
  std::vector<int> greens;
  for (int k = 0; k < 212; ++k) {
    FLASH(75, 225, 5);
    greens.push_back(GETPALETTEENTRY(uint16_t(MAGENTA)).g);
  }
  EXPECT_EQ(greens[0], 5);
  EXPECT_EQ(greens[110], 225);
  EXPECT_EQ(greens[111], 223);
  EXPECT_EQ(*std::min_element(greens.begin() + 111, greens.end()), 71);
  EXPECT_EQ(tl.elapsed(), 5u * 212);
  EXPECT_EQ(GETPALETTEENTRY(uint16_t(MAGENTA)).r + GETPALETTEENTRY(uint16_t(MAGENTA)).b, 0);
}

TEST_F(Toolkit, MenuLooksButtonsAndFrames) {
  SETTEXTSTYLE(TIMESNEWROMANFONT, HORIZDIR, 3);
  OUTACTMENU(100, 100, 300, 140, "Item");
  const Box frame = box_of(GREEN);
  OUTPASTMENU(100, 100, 300, 140, "Item");  // frame painted over, text green
  EXPECT_EQ(box_of(LIGHTGREEN)[2], -1);
  EXPECT_GT(box_of(GREEN)[0], frame[0]);
  OUTBLINKMENU(100, 100, 300, 140, "Item");
  EXPECT_EQ(box_of(GREEN)[2], -1);
  MINIBUTTON(10, 10, 100, 50, int32_t(BLUE), "", true);
  EXPECT_EQ(GETPIXEL(50, 10), LIGHTBLUE);  // light edge on top
  EXPECT_EQ(GETPIXEL(50, 50), 0u);          // dark outline at the bottom
  MINIBUTTON(10, 10, 100, 50, int32_t(RED), "", false);
  EXPECT_EQ(GETPIXEL(50, 50), WHITE);
}

TEST_F(Toolkit, TheTitleSlidesInAndEndsOnPageThree) {
  int first_x = -1;
  Timeline tl;
  tl.at(40, [&] {  // the first frame stands on page 1
    SETACTIVEPAGE(1);
    first_x = box_of(LIGHTGREEN)[0];
    SETACTIVEPAGE(0);
  });
  VYEZD("Title");
  EXPECT_GE(first_x, 426);
  EXPECT_LE(first_x, 426 + 3);
  EXPECT_EQ(GETACTIVEPAGE() * 10 + GETVISUALPAGE(), 33);
  const Box b = box_of(LIGHTGREEN);
  EXPECT_GE(b[1], G_IMAINTITLETOP);
  EXPECT_NEAR((b[0] + b[2]) / 2, G_RCSCREEN.RIGHT / 2, 3);
}

TEST_F(Toolkit, TheMakersLabelUnderlinesOpensAndKeepsWaiting) {
  FIRMLABEL(false);
  const TRECT l = G_RCFIRMLABEL;
  const int lx = (l.LEFT + l.RIGHT) / 2, ly = (l.TOP + l.BOTTOM) / 2;
  auto underlined = [&] {  // a run in the address colour longer than a letter
    for (int y = l.TOP; y < l.BOTTOM; ++y)
      for (int x = l.LEFT, run = 0; x < l.RIGHT; ++x)
        if ((run = GETPIXEL(int16_t(x), int16_t(y)) == ALPHACOL % 16 ? run + 1 : 0) >
            3 * G_PTCONTROLCHARSIZE.X)
          return true;
    return false;
  };
  test::FakeDesktop desk;
  const auto log = desk.dir() / "log";
  EXPECT_FALSE(underlined());
  Timeline::move(lx, ly);
  PROCESSMESSAGES(true);
  EXPECT_TRUE(underlined());
  Timeline::move(2, 470);
  PROCESSMESSAGES(true);
  EXPECT_FALSE(underlined());
  {  // A quick tap on the label (press and release between two looks) opens
     // the help's page about the game and the wait goes on; a quick tap
     // elsewhere ends it and leaves no key.
    Timeline tl;
    tl.at(100, [&] { Timeline::move(lx, ly); });
    tl.at(150, [&] { Timeline::press(lx, ly); Timeline::release(lx, ly); });
    tl.at(1100, [] { Timeline::press(5, 470); Timeline::release(5, 470); });
    WAITKEYPRESSED(true);
    EXPECT_GE(tl.elapsed(), 1100u);
    EXPECT_LT(tl.elapsed(), 1150u);
    EXPECT_TRUE(test::eventually([&] { return std::filesystem::exists(log); }));
    EXPECT_EQ(test::read_file(log), (std::filesystem::current_path() / "help/index.html").string() + "\n");
    EXPECT_FALSE(KEYPRESSED());
  }
  std::filesystem::remove(log);
  {  // Pressed on the label, released elsewhere: ends the wait, opens nothing.
    Timeline tl;
    tl.at(150, [&] { Timeline::press(lx, ly); });
    tl.at(200, [] { Timeline::move(5, 470, 1); });
    tl.at(250, [] { Timeline::release(5, 470); });
    WAITKEYPRESSED(true);
    EXPECT_LT(tl.elapsed(), 400u);
    EXPECT_FALSE(test::eventually([&] { return std::filesystem::exists(log); },
                                  std::chrono::milliseconds(200)));
  }
}

TEST_F(Toolkit, TheCreditsWaitForATimeAKeyOrAWholeClick) {
  // A press made on the screen before is no click on this one: the credits
  // end by time with the button held, and its release does not end the next
  // wait; a key does, and stays for the caller.
  Timeline tl;
  tl.at(200, [] { Timeline::press(5, 470); });
  tl.at(700, [] { Timeline::release(5, 470); });
  tl.at(1000, [] { Timeline::key('y'); });
  OUTTITLE(50);
  EXPECT_GE(tl.elapsed(), 500u);
  EXPECT_LE(tl.elapsed(), 520u);
  WAITKEYPRESSED(false);
  EXPECT_GE(tl.elapsed(), 1000u);
  EXPECT_EQ(READKEY(), 'y');
  tl.at(3000, [] { Timeline::key(' '); });
  OUTTITLE(-1);
  EXPECT_GE(tl.elapsed(), 3000u);
  EXPECT_EQ(READKEY(), ' ');  // the key is left for the caller
  bool shown = false;
  tl.at(4000, [] { Timeline::press(10, 10); });
  tl.at(4500, [&] { shown = box_of(YELLOW)[2] >= 0; });  // the names are up
  tl.at(5000, [] { Timeline::release(10, 10); });
  OUTTITLE(-1);
  EXPECT_TRUE(shown);
  EXPECT_GE(tl.elapsed(), 5000u);
  EXPECT_LT(tl.elapsed(), 5100u);
  EXPECT_EQ(box_of(YELLOW)[2], -1);  // the page is cleared on the way out
}

}  // namespace
}  // namespace qora
