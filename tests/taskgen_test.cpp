// The task generator: invariants of every task, rounds over the selection, and unplayable input.
#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/globals.h"
#include "platform/clock.h"
#include "tasks/taskgen.h"

namespace qora {
namespace {

// Symbols "Aa".."Ee" are unique, so a target's symbol tells its element; names
// are unique too, except the ones left empty.
void make_table(int count, const std::set<int>& unnamed = {}) {
  ELCOUNT = count;
  ELEMENT.assign(size_t(count) + 1, DATABASE{});
  for (int e = 0; e < count; ++e) {
    ELEMENT[size_t(e)].SYMBOL = std::string{char('A' + e / 26), char('a' + e % 26)};
    if (!unnamed.count(e)) ELEMENT[size_t(e)].NAME = "N" + std::to_string(e);
  }
}

void select(const std::vector<int>& elements, int klass) {
  CURGRUPARR.fill(0);
  for (size_t i = 0; i < elements.size(); ++i) CURGRUPARR[i] = uint8_t(elements[i]);
  CURGRUPCOUNT = uint8_t(elements.size());
  KLASS = klass;
  USEDCORNOMBS.clear();
}

std::vector<int> first(int n) { auto v = std::vector<int>(size_t(n)); std::iota(v.begin(), v.end(), 0); return v; }

// The generator reseeds from the ticks at every task; time passes between two tasks of a game.
struct TaskGen : ::testing::Test {
  void next_task() {
    dynamic_cast<platform::VirtualClock&>(platform::clock()).advance(1 + rng_() % 4000);
    TASKGEN();
  }
  // Element index of a target by its symbol, -1 for a blank target.
  static int index_of(const DATABASE& d) {
    for (int e = 0; e < ELCOUNT && !d.SYMBOL.empty(); ++e)
      if (ELEMENT[size_t(e)].SYMBOL == d.SYMBOL) return e;
    return -1;
  }
  // Next task, checking every invariant of a task with full decoys. Decoy names
  // come from the first KLASS elements; a bound below two or beyond the table
  // takes the whole table.
  void check_next_task() {
    const int previous = CORNO;
    next_task();
    ASSERT_LT(CORNO, 5);
    EXPECT_NE(int(CORNO), previous);
    EXPECT_EQ(MISHEN[CORNO], ELEMENT[size_t(COREL)]);
    EXPECT_TRUE(NOWCORNOMBS == COREL && USEDCORNOMBS.has(COREL));
    ELSET symbols;
    symbols.include(COREL);
    const int bound = KLASS < 2 || KLASS > ELCOUNT ? ELCOUNT : KLASS;
    for (size_t k = 0; k < 5; ++k) {
      if (k == CORNO) continue;
      const int I = index_of(MISHEN[k]);
      ASSERT_TRUE(I >= 0 && !ELEMENT[size_t(I)].NAME.empty()) << "blank or unnamed decoy symbol";
      EXPECT_FALSE(symbols.has(I)) << "symbol twice";
      symbols.include(I);
      EXPECT_NE(MISHEN[k].NAME, ELEMENT[size_t(I)].NAME) << "decoy shows its own name";
      int J = ELCOUNT - 1;
      while (J >= 0 && !(ELEMENT[size_t(J)].NAME == MISHEN[k].NAME)) --J;
      EXPECT_TRUE(J >= 0 && J < bound) << "name " << MISHEN[k].NAME.str() << " from outside the level";
    }
    EXPECT_EQ(USEDNOMBS, symbols);
  }
  std::mt19937 rng_;
};

TEST_F(TaskGen, EveryTaskKeepsItsInvariantsAndAnswersRunInRoundsOverTheSelection) {
  make_table(105);
  const std::pair<std::vector<int>, int> cases[] = {
      {first(26), 26}, {first(75), 75}, {first(105), 104},  // the default levels
      {{3, 9, 40, 77, 9, 100, 0, 61}, 104},  // 9 twice: the round is over seven elements
      {{42}, 26}};
  for (const auto& [sel, klass] : cases) {
    select(sel, klass);
    const std::set<int> distinct(sel.begin(), sel.end());
    std::set<int> places;
    for (size_t round = 0; round <= 1500 / distinct.size() && !HasFailure(); ++round) {
      std::set<int> answers;  // a round answers every selected element once
      for (size_t t = 0; t < distinct.size(); ++t) {
        check_next_task();
        answers.insert(COREL);
        places.insert(CORNO);
      }
      EXPECT_EQ(answers, distinct) << "round " << round;
    }
    EXPECT_EQ(places.size(), 5u) << sel.size();
  }
}

// Unnamed elements are never decoy symbols, but their empty names may be drawn.
TEST_F(TaskGen, EmptyOrStraySelectionDrawsAnswersFromTheNamedTable) {
  make_table(105, {0, 1, 2});
  select({}, 26);
  bool empty_name_seen = false;
  for (int t = 0; t < 500 && !HasFailure(); ++t) {
    check_next_task();
    EXPECT_GE(COREL, 3);
    for (size_t k = 0; k < 5; ++k) empty_name_seen |= k != CORNO && MISHEN[k].NAME.empty();
  }
  EXPECT_TRUE(empty_name_seen);
  // Entries that are not element indices of the table count as no entries;
  // a stray place of the right target is left.
  make_table(110);
  ELCOUNT = 105;
  select({200, 106, 105}, 26);
  CORNO = 9;
  check_next_task();
  EXPECT_LT(COREL, 105);
}

TEST_F(TaskGen, TooFewNamedElementsOrAStrayLevelBoundNeverHang) {
  make_table(105);
  for (int klass : {0, 1, -5, 1000}) {
    select(first(26), klass);
    for (int t = 0; t < 300 && !HasFailure(); ++t) check_next_task();
  }
  // Three named elements: the two that are not the answer and two blank targets.
  for (int e = 3; e < 105; ++e) ELEMENT[size_t(e)].NAME.assign("");
  select({0, 1, 2}, 26);
  for (int t = 0; t < 100; ++t) {
    next_task();
    int blank = 0;
    for (size_t k = 0; k < 5; ++k) blank += k != CORNO && MISHEN[k].SYMBOL.empty() && MISHEN[k].NAME.empty();
    EXPECT_EQ(blank, 2);
  }
}

}  // namespace
}  // namespace qora
