// The Windows-1251 codec at the edges of the program: font text out, keyboard text in.
#include <gtest/gtest.h>

#include <string>

#include "platform/cp1251.h"

namespace qora {
namespace {

TEST(Cp1251, EveryAssignedByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b)
    if (b != 0x98) all += char(b);
  EXPECT_EQ(utf8_to_cp1251(cp1251_to_utf8(all)), all);
  EXPECT_EQ(cp1251_to_utf8("\xCF\xB8\xF2\xF0"), "Пётр");
}

TEST(Cp1251, MalformedInputIsDroppedAndTheRestKept) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\xC0\xAF" "b", "ab"},          // overlong "/"
      {"a\xE0\x80\xAF" "b", "ab"},      // overlong "/" in three bytes
      {"a\x80" "b", "ab"},              // stray continuation byte
      {"\xD0" "a", "a"},                // lead byte followed by a plain character
      {"\xE2" "a", "a"},                // three-byte lead cut short by the end of the text
      {"\xE2\x82\xAC\xE4\xB8\x80", "\x88"},  // the euro sign kept, a character the page lacks dropped
  };
  for (const auto& [in, want] : cases) EXPECT_EQ(utf8_to_cp1251(in), want) << in;
}

}  // namespace
}  // namespace qora
