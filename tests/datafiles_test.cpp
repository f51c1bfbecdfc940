// Loading of the element, message and group tables, and the start-up that reads the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/datafiles.h"
#include "app/globals.h"
#include "app/startup.h"
#include "platform/safefile.h"
#include "tasks/scorefiles.h"
#include "support/headless.h"
#include "support/test_support.h"

namespace qora {
namespace {

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

// The default groups: elements 0..25, 26..74, 75..104 and none.
std::string default_groups() {
  std::string b(128, '\0');
  for (int e = 0; e <= 104; ++e) b[size_t((e <= 25 ? 0 : e <= 74 ? 32 : 64) + e / 8)] |= char(1 << e % 8);
  return b;
}

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
  EXPECT_EQ(read_file("group.qora"), default_groups());
  EXPECT_EQ(groups(), default_groups());
  EXPECT_FALSE(fs::exists("group.qora.tmp"));
  std::string bytes(128, '\0');
  bytes[0] = '\x05', bytes[32 + 13] = '\x80', bytes[127] = '\x80';  // {0, 2}, {111}, -, {255}
  write_file("group.qora", bytes + "trailing bytes are not part of the record");
  GETGRUP();
  EXPECT_EQ(groups(), bytes);
  // A cut file gives the defaults and is left alone.
  write_file("group.qora", std::string(40, '\x01'));
  GETGRUP();
  EXPECT_EQ(groups(), default_groups());
  EXPECT_EQ(read_file("group.qora"), std::string(40, '\x01'));
  // A file that cannot be written: defaults in memory, and no file at all.
  const long write_step = failing_step("write", GETGRUP);
  fs::remove("group.qora");
  for (auto& g : GRUPARR) g.clear();
  platform::faults::arm(write_step);
  GETGRUP();
  platform::faults::disarm();
  EXPECT_FALSE(fs::exists("group.qora"));
  EXPECT_EQ(groups(), default_groups());
  ASSERT_GT(write_step, 0);
}

TEST_F(DataFiles, SavedGroupsReplaceTheFileWholeOrReportThatTheyWereNot) {
  write_file("group.qora", default_groups());
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
    for (const char* f : {"001", "002"}) fs::copy_file(test::source_dir() / "data" / f, f);
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

}  // namespace
}  // namespace qora
