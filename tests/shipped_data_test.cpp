// The shipped element and message tables: periodic order, clean Windows-1251, texts that fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/cp1251.h"
#include "app/datafiles.h"
#include "app/globals.h"
#include "support/test_support.h"

namespace qora {
namespace {

// Element index -> symbol, in the numbering the periodic table relies on.
const char* const kSymbols =
    "N Al Ba B Br H Fe Au I K Ca O Si Mg Mn Cu Na Hg Pb S Ag C P F Cl Zn He Li Be Ne Ar Sc Ti V Cr Co "
    "Ni Ga Ge As Se Kr Rb Sr Y Zr Nb Mo Tc Ru Rh Pd Cd In Sn Sb Te Xe Cs Hf Ta W Re Os Ir Pt Tl Bi Po "
    "At Rn Fr Ra Rf Db La Ce Pr Nd Pm Sm Eu Gd Tb Dy Ho Er Tm Yb Lu Ac Th Pa U Np Pu Am Cm Bk Cf Es Fm Md No Lr";

// The control font is monospaced: a 16-pixel cell at 640 x 480 is 1.1328 em high, letters 0.6 em wide.
constexpr double kCharWidth640 = 16 / 1.1328 * 0.6;
int width640(const std::string& s) { return int(std::ceil(double(s.size()) * kCharWidth640)); }

struct ShippedData : ::testing::Test {
  ShippedData() {
    for (const char* f : {"001", "002"}) std::filesystem::copy_file(test::source_dir() / "data" / f, f);
    GETELEMENTS();
    GETMSG();
  }
  test::TempDir dir_;
};

TEST_F(ShippedData, ElementsFollowThePeriodicTableAndMessagesAreWindows1251) {
  ASSERT_EQ(ELCOUNT, 105);
  std::string symbols;
  for (int e = 0; e < 105; ++e) {
    const std::string name = ELEMENT[size_t(e)].NAME.str();
    symbols += (e ? " " : "") + ELEMENT[size_t(e)].SYMBOL.str();
    EXPECT_TRUE(!name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) { return c >= 0xC0; }))
        << e << ": " << cp1251_to_utf8(name);  // Russian words: Cyrillic letters only
  }
  EXPECT_EQ(symbols, kSymbols);
  EXPECT_EQ(cp1251_to_utf8(ELEMENT[92].NAME.str()), "Протактиний");  // the target caption treats it specially

  ASSERT_EQ(MSG.size(), 131u);  // the 129 lines of the screens, then the groups' save failure
  for (int n = 1; n <= 130; ++n) {
    for (unsigned char c : MSG[size_t(n)]) EXPECT_TRUE(c >= 0x20 && c != 0x7F && c != 0x98) << n;
    EXPECT_EQ(MSG[size_t(n)].empty(), n == 19 || n == 71 || n == 103) << n;
  }
  EXPECT_EQ(msg(72), " \xE8 ");  // " и "
  EXPECT_EQ(msg(74), " - ");     // the export splits names at the "-"
}

// The results panel's sentences (within the front wall less margins and frame) and the dialogs' texts fit.
TEST_F(ShippedData, TextsFitTheirPlaces) {
  const std::string name = "\xC0\xEB\xE5\xEA\xF1\xE0\xED\xE4";  // an eight-letter name
  std::vector<std::string> lines = {
      msg(32), msg(33) + msg(34) + "65535" + msg(35), msg(36) + "100" + msg(37) + msg(38),
      msg(39) + name + msg(40) + "59" + msg(37) + msg(41), msg(42),
      name + msg(43) + "100" + msg(37) + msg(41), msg(44)};
  for (int g = 26; g <= 29; ++g) lines.push_back(name + "! 199" + msg(30) + "200" + msg(31) + msg(g) + ",");
  for (const std::string& who : {msg(45), name + msg(46)})
    lines.insert(lines.end(), {msg(52) + who + msg(53), msg(55) + who + msg(56)});
  for (int place = 47; place <= 51; ++place) lines.push_back(msg(place) + msg(54));
  for (const std::string& line : lines) EXPECT_LE(width640(line), 479 - 20 - 8) << cp1251_to_utf8(line);
  // The rating column is measured on one text and drawn with the other.
  EXPECT_EQ(msg(57).size(), msg(58).size());

  // Players: each label must end before its item's half of the row begins.
  EXPECT_LE(std::max(width640(msg(8)), width640(msg(9))), std::max(width640(msg(3)), width640(msg(4))) + 5);
  // Time: the outer items are as wide as the middle text at most.
  EXPECT_LE(std::max(width640(msg(15)), width640(msg(17))), width640(msg(16)));
  // Level: four item widths beside the periodic table (40 letters + 20).
  const int table_right = int(kCharWidth640 * 40) + 20;
  const int w = width640(msg(21)) + 10;
  EXPECT_LE(4 * w, 639 - table_right);
  EXPECT_LE(std::max(width640(msg(20)), width640(msg(22))), w);
  for (int n : {5, 23, 24}) EXPECT_LE(width640(msg(n)), 639 - table_right) << n;
  // Questions: box = 4 x first choice + 80 within the front wall; each choice within half the box less the frame.
  for (int first : {59, 101, 126}) {
    const int w1 = width640(msg(first));
    EXPECT_TRUE(w1 >= 40 && 4 * w1 + 80 <= 479) << first;
    EXPECT_LE(width640(msg(first + 1)), 2 * w1 - 40) << first + 1;
    EXPECT_LE(width640(msg(first == 59 ? 61 : first - 1)), 4 * w1 + 80) << "title of " << first;
  }
  for (int n = 63; n <= 70; ++n) EXPECT_LE(width640(msg(n)), 636) << n;  // help and introduction lines
  for (int n = 81; n <= 85; ++n) EXPECT_LE(width640(msg(n)) + 35, 624) << n;
  EXPECT_LE(width640(msg(76)), 639);
  EXPECT_LE(std::max({width640(msg(78)), width640(msg(79)), width640(msg(111))}), 170);  // the maker's label
}

}  // namespace
}  // namespace qora
