// shared-folder-bench: measures how the score files hold up when a class
// shares one game folder.
//
//   shared-folder-bench contention [GAMES [EACH [FSYNC_MS [PREFILL]]]]
//       GAMES processes (default 30) start at one moment and each saves EACH
//       results (default 10) into one results base, every fsync slowed by
//       FSYNC_MS (default 25) as on a slow network share; the base may start
//       with PREFILL records (default 0). Prints how many results are present
//       exactly once and the slowest save, from the wish to save until the
//       record is in the base.
//   shared-folder-bench kills [ROUNDS]
//       ROUNDS times (default 200) a writer appends results to a base a few
//       records short of its archive limit and is killed with SIGKILL at a
//       random moment; then a game starts as the next one would. Prints the
//       results lost, stored twice, and empty archives.
//
//   shared-folder-bench writer FOLDER NAME EACH [KILL_OP KILL_NTH]
//       One game in FOLDER (which may be a share mounted on another
//       "computer"): waits until FOLDER/../go exists, then saves EACH results
//       (into the base) and EACH scores (into the two-player table) named
//       NAME-0, NAME-1, ... With KILL_OP, one more save follows, killed with
//       SIGKILL just before its KILL_NTH operation of that kind (e.g. rename 3:
//       mid-merge, holding the lock). Prints how many were stored at once.
//   shared-folder-bench count FOLDER NAME:N ...
//       Adds what waits in FOLDER as the next game's start does, then checks
//       that the results and the scores of each NAME, N of each, are stored
//       exactly once in the tables and their archives; NAME:N+R counts R
//       more results of saves killed before their scores.
//
// contention and kills work in a fresh folder under $TMPDIR (or /tmp),
// removed after. Exit status 0 when nothing was lost or stored twice.
#include <signal.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/types.h"
#include "platform/clock.h"
#include "platform/safefile.h"
#include "tasks/scorefiles.h"

namespace {

using namespace qora;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

RESULTREC result(const std::string& name) {
  RESULTREC r;
  r.TEACH = 1;
  r.NAME = name;
  return r;
}

// A fresh folder, the working directory while the object lives.
struct Folder {
  fs::path path, old = fs::current_path();
  Folder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string t = std::string(tmp && *tmp ? tmp : "/tmp") + "/qora-bench-XXXXXX";
    if (!::mkdtemp(t.data())) {
      std::perror("mkdtemp");
      std::exit(2);
    }
    path = t;
    fs::current_path(path);
  }
  ~Folder() {
    fs::current_path(old);
    fs::remove_all(path);
  }
  void clear() const {
    for (const auto& e : fs::directory_iterator(path)) fs::remove_all(e.path());
  }
  std::string kind() const {
    struct statfs s {};
    ::statfs(path.c_str(), &s);
    return s.f_type == 0x01021994 ? "tmpfs" : s.f_type == 0xEF53 ? "ext2/3/4" : "other";
  }
};

// The names in the base as stored: its archives in the order they were made, then the base.
std::vector<std::string> stored_names(bool* empty_archive) {
  std::vector<std::pair<int, std::string>> archives;  // (number, name)
  for (const auto& e : fs::directory_iterator(".")) {
    const std::string n = e.path().filename().string();
    if (n.rfind("res_", 0) != 0 || n.size() < 4 || n.substr(n.size() - 4) != ".old") continue;
    // "res_yyyy_mm_dd.old", then "res_yyyy_mm_dd_2.old" ...
    const int k = n.size() > 18 ? std::atoi(n.c_str() + 15) : 1;
    archives.emplace_back(k, n);
  }
  std::sort(archives.begin(), archives.end());
  std::string all, bytes, err;
  for (const auto& [k, n] : archives) {
    platform::read_whole_file(n, bytes, err);
    if (bytes.empty()) *empty_archive = true;
    all += bytes;
  }
  if (platform::read_whole_file(RESFN, bytes, err) == platform::ReadStatus::ok) all += bytes;
  std::vector<std::string> names;
  for (const RESULTREC& r : scorefiles::parse_results(all)) names.push_back(r.NAME.str());
  return names;
}

int contention(int games, int each, int fsync_ms, int prefill) {
  Folder folder;
  std::printf("contention: %d games x %d results at once, every fsync +%d ms, base starting with %d records, "
              "folder on %s\n",
              games, each, fsync_ms, prefill, folder.kind().c_str());
  {
    std::string base;
    for (int k = 0; k < prefill; ++k) {
      const RESULTREC r = result("old" + std::to_string(k));
      base.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    std::string err;
    if (prefill > 0) platform::replace_file(RESFN, base, err);
  }
  int start[2], report[2];
  if (::pipe(start) != 0 || ::pipe(report) != 0) return 2;
  for (int g = 0; g < games; ++g) {
    if (::fork() != 0) continue;
    ::close(start[1]);
    ::close(report[0]);
    platform::faults::set_fsync_delay(std::chrono::milliseconds(fsync_ms));
    char c;
    (void)!::read(start[0], &c, 1);  // all games go when the pipe closes
    for (int i = 0; i < each; ++i) {
      const auto t0 = Clock::now();
      const auto saved = scorefiles::save_result(result("g" + std::to_string(g) + "-" + std::to_string(i)), RESFN);
      const long us = long(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count());
      char line[64];
      const int n = std::snprintf(line, sizeof line, "%d %ld\n", int(saved), us);
      (void)!::write(report[1], line, size_t(n));  // one write under PIPE_BUF: never interleaved
    }
    ::_exit(0);
  }
  ::close(start[0]);
  ::close(report[1]);
  const auto t0 = Clock::now();
  ::close(start[1]);
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = ::read(report[0], buf, sizeof buf)) > 0;) text.append(buf, size_t(n));
  while (::wait(nullptr) > 0) {
  }
  const double total = std::chrono::duration<double>(Clock::now() - t0).count();

  int count[3] = {0, 0, 0};
  std::vector<long> stored_us;
  size_t pos = 0;
  while (pos < text.size()) {
    int st = 0;
    long us = 0;
    std::sscanf(text.c_str() + pos, "%d %ld", &st, &us);
    if (st >= 0 && st < 3) ++count[st];
    if (st == int(scorefiles::Saved::stored)) stored_us.push_back(us);
    pos = text.find('\n', pos) + 1;
  }
  // Results left pending go in at the next start.
  scorefiles::merge_pending(".");
  bool empty_archive = false;
  std::map<std::string, int> seen;
  for (const auto& n : stored_names(&empty_archive))
    if (n[0] == 'g') ++seen[n];
  int once = 0, twice = 0, missing = 0;
  for (int g = 0; g < games; ++g)
    for (int i = 0; i < each; ++i) {
      const int c = seen["g" + std::to_string(g) + "-" + std::to_string(i)];
      once += c == 1;
      twice += c > 1;
      missing += c == 0;
    }
  std::sort(stored_us.begin(), stored_us.end());
  std::printf("  present exactly once: %d of %d (missing %d, stored more than once %d, empty archives %d)\n", once,
              games * each, missing, twice, int(empty_archive));
  std::printf("  saves: %d stored at once, %d left pending, %d unsaved; all done in %.2f s\n", count[0], count[1],
              count[2], total);
  if (!stored_us.empty())
    std::printf("  save until the record is in the base: median %.0f ms, 95%% %.0f ms, slowest %.0f ms\n",
                stored_us[stored_us.size() / 2] / 1000.0, stored_us[stored_us.size() * 95 / 100] / 1000.0,
                stored_us.back() / 1000.0);
  return missing == 0 && twice == 0 && !empty_archive ? 0 : 1;
}

int kills(int rounds) {
  Folder folder;
  std::printf("kills: %d rounds, a writer appending across the archive limit of %d killed at a random moment, "
              "folder on %s\n",
              rounds, MAXRESULT, folder.kind().c_str());
  std::mt19937 rng(20261205);
  constexpr int kAppends = 10;
  // One undisturbed run tells how long a writer takes: kills fall anywhere in it.
  long run_us = 0;
  int lost = 0, twice = 0, misplaced = 0, empty = 0, mid_merge = 0, pending_left = 0, archived = 0;
  for (int round = -1; round < rounds; ++round) {
    folder.clear();
    const int prefill = MAXRESULT - 1 - int(rng() % 8);
    std::string base, err;
    for (int k = 0; k < prefill; ++k) {
      const RESULTREC r = result("w" + std::to_string(k));
      base.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    platform::replace_file(RESFN, base, err);
    int report[2];
    if (::pipe(report) != 0) return 2;
    const auto t0 = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(report[0]);
      for (int k = prefill; k < prefill + kAppends; ++k) {
        // Saved (stored or pending) results are reported: they must survive.
        if (scorefiles::save_result(result("w" + std::to_string(k)), RESFN) != scorefiles::Saved::unsaved)
          (void)!::write(report[1], &k, sizeof k);
      }
      ::_exit(0);
    }
    ::close(report[1]);
    if (round < 0) {
      ::waitpid(pid, nullptr, 0);
      run_us = long(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count());
      ::close(report[0]);
      continue;
    }
    ::usleep(useconds_t(rng() % uint32_t(run_us + 1)));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    int last_saved = prefill - 1;
    for (int k; ::read(report[0], &k, sizeof k) == sizeof k;) last_saved = std::max(last_saved, k);
    ::close(report[0]);
    mid_merge += platform::exists(MERGEFN);
    pending_left += !platform::names_with_prefix(".", PENDINGPREFIX).empty();
    // The next game's start, then its first save.
    scorefiles::merge_pending(".");
    scorefiles::save_result(result("next"), RESFN);
    bool empty_archive = false;
    auto names = stored_names(&empty_archive);
    empty += empty_archive;
    archived += !platform::names_with_prefix(".", "res_").empty();
    if (names.empty() || names.back() != "next") {
      ++lost;
    } else {
      names.pop_back();
    }
    // w0, w1, ... each once and in order, at least up to the last one the writer saved.
    std::map<std::string, int> seen;
    for (size_t i = 0; i < names.size(); ++i) {
      twice += ++seen[names[i]] == 2;
      misplaced += names[i] != "w" + std::to_string(i);
    }
    for (int k = 0; k <= last_saved; ++k) lost += seen.count("w" + std::to_string(k)) == 0;
  }
  std::printf("  writer run %.0f ms undisturbed; killed mid-merge %d times, with a result pending %d times; "
              "%d rounds archived\n",
              run_us / 1000.0, mid_merge, pending_left, archived);
  std::printf("  lost %d, stored twice %d, out of order %d, empty archives %d\n", lost, twice, misplaced, empty);
  return lost == 0 && twice == 0 && misplaced == 0 && empty == 0 ? 0 : 1;
}

// The names in a table and its archives (those whose names begin with prefix).
std::map<std::string, int> stored_counts(const std::string& prefix, const std::string& table, bool scores) {
  std::string all, bytes, err;
  for (const auto& n : platform::names_with_prefix(".", prefix))
    if (n.ends_with(".old") && platform::read_whole_file(n, bytes, err) == platform::ReadStatus::ok) all += bytes;
  if (platform::read_whole_file(table, bytes, err) == platform::ReadStatus::ok) all += bytes;
  std::map<std::string, int> seen;
  if (scores)
    for (const PLAYREC& r : scorefiles::parse_scores(all)) ++seen[r.NAME.str()];
  else
    for (const RESULTREC& r : scorefiles::parse_results(all)) ++seen[r.NAME.str()];
  return seen;
}

int writer(const std::string& folder, const std::string& name, int each, const char* kill_op, long kill_nth) {
  if (::chdir(folder.c_str()) != 0) return 2;
  while (::access("../go", F_OK) != 0) ::usleep(1000);
  int stored = 0, unsaved = 0;
  const auto save = [&](int i) {
    const std::string n = name + "-" + std::to_string(i);
    PLAYREC p;
    p.NAME = n;
    p.SCORE = 1;
    for (const auto saved : {scorefiles::save_result(result(n), RESFN), scorefiles::save_score(p, TWOPLAYERSFN)}) {
      stored += saved == scorefiles::Saved::stored;
      unsaved += saved == scorefiles::Saved::unsaved;
    }
  };
  for (int i = 0; i < each; ++i) save(i);
  std::printf("%s: %d of %d saves stored at once, %d unsaved\n", name.c_str(), stored, 2 * each, unsaved);
  std::fflush(stdout);
  if (kill_op) {
    platform::faults::arm_kind(kill_op, kill_nth, platform::faults::Mode::kill);
    save(each);
    std::printf("%s: was not killed\n", name.c_str());
    return 3;
  }
  return unsaved == 0 ? 0 : 1;
}

int count(const std::string& folder, int argc, char** argv) {
  if (::chdir(folder.c_str()) != 0) return 2;
  scorefiles::merge_pending(".");
  const auto results = stored_counts("res_", RESFN, false), scores = stored_counts("2p", TWOPLAYERSFN, true);
  int want = 0, once = 0, missing = 0, twice = 0;
  for (int a = 0; a < argc; ++a) {
    // NAME:N, or NAME:N+R: R more results, of saves killed before their scores.
    const std::string spec = argv[a];
    const size_t colon = spec.rfind(':');
    if (colon == std::string::npos) return 2;
    const int n = std::atoi(spec.c_str() + colon + 1);
    const size_t plus = spec.find('+', colon);
    const int more = plus == std::string::npos ? 0 : std::atoi(spec.c_str() + plus + 1);
    for (int i = 0; i < n + more; ++i)
      for (const auto* seen : {&results, &scores}) {
        if (i >= n && seen == &scores) continue;
        const auto it = seen->find(spec.substr(0, colon) + "-" + std::to_string(i));
        const int c = it == seen->end() ? 0 : it->second;
        ++want;
        once += c == 1;
        missing += c == 0;
        twice += c > 1;
      }
  }
  const size_t extra = platform::names_with_prefix(".", PENDINGPREFIX).size();
  std::printf("present exactly once: %d of %d (missing %d, stored more than once %d); pending files left %zu\n", once,
              want, missing, twice, extra);
  return once == want && extra == 0 ? 0 : 1;
}

int arg(int argc, char** argv, int i, int fallback) { return argc > i ? std::atoi(argv[i]) : fallback; }

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "contention")
    return contention(arg(argc, argv, 2, 30), arg(argc, argv, 3, 10), arg(argc, argv, 4, 25), arg(argc, argv, 5, 0));
  if (what == "kills") return kills(arg(argc, argv, 2, 200));
  if (what == "writer" && (argc == 5 || argc == 7))
    return writer(argv[2], argv[3], std::atoi(argv[4]), argc == 7 ? argv[5] : nullptr, argc == 7 ? std::atol(argv[6]) : 0);
  if (what == "count" && argc >= 4) return count(argv[2], argc - 3, argv + 3);
  std::fputs("usage: shared-folder-bench contention [GAMES [EACH [FSYNC_MS [PREFILL]]]] | kills [ROUNDS]\n"
             "       shared-folder-bench writer FOLDER NAME EACH [KILL_OP KILL_NTH] | count FOLDER NAME:N ...\n",
             stderr);
  return 2;
}
