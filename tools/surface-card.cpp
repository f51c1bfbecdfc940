// surface-card: draws a test card of the graphics surface headless (every
// primitive, every face at sizes 2 to 5 in Latin and Cyrillic, the palette,
// fill patterns, flood fills, arcs, ellipses and an image round trip) and
// writes it as a PNG file.
//
//   surface-card [out.png]      (default surface-card.png)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "graph/graph.h"
#include "graph/surface_internal.h"

using namespace qora;

namespace {

// "Съешь же ещё этих мягких французских булок" in Windows-1251.
const std::string kRussian =
    "\xD1\xFA\xE5\xF8\xFC \xE6\xE5 \xE5\xF9\xB8 \xFD\xF2\xE8\xF5 \xEC\xFF\xE3\xEA\xE8\xF5 "
    "\xF4\xF0\xE0\xED\xF6\xF3\xE7\xF1\xEA\xE8\xF5 \xE1\xF3\xEB\xEE\xEA";
// "Таблица Менделеева" in Windows-1251.
const std::string kRussianShort = "\xD2\xE0\xE1\xEB\xE8\xF6\xE0 \xCC\xE5\xED\xE4\xE5\xEB\xE5\xE5\xE2\xE0";

void caption(int x, int y, const std::string& s) {
  SETTEXTSTYLE(ARIALFONT, 0, 2);
  SETCOLOR(WHITE);
  OUTTEXTXY(int16_t(x), int16_t(y), s);
}

void palette_swatches(int x, int y) {
  caption(x, y, "Palette 0-15");
  SETCOLOR(WHITE);
  for (int i = 0; i < 16; ++i) {
    SETFILLSTYLE(SOLIDFILL, uint32_t(i));
    BAR(int16_t(x + i * 24), int16_t(y + 20), int16_t(x + i * 24 + 21), int16_t(y + 45));
    RECTANGLE(int16_t(x + i * 24), int16_t(y + 20), int16_t(x + i * 24 + 21), int16_t(y + 45));
  }
}

void patterns(int x, int y) {
  caption(x, y, "Fill styles 0-9, checkerboard");
  for (uint16_t st = 0; st <= NOFILL; ++st) {
    SETFILLSTYLE(st, YELLOW);
    BAR(int16_t(x + st * 30), int16_t(y + 20), int16_t(x + st * 30 + 25), int16_t(y + 45));
  }
  SETFILLPATTERN({0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA}, LIGHTGREEN);
  BAR(int16_t(x + 300), int16_t(y + 20), int16_t(x + 360), int16_t(y + 45));
}

void lines_and_shapes(int x, int y) {
  caption(x, y, "Lines, rectangles, arcs, circles, ellipses");
  SETCOLOR(LIGHTCYAN);
  for (int i = 0; i <= 8; ++i) LINE(int16_t(x), int16_t(y + 25), int16_t(x + 80), int16_t(y + 25 + i * 10));
  SETCOLOR(LIGHTRED);
  RECTANGLE(int16_t(x + 90), int16_t(y + 25), int16_t(x + 150), int16_t(y + 105));
  RECTANGLE(int16_t(x + 100), int16_t(y + 35), int16_t(x + 100), int16_t(y + 35));
  SETCOLOR(YELLOW);
  CIRCLE(int16_t(x + 200), int16_t(y + 65), 40);
  CIRCLE(int16_t(x + 200), int16_t(y + 65), 3);
  SETCOLOR(LIGHTGREEN);
  ARC(int16_t(x + 290), int16_t(y + 65), 30, 150, 40);
  ARC(int16_t(x + 290), int16_t(y + 65), 270, 45, 30);
  SETCOLOR(WHITE);
  SETFILLSTYLE(SOLIDFILL, BLUE);
  FILLELLIPSE(int16_t(x + 390), int16_t(y + 65), 50, 30);
  SETFILLPATTERN({0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA}, MAGENTA);
  FILLELLIPSE(int16_t(x + 480), int16_t(y + 65), 25, 40);
}

void flood_fills(int x, int y) {
  caption(x, y, "Flood fills");
  // A pie bounded by two lines and an arc, filled solid.
  SETCOLOR(LIGHTMAGENTA);
  const int cx = x + 50, cy = y + 100;
  ARC(int16_t(cx), int16_t(cy), 20, 160, 60);
  LINE(int16_t(cx), int16_t(cy), int16_t(cx + 56), int16_t(cy - 21));
  LINE(int16_t(cx), int16_t(cy), int16_t(cx - 56), int16_t(cy - 21));
  SETFILLSTYLE(SOLIDFILL, CYAN);
  FLOODFILL(int16_t(cx), int16_t(cy - 30), LIGHTMAGENTA);
  // A diamond of diagonal lines filled with the checkerboard.
  SETCOLOR(WHITE);
  const int dx = x + 170, dy = y + 75;
  LINE(int16_t(dx), int16_t(dy - 45), int16_t(dx + 45), int16_t(dy));
  LINE(int16_t(dx + 45), int16_t(dy), int16_t(dx), int16_t(dy + 45));
  LINE(int16_t(dx), int16_t(dy + 45), int16_t(dx - 45), int16_t(dy));
  LINE(int16_t(dx - 45), int16_t(dy), int16_t(dx), int16_t(dy - 45));
  SETFILLPATTERN({0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA}, LIGHTRED);
  FLOODFILL(int16_t(dx), int16_t(dy), WHITE);
}

void texts(int x, int y) {
  int yy = y;
  for (uint16_t font = 0; font <= LUCIDACONSOLEFONT; ++font) {
    for (uint16_t size = 2; size <= 5; ++size) {
      SETTEXTSTYLE(font, 0, size);
      const std::string s = "Qora " + std::to_string(font) + "/" + std::to_string(size) + " ";
      const int w = TEXTWIDTH(s), h = TEXTHEIGHT(s);
      // The measured box in dark grey, the text over it.
      SETCOLOR(DARKGRAY);
      RECTANGLE(int16_t(x - 1), int16_t(yy - 1), int16_t(x + w + TEXTWIDTH(size >= 4 ? kRussianShort : kRussian)),
                int16_t(yy + h));
      SETCOLOR(size % 2 ? WHITE : LIGHTGREEN);
      OUTTEXTXY(int16_t(x), int16_t(yy), s);
      SETCOLOR(YELLOW);
      OUTTEXTXY(int16_t(x + w), int16_t(yy), size >= 4 ? kRussianShort : kRussian);
      yy += h + 2;
    }
    if (font == 2) {
      yy = y;
      x += 720;
    }
  }
  SETTEXTSTYLE(TIMESNEWROMANFONT + 16 + 256, 0, 3);
  SETCOLOR(LIGHTCYAN);
  OUTTEXTXY(int16_t(x), int16_t(yy + 4), "Bold underlined " + kRussianShort);
  SETTEXTSTYLE(ARIALFONT + 4096, 0, 3);
  OUTTEXTXY(int16_t(x), int16_t(yy + 34), "Italic " + kRussianShort);
}

void image_round_trip(int x, int y) {
  caption(x, y, "Image: original, copy");
  SETFILLSTYLE(SOLIDFILL, GREEN);
  BAR(int16_t(x), int16_t(y + 20), int16_t(x + 60), int16_t(y + 60));
  SETCOLOR(YELLOW);
  CIRCLE(int16_t(x + 30), int16_t(y + 40), 15);
  SETCOLOR(LIGHTRED);
  LINE(int16_t(x), int16_t(y + 20), int16_t(x + 60), int16_t(y + 60));
  std::vector<uint8_t> img(size_t(IMAGESIZE(int16_t(x), int16_t(y + 20), int16_t(x + 60), int16_t(y + 60))));
  GETIMAGE(int16_t(x), int16_t(y + 20), int16_t(x + 60), int16_t(y + 60), img);
  PUTIMAGE(int16_t(x + 80), int16_t(y + 20), img, COPYPUT);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string out = argc > 1 ? argv[1] : "surface-card.png";
  setenv("QORA_VIDEO", "headless", 0);
  setenv("QORA_SCREEN", "1600x1000", 0);
  CUSTOMWIDTH = 1440;
  CUSTOMHEIGHT = 960;
  int16_t driver = D4BIT, mode = MCUSTOM;
  INITGRAPH(driver, mode, "surface card");
  if (GRAPHRESULT() != GROK) {
    std::fprintf(stderr, "surface-card: graphics do not open (%d)\n", GRAPHRESULT());
    return 1;
  }
  SETFILLSTYLE(SOLIDFILL, DARKGRAY);
  BAR(0, 0, GETMAXX(), GETMAXY());
  SETFILLSTYLE(SOLIDFILL, BLACK);
  BAR(4, 4, int16_t(GETMAXX() - 4), int16_t(GETMAXY() - 4));
  palette_swatches(10, 10);
  patterns(420, 10);
  lines_and_shapes(10, 70);
  flood_fills(540, 70);
  image_round_trip(800, 70);
  texts(10, 200);
  // A clipped viewport: text and a circle cut at its edges.
  SETVIEWPORT(1000, 70, 1200, 160, true);
  SETCOLOR(WHITE);
  RECTANGLE(0, 0, 200, 90);
  SETTEXTSTYLE(TIMESNEWROMANFONT, 0, 5);
  OUTTEXTXY(-20, 30, kRussianShort);
  SETCOLOR(LIGHTGREEN);
  CIRCLE(190, 10, 30);
  SETVIEWPORT(0, 0, GETMAXX(), GETMAXY(), false);
  const bool ok = gfx::write_png(out);
  CLOSEGRAPH();
  if (!ok) {
    std::fprintf(stderr, "surface-card: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s\n", out.c_str());
  return 0;
}
