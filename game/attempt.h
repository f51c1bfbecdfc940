// One shooting attempt of one player at the current task, and the question
// whether to leave the game.
#pragma once

#include <cstdint>

namespace qora {

// The routine type of an attempt, as the game driver calls it: the player
// (0 or 1), the attempt at this task (0 first, 1 the other player's second
// try) and the exit flag; true when the right target was hit or the player
// left the game.
using ATTFUNC = bool (*)(int32_t NUM, int32_t KOLVO, bool& BDOEXIT);

// Five captioned targets stand in the gallery; the crosshair moves between
// them by arrow keys or by pointing and the cannon turns with it; Space,
// Enter or a click shoots once; the time limit ends the attempt without a
// hit; Esc asks whether to leave (BDOEXIT). Updates PLAYER[NUM] and
// PLAYERRESULT[NUM] unless the player leaves. Pages: the player watches page
// 1 while page 0 is rebuilt, then page 0; at the end page 0 is shown and
// page 1 holds the gallery with blank upright targets.
bool GAMEATTEMPT(int32_t NUM, int32_t KOLVO, bool& BDOEXIT);

// The exit question on page 2 over an empty gallery; true = leave. The
// seconds it stays open do not count against the attempt.
bool ASKGAMEEXIT();

}  // namespace qora
