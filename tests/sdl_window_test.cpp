// The SDL window backend without an X server: SDL's dummy video driver asked
// for by name gives a real window thread, event pump and window surface.
// Events are pushed into SDL's queue as a window system would deliver them.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "graph/graph.h"
#include "graph/input_internal.h"
#include "graph/surface_internal.h"
#include "support/test_support.h"

namespace qora {
namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

// Collects characters until n have arrived (or time runs out).
std::vector<int> keys(size_t n) {
  std::vector<int> out;
  test::eventually([&] {
    for (char c; TAKEKEY(c);) out.push_back(static_cast<unsigned char>(c));
    return out.size() >= n;
  });
  return out;
}

// Events are written with the fields they need; SDL_Event{} zeroes the rest.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
void push(SDL_Event e) { SDL_PushEvent(&e); }

class SdlDummy : public ::testing::Test {
 protected:
  void SetUp() override { gfx::set_backend_factory(&gfx::make_sdl_backend); }
  void TearDown() override {
    if (GRAPHENABLED()) CLOSEGRAPH();
    gfx::set_backend_factory(nullptr);
    for (char c; TAKEKEY(c);) {}
    CLEARCLOSEREQUEST();
  }
  static bool open(int16_t mode) {
    int16_t d = D4BIT, m = mode;
    INITGRAPH(d, m, "\xCF\xF0\xEE\xE1\xE0");  // "Проба" in Windows-1251
    return GRAPHRESULT() == GROK;
  }
  test::EnvVar driver_{"SDL_VIDEODRIVER", "dummy"};
};

TEST_F(SdlDummy, OpensInEveryModeAndRefusesTooLarge) {
  for (int16_t mode : {M640X480, M800X600, M640X480}) {
    const auto t0 = Steady::now();
    ASSERT_TRUE(open(mode)) << GRAPHRESULT();
    EXPECT_EQ(GETMAXX(), mode == M640X480 ? 639 : 799);
    SETFILLSTYLE(SOLIDFILL, LIGHTRED);
    BAR(0, 0, 100, 100);
    SETRGBPALETTE(uint16_t(LIGHTRED), 1, 2, 3);
    CLOSEGRAPH();
    EXPECT_FALSE(GRAPHENABLED());
    EXPECT_LT(Steady::now() - t0, 5s);
  }
  int32_t sw = 0, sh = 0;
  GETSCREENSIZE(sw, sh);
  ASSERT_GT(sw, 0);
  ASSERT_TRUE(open(MFULLSCR));
  EXPECT_EQ(GETMAXX(), sw - 1);
  EXPECT_EQ(GETMAXY(), sh - 1);
  CLOSEGRAPH();

  CUSTOMWIDTH = sw + 1;
  CUSTOMHEIGHT = 100;
  EXPECT_FALSE(open(MCUSTOM));
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDMODE);
  EXPECT_FALSE(GRAPHENABLED());
  CUSTOMWIDTH = sw;  // too wide for a frame, but fits borderless
  EXPECT_TRUE(open(MCUSTOM)) << GRAPHRESULT();
}

TEST_F(SdlDummy, WindowEventsReachTheRings) {
  ASSERT_TRUE(open(M640X480));
  // Ctrl+Q types 17; Alt+Enter gives only its special code; the keypad's 8
  // is an arrow without Num Lock and text (none here) with it.
  const struct { SDL_Scancode sc; Uint16 mod; bool down = true; } presses[] = {
      {SDL_SCANCODE_UP, KMOD_NONE},          {SDL_SCANCODE_LCTRL, KMOD_LCTRL},
      {SDL_SCANCODE_UP, KMOD_LCTRL},         {SDL_SCANCODE_Q, KMOD_LCTRL},
      {SDL_SCANCODE_LCTRL, KMOD_NONE, false}, {SDL_SCANCODE_LEFT, KMOD_LALT},
      {SDL_SCANCODE_X, KMOD_LALT},           {SDL_SCANCODE_RETURN, KMOD_LALT},
      {SDL_SCANCODE_RETURN, KMOD_NONE},      {SDL_SCANCODE_KP_8, KMOD_NONE},
      {SDL_SCANCODE_KP_8, KMOD_NUM},         {SDL_SCANCODE_ESCAPE, KMOD_NONE}};
  for (const auto& p : presses)
    push({.key = {.type = Uint32(p.down ? SDL_KEYDOWN : SDL_KEYUP),
                  .state = Uint8(p.down ? SDL_PRESSED : SDL_RELEASED),
                  .keysym = {.scancode = p.sc, .mod = p.mod}}});
  EXPECT_EQ(keys(15), (std::vector<int>{0, 72, 0, 141, 17, 0, 155, 0, 45, 0, 166, 13, 0, 72, 27}));

  SDL_Event e{.text = {.type = SDL_TEXTINPUT}};  // a, zhe, euro, an emoji, !
  SDL_strlcpy(e.text.text, "a\xD0\xB6\xE2\x82\xAC\xF0\x9F\x98\x80!", sizeof e.text.text);
  push(e);
  EXPECT_EQ(keys(4), (std::vector<int>{'a', 0xE6, 0x88, '!'}));

  push({.button = {.type = SDL_MOUSEBUTTONDOWN, .button = SDL_BUTTON_LEFT, .x = 100, .y = 50}});
  EXPECT_TRUE(test::eventually([] { return GETMOUSEBUTTONS() == MOUSELEFTBUTTON; }));
  EXPECT_EQ(GETMOUSEX(), 100);
  push({.motion = {.type = SDL_MOUSEMOTION, .state = SDL_BUTTON_LMASK, .x = 120, .y = 60}});
  EXPECT_TRUE(test::eventually([] { return GETMOUSEX() == 120 && GETMOUSEY() == 60; }));
  EXPECT_EQ(GETMOUSEBUTTONS(), MOUSELEFTBUTTON);
  push({.button = {.type = SDL_MOUSEBUTTONUP, .button = SDL_BUTTON_RIGHT, .x = 121, .y = 61}});
  EXPECT_TRUE(test::eventually([] { return GETMOUSEBUTTONS() == 0; }));

  // The close button: flag and key, and the window stays.
  push({.window = {.type = SDL_WINDOWEVENT, .event = SDL_WINDOWEVENT_CLOSE}});
  EXPECT_TRUE(test::eventually([] { return GRCLOSEREQUEST(); }));
  EXPECT_EQ(keys(2), (std::vector<int>{0, 107}));
  EXPECT_TRUE(GRAPHENABLED());
  SETCOLOR(WHITE);
  LINE(0, 0, 10, 10);
  EXPECT_EQ(GRAPHRESULT(), GROK);
}

TEST_F(SdlDummy, NoDisplayFailsQuickly) {
  test::EnvVar no_driver("SDL_VIDEODRIVER", nullptr), display("DISPLAY", ":197"),
      wayland("WAYLAND_DISPLAY", nullptr);
  const auto t0 = Steady::now();
  EXPECT_FALSE(open(M640X480));
  EXPECT_EQ(GRAPHRESULT(), GRNOTWINDOW);
  EXPECT_FALSE(GRAPHENABLED());
  EXPECT_LT(Steady::now() - t0, 5s);
}

}  // namespace
}  // namespace qora
