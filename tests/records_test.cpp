#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/types.h"

namespace qora {
namespace {

template <typename T>
std::string bytes_of(const T& r) {
  return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

TEST(Records, ElementSetsAreStoredLeastSignificantBitFirst) {
  RESULTREC r;
  r.KNOWEL.include(0);
  r.KNOWEL.include(255);
  r.UNKNOWEL.include(9);
  r.UNKNOWEL.include(10);
  r.UNKNOWEL.exclude(10);
  const std::string b = bytes_of(r);
  EXPECT_EQ(uint8_t(b[31]), 0x01);
  EXPECT_EQ(uint8_t(b[31 + 31]), 0x80);
  EXPECT_EQ(uint8_t(b[63 + 1]), 0x02);  // 9 in, 10 out again
}

TEST(Records, EqualityLooksOnlyAtTheSignificantBytes) {
  PLAYREC p, q;
  std::memset(static_cast<void*>(&p), 0x5A, sizeof p);  // stale bytes behind the name
  std::memset(static_cast<void*>(&q), 0, sizeof q);
  for (PLAYREC* r : {&p, &q}) {
    r->TEACH = 0;
    r->NAME.assign("01.03.2027 - \xCF\xE5\xF2\xFF");
    r->SCORE = r->HISCORE = r->TIME = r->LEVEL = r->ALLTIME = 9;
  }
  EXPECT_EQ(p, q);
  q.NAME.assign("01.03.2027 - \xCF\xE5\xF2\xFF\xFF");
  EXPECT_FALSE(p == q);  // a longer name is another name
}

}  // namespace
}  // namespace qora
