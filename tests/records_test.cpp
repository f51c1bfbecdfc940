#include <gtest/gtest.h>

#include <cstring>

#include "app/types.h"

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

}  // namespace
}  // namespace qora
