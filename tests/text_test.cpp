#include <algorithm>

#include "surface_fixture.h"

namespace qora::test {
namespace {

// "МИР ХИМИИ" and "Ёжик в тумане" in Windows-1251.
const std::string kCyrCaps = "\xCC\xC8\xD0 \xD5\xC8\xCC\xC8\xC8";
const std::string kCyrMixed = "\xA8\xE6\xE8\xEA \xE2 \xF2\xF3\xEC\xE0\xED\xE5";

struct Box {
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
};
Box ink_box(int colour) {
  Box b;
  const gfx::State& s = gfx::S();
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x)
      if (s.pages[s.active].px[size_t(y) * s.width + x] == colour) {
        b.x0 = std::min(b.x0, x), b.y0 = std::min(b.y0, y);
        b.x1 = std::max(b.x1, x), b.y1 = std::max(b.y1, y);
      }
  return b;
}

using Text = Surface;

TEST_F(Text, CellHeightIsTheRequestedPixelHeight) {
  for (uint16_t font : {COURIERNEWFONT, TIMESNEWROMANFONT, ARIALFONT}) {
    for (uint16_t size = 2; size <= 5; ++size) {
      SETTEXTSTYLE(font, 0, size);
      EXPECT_EQ(TEXTHEIGHT("Wg"), size * 8) << font;
      EXPECT_EQ(TEXTHEIGHT(kCyrCaps), size * 8) << font;
      EXPECT_EQ(TEXTHEIGHT(""), size * 8) << font;  // the cell, even when empty
    }
    SETTEXTSTYLE(font, 0, 6);
    EXPECT_EQ(TEXTHEIGHT("x"), 6);
  }
  SETTEXTSTYLE(0, 0, 16);
  EXPECT_EQ(TEXTHEIGHT("x"), 16);
  EXPECT_EQ(TEXTWIDTH(""), 0);
}

TEST_F(Text, DrawnTextLiesInItsMeasuredBox) {
  const int x = 37, y = 41;
  for (uint16_t font : {COURIERNEWFONT, TIMESNEWROMANFONT}) {
    for (uint16_t size = 2; size <= 5; ++size) {
      for (const std::string& s : {std::string("HELLO Mendeleev"), kCyrCaps, kCyrMixed}) {
        CLEARDEVICE();
        SETTEXTSTYLE(font, 0, size);
        SETCOLOR(14);
        OUTTEXTXY(x, y, s);
        const int w = TEXTWIDTH(s), h = TEXTHEIGHT(s);
        const Box b = ink_box(14);
        SCOPED_TRACE(::testing::Message() << "font " << font << " size " << size << " " << s);
        ASSERT_GE(b.x0, x);
        ASSERT_GE(b.y0, y);
        ASSERT_LT(b.x1, x + w);
        ASSERT_LT(b.y1, y + h);
        // The ink starts near the left edge and reaches near the right one.
        EXPECT_LE(b.x0, x + h / 4);
        EXPECT_GE(b.x1, x + w - 1 - h / 2);
        // Capitals stand on the baseline, about four fifths down the cell.
        if (s != kCyrMixed) {
          EXPECT_GE(b.y1, y + h * 7 / 10 - 1);
          EXPECT_LE(b.y1, y + h * 17 / 20);
        }
        EXPECT_EQ(GETX(), x + w);
        EXPECT_EQ(GETY(), y);
      }
    }
  }
}

TEST_F(Text, WidthIsTheSumOfTheCharacterAdvances) {
  for (uint16_t font : {COURIERNEWFONT, TIMESNEWROMANFONT, ARIALFONT}) {
    SETTEXTSTYLE(font, 0, 3);
    for (const std::string& s : {std::string("AVAToWa 1.5"), kCyrMixed}) {
      int sum = 0;
      for (char c : s) sum += TEXTWIDTH(std::string(1, c));
      EXPECT_EQ(TEXTWIDTH(s), sum) << font;
    }
  }
  // Cyrillic bytes are decoded: capital A (0xC0) looks like the Latin A.
  SETTEXTSTYLE(ARIALFONT, 0, 4);
  EXPECT_EQ(TEXTWIDTH("\xC0"), TEXTWIDTH("A"));
  SETCOLOR(15);
  OUTTEXTXY(0, 0, "\xC0");
  OUTTEXTXY(0, 100, "A");
  for (int yy = 0; yy < 32; ++yy)
    for (int xx = 0; xx < 32; ++xx) ASSERT_EQ(at(xx, yy), at(xx, yy + 100)) << xx << "," << yy;
  EXPECT_GT(count_not(0), 40);
  // The monospaced face gives Cyrillic and Latin the same advance.
  SETTEXTSTYLE(COURIERNEWFONT, 0, 2);
  EXPECT_EQ(TEXTWIDTH("\xC6"), TEXTWIDTH("W"));
}

TEST_F(Text, AnEmptyFontSlotKeepsTheCurrentFont) {
  SETTEXTSTYLE(TIMESNEWROMANFONT, 0, 4);
  const int w = TEXTWIDTH("Qora");
  for (uint16_t slot = 6; slot <= 15; ++slot) {
    SETTEXTSTYLE(slot, 0, 2);
    EXPECT_EQ(GRAPHRESULT(), GRINVALIDFONTNUM) << slot;
  }
  EXPECT_EQ(TEXTWIDTH("Qora"), w);
  EXPECT_EQ(TEXTHEIGHT("Qora"), 32);
  TEXTSETTINGSTYPE ts;
  GETTEXTSETTINGS(ts);
  EXPECT_EQ(ts.FONT, TIMESNEWROMANFONT);
  EXPECT_EQ(ts.CHARSIZE, 4);
  // An installed face fills the next slot; a face the system lacks fails.
  EXPECT_EQ(INSTALLUSERFONT("Arial"), 6);
  SETTEXTSTYLE(6, 0, 4);
  EXPECT_EQ(GRAPHRESULT(), GROK);
  EXPECT_EQ(INSTALLUSERFONT("No Such Face At All"), -1);
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDFONT);
}

TEST_F(Text, WeightUnderlineAndItalicComeFromTheFontWord) {
  SETCOLOR(15);
  SETTEXTSTYLE(ARIALFONT, 0, 3);
  OUTTEXTXY(0, 0, "Qora");
  const int regular = count_not(0);
  const int w = TEXTWIDTH("Qora");
  CLEARDEVICE();
  SETTEXTSTYLE(ARIALFONT + 16, 0, 3);  // weight 700: bold
  OUTTEXTXY(0, 0, "Qora");
  EXPECT_GT(count_not(0), regular * 5 / 4);
  EXPECT_EQ(TEXTHEIGHT("Qora"), 24);
  CLEARDEVICE();
  SETTEXTSTYLE(ARIALFONT + 256, 0, 3);  // underlined: a full row under the text
  OUTTEXTXY(0, 0, "Qora");
  EXPECT_EQ(TEXTWIDTH("Qora"), w);
  bool full_row = false;
  for (int yy = 0; yy < 24; ++yy) {
    int n = 0;
    for (int xx = 0; xx < w; ++xx) n += at(xx, yy) == 15;
    full_row = full_row || (n == w && yy > 18);
  }
  EXPECT_TRUE(full_row);
  CLEARDEVICE();
  SETTEXTSTYLE(ARIALFONT + 4096, 0, 3);  // italic: other pixels
  OUTTEXTXY(0, 0, "llll");
  const auto italic = page_copy();
  CLEARDEVICE();
  SETTEXTSTYLE(ARIALFONT, 0, 3);
  OUTTEXTXY(0, 0, "llll");
  EXPECT_NE(page_copy(), italic);
}

TEST_F(Text, TextIsCutAtAClippedViewportWhileImagesReadBeyondIt) {
  SETTEXTSTYLE(TIMESNEWROMANFONT, 0, 5);
  SETCOLOR(12);
  OUTTEXTXY(80, 100, "WWWW");
  const auto unclipped = page_copy();
  CLEARDEVICE();
  PUTPIXEL(95, 105, 10);  // outside the viewport to come
  SETVIEWPORT(100, 100, 150, 120, true);
  OUTTEXTXY(-20, 0, "WWWW");
  bool inside_ink = false;
  for (int yy = 0; yy < 480; ++yy)
    for (int xx = 0; xx < 640; ++xx) {
      const bool in = xx >= 100 && xx <= 150 && yy >= 100 && yy <= 120;
      if (xx == 95 && yy == 105) continue;
      if (in) {
        ASSERT_EQ(at(xx, yy), unclipped[size_t(yy) * 640 + xx]) << xx << "," << yy;
        inside_ink = inside_ink || at(xx, yy) == 12;
      } else {
        ASSERT_EQ(at(xx, yy), 0) << xx << "," << yy;
      }
    }
  EXPECT_TRUE(inside_ink);
  std::vector<uint8_t> img;
  GETIMAGE(-5, 5, -5, 5, img);  // absolute (95, 105), outside the clip
  ASSERT_EQ(img.size(), 78u);
  EXPECT_EQ(img[54], 84);   // blue
  EXPECT_EQ(img[55], 252);  // green
  EXPECT_EQ(img[56], 84);   // red
}

}  // namespace
}  // namespace qora::test
