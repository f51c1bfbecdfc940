// The game driver: games one after another from the first menu item until
// the players back out of the set-up. A game is the help screen with the
// set-up dialogs, the gallery, series of ten tasks per player, the answer
// reveal after a task nobody solved, the results and the top five, and the
// storing of the game when the players stop.
#pragma once

#include <cstdint>

#include "app/types.h"
#include "game/attempt.h"

namespace qora {

// Runs games with ATTEMPT as the shooting attempt; returns to the menu after
// Esc in a set-up dialog or a confirmed exit during a task (the game played
// so far stored first).
void RUNPROGRAMM(ATTFUNC ATTEMPT);
// The end of every series: the five targets fall one after the other, each
// with its tones.
void FINALSALVO();
// W steps of the help frame's twinkle, 1 ms apart.
void HELPWAIT(uint16_t W, const TRECT& R);
// Asks whether to play ten more tasks; once the first player has made
// MAXZAD attempts it only waits for a key or a click and says no.
bool TRUECONTINUE();
// Appends the game's entry PLAYER[2] to the score table CURFN and each
// player's known and missed elements to the results base.
void SAVEALLCURRENTRESULT();
// Shows the right target of the task just played, named, and lets its
// element be asked again later in the game.
void LANG();

// The game's score-table entry from the players' counters as they stand:
// the first player's record, for two players both names joined and the
// counters summed, the name preceded by today's date.
void BUILDGAMEENTRY();

}  // namespace qora
