// Score tables and the results base: appends, archives, the top-five ranking,
// and the safety of every rewrite against failures, kills and other games
// appending at the same time.
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
using test::TempDir;
using test::write_file;

// With SCORE = HISCORE = TIME = ALLTIME = 10 the rating equals LEVEL.
PLAYREC rated(const std::string& name, uint16_t rating) {
  PLAYREC r;
  r.NAME = name;
  r.SCORE = r.HISCORE = r.TIME = r.ALLTIME = 10;
  r.LEVEL = rating;
  return r;
}

RESULTREC result(const std::string& name, std::initializer_list<int> known = {},
                 std::initializer_list<int> unknown = {}) {
  RESULTREC r;
  r.TEACH = 1;
  r.NAME = name;
  for (int e : known) r.KNOWEL.include(e);
  for (int e : unknown) r.UNKNOWEL.include(e);
  return r;
}

template <class R>
std::string bytes_of(const std::vector<R>& v) {
  return std::string(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(R));
}
template <class R>
std::string bytes_of(const R& r) {
  return bytes_of(std::vector<R>{r});
}

std::string table_of(int n, const std::string& prefix = "game") {
  std::vector<PLAYREC> v;
  for (int i = 0; i < n; ++i) v.push_back(rated(prefix + std::to_string(i), uint16_t(i + 1)));
  return bytes_of(v);
}

std::map<std::string, std::string> snapshot() {
  std::map<std::string, std::string> m;
  for (const auto& e : fs::directory_iterator("."))
    if (e.is_regular_file()) m[e.path().filename().string()] = read_file(e.path());
  return m;
}

long lines(const std::string& s) { return std::count(s.begin(), s.end(), '\n'); }

// The 5 December 2026 of the tests' virtual clock.
constexpr const char* kTableArchive = "1p051226.old";
constexpr const char* kBaseArchive = "res_2026_12_05.old";

TEST(ScoreFiles, FullFilesGoWholeToTheFirstFreeDatedArchive) {
  TempDir dir;
  PLAYER[2] = rated("first", 5);
  ADDSCORE(2, ONEPLAYERFN);
  EXPECT_FALSE(fs::exists(BAKFN)) << "the first append found no table to copy";
  EXPECT_EQ(read_file(ONEPLAYERFN), bytes_of(PLAYER[2]));
  write_file(ONEPLAYERFN, table_of(19));
  ADDSCORE(2, ONEPLAYERFN);
  EXPECT_EQ(read_file(ONEPLAYERFN), table_of(19) + bytes_of(PLAYER[2]));
  EXPECT_EQ(read_file(BAKFN), table_of(19));
  EXPECT_FALSE(fs::exists(kTableArchive));

  // 20 records or more (25: over-full); each table under its own first two characters.
  const std::tuple<const char*, int, const char*> full[] = {
      {ONEPLAYERFN, 20, kTableArchive}, {ONEPLAYERFN, 25, "1p051226_2.old"},
      {ONEPLAYERFN, 20, "1p051226_3.old"}, {TWOPLAYERSFN, 20, "2p051226.old"}};
  for (const auto& [fn, n, archive] : full) {
    write_file(fn, table_of(n, archive));
    ASSERT_TRUE(scorefiles::append_score(rated("z", 1), fn));
    EXPECT_EQ(read_file(archive), table_of(n, archive));
    EXPECT_EQ(read_file(BAKFN), table_of(n, archive)) << archive;
    EXPECT_EQ(read_file(fn), bytes_of(rated("z", 1))) << archive;
  }

  // The base archives at 1500 records (not at 1499) under its own dated name.
  std::vector<RESULTREC> base(1500, result("05.12.2026 - Ivan", {1}, {2}));
  write_file(RESFN, bytes_of(base));
  write_file(kBaseArchive, "an older archive");
  PLAYERRESULT[1] = result("05.12.2026 - Olga", {3});
  ADDRESULT(1, RESFN);
  EXPECT_EQ(read_file(kBaseArchive), "an older archive");
  EXPECT_EQ(read_file("res_2026_12_05_2.old"), bytes_of(base));
  EXPECT_EQ(read_file(RESFN), bytes_of(PLAYERRESULT[1]));
  base.resize(1499);
  write_file(RESFN, bytes_of(base));
  ADDRESULT(1, RESFN);
  EXPECT_EQ(read_file(RESFN).size(), 1500 * sizeof(RESULTREC));
  EXPECT_FALSE(fs::exists("res_2026_12_05_3.old"));
}

TEST(ScoreFiles, TornTailIsDroppedByTheNextRewriteAndIgnoredByReaders) {
  TempDir dir;
  const std::string torn = table_of(3) + std::string(10, '\x7f');
  write_file(ONEPLAYERFN, torn);
  GETFIRST5(ONEPLAYERFN, PLAYREC{});
  EXPECT_EQ(FIRST5[1].NAME, "game2");
  EXPECT_EQ(FIRST5[3].NAME, "game0");
  EXPECT_EQ(FIRST5[4].BAKS, 0);

  ASSERT_TRUE(scorefiles::append_score(rated("new", 9), ONEPLAYERFN));
  EXPECT_EQ(read_file(ONEPLAYERFN), table_of(3) + bytes_of(rated("new", 9)));
  EXPECT_EQ(read_file(BAKFN), torn) << "the backup keeps the file exactly as it was";

  write_file(RESFN, std::string(40, 'x'));  // shorter than one record
  ASSERT_TRUE(scorefiles::append_result(result("r"), RESFN));
  EXPECT_EQ(read_file(RESFN), bytes_of(result("r")));
}

TEST(ScoreFiles, UnreadableTableOrBadPlayerSavesNothingWithOneLineEach) {
  TempDir dir;
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
  EXPECT_TRUE(fs::is_directory(ONEPLAYERFN));
  EXPECT_FALSE(fs::exists(BAKFN));
}

TEST(ScoreFiles, WaitsForTheFolderLockAndGivesUpAfterTheTimeout) {
  TempDir dir;
  write_file(ONEPLAYERFN, table_of(2));
  const int fd = ::open(LOCKFN, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // another game is saving
  scorefiles::set_lock_wait_ms(150);
  testing::internal::CaptureStderr();
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(scorefiles::append_score(rated("late", 1), ONEPLAYERFN));
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(140));
  EXPECT_EQ(lines(testing::internal::GetCapturedStderr()), 1);
  EXPECT_EQ(read_file(ONEPLAYERFN), table_of(2));

  // Released in the middle of the wait: the append goes through.
  scorefiles::set_lock_wait_ms(5000);
  std::thread releaser([fd] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ::close(fd);
  });
  EXPECT_TRUE(scorefiles::append_score(rated("late", 1), ONEPLAYERFN));
  releaser.join();
  EXPECT_EQ(read_file(ONEPLAYERFN).size(), 3 * sizeof(PLAYREC));
  EXPECT_TRUE(fs::exists(LOCKFN)) << "the lock file stays for the next game";
}

// ---- Top five ------------------------------------------------------------------

TEST(TopFive, RanksDistinctEntriesByRatingWithNpFirstOnTies) {
  TempDir dir;
  PLAYREC np0 = rated("Guest", 5);
  np0.ALLTIME = 0;  // rated 0
  // Bytes after the name length never matter; a shorter name is another name.
  PLAYREC a = rated("Ivan", 8), b = a, c = a;
  std::memset(a.NAME.CH + 4, 'x', sizeof a.NAME.CH - 4);
  std::memset(b.NAME.CH + 4, 'y', sizeof b.NAME.CH - 4);
  c.NAME.assign("Iva");
  c.NAME.CH[3] = 'n';
  struct Case {
    std::vector<PLAYREC> table;  // empty: no table file at all
    PLAYREC np;
    std::vector<std::pair<std::string, int>> want;  // ranks 1.. ; the rest empty
  };
  const Case cases[] = {
      {{rated("Ann", 50), rated("Bob", 70), rated("Ann", 50), rated("Ann", 60), rated("Cid", 70),
        rated("Dan", 10), rated("Eve", 20)},
       rated("Now", 70),
       {{"Now", 70}, {"Bob", 70}, {"Cid", 70}, {"Ann", 60}, {"Ann", 50}}},
      {{rated("A", 3), rated("B", 0), rated("C", 9), rated("D", 6)}, np0, {{"C", 9}, {"D", 6}, {"A", 3}}},
      {{rated("A", 0), rated("B", 0)}, PLAYREC{}, {}},  // clears what the last case left
      {{}, rated("Solo", 4), {{"Solo", 4}}},
      {{}, np0, {}},
      {{a, b, c}, PLAYREC{}, {{"Ivan", 8}, {"Iva", 8}}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& k = cases[i];
    fs::remove(ONEPLAYERFN);
    if (!k.table.empty()) write_file(ONEPLAYERFN, bytes_of(k.table));
    GETFIRST5(ONEPLAYERFN, k.np);
    for (size_t t = 1; t <= 5; ++t) {
      const auto want = t <= k.want.size() ? k.want[t - 1] : std::pair<std::string, int>{"", 0};
      EXPECT_EQ(FIRST5[t].NAME, want.first) << "case " << i << " rank " << t;
      EXPECT_EQ(FIRST5[t].BAKS, want.second) << "case " << i << " rank " << t;
    }
  }
}

TEST(TopFive, DamagedTablesNeverCrashTheReader) {
  TempDir dir;
  std::mt19937 rng(12345);
  const std::string good = table_of(12);
  for (int round = 0; round < 300; ++round) {
    std::string b = good;
    for (int i = 1 + int(rng() % 40); i > 0; --i) b[rng() % b.size()] = char(rng());
    b.resize(rng() % (b.size() + 1));
    write_file(ONEPLAYERFN, b);
    GETFIRST5(ONEPLAYERFN, rated("np", uint16_t(rng() % 5)));
    for (size_t t = 1; t <= 5; ++t) {
      EXPECT_LE(FIRST5[t].NAME.size(), 41u);
      if (t > 1 && FIRST5[t].BAKS) {
        EXPECT_LE(FIRST5[t].BAKS, FIRST5[t - 1].BAKS) << "ranked";
      }
    }
  }
}

// ---- Failures and kills at every step ----------------------------------------------

struct Scenario {
  const char* label;
  std::function<void()> setup;  // fills the empty working folder
  std::function<bool()> append;
  std::string file;  // the table or base being appended to
};

std::vector<Scenario> scenarios() {
  auto score = [](const char* fn) { return [fn] { return scorefiles::append_score(rated("new", 3), fn); }; };
  return {
      {"table with room",
       [] { write_file(ONEPLAYERFN, table_of(5)); write_file(BAKFN, "an older backup"); },
       score(ONEPLAYERFN), ONEPLAYERFN},
      {"full table, dated name taken",
       [] { write_file(ONEPLAYERFN, table_of(20)); write_file(kTableArchive, "archived this morning"); },
       score(ONEPLAYERFN), ONEPLAYERFN},
      {"base with room",
       [] { write_file(RESFN, bytes_of(std::vector<RESULTREC>(3, result("a - b", {1})))); },
       [] { return scorefiles::append_result(result("c - d", {2}, {3}), RESFN); }, RESFN},
      {"missing table", [] {}, score(TWOPLAYERSFN), TWOPLAYERSFN},
  };
}

bool is_temp(const std::string& name) { return name.rfind(".qora.tmp.", 0) == 0; }

// Checks the folder after an interrupted append: the file holds the old or
// the complete new content, nothing that was there is lost, and a new
// archive holds exactly the old records (or, after a kill, is still empty).
// Returns whether the append took effect.
bool check_interrupted(const Scenario& s, const std::map<std::string, std::string>& before,
                       const std::map<std::string, std::string>& done, bool killed,
                       const std::string& where) {
  const auto now = snapshot();
  const bool had = before.count(s.file) > 0;
  const bool committed = now.count(s.file) && now.at(s.file) == done.at(s.file);
  if (!committed && had) {
    EXPECT_EQ(now.count(s.file) ? now.at(s.file) : "<gone>", before.at(s.file)) << where;
  }
  if (!committed && !had) {
    EXPECT_FALSE(now.count(s.file)) << where;
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
      // A new archive: the complete old records once the table has dropped
      // them; after a kill also a name just claimed (empty) or an archive
      // made just before the table was replaced.
      const bool complete = done.count(name) && bytes == done.at(name);
      EXPECT_TRUE((complete && (committed || killed)) || (killed && bytes.empty() && !committed))
          << where << ": archive " << name << " holds " << bytes.size() << " bytes";
    }
  }
  if (committed)
    for (const auto& [name, bytes] : done)
      if (!is_temp(name) && name != BAKFN) {
        EXPECT_TRUE(now.count(name)) << where << ": " << name;
      }
  return committed;
}

TEST(ScoreFilesFaults, FailureOrKillAtEveryStepLeavesEveryFileWhole) {
  TempDir dir;
  std::set<std::string> kinds;
  for (const Scenario& s : scenarios()) {
    auto reset = [&] {
      for (const auto& e : fs::directory_iterator(".")) fs::remove_all(e.path());
      s.setup();
    };
    reset();
    const auto before = snapshot();
    platform::faults::disarm();
    ASSERT_TRUE(s.append()) << s.label;
    const long steps = platform::faults::count();
    const auto trace = platform::faults::trace();
    kinds.insert(trace.begin(), trace.end());
    const auto done = snapshot();
    ASSERT_GT(steps, 5) << s.label;

    for (const bool kill : {false, true}) {
      for (long n = 1; n <= steps; ++n) {
        const std::string where = std::string(s.label) + (kill ? ", killed before step " : ", step ") +
                                  std::to_string(n) + " (" + trace[size_t(n - 1)] + ")";
        reset();
        bool committed = false;
        if (kill) {
          const pid_t pid = ::fork();
          if (pid == 0) {
            platform::faults::arm(n, platform::faults::Mode::kill);
            s.append();
            ::_exit(0);
          }
          int status = 0;
          ::waitpid(pid, &status, 0);
          ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << where;
          committed = check_interrupted(s, before, done, true, where);
        } else {
          platform::faults::arm(n);
          testing::internal::CaptureStderr();
          const bool ok = s.append();
          const std::string err = testing::internal::GetCapturedStderr();
          platform::faults::disarm();
          EXPECT_FALSE(ok) << where;
          EXPECT_EQ(lines(err), 1) << where << ": " << err;
          committed = check_interrupted(s, before, done, false, where);
          // Only the flush of the folder after the final rename comes after the commit.
          if (committed) {
            EXPECT_GT(n, steps - 2) << where;
          }
        }
        // The next append works from whatever state was left and clears it up.
        ASSERT_TRUE(s.append()) << where;
        const std::string after = read_file(s.file);
        EXPECT_EQ(after.size() % (s.file == RESFN ? sizeof(RESULTREC) : sizeof(PLAYREC)), 0u) << where;
        if (!committed) {
          EXPECT_EQ(after, done.at(s.file)) << where;
        }
        for (const auto& [name, bytes] : snapshot()) EXPECT_FALSE(is_temp(name)) << where << ": " << name;
      }
    }
  }
  for (const char* k : {"open", "read", "write", "fsync", "close", "rename", "lock"})
    EXPECT_TRUE(kinds.count(k)) << "no step of kind " << k << " was tried";
}

// Every record name "w<k>" of a results base, in order.
std::vector<std::string> base_names(const std::string& bytes) {
  std::vector<std::string> out;
  for (const RESULTREC& r : scorefiles::parse_results(bytes)) out.push_back(r.NAME.str());
  return out;
}

TEST(ScoreFilesFaults, WriterKilledAtRandomMomentsNeverTearsTheFile) {
  TempDir dir;
  std::mt19937 rng(777);
  size_t written = 0;  // records known to be in the base so far
  for (int round = 0; round < 40; ++round) {
    const pid_t pid = ::fork();
    if (pid == 0)
      for (size_t k = base_names(read_file(RESFN)).size();; ++k)
        scorefiles::append_result(result("w" + std::to_string(k)), RESFN);
    // Read while the writer runs, then kill it at a random moment.
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(rng() % 20000);
    do {
      EXPECT_EQ(read_file(RESFN).size() % sizeof(RESULTREC), 0u) << "reader saw a torn base";
    } while (std::chrono::steady_clock::now() < until);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);

    const std::string b = read_file(RESFN);
    ASSERT_EQ(b.size() % sizeof(RESULTREC), 0u) << "round " << round;
    const auto names = base_names(b);
    ASSERT_GE(names.size(), written) << "records were lost in round " << round;
    for (size_t k = 0; k < names.size(); ++k) ASSERT_EQ(names[k], "w" + std::to_string(k));
    written = names.size();
  }
  EXPECT_GT(written, 0u);
}

TEST(ScoreFilesConcurrency, GamesAppendingAtOnceLoseNothing) {
  TempDir dir;
  constexpr int kGames = 4, kEach = 15;
  std::multiset<std::string> want;
  for (int g = 0; g < kGames; ++g)
    for (int i = 0; i < kEach; ++i) want.insert("p" + std::to_string(g) + "-" + std::to_string(i));
  std::vector<pid_t> kids;
  for (int g = 0; g < kGames; ++g) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      bool all = true;
      for (int i = 0; i < kEach; ++i) {
        const std::string name = "p" + std::to_string(g) + "-" + std::to_string(i);
        all &= scorefiles::append_score(rated(name, 1), TWOPLAYERSFN);
        all &= scorefiles::append_result(result(name, {g}), RESFN);
      }
      ::_exit(all ? 0 : 1);
    }
    kids.push_back(pid);
  }
  for (pid_t pid : kids) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  // 60 games in a table of 20: the table and its two archives hold each game once.
  std::multiset<std::string> games;
  int archives = 0;
  for (const auto& [name, bytes] : snapshot()) {
    if (name == TWOPLAYERSFN || (name.rfind("2p051226", 0) == 0 && name.size() > 8)) {
      archives += name != TWOPLAYERSFN;
      ASSERT_EQ(bytes.size() % sizeof(PLAYREC), 0u) << name;
      for (const PLAYREC& r : scorefiles::parse_scores(bytes)) games.insert(r.NAME.str());
    }
  }
  EXPECT_EQ(archives, 2);
  const auto base = base_names(read_file(RESFN));
  EXPECT_EQ(games, want);
  EXPECT_EQ(std::multiset<std::string>(base.begin(), base.end()), want);
}

}  // namespace
}  // namespace qora
