// The drawing state, opening and closing, pages, palette, damage tracking and
// the shape primitives of the graphics surface.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "graph/drawing.h"
#include "graph/input_internal.h"
#include "platform/png.h"
#include "platform/script.h"

namespace qora {

int32_t CUSTOMWIDTH = 640, CUSTOMHEIGHT = 480;

namespace gfx {

State& S() {
  static State state;
  return state;
}

namespace {

std::unique_ptr<platform::VideoBackend> (*g_factory)() = nullptr;

// A nominal window frame: the width of the side frame, the height of the top
// and bottom frame, and the title bar.

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

// Fill patterns of the hatch styles, rows from the top, bit 7 leftmost.
constexpr FILLPATTERN kHatch[10] = {
    {0, 0, 0, 0, 0, 0, 0, 0},                                  // EMPTYFILL
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},          // SOLIDFILL
    {0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},          // horizontal hatch
    {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88},          // vertical hatch
    {0xFF, 0x88, 0x88, 0x88, 0xFF, 0x88, 0x88, 0x88},          // cross hatch
    {0x11, 0x22, 0x44, 0x88, 0x11, 0x22, 0x44, 0x88},          // rising diagonals
    {0x88, 0x44, 0x22, 0x11, 0x88, 0x44, 0x22, 0x11},          // falling diagonals
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},          // diagonal cross
    {0, 0, 0, 0, 0, 0, 0, 0},                                  // USERFILL: S().pattern
    {0, 0, 0, 0, 0, 0, 0, 0},                                  // NOFILL
};

const FILLPATTERN& current_pattern() {
  State& s = S();
  return s.fill.PATTERN == USERFILL ? s.pattern : kHatch[s.fill.PATTERN];
}

// The fill paints a single colour everywhere: its index, else -1.
int solid_fill_index() {
  State& s = S();
  if (s.fill.PATTERN == NOFILL) return -1;
  const FILLPATTERN& p = current_pattern();
  bool ones = true, zeros = true;
  for (uint8_t b : p) {
    ones = ones && b == 0xFF;
    zeros = zeros && b == 0;
  }
  if (ones) return draw_index(s.fill.COLOR);
  if (zeros) return draw_index(s.bkcolor);
  return -1;
}

// Paints the rectangle r (absolute, already clipped) of the active page with
// the current fill.
void fill_rect_abs(const Rect& r) {
  State& s = S();
  if (r.empty() || s.fill.PATTERN == NOFILL) return;
  Page& pg = s.pages[s.active];
  const int solid = solid_fill_index();
  if (solid >= 0) {
    for (int y = r.y0; y <= r.y1; ++y)
      std::memset(&pg.px[size_t(y) * s.width + r.x0], solid, size_t(r.x1 - r.x0 + 1));
    cover(s.active, r, uint8_t(solid));
    return;
  }
  const FILLPATTERN& pat = current_pattern();
  const uint8_t fg = draw_index(s.fill.COLOR), bg = draw_index(s.bkcolor);
  for (int y = r.y0; y <= r.y1; ++y) {
    const uint8_t bits = pat[y & 7];
    uint8_t* row = &pg.px[size_t(y) * s.width];
    for (int x = r.x0; x <= r.x1; ++x) row[x] = (bits & (0x80 >> (x & 7))) ? fg : bg;
  }
  touch(s.active, r, fg);
  touch(s.active, r, bg);
}

// Paints x0..x1 of row y (absolute, already clipped) with the current fill.
void fill_span_abs(int x0, int x1, int y) { fill_rect_abs(Rect{x0, y, x1, y}); }

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

bool valid_rect(int x1, int y1, int x2, int y2) {
  if (x1 <= x2 && y1 <= y2) return true;
  S().result = GRINVALIDPARAM;
  return false;
}

inline int norm_page(uint16_t page) { return page >= kPages ? 0 : page; }

void line_abs(int x0, int y0, int x1, int y1, uint8_t idx) {
  const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    plot_abs(x0, y0, idx);
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

// Angle in degrees, counter-clockwise on the screen from the positive x axis,
// of the offset (dx, dy) (dy downward), in [0, 360).
double screen_angle(int dx, int dy) {
  double a = std::atan2(double(-dy), double(dx)) * 180.0 / M_PI;
  if (a < 0) a += 360.0;
  if (a >= 360.0) a -= 360.0;
  return a;
}

// The end point offset of an arc ray: (round(r cos a), -round(r sin a)),
// halves to even.
void ray_point(int r, int deg, int& dx, int& dy) {
  const double rad = double(deg % 360) * M_PI / 180.0;
  dx = int(std::nearbyint(r * std::cos(rad)));
  dy = -int(std::nearbyint(r * std::sin(rad)));
}

// A one-pixel circle of radius r about (cx, cy), absolute: the pixels whose
// angle lies counter-clockwise from the ray through the start point to the
// ray through the end point; the whole circle when both rays are the same,
// which is also the case when two different angles round to one end point.
void arc_abs(int cx, int cy, int r, int start, int stop, uint8_t idx) {
  int sdx, sdy, edx, edy;
  ray_point(r, start, sdx, sdy);
  ray_point(r, stop, edx, edy);
  const bool whole = int64_t(sdx) * edy == int64_t(sdy) * edx &&
                     int64_t(sdx) * edx + int64_t(sdy) * edy > 0;
  const double a0 = screen_angle(sdx, sdy);
  double span = screen_angle(edx, edy) - a0;
  if (span < 0) span += 360.0;
  constexpr double eps = 1e-9;
  auto put = [&](int dx, int dy) {
    if (!whole) {
      // Counter-clockwise distance from the start ray; a hair below zero
      // (rounding on the start ray itself) counts as on it.
      double d = screen_angle(dx, dy) - a0;
      if (d < 0) d += 360.0;
      if (d > span + eps && d < 360.0 - eps) return;
    }
    plot_abs(cx + dx, cy + dy, idx);
  };
  if (r == 0) {
    plot_abs(cx, cy, idx);
    return;
  }
  // Midpoint circle: in each octant the pixel nearest to the true circle.
  int x = 0, y = r, d = 1 - r, prev_y = -1;
  while (x <= y) {
    // A pixel on the diagonal reached by a level step would sit in the
    // corner of its own mirror image and thicken the curve: leave it out.
    if (!(x == y && prev_y == y)) {
      put(x, -y), put(y, -x), put(y, x), put(x, y);
      put(-x, y), put(-y, x), put(-y, -x), put(-x, -y);
    }
    prev_y = y;
    if (d < 0) {
      d += 2 * x + 3;
    } else {
      d += 2 * (x - y) + 5;
      --y;
    }
    ++x;
  }
  if (!whole) {
    // The end points themselves belong to the arc even where rounding puts
    // them a pixel off the circle, so lines drawn to them close the outline.
    plot_abs(cx + sdx, cy + sdy, idx);
    plot_abs(cx + edx, cy + edy, idx);
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

int fill_index_at(int x, int y) {
  State& s = S();
  if (s.fill.PATTERN == NOFILL) return -1;
  const uint8_t bits = current_pattern()[y & 7];
  return (bits & (0x80 >> (x & 7))) ? draw_index(s.fill.COLOR) : draw_index(s.bkcolor);
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

// ---- Backends ---------------------------------------------------------------

void set_backend_factory(std::unique_ptr<platform::VideoBackend> (*factory)()) {
  g_factory = factory;
}

namespace {
std::unique_ptr<platform::VideoBackend> new_backend() {
  return g_factory ? g_factory() : platform::make_default_backend();
}

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

SurfaceFrames& frames() {
  static SurfaceFrames f;
  return f;
}
}  // namespace

int full_screen_scale(int sw, int sh) { return sh > 1080 ? sh / 720 : 1; }

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

}  // namespace gfx

using namespace gfx;

// ---- Start and stop -----------------------------------------------------------

int16_t GRAPHRESULT() { return S().result; }

bool GRAPHENABLED() {
  std::lock_guard lock(S().devices);
  return S().open;
}

void INITGRAPH(int16_t& driver, int16_t& mode, const std::string& title) {
  State& s = S();
  {
    std::lock_guard lock(s.devices);
    s.result = GROK;
    if (s.open) {
      s.result = GRERROR;
      return;
    }
  }
  int16_t drv = driver, md = mode;
  if (drv == DETECT) {
    drv = NOPALETTE;
    md = MDEFAULT;
  }
  int palsize = 0;
  switch (drv) {
    case D1BIT: palsize = 2; break;
    case D4BIT: palsize = 16; break;
    case D8BIT:
    case NOPALETTE: palsize = 256; break;
    default: s.result = GRINVALIDDRIVER; return;
  }
  if (md < M320X200 || md > MCUSTOM || md == 9) {
    s.result = GRINVALIDMODE;
    return;
  }
  std::unique_ptr<platform::VideoBackend> backend = new_backend();
  if (!backend) {
    s.result = GRNOTWINDOW;
    return;
  }
  // Asked without the drawing lock: a real display may take a moment.
  int sw = 0, sh = 0;
  if (!backend->screen_size(sw, sh)) {
    s.result = GRNOTWINDOW;
    return;
  }
  int w = 0, h = 0;
  bool fullscreen = false;
  switch (md) {
    case M320X200: w = 320, h = 200; break;
    case M640X200: w = 640, h = 200; break;
    case M640X350: w = 640, h = 350; break;
    case M640X480: w = 640, h = 480; break;
    case M720X350: w = 720, h = 350; break;
    case M800X600: w = 800, h = 600; break;
    case M1024X768: w = 1024, h = 768; break;
    case M1280X1024: w = 1280, h = 1024; break;
    case MDEFAULT: w = 640, h = 480; break;
    case MMAXIMIZED: w = sw - 2 * kNominalFrameW, h = sh - 2 * kNominalFrameH - kNominalCaptionH; break;
    case MFULLSCR: w = sw, h = sh, fullscreen = true; break;
    case MCUSTOM: w = CUSTOMWIDTH, h = CUSTOMHEIGHT; break;
  }
  // A tall full screen: the pages are a whole fraction of it, shown enlarged.
  const int scale = fullscreen ? full_screen_scale(sw, sh) : 1;
  w /= scale;
  h /= scale;
  // Coordinates are 16-bit: a client area must be addressable by them.
  if (w <= 0 || h <= 0 || w > 32767 || h > 32767) {
    s.result = GRINVALIDMODE;
    return;
  }
  // The faces first: a missing face leaves nothing half open.
  if (int16_t r = install_default_faces(); r != GROK) {
    s.result = r;
    return;
  }
  {
    std::lock_guard lock(s.devices);
    s.width = w;
    s.height = h;
    s.scale = scale;
    s.tiles_x = (w + kTile - 1) / kTile;
    s.tiles_y = (h + kTile - 1) / kTile;
    for (Page& p : s.pages) {
      p.px.assign(size_t(w) * h, 0);
      p.colours.assign(size_t(s.tiles_x) * s.tiles_y, 1);
    }
    s.dirty.assign(size_t(s.tiles_x) * s.tiles_y, 1);
    s.dirty_any = true;
    s.active = s.visual = 0;
    s.palsize = palsize;
    s.nopalette = drv == NOPALETTE;
    s.palette.fill(RGBCOLOUR{});
    if (drv == D1BIT) {
      s.palette[1] = RGBCOLOUR{255, 255, 255};
    } else {
      for (int i = 0; i < palsize; ++i) s.palette[i] = DEFAULTVGAPALETTE[i];
    }
    // Named colours: the nearest default entry, mapped once.
    for (const NamedColour& c : MAGICKPALETTE()) {
      if (!c.var) continue;
      const RGBCOLOUR rgb{c.r, c.g, c.b};
      *c.var = s.nopalette ? (uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b)
                           : nearest_index(rgb, DEFAULTVGAPALETTE.data(), palsize);
    }
    s.frcolor = WHITE;
    s.bkcolor = BLACK;
    s.pattern.fill(0xFF);
    s.fill = FILLSETTINGSTYPE{SOLIDFILL, WHITE};
    s.viewport = VIEWPORTTYPE{0, 0, int16_t(w - 1), int16_t(h - 1), false};
    s.cur_x = s.cur_y = 0;
    s.backend = std::move(backend);
  }
  // The keyboard and mouse layer hears the new window from its first event.
  platform::set_input_hooks(&KEYBOARDPROC, &MOUSEPROC);
  platform::set_shot_writer(&write_png);  // pictures asked for by scripted input
  int16_t r = GROK;
  switch (s.backend->open(w * scale, h * scale, fullscreen, title.empty() ? "Qora" : title, frames())) {
    case platform::OpenResult::ok: r = GROK; break;
    case platform::OpenResult::invalid_mode: r = GRINVALIDMODE; break;
    case platform::OpenResult::no_window:
    case platform::OpenResult::busy: r = GRNOTWINDOW; break;
  }
  if (r != GROK) {
    std::unique_ptr<platform::VideoBackend> failed;
    {
      std::lock_guard lock(s.devices);
      failed = std::move(s.backend);
      for (Page& p : s.pages) p = Page{};
      s.dirty.clear();
      s.dirty_any = false;
      s.width = s.height = 0;
      s.scale = 1;
    }
    reset_fonts();
    s.result = r;
    return;
  }
  {
    std::lock_guard lock(s.devices);
    s.open = true;
  }
  SETTEXTSTYLE(0, 0, 16);
  if (driver == DETECT) {
    driver = drv;
    mode = md;
  }
  s.result = GROK;
}

void CLOSEGRAPH() {
  State& s = S();
  {
    std::lock_guard lock(s.devices);
    if (!s.open) {
      s.result = GRNOINITGRAPH;
      return;
    }
    s.result = GROK;
    s.open = false;
  }
  // The window thread may be waiting for the lock to repaint: close it
  // without holding the lock, then release the pages.
  s.backend->close();
  std::unique_ptr<platform::VideoBackend> gone;
  {
    std::lock_guard lock(s.devices);
    gone = std::move(s.backend);
    for (Page& p : s.pages) p = Page{};
    s.dirty.clear();
    s.dirty_any = false;
    s.width = s.height = 0;
    s.scale = 1;
    s.tiles_x = s.tiles_y = 0;
  }
  reset_fonts();
}

int16_t GETMAXX() {
  Drawing d;
  return d ? int16_t(S().width - 1) : int16_t(0);
}

int16_t GETMAXY() {
  Drawing d;
  return d ? int16_t(S().height - 1) : int16_t(0);
}

// Asked of a new backend: the window backend remembers the size of the last
// display it saw, so this starts no display while one is known.
void GETSCREENSIZE(int32_t& w, int32_t& h) {
  int sw = 0, sh = 0;
  if (auto b = new_backend(); !b || !b->screen_size(sw, sh)) sw = sh = 0;
  w = sw;
  h = sh;
}

// ---- Pages and viewport -----------------------------------------------------

void SETACTIVEPAGE(uint16_t page) {
  Drawing d;
  if (d) S().active = norm_page(page);
}

void SETVISUALPAGE(uint16_t page) {
  Drawing d;
  if (!d) return;
  S().visual = norm_page(page);
  damage_all();
}

uint16_t GETACTIVEPAGE() { return uint16_t(S().active); }
uint16_t GETVISUALPAGE() { return uint16_t(S().visual); }

void SETVIEWPORT(int16_t x1, int16_t y1, int16_t x2, int16_t y2, bool clip) {
  Drawing d;
  if (!d || !valid_rect(x1, y1, x2, y2)) return;
  S().viewport = VIEWPORTTYPE{x1, y1, x2, y2, clip};
  S().cur_x = S().cur_y = 0;
}

void GETVIEWSETTINGS(VIEWPORTTYPE& vp) {
  Drawing d;
  if (d) vp = S().viewport;
}

void CLEARVIEWPORT() {
  Drawing d;
  if (!d) return;
  State& s = S();
  const VIEWPORTTYPE& v = s.viewport;
  const uint8_t bk = draw_index(s.bkcolor);
  const Rect r = intersect(Rect{v.X1, v.Y1, v.X2, v.Y2}, clip_rect());
  if (!r.empty()) {
    for (int y = r.y0; y <= r.y1; ++y)
      std::memset(&s.pages[s.active].px[size_t(y) * s.width + r.x0], bk, size_t(r.x1 - r.x0 + 1));
    cover(s.active, r, bk);
  }
  s.cur_x = s.cur_y = 0;
}

void CLEARDEVICE() {
  Drawing d;
  if (!d) return;
  State& s = S();
  const uint8_t bk = draw_index(s.bkcolor);
  std::memset(s.pages[s.active].px.data(), bk, s.pages[s.active].px.size());
  cover(s.active, page_rect(), bk);
  s.cur_x = s.cur_y = 0;
}

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

// ---- Primitives -------------------------------------------------------------

void PUTPIXEL(int16_t x, int16_t y, uint32_t colour) {
  Drawing d;
  if (d) plot_abs(origin_x() + x, origin_y() + y, draw_index(colour));
}

uint32_t GETPIXEL(int16_t x, int16_t y) {
  Drawing d;
  if (!d) return 0;
  State& s = S();
  const int ax = origin_x() + x, ay = origin_y() + y;
  if (ax < 0 || ay < 0 || ax >= s.width || ay >= s.height) return 0;
  return s.pages[s.active].px[size_t(ay) * s.width + ax];
}

void LINE(int16_t x1, int16_t y1, int16_t x2, int16_t y2) {
  Drawing d;
  if (!d) return;
  State& s = S();
  line_abs(origin_x() + x1, origin_y() + y1, origin_x() + x2, origin_y() + y2,
           draw_index(s.frcolor));
  s.cur_x = x2;
  s.cur_y = y2;
}

void RECTANGLE(int16_t x1, int16_t y1, int16_t x2, int16_t y2) {
  Drawing d;
  if (!d || !valid_rect(x1, y1, x2, y2)) return;
  const uint8_t idx = draw_index(S().frcolor);
  const int ax1 = origin_x() + x1, ay1 = origin_y() + y1;
  const int ax2 = origin_x() + x2, ay2 = origin_y() + y2;
  hspan_abs(ax1, ax2, ay1, idx);
  hspan_abs(ax1, ax2, ay2, idx);
  for (int y = ay1 + 1; y < ay2; ++y) {
    plot_abs(ax1, y, idx);
    plot_abs(ax2, y, idx);
  }
}

void BAR(int16_t x1, int16_t y1, int16_t x2, int16_t y2) {
  Drawing d;
  if (!d || !valid_rect(x1, y1, x2, y2)) return;
  fill_rect_abs(intersect(
      Rect{origin_x() + x1, origin_y() + y1, origin_x() + x2, origin_y() + y2}, clip_rect()));
}

void ARC(int16_t x, int16_t y, uint16_t start, uint16_t stop, uint16_t radius) {
  Drawing d;
  if (!d) return;
  arc_abs(origin_x() + x, origin_y() + y, radius, start, stop, draw_index(S().frcolor));
}

void CIRCLE(int16_t x, int16_t y, uint16_t radius) {
  Drawing d;
  if (!d) return;
  arc_abs(origin_x() + x, origin_y() + y, radius, 0, 360, draw_index(S().frcolor));
}

void FILLELLIPSE(int16_t x, int16_t y, uint16_t xradius, uint16_t yradius) {
  Drawing d;
  if (!d) return;
  const int cx = origin_x() + x, cy = origin_y() + y;
  const int rx = xradius, ry = yradius;
  // Half-width of every row: the pixels whose centres lie inside the ellipse
  // with half a pixel added to each radius, never wider than the box.
  std::vector<int> half(size_t(2 * ry + 1));
  for (int dy = -ry; dy <= ry; ++dy) {
    const double t = double(dy) / (ry + 0.5);
    half[size_t(dy + ry)] = std::min(rx, int(std::floor((rx + 0.5) * std::sqrt(1.0 - t * t))));
  }
  auto width_at = [&](int dy) { return dy < -ry || dy > ry ? -1 : half[size_t(dy + ry)]; };
  const Rect c = clip_rect();
  const uint8_t outline = draw_index(S().frcolor);
  for (int dy = -ry; dy <= ry; ++dy) {
    const int w = width_at(dy);
    // Pixels with |dx| <= inner have all four neighbours inside: the inside.
    const int inner = std::min({w - 1, width_at(dy - 1), width_at(dy + 1)});
    const int ay = cy + dy;
    if (ay < c.y0 || ay > c.y1) continue;
    if (inner >= 0) {
      const int x0 = std::max(cx - inner, c.x0), x1 = std::min(cx + inner, c.x1);
      if (x0 <= x1) fill_span_abs(x0, x1, ay);
      hspan_abs(cx - w, cx - inner - 1, ay, outline);
      hspan_abs(cx + inner + 1, cx + w, ay, outline);
    } else {
      hspan_abs(cx - w, cx + w, ay, outline);
    }
  }
}

void FLOODFILL(int16_t x, int16_t y, uint32_t border) {
  Drawing d;
  if (!d) return;
  State& s = S();
  const Rect c = clip_rect();
  const int sx = origin_x() + x, sy = origin_y() + y;
  if (c.empty() || sx < c.x0 || sx > c.x1 || sy < c.y0 || sy > c.y1) return;
  const uint8_t b = draw_index(border);
  std::vector<uint8_t>& px = s.pages[s.active].px;
  const int W = s.width;
  if (px[size_t(sy) * W + sx] == b) return;
  // Iterative scanline fill. A separate visited map lets the fill paint
  // patterns (and even the border colour) without revisiting its own pixels.
  const int cw = c.x1 - c.x0 + 1;
  std::vector<uint8_t> seen(size_t(cw) * (c.y1 - c.y0 + 1), 0);
  auto open = [&](int ax, int ay) {
    return !seen[size_t(ay - c.y0) * cw + (ax - c.x0)] && px[size_t(ay) * W + ax] != b;
  };
  std::vector<std::pair<int, int>> stack{{sx, sy}};
  while (!stack.empty()) {
    auto [px0, py] = stack.back();
    stack.pop_back();
    if (!open(px0, py)) continue;
    int xl = px0, xr = px0;
    while (xl > c.x0 && open(xl - 1, py)) --xl;
    while (xr < c.x1 && open(xr + 1, py)) ++xr;
    std::memset(&seen[size_t(py - c.y0) * cw + (xl - c.x0)], 1, size_t(xr - xl + 1));
    for (int ny : {py - 1, py + 1}) {
      if (ny < c.y0 || ny > c.y1) continue;
      bool in_run = false;
      for (int nx = xl; nx <= xr; ++nx) {
        const bool o = open(nx, ny);
        if (o && !in_run) stack.emplace_back(nx, ny);
        in_run = o;
      }
    }
    fill_span_abs(xl, xr, py);
  }
}

void SETFILLPATTERN(const FILLPATTERN& pattern, uint32_t colour) {
  Drawing d;
  if (!d) return;
  S().pattern = pattern;
  S().fill = FILLSETTINGSTYPE{USERFILL, colour};
}

void SETFILLSTYLE(uint16_t pattern, uint32_t colour) {
  Drawing d;
  if (!d) return;
  if (pattern > NOFILL) {
    S().result = GRINVALIDPARAM;
    return;
  }
  S().fill = FILLSETTINGSTYPE{pattern, colour};
}

void GETFILLSETTINGS(FILLSETTINGSTYPE& fs) {
  Drawing d;
  if (d) fs = S().fill;
}

void MOVETO(int16_t x, int16_t y) {
  Drawing d;
  if (!d) return;
  S().cur_x = x;
  S().cur_y = y;
}

int16_t GETX() {
  Drawing d;
  return int16_t(S().cur_x);
}

int16_t GETY() {
  Drawing d;
  return int16_t(S().cur_y);
}

}  // namespace qora
