// The group editor: the teacher rearranges which elements the levels ask.
// Four lists side by side (groups 1, 2, 3 and the elements no level uses),
// one cursor moved by the arrow keys or by pointing, Tab to the next list,
// the keys "1", "2", "3" and "-" to move the element under the cursor, F2 for
// the default groups, Esc to leave with the question whether to save.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "state/types.h"

namespace qora {

// Runs the group editor from its introduction page until Esc, then asks
// whether to save (only when the groups were changed in this run) and saves
// "group.qora" on yes. A save that fails is told in a message box. The
// caller reloads the groups from the file afterwards.
void SETGROUPS();

// The editor's own routines. They live apart from the rest of the game: the
// list titles routine shares its name with the credits screen's.
namespace groups {

// Element numbers of a list, used from entry 1 (entry 0 is not used).
using SA = std::vector<uint8_t>;

constexpr int32_t COLUMNS = 4;   // entries per row of a list
constexpr int32_t ROWS = 13;     // rows of a list
constexpr int32_t MAXLIST = 52;  // entries a list shows, and the most a group takes

// One of the four lists.
struct GrupObject {
  int32_t X = 0, Y = 0, X1 = 0, Y1 = 0;  // the list's area
  int32_t XX = 1, YY = 1;                // cursor column (1..4) and row (from 1)
  int32_t CUREL = 1;                     // cursor entry number, 4·(YY − 1) + XX
  int32_t ELCOUNT = 0;                   // elements in the list
  SA ELARR;                              // their numbers in ascending order, from entry 1

  // Cursor to (1, 1), the list's two frames and its entries.
  void INITGRUP();
  // All entries drawn passive.
  void OUTPAGE() const;
  // The cursor entry passive or active (nothing when the list is empty).
  void OUTPASTEL() const;
  void OUTACTEL() const;
  // The rectangle of entry (XX, YY).
  void SETELEMMENURECT(TRECT& R, int32_t XX, int32_t YY) const;
};

// TS := the number of members of BS; SS[1..TS] := the members in ascending
// order (SS grows when it is too short for them).
void SETSCROOLARR(const BYTESET& BS, SA& SS, int32_t& TS);
// Entry number of column XX, row YY in rows of XCOUNT entries.
int32_t GETITEMNOMBER(int32_t XX, int32_t YY, int32_t XCOUNT);

// The groups were changed on the editor during this run (a move or F2). It is
// never cleared while the program runs, so every later visit asks the save
// question on leaving.
extern bool CHANGEGRUP;

// While the editor is open: list g (1 to 4) and the current list; nullptr and
// 0 otherwise.
const GrupObject* LIST(int32_t g);
int32_t CURRENTLIST();

}  // namespace groups

}  // namespace qora
