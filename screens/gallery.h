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
// The crosshair's reach from its centre and the radius of its ring: 12 and 8
// pixels at 640 x 480, growing with the targets.
int32_t PRICELSIZE();
int32_t PRICELRADIUS();
void CLEARFRONTWALLAREA();

// Spaces the five targets along the front wall (G_PTMISHENDISTANCE): the gaps
// between them, and their drop below the time bar. A game does it as it starts.
void SETMISHENDISTANCE();
// Pastes the picture MISH[picture] at all five target positions.
void PASTEMISHENS(int32_t picture);

// Where the targets stand (valid once SETMISHENDISTANCE has spaced them):
// the top-left corner of target k's picture (k = 0..4 from the left), the
// rectangle the picture covers (the mouse hit area of the target), and the
// centre of the crosshair resting on it.
TPOINT MISHENPOS(int32_t k);
TRECT MISHENRECT(int32_t k);
TPOINT PRICELPOS(int32_t k);

}  // namespace qora
