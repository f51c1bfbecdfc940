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

// "k,Sk,Namek" lines for elements first..last, each ended by eol.
std::string element_lines(int first, int last, const std::string& eol = "\n") {
  std::string s;
  for (int k = first; k <= last; ++k)
    s += std::to_string(k) + "," + char('A' + k % 26) + char('a' + k / 26) + ",Name" +
         std::to_string(k) + eol;
  return s;
}

std::string default_group_bytes() {
  std::string b(128, '\0');
  b[0] = b[1] = b[2] = '\xFF';
  b[3] = '\x03';
  const char g2[] = {0, 0, 0, '\xFC', '\xFF', '\xFF', '\xFF', '\xFF', '\xFF', '\x07'};
  for (int i = 0; i < 10; ++i) b[size_t(32 + i)] = g2[i];
  const char g3[] = {'\xF8', '\xFF', '\xFF', '\xFF', '\x01'};
  for (int i = 0; i < 5; ++i) b[size_t(64 + 9 + i)] = g3[i];
  return b;
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
  EXPECT_EQ(TOINT("12"), 12);
  EXPECT_EQ(TOINT("   12"), 12);
  EXPECT_EQ(TOINT("-3"), -3);
  EXPECT_EQ(TOINT("+8"), 8);
  EXPECT_EQ(TOINT("-2147483648"), INT32_MIN);
  EXPECT_EQ(TOINT("2147483647"), INT32_MAX);
  for (const char* bad : {"", " ", "-", "12a", "a", "1 2", "12 ", "2147483648", "99999999999999999999"})
    EXPECT_EQ(TOINT(bad), 0) << '"' << bad << '"';
}

TEST_F(DataFiles, ElementLineDropsBlanksCutsFieldsAndIgnoresAFourthField) {
  // Element 7 with blanks everywhere, element 8 with a three-letter symbol
  // and a name longer than 15 characters and a fourth field.
  std::string table = "105\n" + element_lines(1, 6) + " 7 , Fe ,  \xC6\xE5 \xEB\xE5\xE7\xEE \n" +
                      "8,Abc,ABCDEFGHIJKLMNOPQ,extra,more\n" + element_lines(9, 105);
  write_file("001", table);
  GETELEMENTS();
  ASSERT_EQ(ELCOUNT, 105);
  ASSERT_EQ(ELEMENT.size(), 106u);
  EXPECT_EQ(ELEMENT[6].SYMBOL.str(), "Fe");
  EXPECT_EQ(ELEMENT[6].NAME.str(), "\xC6\xE5\xEB\xE5\xE7\xEE");  // the name of iron, no blanks
  EXPECT_EQ(ELEMENT[7].SYMBOL.str(), "Ab");
  EXPECT_EQ(ELEMENT[7].NAME.str(), "ABCDEFGHIJKLMNO");
  EXPECT_EQ(ELEMENT[104].NAME.str(), "Name105");
  EXPECT_TRUE(ELEMENT[105].NAME.empty());
}

TEST_F(DataFiles, ElementFileWithCrLfAndNoLineEndAfterTheLastLine) {
  std::string table = "  105 elements\r\n" + element_lines(1, 104, "\r\n") + "105,Lr,Last";
  write_file("001", table);
  GETELEMENTS();
  EXPECT_EQ(ELCOUNT, 105);
  EXPECT_EQ(ELEMENT[0].NAME.str(), "Name1");
  EXPECT_EQ(ELEMENT[103].NAME.str(), "Name104");  // no CR kept at the end
  EXPECT_EQ(ELEMENT[104].SYMBOL.str(), "Lr");
  EXPECT_EQ(ELEMENT[104].NAME.str(), "Last");
}

TEST_F(DataFiles, AbsurdCountIsHeldAtTheSetSize) {
  write_file("001", "99999999999\n" + element_lines(1, 105) + "300,Xx,Beyond\n256,Yy,Top\n");
  GETELEMENTS();
  EXPECT_EQ(ELCOUNT, 256);
  EXPECT_EQ(ELEMENT.size(), 257u);
  EXPECT_EQ(ELEMENT[104].NAME.str(), "Name105");
  EXPECT_EQ(ELEMENT[255].NAME.str(), "Top");
}

TEST_F(DataFiles, LinesWithNumbersOutsideTheTableAreSkipped) {
  std::string table = "105\n" + element_lines(1, 105) +
                      "0,Zz,Zero\n-1,Zz,Minus\n106,Zz,Past\n1000,Zz,Far\nx,Zz,NotANumber\n\n";
  // The count says 105 but the file holds more lines: only 105 are element lines.
  write_file("001", table);
  GETELEMENTS();
  EXPECT_EQ(ELCOUNT, 105);
  // Bad lines inside the counted ones are skipped too.
  write_file("001", "105\n0,Zz,Zero\n-4,Zz,Minus\n106,Zz,Past\nxx,Zz,Bad\n\n" + element_lines(1, 105));
  GETELEMENTS();
  EXPECT_EQ(ELCOUNT, 105);
  ASSERT_EQ(ELEMENT.size(), 106u);
  // Only 100 of the good lines were within the count: elements 1..100.
  EXPECT_EQ(ELEMENT[99].NAME.str(), "Name100");
  EXPECT_TRUE(ELEMENT[100].NAME.empty());
  for (const DATABASE& e : ELEMENT) EXPECT_NE(e.SYMBOL.str(), "Zz");
}

TEST_F(DataFiles, MissingOrUnplayableElementTableStopsWithStatusOne) {
  EXPECT_EXIT(GETELEMENTS(), ::testing::ExitedWithCode(1), "File Not found 001");
  write_file("001", "104\n" + element_lines(1, 104));
  EXPECT_EXIT(GETELEMENTS(), ::testing::ExitedWithCode(1), "105");
  write_file("001", "");
  EXPECT_EXIT(GETELEMENTS(), ::testing::ExitedWithCode(1), "105");
  // 105 elements counted, but only four have a line.
  write_file("001", "105\n" + element_lines(1, 4));
  EXPECT_EXIT(GETELEMENTS(), ::testing::ExitedWithCode(1), "name");
}

TEST_F(DataFiles, MessageLinesKeepBlanksAndTheLastLineNeedsNoLineEnd) {
  write_file("002", "first\r\n  two  words \n\nlast");
  GETMSG();
  ASSERT_GE(MSG.size(), 130u);
  EXPECT_EQ(MSG[0], "");
  EXPECT_EQ(MSG[1], "first");
  EXPECT_EQ(MSG[2], "  two  words ");
  EXPECT_EQ(MSG[3], "");
  EXPECT_EQ(MSG[4], "last");
  EXPECT_EQ(MSG[5], "");
  EXPECT_EQ(msg(129), "");
}

TEST_F(DataFiles, MessageFileLineCounting) {
  // A final line end does not start one more message; an empty file is one
  // empty message. Beyond the file, lines up to the needed count are empty.
  std::string many;
  for (int i = 1; i <= 140; ++i) many += "m" + std::to_string(i) + "\n";
  write_file("002", many);
  GETMSG();
  EXPECT_EQ(MSG.size(), 141u);
  EXPECT_EQ(MSG[140], "m140");
  write_file("002", "");
  GETMSG();
  EXPECT_EQ(MSG.size(), 130u);
  EXPECT_EQ(MSG[1], "");
}

TEST_F(DataFiles, MissingMessageFileStopsWithStatusOne) {
  EXPECT_EXIT(GETMSG(), ::testing::ExitedWithCode(1), "File Not found 002");
}

TEST_F(DataFiles, MissingGroupsFileIsCreatedWithTheDefaultsAndReadBack) {
  GETGRUP();
  ASSERT_TRUE(std::filesystem::exists("group.qora"));
  const std::string bytes = read_file("group.qora");
  EXPECT_EQ(bytes, default_group_bytes());
  EXPECT_FALSE(std::filesystem::exists("group.qora.tmp"));
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

TEST_F(DataFiles, StoredGroupsAreReadAsTheyStand) {
  std::string bytes(128, '\0');
  bytes[0] = '\x05';    // group 1: {0, 2}
  bytes[32 + 13] = '\x80';  // group 2: {111}
  bytes[127] = '\x80';  // group 4: {255}
  write_file("group.qora", bytes + "trailing bytes are not part of the record");
  GETGRUP();
  EXPECT_TRUE(GRUPARR[1].has(0) && GRUPARR[1].has(2) && !GRUPARR[1].has(1));
  EXPECT_TRUE(GRUPARR[2].has(111));
  EXPECT_TRUE(GRUPARR[3].empty());
  EXPECT_TRUE(GRUPARR[4].has(255));
}

TEST_F(DataFiles, CutGroupsFileGivesTheDefaultsAndIsLeftAlone) {
  write_file("group.qora", std::string(40, '\x01'));
  GETGRUP();
  EXPECT_TRUE(GRUPARR[1].has(25) && !GRUPARR[1].has(26));
  EXPECT_TRUE(GRUPARR[3].has(104));
  EXPECT_EQ(read_file("group.qora"), std::string(40, '\x01'));
}

TEST_F(DataFiles, GroupsFileThatCannotBeWrittenLeavesTheDefaultsInMemory) {
  // The temporary file's name is taken by a folder, so the write must fail.
  std::filesystem::create_directory("group.qora.tmp");
  GETGRUP();
  EXPECT_FALSE(std::filesystem::exists("group.qora"));
  EXPECT_TRUE(GRUPARR[1].has(0));
  EXPECT_TRUE(GRUPARR[2].has(74));
  EXPECT_TRUE(GRUPARR[3].has(75));
}

// ---- Start-up ----------------------------------------------------------------

class StartUp : public DataFiles {
 protected:
  void SetUp() override {
    DataFiles::SetUp();
    test::use_headless(640, 480);
    const auto data = test::source_dir() / "data";
    std::filesystem::copy_file(data / "001", "001");
    std::filesystem::copy_file(data / "002", "002");
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

TEST_F(StartUp, FastSwitchAsFirstOrSecondWholeArgument) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"f"}, {"F"}, {"s", "f"}, {"x", "F"}}) {
    READTIME = READHELP = 55;
    start(args);
    EXPECT_EQ(READTIME, 0) << args.size();
    EXPECT_EQ(READHELP, 0);
  }
  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"ff"}, {"-f"}, {"a", "b", "f"}, {"s"}}) {
    READTIME = READHELP = 0;
    start(args);
    EXPECT_EQ(READTIME, 100);
    EXPECT_EQ(READHELP, 100);
  }
}

TEST_F(StartUp, EveryStartBeginsWithFullScreenAndSoundOffAndLoadsTheData) {
  G_ISCREENRESOLUTION = 2;
  SOUNDOK = true;
  start({});
  EXPECT_EQ(G_ISCREENRESOLUTION, 4u);
  EXPECT_FALSE(SOUNDOK);
  EXPECT_EQ(ELCOUNT, 105);
  EXPECT_GE(MSG.size(), 130u);
  EXPECT_TRUE(std::filesystem::exists("group.qora"));
  EXPECT_TRUE(GRUPARR[3].has(104));
}

}  // namespace
}  // namespace qora
