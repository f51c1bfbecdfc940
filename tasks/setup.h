// The dialogs that set up a game: one or two players, the players' names,
// the time allowed for one shot and the level, whose groups of elements make
// the selection the task generator draws its answers from. Every dialog draws
// on the active page, returns true when the player confirmed and false when
// Esc (or the window's close button) cancelled the game.
#pragma once

#include <cstdint>
#include <string>

namespace qora {

// One or two players: sets PLCH and CURFN. ITOP is the row below which the
// dialog draws.
bool PLAYCHANGE(int32_t ITOP);
// The names, the time limit and the level, in this order; then the players'
// counters start from zero.
bool ALLINPUT(int32_t YTOP);
// The players' names (PLAYER[0].NAME and, for two players, PLAYER[1].NAME).
bool INPUTNAME(int32_t YTOP);
// A one-line text field in the box (X, Y, X1, Y1) holding at most MXC - 1
// characters. Latin letters typed on the Latin layout become the Cyrillic
// letters on the same keys (LATARR -> RUSARR); Cyrillic typed on the Russian
// layout stays. Returns the text once Enter confirms a text that is not all
// spaces, or the empty string after Esc.
std::string GRINPUT(int32_t X, int32_t Y, int32_t X1, int32_t Y1, int32_t MXC);
// The seconds allowed for one shot (15, 10 or 5): TIMELIM and PLAYER[0..1].TIME.
bool INPUTTIME(int32_t YTOP);
// The level (1 to 3) beside the periodic table with the level's groups lit:
// KLASS, the selection CURGRUPARR / CURGRUPCOUNT and PLAYER[0..1].LEVEL. A
// level whose groups hold no element is refused with a low tone.
bool INPUTLEVEL(int32_t YTOP);

// The selection of a level: the elements of groups 1 to LEVEL in group order,
// each group in ascending element order, an element once per group that holds
// it, at most 105 entries. Returns the count.
uint8_t BUILDSELECTION(int32_t LEVEL);

}  // namespace qora
