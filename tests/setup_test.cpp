// The set-up dialogs: players, names, time and level.
#include <functional>
#include <string>
#include <vector>

#include "support/game.h"
#include "tasks/setup.h"
#include "toolkit/widgets.h"

namespace qora {
namespace {

using T = test::Timeline;

// The dialogs at 640 x 480 on page 3.
class SetupDialogs : public test::Game {
 protected:
  void SetUp() override {
    Game::SetUp();
    SETACTIVEPAGE(3);
    SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
    T::move(0, 0);
  }
  // Runs a dialog with keys typed 60 ms apart: "\1" and a code is a special
  // key, "\2" a click in the corner. A dialog the keys leave open is ended by
  // an Esc 5 s later, and the test fails.
  template <class F>
  auto run(const std::string& keys, F dialog) {
    const int id = ++feeding;
    uint64_t t = tl.elapsed() + 200;
    for (size_t i = 0; i < keys.size(); ++i, t += 60) {
      const int k = keys[i] == 1 ? -int(uint8_t(keys[++i])) : uint8_t(keys[i]);
      tl.at(t, [k] { k == 2 ? T::press(1, 1) : T::type(k); });
      if (k == 2) tl.at(t + 30, [] { T::release(1, 1); });
    }
    tl.at(t + 5000, [this, id] { if (feeding == id) T::key(27); });
    auto result = dialog();
    EXPECT_LT(tl.elapsed(), t + 1000) << "the dialog stayed open: " << keys;
    WAIT(int32_t(t + 100 - std::min(t + 100, tl.elapsed())));  // keys it left unread
    WAITSTILL();
    return result;
  }
  int feeding = 0;
};

TEST_F(SetupDialogs, NameField) {
  const std::pair<std::string, std::string> cases[] = {
      {"ghbdtn\r", "\xEF\xF0\xE8\xE2\xE5\xF2"},            // привет on the Latin layout
      {"\xCC\xE0\xF8\xE0\r", "\xCC\xE0\xF8\xE0"},          // Маша on the Russian layout
      {"Vfif/?\r", "\xCC\xE0\xF8\xE0\xB8?"},               // shifted keys; "/" and "?"
      {"123456789\b0\r", "12345670"},                      // the ninth refused, Backspace frees one
      {"\r  \r\b\b\bx\r", "\xF7"},                         // Enter on empty and on spaces does nothing
      {"\1K\1Mq\1P\r", "\xE9"},                            // arrows add nothing
      {"ab\x1b\r", ""},                                    // Esc cancels
  };
  for (const auto& [keys, name] : cases)
    EXPECT_EQ(run(keys, [] { return GRINPUT(0, 100, 640, 130, 9); }), name) << keys;
  // An Esc typed before the field opens cancels it at the first key.
  T::key(27);
  EXPECT_EQ(run("b", [] { return GRINPUT(0, 100, 640, 130, 9); }), "");
}

TEST_F(SetupDialogs, ChoiceDialogs) {
  GRUPARR = {};
  for (int e : {0, 1}) GRUPARR[1].include(e);
  for (int e : {1, 5}) GRUPARR[2].include(e);
  GRUPARR[3].include(7);
  auto players = [] { return PLAYCHANGE(40); };
  auto time = [] { return INPUTTIME(100); };
  auto level = [] { return INPUTLEVEL(150); };
  struct Case {
    std::function<bool()> dialog;
    std::string keys;
    bool confirmed;
    std::function<int()> got;
    int want;
  } cases[] = {
      {players, "\r", true, [] { return PLCH * 10 + int(CURFN == "2players.qora"); }, 21},
      {players, "\1P ", true, [] { return PLCH * 10 + int(CURFN == "1player.qora"); }, 11},
      {players, "\1P\x1b\r", false, [] { return 0; }, 0},
      {time, "\r", true, [] { return TIMELIM + PLAYER[0].TIME + PLAYER[1].TIME; }, 30},
      {time, "\1K\r", true, [] { return TIMELIM; }, 15},
      {time, "\1M\1M\r", true, [] { return TIMELIM; }, 15},
      {time, "\1M\2", true, [] { return TIMELIM; }, 5},  // a click released outside the items
      {level, "\1K\2", true, [] { return KLASS * 10 + CURGRUPCOUNT; }, 1045},
      {level, "\x1b", false, [] { return 0; }, 0},
  };
  for (const Case& c : cases) {
    CLEARDEVICE();
    EXPECT_EQ(run(c.keys, c.dialog), c.confirmed) << c.keys;
    EXPECT_EQ(c.got(), c.want) << c.keys;
  }
  // Level 2: groups {0, 1} and {1, 5}.
  EXPECT_TRUE(run("\1M\r", level));
  EXPECT_EQ(KLASS, 75);
  EXPECT_EQ(std::vector<int>(CURGRUPARR.begin(), CURGRUPARR.begin() + CURGRUPCOUNT),
            (std::vector<int>{0, 1, 1, 5}));
  EXPECT_EQ(PLAYER[0].LEVEL + PLAYER[1].LEVEL, 8);
}

TEST_F(SetupDialogs, LevelsLightTheirGroupsAndAnEmptyLevelIsRefused) {
  GRUPARR = {};
  GRUPARR[2].include(3);
  GRUPARR[3].include(4);
  const RGBCOLOUR lit = GETPALETTEENTRY(uint16_t(G_IFONTACTIVEMENUCOLOR));
  const RGBCOLOUR normal = GETPALETTEENTRY(uint16_t(T2COL));
  std::vector<int> seen;
  auto look = [&] {
    int n = 0;
    for (uint32_t g : {T1COL, T2COL, T3COL}) n += GETPALETTEENTRY(uint16_t(g)) == lit;
    seen.push_back(n);
  };
  // Enter on level 1 (its group is empty) is refused; then Right, Right, Left, Enter.
  for (uint64_t t : {150, 290, 350, 410}) tl.at(tl.elapsed() + t, look);
  EXPECT_TRUE(run("\r\1M\1M\1K\r", [] { return INPUTLEVEL(150); }));
  look();
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 2, 0}));
  EXPECT_EQ(KLASS * 10 + CURGRUPCOUNT, 751);
  EXPECT_EQ(CURGRUPARR[0], 3);
  EXPECT_EQ(GETPALETTEENTRY(uint16_t(T2COL)), normal);
}

}  // namespace
}  // namespace qora
