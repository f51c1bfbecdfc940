// The clock of a shooting attempt, with the lamps of the time bar that light
// up second by second.
#pragma once

#include <cstdint>

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

}  // namespace qora
