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
std::string bytes_of(const std::vector<R>& recs) {
  return std::string(reinterpret_cast<const char*>(recs.data()), recs.size() * sizeof(R));
}
template <class R>
std::string bytes_of(const R& r) {
  return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

std::vector<PLAYREC> table_of(int n, const std::string& prefix = "game") {
  std::vector<PLAYREC> v;
  for (int i = 0; i < n; ++i) v.push_back(rated(prefix + std::to_string(i), uint16_t(i + 1)));
  return v;
}

std::map<std::string, std::string> snapshot(const fs::path& dir) {
  std::map<std::string, std::string> m;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file()) m[e.path().filename().string()] = read_file(e.path());
  return m;
}

void clear_dir(const fs::path& dir) {
  for (const auto& e : fs::directory_iterator(dir)) fs::remove_all(e.path());
}

std::vector<std::string> names_in(const std::vector<PLAYREC>& v) {
  std::vector<std::string> out;
  for (const auto& r : v) out.push_back(r.NAME.str());
  return out;
}

// The 5 December 2026 of the tests' virtual clock.
constexpr const char* kTableArchive = "1p051226.old";
constexpr const char* kBaseArchive = "res_2026_12_05.old";

// ---- Appending and archiving -------------------------------------------------

TEST(ScoreFiles, FullTableGoesToADatedArchiveAndRestartsWithTheNewRecord) {
  TempDir dir;
  for (int i = 0; i < 19; ++i) {
    PLAYER[2] = rated("g" + std::to_string(i), 5);
    ADDSCORE(2, ONEPLAYERFN);
    if (i == 0) {
      EXPECT_FALSE(fs::exists("Res.bak")) << "the first append found no table to copy";
    }
  }
  ASSERT_EQ(read_file(ONEPLAYERFN).size(), 19 * sizeof(PLAYREC));

  PLAYER[2] = rated("g19", 5);
  ADDSCORE(2, ONEPLAYERFN);
  const std::string twenty = read_file(ONEPLAYERFN);
  ASSERT_EQ(twenty.size(), 20 * sizeof(PLAYREC));
  EXPECT_FALSE(fs::exists(kTableArchive));
  EXPECT_EQ(read_file("Res.bak").size(), 19 * sizeof(PLAYREC));

  PLAYER[2] = rated("g20", 7);
  ADDSCORE(2, ONEPLAYERFN);
  EXPECT_EQ(read_file(kTableArchive), twenty);
  EXPECT_EQ(read_file("Res.bak"), twenty);
  EXPECT_EQ(read_file(ONEPLAYERFN), bytes_of(rated("g20", 7)));

  // The two-player table archives under its own first two characters.
  write_file(TWOPLAYERSFN, bytes_of(table_of(20)));
  PLAYER[2] = rated("pair", 3);
  ADDSCORE(2, TWOPLAYERSFN);
  EXPECT_EQ(read_file("2p051226.old"), bytes_of(table_of(20)));
  EXPECT_EQ(read_file(TWOPLAYERSFN), bytes_of(rated("pair", 3)));
}

TEST(ScoreFiles, ArchivingTheSameDayAgainTakesAFreeName) {
  TempDir dir;
  write_file(ONEPLAYERFN, bytes_of(table_of(20, "a")));
  ASSERT_TRUE(scorefiles::append_score(rated("x", 1), ONEPLAYERFN));
  write_file(ONEPLAYERFN, bytes_of(table_of(20, "b")));
  ASSERT_TRUE(scorefiles::append_score(rated("y", 1), ONEPLAYERFN));
  write_file(ONEPLAYERFN, bytes_of(table_of(25, "c")));  // over-full: all 25 are archived
  ASSERT_TRUE(scorefiles::append_score(rated("z", 1), ONEPLAYERFN));
  EXPECT_EQ(read_file(kTableArchive), bytes_of(table_of(20, "a")));
  EXPECT_EQ(read_file("1p051226_2.old"), bytes_of(table_of(20, "b")));
  EXPECT_EQ(read_file("1p051226_3.old"), bytes_of(table_of(25, "c")));
  EXPECT_EQ(read_file(ONEPLAYERFN), bytes_of(rated("z", 1)));

  // The base archives at 1500 records under its own dated name.
  std::vector<RESULTREC> base(1500, result("05.12.2026 - Ivan", {1}, {2}));
  write_file(RESFN, bytes_of(base));
  write_file(kBaseArchive, "an older archive");
  PLAYERRESULT[1] = result("05.12.2026 - Olga", {3});
  ADDRESULT(1, RESFN);
  EXPECT_EQ(read_file(kBaseArchive), "an older archive");
  EXPECT_EQ(read_file("res_2026_12_05_2.old"), bytes_of(base));
  EXPECT_EQ(read_file(RESFN), bytes_of(PLAYERRESULT[1]));

  // 1499 records are not full yet.
  base.resize(1499);
  write_file(RESFN, bytes_of(base));
  ADDRESULT(1, RESFN);
  EXPECT_EQ(read_file(RESFN).size(), 1500 * sizeof(RESULTREC));
  EXPECT_FALSE(fs::exists("res_2026_12_05_3.old"));
}

TEST(ScoreFiles, TornTailIsDroppedByTheNextRewriteAndIgnoredByReaders) {
  TempDir dir;
  const std::string whole = bytes_of(table_of(3));
  write_file(ONEPLAYERFN, whole + std::string(10, '\x7f'));
  GETFIRST5(ONEPLAYERFN, PLAYREC{});
  EXPECT_EQ(FIRST5[1].NAME, "game2");
  EXPECT_EQ(FIRST5[3].NAME, "game0");
  EXPECT_EQ(FIRST5[4].BAKS, 0);

  ASSERT_TRUE(scorefiles::append_score(rated("new", 9), ONEPLAYERFN));
  EXPECT_EQ(read_file(ONEPLAYERFN), whole + bytes_of(rated("new", 9)));
  EXPECT_EQ(read_file("Res.bak"), whole + std::string(10, '\x7f'))
      << "the backup keeps the file exactly as it was";

  // A file shorter than one record holds no record.
  write_file(RESFN, std::string(40, 'x'));
  ASSERT_TRUE(scorefiles::append_result(result("r"), RESFN));
  EXPECT_EQ(read_file(RESFN), bytes_of(result("r")));
}

TEST(ScoreFiles, UnreadableTableIsNeverTakenForAMissingOne) {
  TempDir dir;
  fs::create_directory(ONEPLAYERFN);  // exists, opens, but cannot be read as a file
  testing::internal::CaptureStderr();
  EXPECT_FALSE(scorefiles::append_score(rated("x", 1), ONEPLAYERFN));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_TRUE(fs::is_directory(ONEPLAYERFN));
  EXPECT_FALSE(fs::exists("Res.bak"));
}

TEST(ScoreFiles, BadPlayerNumberSavesNothingAndGoesOn) {
  TempDir dir;
  testing::internal::CaptureStderr();
  ADDSCORE(3, ONEPLAYERFN);
  ADDSCORE(-1, ONEPLAYERFN);
  ADDRESULT(2, RESFN);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 3) << err;
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(ScoreFiles, WaitsForTheFolderLockAndGivesUpAfterTheTimeout) {
  TempDir dir;
  write_file(ONEPLAYERFN, bytes_of(table_of(2)));
  const int fd = ::open(LOCKFN, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // another game is saving
  scorefiles::set_lock_wait_ms(150);
  testing::internal::CaptureStderr();
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(scorefiles::append_score(rated("late", 1), ONEPLAYERFN));
  const auto waited = std::chrono::steady_clock::now() - t0;
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_GE(waited, std::chrono::milliseconds(140));
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(read_file(ONEPLAYERFN), bytes_of(table_of(2)));

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

TEST(TopFive, SameNameTakesOneRankPerRatingAndNpComesFirstOnTies) {
  TempDir dir;
  write_file(ONEPLAYERFN, bytes_of(std::vector<PLAYREC>{
                              rated("Ann", 50), rated("Bob", 70), rated("Ann", 50),
                              rated("Ann", 60), rated("Cid", 70), rated("Dan", 10),
                              rated("Eve", 20)}));
  GETFIRST5(ONEPLAYERFN, rated("Now", 70));
  const std::vector<std::pair<std::string, int>> want = {
      {"", 0}, {"Now", 70}, {"Bob", 70}, {"Cid", 70}, {"Ann", 60}, {"Ann", 50}};
  for (int t = 1; t <= 5; ++t) {
    EXPECT_EQ(FIRST5[size_t(t)].NAME, want[size_t(t)].first) << "rank " << t;
    EXPECT_EQ(FIRST5[size_t(t)].BAKS, want[size_t(t)].second) << "rank " << t;
  }
}

TEST(TopFive, ZeroRatingsNeverAppear) {
  TempDir dir;
  // NP rated 0 and three rated records: ranks 1 to 3 filled, 4 and 5 empty.
  PLAYREC np = rated("Guest", 5);
  np.ALLTIME = 0;
  write_file(ONEPLAYERFN,
             bytes_of(std::vector<PLAYREC>{rated("A", 3), rated("B", 0), rated("C", 9), rated("D", 6)}));
  GETFIRST5(ONEPLAYERFN, np);
  EXPECT_EQ(FIRST5[1].NAME, "C");
  EXPECT_EQ(FIRST5[2].NAME, "D");
  EXPECT_EQ(FIRST5[3].NAME, "A");
  EXPECT_EQ(FIRST5[3].BAKS, 3);
  EXPECT_TRUE(FIRST5[4].NAME.empty());
  EXPECT_EQ(FIRST5[4].BAKS, 0);
  EXPECT_TRUE(FIRST5[5].NAME.empty());

  // A table rated 0 throughout gives an empty top five, whatever was there before.
  write_file(ONEPLAYERFN, bytes_of(std::vector<PLAYREC>{rated("A", 0), rated("B", 0)}));
  GETFIRST5(ONEPLAYERFN, PLAYREC{});
  for (int t = 1; t <= 5; ++t) {
    EXPECT_TRUE(FIRST5[size_t(t)].NAME.empty()) << t;
    EXPECT_EQ(FIRST5[size_t(t)].BAKS, 0) << t;
  }

  // A missing table ranks NP alone; NP rated 0 then leaves everything empty.
  GETFIRST5("no-such-table.qora", rated("Solo", 4));
  EXPECT_EQ(FIRST5[1].NAME, "Solo");
  EXPECT_EQ(FIRST5[1].BAKS, 4);
  EXPECT_TRUE(FIRST5[2].NAME.empty());
  GETFIRST5("no-such-table.qora", np);
  EXPECT_TRUE(FIRST5[1].NAME.empty());
  EXPECT_EQ(FIRST5[1].BAKS, 0);
}

TEST(TopFive, BytesAfterTheNameLengthNeverMatter) {
  TempDir dir;
  PLAYREC a = rated("Ivan", 8), b = rated("Ivan", 8), c = rated("Ivan", 8);
  std::memset(a.NAME.CH + 4, 'x', sizeof a.NAME.CH - 4);
  std::memset(b.NAME.CH + 4, 'y', sizeof b.NAME.CH - 4);
  c.NAME.assign("Iva");  // a shorter name over the same bytes is another name
  c.NAME.CH[3] = 'n';
  write_file(ONEPLAYERFN, bytes_of(std::vector<PLAYREC>{a, b, c}));
  GETFIRST5(ONEPLAYERFN, PLAYREC{});
  EXPECT_EQ(FIRST5[1].NAME, "Ivan");
  EXPECT_EQ(FIRST5[2].NAME, "Iva");
  EXPECT_EQ(FIRST5[3].BAKS, 0);
}

TEST(TopFive, DamagedTablesNeverCrashTheReader) {
  TempDir dir;
  std::mt19937 rng(12345);
  const std::string good = bytes_of(table_of(12));
  for (int round = 0; round < 300; ++round) {
    std::string b = good;
    const int flips = 1 + int(rng() % 40);
    for (int i = 0; i < flips; ++i) b[rng() % b.size()] = char(rng());
    b.resize(rng() % (b.size() + 1));
    write_file(ONEPLAYERFN, b);
    GETFIRST5(ONEPLAYERFN, rated("np", uint16_t(rng() % 5)));
    for (int t = 1; t <= 5; ++t) {
      EXPECT_LE(FIRST5[size_t(t)].NAME.size(), 41u);
      if (t > 1 && FIRST5[size_t(t)].BAKS) {
        EXPECT_LE(FIRST5[size_t(t)].BAKS, FIRST5[size_t(t - 1)].BAKS) << "ranked by rating";
      }
    }
  }
}

// ---- Failures at every step ------------------------------------------------------

struct Scenario {
  const char* label;
  std::function<void()> setup;  // fills the empty working folder
  std::function<bool()> append;
  std::string file;             // the table or base being appended to
};

std::vector<Scenario> scenarios() {
  return {
      {"table with room",
       [] {
         write_file(ONEPLAYERFN, bytes_of(table_of(5)));
         write_file("Res.bak", "an older backup");
       },
       [] { return scorefiles::append_score(rated("new", 3), ONEPLAYERFN); }, ONEPLAYERFN},
      {"full table, dated name taken",
       [] {
         write_file(ONEPLAYERFN, bytes_of(table_of(20)));
         write_file(kTableArchive, "archived this morning");
       },
       [] { return scorefiles::append_score(rated("new", 3), ONEPLAYERFN); }, ONEPLAYERFN},
      {"base with room",
       [] { write_file(RESFN, bytes_of(std::vector<RESULTREC>(3, result("a - b", {1})))); },
       [] { return scorefiles::append_result(result("c - d", {2}, {3}), RESFN); }, RESFN},
      {"missing table", [] {},
       [] { return scorefiles::append_score(rated("first", 3), TWOPLAYERSFN); }, TWOPLAYERSFN},
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
  const auto now = snapshot(".");
  const bool had = before.count(s.file) > 0;
  const bool committed = now.count(s.file) && now.at(s.file) == done.at(s.file);
  if (!committed) {
    if (had)
      EXPECT_EQ(now.count(s.file) ? now.at(s.file) : "<gone>", before.at(s.file)) << where;
    else
      EXPECT_FALSE(now.count(s.file)) << where;
  }
  for (const auto& [name, bytes] : now) {
    if (name == s.file || name == LOCKFN) continue;
    if (is_temp(name)) {
      EXPECT_TRUE(killed) << where << ": temporary file left behind: " << name;
      continue;
    }
    if (name == "Res.bak") {
      const bool prior = before.count(name) && before.at(name) == bytes;
      EXPECT_TRUE(prior || (had && bytes == before.at(s.file))) << where << ": torn backup";
      continue;
    }
    if (before.count(name)) {
      EXPECT_EQ(bytes, before.at(name)) << where << ": " << name << " changed";
    } else {
      // A new archive: the complete old records, kept only once the table
      // has dropped them; after a kill also a name just claimed (empty) or
      // an archive made just before the table was replaced.
      const bool complete = done.count(name) && bytes == done.at(name);
      EXPECT_TRUE((complete && (committed || killed)) || (killed && bytes.empty() && !committed))
          << where << ": archive " << name << " holds " << bytes.size() << " bytes";
    }
  }
  if (committed) {
    for (const auto& [name, bytes] : done)
      if (!is_temp(name) && name != "Res.bak") {
        EXPECT_TRUE(now.count(name)) << where << ": " << name;
      }
  }
  return committed;
}

TEST(ScoreFilesFaults, FailureAtEveryStepLeavesEveryFileWhole) {
  TempDir dir;
  std::set<std::string> kinds;
  for (const Scenario& s : scenarios()) {
    clear_dir(".");
    s.setup();
    const auto before = snapshot(".");
    platform::faults::disarm();
    ASSERT_TRUE(s.append()) << s.label;
    const long steps = platform::faults::count();
    const auto trace = platform::faults::trace();
    kinds.insert(trace.begin(), trace.end());
    const auto done = snapshot(".");
    ASSERT_GT(steps, 5) << s.label;

    for (long n = 1; n <= steps; ++n) {
      const std::string where = std::string(s.label) + ", step " + std::to_string(n) + " (" +
                                trace[size_t(n - 1)] + ")";
      clear_dir(".");
      s.setup();
      platform::faults::arm(n);
      testing::internal::CaptureStderr();
      const bool ok = s.append();
      const std::string err = testing::internal::GetCapturedStderr();
      platform::faults::disarm();
      EXPECT_FALSE(ok) << where;
      EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << where << ": " << err;
      const bool committed = check_interrupted(s, before, done, false, where);
      // Only the flush of the folder after the final rename comes after the commit.
      if (committed) {
        EXPECT_GT(n, steps - 2) << where;
      }

      // The next append works from whatever state was left.
      ASSERT_TRUE(s.append()) << where;
      const std::string after = read_file(s.file);
      const size_t rec = s.file == RESFN ? sizeof(RESULTREC) : sizeof(PLAYREC);
      EXPECT_EQ(after.size() % rec, 0u) << where;
      if (!committed) {
        EXPECT_EQ(after, done.at(s.file)) << where;
      }
    }
  }
  for (const char* k : {"open", "read", "write", "fsync", "close", "rename", "lock"})
    EXPECT_TRUE(kinds.count(k)) << "no step of kind " << k << " was tried";
}

// Forks a child that runs f and is expected to die by SIGKILL (or exit 0).
int run_child(const std::function<void()>& f) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    f();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

TEST(ScoreFilesFaults, KillAtEveryStepLeavesOldOrNewContent) {
  TempDir dir;
  for (const Scenario& s : scenarios()) {
    clear_dir(".");
    s.setup();
    const auto before = snapshot(".");
    platform::faults::disarm();
    ASSERT_TRUE(s.append());
    const long steps = platform::faults::count();
    const auto done = snapshot(".");

    for (long n = 1; n <= steps; ++n) {
      const std::string where = std::string(s.label) + ", killed before step " + std::to_string(n);
      clear_dir(".");
      s.setup();
      const int status = run_child([&] {
        platform::faults::arm(n, platform::faults::Mode::kill);
        s.append();
      });
      ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << where;
      check_interrupted(s, before, done, true, where);
      ASSERT_TRUE(s.append()) << where;
      for (const auto& [name, bytes] : snapshot(".")) {
        EXPECT_FALSE(is_temp(name)) << where << ": the next append left " << name;
      }
    }
  }
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
  int written = 0;  // records known to be in the base so far
  for (int round = 0; round < 40; ++round) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      const auto have = base_names(read_file(RESFN)).size();
      for (size_t k = have;; ++k) scorefiles::append_result(result("w" + std::to_string(k)), RESFN);
    }
    // Read while the writer runs, then kill it at a random moment.
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(rng() % 20000);
    do {
      const std::string b = read_file(RESFN);
      EXPECT_EQ(b.size() % sizeof(RESULTREC), 0u) << "reader saw a torn base";
    } while (std::chrono::steady_clock::now() < until);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);

    const std::string b = read_file(RESFN);
    ASSERT_EQ(b.size() % sizeof(RESULTREC), 0u) << "round " << round;
    const auto names = base_names(b);
    ASSERT_GE(int(names.size()), written) << "records were lost in round " << round;
    for (size_t k = 0; k < names.size(); ++k) ASSERT_EQ(names[k], "w" + std::to_string(k));
    written = int(names.size());
  }
  EXPECT_GT(written, 0);
}

TEST(ScoreFilesConcurrency, GamesAppendingAtOnceLoseNothing) {
  TempDir dir;
  constexpr int kGames = 4, kEach = 15;
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

  // 60 games in a table of 20: the table and its archives hold each game once.
  std::multiset<std::string> games;
  int archives = 0;
  for (const auto& [name, bytes] : snapshot(".")) {
    if (name == TWOPLAYERSFN || (name.rfind("2p051226", 0) == 0 && name.size() > 8)) {
      archives += name != TWOPLAYERSFN;
      ASSERT_EQ(bytes.size() % sizeof(PLAYREC), 0u) << name;
      for (const auto& n : names_in(scorefiles::parse_scores(bytes))) games.insert(n);
    }
  }
  EXPECT_EQ(archives, 2);
  std::multiset<std::string> base;
  for (const auto& n : base_names(read_file(RESFN))) base.insert(n);
  std::multiset<std::string> want;
  for (int g = 0; g < kGames; ++g)
    for (int i = 0; i < kEach; ++i) want.insert("p" + std::to_string(g) + "-" + std::to_string(i));
  EXPECT_EQ(games, want);
  EXPECT_EQ(base, want);
}

}  // namespace
}  // namespace qora
