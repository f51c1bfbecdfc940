#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "app/types.h"
#include "support/test_support.h"

namespace qora {
namespace {

TEST(ShortString, ComparesOnlyTheSignificantBytes) {
  SHORTSTR<41> a, b;
  std::memset(a.CH, 'x', sizeof a.CH);
  std::memset(b.CH, 'y', sizeof b.CH);
  a.assign("Ivan");
  b.assign("Ivan");
  EXPECT_TRUE(a == b);
  b.assign("Ivan2");
  EXPECT_FALSE(a == b);
  SHORTSTR<2> s;
  s.assign("Fex");
  EXPECT_EQ(s.str(), "Fe");
}

TEST(ByteSet, BitOrderIsLeastSignificantFirst) {
  BYTESET s;
  s.include(0);
  s.include(9);
  s.include(255);
  EXPECT_EQ(s.BITS[0], 0x01);
  EXPECT_EQ(s.BITS[1], 0x02);
  EXPECT_EQ(s.BITS[31], 0x80);
  EXPECT_TRUE(s.has(9));
  s.exclude(9);
  EXPECT_FALSE(s.has(9));
}

template <typename T>
std::string bytes_of(const T& r) {
  return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

uint16_t word_at(const std::string& b, size_t off) {
  return uint16_t(uint8_t(b[off]) | uint8_t(b[off + 1]) << 8);
}

TEST(Records, PlayRecFieldsLieAtTheirOffsetsLittleEndian) {
  PLAYREC r;
  r.TEACH = 1;
  r.NAME.assign("05.12.2026 - Ivan");
  r.SCORE = 0x0102;
  r.HISCORE = 0x0304;
  r.TIME = 15;
  r.LEVEL = 0xA1B2;
  r.ALLTIME = 0xFFEE;
  const std::string b = bytes_of(r);
  ASSERT_EQ(b.size(), 53u);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[1], 17);
  EXPECT_EQ(b.substr(2, 17), "05.12.2026 - Ivan");
  EXPECT_EQ(word_at(b, 43), 0x0102);
  EXPECT_EQ(word_at(b, 45), 0x0304);
  EXPECT_EQ(word_at(b, 47), 15);
  EXPECT_EQ(word_at(b, 49), 0xA1B2);
  EXPECT_EQ(word_at(b, 51), 0xFFEE);
}

TEST(Records, ResultRecSetsLieAtTheirOffsets) {
  RESULTREC r;
  r.TEACH = 1;
  r.NAME.assign("x");
  r.KNOWEL.include(0);
  r.KNOWEL.include(255);
  r.UNKNOWEL.include(9);
  const std::string b = bytes_of(r);
  ASSERT_EQ(b.size(), 95u);
  EXPECT_EQ(b[1], 1);
  EXPECT_EQ(b[2], 'x');
  EXPECT_EQ(uint8_t(b[31]), 0x01);
  EXPECT_EQ(uint8_t(b[31 + 31]), 0x80);
  EXPECT_EQ(uint8_t(b[63 + 1]), 0x02);
  EXPECT_EQ(uint8_t(b[94]), 0);
}

TEST(Records, DiskRoundTripIgnoresBytesPastTheNames) {
  test::TempDir dir;
  PLAYREC p;
  std::memset(static_cast<void*>(&p), 0x5A, sizeof p);  // stale bytes behind the name
  p.TEACH = 0;
  p.NAME.assign("01.03.2027 - \xCF\xE5\xF2\xFF \xE8 \xC2\xE0\xF1\xFF");
  p.SCORE = 9;
  p.HISCORE = 10;
  p.TIME = 5;
  p.LEVEL = 26;
  p.ALLTIME = 31;
  RESULTREC q;
  q.TEACH = 1;
  q.NAME.assign("01.03.2027 - \xCF\xE5\xF2\xFF");
  q.KNOWEL.include(5);
  q.UNKNOWEL.include(104);
  {
    std::ofstream f("rec.bin", std::ios::binary);
    f.write(reinterpret_cast<const char*>(&p), sizeof p);
    f.write(reinterpret_cast<const char*>(&q), sizeof q);
  }
  ASSERT_EQ(test::read_file("rec.bin").size(), 53u + 95u);
  PLAYREC p2;
  RESULTREC q2;
  std::memset(static_cast<void*>(&p2), 0, sizeof p2);
  std::ifstream f("rec.bin", std::ios::binary);
  f.read(reinterpret_cast<char*>(&p2), sizeof p2);
  f.read(reinterpret_cast<char*>(&q2), sizeof q2);
  ASSERT_TRUE(f);
  EXPECT_EQ(p2, p);
  EXPECT_EQ(q2, q);
  // A name equal in its significant bytes is the same name.
  PLAYREC p3 = p2;
  std::memset(p3.NAME.CH + p3.NAME.LEN, 0, sizeof p3.NAME.CH - p3.NAME.LEN);
  EXPECT_EQ(p3, p);
  p3.SCORE = 10;
  EXPECT_FALSE(p3 == p);
}

}  // namespace
}  // namespace qora
