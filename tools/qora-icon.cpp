// qora-icon: draws the program's icon from the game's own pictures: the
// upright target of the gallery with the crosshair on its chest, standing on
// the gallery's front wall between the time bar and the floor, in the
// gallery's colours. The target and the crosshair are drawn by the gallery's
// own routines on the headless surface and read back pixel by pixel; they are
// then laid out on the icon's square and sampled down with smooth edges.
//
//   qora-icon SIZE OUT.png [SIZE OUT.png ...]
//
// The build runs it for the hicolor theme's 48, 128 and 256 pixel icons.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "graph/graph.h"
#include "platform/png.h"
#include "screens/gallery.h"
#include "state/geometry.h"
#include "state/globals.h"

using namespace qora;

namespace {

struct Rgba {
  double r = 0, g = 0, b = 0, a = 0;
};

Rgba rgb_of(uint32_t index) {
  const RGBCOLOUR c = GETPALETTEENTRY(uint16_t(index));
  return {c.r / 255.0, c.g / 255.0, c.b / 255.0, 1.0};
}

// A picture read back from the surface: its colours, and which pixels are
// the picture rather than its background.
struct Sprite {
  int w = 0, h = 0;
  std::vector<Rgba> colour;
  std::vector<bool> solid;
  const Rgba& at(int x, int y) const { return colour[size_t(y * w + x)]; }
  bool on(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && solid[size_t(y * w + x)]; }
};

Sprite read_back(int x0, int y0, int w, int h, uint32_t background) {
  Sprite s{w, h, {}, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t i = GETPIXEL(int16_t(x0 + x), int16_t(y0 + y));
      s.colour.push_back(rgb_of(i));
      s.solid.push_back(i != background);
    }
  return s;
}

// Distance (in the sprite's pixels) from points of the sprite's plane to its
// nearest solid pixel, tabulated on a grid FINE times finer than the pixels,
// so that its lines can be drawn thicker than one pixel at any scale.
struct DistanceField {
  static constexpr int FINE = 8;
  int w = 0, h = 0, margin = 0;
  std::vector<float> d;
  DistanceField(const Sprite& s, int margin_px) : margin(margin_px) {
    w = (s.w + 2 * margin) * FINE;
    h = (s.h + 2 * margin) * FINE;
    d.assign(size_t(w) * size_t(h), 1e9f);
    for (int py = 0; py < s.h; ++py)
      for (int px = 0; px < s.w; ++px) {
        if (!s.on(px, py)) continue;
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            // Distance from the fine cell's centre to the pixel's square.
            const double u = (x + 0.5) / FINE - margin, v = (y + 0.5) / FINE - margin;
            const double dx = std::max(0.0, std::abs(u - (px + 0.5)) - 0.5);
            const double dy = std::max(0.0, std::abs(v - (py + 0.5)) - 0.5);
            float& cell = d[size_t(y) * size_t(w) + size_t(x)];
            cell = std::min(cell, float(std::hypot(dx, dy)));
          }
      }
  }
  // The distance at (u, v) in sprite pixels; far away outside the table.
  double at(double u, double v) const {
    const int x = int(std::floor((u + margin) * FINE)), y = int(std::floor((v + margin) * FINE));
    if (x < 0 || y < 0 || x >= w || y >= h) return 1e9;
    return d[size_t(y) * size_t(w) + size_t(x)];
  }
};

// The pictures and colours the icon is made of.
struct Parts {
  Sprite target;
  Sprite crosshair;
  DistanceField* crosshair_distance = nullptr;
  Rgba wall, bar, bar_edge, lamp, floor, side, crosshair_colour, halo;
};

// A point of the icon in units of its side (0..1): what covers it.
Rgba sample(const Parts& p, double u, double v, double size) {
  // The tile: a square with rounded corners.
  const double radius = 0.14, inset = 0.02;
  const double cu = std::clamp(u, inset + radius, 1 - inset - radius),
               cv = std::clamp(v, inset + radius, 1 - inset - radius);
  if (std::hypot(u - cu, v - cv) > radius) return {};
  if (u < inset || v < inset || u > 1 - inset || v > 1 - inset) return {};
  // How far the point lies inside the tile's outline.
  const double edge = (u != cu && v != cv)
                          ? radius - std::hypot(u - cu, v - cv)
                          : std::min({u - inset, 1 - inset - u, v - inset, 1 - inset - v});

  // The room: the time bar above, the floor below, the side walls of the
  // gallery left and right, the front wall between.
  const double bar_bottom = 0.15, floor_top = 0.87, side = 0.08;
  Rgba c = p.wall;
  if (v < bar_bottom) {
    // White with a light grey frame, as the gallery's time bar.
    c = v < bar_bottom - 0.015 && edge > std::max(0.008, 1.0 / size) ? p.bar : p.bar_edge;
    // The time bar's lamps, one ring per second.
    const double lamp = 0.038, gap = 0.115, mid = (bar_bottom - 0.015) / 2 + 0.01;
    const double k = std::round((u - 0.5) / gap);
    const double r = std::hypot(u - 0.5 - k * gap, v - mid);
    if (std::abs(k) <= 3 && r <= lamp && r >= lamp - std::max(0.016, 1.3 / size)) c = p.lamp;
  }
  else if (v >= floor_top) c = p.floor;
  else if (u < side || u > 1 - side) c = p.side;

  // The target, standing on the floor.
  const double th = floor_top - bar_bottom - 0.02;
  const double tw = th * p.target.w / p.target.h;
  const double tx = 0.5 - tw / 2, ty = floor_top - th;
  const int sx = int(std::floor((u - tx) / tw * p.target.w)), sy = int(std::floor((v - ty) / th * p.target.h));
  if (p.target.on(sx, sy)) c = p.target.at(sx, sy);

  // The crosshair on the target's chest, drawn with lines that stay at least
  // two pixels wide, and a light rim that parts it from the dark target.
  const double cw = size < 64 ? 0.33 : 0.38;
  const double scale = cw * size / p.crosshair.w;  // icon pixels per crosshair pixel
  const double line = std::max(2.0, size / 36.0), rim = std::max(1.0, size / 64.0);
  const double grow = std::max(0.0, (line / scale - 1) / 2);
  const double cx = 0.5 - cw / 2, cy = ty + th * 0.45 - cw / 2;
  const double d = p.crosshair_distance->at((u - cx) / cw * p.crosshair.w, (v - cy) / cw * p.crosshair.w);
  if (d <= grow) c = p.crosshair_colour;
  else if (d <= grow + rim / scale) c = p.halo;
  return c;
}

bool write_icon(const Parts& p, int size, const std::string& out) {
  constexpr int N = 6;  // samples per pixel along each side
  std::vector<uint32_t> px;
  px.reserve(size_t(size) * size_t(size));
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      Rgba sum;
      for (int j = 0; j < N; ++j)
        for (int i = 0; i < N; ++i) {
          const Rgba s = sample(p, (x + (i + 0.5) / N) / size, (y + (j + 0.5) / N) / size, size);
          sum.r += s.r * s.a, sum.g += s.g * s.a, sum.b += s.b * s.a, sum.a += s.a;
        }
      const auto byte = [](double v) { return uint32_t(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
      const double a = sum.a / (N * N);
      const double k = sum.a > 0 ? 1 / sum.a : 0;
      px.push_back(byte(a) << 24 | byte(sum.r * k) << 16 | byte(sum.g * k) << 8 | byte(sum.b * k));
    }
  return platform::write_png_rgba(out, px.data(), size, size);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc % 2 == 0) {
    std::fprintf(stderr, "usage: qora-icon SIZE OUT.png [SIZE OUT.png ...]\n");
    return 2;
  }
  // The gallery's pictures at the size the game draws them in a 640 x 480
  // window, the size they were designed at.
  static char video[] = "QORA_VIDEO=headless", screen[] = "QORA_SCREEN=640x480";
  putenv(video);
  putenv(screen);
  int16_t driver = D4BIT, mode = M640X480;
  INITGRAPH(driver, mode, "qora-icon");
  if (GRAPHRESULT() != GROK) {
    std::fprintf(stderr, "qora-icon: the headless surface does not open\n");
    return 1;
  }
  INITCOLORS();
  INITCOORDS();

  Parts p;
  SETACTIVEPAGE(1);
  OUTMISHENS();  // the three target pictures on the front wall's colour
  p.target = read_back(0, 0, G_RCMISHEN.RIGHT + 1, G_RCMISHEN.BOTTOM + 1, CYAN);
  SETACTIVEPAGE(2);
  CLEARDEVICE();
  DRAWPRICEL(12, 12);
  p.crosshair = read_back(0, 0, 25, 25, GETPIXEL(24, 0));
  DistanceField field(p.crosshair, 4);
  p.crosshair_distance = &field;
  p.wall = rgb_of(CYAN);
  p.bar = rgb_of(WHITE);
  p.bar_edge = rgb_of(LIGHTGRAY);
  p.lamp = rgb_of(DARKGRAY);
  SETPALETTE(uint16_t(BROWN), 6);  // the floor's brown, as the room sets it
  p.floor = rgb_of(BROWN);
  p.side = rgb_of(BLUE);
  p.crosshair_colour = rgb_of(PRICELCOL);
  p.halo = rgb_of(WHITE);
  CLOSEGRAPH();

  int status = 0;
  for (int k = 1; k + 1 < argc; k += 2) {
    const int size = std::atoi(argv[k]);
    if (size < 16 || size > 1024 || !write_icon(p, size, argv[k + 1])) {
      std::fprintf(stderr, "qora-icon: cannot write the %s pixel icon %s\n", argv[k], argv[k + 1]);
      status = 1;
    }
  }
  return status;
}
