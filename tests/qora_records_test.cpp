// The teachers' command qora-records, run as a program on files the game's own appends wrote.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <random>

#include "platform/cp1251.h"
#include "app/globals.h"
#include "support/test_support.h"
#include "tasks/scorefiles.h"

namespace qora {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::write_file;

struct ToolRun { int status; std::string out, err; };  // status -1: no normal exit

ToolRun run_tool(const std::string& args) {
  const std::string bin = (test::binary_dir() / "qora-records").string();
  const int rc = std::system(("'" + bin + "' " + args + " > out.txt 2> err.txt").c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, read_file("out.txt"), read_file("err.txt")};
}

// With SCORE = HISCORE = TIME = ALLTIME = 10 the rating equals LEVEL.
PLAYREC game(const std::string& utf8_name, uint16_t level) {
  PLAYREC r{0, {}, 10, 10, 10, level, 10};
  r.NAME = utf8_to_cp1251(utf8_name);
  return r;
}

RESULTREC res(const std::string& utf8_name, std::initializer_list<int> known,
              std::initializer_list<int> unknown) {
  RESULTREC r;
  r.NAME = utf8_to_cp1251(utf8_name);
  for (int e : known) r.KNOWEL.include(e);
  for (int e : unknown) r.UNKNOWEL.include(e);
  return r;
}

struct QoraRecords : ::testing::Test {
  QoraRecords() { fs::copy_file(test::source_dir() / "data" / "001", "001"); }
  test::TempDir dir;
};

TEST_F(QoraRecords, PrintsTheTablesTheGameWrote) {
  std::vector<PLAYREC> games = {game("05.12.2026 - Иван", 40), game("05.12.2026 - Ольга", 70),
                                {0, {}, 7, 9, 5, 31, 44}};
  games.back().NAME = utf8_to_cp1251("Пётр");  // 7 * 7 * 31 / (5 * 44) = 6.9 -> 7
  for (const PLAYREC& g : games) ASSERT_TRUE(scorefiles::append_score(g, ONEPLAYERFN));
  ToolRun r = run_tool("top5 1player.qora");
  EXPECT_EQ(r.out, "1\t70\t05.12.2026 - Ольга\n2\t40\t05.12.2026 - Иван\n3\t7\tПётр\n");
  r = run_tool("scores 1player.qora");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "05.12.2026 - Иван\t10\t10\t10\t40\t10\t40\n"
                   "05.12.2026 - Ольга\t10\t10\t10\t70\t10\t70\n"
                   "Пётр\t7\t9\t5\t31\t44\t7\n");
}

TEST_F(QoraRecords, ResultsAsTheExportLaysThemOutUpTo1500Records) {
  // Element index 0 is nitrogen, 5 hydrogen, 26 helium.
  const RESULTREC recs[] = {
      res("05.12.2026 - Иван", {26, 0}, {5}),
      res("Ольга", {5}, {}),                 // no "-": empty date, whole name
      res("05.12.2026 - Nobody", {}, {}),    // no elements: no rows
      res(" \t05.12.2026 -  A\"B, C", {}, {0}),  // trimmed date, quoted player
      res("07.12.2026 -", {}, {26}),         // nothing after the "-"
  };
  for (const RESULTREC& r : recs) ASSERT_TRUE(scorefiles::append_result(r, RESFN));
  ToolRun r = run_tool("results Result.qora");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "date,player,symbol,status\n"
                   "05.12.2026,Иван,N,known\n"
                   "05.12.2026,Иван,H,unknown\n"
                   "05.12.2026,Иван,He,known\n"
                   ",Ольга,H,known\n"
                   "05.12.2026,\" A\"\"B, C\",N,unknown\n"
                   "07.12.2026,,He,unknown\n");
  std::vector<RESULTREC> base(1501, res("05.12.2026 - Ivan", {0}, {}));
  base.back() = res("05.12.2026 - Last", {5}, {});
  write_file(RESFN, std::string(reinterpret_cast<const char*>(base.data()), base.size() * sizeof(RESULTREC)));
  r = run_tool("results Result.qora");
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1501);  // the header and 1500 rows
  EXPECT_EQ(r.out.find("Last"), std::string::npos);
}

TEST_F(QoraRecords, BadInputFailsAndAnEmptyTableListsNothing) {
  fs::remove("001");  // a sound base but no element table beside it
  write_file(RESFN, std::string(95, '\0'));
  write_file("torn.qora", std::string(53 * 3 + 1, '\0'));  // a torn last record
  write_file("empty.qora", "");
  const std::pair<const char*, int> cases[] = {
      {"top5 empty.qora", 0}, {"top5 1player.qora", 1}, {"top5 torn.qora", 1}, {"scores torn.qora", 1},
      {"results Result.qora", 1}, {"", 2}, {"top5", 2}, {"list torn.qora", 2}, {"top5 a b", 2}};
  for (const auto& [args, status] : cases) {
    const ToolRun r = run_tool(args);
    EXPECT_EQ(r.status, status) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_TRUE(status != 1 || std::count(r.err.begin(), r.err.end(), '\n') == 1) << args << ": " << r.err;
    EXPECT_TRUE(status != 2 || r.err.find("usage") != std::string::npos) << args;
  }
}

TEST_F(QoraRecords, FlippedAndTruncatedFilesNeverCrashIt) {
  for (int i = 0; i < 8; ++i)
    ASSERT_TRUE(scorefiles::append_score(game("05.12.2026 - Иван", uint16_t(10 + i)), "t") &&
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
      const ToolRun r = run_tool(args);
      EXPECT_TRUE(r.status == 0 || r.status == 1) << args << " round " << round << ": " << r.err;
      // Whatever the bytes, the output is one record per line.
      for (char c : r.out) EXPECT_TRUE(c == '\n' || c == '\t' || uint8_t(c) >= 0x20) << args;
    }
  }
}

}  // namespace
}  // namespace qora
