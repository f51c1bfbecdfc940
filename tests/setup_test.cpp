#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/datafiles.h"
#include "app/geometry.h"
#include "app/globals.h"
#include "graph/graph.h"
#include "support/headless.h"
#include "support/test_support.h"
#include "support/timeline.h"
#include "tasks/setup.h"
#include "toolkit/widgets.h"

namespace qora {
namespace {

// One scripted input: a plain character, a special key, or a click released
// in the window's corner (away from every item).
struct In {
  enum Kind { CH, SPECIAL, CLICK } kind;
  int code = 0;
};
In ch(char c) { return {In::CH, static_cast<unsigned char>(c)}; }
In sp(int code) { return {In::SPECIAL, code}; }
const In kClick{In::CLICK, 0};
std::vector<In> text(const std::string& s) {
  std::vector<In> v;
  for (char c : s) v.push_back(ch(c));
  return v;
}
std::vector<In> operator+(std::vector<In> a, const std::vector<In>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The set-up dialogs at 640 x 480 with the shipped texts, drawing on page 3.
class SetupDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f : {"001", "002"})
      test::write_file(f, test::read_file(test::source_dir() / "data" / f));
    GETELEMENTS();
    GETMSG();
    test::use_headless(1024, 768);
    G_ISCREENRESOLUTION = 1;
    SOUNDOK = false;
    ASSERT_TRUE(INITGRAPHWITHVARIBLES());
    SETACTIVEPAGE(3);
    SETVISUALPAGE(3);
    SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
    test::Timeline::move(0, 0);
  }
  void TearDown() override {
    if (GRAPHENABLED()) DONEGRAPHWITHVARIBLES();
  }
  // Schedules the inputs 60 ms apart from 200 ms on, and an Esc long after
  // them that ends a dialog the inputs left open; returns the moment of the
  // last input.
  uint64_t feed(const std::vector<In>& in) {
    const int id = ++feeding;
    uint64_t t = tl.elapsed() + 200;
    for (const In& i : in) {
      tl.at(t, [i] {
        if (i.kind == In::CH) test::Timeline::key(static_cast<char>(i.code));
        if (i.kind == In::SPECIAL) test::Timeline::special(uint8_t(i.code));
        if (i.kind == In::CLICK) test::Timeline::press(1, 1);
      });
      if (i.kind == In::CLICK) tl.at(t + 30, [] { test::Timeline::release(1, 1); });
      t += 60;
    }
    tl.at(t + 5000, [this, id] {
      if (feeding == id) test::Timeline::key(27);
    });
    return t;
  }
  // True when the dialog ended soon after the last input; then lets the
  // inputs it did not read go by, so that none reaches the next dialog.
  bool ended_by(uint64_t last) {
    const bool soon = tl.elapsed() < last + 1000;
    if (tl.elapsed() < last + 100) WAIT(int32_t(last + 100 - tl.elapsed()));
    WAITSTILL();
    return soon;
  }
  int feeding = 0;
  test::TempDir dir;
  test::Timeline tl;
};

TEST_F(SetupDialogs, NameField) {
  const std::string privet = "\xEF\xF0\xE8\xE2\xE5\xF2";  // привет
  const std::string masha = "\xCC\xE0\xF8\xE0";           // Маша, typed on the Russian layout
  const In enter = ch(13), esc = ch(27), bs = ch(8);
  struct Case {
    const char* what;
    std::vector<In> keys;
    std::string name;  // empty: cancelled
  } cases[] = {
      {"Latin keys map to the Cyrillic letters", text("ghbdtn") + std::vector<In>{enter}, privet},
      {"Cyrillic typed directly stays", text(masha) + std::vector<In>{enter}, masha},
      {"shifted keys, and the two rows unlike the printed layout",
       text("Vfif/?") + std::vector<In>{enter}, "\xCC\xE0\xF8\xE0\xB8?"},
      {"the ninth character is refused, Backspace frees a place",
       text("123456789") + std::vector<In>{bs} + text("0") + std::vector<In>{enter}, "12345670"},
      {"Enter on an empty field and on spaces does nothing",
       std::vector<In>{enter, ch(' '), ch(' '), enter, bs, bs, bs, ch('x'), enter}, "\xF7"},
      {"an arrow adds nothing", std::vector<In>{sp(75), sp(77), ch('q'), sp(80), enter}, "\xE9"},
      {"Esc cancels", text("ab") + std::vector<In>{esc, enter}, ""},
      {"an Esc while the field is empty cancels too", std::vector<In>{esc}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const uint64_t last = feed(c.keys);
    EXPECT_EQ(GRINPUT(0, 100, 640, 130, 9), c.name);
    EXPECT_TRUE(ended_by(last)) << "the field was left open";
  }
}

TEST_F(SetupDialogs, EscTypedBeforeTheFieldOpensCancelsAtTheFirstKey) {
  test::Timeline::key('a');
  test::Timeline::key(27);
  const uint64_t last = feed(text("b"));
  EXPECT_EQ(GRINPUT(0, 100, 640, 130, 9), "");
  EXPECT_TRUE(ended_by(last));
}

TEST_F(SetupDialogs, ChoiceDialogs) {
  GRUPARR = {};
  for (int e : {0, 1}) GRUPARR[1].include(e);
  for (int e : {1, 5}) GRUPARR[2].include(e);
  GRUPARR[3].include(7);
  const In enter = ch(13);
  struct Case {
    const char* what;
    std::function<bool()> dialog;
    std::vector<In> keys;
    bool confirmed;
    std::function<void()> check;
  } cases[] = {
      {"players: the first item is two players", [] { return PLAYCHANGE(40); }, {enter}, true,
       [] { EXPECT_EQ(PLCH, 2); EXPECT_EQ(CURFN, "2players.qora"); }},
      {"players: Down gives one player", [] { return PLAYCHANGE(40); }, {sp(80), ch(' ')}, true,
       [] { EXPECT_EQ(PLCH, 1); EXPECT_EQ(CURFN, "1player.qora"); }},
      {"players: Esc", [] { return PLAYCHANGE(40); }, {sp(80), ch(27), enter}, false, [] {}},
      {"time: opens on 10 seconds", [] { return INPUTTIME(100); }, {enter}, true,
       [] { EXPECT_EQ(TIMELIM, 10); EXPECT_EQ(PLAYER[0].TIME, 10); EXPECT_EQ(PLAYER[1].TIME, 10); }},
      {"time: Left gives 15", [] { return INPUTTIME(100); }, {sp(75), enter}, true,
       [] { EXPECT_EQ(TIMELIM, 15); }},
      {"time: Right twice wraps to 15", [] { return INPUTTIME(100); }, {sp(77), sp(77), enter}, true,
       [] { EXPECT_EQ(TIMELIM, 15); }},
      {"time: a click released outside the items confirms", [] { return INPUTTIME(100); },
       {sp(77), kClick}, true, [] { EXPECT_EQ(TIMELIM, 5); }},
      {"level 2: groups {0, 1} and {1, 5}", [] { return INPUTLEVEL(150); }, {sp(77), enter}, true,
       [] {
         EXPECT_EQ(KLASS, 75);
         ASSERT_EQ(CURGRUPCOUNT, 4);
         EXPECT_EQ(std::vector<int>(CURGRUPARR.begin(), CURGRUPARR.begin() + 4),
                   (std::vector<int>{0, 1, 1, 5}));
         EXPECT_EQ(PLAYER[0].LEVEL, 4);
         EXPECT_EQ(PLAYER[1].LEVEL, 4);
       }},
      {"level 3 by a click", [] { return INPUTLEVEL(150); }, {sp(75), kClick}, true,
       [] { EXPECT_EQ(KLASS, 104); EXPECT_EQ(CURGRUPCOUNT, 5); }},
      {"level: Esc", [] { return INPUTLEVEL(150); }, {ch(27)}, false, [] {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CLEARDEVICE();
    const uint64_t last = feed(c.keys);
    EXPECT_EQ(c.dialog(), c.confirmed);
    EXPECT_TRUE(ended_by(last)) << "the dialog was left open";
    c.check();
  }
}

TEST_F(SetupDialogs, TheLevelsLightTheirGroupsAndAnEmptyLevelIsRefused) {
  GRUPARR = {};
  GRUPARR[2].include(3);
  GRUPARR[3].include(4);
  const RGBCOLOUR lit = GETPALETTEENTRY(uint16_t(G_IFONTACTIVEMENUCOLOR));
  auto lit_groups = [&] {
    int n = 0;
    for (uint32_t g : {T1COL, T2COL, T3COL}) n += GETPALETTEENTRY(uint16_t(g)) == lit;
    return n;
  };
  const RGBCOLOUR normal = GETPALETTEENTRY(uint16_t(T2COL));
  std::vector<int> seen;
  auto look = [&] { seen.push_back(lit_groups()); };
  // Level 1 (group 1 is empty) is refused; Right, Right, Left: level 2.
  const uint64_t t0 = tl.elapsed();
  tl.at(t0 + 100, look);
  tl.at(t0 + 200, [] { test::Timeline::key(13); });
  tl.at(t0 + 300, [] { test::Timeline::special(77); });
  tl.at(t0 + 350, look);
  tl.at(t0 + 400, [] { test::Timeline::special(77); });
  tl.at(t0 + 450, look);
  tl.at(t0 + 500, [] { test::Timeline::special(75); });
  tl.at(t0 + 550, look);
  tl.at(t0 + 600, [] { test::Timeline::key(13); });
  tl.at(t0 + 5000, [] { test::Timeline::key(27); });
  ASSERT_TRUE(INPUTLEVEL(150));
  EXPECT_LT(tl.elapsed(), t0 + 1000);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 2}));
  EXPECT_EQ(KLASS, 75);
  ASSERT_EQ(CURGRUPCOUNT, 1);
  EXPECT_EQ(CURGRUPARR[0], 3);
  EXPECT_EQ(lit_groups(), 0);  // the palette is back
  EXPECT_EQ(GETPALETTEENTRY(uint16_t(T2COL)), normal);
}

}  // namespace
}  // namespace qora
