// Loading of the element table, the message table and the groups file, and
// the start-up steps that read the command line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/datafiles.h"
#include "app/globals.h"
#include "app/startup.h"
#include "support/headless.h"
#include "support/test_support.h"

namespace qora {
namespace {

using test::read_file;
using test::TempDir;
using test::write_file;
namespace fs = std::filesystem;

// "k,Sk,Namek" lines for elements first..last, each ended by eol.
std::string element_lines(int first, int last, const std::string& eol = "\n") {
  std::string s;
  for (int k = first; k <= last; ++k)
    s += std::to_string(k) + "," + char('A' + k % 26) + char('a' + k / 26) + ",Name" +
         std::to_string(k) + eol;
  return s;
}

class DataFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ELEMENT.clear();
    ELCOUNT = 0;
    MSG.clear();
    for (auto& g : GRUPARR) g.clear();
  }
  TempDir dir_;
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
  EXPECT_EQ(ELEMENT[6].SYMBOL.str(), "Fe");
  EXPECT_EQ(ELEMENT[6].NAME.str(), "\xC6\xE5\xEB\xE5\xE7\xEE");  // the name of iron, no blanks
  EXPECT_EQ(ELEMENT[7].SYMBOL.str(), "Ab");
  EXPECT_EQ(ELEMENT[7].NAME.str(), "ABCDEFGHIJKLMNO");
  EXPECT_EQ(ELEMENT[104].SYMBOL.str(), "Lr");
  EXPECT_EQ(ELEMENT[104].NAME.str(), "Last");
  EXPECT_TRUE(ELEMENT[105].NAME.empty());
}

TEST_F(DataFiles, CountIsHeldAtTheSetSizeAndLinesOutsideTheTableAreSkipped) {
  write_file("001", "99999999999\n" + element_lines(1, 105) + "300,Xx,Beyond\n256,Yy,Top\n");
  GETELEMENTS();
  EXPECT_EQ(ELCOUNT, 256);
  EXPECT_EQ(ELEMENT.size(), 257u);
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

TEST_F(DataFiles, MissingOrUnplayableTablesStopWithStatusOne) {
  EXPECT_EXIT(GETELEMENTS(), ::testing::ExitedWithCode(1), "File Not found 001");
  EXPECT_EXIT(GETMSG(), ::testing::ExitedWithCode(1), "File Not found 002");
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
  ASSERT_EQ(MSG.size(), 130u);  // beyond the file, lines up to the needed count are empty
  EXPECT_EQ(std::vector<std::string>(MSG.begin(), MSG.begin() + 6),
            (std::vector<std::string>{"", "first", "  two  words ", "", "last", ""}));
  EXPECT_EQ(msg(129), "");
  // A final line end does not start one more message; an empty file is one empty message.
  std::string many;
  for (int i = 1; i <= 140; ++i) many += "m" + std::to_string(i) + "\n";
  write_file("002", many);
  GETMSG();
  EXPECT_EQ(MSG.size(), 141u);
  EXPECT_EQ(MSG[140], "m140");
  write_file("002", "");
  GETMSG();
  EXPECT_EQ(MSG.size(), 130u);
}

TEST_F(DataFiles, MissingGroupsFileIsCreatedWithTheDefaultsAndReadBack) {
  GETGRUP();
  const std::string bytes = read_file("group.qora");
  EXPECT_EQ(bytes.size(), 128u);
  EXPECT_FALSE(fs::exists("group.qora.tmp"));
  for (int e = 0; e < 256; ++e) {
    EXPECT_EQ(GRUPARR[1].has(e), e <= 25) << e;
    EXPECT_EQ(GRUPARR[2].has(e), e >= 26 && e <= 74) << e;
    EXPECT_EQ(GRUPARR[3].has(e), e >= 75 && e <= 104) << e;
    EXPECT_FALSE(GRUPARR[4].has(e)) << e;
  }
  // A second start reads the same groups back and leaves the file alone.
  const auto first = GRUPARR;
  for (auto& g : GRUPARR) g.clear();
  GETGRUP();
  EXPECT_EQ(GRUPARR, first);
  EXPECT_EQ(read_file("group.qora"), bytes);
}

TEST_F(DataFiles, StoredGroupsAreReadAsTheyStandAndABadFileGivesTheDefaults) {
  std::string bytes(128, '\0');
  bytes[0] = '\x05';        // group 1: {0, 2}
  bytes[32 + 13] = '\x80';  // group 2: {111}
  bytes[127] = '\x80';      // group 4: {255}
  write_file("group.qora", bytes + "trailing bytes are not part of the record");
  GETGRUP();
  EXPECT_TRUE(GRUPARR[1].has(0) && GRUPARR[1].has(2) && !GRUPARR[1].has(1));
  EXPECT_TRUE(GRUPARR[2].has(111));
  EXPECT_TRUE(GRUPARR[3].empty());
  EXPECT_TRUE(GRUPARR[4].has(255));
  // A cut file gives the defaults and is left alone.
  write_file("group.qora", std::string(40, '\x01'));
  GETGRUP();
  EXPECT_TRUE(GRUPARR[1].has(25) && !GRUPARR[1].has(26) && GRUPARR[3].has(104));
  EXPECT_EQ(read_file("group.qora"), std::string(40, '\x01'));
  // A file that cannot be written (a folder takes the temporary name) leaves
  // the defaults in memory.
  fs::remove("group.qora");
  fs::create_directory("group.qora.tmp");
  for (auto& g : GRUPARR) g.clear();
  GETGRUP();
  EXPECT_FALSE(fs::exists("group.qora"));
  EXPECT_TRUE(GRUPARR[1].has(0) && GRUPARR[2].has(74) && GRUPARR[3].has(75));
}

// ---- Start-up ----------------------------------------------------------------

class StartUp : public DataFiles {
 protected:
  void SetUp() override {
    DataFiles::SetUp();
    test::use_headless(640, 480);
    const auto data = test::source_dir() / "data";
    fs::copy_file(data / "001", "001");
    fs::copy_file(data / "002", "002");
  }
  void start(std::vector<std::string> args) {
    args.insert(args.begin(), "qora");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ALLINIT(int(args.size()), argv.data());
    ALLDONE();  // the window opened by the start closes again
  }
};

// Every start begins in full screen with the sound off and loads the data; the
// fast switch is a whole first or second argument.
TEST_F(StartUp, FastSwitchAndTheStateEveryStartBeginsWith) {
  const std::pair<std::vector<std::string>, int> cases[] = {
      {{"f"}, 0}, {{"F"}, 0}, {{"s", "f"}, 0}, {{"x", "F"}, 0}, {{}, 100},
      {{"ff"}, 100}, {{"-f"}, 100}, {{"a", "b", "f"}, 100}, {{"s"}, 100}};
  for (const auto& [args, want] : cases) {
    READTIME = READHELP = 55;
    G_ISCREENRESOLUTION = 2;
    SOUNDOK = true;
    start(args);
    EXPECT_EQ(READTIME, want) << args.size();
    EXPECT_EQ(READHELP, want) << args.size();
    EXPECT_EQ(G_ISCREENRESOLUTION, 4u);
    EXPECT_FALSE(SOUNDOK);
  }
  EXPECT_EQ(ELCOUNT, 105);
  EXPECT_GE(MSG.size(), 130u);
  EXPECT_TRUE(fs::exists("group.qora"));
  EXPECT_TRUE(GRUPARR[3].has(104));
}

}  // namespace
}  // namespace qora
