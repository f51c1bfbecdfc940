#include <cmath>
#include <set>

#include "surface_fixture.h"

namespace qora::test {
namespace {

constexpr FILLPATTERN kChecker = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};

TEST_F(Surface, NamedColoursComeFromTheNearestEntryRule) {
  CLOSEGRAPH();
  for (const NamedColour& c : MAGICKPALETTE())
    if (c.var) *c.var = 99;
  ASSERT_EQ(open(D4BIT, M640X480), GROK);
  // BROWN is equally near entries 4 and 6: the lower wins.
  const std::pair<uint32_t, uint32_t> expected[] = {
      {BLACK, 0}, {BLUE, 1},       {RED, 4},       {MAROON, 4}, {BROWN, 4}, {LIGHTGRAY, 7},
      {LIGHTBROWN, 7}, {DARKGRAY, 8}, {LIGHTCYAN, 11}, {YELLOW, 14}, {WHITE, 15}};
  for (auto [got, want] : expected) EXPECT_EQ(got, want);
  const NamedColour* brown = FINDNAMEDCOLOUR("brown");
  EXPECT_TRUE(brown && brown->var == &BROWN);
  EXPECT_EQ(FINDNAMEDCOLOUR("NoSuchColour"), nullptr);
}

TEST_F(Surface, ColourValuesWrapAndPaletteEntriesAreChecked) {
  PUTPIXEL(1, 1, 15);
  PUTPIXEL(1, 1, 16);
  EXPECT_EQ(GETPIXEL(1, 1), 0u);
  PUTPIXEL(10, 10, BROWN);
  EXPECT_EQ((SETPALETTE(4, 6), GRAPHRESULT()), GROK);
  int w, h;
  EXPECT_EQ(gfx::snapshot_visible(w, h)[size_t(10) * w + 10], 0xA85400u);
  EXPECT_EQ((SETPALETTE(4, 256), GRAPHRESULT()), GRINVALIDPARAM);
  EXPECT_EQ((SETRGBPALETTE(16, 1, 2, 3), GRAPHRESULT()), GRINVALIDPARAM);
  SETRGBPALETTE(3, 0x1FF, 0x102, 3);  // low 8 bits of each component
  EXPECT_EQ(GETPALETTEENTRY(3), (RGBCOLOUR{255, 2, 3}));
}

TEST_F(Surface, RectangleCornersAreViewportRelativeAndReversedOnesFail) {
  SETVIEWPORT(100, 50, 300, 200, true);
  SETCOLOR(14);
  EXPECT_EQ((RECTANGLE(10, 20, 10, 20), GRAPHRESULT()), GROK);
  EXPECT_TRUE(at(110, 70) == 14 && lit() == 1);
  const auto before = page();
  EXPECT_EQ((RECTANGLE(5, 5, 4, 9), GRAPHRESULT()), GRINVALIDPARAM);
  EXPECT_EQ((BAR(5, 9, 9, 5), GRAPHRESULT()), GRINVALIDPARAM);
  EXPECT_EQ(page(), before);
  EXPECT_EQ((SETVIEWPORT(10, 10, 5, 20, true), GRAPHRESULT()), GRINVALIDPARAM);
  RECTANGLE(0, 0, 3, 2);  // an outline, still in the old viewport
  expect_at({{100, 50, 14}, {103, 52, 14}, {101, 51, 0}, {102, 51, 0}, {101, 52, 14}});
}

TEST_F(Surface, PagesFourAndAboveMeanZeroAndClearingKeepsTheViewport) {
  SETACTIVEPAGE(2);
  PUTPIXEL(5, 5, 9);
  EXPECT_TRUE(at(5, 5, 2) == 9 && at(5, 5, 0) == 0);
  SETACTIVEPAGE(4);
  SETVISUALPAGE(2);
  SETVISUALPAGE(7);
  EXPECT_TRUE(GETACTIVEPAGE() == 0 && GETVISUALPAGE() == 0);
  PUTPIXEL(6, 6, 3);
  EXPECT_EQ(at(6, 6, 0), 3);

  SETFILLSTYLE(SOLIDFILL, 12);
  BAR(0, 0, GETMAXX(), GETMAXY());
  SETVIEWPORT(50, 60, 70, 80, true);
  CLEARDEVICE();
  EXPECT_EQ(lit(), 0);
  PUTPIXEL(21, 0, 7);  // beyond the kept clip
  BAR(-10, -10, 100, 100);
  EXPECT_EQ(lit(), 21 * 21);
  expect_at({{50, 60, 12}, {70, 80, 12}});
  CLEARVIEWPORT();
  EXPECT_EQ(lit(), 0);
}

TEST_F(Surface, LinesIncludeBothEndsAndFillPatternsTileFromThePageOrigin) {
  SETCOLOR(10);
  LINE(3, 4, 13, 8);
  expect_at({{3, 4, 10}, {13, 8, 10}});
  EXPECT_EQ(lit(), 11);  // one pixel per column of the longer axis
  EXPECT_TRUE(GETX() == 13 && GETY() == 8);
  SETVIEWPORT(3, 5, 200, 200, true);
  SETFILLPATTERN(kChecker, 15);
  BAR(0, 0, 20, 20);
  for (int y = 5; y <= 25; ++y)
    for (int x = 3; x <= 23; ++x) ASSERT_EQ(at(x, y), (x + y) % 2 ? 15 : 0) << x << "," << y;
  EXPECT_EQ((SETFILLSTYLE(10, 2), GRAPHRESULT()), GRINVALIDPARAM);  // past NOFILL
}

TEST_F(Surface, ArcEndPointsAndDirection) {
  // {start, stop, radius} and {x, y, index} of pixels around the centre (100, 100).
  const std::pair<std::array<uint16_t, 3>, std::vector<std::array<int, 3>>> cases[] = {
      {{0, 90, 20}, {{120, 100, 15}, {100, 80, 15}, {114, 86, 15}, {80, 100, 0}, {100, 120, 0}}},
      {{45, 45 + 360, 10}, {{90, 100, 15}, {100, 110, 15}}},         // equal rays: whole circle
      {{1, 2, 10}, {{90, 100, 15}, {100, 110, 15}}},  // both ends round to (10, 0): one ray
      {{45, 200, 10}, {{107, 93, 15}, {91, 103, 15}, {110, 100, 0}}},  // ends at (7,-7), (-9,3)
      {{270, 90, 15}, {{115, 100, 15}, {85, 100, 0}}}};                // through 0 degrees
  SETCOLOR(15);
  for (const auto& [c, pts] : cases) {
    CLEARDEVICE();
    ARC(100, 100, c[0], c[1], c[2]);
    for (auto [x, y, v] : pts) EXPECT_EQ(at(x, y), v) << c[0] << " " << x << "," << y;
    for (int i = 0; c[0] == 0 && i < 640 * 480; ++i)  // the first quadrant only
      ASSERT_TRUE(!page()[i] || (i % 640 >= 100 && i / 640 <= 100)) << i % 640 << "," << i / 640;
  }
}

TEST_F(Surface, CirclesAreCleanAndRound) {
  SETCOLOR(15);
  for (int r = 1; r <= 40; ++r) {
    CLEARDEVICE();
    CIRCLE(200, 200, uint16_t(r));
    std::set<std::pair<int, int>> pts;
    for (int i = 150 * 640; i < 251 * 640; ++i)
      if (page()[i]) pts.insert({i % 640 - 200, i / 640 - 200});
    ASSERT_TRUE(pts.count({r, 0}) && pts.count({0, -r})) << r;
    for (auto [dx, dy] : pts) {
      ASSERT_NEAR(std::hypot(dx, dy), r, 0.5 + 1e-9) << "r=" << r;
      ASSERT_TRUE(pts.count({-dx, dy}) && pts.count({dx, -dy}) && pts.count({dy, dx}));
      int n8 = 0;  // a one-pixel closed curve: exactly two neighbours, no thick corners or gaps
      for (int o = 0; o < 9; ++o) n8 += o != 4 && pts.count({dx + o % 3 - 1, dy + o / 3 - 1});
      ASSERT_TRUE(r == 1 || n8 == 2) << n8 << " for r=" << r << " at " << dx << "," << dy;
    }
  }
}

TEST_F(Surface, FloodFillStaysInsideOutlinesWithDiagonalSteps) {
  SETCOLOR(13);
  const int16_t diamond[] = {450, 100, 500, 150, 450, 200, 400, 150, 450, 100};  // of diagonal lines
  for (int k = 0; k < 8; k += 2) LINE(diamond[k], diamond[k + 1], diamond[k + 2], diamond[k + 3]);
  const int outline = count(13);
  SETFILLSTYLE(SOLIDFILL, 3);
  FLOODFILL(450, 150, 13);
  expect_at({{450, 105, 3}, {0, 0, 0}, {450, 95, 0}, {395, 150, 0}});
  EXPECT_EQ(count(13), outline);
  EXPECT_EQ(count(3), 2 * 49 * 50 + 1);  // every pixel with |dx| + |dy| < 50, none beyond
  const auto before = page();
  SETFILLSTYLE(SOLIDFILL, 9);
  FLOODFILL(450, 100, 13);  // started on the border: nothing happens
  EXPECT_EQ(page(), before);
  SETVIEWPORT(10, 300, 60, 340, true);  // a patterned fill of a whole clipped viewport
  SETFILLPATTERN(kChecker, 14);
  FLOODFILL(5, 5, 13);
  expect_at({{10, 301, 14}, {10, 300, 0}, {9, 301, 0}, {61, 300, 0}});
}

TEST_F(Surface, FillEllipseFillsItsBoxWithAnOutline) {
  SETCOLOR(15);
  SETFILLSTYLE(SOLIDFILL, 1);
  FILLELLIPSE(100, 100, 30, 12);
  expect_at({{70, 100, 15}, {130, 100, 15}, {100, 88, 15}, {100, 112, 15}, {100, 100, 1},
             {69, 100, 0}, {131, 100, 0}, {100, 87, 0}, {100, 113, 0}});
  for (int y = 85; y <= 115; ++y)  // the inside never touches the outside
    for (int x = 65; x <= 135; ++x)
      ASSERT_TRUE(at(x, y) != 1 || (at(x + 1, y) && at(x - 1, y) && at(x, y + 1) && at(x, y - 1)));
}

TEST_F(Surface, PaletteChangesDamageOnlyTheTilesThatShowTheEntry) {
  flush_damage();
  SETFILLSTYLE(SOLIDFILL, 5);
  BAR(40, 40, 45, 70);  // tiles (1,1) and (1,2) of a 20-tile-wide page
  SETACTIVEPAGE(1);
  BAR(200, 200, 300, 300);  // a hidden page: no damage
  SETACTIVEPAGE(0);
  EXPECT_EQ(dirty_tiles(), (std::vector<int>{21, 41}));
  flush_damage();
  SETRGBPALETTE(5, 0, 50, 0);
  EXPECT_EQ(dirty_tiles(), (std::vector<int>{21, 41}));
  SETFILLSTYLE(SOLIDFILL, 0);  // a tile that no longer holds the entry stays clean
  BAR(40, 64, 45, 70);
  flush_damage();
  SETRGBPALETTE(5, 0, 60, 0);
  EXPECT_EQ(dirty_tiles(), (std::vector<int>{21}));
  flush_damage();
  SETVISUALPAGE(0);
  EXPECT_EQ(dirty_tiles().size(), size_t(20 * 15));

  CLOSEGRAPH();  // more entries than mask bits
  ASSERT_EQ(open(D8BIT, M640X480), GROK);
  PUTPIXEL(5, 5, 21);  // tile 0: shares its mask bit with index 5
  PUTPIXEL(40, 5, 200);
  flush_damage();
  SETRGBPALETTE(5, 1, 2, 3);
  EXPECT_TRUE(dirty_tiles().empty());  // entry 5 is not shown
  SETRGBPALETTE(21, 1, 2, 3);
  EXPECT_EQ(dirty_tiles(), (std::vector<int>{0}));
  flush_damage();
  SETPALETTE(200, 40);
  EXPECT_EQ(dirty_tiles(), (std::vector<int>{1}));
}

TEST_F(Surface, RenderDamageConvertsTheDirtyTilesThroughThePalette) {
  flush_damage();
  PUTPIXEL(33, 1, 12);
  std::vector<uint32_t> screen(640 * 480, 0xDEADBEEF);
  std::vector<gfx::Rect> rects;
  ASSERT_TRUE(gfx::render_damage(screen.data(), 640, rects));
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_TRUE(rects[0].x0 == 32 && rects[0].x1 == 63 && rects[0].y1 == 31);
  EXPECT_TRUE(screen[33 + 640] == 0xFC5454u && screen[32] == 0u);
  EXPECT_EQ(screen[0], 0xDEADBEEFu);  // outside the damage: untouched
  EXPECT_FALSE(gfx::render_damage(screen.data(), 640, rects));
}

TEST_F(Surface, OpeningAndClosingFollowTheModeAndScreen) {
  EXPECT_EQ(open(D4BIT, M640X480), GRERROR);  // already open
  CLOSEGRAPH();
  EXPECT_EQ((PUTPIXEL(1, 1, 1), GRAPHRESULT()), GRNOINITGRAPH);
  EXPECT_EQ((CLOSEGRAPH(), GRAPHRESULT()), GRNOINITGRAPH);
  EXPECT_EQ(open(4, M640X480), GRINVALIDDRIVER);
  EXPECT_EQ(open(D4BIT, 9), GRINVALIDMODE);
  EXPECT_EQ(open(D4BIT, M1280X1024), GRINVALIDMODE);  // larger than the 1024x768 screen
  CUSTOMWIDTH = 0;
  EXPECT_EQ(open(D4BIT, MCUSTOM), GRINVALIDMODE);
  CUSTOMWIDTH = 640;
  EXPECT_FALSE(GRAPHENABLED());
}

}  // namespace
}  // namespace qora::test
