// Frames of the visible page: palette conversion for the window, snapshots, PNG output.
#include <algorithm>
#include <cstring>

#include "graph/drawing.h"
#include "platform/png.h"

namespace qora::gfx {

namespace {

void palette_lut(std::array<uint32_t, 256>& lut) {
  const State& s = S();
  for (int i = 0; i < 256; ++i)
    lut[i] = (uint32_t(s.palette[i].r) << 16) | (uint32_t(s.palette[i].g) << 8) | s.palette[i].b;
}

// What the window paints from: the visible page of the one drawing state.
class SurfaceFrames final : public platform::FrameSource {
 public:
  bool render_damage(uint32_t* dst, int pitch, std::vector<Rect>& rects) override {
    return gfx::render_damage(dst, pitch, rects);
  }
  void damage_all() override {
    State& s = S();
    std::lock_guard lock(s.devices);
    if (!s.pages[s.visual].px.empty()) gfx::damage_all();
  }
  bool has_damage() override {
    State& s = S();
    std::lock_guard lock(s.devices);
    return s.dirty_any;
  }
};

}  // namespace

platform::FrameSource& frame_source() {
  static SurfaceFrames frames;
  return frames;
}

int full_screen_scale(int /*sw*/, int sh) { return sh > 1080 ? sh / 720 : 1; }

bool render_damage(uint32_t* dst, int pitch, std::vector<Rect>& rects) {
  State& s = S();
  std::lock_guard lock(s.devices);
  if (!s.dirty_any || s.pages[s.visual].px.empty()) return false;
  std::array<uint32_t, 256> lut;
  palette_lut(lut);
  const Page& pg = s.pages[s.visual];
  const int k = s.scale.load();
  for (int ty = 0; ty < s.tiles_y; ++ty) {
    int tx = 0;
    while (tx < s.tiles_x) {
      if (!s.dirty[ty * s.tiles_x + tx]) {
        ++tx;
        continue;
      }
      const int first = tx;
      while (tx < s.tiles_x && s.dirty[ty * s.tiles_x + tx]) s.dirty[ty * s.tiles_x + tx++] = 0;
      const Rect r{first << kTileShift, ty << kTileShift, std::min(tx << kTileShift, s.width) - 1,
                   std::min((ty + 1) << kTileShift, s.height) - 1};
      for (int y = r.y0; y <= r.y1; ++y) {
        const uint8_t* src = &pg.px[size_t(y) * s.width];
        uint32_t* out = dst + size_t(y) * k * pitch;
        if (k == 1) {
          for (int x = r.x0; x <= r.x1; ++x) out[x] = lut[src[x]];
          continue;
        }
        // One client row made of blocks, then copied to the block's other rows.
        for (int x = r.x0; x <= r.x1; ++x) std::fill_n(out + x * k, k, lut[src[x]]);
        const size_t n = size_t(r.x1 - r.x0 + 1) * k;
        for (int i = 1; i < k; ++i)
          std::memcpy(out + size_t(i) * pitch + r.x0 * k, out + r.x0 * k, n * sizeof(uint32_t));
      }
      rects.push_back(Rect{r.x0 * k, r.y0 * k, (r.x1 + 1) * k - 1, (r.y1 + 1) * k - 1});
    }
  }
  s.dirty_any = false;
  return true;
}

bool write_png(const std::string& path) {
  int w = 0, h = 0;
  const std::vector<uint32_t> px = snapshot_visible(w, h);
  return !px.empty() && platform::write_png_rgb(path, px.data(), w, h);
}

std::vector<uint32_t> snapshot_visible(int& w, int& h) {
  State& s = S();
  std::lock_guard lock(s.devices);
  w = s.width;
  h = s.height;
  std::vector<uint32_t> out;
  if (s.pages[s.visual].px.empty()) {
    w = h = 0;
    return out;
  }
  std::array<uint32_t, 256> lut;
  palette_lut(lut);
  out.resize(size_t(w) * h);
  const auto& px = s.pages[s.visual].px;
  for (size_t i = 0; i < out.size(); ++i) out[i] = lut[px[i]];
  return out;
}

}  // namespace qora::gfx
