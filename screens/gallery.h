// The shooting gallery: the room with its walls, floor, time bar and front
// wall, the players' score boxes, the three target pictures (upright, edge-on,
// falling), the cannon in its five aiming positions and the crosshair. The
// target and cannon pictures are drawn once on a scratch page and captured;
// play pastes them.
#pragma once

#include <cstdint>

#include "app/types.h"

namespace qora {

void PICTURE();
void BOX(int32_t NUM);
void CENTRALBOX(int32_t NUM);
void OUTMISHENS();
void GETPUSHKS();
void DRAWPUSHKA(double ANGLE, int32_t L, int32_t LEFTDELTA, int32_t RIGHTDELTA);
void DRAWPRICEL(int32_t X, int32_t Y);
void CLEARFRONTWALLAREA();

// Where the targets stand (valid once G_PTMISHENDISTANCE is set for a game):
// the top-left corner of target k's picture (k = 0..4 from the left), the
// rectangle the picture covers (the mouse hit area of the target), and the
// centre of the crosshair resting on it.
TPOINT MISHENPOS(int32_t k);
TRECT MISHENRECT(int32_t k);
TPOINT PRICELPOS(int32_t k);

}  // namespace qora
