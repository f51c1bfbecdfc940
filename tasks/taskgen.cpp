#include "tasks/taskgen.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "state/datafiles.h"
#include "state/globals.h"
#include "state/random.h"

namespace qora {

// Every draw below is uniform, and none of them can run forever:
//
// - The right answer comes from the current selection. Entries that are not
//   element indices of the table are left out. When nothing is left (the
//   groups of the chosen level are empty), the answer is drawn from every
//   element of the table that has a name instead, so the game still asks
//   questions rather than stopping; an empty table leaves all targets blank.
// - A decoy symbol is drawn among the named elements not yet on a target.
//   When there is none (a table of fewer than five named elements), that
//   target stays blank: it shows no symbol and no name, so it can never be
//   taken for the right answer.
// - A decoy name comes from the first KLASS elements (at most the table size),
//   any of them but the decoy's own element. When that range holds no other
//   element (KLASS below 2), the name is drawn from the whole table; a table of
//   one element leaves the name empty.
// - The right target moves to one of the four places it did not hold before.
void TASKGEN() {
  const int32_t tablesize = usable_element_count();
  const auto named = [](int32_t e) { return !ELEMENT[size_t(e)].NAME.empty(); };

  // 1. A fresh seed for every task.
  RANDOMIZE();

  // The elements the right answer is drawn from.
  std::vector<int32_t> selection;
  const int count = std::min<int>(CURGRUPCOUNT, int(CURGRUPARR.size()));
  for (int i = 0; i < count; ++i)
    if (CURGRUPARR[size_t(i)] < tablesize) selection.push_back(CURGRUPARR[size_t(i)]);
  if (selection.empty())
    for (int32_t e = 0; e < tablesize; ++e)
      if (named(e)) selection.push_back(e);

  // 2. A new round once every element of the selection has been an answer.
  const auto CLEARCORSET = [&] {
    const bool all_used = std::all_of(selection.begin(), selection.end(),
                                      [](int32_t e) { return USEDCORNOMBS.has(e); });
    if (all_used) USEDCORNOMBS.clear();
  };
  CLEARCORSET();

  MISHEN.fill(DATABASE{});
  USEDNOMBS.clear();
  if (!selection.empty()) {
    // 3. The right answer: an element of the selection not yet asked in this round.
    int32_t i;
    do {
      i = RANDOM(int32_t(selection.size()));
    } while (USEDCORNOMBS.has(selection[size_t(i)]));
    COREL = selection[size_t(i)];
    USEDCORNOMBS.include(COREL);
    NOWCORNOMBS = COREL;
    MISHEN[0] = ELEMENT[size_t(COREL)];
    USEDNOMBS.include(COREL);

    // 4. Four decoys, each a symbol with the name of another element.
    const int32_t klass = std::clamp<int32_t>(KLASS, 0, tablesize);
    for (int k = 1; k <= 4; ++k) {
      std::vector<int32_t> symbols;
      for (int32_t e = 0; e < tablesize; ++e)
        if (!USEDNOMBS.has(e) && named(e)) symbols.push_back(e);
      if (symbols.empty()) continue;  // the target stays blank
      const int32_t I = symbols[size_t(RANDOM(int32_t(symbols.size())))];
      USEDNOMBS.include(I);

      // Names from 0..range-1 except I.
      int32_t range = klass;
      if (range - (I < range ? 1 : 0) < 1) range = tablesize;
      const int32_t choices = range - (I < range ? 1 : 0);
      MISHEN[size_t(k)].SYMBOL = ELEMENT[size_t(I)].SYMBOL;
      if (choices < 1) continue;  // a table of one element: no other name exists
      int32_t J = RANDOM(choices);
      if (I < range && J >= I) ++J;
      MISHEN[size_t(k)].NAME = ELEMENT[size_t(J)].NAME;
    }
  }

  // 5. The right target goes to a place other than the one it held last time.
  int32_t N;
  if (CORNO <= 4) {
    N = RANDOM(4);
    if (N >= CORNO) ++N;
  } else {
    N = RANDOM(5);
  }
  CORNO = uint16_t(N);
  COMOD = MISHEN[0];
  MISHEN[0] = MISHEN[size_t(N)];
  MISHEN[size_t(N)] = COMOD;
}

}  // namespace qora
