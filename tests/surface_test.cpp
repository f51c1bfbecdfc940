// The 16-colour paletted surface, headless at 640 x 480: drawing, palette
// and damage, text, and images captured and pasted.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <vector>

#include "graph/surface_internal.h"
#include "support/headless.h"

namespace qora::test {
namespace {

class Surface : public ::testing::Test {
 protected:
  void SetUp() override {
    use_headless();
    ASSERT_EQ(open(D4BIT, M640X480), GROK);
  }
  void TearDown() override { if (GRAPHENABLED()) CLOSEGRAPH(); }

  static int16_t open(int16_t d, int16_t m) { return INITGRAPH(d, m, "t"), GRAPHRESULT(); }
  static const std::vector<uint8_t>& page(int p = -1) {
    return gfx::S().pages[p < 0 ? gfx::S().active : p].px;
  }
  static int at(int x, int y, int p = -1) { return page(p)[size_t(y) * gfx::S().width + x]; }
  static int count(int idx) { return int(std::count(page().begin(), page().end(), idx)); }
  static int lit() { return int(page().size()) - count(0); }
  static void expect_at(std::initializer_list<std::array<int, 3>> pts) {  // {x, y, index}
    for (auto [x, y, c] : pts) EXPECT_EQ(at(x, y), c) << x << "," << y;
  }
  static void flush_damage() {  // shows the pending damage: only later changes count as dirty
    std::vector<uint32_t> screen(size_t(gfx::S().width) * gfx::S().height);
    std::vector<gfx::Rect> rects;
    gfx::render_damage(screen.data(), gfx::S().width, rects);
  }
  static std::vector<int> dirty_tiles() {
    std::vector<int> out;
    for (size_t t = 0; t < gfx::S().dirty.size(); ++t)
      if (gfx::S().dirty[t]) out.push_back(int(t));
    return out;
  }
};

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

// ---- Text ------------------------------------------------------------------

using Text = Surface;

const std::string kCyrCaps = "\xCC\xC8\xD0 \xD5\xC8\xCC\xC8\xC8";  // "МИР ХИМИИ" in Windows-1251
const std::string kCyrMixed = "\xA8\xE6\xE8\xEA \xE2 \xF2\xF3\xEC\xE0\xED\xE5";  // "Ёжик в тумане"

TEST_F(Text, DrawnTextLiesInItsMeasuredCellOfTheRequestedHeight) {
  const int x = 37, y = 41;
  SETCOLOR(14);
  for (uint16_t font : {COURIERNEWFONT, TIMESNEWROMANFONT, ARIALFONT})
    for (uint16_t size = 2; size <= 5; ++size)
      for (const std::string& s : {std::string("HELLO Mendeleev"), kCyrCaps, kCyrMixed}) {
        CLEARDEVICE();
        SETTEXTSTYLE(font, 0, size);
        OUTTEXTXY(x, y, s);
        const int w = TEXTWIDTH(s), h = TEXTHEIGHT(s);
        const auto [x0, y0, x1, y1] = box_of(14, 0, 0, 639, 479);
        SCOPED_TRACE(::testing::Message() << "font " << font << " size " << size << " " << s);
        ASSERT_EQ(h, size * 8);
        ASSERT_TRUE(x0 >= x && y0 >= y && x1 < x + w && y1 < y + h);
        // The ink spans the width; capitals stand on the baseline about 4/5 down.
        EXPECT_TRUE(x0 <= x + h / 4 && x1 >= x + w - 1 - h / 2) << x0 << " " << x1;
        EXPECT_TRUE(s == kCyrMixed || (y1 >= y + h * 7 / 10 - 1 && y1 <= y + h * 17 / 20)) << y1;
        EXPECT_TRUE(GETX() == x + w && GETY() == y);
      }
  SETTEXTSTYLE(ARIALFONT, 0, 16);  // from 6 up the size is the cell height in pixels
  EXPECT_TRUE(TEXTHEIGHT("") == 16 && TEXTWIDTH("") == 0);
}

TEST_F(Text, WidthIsTheSumOfTheCharacterAdvances) {
  SETTEXTSTYLE(ARIALFONT, 0, 3);  // a kerned face: pairs such as "AV" and "To" are not kerned
  for (const std::string& s : {std::string("AVAToWa 1.5"), kCyrMixed}) {
    int sum = 0;
    for (char c : s) sum += TEXTWIDTH(std::string(1, c));
    EXPECT_EQ(TEXTWIDTH(s), sum);
  }
  // Cyrillic bytes are decoded: capital A (0xC0) looks like the Latin A.
  SETCOLOR(15);
  OUTTEXTXY(0, 0, "\xC0");
  OUTTEXTXY(0, 100, "A");
  for (int i = 0; i < 32 * 32; ++i) ASSERT_EQ(at(i % 32, i / 32), at(i % 32, i / 32 + 100)) << i;
  EXPECT_GT(lit(), 40);
}

TEST_F(Text, AnEmptyFontSlotKeepsTheCurrentFont) {
  SETTEXTSTYLE(TIMESNEWROMANFONT, 0, 4);
  const int w = TEXTWIDTH("Qora");
  for (uint16_t slot = 6; slot <= 15; ++slot)
    EXPECT_EQ((SETTEXTSTYLE(slot, 0, 2), GRAPHRESULT()), GRINVALIDFONTNUM) << slot;
  EXPECT_TRUE(TEXTWIDTH("Qora") == w && TEXTHEIGHT("Qora") == 32);
  // An installed face fills the next slot; a face the system lacks fails.
  EXPECT_EQ(INSTALLUSERFONT("Arial"), 6);
  EXPECT_EQ((SETTEXTSTYLE(6, 0, 4), GRAPHRESULT()), GROK);
  EXPECT_TRUE(INSTALLUSERFONT("No Such Face At All") == -1 && GRAPHRESULT() == GRINVALIDFONT);
}

TEST_F(Text, WeightUnderlineAndItalicComeFromTheFontWord) {
  SETCOLOR(15);
  auto draw = [](uint16_t font, const char* s) {
    return CLEARDEVICE(), SETTEXTSTYLE(font, 0, 3), OUTTEXTXY(0, 0, s), page();
  };
  draw(ARIALFONT, "Qora");
  const int regular = lit(), w = TEXTWIDTH("Qora");
  draw(ARIALFONT + 16, "Qora");  // weight 700: bold
  EXPECT_GT(lit(), regular * 5 / 4);
  draw(ARIALFONT + 256, "Qora");  // underlined: a full row low in the cell
  int full_rows = 0;
  for (int yy = 19; yy < 24; ++yy)
    full_rows += std::count(&page()[yy * 640], &page()[yy * 640 + w], 15) == w;
  EXPECT_GT(full_rows, 0);
  EXPECT_NE(draw(ARIALFONT + 4096, "llll"), draw(ARIALFONT, "llll"));  // italic
}

TEST_F(Text, TextIsCutAtAClippedViewportWhileImagesReadBeyondIt) {
  SETTEXTSTYLE(TIMESNEWROMANFONT, 0, 5);
  SETCOLOR(12);
  OUTTEXTXY(80, 100, "WWWW");
  const auto unclipped = page();
  CLEARDEVICE();
  PUTPIXEL(95, 105, 10);  // outside the viewport to come
  SETVIEWPORT(100, 100, 150, 120, true);
  OUTTEXTXY(-20, 0, "WWWW");
  for (int i = 0; i < 640 * 480; ++i) {
    const int xx = i % 640, yy = i / 640;
    const bool in = xx >= 100 && xx <= 150 && yy >= 100 && yy <= 120;
    ASSERT_TRUE(i == 105 * 640 + 95 || page()[i] == (in ? unclipped[i] : 0)) << xx << "," << yy;
  }
  EXPECT_GT(count(12), 0);
  std::vector<uint8_t> img;
  GETIMAGE(-5, 5, -5, 5, img);  // absolute (95, 105), outside the clip
  ASSERT_EQ(img.size(), 78u);
  EXPECT_TRUE(img[54] == 84 && img[55] == 252 && img[56] == 84);  // light green, as BGR
}

// ---- Images ----------------------------------------------------------------

using Image = Surface;

TEST_F(Image, SizeCountsWholeGroupsOfEightPixelsAndRefusesBadRectangles) {
  const std::pair<std::array<int16_t, 4>, int32_t> cases[] = {  // the last: too large for 32 bits
      {{0, 0, 9, 4}, 54 + 24 * 2 * 5}, {{0, 0, 639, 479}, 54 + 24 * 80 * 480}, {{6, 0, 5, 0}, 0},
      {{0, 1, 0, 0}, 0}, {{-3, -3, 4, 0}, 54 + 24 * 4}, {{-32768, -32768, 32767, 32767}, 0}};
  for (auto [r, size] : cases) {
    EXPECT_EQ(IMAGESIZE(r[0], r[1], r[2], r[3]), size) << r[0] << "," << r[2];
    EXPECT_EQ(GRAPHRESULT(), size ? GROK : GRINVALIDPARAM) << r[0] << "," << r[2];
  }
}

TEST_F(Image, CaptureWritesTheBitmapLayout) {
  SETVIEWPORT(10, 20, 200, 200, true);
  PUTPIXEL(0, 0, 4);  // top-left: 168, 0, 0
  PUTPIXEL(2, 1, 9);  // bottom-right: 132, 132, 252
  std::vector<uint8_t> buf(10, 0xEE);
  ASSERT_EQ((GETIMAGE(0, 0, 2, 1, buf), GRAPHRESULT()), GROK);
  ASSERT_EQ(buf.size(), 54u + 24 * 2);  // grown to the size
  // "BM", the file size, 0, the pixel offset, the info size, width 3, height 2, one plane, 24 bits, no compression.
  EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + 34),
            (std::vector<uint8_t>{'B', 'M', 102, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 3, 0, 0, 0,
                                  2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(buf.begin() + 54, buf.begin() + 78),  // bottom-up rows, padded
            (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 252, 132, 132, 0, 0, 0,  //
                                  0, 0, 168, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  std::vector<uint8_t> big(500, 0x11);  // a larger buffer keeps its size
  GETIMAGE(0, 0, 2, 1, big);
  EXPECT_EQ(big.size(), 500u);
  EXPECT_EQ(big[54 + 8], 132);
}

TEST_F(Image, CapturedImagesPasteBackUnchanged) {
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 53; ++x) PUTPIXEL(int16_t(100 + x), int16_t(50 + y), (x * 7 + y * 3) % 16);
  const auto before = page();
  std::vector<uint8_t> img;
  GETIMAGE(100, 50, 152, 89, img);
  CLEARDEVICE();
  PUTIMAGE(100, 50, img, COPYPUT);
  EXPECT_EQ(page(), before);

  SETVIEWPORT(300, 300, 310, 305, true);  // elsewhere, clipped by the viewport
  PUTIMAGE(-5, -5, img, COPYPUT);
  for (int y = 300; y <= 305; ++y)
    for (int x = 300; x <= 310; ++x) ASSERT_EQ(at(x, y), at(x - 300 + 100 + 5, y - 300 + 50 + 5));
  expect_at({{299, 300, 0}, {311, 305, 0}, {300, 306, 0}});
}

TEST_F(Image, PastedColoursTakeTheNearestLowestEntryAndCombineAsIndices) {
  SETRGBPALETTE(9, 0, 0, 168);  // now the same colour as entry 1
  PUTPIXEL(0, 0, 9);
  PUTPIXEL(1, 1, 6);
  std::vector<uint8_t> img, six;
  GETIMAGE(0, 0, 0, 0, img);
  GETIMAGE(1, 1, 1, 1, six);
  PUTIMAGE(1, 0, img, COPYPUT);
  SETRGBPALETTE(9, 132, 132, 252);
  SETRGBPALETTE(1, 0, 0, 100);
  PUTIMAGE(2, 0, img, COPYPUT);  // stored 0, 0, 168: entry 1 is now the nearest
  expect_at({{1, 0, 1}, {2, 0, 1}});

  PUTPIXEL(3, 0, 3);  // the modes in turn on a pixel that starts as 3
  const std::pair<uint16_t, int> steps[] = {
      {XORPUT, 6 ^ 3}, {XORPUT, 3}, {ORPUT, 7}, {ANDPUT, 6}, {NOTPUT, 9}};
  for (auto [mode, want] : steps) EXPECT_EQ((PUTIMAGE(3, 0, six, mode), at(3, 0)), want) << mode;
  EXPECT_EQ((PUTIMAGE(3, 0, six, 8), GRAPHRESULT()), GRINVALIDPARAM);
  EXPECT_EQ(at(3, 0), 9);
}

TEST_F(Image, MalformedBuffersAreRefused) {
  for (int x = 0; x < 20; ++x) PUTPIXEL(int16_t(x), 0, uint32_t(x % 16));
  std::vector<uint8_t> img;
  GETIMAGE(0, 0, 19, 9, img);
  CLEARDEVICE();
  const size_t needed = 54 + 60 * 10;
  // {offset, byte} patches: a huge width, height or pixel offset, another depth, a wrong magic.
  const std::vector<std::pair<int, uint8_t>> patches[] = {
      {{18, 0xFF}, {19, 0xFF}, {20, 0xFF}, {21, 0x7F}}, {{22, 0}, {23, 0}, {24, 1}},
      {{10, 0xF0}, {11, 0xFF}, {12, 0xFF}, {13, 0xFF}}, {{28, 8}}, {{0, 'X'}}};
  std::vector<std::vector<uint8_t>> bad = {{}, {img.begin(), img.begin() + 30},
                                           {img.begin(), img.begin() + needed - 1}};
  for (const auto& p : patches)
    for (bad.push_back(img); auto [off, byte] : p) bad.back()[off] = byte;
  for (size_t i = 0; i < bad.size(); ++i)
    EXPECT_TRUE((PUTIMAGE(0, 0, bad[i], COPYPUT), GRAPHRESULT()) == GRINVALIDPARAM && !lit()) << i;
  PUTIMAGE(0, 0, std::vector<uint8_t>(img.begin(), img.begin() + needed), COPYPUT);
  EXPECT_EQ(GRAPHRESULT(), GROK);  // exactly the bytes it needs is enough
  EXPECT_EQ(at(7, 0), 7);
}

}  // namespace
}  // namespace qora::test
