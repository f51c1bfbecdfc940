// Opening and closing the game's window with everything computed for its size.
#pragma once

#include <string>

namespace qora {

// Opens the graphics window in the mode of G_ISCREENRESOLUTION and computes
// colours, geometry, fonts and the pictures. Returns false (with the reason
// in `why`) when the window cannot be opened.
bool INITGRAPHWITHVARIBLES(std::string* why = nullptr);
// Draws the three targets, the room, the boxes and the cannon once and keeps
// the captured pictures (MISH, PUSHKA).
void GETTARGETSIMAGES();
// Frees the captured pictures and closes the window.
void DONEGRAPHWITHVARIBLES();

}  // namespace qora
