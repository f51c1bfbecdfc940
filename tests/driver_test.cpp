// Whole games through the game driver and the real shooting attempt, on the
// headless surface and the virtual clock, the players' keys scripted; every
// stored game read back by qora-records.
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "game/attempt.h"
#include "game/driver.h"
#include "screens/gallery.h"
#include "support/game.h"
#include "support/records.h"
#include "toolkit/format.h"

namespace qora {
namespace {

using T = test::Timeline;

// What a scripted player does in one attempt.
enum class Move { HIT, MISS, TIMEOUT, EXIT };

// The game's script: the moves in order, what happens after the last one
// (the keys for the results, the top five and the continue question), and
// what the attempts saw.
struct Script {
  std::vector<Move> moves;
  std::vector<int> after_series;  // keys (negative: special codes) 500 ms apart
  std::function<void(size_t)> before;  // runs before attempt n (from 0)
  std::vector<std::pair<int, int>> calls;  // (NUM, KOLVO) of each attempt
  std::vector<int> answers;                // COREL of each attempt
  std::vector<int> cornos;                 // CORNO of each attempt
  std::vector<int> revealed;               // the target shown named after each attempt, or -1
  size_t extra = 0;                        // attempts beyond the script
  std::string date;
};
Script* g_script = nullptr;
T* g_tl = nullptr;

// The target whose board carries a caption on the visible page, -1 for none,
// -2 for more than one.
int captioned_target() {
  const uint16_t active = GETACTIVEPAGE();
  SETACTIVEPAGE(GETVISUALPAGE());
  int found = -1;
  for (int k = 0; k < 5; ++k) {
    const TRECT r = MISHENRECT(k);
    if (test::box_of(LIGHTCYAN, r.LEFT, r.TOP, r.RIGHT - 1, r.BOTTOM - 1)[2] >= 0) found = found == -1 ? k : -2;
  }
  SETACTIVEPAGE(active);
  return found;
}

// The real attempt with the player's keys scheduled: the targets stand
// 750 ms after the attempt starts; the shot comes at 1000 ms.
bool scripted_attempt(int32_t NUM, int32_t KOLVO, bool& BDOEXIT) {
  Script& s = *g_script;
  const size_t n = s.calls.size();
  s.calls.emplace_back(NUM, KOLVO);
  s.answers.push_back(COREL);
  s.cornos.push_back(CORNO);
  s.date = GETSRGDATE();
  if (s.before) s.before(n);
  const Move m = n < s.moves.size() ? s.moves[n] : (++s.extra, Move::EXIT);
  const uint64_t t = g_tl->elapsed();
  // Right moves the crosshair one target on from the middle one.
  const int rights = m == Move::HIT ? (CORNO + 3) % 5 : m == Move::MISS && CORNO == 2;
  for (int i = 0; i < rights; ++i) g_tl->at(t + 900 + 20 * i, [] { T::special(77); });
  if (m != Move::TIMEOUT) g_tl->at(t + 1000, [m] { T::key(m == Move::EXIT ? 27 : ' '); });
  if (m == Move::EXIT) g_tl->at(t + 1500, [] { T::key(13); });  // the first choice: leave
  const bool hit = GAMEATTEMPT(NUM, KOLVO, BDOEXIT);
  const uint64_t back = g_tl->elapsed();
  s.revealed.push_back(-1);
  g_tl->at(back + 500, [&s, n] {
    if (n < s.revealed.size()) s.revealed[n] = captioned_target();
  });
  if (n + 1 == s.moves.size()) {
    // The last key goes to the next game's set-up, after its sliding heading.
    uint64_t k = back + 4000;
    for (size_t i = 0; i < s.after_series.size(); ++i, k += 500) {
      if (i + 1 == s.after_series.size()) k += 2500;
      g_tl->at(k, [key = s.after_series[i]] { T::type(key); });
    }
  }
  return hit;
}

// What qora-records prints for a command.
std::string records(const std::string& args) {
  const test::Run r = test::records(args);
  EXPECT_EQ(r.status, 0) << args << ": " << r.err;
  return r.out;
}

class WholeGame : public test::Game {
 protected:
  void SetUp() override {
    Game::SetUp();
    GETGRUP();
    READTIME = READHELP = 0;  // the fast switch
    T::move(0, 0);
    g_script = &script;
    g_tl = &tl;
  }
  void TearDown() override {
    g_script = nullptr;
    g_tl = nullptr;
    Game::TearDown();
  }
  // The set-up keys from 3 s on (the title and the sliding heading come
  // first): players (Down for one), the names, Enter for 10 s and level 1.
  void setup_keys(bool two, const std::vector<std::string>& names, uint64_t from = 0) {
    uint64_t t = from + 3000;
    auto key = [&](int k) { tl.at(t += 60, [k] { T::type(k); }); };
    if (!two) key(-80);
    key(13);
    for (const std::string& name : names) {
      for (char c : name) key(static_cast<unsigned char>(c));
      key(13);
    }
    key(13);
    key(13);
  }
  // The score table and the results base, read back by qora-records, hold
  // the game's entry and the players' records (of the date) as they stand.
  void expect_stored(const char* table, std::initializer_list<size_t> players) {
    test::write_file("entry", test::bytes_of(PLAYER[2]));
    EXPECT_EQ(records(std::string("scores ") + table), records("scores entry"));
    std::string results;
    for (size_t p : players) {
      EXPECT_EQ(PLAYERRESULT[p].NAME.str(), script.date + msg(74) + PLAYER[p].NAME.str());
      results += test::bytes_of(PLAYERRESULT[p]);
    }
    test::write_file("results", results);
    EXPECT_EQ(records("results Result.qora"), records("results results"));
  }
  Script script;
};

const std::string kPrivet = "\xEF\xF0\xE8\xE2\xE5\xF2";  // привет

TEST_F(WholeGame, OnePlayerMissesAllTenTasksAndDeclinesToGoOn) {
  setup_keys(false, {"ghbdtn"});
  script.moves.assign(10, Move::MISS);
  script.moves[3] = Move::TIMEOUT;
  script.after_series = {' ', ' ', -77, 13, 27};  // panel, top five, "finish", Esc in the next set-up
  RUNPROGRAMM(scripted_attempt);

  EXPECT_EQ(script.calls, (std::vector<std::pair<int, int>>(10, {0, 0})));
  EXPECT_EQ(script.extra, 0u);
  // Every task ended with the right target shown named, alone.
  EXPECT_EQ(script.revealed, script.cornos);
  EXPECT_EQ(PLAYER[0].NAME.str(), kPrivet);
  EXPECT_EQ(PLAYER[0].SCORE * 100 + PLAYER[0].HISCORE, 10);
  const std::set<int> asked(script.answers.begin(), script.answers.end());
  std::set<int> unknown;
  for (int e = 0; e < 256; ++e) if (PLAYERRESULT[0].UNKNOWEL.has(e)) unknown.insert(e);
  EXPECT_EQ(unknown, asked);
  EXPECT_TRUE(PLAYERRESULT[0].KNOWEL.empty());

  // Stored once, after "finish": the game's entry and the player's record.
  EXPECT_EQ(PLAYER[2].NAME.str(), script.date + msg(74) + kPrivet);
  EXPECT_EQ(PLAYER[2].TIME * 1000 + PLAYER[2].LEVEL, 10000 + CURGRUPCOUNT);
  expect_stored("1player.qora", {0});
}

TEST_F(WholeGame, TwoPlayersTheSecondTriesOnlyWhatTheFirstMissed) {
  const std::string masha = "\xCC\xE0\xF8\xE0", petya = "\xCF\xE5\xF2\xFF";  // typed in Cyrillic
  setup_keys(true, {masha, petya});
  // Task 1: Masha misses, Petya hits; every other task is hit at once.
  script.moves.assign(21, Move::HIT);
  script.moves[0] = Move::MISS;
  script.after_series = {' ', ' ', ' ', -77, 13, 27};  // two panels, top five, "finish", Esc
  RUNPROGRAMM(scripted_attempt);

  ASSERT_EQ(script.calls.size(), 21u);
  EXPECT_EQ(script.extra, 0u);
  std::vector<std::pair<int, int>> want = {{0, 0}, {1, 1}};
  for (int task = 1; task < 20; ++task) want.emplace_back(task % 2, 0);
  EXPECT_EQ(script.calls, want);
  // (After the last task the results panel follows at once.)
  script.revealed.pop_back();
  EXPECT_EQ(script.revealed, std::vector<int>(20, -1)) << "a task somebody solved was revealed";
  EXPECT_EQ(PLAYER[0].SCORE * 100 + PLAYER[0].HISCORE, 910);
  EXPECT_EQ(PLAYER[1].SCORE * 100 + PLAYER[1].HISCORE, 1111);
  EXPECT_EQ(PLAYER[2].NAME.str(), script.date + msg(74) + masha + msg(72) + petya);
  EXPECT_EQ(PLAYER[2].SCORE * 100 + PLAYER[2].HISCORE, 2021);
  EXPECT_EQ(PLAYER[2].ALLTIME, PLAYER[0].ALLTIME + PLAYER[1].ALLTIME);
  EXPECT_FALSE(std::filesystem::exists("1player.qora"));
  EXPECT_TRUE(PLAYERRESULT[0].UNKNOWEL.has(script.answers[0]) && PLAYERRESULT[1].KNOWEL.has(script.answers[0]));
  expect_stored("2players.qora", {0, 1});
}

TEST_F(WholeGame, ContinueIsNotOfferedAt200Attempts) {
  setup_keys(false, {"ghbdtn"});
  script.moves.assign(10, Move::HIT);
  script.before = [](size_t n) { if (n == 0) PLAYER[0].HISCORE = 190; };  // nineteen series played already
  // A key ends the wait where the question would stand; a second series
  // would find no moves left.
  script.after_series = {' ', ' ', ' ', 27};
  RUNPROGRAMM(scripted_attempt);
  EXPECT_EQ(script.calls.size(), 10u);
  EXPECT_EQ(script.extra, 0u) << "a second series started";
  EXPECT_EQ(PLAYER[2].SCORE * 1000 + PLAYER[2].HISCORE, 10200);
  expect_stored("1player.qora", {0});
}

TEST_F(WholeGame, AnExitDuringATaskStoresTheGameSoFarAndNothingBeforeAShot) {
  setup_keys(false, {"ghbdtn"});
  script.moves = {Move::HIT, Move::MISS, Move::EXIT};
  // An entry left from an earlier game must not be stored again.
  PLAYER[2] = PLAYREC{0, {}, 10, 10, 10, 10, 10};
  RUNPROGRAMM(scripted_attempt);
  EXPECT_EQ(script.calls.size(), 3u);
  EXPECT_EQ(PLAYER[2].NAME.str(), script.date + msg(74) + kPrivet);
  EXPECT_EQ(PLAYER[2].SCORE * 10 + PLAYER[2].HISCORE, 12);
  EXPECT_TRUE(PLAYERRESULT[0].KNOWEL.has(script.answers[0]) && PLAYERRESULT[0].UNKNOWEL.has(script.answers[1]));
  expect_stored("1player.qora", {0});
  // A second game, left at its first attempt, stores nothing more.
  const std::string scores = test::read_file("1player.qora"), results = test::read_file("Result.qora");
  script = Script{};
  script.moves = {Move::EXIT};
  tl.at(tl.elapsed(), [this] { setup_keys(false, {"ghbdtn"}, tl.elapsed()); });
  RUNPROGRAMM(scripted_attempt);
  EXPECT_EQ(script.calls.size(), 1u);
  EXPECT_EQ(test::read_file("1player.qora"), scores);
  EXPECT_EQ(test::read_file("Result.qora"), results);
}

}  // namespace
}  // namespace qora
