// The time bar of a shooting attempt and its lamps.
#include "tasks/timebar.h"

#include "graph/graph.h"
#include "platform/clock.h"
#include "state/geometry.h"
#include "state/globals.h"
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

}  // namespace qora
