// The rasteriser: fill patterns, lines, arcs, ellipses, flood fill and the shape primitives.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "graph/drawing.h"

namespace qora {

namespace gfx {

namespace {

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

int fill_index_at(int x, int y) {
  State& s = S();
  if (s.fill.PATTERN == NOFILL) return -1;
  const uint8_t bits = current_pattern()[y & 7];
  return (bits & (0x80 >> (x & 7))) ? draw_index(s.fill.COLOR) : draw_index(s.bkcolor);
}

}  // namespace gfx

using namespace gfx;

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
