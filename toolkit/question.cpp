// The game's modal two-choice question over the front wall.
#include "toolkit/question.h"

#include <array>

#include "graph/graph.h"
#include "state/geometry.h"
#include "state/globals.h"
#include "toolkit/poll.h"
#include "toolkit/text.h"
#include "toolkit/widgets.h"

namespace qora {

int32_t MESSAGEQUESTION(const std::string& STITLE, const std::string& SASK1,
                        const std::string& SASK2) {
  const int32_t H = TEXTHEIGHT("\xD8");
  const int32_t BW = TEXTWIDTH(SASK1) * 4 + 80, BH = H * 4 + 20;
  const int32_t X = (G_PTFRONTWALLSIZE.X - BW) / 2 + G_PTSKYMAXPOINT.X;
  const int32_t Y = (G_PTFRONTWALLSIZE.Y - BH) / 2 + G_PTSKYMAXPOINT.Y + G_PTTIMEBARSIZE.Y;
  const int32_t X1 = X + BW, Y1 = Y + BH;
  const int32_t XM = X + (X1 - X) / 2, YM = Y + (Y1 - Y) / 2;
  const std::array<TRECT, 2> rcmouse = {TRECT{X, YM - H, XM, YM + H}, TRECT{XM, YM - H, X1, YM + H}};
  int32_t T = 0;

  auto OUTCHANGE = [&] {
    if (T == 0) {
      OUTACTMENU(X + 80, Y, XM, Y1, SASK1);
      OUTPASTMENU(XM, Y, X1 - 80, Y1, SASK2);
    } else {
      OUTPASTMENU(X + 80, Y, XM, Y1, SASK1);
      OUTACTMENU(XM, Y, X1 - 80, Y1, SASK2);
    }
  };

  OUTCOM(X, G_PTSKYMAXPOINT.Y, X1, G_PTSKYMAXPOINT.Y + G_PTTIMEBARSIZE.Y, STITLE);
  MINIBUTTON(X + 70, Y + 15, X1 - 70, Y1 - 15, int32_t(LIGHTGRAY), "", true);
  MINIBUTTON(X + 75, Y + 17, X1 - 75, Y1 - 17, 0, "", false);
  OUTCHANGE();

  WAITSTILL();
  D = 0;
  INITFLASH();
  POLLOPTIONS o;
  o.label = true;
  TPOLL poll(o);
  poll.TARGETS(rcmouse.data(), 2);
  for (;;) {
    poll.FLASHSTEP();
    poll.LOOK();
    if (const int32_t k = poll.HIT(T); k >= 0) {
      T = k;
      OUTCHANGE();
    }
    // Esc is read and has no further effect.
    if (poll.EXTENDED()) {
      D = static_cast<char>(poll.CODE());
      T = SDVIG(0, 1, T, 1);
      OUTCHANGE();
    }
    if (poll.CONFIRM() || poll.TAKECLICK()) break;
  }
  return T;
}

}  // namespace qora
