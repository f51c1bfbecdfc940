// The hall of fame: the five best one-player games above the five best
// two-player games, framed under a title, until a key or a click.
#pragma once

namespace qora {

// Builds the screen on page 1, shows it and waits. Leaves CURFN naming the
// two-player table, FIRST5 holding its five best and PLAYER[2] blank.
void VICTORYDESK();

}  // namespace qora
