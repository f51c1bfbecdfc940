#include "surface_fixture.h"

namespace qora::test {
namespace {

const std::string kCyrCaps = "\xCC\xC8\xD0 \xD5\xC8\xCC\xC8\xC8";  // "МИР ХИМИИ" in Windows-1251
const std::string kCyrMixed = "\xA8\xE6\xE8\xEA \xE2 \xF2\xF3\xEC\xE0\xED\xE5";  // "Ёжик в тумане"

using Text = Surface;

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

}  // namespace
}  // namespace qora::test
