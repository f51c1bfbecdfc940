// Image capture and paste: a rectangle of the active page held as a complete
// 24-bit BMP file image in memory (RGB through the palette at capture time).
#include <array>
#include <cstring>
#include <deque>
#include <limits>
#include <unordered_map>

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

// A hash of the first n bytes of an image: its header and the pixel rows that
// a paste reads. Four independent lanes keep it cheap beside the paste itself.
inline uint64_t hash_step(uint64_t h, uint64_t w) {
  h ^= w * 0xFF51AFD7ED558CCDull;
  return ((h << 29) | (h >> 35)) * 0xC4CEB9FE1A85EC53ull;
}
uint64_t image_hash(const std::vector<uint8_t>& b, size_t n) {
  uint64_t lane[4] = {0x9E3779B97F4A7C15ull ^ n, 0xBF58476D1CE4E5B9ull, 0x94D049BB133111EBull,
                      0x2545F4914F6CDD1Dull};
  size_t i = 0;
  for (; i + 32 <= n; i += 32)
    for (int k = 0; k < 4; ++k) {
      uint64_t w;
      std::memcpy(&w, &b[i + 8 * size_t(k)], 8);
      lane[k] = hash_step(lane[k], w);
    }
  uint64_t h = lane[0] ^ hash_step(lane[1], lane[2]) ^ hash_step(lane[3], 0x5851F42D4C957F2Dull);
  for (; i < n; ++i) h = (h ^ b[i]) * 0x100000001B3ull;
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  return h ^ (h >> 33);
}

// An image holds colours, not palette indices, so a paste under a changed
// palette (an entry pulsing, group colours lit, the floor entry recoloured)
// would match them against colours the picture never had. The surface
// therefore remembers the palette each image it captured was taken under,
// keyed by the image's bytes, and a paste of such an image converts through
// that palette: every pixel comes back with the index it was captured from.
// Images it did not capture (or changed since) match the current palette.
struct CapturedPalette {
  uint64_t hash = 0;
  size_t bytes = 0;
  int size = 0;
  std::array<RGBCOLOUR, 256> palette{};
};
constexpr size_t kRememberedCaptures = 64;  // the oldest are forgotten beyond these
std::deque<CapturedPalette> g_captures;  // newest first; under the drawing lock

void remember_capture(uint64_t hash, size_t bytes, const State& s) {
  std::erase_if(g_captures,
                [&](const CapturedPalette& c) { return c.hash == hash && c.bytes == bytes; });
  if (g_captures.size() >= kRememberedCaptures) g_captures.pop_back();
  g_captures.push_front(CapturedPalette{hash, bytes, s.palsize, s.palette});
}

const CapturedPalette* captured_palette(uint64_t hash, size_t bytes, int palsize) {
  for (const CapturedPalette& c : g_captures)
    if (c.hash == hash && c.bytes == bytes) return c.size == palsize ? &c : nullptr;
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
  for (int row = 0; row < h; ++row) {
    uint8_t* out = &buffer[kHeader + size_t(h - 1 - row) * stride];
    const int y = ay + row;
    for (int col = 0; col < w; ++col) {
      const int x = ax + col;
      // Outside the page there is nothing to read: black.
      RGBCOLOUR c{};
      if (x >= 0 && y >= 0 && x < s.width && y < s.height)
        c = s.palette[px[size_t(y) * s.width + x]];
      out[col * 3] = c.b;
      out[col * 3 + 1] = c.g;
      out[col * 3 + 2] = c.r;
    }
    std::memset(out + size_t(w) * 3, 0, stride - size_t(w) * 3);
  }
  if (!s.nopalette) {
    const size_t used = kHeader + stride * size_t(h);
    remember_capture(image_hash(buffer, used), used, s);
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
  if (!s.nopalette) {
    const size_t used = size_t(offset) + stride * size_t(h);
    if (const CapturedPalette* cap = captured_palette(image_hash(buffer, used), used, pal_n))
      pal = cap->palette.data();
  }
  const uint8_t bits_mask = uint8_t(pal_n - 1);
  std::unordered_map<uint32_t, uint8_t> nearest;
  Page& pg = s.pages[s.active];
  uint16_t written = 0;
  for (int py = r.y0; py <= r.y1; ++py) {
    const int row = py - ay;
    const uint8_t* in = &buffer[offset + (top_down ? size_t(row) : size_t(h - 1 - row)) * stride];
    uint8_t* out = &pg.px[size_t(py) * s.width];
    for (int px = r.x0; px <= r.x1; ++px) {
      const uint8_t* p = in + size_t(px - ax) * 3;
      const uint32_t key = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
      auto it = nearest.find(key);
      if (it == nearest.end())
        it = nearest.emplace(key, nearest_index(RGBCOLOUR{p[2], p[1], p[0]}, pal, pal_n)).first;
      const uint8_t v = uint8_t(combine(it->second, out[px], mode) & bits_mask);
      out[px] = v;
      written |= uint16_t(1u << (v & 15));
    }
  }
  for (int i = 0; i < 16; ++i)
    if (written & (1u << i)) touch(s.active, r, uint8_t(i));
}

}  // namespace qora
