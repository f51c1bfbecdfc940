// Score tables and results base: archives, the top five, and appends that survive faults, kills and rivals.
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
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

#include "platform/safefile.h"
#include "state/globals.h"
#include "support/records.h"
#include "tasks/scorefiles.h"

namespace qora {
namespace {

namespace fs = std::filesystem;
using test::bytes_of;
using test::read_file;
using test::write_file;
using Files = std::map<std::string, std::string>;
constexpr auto rated = test::game;  // rated(name, rating)

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

TEST_F(ScoreFiles, FullFilesGoWholeToTheFirstFreeDatedArchiveATornTailIsDropped) {
  // 19 records and a torn tail (a record rated 99 but its last byte): readers
  // ignore the tail, the append drops it, the backup keeps the file as it was.
  const std::string torn = table_of(19) + bytes_of(rated("torn", 99)).substr(0, 52);
  write_file(ONEPLAYERFN, torn);
  GETFIRST5(ONEPLAYERFN, PLAYREC{});
  EXPECT_EQ(FIRST5[1].NAME, "game18");
  PLAYER[2] = rated("first", 5);
  ADDSCORE(2, ONEPLAYERFN);
  EXPECT_EQ(read_file(ONEPLAYERFN), table_of(19) + bytes_of(PLAYER[2]));
  EXPECT_EQ(read_file(BAKFN), torn);
  EXPECT_FALSE(fs::exists(kTableArchive));

  // 20 records or one more (21: over-full); each table under its own first two characters.
  const std::tuple<const char*, int, const char*> full[] = {
      {ONEPLAYERFN, 20, kTableArchive}, {ONEPLAYERFN, 21, "1p051226_2.old"},
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
  std::vector<RESULTREC> base(1500, test::res("05.12.2026 - Ivan", {1}));
  write_file(RESFN, bytes_of(base));
  write_file("res_2026_12_05.old", "an older archive");
  PLAYERRESULT[1] = test::res("05.12.2026 - Olga", {3});
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

// (A table that cannot be read is never taken for a missing one: the faults test fails its every read.)
TEST_F(ScoreFiles, BadPlayerSavesNothingWithOneLineEach) {
  testing::internal::CaptureStderr();
  ADDSCORE(3, ONEPLAYERFN);
  ADDSCORE(-1, ONEPLAYERFN);
  ADDRESULT(2, RESFN);
  EXPECT_EQ(lines(testing::internal::GetCapturedStderr()), 3);
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(ScoreFiles, ResultsLeftPendingWhileTheLockIsHeldAreAddedInWriteOrder) {
  write_file(ONEPLAYERFN, table_of(2));
  const int fd = ::open(LOCKFN, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // another game is saving
  scorefiles::set_lock_wait_ms(150);
  testing::internal::CaptureStderr();
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(scorefiles::save_score(rated("late", 1), ONEPLAYERFN), scorefiles::Saved::pending);
  EXPECT_EQ(scorefiles::save_score(rated("later", 2), ONEPLAYERFN), scorefiles::Saved::pending);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(280));
  EXPECT_EQ(lines(testing::internal::GetCapturedStderr()), 2);
  EXPECT_EQ(read_file(ONEPLAYERFN), table_of(2));
  // Released in the middle of the next wait: that append adds the waiting ones first.
  scorefiles::set_lock_wait_ms(5000);
  std::thread releaser([fd] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); ::close(fd); });
  EXPECT_TRUE(scorefiles::append_score(rated("last", 3), ONEPLAYERFN));
  releaser.join();
  EXPECT_EQ(read_file(ONEPLAYERFN), table_of(2) + bytes_of(std::vector{rated("late", 1), rated("later", 2), rated("last", 3)}));
  // A result left pending by a game that then ended is added at the next start.
  write_file(std::string(PENDINGPREFIX) + "0000000000000001.1.1.r." + RESFN, bytes_of(test::res("x - y", {1})));
  EXPECT_TRUE(scorefiles::merge_pending("."));
  EXPECT_EQ(read_file(RESFN), bytes_of(test::res("x - y", {1})));
  for (const auto& [name, bytes] : snapshot()) EXPECT_TRUE(name == LOCKFN || name[0] != '.') << name;
}

TEST_F(ScoreFiles, TopFiveRanksDistinctEntriesByRatingWithNpFirstOnTies) {
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

// Fills the empty folder; save(0) saves the new record, save(1) the next one.
struct Scenario {
  std::string label, file;
  std::function<void()> setup;
  std::function<std::string(int)> record;  // the bytes of record i
  std::function<scorefiles::Saved(int)> save;
};

bool is_ours(const std::string& name) { return name.rfind(".qora.", 0) == 0 && name != LOCKFN; }
bool is_pending(const std::string& name) { return name.rfind(PENDINGPREFIX, 0) == 0; }

// The records of a scenario's file as they stand: the archives made since
// `before`, then the table; and the records in pending files.
struct Disk {
  std::string ordered;
  std::multiset<std::string> pending;
  bool empty_archive = false;
};
Disk disk(const Scenario& s, const Files& before) {
  Disk d;
  const Files now = snapshot();
  for (const auto& [name, bytes] : now) {
    if (name.size() > 4 && name.ends_with(".old") && !before.count(name)) {
      d.empty_archive |= bytes.empty();
      d.ordered += bytes;
    } else if (is_pending(name)) {
      d.pending.insert(bytes);
    } else if (before.count(name) && name != s.file && name != BAKFN && !is_pending(name)) {
      EXPECT_EQ(bytes, before.at(name)) << name << " changed";
    }
  }
  if (now.count(s.file)) d.ordered += now.at(s.file);
  return d;
}

TEST_F(ScoreFiles, FailureOrKillAtEveryStepLosesAndRepeatsNothing) {
  using scorefiles::Saved;
  const auto srec = [](int i) { return bytes_of(rated("new" + std::to_string(i), 3)); };
  const auto ssave = [](int i) { return scorefiles::save_score(rated("new" + std::to_string(i), 3), ONEPLAYERFN); };
  // Older results of another game, waiting in write order (names out of order on purpose).
  const auto waiting = [] {
    for (int i : {3, 1, 2})
      write_file(std::string(PENDINGPREFIX) + "000000000000000" + std::to_string(i) + ".7.1.s." + ONEPLAYERFN,
                 bytes_of(rated("wait" + std::to_string(i), 1)));
  };
  const Scenario scenarios[] = {
      {"table with room", ONEPLAYERFN,
       [] { write_file(ONEPLAYERFN, table_of(5)); write_file(BAKFN, "an older backup"); }, srec, ssave},
      // Fills the table, archives it under the next free dated name, starts it again.
      {"others waiting fill the table", ONEPLAYERFN,
       [&] { write_file(ONEPLAYERFN, table_of(18)); write_file(kTableArchive, "archived this morning"); waiting(); },
       srec, ssave},
      {"missing base", RESFN, [] {}, [](int i) { return bytes_of(test::res("c - d", {2 + i})); },
       [](int i) { return scorefiles::save_result(test::res("c - d", {2 + i}), RESFN); }},
  };
  std::set<std::string> kinds;
  platform::faults::skip_fsync(true);  // hundreds of updates: their steps matter here, not the disk
  for (const Scenario& s : scenarios) {
    auto reset = [&] { for (const auto& e : fs::directory_iterator(".")) fs::remove_all(e.path()); s.setup(); };
    reset();
    const Files before = snapshot();
    // Everything before the new record, in the order it must end up in.
    std::string old = before.count(s.file) ? before.at(s.file) : "";
    for (const auto& [name, bytes] : before) if (is_pending(name)) old += bytes;
    platform::faults::disarm();
    ASSERT_EQ(s.save(0), Saved::stored) << s.label;
    const long steps = platform::faults::count();
    const auto trace = platform::faults::trace();
    kinds.insert(trace.begin(), trace.end());
    for (const bool kill : {false, true}) {
      for (long n = 1; n <= steps; ++n) {
        const std::string where = s.label + (kill ? ", killed before step " : ", step ") +
                                  std::to_string(n) + " (" + trace[size_t(n - 1)] + ")";
        reset();
        Saved got = Saved::pending;
        if (kill) {
          if (::fork() == 0) { platform::faults::arm(n, platform::faults::Mode::kill); s.save(0); ::_exit(0); }
          int status = 0;
          ASSERT_TRUE(::wait(&status) > 0 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << where;
        } else {
          platform::faults::arm(n);
          testing::internal::CaptureStderr();
          got = s.save(0);
          platform::faults::disarm();
          EXPECT_EQ(lines(testing::internal::GetCapturedStderr()), got == Saved::stored ? 0 : 1) << where;
        }
        // Nothing torn, no empty archive, and the answer tells where the record is. (Until the
        // next holder of the lock settles the journal, a merged pending file or an archive of
        // a step that did not commit may still be there.)
        const Disk mid = disk(s, before);
        const std::string table = fs::exists(s.file) ? read_file(s.file) : "";
        EXPECT_FALSE(mid.empty_archive) << where;
        EXPECT_EQ(table.size() % s.record(0).size(), 0u) << where;
        const bool in_table = table.ends_with(s.record(0)), kept = in_table || mid.pending.count(s.record(0));
        if (!kill) {
          EXPECT_EQ(got == Saved::stored, in_table) << where;
          EXPECT_EQ(got == Saved::pending, kept && !in_table) << where;
          EXPECT_EQ(got == Saved::unsaved, !kept && scorefiles::unsaved_count() == 1) << where;
        }
        // The next save settles whatever was left and adds a record held in memory first:
        // then every record is there exactly once, in the order of saving.
        ASSERT_EQ(s.save(1), Saved::stored) << where;
        const Disk after = disk(s, before);
        const bool held = !kill && got == Saved::unsaved;
        EXPECT_EQ(after.ordered, old + (kept || held ? s.record(0) : "") + s.record(1)) << where;
        EXPECT_FALSE(after.empty_archive) << where;
        for (const auto& [name, bytes] : snapshot()) EXPECT_FALSE(is_ours(name)) << where << ": " << name;
      }
    }
  }
  platform::faults::skip_fsync(false);
  for (const char* k : {"open", "read", "write", "fsync", "close", "rename", "link", "unlink", "chmod", "lock"})
    EXPECT_TRUE(kinds.count(k)) << "no step of kind " << k << " was tried";
}

// The names in a file's records in the order they were stored: its archives
// (the files named from prefix), then the file.
std::vector<std::string> stored(const std::string& prefix, const std::string& file, bool* empty_archive = nullptr) {
  std::string all;
  bool empty = false;
  for (const auto& [name, bytes] : snapshot())
    if (name.rfind(prefix, 0) == 0) all += bytes, empty |= bytes.empty();
  if (empty_archive) *empty_archive = empty;
  all += read_file(file);
  std::vector<std::string> names;
  if (file == RESFN) for (const RESULTREC& r : scorefiles::parse_results(all)) names.push_back(r.NAME.str());
  else for (const PLAYREC& r : scorefiles::parse_scores(all)) names.push_back(r.NAME.str());
  return names;
}

TEST_F(ScoreFiles, WriterKilledAtRandomMomentsNeverTearsTheFile) {
  std::mt19937 rng(777);
  // Close to the archive boundary, so that the writer crosses it.
  std::vector<RESULTREC> base;
  for (int k = 0; k < 1497; ++k) base.push_back(test::res("w" + std::to_string(k), {1}));
  write_file(RESFN, bytes_of(base));
  size_t written = base.size();  // records known to be stored so far
  // At least 40 kills, and on until the writer has crossed the boundary (a
  // loaded machine lets it store little between two kills).
  for (int round = 0; round < 400 && (round < 40 || written <= size_t(MAXRESULT)); ++round) {
    const pid_t pid = ::fork();
    if (pid == 0)
      for (size_t k = written;; ++k) scorefiles::append_result(test::res("w" + std::to_string(k), {1}), RESFN);
    // Read while the writer runs, then kill it at a random moment.
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(rng() % 20000);
    do {
      EXPECT_EQ(read_file(RESFN).size() % sizeof(RESULTREC), 0u) << "reader saw a torn base";
    } while (std::chrono::steady_clock::now() < until);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ASSERT_TRUE(scorefiles::merge_pending("."));  // what the next start does
    bool empty_archive = false;
    const auto names = stored("res_", RESFN, &empty_archive);
    ASSERT_FALSE(empty_archive) << "round " << round;
    ASSERT_GE(names.size(), written) << "records were lost in round " << round;
    for (size_t k = 0; k < names.size(); ++k) ASSERT_EQ(names[k], "w" + std::to_string(k)) << "round " << round;
    written = names.size();
  }
  EXPECT_GT(written, size_t(MAXRESULT));
}

TEST_F(ScoreFiles, GamesSavingAtOnceOnASlowShareStoreEveryRecordOnceInOrder) {
  constexpr int kGames = 6, kEach = 5;
  auto name = [](int g, int i) { return "p" + std::to_string(g) + "-" + std::to_string(i); };
  for (int g = 0; g < kGames; ++g) {
    if (::fork() == 0) {
      platform::faults::set_fsync_delay(std::chrono::milliseconds(3));
      bool kept = true;  // stored, or waiting in a pending file
      for (int i = 0; i < kEach; ++i)
        kept &= scorefiles::save_score(rated(name(g, i), 1), TWOPLAYERSFN) != scorefiles::Saved::unsaved &&
                scorefiles::save_result(test::res(name(g, i), {g}), RESFN) != scorefiles::Saved::unsaved;
      ::_exit(kept ? 0 : 1);
    }
  }
  for (int g = 0, status = 0; g < kGames; ++g)
    EXPECT_TRUE(::wait(&status) > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(scorefiles::merge_pending("."));
  // 30 games in a table of 20: its archive, then the table, hold each game once, every
  // game's own records in the order it saved them; the base likewise.
  for (const auto& got : {stored("2p051226", TWOPLAYERSFN), stored("res_", RESFN)}) {
    std::map<std::string, int> next;  // per game: the record expected next
    for (const auto& n : got) EXPECT_EQ(n, name(n[1] - '0', next[n.substr(0, 2)]++));
    EXPECT_EQ(got.size(), size_t(kGames * kEach));
  }
}

// Runs f in a child process as the user nobody (uid and gid 65534, umask
// 022), as a pupil logged in under another name would; its status is f's.
int as_other_user(const std::function<int()>& f) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::umask(022);
    if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0)
      ::_exit(99);
    ::_exit(f());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct SharedFolder : ScoreFiles {
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "acting as a second user needs root";
  }
  static int save_as_other(const std::string& name) {
    return int(scorefiles::save_score(rated(name, 2), ONEPLAYERFN));
  }
};

TEST_F(SharedFolder, PupilsLoggedInAsDifferentUsersAllSave) {
  ::umask(022);
  fs::permissions(".", fs::perms::all);
  // The first game of the class makes the lock file, which the umask must not close to the others.
  ASSERT_TRUE(scorefiles::append_score(rated("root", 1), ONEPLAYERFN));
  EXPECT_EQ(fs::status(LOCKFN).permissions() & fs::perms::all, fs::perms(0666));
  fs::permissions(ONEPLAYERFN, fs::perms(0664));
  EXPECT_EQ(as_other_user([] { return save_as_other("nobody"); }), int(scorefiles::Saved::stored));
  // A lock file left by an older version (0644, another owner) is locked read-only.
  fs::permissions(LOCKFN, fs::perms(0644));
  EXPECT_EQ(as_other_user([] { return save_as_other("nobody again"); }), int(scorefiles::Saved::stored));
  ASSERT_TRUE(scorefiles::append_score(rated("root again", 1), ONEPLAYERFN));
  EXPECT_EQ(read_file(ONEPLAYERFN),
            bytes_of(std::vector{rated("root", 1), rated("nobody", 2), rated("nobody again", 2), rated("root again", 1)}));
  EXPECT_EQ(fs::status(ONEPLAYERFN).permissions() & fs::perms::all, fs::perms(0664));  // kept through every rewrite
}

TEST_F(SharedFolder, ALeaseOfAnotherUserThatWasClosedToTheOthersIsStillAgedAndBroken) {
  fs::permissions(".", fs::perms::all);
  // A game of a user whose umask closes new files to everyone else dies holding the lock.
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::umask(077);
    platform::FileLock lock;
    std::string err;
    ::_exit(lock.acquire(".", 0, err) == platform::FileLock::Status::acquired ? 0 : 1);  // no release
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(fs::status(platform::LEASE_NAME).permissions() & fs::perms::all, fs::perms(0644));
  // A pupil logged in under another name may read it, sees that its game is gone, and saves.
  EXPECT_EQ(as_other_user([] { return save_as_other("nobody"); }), int(scorefiles::Saved::stored));
  // One this user may not read at all (left by an older game, or planted) is judged
  // by its age alone: kept while fresh, broken once old.
  write_file(platform::LEASE_NAME, "not for the others");
  fs::permissions(platform::LEASE_NAME, fs::perms(0600));
  EXPECT_EQ(as_other_user([] {
              scorefiles::set_lock_wait_ms(200);
              return save_as_other("fresh");
            }),
            int(scorefiles::Saved::pending));
  fs::last_write_time(platform::LEASE_NAME, fs::file_time_type::clock::now() - std::chrono::hours(1));
  EXPECT_EQ(as_other_user([] { return save_as_other("old"); }), int(scorefiles::Saved::stored));
  EXPECT_EQ(read_file(ONEPLAYERFN), bytes_of(std::vector{rated("nobody", 2), rated("fresh", 2), rated("old", 2)}));
  EXPECT_FALSE(fs::exists(platform::LEASE_NAME));
  // A game whose lease was broken while it was paused leaves alone, on release, the
  // new holder's lease even when it may not read it.
  EXPECT_EQ(as_other_user([] {
              platform::FileLock paused;
              std::string err;
              if (paused.acquire(".", 0, err) != platform::FileLock::Status::acquired) return 2;
              fs::rename(platform::LEASE_NAME, "broken");
              write_file(platform::LEASE_NAME, "the new holder's");
              fs::permissions(platform::LEASE_NAME, fs::perms::none);
              paused.release();
              return fs::exists(platform::LEASE_NAME) ? 0 : 1;
            }),
            0);
}

TEST_F(SharedFolder, AFolderThatCannotBeUsedSafelyIsNamedAndTheResultWaits) {
  struct Case {
    const char* label;
    fs::perms folder;
    fs::perms lock;  // a root-owned lock file with these bits
    scorefiles::Saved saved;
    const char* advice;  // in the one line
  };
  const Case cases[] = {
      {"sticky", fs::perms(01777), fs::perms(0666), scorefiles::Saved::pending, "chmod -t "},
      {"read-only", fs::perms(0755), fs::perms(0666), scorefiles::Saved::unsaved, "chmod 2770 "},
      {"lock closed", fs::perms(0777), fs::perms(0600), scorefiles::Saved::pending, "chmod a+r "},
  };
  const std::string folder = fs::current_path().string();
  for (const Case& c : cases) {
    for (const auto& e : fs::directory_iterator(".")) fs::remove_all(e.path());
    write_file(ONEPLAYERFN, table_of(1));
    write_file(LOCKFN, "");
    fs::permissions(LOCKFN, c.lock);
    fs::permissions(".", c.folder);
    testing::internal::CaptureStderr();
    EXPECT_EQ(as_other_user([] { return save_as_other("nobody"); }), int(c.saved)) << c.label;
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(lines(err), 1) << c.label;
    EXPECT_NE(err.find(c.advice + (c.lock == fs::perms(0600) ? folder + "/" + LOCKFN : folder)), std::string::npos)
        << c.label << ": " << err;
    EXPECT_EQ(read_file(ONEPLAYERFN), table_of(1)) << c.label;
    // Once the folder is fixed (here: by a user it does not stop), the waiting result goes in.
    ASSERT_TRUE(scorefiles::append_score(rated("root", 1), ONEPLAYERFN)) << c.label;
    const auto want = table_of(1) + (c.saved == scorefiles::Saved::pending ? bytes_of(rated("nobody", 2)) : "") +
                      bytes_of(rated("root", 1));
    EXPECT_EQ(read_file(ONEPLAYERFN), want) << c.label;
  }
}


// ---- A hostile folder --------------------------------------------------------

namespace hostile {

int run_with_timeout(const std::function<int()>& f, int seconds) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(unsigned(seconds));  // a hang ends the child by SIGALRM
    ::_exit(f());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace hostile

// Another user plants links, FIFOs, oversized and foreign files in a 0777
// class folder; then a game of a user with a private file saves there.
TEST_F(ScoreFiles, PlantedFilesAreNeverFollowedCopiedOrWaitedOnAndTheResultIsKept) {
  std::string home = (fs::temp_directory_path() / "qora-home-XXXXXX").string();
  ASSERT_TRUE(::mkdtemp(home.data()));  // the victim's own folder, outside the class folder
  const fs::path secret = fs::path(home) / "secret";
  struct Gone { std::string p; ~Gone() { fs::remove_all(p); } } gone{home};
  write_file(secret, "SECRET of the victim");
  fs::permissions(secret, fs::perms(0600));
  fs::permissions(".", fs::perms::all);
  write_file(ELFN, "the element table");
  const std::string two = table_of(3), journal_table = table_of(4);
  write_file(TWOPLAYERSFN, two);
  write_file("keep.txt", "another pupil's file");
  const std::string foreign_pend = std::string(PENDINGPREFIX) + "0000000000000001.1.1.s.001";
  const std::string fifo_pend = std::string(PENDINGPREFIX) + "0000000000000002.1.1.r." + RESFN;
  const std::string big_pend = std::string(PENDINGPREFIX) + "0000000000000003.1.1.s." + TWOPLAYERSFN;
  const auto plant = [&] {
    const std::string s = secret.string();
    bool ok = ::symlink(s.c_str(), LOCKFN) == 0 && ::symlink(s.c_str(), ONEPLAYERFN) == 0 &&
              ::symlink(s.c_str(), BAKFN) == 0 && ::mkfifo(RESFN, 0666) == 0 && ::mkfifo(fifo_pend.c_str(), 0666) == 0;
    write_file(foreign_pend, bytes_of(rated("planted", 9)));
    write_file(big_pend, std::string(10000, 'x'));
    // A journal that says a step committed (the table's size and checksum are
    // those of the 2-player table) and names another pupil's file as taken.
    write_file(MERGEFN, "qora merge 1\ntable " + std::string(TWOPLAYERSFN) + "\nrecord 53\nnew 159 0\narchive -\npending keep.txt\n");
    return ok ? 0 : 1;
  };
  // The planter is another user when the test may act as one.
  ASSERT_EQ(::geteuid() == 0 ? as_other_user(plant) : plant(), 0);
  testing::internal::CaptureStderr();
  const int victim = hostile::run_with_timeout([] {
    const bool kept = scorefiles::save_score(rated("me", 1), ONEPLAYERFN) == scorefiles::Saved::pending &&
                      scorefiles::save_result(test::res("me - 1", {1}), RESFN) == scorefiles::Saved::pending &&
                      scorefiles::save_score(rated("me too", 2), TWOPLAYERSFN) == scorefiles::Saved::stored;
    return kept && scorefiles::merge_pending(".") == false ? 0 : 1;
  }, 20);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(victim, 0) << err;  // no hang, and each result where it belongs
  // Nothing outside what the game owns changed, and nothing leaked.
  EXPECT_EQ(read_file(secret), "SECRET of the victim");
  EXPECT_EQ(fs::status(secret).permissions(), fs::perms(0600));
  EXPECT_EQ(read_file(ELFN), "the element table");
  EXPECT_EQ(read_file("keep.txt"), "another pupil's file");
  for (const char* link : {LOCKFN, ONEPLAYERFN}) EXPECT_TRUE(fs::is_symlink(link)) << link;
  for (const auto& name : {std::string(RESFN), fifo_pend}) EXPECT_TRUE(fs::is_fifo(name)) << name;
  EXPECT_EQ(read_file(foreign_pend), bytes_of(rated("planted", 9)));
  EXPECT_EQ(fs::file_size(big_pend), 10000u);
  for (const auto& e : fs::directory_iterator(".")) {
    if (fs::is_regular_file(fs::symlink_status(e.path()))) {
      EXPECT_EQ(read_file(e.path()).find("SECRET"), std::string::npos) << e.path().string();
    }
  }
  EXPECT_EQ(read_file(TWOPLAYERSFN), two + bytes_of(rated("me too", 2)));
  // The two kept results wait in pending files of the game's own.
  int mine = 0;
  for (const auto& [name, bytes] : snapshot())
    mine += is_pending(name) && (bytes == bytes_of(rated("me", 1)) || bytes == bytes_of(test::res("me - 1", {1})));
  EXPECT_EQ(mine, 2);
  // Each planted thing named on stderr, each once.
  for (const std::string& named : {foreign_pend, big_pend, std::string(ONEPLAYERFN), std::string(LOCKFN)}) {
    const std::string line = "\nqora: " + named + " is";
    const size_t at = ("\n" + err).find(line);
    EXPECT_NE(at, std::string::npos) << named << " in " << err;
    EXPECT_EQ(("\n" + err).find(line, at + 1), std::string::npos) << named << " named twice in " << err;
  }
}

TEST_F(ScoreFiles, AFolderPlantedUnderTheLocksNameIsLeftAloneAndTheSaveGoesOn) {
  fs::create_directory(LOCKFN);
  testing::internal::CaptureStderr();
  EXPECT_EQ(scorefiles::save_score(rated("me", 1), ONEPLAYERFN), scorefiles::Saved::stored);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(read_file(ONEPLAYERFN), bytes_of(rated("me", 1)));
  EXPECT_TRUE(fs::is_directory(LOCKFN));
  EXPECT_NE(err.find(std::string(LOCKFN) + " is not a lock file"), std::string::npos) << err;
}

TEST_F(ScoreFiles, WithoutHardLinksASaveIsStoredExactlyOnce) {
  platform::faults::fail_links(true);
  write_file(ONEPLAYERFN, table_of(19));
  EXPECT_EQ(scorefiles::save_score(rated("a", 1), ONEPLAYERFN), scorefiles::Saved::stored);
  EXPECT_EQ(scorefiles::save_score(rated("b", 1), ONEPLAYERFN), scorefiles::Saved::stored);  // archives the full table
  platform::faults::fail_links(false);
  EXPECT_EQ(read_file(kTableArchive), table_of(19) + bytes_of(rated("a", 1)));
  EXPECT_EQ(read_file(ONEPLAYERFN), bytes_of(rated("b", 1)));
  for (const auto& [name, bytes] : snapshot()) EXPECT_TRUE(name == LOCKFN || name[0] != '.') << name;
}

TEST_F(ScoreFiles, AHolderSlowedByTheShareChangesNothingOnceAnotherGameHasBrokenItsLease) {
  // Only the lease orders the games here (a link stands under the lock file's
  // name), and every flush takes longer than the lease time.
  ASSERT_EQ(::symlink("nowhere", LOCKFN), 0);
  write_file(ONEPLAYERFN, table_of(3));
  platform::set_lease_ms(300);
  const pid_t other = ::fork();
  if (other == 0) {
    // The other game breaks the silent lease and, while it holds the lock, watches the game files.
    while (!fs::exists(platform::LEASE_NAME)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    platform::FileLock lock;
    std::string err;
    if (lock.acquire(".", 10000, err) != platform::FileLock::Status::acquired) ::_exit(2);
    const auto files = [] {
      Files m;
      for (const auto& e : fs::directory_iterator("."))
        if (const std::string n = e.path().filename().string(); n.rfind(".qora.", 0) != 0 || n == MERGEFN)
          m[n] = fs::is_symlink(e.path()) ? "link" : read_file(e.path());
      return m;
    };
    const Files before = files();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const bool unchanged = files() == before;
    lock.release();
    ::_exit(unchanged ? 0 : 1);
  }
  platform::faults::set_fsync_delay(std::chrono::milliseconds(500));
  testing::internal::CaptureStderr();
  const scorefiles::Saved saved = scorefiles::save_score(rated("me", 1), ONEPLAYERFN);
  platform::faults::set_fsync_delay(std::chrono::microseconds(0));
  int status = 0;
  ASSERT_EQ(::waitpid(other, &status, 0), other);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << err;
  // The result was stored before the lease was broken or waits for the next game; either way once.
  EXPECT_NE(saved, scorefiles::Saved::unsaved) << err;
  EXPECT_TRUE(scorefiles::merge_pending("."));
  EXPECT_EQ(read_file(ONEPLAYERFN), table_of(3) + bytes_of(rated("me", 1)));
  platform::set_lease_ms(15000);
}

TEST_F(ScoreFiles, AGameThatLostTheLeaseCommitsNothingAndLeavesTheNewHoldersLease) {
  platform::FileLock paused;
  std::string err;
  ASSERT_EQ(paused.acquire(".", 0, err), platform::FileLock::Status::acquired) << err;
  ASSERT_TRUE(paused.confirm(err)) << err;
  // While it was paused, another computer broke its lease and took its own.
  fs::rename(platform::LEASE_NAME, "broken");
  write_file(platform::LEASE_NAME, "qora lease 1 pc2 77 00000000000000aa\n");
  EXPECT_FALSE(paused.confirm(err));
  EXPECT_NE(err.find("lost"), std::string::npos) << err;
  paused.release();
  EXPECT_EQ(read_file(platform::LEASE_NAME), "qora lease 1 pc2 77 00000000000000aa\n");
  // Another computer's lease on a disk this one shares out is aged like any
  // other, even while this game holds the flock: kept while fresh, broken
  // once it is older than the lease time by the files' own clock.
  platform::set_lease_ms(300);
  platform::FileLock next;
  EXPECT_EQ(next.acquire(".", 0, err), platform::FileLock::Status::busy);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  testing::internal::CaptureStderr();
  EXPECT_EQ(next.acquire(".", 0, err), platform::FileLock::Status::acquired) << err;
  EXPECT_NE(testing::internal::GetCapturedStderr().find("pc2 77"), std::string::npos);
  next.release();
  // A lease of this computer found while holding the flock is a dead game's: broken at once.
  write_file(platform::LEASE_NAME, "qora lease 1 " + platform::fsys::host_name() + " 77 00000000000000bb\n");
  EXPECT_EQ(next.acquire(".", 0, err), platform::FileLock::Status::acquired) << err;
  next.release();
  platform::set_lease_ms(15000);
  EXPECT_FALSE(fs::exists(platform::LEASE_NAME));
}

}  // namespace
}  // namespace qora
