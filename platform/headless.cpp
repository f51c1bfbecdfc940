// The headless backend: no window at all, for tests and tools. The screen it
// reports is 1024x768 unless QORA_SCREEN=WxH or the input script's "screen"
// line says otherwise, and a window
// opens when it fits that screen with a nominal frame or, failing that, as a
// borderless one.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "platform/input.h"
#include "platform/record.h"
#include "platform/script.h"
#include "platform/video.h"

namespace qora::platform {

namespace {

class HeadlessBackend final : public VideoBackend {
 public:
  bool screen_size(int& w, int& h) override {
    w = 1024;
    h = 768;
    script_screen(w, h);
    if (const char* env = std::getenv("QORA_SCREEN")) {
      int ew = 0, eh = 0;
      char tail = 0;
      if (std::sscanf(env, "%dx%d%c", &ew, &eh, &tail) == 2 && ew > 0 && eh > 0 &&
          ew <= 32767 && eh <= 32767) {
        w = ew;
        h = eh;
      }
    }
    record_screen(w, h);
    return true;
  }
  OpenResult open(int w, int h, bool fullscreen, const std::string&, FrameSource&) override {
    int sw = 0, sh = 0;
    screen_size(sw, sh);
    const bool framed = !fullscreen && w + 2 * kNominalFrameW <= sw &&
                        h + 2 * kNominalFrameH + kNominalCaptionH <= sh;
    const bool borderless = w <= sw && h <= sh;
    if (!framed && !borderless) return OpenResult::invalid_mode;
    // The "window" exists: the input hooks start afresh, as with a real one.
    deliver(MOUSEMESSAGE{MOUSEEVENT::CREATED});
    deliver(KEYBOARDMESSAGE{KEYEVENT::CREATED});
    script_start();
    return OpenResult::ok;
  }
  void close() override {
    deliver(MOUSEMESSAGE{MOUSEEVENT::DESTROYED});
    deliver(KEYBOARDMESSAGE{KEYEVENT::DESTROYED});
  }
  void wake() override {}
  bool headless() const override { return true; }
};

}  // namespace

std::unique_ptr<VideoBackend> make_headless_backend() { return std::make_unique<HeadlessBackend>(); }

bool headless_requested() {
  const char* video = std::getenv("QORA_VIDEO");
  return video && std::string_view(video) == "headless";
}

std::unique_ptr<VideoBackend> make_default_backend() {
  return headless_requested() ? make_headless_backend() : make_sdl_backend();
}

}  // namespace qora::platform
