// Makes a results base as a class would fill it, through the game's own code:
// the task generator draws every task, the shot updates the element sets as
// the shooting attempt does, names carry the game's date and separator, and
// every record is stored with the game's append. Used to look at the class
// report and to time it on a full base.
//
//   make_class_base DATA_DIR OUT_DIR [PUPILS GAMES]
//
// DATA_DIR holds "001" and "002"; the base "Result.qora" (and the groups file)
// are made in OUT_DIR, which is created when missing. PUPILS pupils (default 30) play GAMES games each
// (default 20) on school days over two months from 1 September 2026. Each
// pupil starts at a skill of their own and improves at a pace of their own,
// some late, some with a bad week; once sure of the common elements, a pupil
// moves on to the second level.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "state/datafiles.h"
#include "state/globals.h"
#include "tasks/scorefiles.h"
#include "tasks/taskgen.h"
#include "toolkit/format.h"

namespace {

using namespace qora;

const char* const kNames[] = {
    "\xC0\xED\xFF \xC1\xE5\xEB\xEE\xE2\xE0", "\xC0\xF0\xF2\xB8\xEC \xC2\xEE\xEB\xEA\xEE\xE2",
    "\xC2\xE5\xF0\xE0 \xC3\xF3\xF1\xE5\xE2\xE0", "\xC3\xEB\xE5\xE1 \xC4\xE0\xED\xE8\xEB\xEE\xE2",
    "\xC4\xE0\xF8\xE0 \xC5\xE3\xEE\xF0\xEE\xE2\xE0", "\xC5\xE3\xEE\xF0 \xC6\xF3\xEA\xEE\xE2",
    "\xC6\xE5\xED\xFF \xC7\xE0\xE9\xF6\xE5\xE2\xE0", "\xC7\xE0\xF5\xE0\xF0 \xC8\xF1\xE0\xE5\xE2",
    "\xC8\xF0\xE0 \xCA\xEE\xE7\xEB\xEE\xE2\xE0", "\xCA\xE8\xF0\xE8\xEB\xEB \xCB\xE5\xE1\xE5\xE4\xE5\xE2",
    "\xCB\xE5\xED\xE0 \xCC\xEE\xF0\xEE\xE7\xEE\xE2\xE0", "\xCC\xE0\xEA\xF1\xE8\xEC \xCD\xEE\xE2\xE8\xEA\xEE\xE2",
    "\xCC\xE0\xF8\xE0 \xCE\xF0\xEB\xEE\xE2\xE0", "\xCD\xE8\xEA\xE8\xF2\xE0 \xCF\xE0\xE2\xEB\xEE\xE2",
    "\xCE\xEB\xFF \xD0\xEE\xEC\xE0\xED\xEE\xE2\xE0", "\xCF\xE0\xF8\xE0 \xD1\xEC\xE8\xF0\xED\xEE\xE2",
    "\xCF\xEE\xEB\xE8\xED\xE0 \xD2\xE8\xF2\xEE\xE2\xE0", "\xD0\xEE\xEC\xE0 \xD3\xF2\xEA\xE8\xED",
    "\xD1\xE2\xE5\xF2\xE0 \xD4\xE5\xE4\xEE\xF0\xEE\xE2\xE0", "\xD1\xE5\xEC\xB8\xED \xD5\xEE\xF5\xEB\xEE\xE2",
    "\xD1\xEE\xED\xFF \xD6\xE2\xE5\xF2\xEA\xEE\xE2\xE0", "\xD2\xE8\xEC\xF3\xF0 \xD7\xE5\xF0\xED\xEE\xE2",
    "\xD3\xEB\xFF \xD8\xE0\xF0\xEE\xE2\xE0", "\xD4\xE5\xE4\xFF \xD9\xF3\xEA\xE8\xED",
    "\xDE\xEB\xFF \xDF\xEA\xEE\xE2\xEB\xE5\xE2\xE0", "\xC2\xE0\xED\xFF \xC0\xEB\xE5\xEA\xF1\xE5\xE5\xE2",
    "\xCA\xE0\xF2\xFF \xC1\xFB\xEA\xEE\xE2\xE0", "\xCB\xB8\xF8\xE0 \xC2\xE8\xED\xEE\xE3\xF0\xE0\xE4\xEE\xE2",
    "\xCD\xE0\xF1\xF2\xFF \xC3\xEE\xEB\xF3\xE1\xE5\xE2\xE0", "\xC4\xE8\xEC\xE0 \xD1\xEE\xEA\xEE\xEB\xEE\xE2"};
const char* const kPupil = "\xD3\xF7\xE5\xED\xE8\xEA";  // "pupil", for names past the list

constexpr int64_t kStart = 1788220800;  // 2026-09-01 00:00 UTC
constexpr int kDays = 61;               // September and October

struct PupilModel {
  std::string name;
  double base, gain, mid, pace;  // skill = base + gain * logistic((day - mid) / pace)
  int bad_from = -1;             // a week of worse games from this day
  int level = 1;
  std::vector<int> hits, misses;  // by element, over all games so far
};

double logistic(double x) { return 1.0 / (1.0 + std::exp(-x)); }

// The selection of a level as the level dialog builds it from the groups.
void choose_level(int level) {
  KLASS = level == 1 ? 26 : level == 2 ? 75 : 104;
  CURGRUPCOUNT = 0;
  for (int g = 1; g <= level; ++g)
    for (int e = 0; e <= 104 && CURGRUPCOUNT < 105; ++e)
      if (GRUPARR[size_t(g)].has(e)) CURGRUPARR[CURGRUPCOUNT++] = uint8_t(e);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fputs("usage: make_class_base DATA_DIR OUT_DIR [PUPILS GAMES]\n", stderr);
    return 2;
  }
  const int pupils = argc == 5 ? std::atoi(argv[3]) : 30;
  const int games = argc == 5 ? std::atoi(argv[4]) : 20;
  std::error_code ec;
  const std::filesystem::path out = std::filesystem::absolute(argv[2], ec);
  std::filesystem::create_directories(out, ec);
  if (pupils < 1 || games < 1 || chdir(argv[1]) != 0) {
    std::fputs("make_class_base: bad pupils, games or data folder\n", stderr);
    return 2;
  }
  GETELEMENTS();
  GETMSG();
  if (chdir(out.c_str()) != 0) {
    std::perror(argv[2]);
    return 1;
  }
  GETGRUP();
  auto clock = std::make_unique<platform::VirtualClock>(kStart);
  platform::VirtualClock* vc = clock.get();
  platform::set_clock(std::move(clock));

  std::mt19937 rng(20260901);
  auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  // How easy each element is: the common ones of the first level more so.
  std::vector<double> ease(256, 0.0);
  for (int e = 0; e < 256; ++e) ease[size_t(e)] = e < 26 ? uniform(-0.15, 0.25) : uniform(-0.3, 0.05);

  std::vector<PupilModel> model(static_cast<size_t>(pupils));
  for (int p = 0; p < pupils; ++p) {
    PupilModel& m = model[size_t(p)];
    m.name = p < 30 ? kNames[p] : std::string(kPupil) + " " + std::to_string(p + 1);
    m.base = uniform(0.15, 0.55);
    m.gain = uniform(0.0, 0.5);
    m.mid = uniform(5, 55);
    m.pace = uniform(3, 12);
    if (rng() % 4 == 0) m.bad_from = int(rng() % kDays);
    m.hits.assign(256, 0);
    m.misses.assign(256, 0);
  }

  // Who plays on which day: each pupil on school days (no weekends), one or
  // now and then two games a day.
  std::vector<int> school_days;
  for (int d = 0; d < kDays; ++d)
    if (d % 7 != 4 && d % 7 != 5) school_days.push_back(d);  // day 0, 1 Sep 2026, is a Tuesday
  std::vector<std::pair<int, int>> plays;  // day, pupil
  for (int p = 0; p < pupils; ++p)
    for (int g = 0; g < games; ++g) plays.emplace_back(school_days[rng() % school_days.size()], p);
  std::stable_sort(plays.begin(), plays.end());

  int day_now = -1;
  for (const auto& [day, p] : plays) {
    if (day != day_now) {  // the lesson starts at nine
      vc->advance(uint64_t(day) * 86400000 + 9 * 3600000 - vc->elapsed_ms());
      day_now = day;
    }
    PupilModel& m = model[size_t(p)];
    double skill = m.base + m.gain * logistic((day - m.mid) / m.pace);
    if (m.bad_from >= 0 && day >= m.bad_from && day < m.bad_from + 7) skill -= 0.2;
    choose_level(m.level);

    RESULTREC r;
    r.TEACH = 1;
    r.NAME = GETSRGDATE() + msg(74) + m.name;
    USEDCORNOMBS.clear();
    CORNO = 5;
    const int tasks = rng() % 5 == 0 ? 20 : 10;  // now and then the players go on
    int hits = 0;
    for (int t = 0; t < tasks; ++t) {
      vc->advance(2000 + rng() % 9000);  // the time the shot takes
      TASKGEN();
      const int e = COREL;
      const double known = std::min(3, m.hits[size_t(e)]) * 0.08 - std::min(2, m.misses[size_t(e)]) * 0.03;
      const bool hit = uniform(0, 1) < std::clamp(skill + ease[size_t(e)] + known, 0.03, 0.97);
      // As the attempt records a shot: the last shot at an element decides.
      if (hit) {
        r.KNOWEL.include(e), r.UNKNOWEL.exclude(e), ++m.hits[size_t(e)], ++hits;
      } else {
        r.UNKNOWEL.include(e), r.KNOWEL.exclude(e), ++m.misses[size_t(e)];
      }
    }
    if (!scorefiles::append_result(r, RESFN)) return 1;
    // Sure of the common elements: on to the second level.
    if (m.level == 1 && hits * 10 >= tasks * 8 && day > 20) m.level = 2;
  }
  std::printf("%zu records in %s/%s\n", plays.size(), argv[2], RESFN);
  return 0;
}
