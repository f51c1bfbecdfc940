// Where the graphics surface shows its visible page: a window on a thread of
// its own (SDL), or nothing at all (headless, for tests and tools). The
// surface above hands the backend a FrameSource to paint from; the backend
// reports keyboard and mouse through the hook slots of platform/input.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qora::platform {

struct Rect {  // inclusive corners, absolute page coordinates
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
  bool empty() const { return x1 < x0 || y1 < y0; }
};

// The frame a window manager puts around a framed window, as assumed where the
// real one cannot be asked (the maximised mode, the headless screen).
constexpr int kNominalFrameW = 3, kNominalFrameH = 3, kNominalCaptionH = 23;

// What a window shows, provided by the graphics surface. Both calls take the
// drawing lock themselves; the window thread makes them.
class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // Converts the damaged parts of the visible page through the palette into
  // a 32-bit 0x00RRGGBB buffer of the client size (pitch in pixels), clears
  // the damage and appends the converted rectangles to rects. False when
  // nothing was damaged.
  virtual bool render_damage(uint32_t* dst, int pitch, std::vector<Rect>& rects) = 0;
  // The whole visible page becomes damage (after the window lost its pixels).
  virtual void damage_all() = 0;
  // Whether the visible page has damage not yet rendered.
  virtual bool has_damage() = 0;
};

enum class OpenResult { ok, invalid_mode, no_window, busy };

class VideoBackend {
 public:
  virtual ~VideoBackend() = default;
  // The size of the whole screen (for full-screen mode and the fit test);
  // false when no display answers. Never call it with the drawing lock held.
  virtual bool screen_size(int& w, int& h) = 0;
  // Opens the output with a client area of exactly w x h (fullscreen: a
  // borderless window covering the screen), painting from source, which must
  // outlive the backend. invalid_mode: neither a framed nor a borderless
  // window of that size fits; no_window: no window can be made; busy: a
  // window of an earlier open is still shutting down.
  virtual OpenResult open(int w, int h, bool fullscreen, const std::string& title,
                          FrameSource& source) = 0;
  virtual void close() = 0;
  // The visible page has damage to show. Called with the drawing lock held,
  // so it must not block.
  virtual void wake() = 0;
  virtual bool headless() const = 0;
};

// QORA_VIDEO=headless: no window and nothing shown, for tests and tools.
bool headless_requested();

std::unique_ptr<VideoBackend> make_sdl_backend();
std::unique_ptr<VideoBackend> make_headless_backend();
// The SDL window, or the headless backend when QORA_VIDEO=headless.
std::unique_ptr<VideoBackend> make_default_backend();

// For tests of the SDL backend: a shorter wait for the window thread, a
// slow start of every window thread, and the count of SDL video
// initialisations so far.
namespace sdl_testing {
void set_open_timeout_ms(int ms);
void set_start_delay_ms(int ms);
int video_inits();
}  // namespace sdl_testing

}  // namespace qora::platform
