// The SDL window backend without an X server: SDL's dummy video driver asked
// for by name gives a real window thread, event pump and window surface.
// Events are pushed into SDL's queue as a window system would deliver them.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "graph/graph.h"
#include "graph/input_internal.h"
#include "graph/surface_internal.h"

namespace qora {
namespace {

using namespace std::chrono_literals;

// Sets (or, with nullptr, removes) an environment variable for one scope.
class EnvVar {
 public:
  EnvVar(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~EnvVar() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

template <class F>
bool eventually(F f, std::chrono::milliseconds limit = 3000ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!f()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

std::vector<int> keys_now() {
  std::vector<int> out;
  char c;
  while (TAKEKEY(c)) out.push_back(static_cast<unsigned char>(c));
  return out;
}

// Collects characters until n have arrived (or time runs out).
std::vector<int> keys(size_t n) {
  std::vector<int> out;
  eventually([&] {
    for (int c : keys_now()) out.push_back(c);
    return out.size() >= n;
  });
  return out;
}

void push_key(SDL_Scancode sc, Uint16 mod, bool down = true) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.scancode = sc;
  e.key.keysym.mod = mod;
  SDL_PushEvent(&e);
}

void push_text(const char* utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  SDL_strlcpy(e.text.text, utf8, sizeof e.text.text);
  SDL_PushEvent(&e);
}

class SdlDummy : public ::testing::Test {
 protected:
  void SetUp() override { gfx::set_backend_factory(&gfx::make_sdl_backend); }
  void TearDown() override {
    if (GRAPHENABLED()) CLOSEGRAPH();
    gfx::set_backend_factory(nullptr);
    keys_now();
    CLEARCLOSEREQUEST();
  }
  static bool open(int16_t mode) {
    int16_t d = D4BIT, m = mode;
    INITGRAPH(d, m, "\xCF\xF0\xEE\xE1\xE0");  // "Проба" in Windows-1251
    return GRAPHRESULT() == GROK;
  }
  EnvVar driver_{"SDL_VIDEODRIVER", "dummy"};
};

TEST_F(SdlDummy, OpensClosesAndOpensAgain) {
  for (int16_t mode : {M640X480, M800X600, M640X480}) {
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(open(mode)) << GRAPHRESULT();
    EXPECT_EQ(GETMAXX(), mode == M640X480 ? 639 : 799);
    SETFILLSTYLE(SOLIDFILL, LIGHTRED);
    BAR(0, 0, 100, 100);
    SETRGBPALETTE(uint16_t(LIGHTRED), 1, 2, 3);
    CLOSEGRAPH();
    EXPECT_FALSE(GRAPHENABLED());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 5s);
  }
}

TEST_F(SdlDummy, FullScreenTakesTheDesktopAndTooLargeIsRefused) {
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
  // Exactly the screen's width cannot be framed, but fits borderless.
  CUSTOMWIDTH = sw;
  EXPECT_TRUE(open(MCUSTOM)) << GRAPHRESULT();
}

TEST_F(SdlDummy, WindowEventsReachTheRings) {
  ASSERT_TRUE(open(M640X480));

  push_key(SDL_SCANCODE_UP, KMOD_NONE);
  push_key(SDL_SCANCODE_LCTRL, KMOD_LCTRL);
  push_key(SDL_SCANCODE_UP, KMOD_LCTRL);
  push_key(SDL_SCANCODE_Q, KMOD_LCTRL);  // Ctrl+Q types 17
  push_key(SDL_SCANCODE_LCTRL, KMOD_NONE, false);
  push_key(SDL_SCANCODE_LEFT, KMOD_LALT);
  push_key(SDL_SCANCODE_X, KMOD_LALT);
  push_key(SDL_SCANCODE_RETURN, KMOD_LALT);  // only its special code
  push_key(SDL_SCANCODE_RETURN, KMOD_NONE);
  push_key(SDL_SCANCODE_KP_8, KMOD_NONE);   // keypad without Num Lock steers
  push_key(SDL_SCANCODE_KP_8, KMOD_NUM);    // with Num Lock it types (text)
  push_key(SDL_SCANCODE_ESCAPE, KMOD_NONE);
  EXPECT_EQ(keys(15), (std::vector<int>{0, 72, 0, 141, 17, 0, 155, 0, 45, 0, 166, 13, 0, 72, 27}));

  push_text("a\xD0\xB6\xE2\x82\xAC\xF0\x9F\x98\x80!");  // a, zhe, euro, an emoji, !
  EXPECT_EQ(keys(4), (std::vector<int>{'a', 0xE6, 0x88, '!'}));

  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.x = 100;
  e.button.y = 50;
  SDL_PushEvent(&e);
  EXPECT_TRUE(eventually([] { return GETMOUSEBUTTONS() == MOUSELEFTBUTTON; }));
  EXPECT_EQ(GETMOUSEX(), 100);
  e = SDL_Event{};
  e.type = SDL_MOUSEMOTION;
  e.motion.x = 120;
  e.motion.y = 60;
  e.motion.state = SDL_BUTTON_LMASK;
  SDL_PushEvent(&e);
  EXPECT_TRUE(eventually([] { return GETMOUSEX() == 120 && GETMOUSEY() == 60; }));
  EXPECT_EQ(GETMOUSEBUTTONS(), MOUSELEFTBUTTON);
  e = SDL_Event{};
  e.type = SDL_MOUSEBUTTONUP;
  e.button.button = SDL_BUTTON_RIGHT;
  e.button.x = 121;
  e.button.y = 61;
  SDL_PushEvent(&e);
  EXPECT_TRUE(eventually([] { return GETMOUSEBUTTONS() == 0; }));

  // The close button: flag and key, and the window stays.
  e = SDL_Event{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  SDL_PushEvent(&e);
  EXPECT_TRUE(eventually([] { return GRCLOSEREQUEST(); }));
  EXPECT_EQ(keys(2), (std::vector<int>{0, 107}));
  EXPECT_TRUE(GRAPHENABLED());
  SETCOLOR(WHITE);
  LINE(0, 0, 10, 10);
  EXPECT_EQ(GRAPHRESULT(), GROK);
}

TEST_F(SdlDummy, NoDisplayFailsQuickly) {
  EnvVar no_driver("SDL_VIDEODRIVER", nullptr);
  EnvVar display("DISPLAY", ":197");
  EnvVar wayland("WAYLAND_DISPLAY", nullptr);
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(open(M640X480));
  EXPECT_EQ(GRAPHRESULT(), GRNOTWINDOW);
  EXPECT_FALSE(GRAPHENABLED());
  EXPECT_LT(std::chrono::steady_clock::now() - t0, 5s);
}

}  // namespace
}  // namespace qora
