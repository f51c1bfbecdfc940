// The drawing state: tile colour masks, damage of the pages, pixel writes and the palette.
#include <algorithm>
#include <cstring>

#include "graph/drawing.h"

namespace qora {

namespace gfx {

State& S() {
  static State state;
  return state;
}

namespace {

inline uint16_t tile_bit(uint8_t idx) { return uint16_t(1u << (idx & 15)); }

// The exact colour mask of one tile of a page.
uint16_t scan_tile(const Page& p, int tx, int ty) {
  State& s = S();
  const int x0 = tx << kTileShift, y0 = ty << kTileShift;
  const int x1 = std::min(x0 + kTile, s.width), y1 = std::min(y0 + kTile, s.height);
  uint16_t mask = 0;
  for (int y = y0; y < y1; ++y) {
    const uint8_t* row = &p.px[size_t(y) * s.width];
    for (int x = x0; x < x1; ++x) mask |= tile_bit(row[x]);
  }
  return mask;
}

bool tile_holds(const Page& p, int tx, int ty, uint8_t idx) {
  State& s = S();
  const int x0 = tx << kTileShift, y0 = ty << kTileShift;
  const int x1 = std::min(x0 + kTile, s.width), y1 = std::min(y0 + kTile, s.height);
  for (int y = y0; y < y1; ++y) {
    const uint8_t* row = &p.px[size_t(y) * s.width];
    if (std::memchr(row + x0, idx, size_t(x1 - x0))) return true;
  }
  return false;
}

inline void mark_dirty(int t) {
  State& s = S();
  if (s.dirty[t]) return;
  s.dirty[t] = 1;
  if (!s.dirty_any) {
    s.dirty_any = true;
    if (s.backend) s.backend->wake();
  }
}

void set_palette_entry(int slot, RGBCOLOUR c) {
  State& s = S();
  if (s.palette[slot] == c) return;
  s.palette[slot] = c;
  if (s.pages[s.visual].px.empty()) return;
  // Repaint only the visible tiles that really show this entry; tiles whose
  // mask says they may hold it are rescanned so their masks become exact.
  Page& pg = s.pages[s.visual];
  const uint16_t bit = tile_bit(uint8_t(slot));
  for (int ty = 0; ty < s.tiles_y; ++ty)
    for (int tx = 0; tx < s.tiles_x; ++tx) {
      const int t = ty * s.tiles_x + tx;
      if (!(pg.colours[t] & bit)) continue;
      pg.colours[t] = scan_tile(pg, tx, ty);
      // With more than 16 entries a mask bit stands for several indices.
      if ((pg.colours[t] & bit) && (s.palsize <= 16 || tile_holds(pg, tx, ty, uint8_t(slot))))
        mark_dirty(t);
    }
}

}  // namespace

// ---- Helpers ---------------------------------------------------------------

uint8_t draw_index(uint32_t v) {
  State& s = S();
  if (!s.nopalette) return colour_index(v);
  static uint32_t last_v = 0;
  static uint8_t last_i = 0;
  if (v != last_v) {
    last_v = v;
    last_i = nearest_index(RGBCOLOUR{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)},
                           DEFAULTVGAPALETTE.data(), 256);
  }
  return last_i;
}

Rect clip_rect() {
  State& s = S();
  Rect r = page_rect();
  if (s.viewport.CLIP)
    r = intersect(r, Rect{s.viewport.X1, s.viewport.Y1, s.viewport.X2, s.viewport.Y2});
  return r;
}

namespace {

// Records index idx in the tile colour masks over r0 on a page and marks the
// tiles dirty when the page is shown. With replace, a tile that r0 covers
// whole forgets the indices it held before (it now holds idx alone).
void mark_tiles(int page, const Rect& r0, uint8_t idx, bool replace) {
  State& s = S();
  const Rect r = intersect(r0, page_rect());
  if (r.empty()) return;
  Page& pg = s.pages[page];
  const uint16_t bit = tile_bit(idx);
  const bool visible = page == s.visual;
  for (int ty = r.y0 >> kTileShift; ty <= r.y1 >> kTileShift; ++ty)
    for (int tx = r.x0 >> kTileShift; tx <= r.x1 >> kTileShift; ++tx) {
      const int t = ty * s.tiles_x + tx;
      const int x0 = tx << kTileShift, y0 = ty << kTileShift;
      const bool whole = replace && r.x0 <= x0 && r.y0 <= y0 &&
                         r.x1 >= std::min(x0 + kTile, s.width) - 1 &&
                         r.y1 >= std::min(y0 + kTile, s.height) - 1;
      pg.colours[t] = whole ? bit : uint16_t(pg.colours[t] | bit);
      if (visible) mark_dirty(t);
    }
}

}  // namespace

void touch(int page, const Rect& r0, uint8_t idx) { mark_tiles(page, r0, idx, false); }

void cover(int page, const Rect& r0, uint8_t idx) { mark_tiles(page, r0, idx, true); }

void damage(const Rect& r0) {
  State& s = S();
  const Rect r = intersect(r0, page_rect());
  if (r.empty() || s.dirty.empty()) return;
  for (int ty = r.y0 >> kTileShift; ty <= r.y1 >> kTileShift; ++ty)
    for (int tx = r.x0 >> kTileShift; tx <= r.x1 >> kTileShift; ++tx)
      mark_dirty(ty * s.tiles_x + tx);
}

void damage_all() { damage(page_rect()); }

void plot_abs(int x, int y, uint8_t idx) {
  State& s = S();
  const Rect c = clip_rect();
  if (x < c.x0 || x > c.x1 || y < c.y0 || y > c.y1) return;
  Page& pg = s.pages[s.active];
  pg.px[size_t(y) * s.width + x] = idx;
  const int t = (y >> kTileShift) * s.tiles_x + (x >> kTileShift);
  pg.colours[t] |= tile_bit(idx);
  if (s.active == s.visual) mark_dirty(t);
}

void hspan_abs(int x0, int x1, int y, uint8_t idx) {
  State& s = S();
  const Rect c = clip_rect();
  if (y < c.y0 || y > c.y1) return;
  x0 = std::max(x0, c.x0);
  x1 = std::min(x1, c.x1);
  if (x0 > x1) return;
  std::memset(&s.pages[s.active].px[size_t(y) * s.width + x0], idx, size_t(x1 - x0 + 1));
  touch(s.active, Rect{x0, y, x1, y}, idx);
}

uint8_t nearest_index(const RGBCOLOUR& c, const RGBCOLOUR* pal, int n) {
  int best = 0;
  long best_d = -1;
  for (int i = 0; i < n; ++i) {
    const long dr = long(c.r) - pal[i].r, dg = long(c.g) - pal[i].g, db = long(c.b) - pal[i].b;
    const long d = dr * dr + dg * dg + db * db;
    if (best_d < 0 || d < best_d) {
      best_d = d;
      best = i;
      if (d == 0) break;
    }
  }
  return uint8_t(best);
}

}  // namespace gfx

using namespace gfx;

// ---- Colours and palette ----------------------------------------------------

void SETCOLOR(uint32_t colour) {
  Drawing d;
  if (d) S().frcolor = colour;
}

uint32_t GETCOLOR() {
  Drawing d;
  return S().frcolor;
}

uint32_t GETBKCOLOR() {
  Drawing d;
  return S().bkcolor;
}

void SETRGBPALETTE(uint16_t slot, uint16_t red, uint16_t green, uint16_t blue) {
  Drawing d;
  if (!d) return;
  State& s = S();
  if (s.nopalette) {
    s.result = GRNOPALETTE;
    return;
  }
  if (slot >= s.palsize) {
    s.result = GRINVALIDPARAM;
    return;
  }
  set_palette_entry(slot, RGBCOLOUR{uint8_t(red), uint8_t(green), uint8_t(blue)});
}

void SETPALETTE(uint16_t slot, uint16_t colour) {
  Drawing d;
  if (!d) return;
  State& s = S();
  if (s.nopalette) {
    s.result = GRNOPALETTE;
    return;
  }
  if (slot >= s.palsize || colour >= 256) {
    s.result = GRINVALIDPARAM;
    return;
  }
  set_palette_entry(slot, DEFAULTVGAPALETTE[colour]);
}

RGBCOLOUR GETPALETTEENTRY(uint16_t slot) {
  Drawing d;
  if (!d) return {};
  if (slot >= S().palsize) {
    S().result = GRINVALIDPARAM;
    return {};
  }
  return S().palette[slot];
}

}  // namespace qora
