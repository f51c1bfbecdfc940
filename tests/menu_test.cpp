// The main menu on the whole 1024 x 768 screen, played through the window's
// input hooks; the item highlighted is read from the page.
#include <functional>
#include <vector>

#include "game/menu.h"
#include "support/game.h"

namespace qora {
namespace {

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

}  // namespace
}  // namespace qora
