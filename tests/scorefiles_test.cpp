// Score tables and results base: archives, the top five, and appends that survive faults, kills and rivals.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <thread>
#include <tuple>

#include "app/globals.h"
#include "platform/safefile.h"
#include "support/test_support.h"
#include "tasks/scorefiles.h"

namespace qora {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::write_file;
using Files = std::map<std::string, std::string>;

// With SCORE = HISCORE = TIME = ALLTIME = 10 the rating equals LEVEL.
PLAYREC rated(const std::string& name, uint16_t rating) {
  PLAYREC r{0, {}, 10, 10, 10, rating, 10};
  r.NAME = name;
  return r;
}

RESULTREC result(const std::string& name, int known = 1) {
  RESULTREC r;
  r.TEACH = 1;
  r.NAME = name;
  r.KNOWEL.include(known);
  return r;
}

template <class R>
std::string bytes_of(const std::vector<R>& v) {
  return {reinterpret_cast<const char*>(v.data()), v.size() * sizeof(R)};
}
template <class R>
std::string bytes_of(const R& r) { return bytes_of(std::vector<R>{r}); }

std::string table_of(int n, const std::string& prefix = "game") {
  std::vector<PLAYREC> v;
  for (int i = 0; i < n; ++i) v.push_back(rated(prefix + std::to_string(i), uint16_t(i + 1)));
  return bytes_of(v);
}

Files snapshot() {
  Files m;
  for (const auto& e : fs::directory_iterator("."))
    if (e.is_regular_file()) m[e.path().filename().string()] = read_file(e.path());
  return m;
}

long lines(const std::string& s) { return std::count(s.begin(), s.end(), '\n'); }

// The 5 December 2026 of the tests' virtual clock.
constexpr const char* kTableArchive = "1p051226.old";

struct ScoreFiles : ::testing::Test {
  test::TempDir dir;
};
using TopFive = ScoreFiles;
using ScoreFilesFaults = ScoreFiles;
using ScoreFilesConcurrency = ScoreFiles;

TEST_F(ScoreFiles, FullFilesGoWholeToTheFirstFreeDatedArchive) {
  PLAYER[2] = rated("first", 5);
  write_file(ONEPLAYERFN, table_of(19));
  ADDSCORE(2, ONEPLAYERFN);
  EXPECT_EQ(read_file(ONEPLAYERFN), table_of(19) + bytes_of(PLAYER[2]));
  EXPECT_EQ(read_file(BAKFN), table_of(19));
  EXPECT_FALSE(fs::exists(kTableArchive));

  // 20 records or more (25: over-full); each table under its own first two characters.
  const std::tuple<const char*, int, const char*> full[] = {
      {ONEPLAYERFN, 20, kTableArchive}, {ONEPLAYERFN, 25, "1p051226_2.old"},
      {ONEPLAYERFN, 20, "1p051226_3.old"}, {TWOPLAYERSFN, 20, "2p051226.old"},
      {"sub/1player.qora", 20, "sub/1p051226.old"}};  // a table in another folder archives beside it
  fs::create_directory("sub");
  for (const auto& [fn, n, archive] : full) {
    write_file(fn, table_of(n, archive));
    ASSERT_TRUE(scorefiles::append_score(rated("z", 1), fn));
    EXPECT_EQ(read_file(archive), table_of(n, archive));
    EXPECT_EQ(read_file(fn), bytes_of(rated("z", 1)));
  }

  // The base archives at 1500 records (not at 1499) under its own dated name.
  std::vector<RESULTREC> base(1500, result("05.12.2026 - Ivan"));
  write_file(RESFN, bytes_of(base));
  write_file("res_2026_12_05.old", "an older archive");
  PLAYERRESULT[1] = result("05.12.2026 - Olga", 3);
  ADDRESULT(1, RESFN);
  EXPECT_EQ(read_file("res_2026_12_05.old"), "an older archive");
  EXPECT_EQ(read_file("res_2026_12_05_2.old"), bytes_of(base));
  EXPECT_EQ(read_file(RESFN), bytes_of(PLAYERRESULT[1]));
  base.resize(1499);
  write_file(RESFN, bytes_of(base));
  ADDRESULT(1, RESFN);
  EXPECT_EQ(read_file(RESFN).size(), 1500 * sizeof(RESULTREC));
  EXPECT_FALSE(fs::exists("res_2026_12_05_3.old"));
}

TEST_F(ScoreFiles, TornTailIsDroppedByTheNextRewriteAndIgnoredByReaders) {
  const std::string torn = table_of(3) + std::string(10, '\x7f');
  write_file(ONEPLAYERFN, torn);
  GETFIRST5(ONEPLAYERFN, PLAYREC{});
  EXPECT_EQ(FIRST5[3].NAME, "game0");
  EXPECT_EQ(FIRST5[4].BAKS, 0);
  ASSERT_TRUE(scorefiles::append_score(rated("new", 9), ONEPLAYERFN));
  EXPECT_EQ(read_file(ONEPLAYERFN), table_of(3) + bytes_of(rated("new", 9)));
  EXPECT_EQ(read_file(BAKFN), torn);  // the backup keeps the file exactly as it was
}

TEST_F(ScoreFiles, UnreadableTableOrBadPlayerSavesNothingWithOneLineEach) {
  testing::internal::CaptureStderr();
  ADDSCORE(3, ONEPLAYERFN);
  ADDSCORE(-1, ONEPLAYERFN);
  ADDRESULT(2, RESFN);
  EXPECT_EQ(lines(testing::internal::GetCapturedStderr()), 3);
  EXPECT_TRUE(fs::is_empty(dir.path()));
  // A table that exists but cannot be read is never taken for a missing one.
  fs::create_directory(ONEPLAYERFN);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(scorefiles::append_score(rated("x", 1), ONEPLAYERFN));
  EXPECT_EQ(lines(testing::internal::GetCapturedStderr()), 1);
}

TEST_F(ScoreFiles, WaitsForTheFolderLockAndGivesUpAfterTheTimeout) {
  write_file(ONEPLAYERFN, table_of(2));
  const int fd = ::open(LOCKFN, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // another game is saving
  scorefiles::set_lock_wait_ms(150);
  testing::internal::CaptureStderr();
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(scorefiles::append_score(rated("late", 1), ONEPLAYERFN));
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(140));
  EXPECT_EQ(lines(testing::internal::GetCapturedStderr()), 1);
  // Released in the middle of the wait: the append goes through.
  scorefiles::set_lock_wait_ms(5000);
  std::thread releaser([fd] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); ::close(fd); });
  EXPECT_TRUE(scorefiles::append_score(rated("late", 1), ONEPLAYERFN));
  releaser.join();
  EXPECT_EQ(read_file(ONEPLAYERFN).size(), 3 * sizeof(PLAYREC));
  EXPECT_TRUE(fs::exists(LOCKFN));  // the lock file stays for the next game
}

TEST_F(TopFive, RanksDistinctEntriesByRatingWithNpFirstOnTies) {
  PLAYREC np0 = rated("Guest", 5);
  np0.ALLTIME = 0;  // rated 0
  // Bytes after the name length never matter; a shorter name is another name.
  PLAYREC a = rated("Ivan", 8), b = a, c = a;
  std::memset(a.NAME.CH + 4, 'x', sizeof a.NAME.CH - 4);
  std::memset(b.NAME.CH + 4, 'y', sizeof b.NAME.CH - 4);
  c.NAME.assign("Iva");
  c.NAME.CH[3] = 'n';
  const std::tuple<std::vector<PLAYREC>, PLAYREC, std::vector<std::pair<std::string, int>>> cases[] = {
      // The table (empty: no file at all), the new game, ranks 1.. (the rest empty).
      {{rated("Ann", 50), rated("Bob", 70), rated("Ann", 50), rated("Ann", 60), rated("Cid", 70),
        rated("Dan", 10), rated("Eve", 20)},
       rated("Now", 70),
       {{"Now", 70}, {"Bob", 70}, {"Cid", 70}, {"Ann", 60}, {"Ann", 50}}},
      {{rated("A", 3), rated("B", 0), rated("C", 9), rated("D", 6)}, np0, {{"C", 9}, {"D", 6}, {"A", 3}}},
      {{}, rated("Solo", 4), {{"Solo", 4}}},
      {{a, b, c}, PLAYREC{}, {{"Ivan", 8}, {"Iva", 8}}},
  };
  for (const auto& [table, np, want] : cases) {
    fs::remove(ONEPLAYERFN);
    if (!table.empty()) write_file(ONEPLAYERFN, bytes_of(table));
    GETFIRST5(ONEPLAYERFN, np);
    std::vector<std::pair<std::string, int>> got, padded = want;
    padded.resize(5);
    for (size_t t = 1; t <= 5; ++t) got.emplace_back(FIRST5[t].NAME, FIRST5[t].BAKS);
    EXPECT_EQ(got, padded) << np.NAME.str();
  }
}

TEST_F(TopFive, DamagedTablesNeverCrashTheReader) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 300; ++round) {
    std::string b = table_of(12);
    for (int i = 1 + int(rng() % 40); i > 0; --i) b[rng() % b.size()] = char(rng());
    b.resize(rng() % (b.size() + 1));
    write_file(ONEPLAYERFN, b);
    GETFIRST5(ONEPLAYERFN, rated("np", uint16_t(rng() % 5)));
    for (size_t t = 1; t <= 5; ++t) {
      EXPECT_LE(FIRST5[t].NAME.size(), 41u);
      EXPECT_LE(FIRST5[t].BAKS, t > 1 ? int(FIRST5[t - 1].BAKS) : 65535);
    }
  }
}

// Fills the empty folder, appends, and names the table or base appended to.
struct Scenario {
  std::string label, file;
  std::function<void()> setup;
  std::function<bool()> append;
};

bool is_temp(const std::string& name) { return name.rfind(".qora.tmp.", 0) == 0; }

// After an interrupted append the file holds the old or the complete new
// content, nothing that was there is lost, and a new archive holds exactly the
// old records (after a kill it may still be empty). True when it took effect.
bool check_interrupted(const Scenario& s, const Files& before, const Files& done, bool killed,
                       const std::string& where) {
  const auto now = snapshot();
  const bool had = before.count(s.file) > 0;
  const bool committed = now.count(s.file) && now.at(s.file) == done.at(s.file);
  if (!committed) {
    EXPECT_EQ(now.count(s.file) ? now.at(s.file) : "<gone>", had ? before.at(s.file) : "<gone>") << where;
  }
  for (const auto& [name, bytes] : now) {
    if (name == s.file || name == LOCKFN) continue;
    if (is_temp(name)) {
      EXPECT_TRUE(killed) << where << ": temporary file left behind: " << name;
    } else if (name == BAKFN) {
      const bool prior = before.count(name) && before.at(name) == bytes;
      EXPECT_TRUE(prior || (had && bytes == before.at(s.file))) << where << ": torn backup";
    } else if (before.count(name)) {
      EXPECT_EQ(bytes, before.at(name)) << where << ": " << name << " changed";
    } else {
      // A new archive: complete once the table has dropped its records; after a kill also
      // a name just claimed (empty) or an archive made just before the table was replaced.
      const bool complete = done.count(name) && bytes == done.at(name);
      EXPECT_TRUE((complete && (committed || killed)) || (killed && bytes.empty() && !committed))
          << where << ": archive " << name << " holds " << bytes.size() << " bytes";
    }
  }
  for (const auto& [name, bytes] : done) EXPECT_TRUE(!committed || name == BAKFN || now.count(name)) << where;
  return committed;
}

TEST_F(ScoreFilesFaults, FailureOrKillAtEveryStepLeavesEveryFileWhole) {
  auto score = [](const char* fn) { return [fn] { return scorefiles::append_score(rated("new", 3), fn); }; };
  const Scenario scenarios[] = {
      {"table with room", ONEPLAYERFN,
       [] { write_file(ONEPLAYERFN, table_of(5)); write_file(BAKFN, "an older backup"); }, score(ONEPLAYERFN)},
      {"full table, dated name taken", ONEPLAYERFN,
       [] { write_file(ONEPLAYERFN, table_of(20)); write_file(kTableArchive, "archived this morning"); },
       score(ONEPLAYERFN)},
      {"base with room", RESFN, [] { write_file(RESFN, bytes_of(std::vector<RESULTREC>(3, result("a - b")))); },
       [] { return scorefiles::append_result(result("c - d", 2), RESFN); }},
      {"missing table", TWOPLAYERSFN, [] {}, score(TWOPLAYERSFN)},
  };
  std::set<std::string> kinds;
  for (const Scenario& s : scenarios) {
    auto reset = [&] { for (const auto& e : fs::directory_iterator(".")) fs::remove_all(e.path()); s.setup(); };
    reset();
    const auto before = snapshot();
    platform::faults::disarm();
    ASSERT_TRUE(s.append()) << s.label;
    const long steps = platform::faults::count();
    const auto trace = platform::faults::trace();
    kinds.insert(trace.begin(), trace.end());
    const auto done = snapshot();
    for (const bool kill : {false, true}) {
      for (long n = 1; n <= steps; ++n) {
        const std::string where = s.label + (kill ? ", killed before step " : ", step ") +
                                  std::to_string(n) + " (" + trace[size_t(n - 1)] + ")";
        reset();
        if (kill) {
          if (::fork() == 0) { platform::faults::arm(n, platform::faults::Mode::kill); s.append(); ::_exit(0); }
          int status = 0;
          ASSERT_TRUE(::wait(&status) > 0 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << where;
        } else {
          platform::faults::arm(n);
          testing::internal::CaptureStderr();
          EXPECT_FALSE(s.append()) << where;
          platform::faults::disarm();
          EXPECT_EQ(lines(testing::internal::GetCapturedStderr()), 1) << where;
        }
        const bool committed = check_interrupted(s, before, done, kill, where);
        // Only the flush of the folder after the final rename comes after the commit.
        EXPECT_TRUE(!committed || kill || n > steps - 2) << where;
        // The next append works from whatever state was left and clears it up.
        ASSERT_TRUE(s.append()) << where;
        const std::string after = read_file(s.file);
        EXPECT_EQ(after.size() % (s.file == RESFN ? sizeof(RESULTREC) : sizeof(PLAYREC)), 0u) << where;
        EXPECT_TRUE(committed || after == done.at(s.file)) << where;
        for (const auto& [name, bytes] : snapshot()) EXPECT_FALSE(is_temp(name)) << where << ": " << name;
      }
    }
  }
  for (const char* k : {"open", "read", "write", "fsync", "close", "rename", "lock"})
    EXPECT_TRUE(kinds.count(k)) << "no step of kind " << k << " was tried";
}

std::vector<std::string> base_names(const std::string& bytes) {
  std::vector<std::string> out;
  for (const RESULTREC& r : scorefiles::parse_results(bytes)) out.push_back(r.NAME.str());
  return out;
}

TEST_F(ScoreFilesFaults, WriterKilledAtRandomMomentsNeverTearsTheFile) {
  std::mt19937 rng(777);
  size_t written = 0;  // records known to be in the base so far
  for (int round = 0; round < 40; ++round) {
    const pid_t pid = ::fork();
    if (pid == 0)
      for (size_t k = written;; ++k) scorefiles::append_result(result("w" + std::to_string(k)), RESFN);
    // Read while the writer runs, then kill it at a random moment.
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(rng() % 20000);
    do {
      EXPECT_EQ(read_file(RESFN).size() % sizeof(RESULTREC), 0u) << "reader saw a torn base";
    } while (std::chrono::steady_clock::now() < until);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    const auto names = base_names(read_file(RESFN));
    ASSERT_GE(names.size(), written) << "records were lost in round " << round;
    for (size_t k = 0; k < names.size(); ++k) ASSERT_EQ(names[k], "w" + std::to_string(k));
    written = names.size();
  }
  EXPECT_GT(written, 0u);
}

TEST_F(ScoreFilesConcurrency, GamesAppendingAtOnceLoseNothing) {
  constexpr int kGames = 4, kEach = 15;
  auto name = [](int g, int i) { return "p" + std::to_string(g) + "-" + std::to_string(i); };
  std::multiset<std::string> want, games;
  for (int g = 0; g < kGames; ++g) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      bool all = true;
      for (int i = 0; i < kEach; ++i)
        all &= scorefiles::append_score(rated(name(g, i), 1), TWOPLAYERSFN) &&
               scorefiles::append_result(result(name(g, i), g), RESFN);
      ::_exit(all ? 0 : 1);
    }
    for (int i = 0; i < kEach; ++i) want.insert(name(g, i));
  }
  for (int g = 0, status = 0; g < kGames; ++g)
    EXPECT_TRUE(::wait(&status) > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // 60 games in a table of 20: the table and its two archives hold each game once.
  for (const auto& [fn, bytes] : snapshot()) {
    if (fn == TWOPLAYERSFN || (fn.rfind("2p051226", 0) == 0 && fn.size() > 8)) {
      ASSERT_EQ(bytes.size() % sizeof(PLAYREC), 0u) << fn;
      for (const PLAYREC& r : scorefiles::parse_scores(bytes)) games.insert(r.NAME.str());
    }
  }
  EXPECT_EQ(games, want);
  const auto base = base_names(read_file(RESFN));
  EXPECT_EQ(std::multiset<std::string>(base.begin(), base.end()), want);
}

}  // namespace
}  // namespace qora
