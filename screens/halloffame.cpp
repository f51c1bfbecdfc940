#include "screens/halloffame.h"

#include "graph/graph.h"
#include "screens/results.h"
#include "state/geometry.h"
#include "state/globals.h"
#include "state/ranking.h"
#include "toolkit/text.h"
#include "toolkit/widgets.h"

namespace qora {

void VICTORYDESK() {
  const int32_t X = G_RCSCREEN.LEFT, Y = G_RCSCREEN.TOP, X1 = G_RCSCREEN.RIGHT,
                Y1 = G_RCSCREEN.BOTTOM;
  SETACTIVEPAGE(1);
  CLEARDEVICE();
  FIRMLABEL(false);
  const TRECT RCDESK{X + 80, Y + 30 + G_RCFIRMLABEL.BOTTOM, X1 - 80, Y1 - 50};
  const int32_t HEIGHT = G_PTCONTROLCHARSIZE.Y, XDELTA = 10;
  // The two tables, seven lines high each, split the rest into three gaps.
  const int32_t YDELTA = (RCDESK.BOTTOM - RCDESK.TOP - 14 * HEIGHT) / 3;
  INITFLASH();
  MINIBUTTON(RCDESK.LEFT, RCDESK.TOP, RCDESK.RIGHT, RCDESK.BOTTOM, int32_t(LIGHTRED), "", true);
  MINIBUTTON(RCDESK.LEFT + 5, RCDESK.TOP + 3, RCDESK.RIGHT - 5, RCDESK.BOTTOM - 3, int32_t(RED),
             "", false);
  SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
  // A blank record ranks nowhere and marks no row as the game just played.
  PLAYER[2].SCORE = 0;
  PLAYER[2].NAME = "";
  CURFN = ONEPLAYERFN;
  GETFIRST5(CURFN, PLAYER[2]);
  RECORDSTABL(RCDESK.LEFT + XDELTA, RCDESK.TOP + YDELTA, RCDESK.RIGHT - XDELTA,
              RCDESK.TOP + YDELTA + 7 * HEIGHT, false);
  CURFN = TWOPLAYERSFN;
  GETFIRST5(CURFN, PLAYER[2]);
  RECORDSTABL(RCDESK.LEFT + XDELTA, RCDESK.TOP + 2 * YDELTA + 7 * HEIGHT, RCDESK.RIGHT - XDELTA,
              RCDESK.TOP + 2 * YDELTA + 14 * HEIGHT, false);
  WAIT(500);
  INITFLASH();
  SETTEXTSTYLE(G_IFONTMAINTITLE, HORIZDIR, G_IFONTMAINTITLESIZE);
  const std::string& title = msg(75);
  LETERS(G_RCFIRMLABEL.RIGHT +
             (G_RCSCREEN.RIGHT - G_RCFIRMLABEL.RIGHT - TEXTWIDTH(title) - RCDESK.LEFT) / 2,
         (G_RCFIRMLABEL.BOTTOM - TEXTHEIGHT(title)) / 2, title);
  SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
  OUTCOM(0, RCDESK.BOTTOM, G_RCSCREEN.RIGHT, G_RCSCREEN.BOTTOM, msg(76));
  SETVISUALPAGE(1);
  WAITKEYPRESSED(true);
}

}  // namespace qora
