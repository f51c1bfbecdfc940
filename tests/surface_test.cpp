#include <cmath>
#include <set>

#include "surface_fixture.h"

namespace qora::test {
namespace {

constexpr FILLPATTERN kChecker = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};

TEST(DefaultPalette, HoldsTheClassicColoursGreysAndHueBlocks) {
  EXPECT_EQ(DEFAULTVGAPALETTE[6], (RGBCOLOUR{168, 84, 0}));
  EXPECT_EQ(DEFAULTVGAPALETTE[9], (RGBCOLOUR{132, 132, 252}));
  EXPECT_EQ(DEFAULTVGAPALETTE[16], (RGBCOLOUR{0, 0, 0}));
  EXPECT_EQ(DEFAULTVGAPALETTE[24], (RGBCOLOUR{112, 112, 112}));
  EXPECT_EQ(DEFAULTVGAPALETTE[31], (RGBCOLOUR{252, 252, 252}));
  EXPECT_EQ(DEFAULTVGAPALETTE[32], (RGBCOLOUR{0, 0, 252}));
  EXPECT_EQ(DEFAULTVGAPALETTE[34], (RGBCOLOUR{124, 0, 252}));
  EXPECT_EQ(DEFAULTVGAPALETTE[36], (RGBCOLOUR{252, 0, 252}));
  EXPECT_EQ(DEFAULTVGAPALETTE[40], (RGBCOLOUR{252, 0, 0}));
  EXPECT_EQ(DEFAULTVGAPALETTE[247], (RGBCOLOUR{44, 48, 64}));  // last of the dimmest block
  for (int i = 248; i < 256; ++i) EXPECT_EQ(DEFAULTVGAPALETTE[i], (RGBCOLOUR{})) << i;
}

TEST_F(Surface, NamedColoursComeFromTheNearestEntryRule) {
  CLOSEGRAPH();
  for (const NamedColour& c : MAGICKPALETTE())
    if (c.var) *c.var = 99;
  int16_t driver = D4BIT, mode = M640X480;
  INITGRAPH(driver, mode, "t");
  ASSERT_EQ(GRAPHRESULT(), GROK);
  const std::pair<uint32_t, uint32_t> expected[] = {
      {BLACK, 0}, {BLUE, 1},      {GREEN, 2},     {CYAN, 3},       {RED, 4},       {MAROON, 4},
      {BROWN, 4}, {MAGENTA, 5},   {LIGHTGRAY, 7}, {LIGHTBROWN, 7}, {DARKGRAY, 8},  {LIGHTBLUE, 9},
      {LIGHTGREEN, 10}, {LIGHTCYAN, 11}, {LIGHTRED, 12}, {LIGHTMAGENTA, 13}, {YELLOW, 14},
      {WHITE, 15}};
  for (auto [got, want] : expected) EXPECT_EQ(got, want);
  EXPECT_EQ(MAGICKPALETTE().size(), 144u);
  const NamedColour* brown = FINDNAMEDCOLOUR("brown");
  ASSERT_NE(brown, nullptr);
  EXPECT_EQ(*brown->var, 4u);  // equally near 4 and 6: the lower wins
  EXPECT_EQ(FINDNAMEDCOLOUR("NoSuchColour"), nullptr);
}

TEST_F(Surface, ColourValuesWrapAndRedMaroonBrownShareOneEntry) {
  PUTPIXEL(1, 1, 15);
  PUTPIXEL(1, 1, 16);
  EXPECT_EQ(GETPIXEL(1, 1), 0u);
  SETCOLOR(16);
  EXPECT_EQ(GETCOLOR(), 16u);  // kept as given
  LINE(2, 2, 2, 2);
  EXPECT_EQ(at(2, 2), 0);

  PUTPIXEL(10, 10, RED);
  PUTPIXEL(11, 10, MAROON);
  PUTPIXEL(12, 10, BROWN);
  SETPALETTE(4, 6);
  EXPECT_EQ(GRAPHRESULT(), GROK);
  int w, h;
  const auto shot = gfx::snapshot_visible(w, h);
  for (int x = 10; x <= 12; ++x) EXPECT_EQ(shot[size_t(10) * w + x], 0xA85400u) << x;

  SETPALETTE(4, 256);
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDPARAM);
  SETRGBPALETTE(16, 1, 2, 3);
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDPARAM);
  SETRGBPALETTE(3, 0x1FF, 0x102, 3);  // low 8 bits of each component
  EXPECT_EQ(GETPALETTEENTRY(3), (RGBCOLOUR{255, 2, 3}));
}

TEST_F(Surface, RectangleCornersAreViewportRelativeAndReversedOnesFail) {
  SETVIEWPORT(100, 50, 300, 200, true);
  SETCOLOR(14);
  RECTANGLE(10, 20, 10, 20);
  EXPECT_EQ(GRAPHRESULT(), GROK);
  EXPECT_EQ(at(110, 70), 14);
  EXPECT_EQ(count_not(0), 1);

  const auto before = page_copy();
  RECTANGLE(5, 5, 4, 9);
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDPARAM);
  BAR(5, 9, 9, 5);
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDPARAM);
  EXPECT_EQ(page_copy(), before);
  SETVIEWPORT(10, 10, 5, 20, true);
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDPARAM);
  VIEWPORTTYPE vp;
  GETVIEWSETTINGS(vp);
  EXPECT_EQ(vp.X1, 100);
  EXPECT_EQ(vp.Y2, 200);

  RECTANGLE(0, 0, 3, 2);  // outline only
  EXPECT_EQ(at(100, 50), 14);
  EXPECT_EQ(at(103, 52), 14);
  EXPECT_EQ(at(101, 51), 0);
  EXPECT_EQ(at(102, 51), 0);
  EXPECT_EQ(at(101, 52), 14);
}

TEST_F(Surface, PageNumbersFourAndAboveMeanPageZero) {
  SETACTIVEPAGE(2);
  PUTPIXEL(5, 5, 9);
  EXPECT_EQ(at(5, 5, 2), 9);
  EXPECT_EQ(at(5, 5, 0), 0);
  SETACTIVEPAGE(4);
  EXPECT_EQ(GETACTIVEPAGE(), 0);
  SETVISUALPAGE(2);
  SETVISUALPAGE(7);
  EXPECT_EQ(GETVISUALPAGE(), 0);
  PUTPIXEL(6, 6, 3);
  EXPECT_EQ(at(6, 6, 0), 3);
}

TEST_F(Surface, ClearDeviceClearsTheWholePageAndKeepsTheViewport) {
  SETFILLSTYLE(SOLIDFILL, 12);
  BAR(0, 0, GETMAXX(), GETMAXY());
  SETVIEWPORT(50, 60, 70, 80, true);
  CLEARDEVICE();
  EXPECT_EQ(count_not(0), 0);
  VIEWPORTTYPE vp;
  GETVIEWSETTINGS(vp);
  EXPECT_TRUE(vp.X1 == 50 && vp.Y1 == 60 && vp.X2 == 70 && vp.Y2 == 80 && vp.CLIP);
  PUTPIXEL(0, 0, 7);
  PUTPIXEL(21, 0, 7);  // beyond the clip
  BAR(-10, -10, 100, 100);
  EXPECT_EQ(at(50, 60), 12);
  EXPECT_EQ(count_not(0), 21 * 21);
  EXPECT_EQ(at(49, 60), 0);
  EXPECT_EQ(at(71, 80), 0);
  CLEARVIEWPORT();
  EXPECT_EQ(count_not(0), 0);
}

TEST_F(Surface, LineIncludesBothEndsAndMovesTheCurrentPosition) {
  SETCOLOR(10);
  LINE(3, 4, 13, 8);
  EXPECT_EQ(at(3, 4), 10);
  EXPECT_EQ(at(13, 8), 10);
  EXPECT_EQ(count_not(0), 11);  // one pixel per column of the longer axis
  EXPECT_EQ(GETX(), 13);
  EXPECT_EQ(GETY(), 8);
  LINE(20, 20, 20, 20);
  EXPECT_EQ(at(20, 20), 10);
}

TEST_F(Surface, FillPatternsTileFromThePageOrigin) {
  SETVIEWPORT(3, 5, 200, 200, true);
  SETFILLPATTERN(kChecker, 15);
  BAR(0, 0, 20, 20);
  for (int y = 5; y <= 25; ++y)
    for (int x = 3; x <= 23; ++x) ASSERT_EQ(at(x, y), (x + y) % 2 ? 15 : 0) << x << "," << y;
  // Every hatch style is a valid style, the ones past NOFILL are not.
  SETFILLSTYLE(XHATCHFILL, 2);
  EXPECT_EQ(GRAPHRESULT(), GROK);
  SETFILLSTYLE(10, 2);
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDPARAM);
  FILLSETTINGSTYPE fs;
  GETFILLSETTINGS(fs);
  EXPECT_EQ(fs.PATTERN, XHATCHFILL);
}

TEST_F(Surface, ArcEndPointsAndDirection) {
  SETCOLOR(15);
  ARC(100, 100, 0, 90, 20);
  EXPECT_EQ(at(120, 100), 15);
  EXPECT_EQ(at(100, 80), 15);
  EXPECT_EQ(at(114, 86), 15);   // on the way, up and to the right
  EXPECT_EQ(at(80, 100), 0);    // left: not part of the arc
  EXPECT_EQ(at(100, 120), 0);
  for (int i = 0; i < 640 * 480; ++i) {
    const int x = i % 640, y = i / 640;
    if (at(x, y)) {
      ASSERT_TRUE(x >= 100 && y <= 100) << x << "," << y;
    }
  }
  CLEARDEVICE();
  ARC(100, 100, 45, 45 + 360, 10);  // equal rays: the whole circle
  EXPECT_EQ(at(90, 100), 15);
  EXPECT_EQ(at(100, 110), 15);
  CLEARDEVICE();
  ARC(100, 100, 45, 200, 10);
  EXPECT_EQ(at(107, 93), 15);  // (round(10 cos 45), -round(10 sin 45))
  EXPECT_EQ(at(91, 103), 15);  // (round(10 cos 200), -round(10 sin 200)) = (-9, +3)
  EXPECT_EQ(at(110, 100), 0);
  CLEARDEVICE();
  ARC(100, 100, 270, 90, 15);  // through 0 degrees: the right half
  EXPECT_EQ(at(115, 100), 15);
  EXPECT_EQ(at(85, 100), 0);
}

TEST_F(Surface, CirclesAreCleanAndRound) {
  SETCOLOR(15);
  for (int r = 1; r <= 40; ++r) {
    CLEARDEVICE();
    CIRCLE(200, 200, uint16_t(r));
    std::set<std::pair<int, int>> pts;
    for (int y = 150; y <= 250; ++y)
      for (int x = 150; x <= 250; ++x)
        if (at(x, y)) pts.insert({x - 200, y - 200});
    ASSERT_FALSE(pts.empty());
    for (auto [dx, dy] : pts) {
      ASSERT_NEAR(std::hypot(dx, dy), r, 0.5 + 1e-9) << "r=" << r;
      ASSERT_TRUE(pts.count({-dx, dy}) && pts.count({dx, -dy}) && pts.count({dy, dx}));
      // A one-pixel closed curve: every pixel has exactly two neighbours
      // (no thick corners, no gaps).
      int n8 = 0;
      for (int oy = -1; oy <= 1; ++oy)
        for (int ox = -1; ox <= 1; ++ox) n8 += (ox || oy) && pts.count({dx + ox, dy + oy});
      if (r > 1) {
        ASSERT_EQ(n8, 2) << "r=" << r << " at " << dx << "," << dy;
      }
    }
    EXPECT_TRUE(pts.count({r, 0}) && pts.count({0, -r}));
  }
}

TEST_F(Surface, FloodFillStaysInsideOutlinesWithDiagonalSteps) {
  SETCOLOR(13);
  // A pie: an arc closed by two lines to its end points.
  ARC(200, 200, 20, 160, 80);
  int sx = int(std::nearbyint(80 * std::cos(20 * M_PI / 180)));
  int sy = int(std::nearbyint(80 * std::sin(20 * M_PI / 180)));
  LINE(200, 200, int16_t(200 + sx), int16_t(200 - sy));
  LINE(200, 200, int16_t(200 - sx), int16_t(200 - sy));
  // A diamond of diagonal lines.
  LINE(450, 100, 500, 150);
  LINE(500, 150, 450, 200);
  LINE(450, 200, 400, 150);
  LINE(400, 150, 450, 100);
  const int outline = 640 * 480 - count_not(13);
  SETFILLSTYLE(SOLIDFILL, 3);
  FLOODFILL(200, 160, 13);
  FLOODFILL(450, 150, 13);
  EXPECT_EQ(at(200, 160), 3);
  EXPECT_EQ(at(450, 150), 3);
  EXPECT_EQ(at(450, 105), 3);
  // Nothing escaped: the outside is untouched and the outline is intact.
  EXPECT_EQ(at(0, 0), 0);
  EXPECT_EQ(at(200, 205), 0);
  EXPECT_EQ(at(450, 95), 0);
  EXPECT_EQ(at(395, 150), 0);
  EXPECT_EQ(640 * 480 - count_not(13), outline);
  int filled = 0;
  for (uint8_t v : page_copy()) filled += v == 3;
  EXPECT_GT(filled, 11500);  // the pie (about 7800) and the diamond (about 5000)
  EXPECT_LT(filled, 13500);

  // Started on the border colour: nothing happens.
  const auto before = page_copy();
  SETFILLSTYLE(SOLIDFILL, 9);
  FLOODFILL(450, 100, 13);
  EXPECT_EQ(page_copy(), before);
  // A patterned fill of a whole clipped viewport does not revisit its pixels.
  SETVIEWPORT(10, 300, 60, 340, true);
  SETFILLPATTERN(kChecker, 14);
  FLOODFILL(5, 5, 13);
  EXPECT_EQ(at(10, 301), 14);
  EXPECT_EQ(at(10, 300), 0);
  EXPECT_EQ(at(9, 301), 0);
  EXPECT_EQ(at(61, 300), 0);
}

TEST_F(Surface, FillEllipseFillsItsBoxWithAnOutline) {
  SETCOLOR(15);
  SETFILLSTYLE(SOLIDFILL, 1);
  FILLELLIPSE(100, 100, 30, 12);
  EXPECT_EQ(at(70, 100), 15);
  EXPECT_EQ(at(130, 100), 15);
  EXPECT_EQ(at(100, 88), 15);
  EXPECT_EQ(at(100, 112), 15);
  EXPECT_EQ(at(69, 100), 0);
  EXPECT_EQ(at(131, 100), 0);
  EXPECT_EQ(at(100, 87), 0);
  EXPECT_EQ(at(100, 113), 0);
  EXPECT_EQ(at(100, 100), 1);
  // The inside never touches the outside directly.
  for (int y = 85; y <= 115; ++y)
    for (int x = 65; x <= 135; ++x)
      if (at(x, y) == 1) {
        for (auto [ox, oy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
          ASSERT_NE(at(x + ox, y + oy), 0) << x << "," << y;
        }
      }
}

TEST_F(Surface, PaletteChangesDamageOnlyTheTilesThatShowTheEntry) {
  flush_damage();
  EXPECT_TRUE(dirty_tiles().empty());
  SETRGBPALETTE(5, 0, 40, 0);  // nothing on the visible page uses entry 5
  EXPECT_TRUE(dirty_tiles().empty());
  EXPECT_FALSE(gfx::S().dirty_any);

  SETFILLSTYLE(SOLIDFILL, 5);
  BAR(40, 40, 45, 70);  // tiles (1,1) and (1,2) of a 20-tile-wide page
  SETACTIVEPAGE(1);
  BAR(200, 200, 300, 300);  // a hidden page: no damage
  SETACTIVEPAGE(0);
  EXPECT_EQ(dirty_tiles(), (std::vector<int>{21, 41}));
  flush_damage();
  SETRGBPALETTE(5, 0, 50, 0);
  EXPECT_EQ(dirty_tiles(), (std::vector<int>{21, 41}));
  flush_damage();
  SETRGBPALETTE(5, 0, 50, 0);  // the same colour again: nothing to repaint
  EXPECT_TRUE(dirty_tiles().empty());

  // A tile that once held the entry but no longer does stays clean.
  SETFILLSTYLE(SOLIDFILL, 0);
  BAR(40, 64, 45, 70);
  flush_damage();
  SETRGBPALETTE(5, 0, 60, 0);
  EXPECT_EQ(dirty_tiles(), (std::vector<int>{21}));

  flush_damage();
  SETVISUALPAGE(0);
  EXPECT_EQ(dirty_tiles().size(), size_t(20 * 15));
}

TEST_F(Surface, PaletteDamageWithMoreEntriesThanMaskBits) {
  CLOSEGRAPH();
  int16_t driver = D8BIT, mode = M640X480;
  INITGRAPH(driver, mode, "t");
  ASSERT_EQ(GRAPHRESULT(), GROK);
  PUTPIXEL(5, 5, 21);   // tile 0: shares its mask bit with index 5
  PUTPIXEL(40, 5, 200);
  flush_damage();
  SETRGBPALETTE(5, 1, 2, 3);
  EXPECT_TRUE(dirty_tiles().empty());
  SETRGBPALETTE(21, 1, 2, 3);
  EXPECT_EQ(dirty_tiles(), (std::vector<int>{0}));
  flush_damage();
  SETPALETTE(200, 40);
  EXPECT_EQ(dirty_tiles(), (std::vector<int>{1}));
  EXPECT_EQ(GETPALETTEENTRY(200), DEFAULTVGAPALETTE[40]);
}

TEST_F(Surface, RenderDamageConvertsTheDirtyTilesThroughThePalette) {
  flush_damage();
  PUTPIXEL(33, 1, 12);
  std::vector<uint32_t> screen(640 * 480, 0xDEADBEEF);
  std::vector<gfx::Rect> rects;
  ASSERT_TRUE(gfx::render_damage(screen.data(), 640, rects));
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].x0, 32);
  EXPECT_EQ(rects[0].x1, 63);
  EXPECT_EQ(rects[0].y1, 31);
  EXPECT_EQ(screen[33 + 640], 0xFC5454u);
  EXPECT_EQ(screen[32], 0u);
  EXPECT_EQ(screen[0], 0xDEADBEEFu);  // outside the damage: untouched
  EXPECT_FALSE(gfx::render_damage(screen.data(), 640, rects));
}

TEST_F(Surface, OpeningAndClosingFollowTheModeAndScreen) {
  int16_t driver = D4BIT, mode = M640X480;
  INITGRAPH(driver, mode, "again");
  EXPECT_EQ(GRAPHRESULT(), GRERROR);
  CLOSEGRAPH();
  PUTPIXEL(1, 1, 1);
  EXPECT_EQ(GRAPHRESULT(), GRNOINITGRAPH);
  CLOSEGRAPH();
  EXPECT_EQ(GRAPHRESULT(), GRNOINITGRAPH);

  driver = 4;
  INITGRAPH(driver, mode, "t");
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDDRIVER);
  driver = D4BIT;
  mode = 9;
  INITGRAPH(driver, mode, "t");
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDMODE);
  mode = M1280X1024;  // larger than the 1024x768 screen
  INITGRAPH(driver, mode, "t");
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDMODE);
  EXPECT_FALSE(GRAPHENABLED());
  mode = M1024X768;  // fits only without a frame
  INITGRAPH(driver, mode, "t");
  EXPECT_EQ(GRAPHRESULT(), GROK);
  EXPECT_EQ(GETMAXX(), 1023);
  CLOSEGRAPH();

  setenv("QORA_SCREEN", "1280x720", 1);
  mode = MFULLSCR;
  INITGRAPH(driver, mode, "t");
  ASSERT_EQ(GRAPHRESULT(), GROK);
  EXPECT_EQ(GETMAXX(), 1279);
  EXPECT_EQ(GETMAXY(), 719);
  EXPECT_EQ(at(1279, 719), 0);
  CLOSEGRAPH();
  CUSTOMWIDTH = 0;
  mode = MCUSTOM;
  INITGRAPH(driver, mode, "t");
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDMODE);
  CUSTOMWIDTH = 640;

  driver = DETECT;
  mode = 0;
  INITGRAPH(driver, mode, "t");
  EXPECT_EQ(GRAPHRESULT(), GROK);
  EXPECT_EQ(driver, NOPALETTE);
  EXPECT_EQ(mode, MDEFAULT);
  EXPECT_EQ(WHITE, 0xFFFFFFu);
  SETRGBPALETTE(1, 1, 2, 3);
  EXPECT_EQ(GRAPHRESULT(), GRNOPALETTE);
}

}  // namespace
}  // namespace qora::test
