#include "game/attempt.h"

#include <algorithm>
#include <array>

#include "app/geometry.h"
#include "app/globals.h"
#include "app/random.h"
#include "graph/graph.h"
#include "platform/clock.h"
#include "screens/gallery.h"
#include "screens/ptable.h"
#include "tasks/question.h"
#include "toolkit/poll.h"
#include "toolkit/widgets.h"

namespace qora {

namespace {

int16_t c16(int32_t v) { return static_cast<int16_t>(v); }
uint16_t col(uint32_t v) { return static_cast<uint16_t>(v); }

void paste(const IMAGEBUF& img, const TPOINT& at) { PUTIMAGE(c16(at.X), c16(at.Y), img, COPYPUT); }

// The inside of the time bar.
void clear_timebar() {
  const TPOINT FWL = G_PTFRONTWALLLEFTPOINT;
  CBAR(FWL.X + 1, FWL.Y + 1, G_RCSCREEN.RIGHT - FWL.X - 1, FWL.Y + G_PTTIMEBARSIZE.Y - 1,
       col(WHITE));
}

// The score boxes as the game shows them between attempts.
void boxes_after(int32_t NUM) {
  if (PLCH == 2)
    BOX(NUM);
  else
    CENTRALBOX(0);
}

void falling_noise() {
  BEEP(105, 155);
  if (!SOUNDOK) return;
  for (int32_t t = 150; t >= 25; --t)
    for (int i = 0; i < 3; ++i) BEEP(static_cast<uint16_t>(RANDOM(2 * t)), 1);
}

struct Attempt {
  int32_t NUM;
  int32_t SH = 2;
  std::array<TRECT, 5> RCMENU{};
  bool B = false;
  bool result = false;

  // Moves the crosshair (and the cannon) to target k, on the visible page.
  void move_to(int32_t k) {
    const TPOINT c = PRICELPOS(SH);
    const int32_t r = PRICELSIZE();
    CBAR(c.X - r, c.Y - r, c.X + r, c.Y + r, col(DARKGRAY));
    SH = k;
    const TPOINT n = PRICELPOS(SH);
    DRAWPRICEL(n.X, n.Y);
    paste(PUSHKA[size_t(SH)], TPOINT{G_RCPUSHKA.LEFT, G_RCPUSHKA.TOP});
    SETCOLOR(PRICELCOL);
  }

  void fire() {
    falling_noise();
    if (SH != CORNO) return;  // a wrong target: only the noise
    const TPOINT at = MISHENPOS(SH);
    paste(MISH[C_MISHFALL], at);
    WAIT(200);
    for (uint16_t hz = 30; hz >= 26; --hz) BEEP(hz, 50);
    CBAR(at.X, at.Y, at.X + G_RCMISHEN.RIGHT, at.Y + G_RCMISHEN.BOTTOM, col(CYAN));
    if (SOUNDOK) {
      WAIT(50);
      BEEP(100, 200);
    }
    WAIT(500);
    B = true;
    result = true;
    PLAYER[size_t(NUM)].SCORE = static_cast<uint16_t>(PLAYER[size_t(NUM)].SCORE + 1);
  }

  void setup() {
    INITFLASH();
    CURTIME = 0;
    SECBEFORESCPRESSED = 0;
    for (int32_t k = 0; k < 5; ++k) RCMENU[size_t(k)] = MISHENRECT(k);
    const TPOINT cannon{G_RCPUSHKA.LEFT, G_RCPUSHKA.TOP};
    CENTRALBOX(NUM);  // whose turn it is, on the page shown
    paste(PUSHKA[size_t(SH)], cannon);
    WAIT(500);
    if (SOUNDOK) {
      BEEP(50, 70);
      BEEP(150, 80);
      WAIT(225);
      BEEP(140, 50);
    }
    WAIT(250 + READTIME / 2);
    SETACTIVEPAGE(G_CGAMENMAINPAGE1);
    CENTRALBOX(NUM);
    paste(PUSHKA[size_t(SH)], cannon);
    SETVISUALPAGE(G_CGAMENMAINPAGE1);
    SETACTIVEPAGE(G_CGAMENMAINPAGE0);
    for (int32_t k = 0; k < 5; ++k) {
      paste(MISH[C_MISHFRONT], MISHENPOS(k));
      OUTNAME(k);
    }
    const TPOINT c = PRICELPOS(SH);
    DRAWPRICEL(c.X, c.Y);
    DRAWTIMEBAR();
    SETVISUALPAGE(G_CGAMENMAINPAGE0);
    STARTSEC = static_cast<uint16_t>(platform::local_now().second);
    INITFLASH();
    LASTCURTIME = -1;
  }

  void finish() {
    RESULTREC& r = PLAYERRESULT[size_t(NUM)];
    PLAYREC& p = PLAYER[size_t(NUM)];
    // The latest attempt at an element decides where it stands.
    if (B) {
      r.KNOWEL.include(COREL);
      r.UNKNOWEL.exclude(COREL);
    } else {
      r.KNOWEL.exclude(COREL);
      r.UNKNOWEL.include(COREL);
    }
    clear_timebar();
    p.HISCORE = static_cast<uint16_t>(p.HISCORE + 1);
    // The total time holds at its largest value instead of wrapping round:
    // a wrapped total would shrink the rating's divisor and rank the game
    // far too high.
    p.ALLTIME = static_cast<uint16_t>(std::min<int32_t>(int32_t(p.ALLTIME) + CURTIME, 65535));
    SETACTIVEPAGE(G_CGAMENMAINPAGE1);
    boxes_after(NUM);
    clear_timebar();
    SETVISUALPAGE(G_CGAMENMAINPAGE1);
    WAIT(70);
    SETACTIVEPAGE(G_CGAMENMAINPAGE0);
    CBAR(G_RCPUSHKA.LEFT, G_RCPUSHKA.TOP, G_RCPUSHKA.RIGHT,
         G_RCPUSHKA.BOTTOM + G_PTBOXSIZE.Y + G_PTBOXTHICKSIZE.Y + 2, col(BROWN));
    boxes_after(NUM);
    PASTEMISHENS(C_MISHTURN);
    SETVISUALPAGE(G_CGAMENMAINPAGE0);
    WAIT(1000);
  }
};

}  // namespace

bool GAMEATTEMPT(int32_t NUM, int32_t, bool& BDOEXIT) {
  BDOEXIT = false;
  Attempt a{NUM == 1 ? 1 : 0};
  a.setup();
  POLLOPTIONS o;
  o.flash_min = 135;
  o.flash_max = 245;
  o.flash_late = 2;
  o.label = true;
  TPOLL poll(o);
  poll.TARGETS(a.RCMENU.data(), 5);
  bool ESCTRUE = false;
  for (bool BB = false; !BB;) {
    poll.FLASHSTEP();
    // The window's close button leaves the game as a confirmed exit does.
    if (GRCLOSEREQUEST()) {
      BDOEXIT = true;
      return true;
    }
    if (ESCTRUE) {
      if (ASKGAMEEXIT()) {
        BDOEXIT = true;
        return true;  // no counters, no result sets, no clean-up
      }
      // The click that answered the question stays with it: it is no shot,
      // and the attempt goes on as before Esc.
      ESCTRUE = false;
      poll.REARM();
    }
    poll.LOOK();
    if (const int32_t k = poll.HIT(a.SH); k >= 0) a.move_to(k);
    // Space, Enter, or a press on this screen now released (not on the label).
    const bool shot = poll.CONFIRM() || poll.CLICK();
    if (poll.KEY()) D = poll.EXTENDED() ? static_cast<char>(poll.CODE()) : poll.CH();
    if (poll.KEY() && poll.CH() == 27) ESCTRUE = true;
    if (shot) a.fire();
    if (poll.EXTENDED()) a.move_to(SDVIG(0, 4, a.SH, 1));
    BB = shot || TIMEEND();
  }
  a.finish();
  return a.result;
}

bool ASKGAMEEXIT() {
  SETACTIVEPAGE(G_CGAMENMAINASKPAGE);
  CLEARDEVICE();  // the empty gallery, without what an earlier question left
  PICTURE();
  FIRMLABEL(false);
  SETVISUALPAGE(G_CGAMENMAINASKPAGE);
  SECBEFORESCPRESSED = static_cast<uint16_t>(CURTIME);
  const int32_t answer = MESSAGEQUESTION(msg(125), msg(126), msg(127));
  STARTSEC = static_cast<uint16_t>(platform::local_now().second);
  SETACTIVEPAGE(G_CGAMENMAINPAGE0);
  SETVISUALPAGE(G_CGAMENMAINPAGE0);
  return answer == 0;
}

}  // namespace qora
