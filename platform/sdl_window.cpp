// The graphics window: an SDL window run entirely on a thread of its own.
// That thread initialises SDL video once per window, reads the desktop size,
// creates the window, pumps its events into the keyboard and mouse hook slots
// and paints the damaged parts of the visible page from the FrameSource. The
// game thread only touches pages, the palette and the input rings, and wakes
// this thread when there is something new to show.
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

#include "platform/cp1251.h"
#include "platform/input.h"
#include "platform/record.h"
#include "platform/script.h"
#include "platform/video.h"

namespace qora::platform {

namespace {

// Frame size assumed before the window exists (the real one is known only
// once the window manager has framed it): generous, so that a framed window
// that is chosen really fits.
constexpr int kFrameSide = 8;
constexpr int kFrameTitle = 40;
// How long open() waits for the window thread before giving up (tests shorten it).
std::atomic<int> g_open_timeout_ms{20000};
// Tests: a pause at the start of every window thread, and how many times a
// window thread has initialised SDL video.
std::atomic<int> g_start_delay_ms{0};
std::atomic<int> g_video_inits{0};

constexpr Sint32 kWakeCode = 1;
constexpr int kMaxFramesPerSecond = 30;
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
  g_video_inits.fetch_add(1);
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

// Mouse buttons as the hooks count them: 1 left, 2 right, 4 middle.
uint16_t button_mask(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    case SDL_BUTTON_MIDDLE: return 4;
    default: return 0;
  }
}

uint16_t state_mask(Uint32 state) {
  return uint16_t(((state & SDL_BUTTON_LMASK) ? 1 : 0) | ((state & SDL_BUTTON_RMASK) ? 2 : 0) |
                  ((state & SDL_BUTTON_MMASK) ? 4 : 0));
}

// Window threads that have started and not yet finished, of any backend
// object: a new window never starts while an old thread may still use SDL
// video (one whose open timed out is left to finish on its own).
std::atomic<int> g_live_threads{0};

// The desktop size seen by the last window thread, so that a size query
// while no thread runs needs no display of its own.
std::mutex g_screen_m;
int g_screen_w = 0, g_screen_h = 0;

// State shared by the backend object and its window thread. Held by both, so
// a thread abandoned by a timed-out open() never touches freed memory.
struct Shared {
  std::mutex m;
  std::condition_variable cv;
  // STARTING: video is being initialised; SIZED: the desktop size is known
  // and the thread waits for the window request; RUNNING: the window is up;
  // FAILED: the thread has given up (result says why).
  enum class Phase { STARTING, SIZED, RUNNING, FAILED } phase = Phase::STARTING;
  OpenResult result = OpenResult::no_window;

  // The request, set before `requested`.
  bool requested = false;
  int width = 0, height = 0;
  bool fullscreen = false;
  std::string title;
  FrameSource* source = nullptr;

  int screen_w = 0, screen_h = 0;
  std::atomic<Uint32> event_type{0};
  std::atomic<bool> accepting{false};  // wake() may push events
  std::atomic<bool> wake_pending{false};
  // The thread waits for a wake (nothing changed in its last frame). While
  // the picture keeps changing it looks by itself every frame instead, so
  // the game need not wake it through the display server each time.
  std::atomic<bool> idle{true};
  std::atomic<bool> quit{false};

  void report(Phase p, OpenResult r = OpenResult::ok) {
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
    if (const int d = g_start_delay_ms.load(); d > 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(d));
    if (!init_video()) {
      sh_->report(Shared::Phase::FAILED, OpenResult::no_window);
      return;
    }
    SDL_Rect bounds{};
    int sw = 0, sh = 0;
    if (!desktop_size(sw, sh, refresh_, bounds)) {
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      sh_->report(Shared::Phase::FAILED, OpenResult::no_window);
      return;
    }
    {
      std::lock_guard<std::mutex> g(g_screen_m);
      g_screen_w = sw;
      g_screen_h = sh;
    }
    {
      std::unique_lock<std::mutex> lk(sh_->m);
      sh_->screen_w = sw;
      sh_->screen_h = sh;
      sh_->phase = Shared::Phase::SIZED;
      sh_->cv.notify_all();
      // Wait for the window request, or for the backend to give up on it.
      sh_->cv.wait(lk, [this] { return sh_->requested || sh_->quit.load(); });
      if (!sh_->requested) {
        lk.unlock();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return;
      }
    }
    const OpenResult r = create(bounds, sw, sh);
    if (r != OpenResult::ok) {
      if (window_) SDL_DestroyWindow(window_);
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      sh_->report(Shared::Phase::FAILED, r);
      return;
    }
    // The window exists: the hooks reset their rings (mouse first, then keyboard).
    deliver(MOUSEMESSAGE{MOUSEEVENT::CREATED});
    deliver(KEYBOARDMESSAGE{KEYEVENT::CREATED});
    sh_->accepting = true;
    sh_->report(Shared::Phase::RUNNING);

    loop();

    sh_->accepting = false;
    deliver(MOUSEMESSAGE{MOUSEEVENT::DESTROYED});
    deliver(KEYBOARDMESSAGE{KEYEVENT::DESTROYED});
    SDL_StopTextInput();
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

 private:
  OpenResult create(const SDL_Rect& bounds, int sw, int sh) {
    const Uint32 ev = SDL_RegisterEvents(1);
    if (ev == Uint32(-1)) return OpenResult::no_window;
    sh_->event_type = ev;

    w_ = sh_->width;
    h_ = sh_->height;
    if (w_ <= 0 || h_ <= 0) return OpenResult::invalid_mode;
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
      return OpenResult::invalid_mode;
    }
    std::string title = cp1251_to_utf8(sh_->title);
    if (title.empty()) title = "Qora";
    window_ = SDL_CreateWindow(title.c_str(), x, y, w_, h_, flags);
    if (!window_) return OpenResult::no_window;
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
    if (!acquire_surface()) return OpenResult::no_window;
    // Black until the first repaint.
    SDL_FillRect(surface_, nullptr, SDL_MapRGB(surface_->format, 0, 0, 0));
    SDL_UpdateWindowSurface(window_);
    return OpenResult::ok;
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

  // Shows the damage; false when there was none.
  bool present() {
    if (!surface_ && !acquire_surface()) return false;
    rects_.clear();
    if (direct_) {
      if (!sh_->source->render_damage(static_cast<uint32_t*>(surface_->pixels),
                                      surface_->pitch / 4, rects_))
        return false;
    } else {
      if (!sh_->source->render_damage(shadow_.data(), w_, rects_)) return false;
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
    return true;
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
      if (e.user.code == kWakeCode) pending_ = true;
      return;
    }
    switch (e.type) {
      case SDL_WINDOWEVENT:
        switch (e.window.event) {
          case SDL_WINDOWEVENT_CLOSE:
            deliver(KEYBOARDMESSAGE{KEYEVENT::CLOSE});  // the window stays open
            break;
          case SDL_WINDOWEVENT_EXPOSED:
            if (surface_) SDL_UpdateWindowSurface(window_);  // the buffer holds the latest picture
            break;
          case SDL_WINDOWEVENT_SIZE_CHANGED:
          case SDL_WINDOWEVENT_RESIZED:
            surface_ = nullptr;  // invalidated: fetch a new one and repaint all
            sh_->source->damage_all();
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
          deliver(KEYBOARDMESSAGE{KEYEVENT::KEYDOWN, key, (k.mod & KMOD_ALT) != 0, 0,
                                  (k.mod & KMOD_SHIFT) != 0, (k.mod & KMOD_CTRL) != 0});
        if (char c = key_character(k.scancode, k.mod))
          deliver(KEYBOARDMESSAGE{KEYEVENT::CHARACTER, KEY::NONE, false, c});
        break;
      }
      case SDL_TEXTINPUT: {
        if (SDL_GetModState() & (KMOD_ALT | KMOD_CTRL)) break;
        for (char c : utf8_to_cp1251(e.text.text)) {
          const auto u = static_cast<unsigned char>(c);
          if (u < 32 || u == 127) continue;  // control characters come from key events
          deliver(KEYBOARDMESSAGE{KEYEVENT::CHARACTER, KEY::NONE, false, c});
        }
        break;
      }
      case SDL_MOUSEMOTION:
        deliver(MOUSEMESSAGE{MOUSEEVENT::MOVE, state_mask(e.motion.state), e.motion.x,
                                  e.motion.y});
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (uint16_t b = button_mask(e.button.button))
          deliver(MOUSEMESSAGE{e.type == SDL_MOUSEBUTTONDOWN ? MOUSEEVENT::DOWN : MOUSEEVENT::UP, b,
                               e.button.x, e.button.y});
        break;
      default:
        break;
    }
  }

  void loop() {
    using clk = std::chrono::steady_clock;
    // Never faster than the display refreshes, nor than kMaxFramesPerSecond:
    // the pulsing colours of the game change every few milliseconds, and
    // each frame shown costs a round trip to the display server.
    const auto period =
        std::chrono::microseconds(1000000 / std::clamp(refresh_, 1, kMaxFramesPerSecond));
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
        const bool painted = present();
        next_present = now + period;
        sh_->wake_pending = false;
        if (painted) {
          sh_->idle = false;  // look again at the next frame
          pending_ = true;
        } else {
          sh_->idle = true;  // from now on the game wakes the thread
          // Damage that came in just before woke nobody: show it next frame.
          if (sh_->source->has_damage()) pending_ = true;
        }
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

class SdlBackend final : public VideoBackend {
 public:
  ~SdlBackend() override { close(); }

  // The desktop size: remembered from an earlier window when there was one;
  // otherwise the window thread starts here, and the one initialisation of
  // SDL video it makes serves the window that open() then asks for.
  bool screen_size(int& w, int& h) override {
    {
      std::lock_guard<std::mutex> g(g_screen_m);
      if (g_screen_w > 0 && !thread_.joinable()) {
        w = g_screen_w;
        h = g_screen_h;
        return true;
      }
    }
    if (!thread_.joinable() && !start_thread()) return false;
    std::unique_lock<std::mutex> lk(shared_->m);
    if (!wait_phase(lk, Shared::Phase::SIZED)) return false;
    if (shared_->phase == Shared::Phase::FAILED) return false;
    w = shared_->screen_w;
    h = shared_->screen_h;
    record_screen(w, h);  // a recorded session replays on a screen of this size
    return true;
  }

  OpenResult open(int w, int h, bool fullscreen, const std::string& title,
                  FrameSource& source) override {
    if (!thread_.joinable()) {
      if (!start_thread()) return OpenResult::busy;
    } else if (shared_->requested) {
      return OpenResult::busy;  // this backend already has a window
    }
    std::unique_lock<std::mutex> lk(shared_->m);
    shared_->width = w;
    shared_->height = h;
    shared_->fullscreen = fullscreen;
    shared_->title = title;
    shared_->source = &source;
    shared_->requested = true;
    shared_->cv.notify_all();
    if (!wait_phase(lk, Shared::Phase::RUNNING)) return OpenResult::no_window;
    if (shared_->phase == Shared::Phase::FAILED) {
      const OpenResult r = shared_->result;
      lk.unlock();
      thread_.join();
      shared_.reset();
      return r;
    }
    lk.unlock();
    script_start();  // scripted input begins with the first window
    return OpenResult::ok;
  }

  void close() override {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> g(shared_->m);
      shared_->quit = true;
    }
    shared_->cv.notify_all();  // a thread still waiting for its request
    push(kQuitCode);
    shared_->accepting = false;
    thread_.join();
    shared_.reset();
  }

  void wake() override {
    if (!shared_ || !shared_->accepting || !shared_->idle) return;
    if (shared_->wake_pending.exchange(true)) return;  // one wake a frame is enough
    push(kWakeCode);
  }

  bool headless() const override { return false; }

 private:
  // Starts the window thread unless another one (of an earlier backend whose
  // open timed out) is still alive.
  bool start_thread() {
    if (g_live_threads.load() > 0) return false;
    shared_ = std::make_shared<Shared>();
    g_live_threads.fetch_add(1);
    thread_ = std::thread([sh = shared_] {
      WindowThread(sh).run();
      g_live_threads.fetch_sub(1);
    });
    return true;
  }

  // Waits until the thread has reached the phase (or failed). On a display
  // that does not answer in time the thread is left to finish on its own;
  // no new window starts until it has.
  bool wait_phase(std::unique_lock<std::mutex>& lk, Shared::Phase want) {
    const auto timeout = std::chrono::milliseconds(g_open_timeout_ms.load());
    const bool answered = shared_->cv.wait_for(lk, timeout, [this, want] {
      return shared_->phase == Shared::Phase::FAILED || int(shared_->phase) >= int(want);
    });
    if (answered) return true;
    shared_->quit = true;
    shared_->cv.notify_all();
    lk.unlock();
    thread_.detach();
    shared_.reset();
    return false;
  }

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

std::unique_ptr<VideoBackend> make_sdl_backend() { return std::make_unique<SdlBackend>(); }

namespace sdl_testing {
void set_open_timeout_ms(int ms) { g_open_timeout_ms = ms; }
void set_start_delay_ms(int ms) { g_start_delay_ms = ms; }
int video_inits() { return g_video_inits.load(); }
}  // namespace sdl_testing

}  // namespace qora::platform
