#include "tasks/question.h"

#include <array>

#include "app/geometry.h"
#include "app/globals.h"
#include "graph/graph.h"
#include "platform/clock.h"
#include "toolkit/poll.h"
#include "toolkit/text.h"
#include "toolkit/widgets.h"

namespace qora {

namespace {

// Where the lamps of the current time bar stand: x of lamp i is x0 + 20 i.
// Taken when the bar is drawn, so a text style changed since (by the exit
// question, say) cannot move the flood fill of a lamp off its circle and
// into the bar.
struct Lamps {
  bool drawn = false;
  int32_t x0 = 0, y = 0;
};
Lamps g_lamps;

Lamps lamps_now() {
  return Lamps{true, G_PTFRONTWALLLEFTPOINT.X + TEXTWIDTH(msg(25)) + 20,
               G_PTFRONTWALLLEFTPOINT.Y + G_PTTIMEBARSIZE.Y / 2};
}

int16_t c16(int32_t v) { return static_cast<int16_t>(v); }

}  // namespace

void DRAWTIMEBAR() {
  SETCOLOR(DARKGRAY);
  const int32_t height = TEXTHEIGHT(msg(25));
  OUTTEXTXY(c16(G_PTFRONTWALLLEFTPOINT.X + 10),
            c16(G_PTFRONTWALLLEFTPOINT.Y + (G_PTTIMEBARSIZE.Y - height) / 2), msg(25));
  g_lamps = lamps_now();
  for (int32_t i = 1; i <= TIMELIM; ++i)
    for (uint16_t r : {8, 9, 7}) CIRCLE(c16(g_lamps.x0 + 20 * i), c16(g_lamps.y), r);
}

bool TIMEEND() {
  SEC = static_cast<uint16_t>(platform::local_now().second);
  if (SEC < STARTSEC) SEC = static_cast<uint16_t>(SEC + 60);  // one minute's wrap
  CURTIME = int32_t(SEC) - int32_t(STARTSEC) + int32_t(SECBEFORESCPRESSED);
  if (CURTIME <= 0 || CURTIME == LASTCURTIME) return false;
  const Lamps l = g_lamps.drawn ? g_lamps : lamps_now();
  bool result = false;
  int32_t lamp = CURTIME;
  uint16_t colour = static_cast<uint16_t>(GREEN);
  if (CURTIME >= TIMELIM - 3 && CURTIME < TIMELIM) {
    colour = static_cast<uint16_t>(RED);
  } else if (CURTIME >= TIMELIM) {
    lamp = TIMELIM;
    colour = static_cast<uint16_t>(LIGHTRED);
    result = true;
  }
  if (lamp >= 1) PAINT(l.x0 + 20 * lamp, l.y, colour, static_cast<uint16_t>(DARKGRAY));
  BEEP(static_cast<uint16_t>(CURTIME * 100 + 300), 80);
  LASTCURTIME = CURTIME;
  return result;
}

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
