// The element, message and group tables: loading them, the shipped ones, and
// where they are read from; the start-up that reads the command line and
// chooses the game folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/datafiles.h"
#include "app/folders.h"
#include "app/globals.h"
#include "app/startup.h"
#include "platform/cp1251.h"
#include "platform/safefile.h"
#include "tasks/scorefiles.h"
#include "support/game.h"

namespace qora {
namespace {

using test::EnvVar;
using test::read_file;
using test::write_file;
namespace fs = std::filesystem;

// "k,Sy,Namek" lines for elements first..last, each ended by eol.
std::string element_lines(int first, int last, const std::string& eol = "\n") {
  std::string s;
  for (int k = first; k <= last; ++k) s += std::to_string(k) + ",Sy,Name" + std::to_string(k) + eol;
  return s;
}

// "S,Name" of an element as loaded.
std::string el(size_t e) { return ELEMENT[e].SYMBOL.str() + "," + ELEMENT[e].NAME.str(); }

// Groups 1..4 as they lie in memory and in the groups file: 32 bytes each, lowest element first.
std::string groups() { return std::string(reinterpret_cast<const char*>(&GRUPARR[1]), 4 * sizeof(BYTESET)); }


// The number of the first step of kind op that f takes.
template <class F>
long failing_step(const std::string& op, F f) {
  platform::faults::arm(0);
  f();
  const auto& trace = platform::faults::trace();
  return long(std::find(trace.begin(), trace.end(), op) - trace.begin()) + 1;
}

struct DataFiles : ::testing::Test {
  DataFiles() { ELEMENT.clear(); ELCOUNT = 0; MSG.clear(); for (auto& g : GRUPARR) g.clear(); }
  test::TempDir dir_;
};

TEST(ToInt, WholeTextMustBeANumber) {
  const std::pair<const char*, int32_t> cases[] = {
      {"12", 12}, {"   12", 12}, {"-3", -3}, {"+8", 8}, {"-2147483648", INT32_MIN},
      {"2147483647", INT32_MAX}, {"", 0}, {" ", 0}, {"-", 0}, {"12a", 0}, {"1 2", 0}, {"12 ", 0},
      {"2147483648", 0}, {"99999999999999999999", 0}};
  for (const auto& [text, want] : cases) EXPECT_EQ(TOINT(text), want) << '"' << text << '"';
}

TEST_F(DataFiles, ElementLinesDropBlanksCutFieldsAndTakeCrLf) {
  // Element 7 with blanks everywhere, element 8 with a three-letter symbol, a
  // name longer than 15 characters and more fields; no line end at the end.
  write_file("001", "  105 elements\r\n" + element_lines(1, 6, "\r\n") +
                        " 7 , Fe ,  \xC6\xE5 \xEB\xE5\xE7\xEE \r\n" +
                        "8,Abc,ABCDEFGHIJKLMNOPQ,extra,more\n" + element_lines(9, 104) + "105,Lr,Last");
  GETELEMENTS();
  ASSERT_EQ(ELCOUNT, 105);
  ASSERT_EQ(ELEMENT.size(), 106u);
  EXPECT_EQ(ELEMENT[5].NAME.str(), "Name6");  // no CR kept at the end
  EXPECT_EQ(el(6), "Fe,\xC6\xE5\xEB\xE5\xE7\xEE");  // the name of iron, no blanks
  EXPECT_EQ(el(7), "Ab,ABCDEFGHIJKLMNO");
  EXPECT_EQ(el(104), "Lr,Last");
}

TEST_F(DataFiles, CountIsHeldAtTheSetSizeAndLinesOutsideTheTableAreSkipped) {
  write_file("001", "99999999999\n" + element_lines(1, 105) + "300,Xx,Beyond\n256,Yy,Top\n");
  GETELEMENTS();
  EXPECT_EQ(ELCOUNT, 256);
  EXPECT_EQ(ELEMENT[104].NAME.str(), "Name105");
  EXPECT_EQ(ELEMENT[255].NAME.str(), "Top");
  // Bad lines are skipped but counted: only elements 1..100 are within the 105.
  write_file("001", "105\n0,Zz,Zero\n-4,Zz,Minus\n106,Zz,Past\nxx,Zz,Bad\n\n" + element_lines(1, 105));
  GETELEMENTS();
  EXPECT_EQ(ELCOUNT, 105);
  ASSERT_EQ(ELEMENT.size(), 106u);
  EXPECT_EQ(ELEMENT[99].NAME.str(), "Name100");
  EXPECT_TRUE(ELEMENT[100].NAME.empty());
  for (const DATABASE& e : ELEMENT) EXPECT_NE(e.SYMBOL.str(), "Zz");
}

// (Missing tables: the start-up script.)
TEST_F(DataFiles, UnplayableTablesStopWithStatusOne) {
  const std::pair<std::string, const char*> cases[] = {
      {"104\n" + element_lines(1, 104), "105"}, {"", "105"},
      {"105\n" + element_lines(1, 4), "name"}};  // 105 counted, four with a line
  for (const auto& [text, why] : cases) {
    write_file("001", text);
    EXPECT_EXIT(GETELEMENTS(), ::testing::ExitedWithCode(1), why) << text.substr(0, 8);
  }
}

TEST_F(DataFiles, MessageLinesKeepBlanksAndAreCountedByLineEnds) {
  write_file("002", "first\r\n  two  words \n\nlast");
  GETMSG();
  ASSERT_EQ(MSG.size(), 131u);  // beyond the file, lines up to the needed count are empty
  EXPECT_EQ(std::vector<std::string>(MSG.begin(), MSG.begin() + 6),
            (std::vector<std::string>{"", "first", "  two  words ", "", "last", ""}));
  // A final line end does not start one more message.
  std::string many;
  for (int i = 1; i <= 140; ++i) many += "m" + std::to_string(i) + "\n";
  write_file("002", many);
  GETMSG();
  EXPECT_EQ(MSG.size(), 141u);
}

TEST_F(DataFiles, GroupsFileIsMadeWithTheDefaultsReadAsItStandsOrReplacedWhenBad) {
  GETGRUP();
  EXPECT_EQ(read_file("group.qora"), test::kDefaultGroups);
  EXPECT_EQ(groups(), test::kDefaultGroups);
  EXPECT_FALSE(fs::exists("group.qora.tmp"));
  std::string bytes(128, '\0');
  bytes[0] = '\x05', bytes[32 + 13] = '\x80', bytes[127] = '\x80';  // {0, 2}, {111}, -, {255}
  write_file("group.qora", bytes + "trailing bytes are not part of the record");
  GETGRUP();
  EXPECT_EQ(groups(), bytes);
  // A cut file gives the defaults and is left alone.
  write_file("group.qora", std::string(40, '\x01'));
  GETGRUP();
  EXPECT_EQ(groups(), test::kDefaultGroups);
  EXPECT_EQ(read_file("group.qora"), std::string(40, '\x01'));
  // A file that cannot be written: defaults in memory, and no file at all.
  const long write_step = failing_step("write", GETGRUP);
  fs::remove("group.qora");
  for (auto& g : GRUPARR) g.clear();
  platform::faults::arm(write_step);
  GETGRUP();
  platform::faults::disarm();
  EXPECT_FALSE(fs::exists("group.qora"));
  EXPECT_EQ(groups(), test::kDefaultGroups);
  ASSERT_GT(write_step, 0);
}

TEST_F(DataFiles, SavedGroupsReplaceTheFileWholeOrReportThatTheyWereNot) {
  write_file("group.qora", test::kDefaultGroups);
  fs::permissions("group.qora", fs::perms(0640));
  // Left by writers killed midway, this version's and an older one's.
  for (const char* stale : {".qora.tmp.99.1", "group.qora.tmp"}) write_file(stale, "half");
  GRUPARR[4].include(7);
  ASSERT_TRUE(SAVEGRUP());
  EXPECT_EQ(read_file("group.qora"), groups());
  EXPECT_EQ(fs::status("group.qora").permissions(), fs::perms(0640));
  EXPECT_FALSE(fs::exists(".qora.tmp.99.1") || fs::exists("group.qora.tmp"));
  // Every step that fails leaves the saved groups as they were, says so, and leaves no temporary file.
  const std::string saved = groups();
  GRUPARR[4].include(8);
  platform::faults::arm(0);
  SAVEGRUP();
  for (long n = 1, steps = platform::faults::count(); n <= steps; ++n) {
    write_file("group.qora", saved);
    platform::faults::arm(n);
    testing::internal::CaptureStderr();
    const bool ok = SAVEGRUP();
    platform::faults::disarm();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(read_file("group.qora"), ok ? groups() : saved) << n;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), ok ? 0 : 1) << n;
    for (const auto& e : fs::directory_iterator(".")) EXPECT_NE(e.path().filename().string().rfind(".qora.tmp", 0), 0u) << n;
  }
}

struct StartUp : DataFiles {
  StartUp() {
    test::use_headless(640, 480);
    test::copy_game_data();
  }
};

// Every start begins in full screen with the sound off and loads the data; the
// fast switch is a whole first or second argument.
TEST_F(StartUp, FastSwitchAndTheStateEveryStartBeginsWith) {
  const std::pair<std::vector<std::string>, int> cases[] = {
      {{"f"}, 0}, {{"F"}, 0}, {{"s", "f"}, 0}, {{"x", "F"}, 0}, {{}, 100},
      {{"ff"}, 100}, {{"-f"}, 100}, {{"a", "b", "f"}, 100}, {{"s"}, 100}};
  // A result another game left waiting in the folder goes into its table at the start.
  const std::string waiting = std::string(96, '\x01');
  write_file(std::string(PENDINGPREFIX) + "0000000000000001.1.1.r." + RESFN, waiting.substr(1));
  for (auto [args, want] : cases) {
    READTIME = READHELP = 55;
    G_ISCREENRESOLUTION = 2;
    SOUNDOK = true;
    args.insert(args.begin(), "qora");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ALLINIT(int(args.size()), argv.data());
    ALLDONE();  // the window opened by the start closes again
    EXPECT_EQ(std::pair(READTIME, READHELP), std::pair(want, want)) << args.size();
    EXPECT_EQ(G_ISCREENRESOLUTION, 4u);
    EXPECT_FALSE(SOUNDOK);
  }
  EXPECT_EQ(ELCOUNT, 105);
  EXPECT_GE(MSG.size(), 130u);
  EXPECT_TRUE(GRUPARR[3].has(104));
  EXPECT_EQ(read_file(RESFN), waiting.substr(1));
}

// ---- The shipped tables: periodic order, clean Windows-1251, texts that fit ----

// Element index -> symbol, in the numbering the periodic table relies on.
const char* const kSymbols =
    "N Al Ba B Br H Fe Au I K Ca O Si Mg Mn Cu Na Hg Pb S Ag C P F Cl Zn He Li Be Ne Ar Sc Ti V Cr Co "
    "Ni Ga Ge As Se Kr Rb Sr Y Zr Nb Mo Tc Ru Rh Pd Cd In Sn Sb Te Xe Cs Hf Ta W Re Os Ir Pt Tl Bi Po "
    "At Rn Fr Ra Rf Db La Ce Pr Nd Pm Sm Eu Gd Tb Dy Ho Er Tm Yb Lu Ac Th Pa U Np Pu Am Cm Bk Cf Es Fm Md No Lr";

// The control font is monospaced: a 16-pixel cell at 640 x 480 is 1.1328 em high, letters 0.6 em wide.
constexpr double kCharWidth640 = 16 / 1.1328 * 0.6;
int width640(const std::string& s) { return int(std::ceil(double(s.size()) * kCharWidth640)); }

struct ShippedData : DataFiles {
  ShippedData() {
    test::copy_game_data();
    GETELEMENTS();
    GETMSG();
  }
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

  // The 129 lines of the screens, then the groups' save failure and the empty score table.
  ASSERT_EQ(MSG.size(), 132u);
  for (int n = 1; n <= 131; ++n) {
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
  // An empty score table's line, inside the narrower of its two boxes (the hall of fame's).
  EXPECT_LE(width640(msg(131)), 479 - 20 - 50);
  EXPECT_LE(std::max({width640(msg(78)), width640(msg(79)), width640(msg(111))}), 170);  // the maker's label
}

// ---- The game folder of a start and where the tables and the help are read from ----

TEST_F(DataFiles, TheGameFolderOfAStart) {
  const fs::path root = dir_.path(), data = root / "usr/share/qora", start = root / "home/pupil";
  for (const fs::path& p : {data, start, root / "class"}) fs::create_directories(p);
  for (const char* f : {"001", "002"}) write_file(data / f, "x"), write_file(root / "class" / f, "x");
  const std::string in_data = (data / "x/..").string(), below_data = (data / "new").string();

  struct Case {
    fs::path cwd, data;
    const char *qora_home, *xdg, *home;
    fs::path want;  // empty: refused
  };
  const Case cases[] = {
      {start, data, "/school/7b", "/xdg", "/h", "/school/7b"},         // QORA_HOME first
      {start, data, "", "/xdg", "/h", "/xdg/qora"},                    // set but empty: not set
      {start, data, nullptr, "relative", "/h", "/h/.local/share/qora"},  // only absolute XDG paths count
      {start, data, "7b", nullptr, "/h", start / "7b"},                // relative to the start
      {root / "class", data, "/school/7b", nullptr, "/h", root / "class"},  // the tables are here
      {data, data, nullptr, nullptr, "/h", "/h/.local/share/qora"},    // never the data folder itself
      {start, {}, "/school/7b", nullptr, "/h", start},                 // a build tree stays where it is
      {start, data, nullptr, nullptr, nullptr, {}},                    // no home at all
      {start, data, in_data.c_str(), nullptr, "/h", {}},              // QORA_HOME in the data folder
      {start, data, below_data.c_str(), nullptr, "/h", {}},
  };
  for (const Case& c : cases) {
    EnvVar a("QORA_HOME", c.qora_home), b("XDG_DATA_HOME", c.xdg), h("HOME", c.home);
    std::string err;
    const fs::path got = choose_game_folder(c.cwd, c.data, err);
    EXPECT_EQ(got, c.want) << c.cwd << " " << (c.qora_home ? c.qora_home : "-");
    EXPECT_EQ(err.empty(), !c.want.empty()) << err;
  }
}

TEST_F(DataFiles, TablesFromTheGameFolderElseTheDataFolder) {
  const fs::path data = dir_.path() / "share";
  fs::create_directories(data / "help");
  fs::copy_file(test::source_dir() / "data/001", data / "001");
  write_file(data / "002", "shipped\n");
  set_data_folder(data);
  GETELEMENTS();
  GETMSG();
  EXPECT_EQ(MSG[1], "shipped");
  EXPECT_EQ(ELEMENT[0].SYMBOL.str(), "N");
  write_file("002", "own\n");  // a teacher's own message table
  GETMSG();
  EXPECT_EQ(MSG[1], "own");
  EXPECT_EQ(shipped_file("001"), (data / "001").string());
  EXPECT_EQ(help_file("qora.chm"), (data / "qora.chm").string());
  set_data_folder({});
  EXPECT_EQ(shipped_file("001"), "001");
  EXPECT_EQ(help_file("help/index.html"), "help/index.html");
}

}  // namespace
}  // namespace qora
