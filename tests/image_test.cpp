#include <cstring>

#include "surface_fixture.h"

namespace qora::test {
namespace {

using Image = Surface;

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, &b[at], 4);
  return v;
}
uint16_t u16(const std::vector<uint8_t>& b, size_t at) {
  return uint16_t(b[at] | b[at + 1] << 8);
}

TEST_F(Image, SizeCountsWholeGroupsOfEightPixels) {
  EXPECT_EQ(IMAGESIZE(5, 5, 5, 5), 78);
  EXPECT_EQ(IMAGESIZE(0, 0, 9, 4), 54 + 24 * 2 * 5);
  EXPECT_EQ(IMAGESIZE(-3, -3, 4, 0), 54 + 24 * 1 * 4);
  EXPECT_EQ(IMAGESIZE(0, 0, 639, 479), 54 + 24 * 80 * 480);
  EXPECT_EQ(IMAGESIZE(6, 0, 5, 0), 0);
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDPARAM);
  EXPECT_EQ(IMAGESIZE(0, 1, 0, 0), 0);
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDPARAM);
  // A rectangle too large for the 32-bit size is refused, not wrapped round.
  EXPECT_EQ(IMAGESIZE(-32768, -32768, 32767, 32767), 0);
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDPARAM);
}

TEST_F(Image, CaptureWritesTheBitmapLayout) {
  SETVIEWPORT(10, 20, 200, 200, true);
  PUTPIXEL(0, 0, 4);   // top-left: 168, 0, 0
  PUTPIXEL(2, 1, 9);   // bottom-right: 132, 132, 252
  std::vector<uint8_t> buf(10, 0xEE);
  GETIMAGE(0, 0, 2, 1, buf);
  ASSERT_EQ(GRAPHRESULT(), GROK);
  ASSERT_EQ(buf.size(), size_t(IMAGESIZE(0, 0, 2, 1)));  // grown to the size
  EXPECT_EQ(buf[0], 'B');
  EXPECT_EQ(buf[1], 'M');
  EXPECT_EQ(u32(buf, 2), 54u + 24 * 2);
  EXPECT_EQ(u32(buf, 6), 0u);
  EXPECT_EQ(u32(buf, 10), 54u);
  EXPECT_EQ(u32(buf, 14), 40u);
  EXPECT_EQ(u32(buf, 18), 3u);
  EXPECT_EQ(u32(buf, 22), 2u);
  EXPECT_EQ(u16(buf, 26), 1);
  EXPECT_EQ(u16(buf, 28), 24);
  EXPECT_EQ(u32(buf, 30), 0u);
  EXPECT_EQ(u32(buf, 34), 0u);
  EXPECT_EQ(u32(buf, 46), 0u);
  EXPECT_EQ(u32(buf, 50), 0u);
  // Rows bottom-up, 9 bytes of pixels padded to 12.
  const uint8_t bottom[12] = {0, 0, 0, 0, 0, 0, 252, 132, 132, 0, 0, 0};
  const uint8_t top[12] = {0, 0, 168, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(&buf[54], bottom, 12), 0);
  EXPECT_EQ(std::memcmp(&buf[66], top, 12), 0);

  // A larger buffer keeps its size; reversed corners leave it untouched.
  std::vector<uint8_t> big(500, 0x11);
  GETIMAGE(0, 0, 2, 1, big);
  EXPECT_EQ(big.size(), 500u);
  EXPECT_EQ(big[54 + 8], 132);
  const auto saved = big;
  GETIMAGE(2, 0, 0, 1, big);
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDPARAM);
  EXPECT_EQ(big, saved);
}

TEST_F(Image, CapturedImagesPasteBackUnchanged) {
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 53; ++x) PUTPIXEL(int16_t(100 + x), int16_t(50 + y), uint32_t((x * 7 + y * 3) % 16));
  const auto before = page_copy();
  std::vector<uint8_t> img;
  GETIMAGE(100, 50, 152, 89, img);
  PUTIMAGE(100, 50, img, COPYPUT);
  EXPECT_EQ(page_copy(), before);
  SETFILLSTYLE(SOLIDFILL, 0);
  BAR(100, 50, 152, 89);
  PUTIMAGE(100, 50, img, COPYPUT);
  EXPECT_EQ(page_copy(), before);

  std::vector<uint8_t> one;
  GETIMAGE(101, 51, 101, 51, one);
  EXPECT_EQ(one.size(), 78u);
  PUTIMAGE(101, 51, one, COPYPUT);
  EXPECT_EQ(page_copy(), before);

  // Elsewhere, clipped by the viewport.
  SETVIEWPORT(300, 300, 310, 305, true);
  PUTIMAGE(-5, -5, img, COPYPUT);
  for (int y = 300; y <= 305; ++y)
    for (int x = 300; x <= 310; ++x) ASSERT_EQ(at(x, y), at(x - 300 + 100 + 5, y - 300 + 50 + 5));
  EXPECT_EQ(at(299, 300), 0);
  EXPECT_EQ(at(311, 305), 0);
  EXPECT_EQ(at(300, 306), 0);
}

TEST_F(Image, PastedColoursTakeTheLowestEqualEntry) {
  SETRGBPALETTE(9, 0, 0, 168);  // now the same colour as entry 1
  PUTPIXEL(0, 0, 9);
  std::vector<uint8_t> img;
  GETIMAGE(0, 0, 0, 0, img);
  PUTIMAGE(1, 0, img, COPYPUT);
  EXPECT_EQ(at(1, 0), 1);
  // Under a changed palette each pixel becomes the nearest current entry.
  SETRGBPALETTE(9, 132, 132, 252);
  SETRGBPALETTE(1, 0, 0, 100);
  PUTIMAGE(2, 0, img, COPYPUT);  // stored 0, 0, 168
  EXPECT_EQ(at(2, 0), 1);
}

TEST_F(Image, BitwiseModesCombineColourIndices) {
  PUTPIXEL(0, 0, 6);
  std::vector<uint8_t> img;
  GETIMAGE(0, 0, 0, 0, img);
  PUTPIXEL(1, 0, 3);
  PUTIMAGE(1, 0, img, XORPUT);
  EXPECT_EQ(at(1, 0), 6 ^ 3);
  PUTIMAGE(1, 0, img, XORPUT);
  EXPECT_EQ(at(1, 0), 3);
  PUTIMAGE(1, 0, img, ORPUT);
  EXPECT_EQ(at(1, 0), 7);
  PUTIMAGE(1, 0, img, ANDPUT);
  EXPECT_EQ(at(1, 0), 6);
  PUTIMAGE(1, 0, img, NOTPUT);
  EXPECT_EQ(at(1, 0), 9);
  const auto before = page_copy();
  PUTIMAGE(1, 0, img, 8);
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDPARAM);
  EXPECT_EQ(page_copy(), before);
}

TEST_F(Image, MalformedBuffersAreRefused) {
  for (int x = 0; x < 20; ++x) PUTPIXEL(int16_t(x), 0, uint32_t(x % 16));
  std::vector<uint8_t> img;
  GETIMAGE(0, 0, 19, 9, img);
  SETFILLSTYLE(SOLIDFILL, 0);
  BAR(0, 0, 30, 30);
  const auto blank = page_copy();

  auto refused = [&](std::vector<uint8_t> b) {
    PUTIMAGE(0, 0, b, COPYPUT);
    return GRAPHRESULT() == GRINVALIDPARAM && page_copy() == blank;
  };
  // Cut short anywhere: the header, or the last row.
  EXPECT_TRUE(refused({}));
  EXPECT_TRUE(refused(std::vector<uint8_t>(img.begin(), img.begin() + 30)));
  const size_t needed = 54 + 60 * 10;
  EXPECT_TRUE(refused(std::vector<uint8_t>(img.begin(), img.begin() + needed - 1)));
  // A header that claims more than the buffer holds.
  auto wide = img;
  wide[18] = 0xFF, wide[19] = 0xFF, wide[20] = 0xFF, wide[21] = 0x7F;
  EXPECT_TRUE(refused(wide));
  auto tall = img;
  tall[22] = 0, tall[23] = 0, tall[24] = 1;
  EXPECT_TRUE(refused(tall));
  auto far = img;
  far[10] = 0xF0, far[11] = 0xFF, far[12] = 0xFF, far[13] = 0xFF;
  EXPECT_TRUE(refused(far));
  auto depth = img;
  depth[28] = 8;
  EXPECT_TRUE(refused(depth));
  auto magic = img;
  magic[0] = 'X';
  EXPECT_TRUE(refused(magic));
  // Exactly the bytes it needs is enough.
  PUTIMAGE(0, 0, std::vector<uint8_t>(img.begin(), img.begin() + needed), COPYPUT);
  EXPECT_EQ(GRAPHRESULT(), GROK);
  EXPECT_EQ(at(7, 0), 7);
}

}  // namespace
}  // namespace qora::test
