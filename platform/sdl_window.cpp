// The graphics window: an SDL window run entirely on a thread of its own.
// That thread initialises SDL video, creates the window, pumps its events into
// the keyboard and mouse hooks and shows the damaged parts of the visible page.
// The game thread only touches pages, the palette and the input rings, and
// wakes this thread when there is something new to show.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/cp1251.h"
#include "graph/input_internal.h"
#include "graph/surface_internal.h"
#include "platform/script.h"

namespace qora::gfx {

namespace {

// Frame size assumed before the window exists (the real one is known only
// once the window manager has framed it): generous, so that a framed window
// that is chosen really fits.
constexpr int kFrameSide = 8;
constexpr int kFrameTitle = 40;
// How long open() waits for the window thread before giving up.
constexpr auto kOpenTimeout = std::chrono::seconds(20);

constexpr Sint32 kWakeCode = 1;
constexpr Sint32 kQuitCode = 2;

void set_hints() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");       // Ctrl+C in the terminal stays a signal
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");  // plain window surface, no GL
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
}

// Starts SDL video on the calling thread. Without a display SDL falls back to
// drivers that show nothing (offscreen, dummy): those count as no display
// unless asked for by name in SDL_VIDEODRIVER.
bool init_video() {
  set_hints();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  const bool invisible = driver && (SDL_strcasecmp(driver, "offscreen") == 0 ||
                                    SDL_strcasecmp(driver, "dummy") == 0);
  if (invisible && !(asked && *asked)) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  return true;
}

bool desktop_size(int& w, int& h, int& refresh, SDL_Rect& bounds) {
  SDL_DisplayMode dm{};
  if (SDL_GetDesktopDisplayMode(0, &dm) != 0) return false;
  if (SDL_GetDisplayBounds(0, &bounds) != 0) bounds = SDL_Rect{0, 0, dm.w, dm.h};
  w = dm.w;
  h = dm.h;
  refresh = dm.refresh_rate > 0 ? dm.refresh_rate : 60;
  return w > 0 && h > 0;
}

// The game's key for an SDL key, or NONE. Physical keys (scancodes), so the
// arrows, digits and letters work in any layout.
KEY map_key(SDL_Scancode sc, Uint16 mod) {
  const bool numlock = (mod & KMOD_NUM) != 0;
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return KEY(int(KEY::A) + (sc - SDL_SCANCODE_A));
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return KEY(int(KEY::D1) + (sc - SDL_SCANCODE_1));
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12)
    return KEY(int(KEY::F1) + (sc - SDL_SCANCODE_F1));
  switch (sc) {
    case SDL_SCANCODE_0: return KEY::D0;
    case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return KEY::SHIFT;
    case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return KEY::CTRL;
    case SDL_SCANCODE_BACKSPACE: return KEY::BACKSPACE;
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: return KEY::ENTER;
    case SDL_SCANCODE_PAUSE: return KEY::PAUSE;
    case SDL_SCANCODE_PAGEUP: return KEY::PAGEUP;
    case SDL_SCANCODE_PAGEDOWN: return KEY::PAGEDOWN;
    case SDL_SCANCODE_END: return KEY::END;
    case SDL_SCANCODE_HOME: return KEY::HOME;
    case SDL_SCANCODE_LEFT: return KEY::LEFT;
    case SDL_SCANCODE_UP: return KEY::UP;
    case SDL_SCANCODE_RIGHT: return KEY::RIGHT;
    case SDL_SCANCODE_DOWN: return KEY::DOWN;
    case SDL_SCANCODE_INSERT: return KEY::INSERT;
    case SDL_SCANCODE_DELETE: return KEY::DEL;
    case SDL_SCANCODE_KP_PLUS: return KEY::KEYPADPLUS;
    case SDL_SCANCODE_KP_MINUS: return KEY::KEYPADMINUS;
    default: break;
  }
  if (numlock) return KEY::NONE;  // the keypad types digits (text input)
  switch (sc) {
    case SDL_SCANCODE_KP_5: return KEY::KEYPAD5;
    case SDL_SCANCODE_KP_8: return KEY::UP;
    case SDL_SCANCODE_KP_2: return KEY::DOWN;
    case SDL_SCANCODE_KP_4: return KEY::LEFT;
    case SDL_SCANCODE_KP_6: return KEY::RIGHT;
    case SDL_SCANCODE_KP_7: return KEY::HOME;
    case SDL_SCANCODE_KP_1: return KEY::END;
    case SDL_SCANCODE_KP_9: return KEY::PAGEUP;
    case SDL_SCANCODE_KP_3: return KEY::PAGEDOWN;
    case SDL_SCANCODE_KP_0: return KEY::INSERT;
    case SDL_SCANCODE_KP_PERIOD: return KEY::DEL;
    default: return KEY::NONE;
  }
}

// The character a key event types by itself (text input brings the rest):
// Enter, Esc, Backspace, Tab and Ctrl+letter. 0 for none.
char key_character(SDL_Scancode sc, Uint16 mod) {
  if (mod & KMOD_ALT) return 0;  // keys with Alt give only their special code
  switch (sc) {
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: return 13;
    case SDL_SCANCODE_ESCAPE: return 27;
    case SDL_SCANCODE_BACKSPACE: return 8;
    case SDL_SCANCODE_TAB: return 9;
    default: break;
  }
  if ((mod & KMOD_CTRL) && sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z)
    return char(1 + (sc - SDL_SCANCODE_A));
  return 0;
}

uint16_t button_mask(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return MOUSELEFTBUTTON;
    case SDL_BUTTON_RIGHT: return MOUSERIGHTBUTTON;
    case SDL_BUTTON_MIDDLE: return MOUSEMIDDLEBUTTON;
    default: return 0;
  }
}

uint16_t state_mask(Uint32 state) {
  return uint16_t(((state & SDL_BUTTON_LMASK) ? MOUSELEFTBUTTON : 0) |
                  ((state & SDL_BUTTON_RMASK) ? MOUSERIGHTBUTTON : 0) |
                  ((state & SDL_BUTTON_MMASK) ? MOUSEMIDDLEBUTTON : 0));
}

// State shared by the backend object and its window thread. Held by both, so
// a thread abandoned by a timed-out open() never touches freed memory.
struct Shared {
  std::mutex m;
  std::condition_variable cv;
  enum class Phase { STARTING, RUNNING, FAILED } phase = Phase::STARTING;
  int16_t result = GRNOTWINDOW;

  // The request.
  int width = 0, height = 0;
  bool fullscreen = false;
  std::string title;

  // Known once the thread has started.
  int screen_w = 0, screen_h = 0;
  std::atomic<Uint32> event_type{0};
  std::atomic<bool> accepting{false};  // wake() may push events
  std::atomic<bool> wake_pending{false};
  std::atomic<bool> quit{false};

  void report(Phase p, int16_t r) {
    {
      std::lock_guard<std::mutex> g(m);
      phase = p;
      result = r;
    }
    cv.notify_all();
  }
};

// Everything the window thread owns.
class WindowThread {
 public:
  explicit WindowThread(std::shared_ptr<Shared> sh) : sh_(std::move(sh)) {}

  void run() {
    if (!init_video()) {
      sh_->report(Shared::Phase::FAILED, GRNOTWINDOW);
      return;
    }
    const int16_t r = create();
    if (r != GROK) {
      if (window_) SDL_DestroyWindow(window_);
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      sh_->report(Shared::Phase::FAILED, r);
      return;
    }
    // The window exists: the hooks reset their rings (mouse first, then keyboard).
    WINMOUSEPROC(MOUSEMESSAGE{MOUSEEVENT::CREATED});
    WINCRTPROC(KEYBOARDMESSAGE{KEYEVENT::CREATED});
    CLEARCLOSEREQUEST();
    sh_->accepting = true;
    sh_->report(Shared::Phase::RUNNING, GROK);

    loop();

    sh_->accepting = false;
    WINMOUSEPROC(MOUSEMESSAGE{MOUSEEVENT::DESTROYED});
    WINCRTPROC(KEYBOARDMESSAGE{KEYEVENT::DESTROYED});
    SDL_StopTextInput();
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

 private:
  int16_t create() {
    SDL_Rect bounds{};
    int sw = 0, sh = 0;
    if (!desktop_size(sw, sh, refresh_, bounds)) return GRNOTWINDOW;
    {
      std::lock_guard<std::mutex> g(sh_->m);
      sh_->screen_w = sw;
      sh_->screen_h = sh;
    }
    const Uint32 ev = SDL_RegisterEvents(1);
    if (ev == Uint32(-1)) return GRNOTWINDOW;
    sh_->event_type = ev;

    w_ = sh_->width;
    h_ = sh_->height;
    if (w_ <= 0 || h_ <= 0) return GRINVALIDMODE;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    int x = 0, y = 0;
    framed_ = false;
    const int outer_w = w_ + 2 * kFrameSide, outer_h = h_ + 2 * kFrameSide + kFrameTitle;
    if (!sh_->fullscreen && outer_w <= sw && outer_h <= sh) {
      framed_ = true;
      x = bounds.x + (sw - outer_w) / 2 + kFrameSide;
      y = bounds.y + (sh - outer_h) / 2 + kFrameSide + kFrameTitle;
    } else if (w_ <= sw && h_ <= sh) {
      flags |= SDL_WINDOW_BORDERLESS;
      x = bounds.x + (sw - w_) / 2;
      y = bounds.y + (sh - h_) / 2;
    } else {
      return GRINVALIDMODE;
    }
    std::string title = cp1251_to_utf8(sh_->title);
    if (title.empty()) title = "Qora";
    window_ = SDL_CreateWindow(title.c_str(), x, y, w_, h_, flags);
    if (!window_) return GRNOTWINDOW;
    SDL_SetWindowResizable(window_, SDL_FALSE);
    SDL_SetWindowMinimumSize(window_, w_, h_);
    SDL_SetWindowMaximumSize(window_, w_, h_);
    SDL_ShowWindow(window_);
    if (framed_) {
      // With the real frame known, centre the whole framed window.
      int top = 0, left = 0, bottom = 0, right = 0;
      if (SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) == 0 &&
          (top | left | bottom | right) != 0) {
        const int ow = w_ + left + right, oh = h_ + top + bottom;
        SDL_SetWindowPosition(window_, bounds.x + std::max(0, (sw - ow) / 2) + left,
                              bounds.y + std::max(0, (sh - oh) / 2) + top);
      }
    }
    SDL_RaiseWindow(window_);
    SDL_StartTextInput();
    if (!acquire_surface()) return GRNOTWINDOW;
    // Black until the first repaint.
    SDL_FillRect(surface_, nullptr, SDL_MapRGB(surface_->format, 0, 0, 0));
    SDL_UpdateWindowSurface(window_);
    return GROK;
  }

  // (Re)reads the window surface after creation or invalidation.
  bool acquire_surface() {
    surface_ = SDL_GetWindowSurface(window_);
    if (!surface_) return false;
    direct_ = surface_->w == w_ && surface_->h == h_ &&
              surface_->format->format == SDL_PIXELFORMAT_XRGB8888 && surface_->pitch % 4 == 0;
    if (direct_)
      shadow_.clear();
    else
      shadow_.assign(size_t(w_) * size_t(h_), 0);
    return true;
  }

  // The whole visible page becomes damage (after the window surface was lost).
  static void damage_everything() {
    State& s = S();
    std::lock_guard<std::mutex> g(s.devices);
    if (s.open || s.width > 0) damage_all();
  }

  void present() {
    if (!surface_ && !acquire_surface()) return;
    rects_.clear();
    if (direct_) {
      if (!render_damage(static_cast<uint32_t*>(surface_->pixels), surface_->pitch / 4, rects_))
        return;
    } else {
      if (!render_damage(shadow_.data(), w_, rects_)) return;
      convert_rects();
    }
    sdl_rects_.clear();
    for (const Rect& r : rects_) {
      const int x0 = std::max(r.x0, 0), y0 = std::max(r.y0, 0);
      const int x1 = std::min(r.x1, surface_->w - 1), y1 = std::min(r.y1, surface_->h - 1);
      if (x1 >= x0 && y1 >= y0) sdl_rects_.push_back(SDL_Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1});
    }
    if (!sdl_rects_.empty())
      SDL_UpdateWindowSurfaceRects(window_, sdl_rects_.data(), int(sdl_rects_.size()));
  }

  // Copies the damaged rectangles from the 32-bit shadow into a window
  // surface of another pixel format or size.
  void convert_rects() {
    const int bpp = surface_->format->BytesPerPixel;
    for (const Rect& r : rects_) {
      const int x0 = std::max(r.x0, 0), y0 = std::max(r.y0, 0);
      const int x1 = std::min(r.x1, surface_->w - 1), y1 = std::min(r.y1, surface_->h - 1);
      if (x1 < x0 || y1 < y0) continue;
      SDL_ConvertPixels(x1 - x0 + 1, y1 - y0 + 1, SDL_PIXELFORMAT_XRGB8888,
                        shadow_.data() + size_t(y0) * size_t(w_) + size_t(x0), w_ * 4,
                        surface_->format->format,
                        static_cast<Uint8*>(surface_->pixels) + y0 * surface_->pitch + x0 * bpp,
                        surface_->pitch);
    }
  }

  void handle(const SDL_Event& e) {
    const Uint32 mine = sh_->event_type.load();
    if (e.type == mine) {
      if (e.user.code == kQuitCode) sh_->quit = true;
      if (e.user.code == kWakeCode) {
        sh_->wake_pending = false;  // later wakes push again
        pending_ = true;
      }
      return;
    }
    switch (e.type) {
      case SDL_WINDOWEVENT:
        switch (e.window.event) {
          case SDL_WINDOWEVENT_CLOSE:
            WINDOWCLOSEREQUEST();  // the window stays open
            break;
          case SDL_WINDOWEVENT_EXPOSED:
            if (surface_) SDL_UpdateWindowSurface(window_);  // the buffer holds the latest picture
            break;
          case SDL_WINDOWEVENT_SIZE_CHANGED:
          case SDL_WINDOWEVENT_RESIZED:
            surface_ = nullptr;  // invalidated: fetch a new one and repaint all
            damage_everything();
            pending_ = true;
            break;
          default:
            break;
        }
        break;
      case SDL_KEYDOWN: {
        const SDL_Keysym& k = e.key.keysym;
        const KEY key = map_key(k.scancode, k.mod);
        if (key != KEY::NONE)
          WINCRTPROC(KEYBOARDMESSAGE{KEYEVENT::KEYDOWN, key, (k.mod & KMOD_ALT) != 0});
        if (char c = key_character(k.scancode, k.mod))
          WINCRTPROC(KEYBOARDMESSAGE{KEYEVENT::CHARACTER, KEY::NONE, false, c});
        break;
      }
      case SDL_KEYUP: {
        const KEY key = map_key(e.key.keysym.scancode, e.key.keysym.mod);
        if (key == KEY::SHIFT || key == KEY::CTRL)
          WINCRTPROC(KEYBOARDMESSAGE{KEYEVENT::KEYUP, key});
        break;
      }
      case SDL_TEXTINPUT: {
        if (SDL_GetModState() & (KMOD_ALT | KMOD_CTRL)) break;
        for (char c : utf8_to_cp1251(e.text.text)) {
          const auto u = static_cast<unsigned char>(c);
          if (u < 32 || u == 127) continue;  // control characters come from key events
          WINCRTPROC(KEYBOARDMESSAGE{KEYEVENT::CHARACTER, KEY::NONE, false, c});
        }
        break;
      }
      case SDL_MOUSEMOTION:
        WINMOUSEPROC(MOUSEMESSAGE{MOUSEEVENT::MOVE, state_mask(e.motion.state), e.motion.x,
                                  e.motion.y});
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (uint16_t b = button_mask(e.button.button))
          WINMOUSEPROC(MOUSEMESSAGE{e.type == SDL_MOUSEBUTTONDOWN ? MOUSEEVENT::DOWN : MOUSEEVENT::UP,
                                    b, e.button.x, e.button.y});
        break;
      default:
        break;
    }
  }

  void loop() {
    using clk = std::chrono::steady_clock;
    const auto period = std::chrono::microseconds(1000000 / std::max(refresh_, 1));
    auto next_present = clk::now();
    pending_ = true;  // whatever is already damaged
    while (!sh_->quit) {
      int timeout = 250;  // a slow look at the damage even without a wake
      if (pending_) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(next_present - clk::now()).count();
        timeout = int(std::clamp<long long>(left, 0, 250));
      }
      SDL_Event e;
      if (SDL_WaitEventTimeout(&e, timeout)) {
        handle(e);
        while (!sh_->quit && SDL_PollEvent(&e)) handle(e);
      } else if (!pending_) {
        pending_ = true;
      }
      if (sh_->quit) break;
      const auto now = clk::now();
      if (pending_ && now >= next_present) {
        pending_ = false;
        present();
        next_present = now + period;  // never faster than the display refreshes
      }
    }
  }

  std::shared_ptr<Shared> sh_;
  SDL_Window* window_ = nullptr;
  SDL_Surface* surface_ = nullptr;
  bool direct_ = false;
  bool framed_ = false;
  bool pending_ = false;
  int w_ = 0, h_ = 0;
  int refresh_ = 60;
  std::vector<uint32_t> shadow_;
  std::vector<Rect> rects_;
  std::vector<SDL_Rect> sdl_rects_;
};

class SdlBackend final : public Backend {
 public:
  ~SdlBackend() override { close(); }

  void screen_size(int& w, int& h) override {
    if (shared_ && thread_.joinable()) {
      std::lock_guard<std::mutex> g(shared_->m);
      if (shared_->screen_w > 0) {
        w = shared_->screen_w;
        h = shared_->screen_h;
        return;
      }
    }
    // No window yet: ask the display from a short-lived thread, so that SDL
    // video is never used on the game thread.
    int sw = 0, sh = 0;
    std::thread probe([&sw, &sh] {
      if (!init_video()) return;
      int refresh = 0;
      SDL_Rect bounds{};
      if (!desktop_size(sw, sh, refresh, bounds)) sw = sh = 0;
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
    });
    probe.join();
    // Without a display a nominal size; opening the window then fails.
    w = sw > 0 ? sw : 1024;
    h = sh > 0 ? sh : 768;
  }

  int16_t open(int w, int h, bool fullscreen, const std::string& title) override {
    if (thread_.joinable()) return GRERROR;
    shared_ = std::make_shared<Shared>();
    shared_->width = w;
    shared_->height = h;
    shared_->fullscreen = fullscreen;
    shared_->title = title;
    thread_ = std::thread([sh = shared_] { WindowThread(sh).run(); });
    std::unique_lock<std::mutex> lk(shared_->m);
    const bool answered = shared_->cv.wait_for(
        lk, kOpenTimeout, [this] { return shared_->phase != Shared::Phase::STARTING; });
    if (!answered) {
      // The display does not answer: leave the thread to finish on its own.
      lk.unlock();
      shared_->quit = true;
      thread_.detach();
      shared_.reset();
      return GRNOTWINDOW;
    }
    if (shared_->phase == Shared::Phase::FAILED) {
      const int16_t r = shared_->result;
      lk.unlock();
      thread_.join();
      shared_.reset();
      return r;
    }
    lk.unlock();
    platform::script_start();  // scripted input begins with the first window
    return GROK;
  }

  void close() override {
    if (!thread_.joinable()) return;
    shared_->quit = true;
    push(kQuitCode);
    shared_->accepting = false;
    thread_.join();
    shared_.reset();
  }

  void wake() override {
    if (!shared_ || !shared_->accepting) return;
    if (shared_->wake_pending.exchange(true)) return;  // one wake in flight is enough
    push(kWakeCode);
  }

  bool headless() const override { return false; }

 private:
  void push(Sint32 code) {
    SDL_Event e{};
    e.type = shared_->event_type.load();
    if (e.type == 0) return;
    e.user.code = code;
    SDL_PushEvent(&e);
  }

  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<Backend> make_sdl_backend() { return std::make_unique<SdlBackend>(); }

}  // namespace qora::gfx
