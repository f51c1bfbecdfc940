// Opening and closing the game's window: colours, geometry and fonts computed
// for its size, and the gallery's pictures drawn once and captured.
#include "screens/window.h"

#include "graph/graph.h"
#include "screens/gallery.h"
#include "state/geometry.h"
#include "state/globals.h"

namespace qora {

bool INITGRAPHWITHVARIBLES(std::string* why) {
  GD = D4BIT;
  uint32_t opt = G_ISCREENRESOLUTION;
  if (opt < 1 || opt > uint32_t(G_CSCREENRESOLUTIONSCOUNT)) opt = 1;
  GM = G_CSCREENRESOLUTIONS[opt];
  INITGRAPH(GD, GM, msg(77));
  const int16_t r = GRAPHRESULT();
  if (r != GROK || !GRAPHENABLED()) {
    if (why) *why = grapherrormsg(r);
    return false;
  }
  INITCOLORS();
  INITCOORDS();
  INITCHARSIZE();
  GETTARGETSIMAGES();
  return true;
}

void GETTARGETSIMAGES() {
  // The target pictures are drawn side by side on page 1 while page 0 is
  // shown, and captured; the room, the boxes and the cannon pictures are then
  // drawn on page 3, which stays the drawing page.
  SETACTIVEPAGE(1);
  SETVISUALPAGE(0);
  CLEARDEVICE();
  OUTMISHENS();
  const int32_t R = G_RCMISHEN.RIGHT, B = G_RCMISHEN.BOTTOM;
  for (auto& m : MISH) m.assign(size_t(IMAGESIZE(0, 0, int16_t(R), int16_t(B))), 0);
  for (int32_t i = 0; i < 3; ++i)
    GETIMAGE(int16_t(i * (R + 2)), 0, int16_t((i + 1) * R + 2 * i), int16_t(B), MISH[i]);
  SETACTIVEPAGE(3);
  PICTURE();
  BOX(1);
  CENTRALBOX(0);
  GETPUSHKS();
}

void DONEGRAPHWITHVARIBLES() {
  for (auto& m : MISH) m = IMAGEBUF{};
  for (auto& p : PUSHKA) p = IMAGEBUF{};
  CLOSEGRAPH();
}

}  // namespace qora
