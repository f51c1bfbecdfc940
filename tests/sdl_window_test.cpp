// The SDL window backend on SDL's dummy video driver; events pushed into SDL's queue.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "graph/graph.h"
#include "graph/input_internal.h"
#include "graph/surface_internal.h"
#include "platform/video.h"
#include "support/test_support.h"

namespace qora {
namespace {

std::vector<int> keys(size_t n) {  // the characters typed, once n have come (or time runs out)
  std::vector<int> out;
  test::eventually([&] {
    for (char c; TAKEKEY(c);) out.push_back(static_cast<unsigned char>(c));
    return out.size() >= n;
  });
  return out;
}

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // SDL_Event{} zeroes the rest
void push(SDL_Event e) { SDL_PushEvent(&e); }

class SdlDummy : public ::testing::Test {
 protected:
  void SetUp() override { gfx::set_backend_factory(&platform::make_sdl_backend); }
  void TearDown() override {
    if (GRAPHENABLED()) CLOSEGRAPH();
    gfx::set_backend_factory(nullptr);
    for (char c; TAKEKEY(c);) {}
    CLEARCLOSEREQUEST();
  }
  static bool open(int16_t m) {
    int16_t d = D4BIT;
    INITGRAPH(d, m, "\xCF\xF0\xEE\xE1\xE0");  // "Проба" in Windows-1251
    return GRAPHRESULT() == GROK;
  }
  test::EnvVar driver_{"SDL_VIDEODRIVER", "dummy"};
};

TEST_F(SdlDummy, OpensAgainAndRefusesWhatDoesNotFit) {
  for (int16_t mode : {M640X480, M800X600}) {
    ASSERT_TRUE(open(mode)) << GRAPHRESULT();
    EXPECT_EQ(GETMAXX(), mode == M640X480 ? 639 : 799);
    CLOSEGRAPH();
  }
  int32_t sw = 0, sh = 0;
  GETSCREENSIZE(sw, sh);
  CUSTOMWIDTH = sw + 1;
  CUSTOMHEIGHT = 100;
  EXPECT_FALSE(open(MCUSTOM));
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDMODE);
  CUSTOMWIDTH = sw;  // too wide for a frame, but fits borderless
  EXPECT_TRUE(open(MCUSTOM)) << GRAPHRESULT();
  CLOSEGRAPH();
  // A window costs one start of SDL video, and the screen size is then known
  // without another.
  const int inits = platform::sdl_testing::video_inits();
  ASSERT_TRUE(open(M640X480));
  CLOSEGRAPH();
  GETSCREENSIZE(sw, sh);
  EXPECT_EQ(platform::sdl_testing::video_inits(), inits + 1);
  test::EnvVar no_driver("SDL_VIDEODRIVER", nullptr), display("DISPLAY", ":197"),
      wayland("WAYLAND_DISPLAY", nullptr);
  EXPECT_FALSE(open(M640X480));  // no display to show a window on
  EXPECT_EQ(GRAPHRESULT(), GRNOTWINDOW);
}

TEST_F(SdlDummy, NoWindowStartsWhileAnAbandonedOneLives) {
  // A display too slow to answer: open gives up, and while the abandoned
  // thread still runs no other window starts; once it has ended, one does.
  platform::sdl_testing::set_open_timeout_ms(100);
  platform::sdl_testing::set_start_delay_ms(600);
  EXPECT_FALSE(open(M640X480));
  platform::sdl_testing::set_start_delay_ms(0);
  EXPECT_FALSE(open(M640X480));
  EXPECT_EQ(GRAPHRESULT(), GRNOTWINDOW);
  platform::sdl_testing::set_open_timeout_ms(20000);
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_TRUE(open(M640X480)) << GRAPHRESULT();
}

TEST_F(SdlDummy, WindowEventsReachTheRings) {
  ASSERT_TRUE(open(M640X480));
  // Ctrl+Q types 17, Alt+Enter only its special code, keypad 8 with Num Lock text (none here), a
  // letter alone text (none here).
  const struct { SDL_Scancode sc; Uint16 mod; bool down = true; } presses[] = {
      {SDL_SCANCODE_UP, KMOD_NONE},     {SDL_SCANCODE_LCTRL, KMOD_LCTRL}, {SDL_SCANCODE_UP, KMOD_LCTRL},
      {SDL_SCANCODE_Q, KMOD_LCTRL},     {SDL_SCANCODE_LCTRL, KMOD_NONE, false},
      {SDL_SCANCODE_LEFT, KMOD_LALT},   {SDL_SCANCODE_X, KMOD_LALT},      {SDL_SCANCODE_RETURN, KMOD_LALT},
      {SDL_SCANCODE_RETURN, KMOD_NONE}, {SDL_SCANCODE_KP_8, KMOD_NONE},   {SDL_SCANCODE_KP_8, KMOD_NUM},
      {SDL_SCANCODE_A, KMOD_NONE},      {SDL_SCANCODE_ESCAPE, KMOD_NONE}};
  for (const auto& p : presses)
    push({.key = {.type = Uint32(p.down ? SDL_KEYDOWN : SDL_KEYUP), .keysym = {p.sc, {}, p.mod}}});
  EXPECT_EQ(keys(15), (std::vector<int>{0, 72, 0, 141, 17, 0, 155, 0, 45, 0, 166, 13, 0, 72, 27}));

  SDL_Event e{.text = {.type = SDL_TEXTINPUT}};  // a, zhe, euro, an emoji, !
  SDL_strlcpy(e.text.text, "a\xD0\xB6\xE2\x82\xAC\xF0\x9F\x98\x80!", sizeof e.text.text);
  push(e);
  EXPECT_EQ(keys(4), (std::vector<int>{'a', 0xE6, 0x88, '!'}));

  push({.button = {.type = SDL_MOUSEBUTTONDOWN, .button = SDL_BUTTON_LEFT, .x = 100, .y = 50}});
  push({.motion = {.type = SDL_MOUSEMOTION, .state = SDL_BUTTON_LMASK, .x = 120, .y = 60}});
  EXPECT_TRUE(test::eventually(
      [] { return GETMOUSEBUTTONS() == MOUSELEFTBUTTON && GETMOUSEX() == 120 && GETMOUSEY() == 60; }));
  push({.button = {.type = SDL_MOUSEBUTTONUP, .button = SDL_BUTTON_RIGHT, .x = 121, .y = 61}});
  EXPECT_TRUE(test::eventually([] { return GETMOUSEBUTTONS() == 0; }));

  push({.window = {.type = SDL_WINDOWEVENT, .event = SDL_WINDOWEVENT_CLOSE}});
  EXPECT_EQ(keys(2), (std::vector<int>{0, 107}));
  EXPECT_TRUE(GRCLOSEREQUEST());
  EXPECT_TRUE(GRAPHENABLED());  // the close button asks; the window stays
}

}  // namespace
}  // namespace qora
