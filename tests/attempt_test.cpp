// The task generator: invariants of every task, rounds over the selection,
// and unplayable input. The attempt clock, the question dialog and whole
// shooting attempts, played through the window's input hooks on the headless
// surface and the virtual clock.
#include <functional>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "game/attempt.h"
#include "game/driver.h"
#include "graph/input_internal.h"
#include "platform/clock.h"
#include "screens/gallery.h"
#include "support/game.h"
#include "support/tones.h"
#include "tasks/question.h"
#include "tasks/taskgen.h"
#include "toolkit/widgets.h"

namespace qora {
namespace {

using test::Timeline;

// Symbols "Aa".."Ee" are unique, so a target's symbol tells its element; names
// are unique too, except the ones left empty.
void make_table(int count, const std::set<int>& unnamed = {}) {
  ELCOUNT = count;
  ELEMENT.assign(size_t(count) + 1, DATABASE{});
  for (int e = 0; e < count; ++e) {
    ELEMENT[size_t(e)].SYMBOL = std::string{char('A' + e / 26), char('a' + e % 26)};
    if (!unnamed.count(e)) ELEMENT[size_t(e)].NAME = "N" + std::to_string(e);
  }
}

void select(const std::vector<int>& elements, int klass) {
  CURGRUPARR.fill(0);
  for (size_t i = 0; i < elements.size(); ++i) CURGRUPARR[i] = uint8_t(elements[i]);
  CURGRUPCOUNT = uint8_t(elements.size());
  KLASS = klass;
  USEDCORNOMBS.clear();
}

std::vector<int> first(int n) { auto v = std::vector<int>(size_t(n)); std::iota(v.begin(), v.end(), 0); return v; }

// The generator reseeds from the ticks at every task; time passes between two tasks of a game.
struct TaskGen : ::testing::Test {
  void next_task() {
    dynamic_cast<platform::VirtualClock&>(platform::clock()).advance(1 + rng_() % 4000);
    TASKGEN();
  }
  // Element index of a target by its symbol, -1 for a blank target.
  static int index_of(const DATABASE& d) {
    for (int e = 0; e < ELCOUNT && !d.SYMBOL.empty(); ++e)
      if (ELEMENT[size_t(e)].SYMBOL == d.SYMBOL) return e;
    return -1;
  }
  // Next task, checking every invariant of a task with full decoys. Decoy names
  // come from the first KLASS elements; a bound below two or beyond the table
  // takes the whole table.
  void check_next_task() {
    const int previous = CORNO;
    next_task();
    ASSERT_LT(CORNO, 5);
    EXPECT_NE(int(CORNO), previous);
    EXPECT_EQ(MISHEN[CORNO], ELEMENT[size_t(COREL)]);
    EXPECT_TRUE(NOWCORNOMBS == COREL && USEDCORNOMBS.has(COREL));
    ELSET symbols;
    symbols.include(COREL);
    const int bound = KLASS < 2 || KLASS > ELCOUNT ? ELCOUNT : KLASS;
    for (size_t k = 0; k < 5; ++k) {
      if (k == CORNO) continue;
      const int I = index_of(MISHEN[k]);
      ASSERT_TRUE(I >= 0 && !ELEMENT[size_t(I)].NAME.empty()) << "blank or unnamed decoy symbol";
      EXPECT_FALSE(symbols.has(I)) << "symbol twice";
      symbols.include(I);
      EXPECT_NE(MISHEN[k].NAME, ELEMENT[size_t(I)].NAME) << "decoy shows its own name";
      int J = ELCOUNT - 1;
      while (J >= 0 && !(ELEMENT[size_t(J)].NAME == MISHEN[k].NAME)) --J;
      EXPECT_TRUE(J >= 0 && J < bound) << "name " << MISHEN[k].NAME.str() << " from outside the level";
    }
    EXPECT_EQ(USEDNOMBS, symbols);
  }
  std::mt19937 rng_;
};

TEST_F(TaskGen, EveryTaskKeepsItsInvariantsAndAnswersRunInRoundsOverTheSelection) {
  make_table(105);
  const std::pair<std::vector<int>, int> cases[] = {
      {first(26), 26}, {first(75), 75}, {first(105), 104},  // the default levels
      {{3, 9, 40, 77, 9, 100, 0, 61}, 104},  // 9 twice: the round is over seven elements
      {{42}, 26}};
  for (const auto& [sel, klass] : cases) {
    select(sel, klass);
    const std::set<int> distinct(sel.begin(), sel.end());
    std::set<int> places;
    for (size_t round = 0; round <= 1500 / distinct.size() && !HasFailure(); ++round) {
      std::set<int> answers;  // a round answers every selected element once
      for (size_t t = 0; t < distinct.size(); ++t) {
        check_next_task();
        answers.insert(COREL);
        places.insert(CORNO);
      }
      EXPECT_EQ(answers, distinct) << "round " << round;
    }
    EXPECT_EQ(places.size(), 5u) << sel.size();
  }
}

// Unnamed elements are never decoy symbols, but their empty names may be drawn.
TEST_F(TaskGen, EmptyOrStraySelectionDrawsAnswersFromTheNamedTable) {
  make_table(105, {0, 1, 2});
  select({}, 26);
  bool empty_name_seen = false;
  for (int t = 0; t < 500 && !HasFailure(); ++t) {
    check_next_task();
    EXPECT_GE(COREL, 3);
    for (size_t k = 0; k < 5; ++k) empty_name_seen |= k != CORNO && MISHEN[k].NAME.empty();
  }
  EXPECT_TRUE(empty_name_seen);
  // Entries that are not element indices of the table count as no entries;
  // a stray place of the right target is left.
  make_table(110);
  ELCOUNT = 105;
  select({200, 106, 105}, 26);
  CORNO = 9;
  check_next_task();
  EXPECT_LT(COREL, 105);
}

TEST_F(TaskGen, TooFewNamedElementsOrAStrayLevelBoundNeverHang) {
  make_table(105);
  for (int klass : {0, 1, -5, 1000}) {
    select(first(26), klass);
    for (int t = 0; t < 300 && !HasFailure(); ++t) check_next_task();
  }
  // Three named elements: the two that are not the answer and two blank targets.
  for (int e = 3; e < 105; ++e) ELEMENT[size_t(e)].NAME.assign("");
  select({0, 1, 2}, 26);
  for (int t = 0; t < 100; ++t) {
    next_task();
    int blank = 0;
    for (size_t k = 0; k < 5; ++k) blank += k != CORNO && MISHEN[k].SYMBOL.empty() && MISHEN[k].NAME.empty();
    EXPECT_EQ(blank, 2);
  }
}

// ---- Shooting attempts ---------------------------------------------------------

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
      {"Alt+D, an extended key with Space's code", {[] { Timeline::special(32); }}, -1},
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
  EXPECT_EQ(int(PLAYER[0].SCORE), 3);
  EXPECT_EQ(int(PLAYER[0].HISCORE), 3);
  EXPECT_TRUE(PLAYERRESULT[0].KNOWEL.has(7));
  EXPECT_FALSE(PLAYERRESULT[0].UNKNOWEL.has(7));
}

// Tones as {pitch, length} pairs, without their times.
std::vector<std::pair<unsigned, unsigned>> pitches(const std::vector<platform::ToneLog::Tone>& t) {
  std::vector<std::pair<unsigned, unsigned>> out;
  for (const auto& x : t) out.emplace_back(x.hz, x.ms);
  return out;
}

// With sound effects off an attempt and the final salvo play nothing; with
// them on, the fanfare before the targets stand, the shot's falling noise,
// the fall of the target and, at the end of a series, five falls.
TEST_F(Shooting, TonesOfAHitAndOfTheFinalSalvoOnlyWithSoundEffectsOn) {
  test::Tones tones;
  READTIME = 100;
  for (bool on : {false, true}) {
    SOUNDOK = on;
    tl.at(tl.elapsed() + kReady, [] { Timeline::key(' '); });
    EXPECT_TRUE(attempt(2));
    const auto tones_hit = tones.take();
    const uint64_t t0 = tl.elapsed();
    FINALSALVO();
    const uint64_t salvo_ms = tl.elapsed() - t0;
    const auto salvo = tones.take();
    if (!on) {
      EXPECT_TRUE(tones_hit.empty());
      EXPECT_TRUE(salvo.empty());
      EXPECT_EQ(salvo_ms, 5u * (READTIME / 4 + 50));  // a pause in place of each fall's tones
      continue;
    }
    // 50 and 150 Hz, and 140 Hz 225 ms after the second ends; then a tick
    // of the attempt's clock for each second gone (400 Hz, 500 Hz, ...).
    auto hit = tones_hit;
    ASSERT_GE(hit.size(), 4u);
    EXPECT_EQ(pitches({hit.begin(), hit.begin() + 3}),
              (std::vector<std::pair<unsigned, unsigned>>{{50, 70}, {150, 80}, {140, 50}}));
    unsigned second = 0;
    while (hit.size() > 3 && hit[3].ms == 80) {
      EXPECT_EQ(hit[3].hz, 100 * ++second + 300);
      hit.erase(hit.begin() + 3);
    }
    ASSERT_EQ(hit.size(), 3u + 1 + 126 * 3 + 5 + 1);
    EXPECT_EQ(pitches({hit.begin() + 3, hit.begin() + 4}), (std::vector<std::pair<unsigned, unsigned>>{{105, 155}}));
    EXPECT_EQ(hit[2].at - hit[1].at, 80u + 225);
    for (int i = 0; i < 126 * 3; ++i) {  // three 1 ms tones per step, pitch below twice the step
      const auto& x = hit[size_t(4 + i)];
      EXPECT_EQ(x.ms, 1u);
      EXPECT_LT(x.hz, 2u * unsigned(150 - i / 3)) << i;
    }
    const std::vector<std::pair<unsigned, unsigned>> fall{{30, 50}, {29, 50}, {28, 50}, {27, 50}, {26, 50}};
    auto want = fall;
    want.emplace_back(100, 200);
    EXPECT_EQ(pitches({hit.end() - 6, hit.end()}), want);
    EXPECT_EQ(hit.back().at - hit[hit.size() - 2].at, 50u + 50);  // a pause of 50 ms before the 100 Hz
    // The salvo: each target falls with 30 down to 26 Hz, then 100 Hz 50 ms later.
    want.clear();
    for (int k = 0; k < 5; ++k) {
      want.insert(want.end(), fall.begin(), fall.end());
      want.emplace_back(100, 100);
    }
    EXPECT_EQ(pitches(salvo), want);
    EXPECT_EQ(salvo[5].at - salvo[4].at, 50u + 50);
    EXPECT_EQ(salvo_ms, 5u * (250 + 50 + 100));
  }
  SOUNDOK = false;
}

TEST_F(Shooting, AMissAndATimeoutCountAndMoveTheElementToTheUnknown) {
  tl.at(kReady, [] { Timeline::key(' '); });  // target 2 while the answer is on 3
  EXPECT_FALSE(attempt(3));
  EXPECT_EQ(int(PLAYER[0].SCORE), 0);
  EXPECT_EQ(int(PLAYER[0].HISCORE), 1);
  PLAYERRESULT[0].KNOWEL.include(7);  // known earlier: the latest attempt decides
  PLAYERRESULT[0].UNKNOWEL.exclude(7);
  TIMELIM = 5;
  const uint16_t before = PLAYER[0].ALLTIME;
  EXPECT_FALSE(attempt(2));  // nobody shoots
  EXPECT_EQ(int(PLAYER[0].HISCORE), 2);
  EXPECT_EQ(PLAYER[0].ALLTIME - before, 5);
  EXPECT_TRUE(PLAYERRESULT[0].UNKNOWEL.has(7));
  EXPECT_FALSE(PLAYERRESULT[0].KNOWEL.has(7));
  // The total time holds at its largest value.
  PLAYER[0].ALLTIME = 65533;
  EXPECT_FALSE(attempt(2));
  EXPECT_EQ(int(PLAYER[0].ALLTIME), 65535);
}

TEST_F(Shooting, EscAsksAndEitherGoesOnWithoutTheQuestionsTimeOrLeaves) {
  // Esc, then the second choice: the attempt goes on; the 20 s of the
  // question do not count, and the Enter that answered it is no shot.
  tl.at(kReady + 1000, [] { Timeline::key(27); });
  tl.at(kReady + 20000, [] { Timeline::special(77); });
  tl.at(kReady + 20100, [] { Timeline::key(13); });
  tl.at(kReady + 22000, [] { Timeline::key(' '); });
  EXPECT_TRUE(attempt(2));
  EXPECT_LE(int(PLAYER[0].ALLTIME), 4);
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
