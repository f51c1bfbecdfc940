// The clock of a shooting attempt, with the lamps of the time bar that light
// up second by second, and the game's modal two-choice question.
#pragma once

#include <cstdint>
#include <string>

namespace qora {

// Draws the time bar of an attempt on the active page: MSG[25] and one dark
// lamp per second of TIMELIM, and remembers where the lamps stand so that
// TIMEEND lights exactly those, whatever text style is current later.
void DRAWTIMEBAR();

// The attempt's clock, called on every pass: counts the seconds since
// STARTSEC (plus SECBEFORESCPRESSED), lights the lamp of each new second
// (green, the last three red, the final one light red), ticks while sound
// effects are on, and returns true on the one call at which TIMELIM is reached.
bool TIMEEND();

// Asks STITLE with the two choices SASK1 (left) and SASK2 (right) over the
// front wall; returns 0 for the first and 1 for the second. Arrow keys,
// pointing, Space, Enter or a click choose; a click on the maker's label
// does not. Esc has no effect: no caller has a choice that Esc could safely
// stand for (the group editor's question would lose the teacher's work).
int32_t MESSAGEQUESTION(const std::string& STITLE, const std::string& SASK1,
                        const std::string& SASK2);

}  // namespace qora
