#include "surface_fixture.h"

namespace qora::test {
namespace {

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
