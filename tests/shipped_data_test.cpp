// The element and message tables shipped in data/: every element in the place
// the periodic table expects, valid Windows-1251 text, and message lines that
// read well and fit where the screens put them.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/cp1251.h"
#include "app/datafiles.h"
#include "app/globals.h"
#include "support/test_support.h"

namespace qora {
namespace {

// Element index -> symbol, in the numbering the periodic table relies on.
const char* const kSymbols =
    "N Al Ba B Br H Fe Au I K Ca O Si Mg Mn Cu Na Hg Pb S Ag C P F Cl Zn "
    "He Li Be Ne Ar Sc Ti V Cr Co Ni Ga Ge As Se Kr Rb Sr Y Zr Nb Mo Tc Ru Rh Pd "
    "Cd In Sn Sb Te Xe Cs Hf Ta W Re Os Ir Pt Tl Bi Po At Rn Fr Ra Rf Db "
    "La Ce Pr Nd Pm Sm Eu Gd Tb Dy Ho Er Tm Yb Lu "
    "Ac Th Pa U Np Pu Am Cm Bk Cf Es Fm Md No Lr";

// The control font is a monospaced face whose full cell is 16 pixels high at
// 640 x 480; its letters are 0.6 em wide and the cell is 1.1328 em high.
constexpr double kCharWidth640 = 16 / 1.1328 * 0.6;
int width640(const std::string& s) { return int(std::ceil(double(s.size()) * kCharWidth640)); }

class ShippedData : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto data = test::source_dir() / "data";
    std::filesystem::copy_file(data / "001", "001");
    std::filesystem::copy_file(data / "002", "002");
    GETELEMENTS();
    GETMSG();
  }
  test::TempDir dir_;
};

TEST_F(ShippedData, ElementsFollowThePeriodicTableAndMessagesAreWindows1251) {
  std::istringstream in(kSymbols);
  std::vector<std::string> symbols;
  for (std::string s; in >> s;) symbols.push_back(s);
  ASSERT_EQ(symbols.size(), 105u);
  ASSERT_EQ(ELCOUNT, 105);
  for (int e = 0; e < 105; ++e) {
    const std::string name = ELEMENT[size_t(e)].NAME.str();
    EXPECT_EQ(ELEMENT[size_t(e)].SYMBOL.str(), symbols[size_t(e)]) << "index " << e;
    EXPECT_TRUE(!name.empty() && name.size() <= 15) << e;
    // Names are Russian words: Cyrillic letters only.
    for (unsigned char c : name) EXPECT_GE(c, 0xC0) << e << ": " << cp1251_to_utf8(name);
  }
  // Index 92 is protactinium, the name the target caption treats specially.
  EXPECT_EQ(cp1251_to_utf8(ELEMENT[92].NAME.str()), "Протактиний");

  for (int n = 1; n <= 129; ++n) {
    for (unsigned char c : MSG[size_t(n)]) EXPECT_TRUE(c >= 0x20 && c != 0x7F && c != 0x98) << n;
    EXPECT_EQ(MSG[size_t(n)].empty(), n == 19 || n == 71 || n == 103) << n;
  }
  EXPECT_EQ(msg(72), " \xE8 ");  // " и "
  EXPECT_EQ(msg(74), " - ");     // the export splits names at the "-"
  EXPECT_EQ(msg(77).rfind("Qora", 0), 0u);
}

// The sentences the results panel builds from pieces and the dialogs' texts,
// each held within its place at 640 x 480.
TEST_F(ShippedData, TextsFitTheirPlaces) {
  const int panel = 479 - 20 - 8;  // front wall less the margins and the frame
  const std::string name = "\xC0\xEB\xE5\xEA\xF1\xE0\xED\xE4";  // an eight-letter name
  std::vector<std::string> lines = {
      msg(32), msg(33) + msg(34) + "65535" + msg(35), msg(36) + "100" + msg(37) + msg(38),
      msg(39) + name + msg(40) + "59" + msg(37) + msg(41), msg(42),
      name + msg(43) + "100" + msg(37) + msg(41), msg(44)};
  for (int goodstr = 26; goodstr <= 29; ++goodstr)
    lines.push_back(name + "! 199" + msg(30) + "200" + msg(31) + msg(goodstr) + ",");
  for (const std::string& who : {msg(45), name + msg(46)}) {
    lines.push_back(msg(52) + who + msg(53));
    lines.push_back(msg(55) + who + msg(56));
  }
  for (int place = 47; place <= 51; ++place) lines.push_back(msg(place) + msg(54));
  for (const std::string& line : lines) EXPECT_LE(width640(line), panel) << cp1251_to_utf8(line);
  // The rating column is measured on one text and drawn with the other.
  EXPECT_EQ(msg(57).size(), msg(58).size());

  const double cw = kCharWidth640;
  // Players: each label must end before its item's half of the row begins.
  const int items = std::max(width640(msg(3)), width640(msg(4)));
  EXPECT_LE(std::max(width640(msg(8)), width640(msg(9))), items + 5);
  // Time: the outer items are as wide as the middle text at most.
  EXPECT_LE(std::max(width640(msg(15)), width640(msg(17))), width640(msg(16)));
  // Level: four item widths beside the periodic table (40 letters + 20).
  const int table_right = int(cw * 40) + 20;
  const int w = width640(msg(21)) + 10;
  EXPECT_LE(4 * w, 639 - table_right);
  EXPECT_LE(std::max(width640(msg(20)), width640(msg(22))), w);
  for (int n : {5, 23, 24}) EXPECT_LE(width640(msg(n)), 639 - table_right) << n;
  // Questions: box = 4 x first choice + 80 within the front wall; each choice
  // inside its half of the box less the frame.
  for (int first : {59, 101, 126}) {
    const int w1 = width640(msg(first));
    EXPECT_LE(4 * w1 + 80, 479) << first;
    EXPECT_GE(w1, 40) << first;
    EXPECT_LE(width640(msg(first + 1)), 2 * w1 - 40) << first + 1;
    EXPECT_LE(width640(msg(first == 59 ? 61 : first - 1)), 4 * w1 + 80) << "title of " << first;
  }
  // Help and introduction lines across the screen.
  for (int n = 63; n <= 70; ++n) EXPECT_LE(width640(msg(n)), 636) << n;
  for (int n = 81; n <= 85; ++n) EXPECT_LE(width640(msg(n)) + 35, 624) << n;
  EXPECT_LE(width640(msg(76)), 639);
  // The maker's label is 170 pixels wide.
  EXPECT_LE(std::max(width640(msg(78)), width640(msg(79))), 170);
}

}  // namespace
}  // namespace qora
