// The teachers' command qora-records, run as a program on files the game's own appends wrote.
// (Its results CSV is checked beside the export, row for row.)
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "app/globals.h"
#include "support/records.h"
#include "tasks/scorefiles.h"

namespace qora {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::records;
using test::res;
using test::write_file;

struct QoraRecords : ::testing::Test {
  QoraRecords() { fs::copy_file(test::source_dir() / "data" / "001", "001"); }
  test::TempDir dir;
};

TEST_F(QoraRecords, PrintsTheTablesTheGameWrote) {
  std::vector<PLAYREC> games = {test::game("05.12.2026 - Иван", 40), test::game("05.12.2026 - Ольга", 70),
                                {0, {}, 7, 9, 5, 31, 44}};
  games.back().NAME = utf8_to_cp1251("Пётр");  // 7 * 7 * 31 / (5 * 44) = 6.9 -> 7
  for (const PLAYREC& g : games) ASSERT_TRUE(scorefiles::append_score(g, ONEPLAYERFN));
  EXPECT_EQ(records("top5 1player.qora").out, "1\t70\t05.12.2026 - Ольга\n2\t40\t05.12.2026 - Иван\n3\t7\tПётр\n");
  const test::Run r = records("scores 1player.qora");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "05.12.2026 - Иван\t10\t10\t10\t40\t10\t40\n"
                   "05.12.2026 - Ольга\t10\t10\t10\t70\t10\t70\n"
                   "Пётр\t7\t9\t5\t31\t44\t7\n");
}

// Also the class report's: a missing or torn base, a page that cannot be written, bad arguments.
TEST_F(QoraRecords, BadInputFailsAndAnEmptyTableListsNothing) {
  fs::remove("001");  // a sound base but no element table beside it (the report finds the build's)
  write_file(RESFN, std::string(95, '\0'));
  write_file("torn.qora", std::string(53 * 3 + 1, '\0'));  // a torn last record
  write_file("empty.qora", "");
  const std::pair<const char*, int> cases[] = {
      {"top5 empty.qora", 0}, {"top5 1player.qora", 1}, {"top5 torn.qora", 1}, {"scores torn.qora", 1},
      {"results Result.qora", 1}, {"", 2}, {"top5", 2}, {"list torn.qora", 2}, {"top5 a b", 2},
      {"report none.qora", 1}, {"report torn.qora", 1}, {"report Result.qora -o no/x.html", 1},
      {"report -o x.html", 2}, {"report Result.qora -o", 2}, {"report a b", 2}};
  for (const auto& [args, status] : cases) {
    const test::Run r = records(args);
    EXPECT_EQ(r.status, status) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_TRUE(status != 1 || std::count(r.err.begin(), r.err.end(), '\n') == 1) << args << ": " << r.err;
    EXPECT_TRUE(status != 2 || r.err.find("usage") != std::string::npos) << args;
  }
  for (const auto& e : fs::directory_iterator(".")) EXPECT_NE(e.path().extension(), ".html");
}

TEST_F(QoraRecords, FlippedAndTruncatedFilesNeverCrashIt) {
  for (int i = 0; i < 8; ++i)
    ASSERT_TRUE(scorefiles::append_score(test::game("05.12.2026 - Иван", uint16_t(10 + i)), "t") &&
                scorefiles::append_result(res("05.12.2026 - Иван", {1, 2, 3}, {4}), "b"));
  const std::string table = read_file("t"), base = read_file("b");
  std::mt19937 rng(4242);
  for (int round = 0; round < 20; ++round) {
    std::string t = table, b = base;
    for (int i = 0; i < 30; ++i) t[rng() % t.size()] = char(rng()), b[rng() % b.size()] = char(rng());
    if (round % 2) t.resize(rng() % t.size()), b.resize(rng() % b.size());
    write_file("t.qora", t);
    write_file("b.qora", b);
    for (const char* args : {"top5 t.qora", "scores t.qora", "results b.qora"}) {
      const test::Run r = records(args);
      EXPECT_TRUE(r.status == 0 || r.status == 1) << args << " round " << round << ": " << r.err;
      // Whatever the bytes, the output is one record per line.
      for (char c : r.out) EXPECT_TRUE(c == '\n' || c == '\t' || uint8_t(c) >= 0x20) << args;
    }
  }
}

}  // namespace
}  // namespace qora
