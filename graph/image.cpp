// Image capture and paste: a rectangle of the active page held as a complete
// 24-bit BMP file image in memory (RGB through the palette at capture time).
#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <limits>
#include <utility>
#include <vector>

#include "graph/drawing.h"

namespace qora {

using namespace gfx;

namespace {

constexpr int kHeader = 54;

void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}
uint16_t get16(const std::vector<uint8_t>& b, size_t at) {
  return uint16_t(b[at] | b[at + 1] << 8);
}

// The bytes a rectangle needs, or -1 when the corners are reversed or the
// size does not fit the 32-bit result.
int64_t image_bytes(int x1, int y1, int x2, int y2) {
  if (x1 > x2 || y1 > y2) return -1;
  const int64_t n = kHeader + int64_t(24) * ((x2 - x1 + 8) / 8) * (y2 - y1 + 1);
  return n > std::numeric_limits<int32_t>::max() ? -1 : n;
}

inline size_t row_bytes(int64_t w) { return size_t((w * 3 + 3) & ~int64_t(3)); }

uint8_t combine(uint8_t src, uint8_t dst, uint16_t mode) {
  switch (mode) {
    case XORPUT: return uint8_t(dst ^ src);
    case ORPUT: return uint8_t(dst | src);
    case ANDPUT: return uint8_t(dst & src);
    case NOTPUT: return uint8_t(~src);
    case NOTORPUT: return uint8_t(~(src | dst));
    case INVBITORPUT: return uint8_t(dst | ~src);
    case INVSCRANDPUT: return uint8_t(src & ~dst);
    default: return src;
  }
}

// An image holds colours, not palette indices, so a paste under a changed
// palette (an entry pulsing, group colours lit, the floor entry recoloured)
// would match them against colours the picture never had. The surface
// therefore remembers each image it captured: its bytes, and the index every
// pixel takes by the nearest-colour rule under the palette of the capture. A
// paste of the same bytes copies those indices (no colour matching at all);
// images it did not capture, or changed since, match the current palette.
struct Captured {
  std::vector<uint8_t> bytes;    // the header and pixel rows a paste reads
  int palsize = 0;
  std::vector<uint8_t> indices;  // one a pixel, rows from the top
  uint16_t colours = 0;          // bit i: index i occurs in indices
};
constexpr size_t kRememberedCaptures = 64;  // the oldest are forgotten beyond these
std::deque<Captured> g_captures;  // newest first; under the drawing lock

void remember_capture(const std::vector<uint8_t>& buffer, size_t used,
                      std::vector<uint8_t> indices, const State& s) {
  std::erase_if(g_captures, [&](const Captured& c) {
    return c.bytes.size() == used && std::memcmp(c.bytes.data(), buffer.data(), used) == 0;
  });
  if (g_captures.size() >= kRememberedCaptures) g_captures.pop_back();
  uint16_t colours = 0;
  for (uint8_t i : indices) colours |= uint16_t(1u << (i & 15));
  g_captures.push_front(Captured{std::vector<uint8_t>(buffer.begin(), buffer.begin() + long(used)),
                                 s.palsize, std::move(indices), colours});
}

const Captured* captured(const std::vector<uint8_t>& buffer, size_t used, int palsize) {
  for (const Captured& c : g_captures)
    if (c.bytes.size() == used && std::memcmp(c.bytes.data(), buffer.data(), used) == 0)
      return c.palsize == palsize ? &c : nullptr;
  return nullptr;
}

}  // namespace

int32_t IMAGESIZE(int16_t x1, int16_t y1, int16_t x2, int16_t y2) {
  Drawing d;
  if (!d) return 0;
  const int64_t n = image_bytes(x1, y1, x2, y2);
  if (n < 0) {
    S().result = GRINVALIDPARAM;
    return 0;
  }
  return int32_t(n);
}

void GETIMAGE(int16_t x1, int16_t y1, int16_t x2, int16_t y2, std::vector<uint8_t>& buffer) {
  Drawing d;
  if (!d) return;
  const int64_t size = image_bytes(x1, y1, x2, y2);
  if (size < 0) {
    S().result = GRINVALIDPARAM;
    return;
  }
  State& s = S();
  const int w = x2 - x1 + 1, h = y2 - y1 + 1;
  if (buffer.size() < size_t(size)) buffer.resize(size_t(size));
  buffer[0] = 'B';
  buffer[1] = 'M';
  put32(buffer, 2, uint32_t(size));
  put16(buffer, 6, 0);
  put16(buffer, 8, 0);
  put32(buffer, 10, kHeader);
  put32(buffer, 14, 40);
  put32(buffer, 18, uint32_t(w));
  put32(buffer, 22, uint32_t(h));
  put16(buffer, 26, 1);
  put16(buffer, 28, 24);
  put32(buffer, 30, 0);
  put32(buffer, 34, 0);
  // 38..45, the resolution, are left as they are.
  put32(buffer, 46, 0);
  put32(buffer, 50, 0);
  const size_t stride = row_bytes(w);
  const int ax = origin_x() + x1, ay = origin_y() + y1;
  const auto& px = s.pages[s.active].px;
  // The index each colour comes back as under this palette (the nearest
  // entry, the lowest of equal ones).
  std::array<uint8_t, 256> back{};
  for (int i = 0; i < s.palsize; ++i)
    back[size_t(i)] = nearest_index(s.palette[size_t(i)], s.palette.data(), s.palsize);
  std::vector<uint8_t> indices(s.nopalette ? 0 : size_t(w) * size_t(h));
  for (int row = 0; row < h; ++row) {
    uint8_t* out = &buffer[kHeader + size_t(h - 1 - row) * stride];
    const int y = ay + row;
    for (int col = 0; col < w; ++col) {
      const int x = ax + col;
      // Outside the page there is nothing to read: black.
      RGBCOLOUR c{};
      uint8_t idx = back[0];
      if (x >= 0 && y >= 0 && x < s.width && y < s.height) {
        c = s.palette[px[size_t(y) * s.width + x]];
        idx = back[px[size_t(y) * s.width + x]];
      }
      if (!indices.empty()) indices[size_t(row) * size_t(w) + size_t(col)] = idx;
      out[col * 3] = c.b;
      out[col * 3 + 1] = c.g;
      out[col * 3 + 2] = c.r;
    }
    std::memset(out + size_t(w) * 3, 0, stride - size_t(w) * 3);
  }
  if (!s.nopalette) {
    const size_t used = kHeader + stride * size_t(h);
    remember_capture(buffer, used, std::move(indices), s);
  }
}

void PUTIMAGE(int16_t x, int16_t y, const std::vector<uint8_t>& buffer, uint16_t mode) {
  Drawing d;
  if (!d) return;
  State& s = S();
  if (mode > INVSCRANDPUT) {
    s.result = GRINVALIDPARAM;
    return;
  }
  // A buffer is used only when it is a complete uncompressed 24-bit image.
  if (buffer.size() < size_t(kHeader) || buffer[0] != 'B' || buffer[1] != 'M' ||
      get32(buffer, 14) < 40 || get16(buffer, 28) != 24 || get32(buffer, 30) != 0) {
    s.result = GRINVALIDPARAM;
    return;
  }
  const int64_t w = int32_t(get32(buffer, 18));
  int64_t h = int32_t(get32(buffer, 22));
  const bool top_down = h < 0;
  if (top_down) h = -h;
  const uint64_t offset = get32(buffer, 10);
  if (w <= 0 || h <= 0 || w > 65536 || h > 65536 || offset < uint64_t(kHeader) ||
      offset + uint64_t(row_bytes(w)) * uint64_t(h) > buffer.size()) {
    s.result = GRINVALIDPARAM;
    return;
  }
  const size_t stride = row_bytes(w);
  const Rect c = clip_rect();
  const int ax = origin_x() + x, ay = origin_y() + y;
  const Rect r = intersect(Rect{ax, ay, int(ax + w - 1), int(ay + h - 1)}, c);
  if (r.empty()) return;
  const int pal_n = s.nopalette ? 256 : s.palsize;
  const RGBCOLOUR* pal = s.nopalette ? DEFAULTVGAPALETTE.data() : s.palette.data();
  const Captured* cap = nullptr;
  if (!s.nopalette && !top_down && offset == uint64_t(kHeader))
    cap = captured(buffer, size_t(offset) + stride * size_t(h), pal_n);
  const uint8_t bits_mask = uint8_t(pal_n - 1);
  // Pictures hold few colours, mostly in runs: the colour of the pixel before
  // answers most lookups, a short list of the colours met the rest.
  std::vector<std::pair<uint32_t, uint8_t>> met;
  uint32_t last_key = 0xFFFFFFFF;
  uint8_t last_index = 0;
  auto index_of = [&](const uint8_t* p) {
    const uint32_t key = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    if (key == last_key) return last_index;
    last_key = key;
    for (const auto& [k, v] : met)
      if (k == key) return last_index = v;
    last_index = nearest_index(RGBCOLOUR{p[2], p[1], p[0]}, pal, pal_n);
    met.emplace_back(key, last_index);
    return last_index;
  };
  // Only the tiles whose pixels really change need a repaint: pasting the
  // cannon for the next target changes its barrel, not its whole picture.
  const int tx0 = r.x0 >> kTileShift, ty0 = r.y0 >> kTileShift;
  const int tcols = (r.x1 >> kTileShift) - tx0 + 1, trows = (r.y1 >> kTileShift) - ty0 + 1;
  std::vector<uint8_t> changed(size_t(tcols) * size_t(trows), 0);
  Page& pg = s.pages[s.active];
  uint16_t written = 0;
  if (cap && mode == COPYPUT) {
    // A captured picture pasted plainly: its indices are copied tile by tile,
    // and only where they differ from what the page holds.
    written = cap->colours;
    for (int py = r.y0; py <= r.y1; ++py) {
      const uint8_t* known = &cap->indices[size_t(py - ay) * size_t(w)];
      uint8_t* out = &pg.px[size_t(py) * s.width];
      uint8_t* tiles = &changed[size_t((py >> kTileShift) - ty0) * size_t(tcols)];
      for (int x = r.x0; x <= r.x1;) {
        const int end = std::min(r.x1, ((x >> kTileShift) + 1) * kTile - 1);
        const size_t n = size_t(end - x + 1);
        if (std::memcmp(out + x, known + (x - ax), n) != 0) {
          std::memcpy(out + x, known + (x - ax), n);
          tiles[(x >> kTileShift) - tx0] = 1;
        }
        x = end + 1;
      }
    }
  }
  for (int py = r.y0; py <= r.y1 && !(cap && mode == COPYPUT); ++py) {
    const int row = py - ay;
    const uint8_t* in = &buffer[offset + (top_down ? size_t(row) : size_t(h - 1 - row)) * stride];
    const uint8_t* known = cap ? &cap->indices[size_t(row) * size_t(w)] : nullptr;
    uint8_t* out = &pg.px[size_t(py) * s.width];
    uint8_t* tiles = &changed[size_t((py >> kTileShift) - ty0) * size_t(tcols)];
    for (int px = r.x0; px <= r.x1; ++px) {
      const uint8_t src = known ? known[px - ax] : index_of(in + size_t(px - ax) * 3);
      const uint8_t v = uint8_t(combine(src, out[px], mode) & bits_mask);
      written |= uint16_t(1u << (v & 15));
      if (v == out[px]) continue;
      out[px] = v;
      tiles[(px >> kTileShift) - tx0] = 1;
    }
  }
  for (int ty = 0; ty < trows; ++ty)
    for (int tx = 0; tx < tcols; ++tx) {
      if (!changed[size_t(ty) * size_t(tcols) + size_t(tx)]) continue;
      const int x0 = (tx0 + tx) << kTileShift, y0 = (ty0 + ty) << kTileShift;
      const Rect t = intersect(Rect{x0, y0, x0 + kTile - 1, y0 + kTile - 1}, r);
      for (int i = 0; i < 16; ++i)
        if (written & (1u << i)) touch(s.active, t, uint8_t(i));
    }
}

}  // namespace qora
