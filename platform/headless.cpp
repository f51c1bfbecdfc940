// The headless backend: no window at all, for tests and tools. The screen it
// reports is 1024x768 unless QORA_SCREEN=WxH says otherwise, and a window
// opens when it fits that screen with a nominal frame or, failing that, as a
// borderless one. Also the PNG writer of the visible page.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "graph/input_internal.h"
#include "graph/surface_internal.h"
#include "platform/script.h"

namespace qora::gfx {

namespace {

class HeadlessBackend final : public Backend {
 public:
  void screen_size(int& w, int& h) override {
    w = 1024;
    h = 768;
    if (const char* env = std::getenv("QORA_SCREEN")) {
      int ew = 0, eh = 0;
      char tail = 0;
      if (std::sscanf(env, "%dx%d%c", &ew, &eh, &tail) == 2 && ew > 0 && eh > 0 &&
          ew <= 32767 && eh <= 32767) {
        w = ew;
        h = eh;
      }
    }
  }
  int16_t open(int w, int h, bool fullscreen, const std::string&) override {
    int sw = 0, sh = 0;
    screen_size(sw, sh);
    const bool framed = !fullscreen && w + 2 * kNominalFrameW <= sw && h + 2 * kNominalFrameH + kNominalCaptionH <= sh;
    const bool borderless = w <= sw && h <= sh;
    if (!framed && !borderless) return GRINVALIDMODE;
    // The "window" exists: the input hooks start afresh, as with a real one.
    WINMOUSEPROC(MOUSEMESSAGE{MOUSEEVENT::CREATED});
    WINCRTPROC(KEYBOARDMESSAGE{KEYEVENT::CREATED});
    CLEARCLOSEREQUEST();
    platform::script_start();
    return GROK;
  }
  void close() override {
    WINMOUSEPROC(MOUSEMESSAGE{MOUSEEVENT::DESTROYED});
    WINCRTPROC(KEYBOARDMESSAGE{KEYEVENT::DESTROYED});
  }
  void wake() override {}
  bool headless() const override { return true; }
};

}  // namespace

std::unique_ptr<Backend> make_headless_backend() { return std::make_unique<HeadlessBackend>(); }

bool write_png(const std::string& path) {
  int w = 0, h = 0;
  const std::vector<uint32_t> px = snapshot_visible(w, h);
  if (px.empty()) return false;
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  std::vector<uint8_t> row(size_t(w) * 3);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_init_io(png, f.get());
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint32_t p = px[size_t(y) * w + x];
      row[size_t(x) * 3] = uint8_t(p >> 16);
      row[size_t(x) * 3 + 1] = uint8_t(p >> 8);
      row[size_t(x) * 3 + 2] = uint8_t(p);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fflush(f.get()) == 0;
}

}  // namespace qora::gfx
