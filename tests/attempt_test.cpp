// The attempt clock, the question dialog and whole shooting attempts, played
// through the window's input hooks on the headless surface and the virtual
// clock.
#include <functional>
#include <vector>

#include "game/attempt.h"
#include "graph/input_internal.h"
#include "platform/clock.h"
#include "screens/gallery.h"
#include "support/game.h"
#include "tasks/question.h"
#include "tasks/taskgen.h"
#include "toolkit/widgets.h"

namespace qora {
namespace {

using test::Timeline;

// The gallery drawn on pages 0 and 1 as a game prepares it, page 0 active
// and shown; one player, 10 s a shot, the answer element 7.
class Shooting : public test::Game {
 protected:
  void SetUp() override {
    Game::SetUp();
    READTIME = 0;
    space_targets();
    for (int page : {1, 0}) {
      SETACTIVEPAGE(uint16_t(page));
      CLEARDEVICE();
      PICTURE();
      FIRMLABEL(false);
      CENTRALBOX(0);
    }
    SETVISUALPAGE(0);
    PLCH = 1;
    PLAYER[0] = PLAYREC{};
    PLAYER[0].NAME.assign("\xC8\xE2\xE0\xED");
    PLAYERRESULT[0] = RESULTREC{};
    TIMELIM = 10;
    CURGRUPCOUNT = 1;
    CURGRUPARR[0] = 7;
    TASKGEN();
    Timeline::move(2, 2);  // the pointer away from every target
  }

  // One attempt with the right answer on target `right`.
  bool attempt(int right) {
    CORNO = uint16_t(right);
    bool exit = true;
    const bool r = GAMEATTEMPT(0, 0, exit);
    EXPECT_EQ(exit, false);
    return r;
  }
  static TPOINT centre(int k) {
    const TRECT r = MISHENRECT(k);
    return TPOINT{(r.LEFT + r.RIGHT) / 2, (r.TOP + r.BOTTOM) / 2};
  }
  // The attempt's own pauses (about a second) come before the targets stand.
  static constexpr uint64_t kReady = 1500;
};

TEST_F(Shooting, TheTimeBarLightsOneLampASecondAndEndsOnce) {
  const TPOINT FWL = G_PTFRONTWALLLEFTPOINT;
  const auto new_bar = [&](uint16_t limit) {  // the bar drawn afresh; the x of its lamp 0
    TIMELIM = limit;
    CBAR(FWL.X + 1, FWL.Y + 1, G_RCSCREEN.RIGHT - FWL.X - 1, FWL.Y + G_PTTIMEBARSIZE.Y - 1, WHITE);
    DRAWTIMEBAR();
    LASTCURTIME = -1;
    return FWL.X + TEXTWIDTH(msg(25)) + 20;
  };
  const auto lamp = [&](int x0, int i) { return GETPIXEL(int16_t(x0 + 20 * i), int16_t(FWL.Y + G_PTTIMEBARSIZE.Y / 2)); };
  for (uint16_t limit : {5, 10, 15}) {
    const int x0 = new_bar(limit);
    SETTEXTSTYLE(TIMESNEWROMANFONT, HORIZDIR, 5);  // another style later moves no lamp
    STARTSEC = uint16_t(platform::local_now().second);
    SECBEFORESCPRESSED = 0;
    std::vector<bool> ends;
    for (int s = 0; s <= limit; ++s, platform::sleep_ms(1000))
      ends.insert(ends.end(), {TIMEEND(), TIMEEND()});  // a second call in the same second does nothing
    EXPECT_EQ(std::count(ends.begin(), ends.end(), true), 1) << limit;
    EXPECT_TRUE(ends[size_t(2 * limit)]) << limit;
    for (int i = 1; i <= limit + 1; ++i)  // and after the last lamp the bar is not flooded
      EXPECT_EQ(lamp(x0, i), i > limit ? WHITE : i == limit ? LIGHTRED : i >= limit - 3 ? RED : GREEN) << limit << ", " << i;
  }
  // Started at second 58, second 1 counts as 61: three seconds; the lamp of
  // a second no call saw stays dark.
  const int x0 = new_bar(15);
  while (platform::local_now().second != 1) platform::sleep_ms(1000);
  STARTSEC = 58;
  EXPECT_FALSE(TIMEEND());
  EXPECT_EQ(CURTIME, 3);
  EXPECT_TRUE(lamp(x0, 3) == GREEN && lamp(x0, 2) == WHITE);
}

TEST_F(Shooting, TheQuestionTakesKeysPointingAndClicksButNotTheLabel) {
  const TRECT l = G_RCFIRMLABEL;
  const int lx = (l.LEFT + l.RIGHT) / 2, ly = (l.TOP + l.BOTTOM) / 2;
  const auto enter = [] { Timeline::key(13); };
  const auto right = [] { Timeline::special(77); };
  struct Case {
    const char* what;
    std::vector<std::function<void()>> input;  // one every 100 ms
    int want;                                  // -1: still open at 5 s
  } cases[] = {
      {"Enter", {enter}, 0},
      {"Right, Space", {right, [] { Timeline::key(' '); }}, 1},
      {"Right twice", {right, right, enter}, 0},
      {"a click outside both", {[] { Timeline::press(2, 470); Timeline::release(2, 470); }}, 0},
      {"a tap on the label", {[=] { Timeline::move(lx, ly); Timeline::press(lx, ly); Timeline::release(lx, ly); }}, -1},
  };
  for (const Case& c : cases) {
    Timeline t;
    for (size_t i = 0; i < c.input.size(); ++i) t.at(100 * (i + 1), c.input[i]);
    t.at(5000, [] { Timeline::move(2, 2); Timeline::key(13); });  // ends a question still open
    const int32_t got = MESSAGEQUESTION("?", "Yes", "No");
    if (c.want < 0)
      EXPECT_GE(t.elapsed(), 5000u) << c.what;
    else
      EXPECT_EQ(std::pair(got, t.elapsed() < 1000), std::pair(c.want, true)) << c.what;
  }
}

TEST_F(Shooting, KeysAndPointerAimAndShoot) {
  // Space at once shoots the middle target.
  tl.at(kReady, [] { Timeline::key(' '); });
  EXPECT_TRUE(attempt(2));
  // Pointing at target 4 moves the crosshair there; a click anywhere shoots it.
  tl.at(2 * kReady + 2000, [] { Timeline::move(centre(4).X, centre(4).Y); });
  tl.at(2 * kReady + 2100, [] { Timeline::move(2, 470); });
  tl.at(2 * kReady + 2200, [] { Timeline::press(2, 470); Timeline::release(2, 470); });
  EXPECT_TRUE(attempt(4));
  // Left from 2 twice reaches 0, once more wraps to 4.
  const uint64_t t = tl.elapsed() + kReady;
  for (int i = 0; i < 3; ++i) tl.at(t + 50 * uint64_t(i), [] { Timeline::special(75); });
  tl.at(t + 200, [] { Timeline::key(13); });
  EXPECT_TRUE(attempt(4));
  EXPECT_EQ(PLAYER[0].SCORE, 3);
  EXPECT_EQ(PLAYER[0].HISCORE, 3);
  EXPECT_TRUE(PLAYERRESULT[0].KNOWEL.has(7));
  EXPECT_FALSE(PLAYERRESULT[0].UNKNOWEL.has(7));
}

TEST_F(Shooting, AMissAndATimeoutCountAndMoveTheElementToTheUnknown) {
  tl.at(kReady, [] { Timeline::key(' '); });  // target 2 while the answer is on 3
  EXPECT_FALSE(attempt(3));
  EXPECT_EQ(PLAYER[0].SCORE, 0);
  EXPECT_EQ(PLAYER[0].HISCORE, 1);
  PLAYERRESULT[0].KNOWEL.include(7);  // known earlier: the latest attempt decides
  PLAYERRESULT[0].UNKNOWEL.exclude(7);
  TIMELIM = 5;
  const uint16_t before = PLAYER[0].ALLTIME;
  EXPECT_FALSE(attempt(2));  // nobody shoots
  EXPECT_EQ(PLAYER[0].HISCORE, 2);
  EXPECT_EQ(PLAYER[0].ALLTIME - before, 5);
  EXPECT_TRUE(PLAYERRESULT[0].UNKNOWEL.has(7));
  EXPECT_FALSE(PLAYERRESULT[0].KNOWEL.has(7));
  // The total time holds at its largest value.
  PLAYER[0].ALLTIME = 65533;
  EXPECT_FALSE(attempt(2));
  EXPECT_EQ(PLAYER[0].ALLTIME, 65535);
}

TEST_F(Shooting, EscAsksAndEitherGoesOnWithoutTheQuestionsTimeOrLeaves) {
  // Esc, then the second choice: the attempt goes on; the 20 s of the
  // question do not count, and the Enter that answered it is no shot.
  tl.at(kReady + 1000, [] { Timeline::key(27); });
  tl.at(kReady + 20000, [] { Timeline::special(77); });
  tl.at(kReady + 20100, [] { Timeline::key(13); });
  tl.at(kReady + 22000, [] { Timeline::key(' '); });
  EXPECT_TRUE(attempt(2));
  EXPECT_LE(PLAYER[0].ALLTIME, 4);
  EXPECT_GE(tl.elapsed(), kReady + 22000);
  // Esc, then the first choice: leaves at once, counters and sets untouched.
  const PLAYREC before = PLAYER[0];
  const uint64_t t = tl.elapsed() + kReady;
  tl.at(t, [] { Timeline::key(27); });
  tl.at(t + 500, [] { Timeline::key(13); });
  CORNO = 2;
  bool exit = false;
  EXPECT_TRUE(GAMEATTEMPT(0, 0, exit));
  EXPECT_TRUE(exit);
  EXPECT_EQ(PLAYER[0], before);
  // The window's close button leaves the same way, without a question.
  tl.at(tl.elapsed() + kReady, [] { Timeline::close(); });
  EXPECT_TRUE(GAMEATTEMPT(0, 0, exit) && exit);
  EXPECT_EQ(PLAYER[0], before);
  KEYBOARDPROC(KEYBOARDMESSAGE{KEYEVENT::CREATED});  // no close pending for the next test
  EXPECT_EQ(PLAYERRESULT[0].UNKNOWEL.has(7), false);
}

}  // namespace
}  // namespace qora
