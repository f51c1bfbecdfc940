// The task generator: the invariants of every task, the rounds over the
// selection, and tables or selections that a game cannot really play with.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/globals.h"
#include "platform/clock.h"
#include "tasks/taskgen.h"
#include "toolkit/format.h"

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

void select(const std::vector<int>& elements) {
  CURGRUPARR.fill(0);
  for (size_t i = 0; i < elements.size(); ++i) CURGRUPARR[i] = uint8_t(elements[i]);
  CURGRUPCOUNT = uint8_t(elements.size());
}

void level(int n) {
  // The default groups: level 1 = 0..25, level 2 = 0..74, level 3 = 0..104.
  const int last[] = {0, 25, 74, 104};
  std::vector<int> s;
  for (int e = 0; e <= last[n]; ++e) s.push_back(e);
  select(s);
  const int klass[] = {0, 26, 75, 104};
  KLASS = klass[n];
}

// The generator reseeds from the tick count at every task; between two tasks
// of a game time passes, so the tests move the virtual clock on a little.
class TaskGen : public ::testing::Test {
 protected:
  void SetUp() override {
    USEDCORNOMBS.clear();
    CORNO = 0;
    rng_.seed(1);
  }
  void next_task() {
    auto* vc = dynamic_cast<platform::VirtualClock*>(&platform::clock());
    ASSERT_NE(vc, nullptr);
    vc->advance(1 + rng_() % 4000);
    TASKGEN();
  }
  // Element index of a target by its symbol, -1 for a blank target.
  static int index_of(const DATABASE& d) {
    if (d.SYMBOL.empty()) return -1;
    for (int e = 0; e < ELCOUNT; ++e)
      if (ELEMENT[size_t(e)].SYMBOL == d.SYMBOL) return e;
    ADD_FAILURE() << "unknown symbol " << d.SYMBOL.str();
    return -1;
  }
  // Checks every invariant of one task with full decoys.
  void check_task(int previous_corno) {
    ASSERT_LT(CORNO, 5);
    EXPECT_NE(int(CORNO), previous_corno);
    EXPECT_EQ(MISHEN[CORNO], ELEMENT[size_t(COREL)]);
    EXPECT_EQ(NOWCORNOMBS, COREL);
    EXPECT_TRUE(USEDCORNOMBS.has(COREL));
    std::set<int> symbols{COREL};
    for (int k = 0; k < 5; ++k) {
      if (k == CORNO) continue;
      const int I = index_of(MISHEN[size_t(k)]);
      ASSERT_GE(I, 0);
      EXPECT_FALSE(ELEMENT[size_t(I)].NAME.empty()) << "unnamed decoy symbol";
      EXPECT_TRUE(symbols.insert(I).second) << "symbol twice";
      const std::string name = MISHEN[size_t(k)].NAME.str();
      EXPECT_NE(name, ELEMENT[size_t(I)].NAME.str()) << "decoy shows its own name";
      int J = -1;
      for (int e = 0; e < ELCOUNT; ++e)
        if (ELEMENT[size_t(e)].NAME == name) J = e;
      EXPECT_TRUE(J >= 0 && J < KLASS) << "name " << name << " from outside the level";
    }
    ELSET expected;
    for (int e : symbols) expected.include(e);
    EXPECT_EQ(USEDNOMBS, expected);
    EXPECT_EQ(SETCOUNT(USEDNOMBS), 5);
  }
  std::mt19937 rng_;
};

TEST_F(TaskGen, EveryTaskKeepsItsInvariantsAtEveryLevel) {
  make_table(105);
  for (unsigned seed : {1u, 7u, 12345u}) {
    rng_.seed(seed);
    for (int lv = 1; lv <= 3; ++lv) {
      level(lv);
      USEDCORNOMBS.clear();
      std::set<int> places;
      for (int t = 0; t < 1500; ++t) {
        const int before = CORNO;
        next_task();
        check_task(before);
        places.insert(CORNO);
        if (HasFailure()) return;
      }
      EXPECT_EQ(places.size(), 5u) << "level " << lv;
    }
  }
}

TEST_F(TaskGen, AnswersRunInRoundsOverTheSelection) {
  make_table(105);
  KLASS = 104;
  // Element 9 stands twice: the round is over the seven different elements.
  const std::vector<int> sel = {3, 9, 40, 77, 9, 100, 0, 61};
  const std::set<int> distinct(sel.begin(), sel.end());
  select(sel);
  for (unsigned seed : {2u, 99u, 2024u}) {
    rng_.seed(seed);
    USEDCORNOMBS.clear();
    for (int round = 0; round < 300; ++round) {
      std::set<int> answers;
      for (size_t t = 0; t < distinct.size(); ++t) {
        next_task();
        EXPECT_TRUE(distinct.count(COREL)) << COREL;
        EXPECT_TRUE(answers.insert(COREL).second) << "answer repeated within a round";
      }
      EXPECT_EQ(answers, distinct);
      if (HasFailure()) return;
    }
  }
}

TEST_F(TaskGen, OneElementSelectionAlwaysAsksThatElement) {
  make_table(105);
  KLASS = 26;
  select({42});
  for (int t = 0; t < 200; ++t) {
    const int before = CORNO;
    next_task();
    EXPECT_EQ(COREL, 42);
    check_task(before);
  }
}

TEST_F(TaskGen, UnnamedElementsAreNeverDecoySymbolsButTheirEmptyNameMayBeDrawn) {
  // Half of the first 26 have no name; their empty names may stand on decoys.
  std::set<int> unnamed;
  for (int e = 1; e < 26; e += 2) unnamed.insert(e);
  make_table(105, unnamed);
  level(1);
  bool empty_name_seen = false;
  for (int t = 0; t < 2000; ++t) {
    next_task();
    for (int k = 0; k < 5; ++k) {
      if (k == CORNO) continue;
      const int I = index_of(MISHEN[size_t(k)]);
      ASSERT_GE(I, 0);
      EXPECT_FALSE(unnamed.count(I)) << "unnamed element " << I << " as a decoy symbol";
      if (MISHEN[size_t(k)].NAME.empty()) empty_name_seen = true;
    }
  }
  EXPECT_TRUE(empty_name_seen);
}

TEST_F(TaskGen, EmptySelectionDrawsAnswersFromTheNamedTable) {
  make_table(105, {0, 1, 2});
  KLASS = 26;
  select({});
  for (int t = 0; t < 300; ++t) {
    const int before = CORNO;
    next_task();
    EXPECT_GE(COREL, 3);
    check_task(before);
  }
  // Entries that are not element indices of the table count as no entries.
  make_table(110);
  ELCOUNT = 105;
  select({200, 106, 105});
  next_task();
  EXPECT_LT(COREL, 105);
}

TEST_F(TaskGen, TooFewNamedElementsLeaveBlankDecoysInsteadOfHanging) {
  make_table(105);
  for (int e = 3; e < 105; ++e) ELEMENT[size_t(e)].NAME.assign("");
  KLASS = 26;
  select({0, 1, 2});
  for (int t = 0; t < 100; ++t) {
    next_task();
    EXPECT_EQ(MISHEN[CORNO], ELEMENT[size_t(COREL)]);
    int blank = 0, decoy = 0;
    for (int k = 0; k < 5; ++k) {
      if (k == CORNO) continue;
      if (MISHEN[size_t(k)].SYMBOL.empty()) {
        ++blank;
        EXPECT_TRUE(MISHEN[size_t(k)].NAME.empty());
      } else {
        ++decoy;
      }
    }
    EXPECT_EQ(decoy, 2);  // the two named elements that are not the answer
    EXPECT_EQ(blank, 2);
  }
}

TEST_F(TaskGen, LevelBoundBelowTwoTakesNamesFromTheWholeTable) {
  make_table(105);
  level(1);
  for (int klass : {0, 1, -5}) {
    KLASS = klass;
    for (int t = 0; t < 300; ++t) {
      next_task();
      for (int k = 0; k < 5; ++k) {
        if (k == CORNO) continue;
        const int I = index_of(MISHEN[size_t(k)]);
        EXPECT_FALSE(MISHEN[size_t(k)].NAME.empty());
        EXPECT_NE(MISHEN[size_t(k)].NAME.str(), ELEMENT[size_t(I)].NAME.str());
      }
    }
  }
  // A level bound beyond the table never reads past it.
  KLASS = 1000;
  for (int t = 0; t < 300; ++t) next_task();
}

TEST_F(TaskGen, RightTargetLeavesAStrayPlace) {
  make_table(105);
  level(2);
  CORNO = 9;  // not a place at all
  next_task();
  EXPECT_LT(CORNO, 5);
  EXPECT_EQ(MISHEN[CORNO], ELEMENT[size_t(COREL)]);
}

}  // namespace
}  // namespace qora
