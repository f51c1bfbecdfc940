// The main menu on the whole 1024 x 768 screen, the item highlighted read from
// the page; a game from it: the set-up dialogs (players, names, time and level);
// whole games through the game driver and the real shooting attempt, the
// players' keys scripted and every stored game read back by qora-records; the
// rating, the results panel, the top five and the hall of fame. All on the
// headless surface and the virtual clock.
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "game/attempt.h"
#include "game/driver.h"
#include "game/menu.h"
#include "graph/surface_internal.h"
#include "platform/cp1251.h"
#include "screens/gallery.h"
#include "screens/results.h"
#include "support/game.h"
#include "support/records.h"
#include "tasks/report.h"
#include "tasks/scorefiles.h"
#include "tasks/setup.h"
#include "toolkit/format.h"
#include "toolkit/widgets.h"

namespace qora {
namespace {

using T = test::Timeline;

// ---- The main menu -------------------------------------------------------------

struct Band {
  int top, bottom;
  bool active;  // drawn in the highlight colour
};

// The text bands of the menu page below the title, top to bottom. The menu
// shows items 1, 2, 5, 6, 7, 8 and 9 (3 and 4 are hidden), so seven bands.
std::vector<Band> bands() {
  std::vector<Band> out;
  bool in = false;
  for (int y = G_IMAINTITLETOP + G_PTMAINTITLECHARSIZE.Y + 2; y <= GETMAXY(); ++y) {
    const bool lit = test::box_of(LIGHTGREEN, 0, y, GETMAXX(), y)[2] >= 0;
    const bool text = lit || test::box_of(GREEN, 0, y, GETMAXX(), y)[2] >= 0;
    if (text && !in) out.push_back(Band{y, y, false});
    if (text) out.back() = Band{out.back().top, y, out.back().active || lit};
    in = text;
  }
  return out;
}

// The menu item that is highlighted, from what the page shows; 0 when unclear.
int highlighted() {
  static const int items[] = {1, 2, 5, 6, 7, 8, 9};
  const auto b = bands();
  int found = 0;
  for (size_t i = 0; i < b.size() && b.size() == 7; ++i)
    if (b[i].active) found = found ? -1 : items[i];
  return std::max(found, 0);
}

class MainMenu : public test::Game {
 protected:
  void SetUp() override {
    start(4);
    test::Timeline::move(0, 0);  // the pointer away from every item
  }
  // Runs the menu with the steps of the timeline; a step far in the future
  // ends it with Esc should a test leave it waiting.
  void run() {
    tl.at(600000, [] { test::Timeline::key(27); });
    MAINMENU();
  }
};

constexpr uint64_t kSettled = 2000;  // the title has slid in by then

TEST_F(MainMenu, ArrowKeysSkipTheHiddenItemsAndWrap) {
  std::vector<int> seen;
  uint64_t t = kSettled;
  auto step = [&](uint8_t code) {
    tl.at(t, [code] { test::Timeline::special(code); });
    tl.at(t + 100, [&] { seen.push_back(highlighted()); });
    t += 200;
  };
  tl.at(t - 100, [&] { seen.push_back(highlighted()); });
  step(80);  // Down: 1 -> 2
  step(80);  // Down: 2 -> 5 (3 and 4 are passed over)
  step(72);  // Up: 5 -> 2
  step(75);  // Left: 2 -> 1
  step(72);  // Up: 1 -> 9
  step(77);  // Right: 9 -> 1
  step(81);  // another special key beeps and stays
  tl.at(t, [] { test::Timeline::key(27); });
  run();
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 5, 2, 1, 9, 1, 1}));
}

TEST_F(MainMenu, PointingSelectsButNotAtTheHiddenItems) {
  std::vector<int> seen;
  std::vector<Band> b;
  tl.at(kSettled, [&] { b = bands(); });
  tl.at(kSettled + 50, [&] {
    ASSERT_EQ(b.size(), 7u);
    // The empty places of items 3 and 4 lie between the bands of items 2 and 5.
    const int x = GETMAXX() / 2;
    // Glyphs start a third of a line below the top of their item's place.
    const int third = G_PTAUTHORCHARSIZE.Y / 3;
    for (int y = b[1].bottom + 4; y < b[2].top - third; y += 3) test::Timeline::move(x, y);
  });
  tl.at(kSettled + 300, [&] { seen.push_back(highlighted()); });
  tl.at(kSettled + 400, [&] { test::Timeline::move(GETMAXX() / 2, (b[3].top + b[3].bottom) / 2); });
  tl.at(kSettled + 600, [&] { seen.push_back(highlighted()); });
  tl.at(kSettled + 700, [] { test::Timeline::key(27); });
  run();
  EXPECT_EQ(seen, (std::vector<int>{1, 6}));
}

// Down twice highlights the sound item: Enter, Space, a click in an empty
// corner and a quick tap whose press and release come between two looks
// each choose it; its text tells on from off.
TEST_F(MainMenu, TheSoundItemTogglesOnEnterSpaceAReleaseAnywhereOrAQuickTap) {
  std::vector<bool> sound;
  std::vector<int> width;
  auto measure = [&] {
    const auto b = bands();
    int w = 0;  // the pixels of the sound item's text
    if (b.size() == 7)
      for (int y = b[2].top; y <= b[2].bottom; ++y)
        for (int x = 0; x <= GETMAXX(); ++x) w += GETPIXEL(int16_t(x), int16_t(y)) != BLACK;
    width.push_back(w);
    sound.push_back(SOUNDOK);
  };
  const int x = 3, y = 477;
  const std::function<void()> choose[] = {
      [] { test::Timeline::key(13); }, [] { test::Timeline::key(' '); }, [=] { test::Timeline::press(x, y); },
      [=] { test::Timeline::press(x, y); test::Timeline::release(x, y); }};
  uint64_t t = kSettled;
  tl.at(t, [] { test::Timeline::special(80); test::Timeline::special(80); });
  tl.at(t + 200, measure);
  for (const auto& f : choose) {
    tl.at(t += 300, f);
    if (&f == &choose[2]) tl.at(t + 100, [=] { test::Timeline::release(x, y); });
    tl.at(t + 250, measure);
  }
  tl.at(t + 300, [] { test::Timeline::key(27); });
  run();
  EXPECT_EQ(sound, (std::vector<bool>{false, true, false, true, false}));
  EXPECT_NE(width[0], width[1]);  // "on" and "off" read differently
  EXPECT_EQ(width[0], width[2]);
}

// Full screen on displays taller than 1080: the menu is drawn at 1280 x 720
// and each pixel shown as a 2 x 2 or 3 x 3 block, the same frame as on a
// 1280 x 720 display only larger; pointing at an item in window pixels
// selects the item drawn there and a click chooses it. 1920 x 1080 is shown
// as it is.
class FullScreen : public test::Game {
 protected:
  void SetUp() override {}
  struct Shot {
    int w = 0, h = 0;
    std::vector<uint32_t> px;
    int item_x = 0, item_y = 0;  // the middle of the sound item's text, in page pixels
  };
  // The menu settled on a full screen of w x h: the whole frame the window
  // gets. With a point given (window pixels), the pointer goes there and
  // clicks.
  Shot menu(int w, int h, int x = -1, int y = -1) {
    start(4, w, h);
    Shot shot;
    const int k = gfx::S().scale.load();
    shot.w = (GETMAXX() + 1) * k;
    shot.h = (GETMAXY() + 1) * k;
    test::Timeline t;
    test::Timeline::move(0, 0);
    t.at(kSettled, [&] {
      shot.px.assign(size_t(shot.w) * shot.h, 0);
      std::vector<gfx::Rect> rects;
      {
        std::lock_guard l(gfx::S().devices);
        gfx::damage_all();
      }
      gfx::render_damage(shot.px.data(), shot.w, rects);
      const auto b = bands();
      if (b.size() == 7) shot.item_x = GETMAXX() / 2, shot.item_y = (b[2].top + b[2].bottom) / 2;
      if (x >= 0) test::Timeline::move(x, y);
    });
    t.at(kSettled + 200, [&] {
      if (x < 0) return;
      const int item = highlighted();
      EXPECT_EQ(item, 5) << w << "x" << h;
      if (item != 5) return test::Timeline::key(27);  // a click would start a game
      test::Timeline::press(x, y);
      test::Timeline::release(x, y);
    });
    t.at(kSettled + 400, [] { test::Timeline::key(27); });
    t.at(600000, [] { test::Timeline::key(27); });
    MAINMENU();
    if (x >= 0) {
      EXPECT_TRUE(SOUNDOK) << w << "x" << h;
    }
    DONEGRAPHWITHVARIBLES();
    return shot;
  }
};

// Full screen on displays taller than 1080: the menu is drawn at 1280 x 720
// and each pixel shown as a 2 x 2 or 3 x 3 block, the same frame as on a
// 1280 x 720 display only larger; pointing at an item in window pixels
// selects the item drawn there and a click chooses it. 1920 x 1080 is shown
// as it is.
TEST_F(FullScreen, TallDisplaysShowThe720PixelFrameEnlargedAndMapThePointerBack) {
  const Shot small = menu(1280, 720);
  ASSERT_EQ(small.w, 1280);
  ASSERT_EQ(small.h, 720);
  ASSERT_GT(small.item_y, 0);
  for (const int k : {2, 3}) {
    SOUNDOK = false;
    const Shot big = menu(1280 * k, 720 * k, small.item_x * k + k - 1, small.item_y * k + k - 1);
    ASSERT_EQ(big.w, 1280 * k);
    ASSERT_EQ(big.h, 720 * k);
    int wrong = 0;
    for (int y = 0; y < big.h; ++y)
      for (int x = 0; x < big.w; ++x)
        wrong += big.px[size_t(y) * big.w + x] != small.px[size_t(y / k) * small.w + x / k];
    EXPECT_EQ(wrong, 0) << "scale " << k;
  }
  const Shot hd = menu(1920, 1080);
  EXPECT_EQ(hd.w, 1920);
  EXPECT_EQ(hd.h, 1080);
  EXPECT_EQ(gfx::full_screen_scale(1920, 1200), 1);
  EXPECT_EQ(gfx::full_screen_scale(5120, 2880), 4);
}

TEST_F(MainMenu, EscAndTheCloseButtonLeaveAtOnce) {
  tl.at(kSettled, [] { test::Timeline::key(27); });
  run();
  EXPECT_LT(tl.elapsed(), kSettled + 100);
  // The close button pressed while the credits are shown ends the program
  // once the menu is back, without a second press.
  uint64_t t = tl.elapsed() + kSettled;
  tl.at(t, [] { for (int k = 0; k < 5; ++k) test::Timeline::special(80); test::Timeline::key(13); });
  tl.at(t + 500, [] { test::Timeline::close(); });
  run();
  EXPECT_LT(tl.elapsed(), t + 500 + kSettled + 100);
}

// ---- The set-up dialogs ------------------------------------------------------

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

// ---- Whole games --------------------------------------------------------------

// What a scripted player does in one attempt.
enum class Move { HIT, MISS, TIMEOUT, EXIT };

// The game's script: the moves in order, what happens after the last one
// (the keys for the results, the top five and the continue question), and
// what the attempts saw.
struct Script {
  std::vector<Move> moves;
  std::vector<int> after_series;  // keys (negative: special codes) 500 ms apart
  std::function<void(size_t)> before;  // runs before attempt n (from 0)
  std::vector<std::pair<int, int>> calls;  // (NUM, KOLVO) of each attempt
  std::vector<int> answers;                // COREL of each attempt
  std::vector<int> cornos;                 // CORNO of each attempt
  std::vector<int> revealed;               // the target shown named after each attempt, or -1
  size_t extra = 0;                        // attempts beyond the script
  std::string date;
};
Script* g_script = nullptr;
T* g_tl = nullptr;

// The target whose board carries a caption on the visible page, -1 for none,
// -2 for more than one.
int captioned_target() {
  const uint16_t active = GETACTIVEPAGE();
  SETACTIVEPAGE(GETVISUALPAGE());
  int found = -1;
  for (int k = 0; k < 5; ++k) {
    const TRECT r = MISHENRECT(k);
    if (test::box_of(LIGHTCYAN, r.LEFT, r.TOP, r.RIGHT - 1, r.BOTTOM - 1)[2] >= 0) found = found == -1 ? k : -2;
  }
  SETACTIVEPAGE(active);
  return found;
}

// The real attempt with the player's keys scheduled: the targets stand
// 750 ms after the attempt starts; the shot comes at 1000 ms.
bool scripted_attempt(int32_t NUM, int32_t KOLVO, bool& BDOEXIT) {
  Script& s = *g_script;
  const size_t n = s.calls.size();
  s.calls.emplace_back(NUM, KOLVO);
  s.answers.push_back(COREL);
  s.cornos.push_back(CORNO);
  s.date = GETSRGDATE();
  if (s.before) s.before(n);
  const Move m = n < s.moves.size() ? s.moves[n] : (++s.extra, Move::EXIT);
  const uint64_t t = g_tl->elapsed();
  // Right moves the crosshair one target on from the middle one.
  const int rights = m == Move::HIT ? (CORNO + 3) % 5 : m == Move::MISS && CORNO == 2;
  for (int i = 0; i < rights; ++i) g_tl->at(t + 900 + 20 * i, [] { T::special(77); });
  if (m != Move::TIMEOUT) g_tl->at(t + 1000, [m] { T::key(m == Move::EXIT ? 27 : ' '); });
  if (m == Move::EXIT) g_tl->at(t + 1500, [] { T::key(13); });  // the first choice: leave
  const bool hit = GAMEATTEMPT(NUM, KOLVO, BDOEXIT);
  const uint64_t back = g_tl->elapsed();
  s.revealed.push_back(-1);
  g_tl->at(back + 500, [&s, n] {
    if (n < s.revealed.size()) s.revealed[n] = captioned_target();
  });
  if (n + 1 == s.moves.size()) {
    // The last key goes to the next game's set-up, after its sliding heading.
    uint64_t k = back + 4000;
    for (size_t i = 0; i < s.after_series.size(); ++i, k += 500) {
      if (i + 1 == s.after_series.size()) k += 2500;
      g_tl->at(k, [key = s.after_series[i]] { T::type(key); });
    }
  }
  return hit;
}

// What qora-records prints for a command.
std::string records(const std::string& args) {
  const test::Run r = test::records(args);
  EXPECT_EQ(r.status, 0) << args << ": " << r.err;
  return r.out;
}

class WholeGame : public test::Game {
 protected:
  void SetUp() override {
    Game::SetUp();
    GETGRUP();
    READTIME = READHELP = 0;  // the fast switch
    T::move(0, 0);
    g_script = &script;
    g_tl = &tl;
  }
  void TearDown() override {
    g_script = nullptr;
    g_tl = nullptr;
    Game::TearDown();
  }
  // The set-up keys from 3 s on (the title and the sliding heading come
  // first): players (Down for one), the names, Enter for 10 s and level 1.
  void setup_keys(bool two, const std::vector<std::string>& names, uint64_t from = 0) {
    uint64_t t = from + 3000;
    auto key = [&](int k) { tl.at(t += 60, [k] { T::type(k); }); };
    if (!two) key(-80);
    key(13);
    for (const std::string& name : names) {
      for (char c : name) key(static_cast<unsigned char>(c));
      key(13);
    }
    key(13);
    key(13);
  }
  // The score table and the results base, read back by qora-records, hold
  // the game's entry and the players' records (of the date) as they stand.
  void expect_stored(const char* table, std::initializer_list<size_t> players) {
    test::write_file("entry", test::bytes_of(PLAYER[2]));
    EXPECT_EQ(records(std::string("scores ") + table), records("scores entry"));
    std::string results;
    for (size_t p : players) {
      EXPECT_EQ(PLAYERRESULT[p].NAME.str(), script.date + msg(74) + PLAYER[p].NAME.str());
      results += test::bytes_of(PLAYERRESULT[p]);
    }
    test::write_file("results", results);
    EXPECT_EQ(records("results Result.qora"), records("results results"));
  }
  Script script;
};

const std::string kPrivet = "\xEF\xF0\xE8\xE2\xE5\xF2";  // привет

TEST_F(WholeGame, OnePlayerMissesAllTenTasksAndDeclinesToGoOn) {
  setup_keys(false, {"ghbdtn"});
  script.moves.assign(10, Move::MISS);
  script.moves[3] = Move::TIMEOUT;
  script.after_series = {' ', ' ', -77, 13, 27};  // panel, top five, "finish", Esc in the next set-up
  RUNPROGRAMM(scripted_attempt);

  EXPECT_EQ(script.calls, (std::vector<std::pair<int, int>>(10, {0, 0})));
  EXPECT_EQ(script.extra, 0u);
  // Every task ended with the right target shown named, alone.
  EXPECT_EQ(script.revealed, script.cornos);
  EXPECT_EQ(PLAYER[0].NAME.str(), kPrivet);
  EXPECT_EQ(PLAYER[0].SCORE * 100 + PLAYER[0].HISCORE, 10);
  const std::set<int> asked(script.answers.begin(), script.answers.end());
  std::set<int> unknown;
  for (int e = 0; e < 256; ++e) if (PLAYERRESULT[0].UNKNOWEL.has(e)) unknown.insert(e);
  EXPECT_EQ(unknown, asked);
  EXPECT_TRUE(PLAYERRESULT[0].KNOWEL.empty());

  // Stored once, after "finish": the game's entry and the player's record.
  EXPECT_EQ(PLAYER[2].NAME.str(), script.date + msg(74) + kPrivet);
  EXPECT_EQ(PLAYER[2].TIME * 1000 + PLAYER[2].LEVEL, 10000 + CURGRUPCOUNT);
  expect_stored("1player.qora", {0});
}

TEST_F(WholeGame, TwoPlayersTheSecondTriesOnlyWhatTheFirstMissed) {
  const std::string masha = "\xCC\xE0\xF8\xE0", petya = "\xCF\xE5\xF2\xFF";  // typed in Cyrillic
  setup_keys(true, {masha, petya});
  // Task 1: Masha misses, Petya hits; every other task is hit at once.
  script.moves.assign(21, Move::HIT);
  script.moves[0] = Move::MISS;
  script.after_series = {' ', ' ', ' ', -77, 13, 27};  // two panels, top five, "finish", Esc
  RUNPROGRAMM(scripted_attempt);

  ASSERT_EQ(script.calls.size(), 21u);
  EXPECT_EQ(script.extra, 0u);
  std::vector<std::pair<int, int>> want = {{0, 0}, {1, 1}};
  for (int task = 1; task < 20; ++task) want.emplace_back(task % 2, 0);
  EXPECT_EQ(script.calls, want);
  // (After the last task the results panel follows at once.)
  script.revealed.pop_back();
  EXPECT_EQ(script.revealed, std::vector<int>(20, -1)) << "a task somebody solved was revealed";
  EXPECT_EQ(PLAYER[0].SCORE * 100 + PLAYER[0].HISCORE, 910);
  EXPECT_EQ(PLAYER[1].SCORE * 100 + PLAYER[1].HISCORE, 1111);
  EXPECT_EQ(PLAYER[2].NAME.str(), script.date + msg(74) + masha + msg(72) + petya);
  EXPECT_EQ(PLAYER[2].SCORE * 100 + PLAYER[2].HISCORE, 2021);
  EXPECT_EQ(int(PLAYER[2].ALLTIME), PLAYER[0].ALLTIME + PLAYER[1].ALLTIME);
  EXPECT_FALSE(std::filesystem::exists("1player.qora"));
  EXPECT_TRUE(PLAYERRESULT[0].UNKNOWEL.has(script.answers[0]) && PLAYERRESULT[1].KNOWEL.has(script.answers[0]));
  expect_stored("2players.qora", {0, 1});
}

TEST_F(WholeGame, ContinueIsNotOfferedAt200Attempts) {
  setup_keys(false, {"ghbdtn"});
  script.moves.assign(10, Move::HIT);
  script.before = [](size_t n) { if (n == 0) PLAYER[0].HISCORE = 190; };  // nineteen series played already
  // A key ends the wait where the question would stand; a second series
  // would find no moves left.
  script.after_series = {' ', ' ', ' ', 27};
  RUNPROGRAMM(scripted_attempt);
  EXPECT_EQ(script.calls.size(), 10u);
  EXPECT_EQ(script.extra, 0u) << "a second series started";
  EXPECT_EQ(PLAYER[2].SCORE * 1000 + PLAYER[2].HISCORE, 10200);
  expect_stored("1player.qora", {0});
}

TEST_F(WholeGame, AnExitDuringATaskStoresTheGameSoFarAndNothingBeforeAShot) {
  setup_keys(false, {"ghbdtn"});
  script.moves = {Move::HIT, Move::MISS, Move::EXIT};
  // An entry left from an earlier game must not be stored again.
  PLAYER[2] = PLAYREC{0, {}, 10, 10, 10, 10, 10};
  RUNPROGRAMM(scripted_attempt);
  EXPECT_EQ(script.calls.size(), 3u);
  EXPECT_EQ(PLAYER[2].NAME.str(), script.date + msg(74) + kPrivet);
  EXPECT_EQ(PLAYER[2].SCORE * 10 + PLAYER[2].HISCORE, 12);
  EXPECT_TRUE(PLAYERRESULT[0].KNOWEL.has(script.answers[0]) && PLAYERRESULT[0].UNKNOWEL.has(script.answers[1]));
  expect_stored("1player.qora", {0});
  // A second game, left at its first attempt, stores nothing more.
  const std::string scores = test::read_file("1player.qora"), results = test::read_file("Result.qora");
  script = Script{};
  script.moves = {Move::EXIT};
  tl.at(tl.elapsed(), [this] { setup_keys(false, {"ghbdtn"}, tl.elapsed()); });
  RUNPROGRAMM(scripted_attempt);
  EXPECT_EQ(script.calls.size(), 1u);
  EXPECT_EQ(test::read_file("1player.qora"), scores);
  EXPECT_EQ(test::read_file("Result.qora"), results);
}

// ---- The rating, the results panel, the top five and the hall of fame ---------

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

// Every noun the class report counts, in the form Russian asks for after
// each number: one after 1 and 21 (but 11 and 111 take many), few after 2
// and 22, many after 5, 11-14, 25, 111 and 1000.
TEST(Format, CountsAgreeWithTheirNounsInTheReport) {
  struct Forms {
    report::Noun noun;
    const char *one, *few, *many;
  };
  const Forms nouns[] = {
      {report::Noun::pupil, "ученик", "ученика", "учеников"},
      {report::Noun::game, "игра", "игры", "игр"},
      {report::Noun::undated_game, "игра без даты", "игры без даты", "игр без даты"},
      {report::Noun::element_asked, "элемент в заданиях", "элемента в заданиях", "элементов в заданиях"},
      {report::Noun::answer_known, "верный ответ", "верных ответа", "верных ответов"},
      {report::Noun::answer_missed, "ошибка", "ошибки", "ошибок"},
  };
  const std::pair<int, int> counts[] = {{1, 0}, {2, 1}, {5, 2}, {11, 2}, {21, 0},
                                        {22, 1}, {25, 2}, {111, 2}, {1000, 2}};
  for (const Forms& f : nouns)
    for (auto [n, which] : counts) {
      const char* want = which == 0 ? f.one : which == 1 ? f.few : f.many;
      EXPECT_EQ(cp1251_to_utf8(report::counted(n, f.noun)), std::to_string(n) + " " + want);
    }
  EXPECT_EQ(cp1251_to_utf8(COUNTED(14, "a", "b", "c")) + PLURAL(-3, "a", "b", "c"), "14 cb");
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
            first_row(LIGHTRED, 100, G_RCFIRMLABEL.BOTTOM + 40, R, G_RCSCREEN.BOTTOM - 60),
            // Only the empty lower table says that no game is saved yet.
            first_row(LIGHTGRAY, 100, 0, R, mid) >= 0,
            first_row(LIGHTGRAY, 100, mid, R, G_RCSCREEN.BOTTOM - 60) >= 0};
    test::Timeline::key(' ');
  });
  tl.at(5900, [&] { seen.push_back(GETVISUALPAGE()); });  // the menu is back
  tl.at(6000, [] { test::Timeline::key(27); });
  MAINMENU();
  EXPECT_EQ(seen, (std::vector<int>{1, 1, 0, -1, 0, 1, 3}));
  EXPECT_EQ(CURFN, "2players.qora");
  EXPECT_TRUE(PLAYER[2].NAME.empty());
}

}  // namespace
}  // namespace qora
