#include "game/driver.h"

#include <algorithm>
#include <string>

#include "app/geometry.h"
#include "app/globals.h"
#include "app/random.h"
#include "game/title.h"
#include "graph/graph.h"
#include "platform/trace.h"
#include "screens/gallery.h"
#include "screens/ptable.h"
#include "screens/results.h"
#include "tasks/question.h"
#include "tasks/scorefiles.h"
#include "tasks/setup.h"
#include "tasks/taskgen.h"
#include "toolkit/format.h"
#include "toolkit/widgets.h"

namespace qora {

namespace {

int16_t c16(int32_t v) { return static_cast<int16_t>(v); }
uint16_t col(uint32_t v) { return static_cast<uint16_t>(v); }

void twinkle(const TRECT& r, int steps) {
  for (int i = 0; i < steps; ++i) RAMKA(r);
}

void score_boxes() {
  if (PLCH == 2) {
    BOX(0);
    BOX(1);
  } else {
    CENTRALBOX(0);
  }
}

// A counter of the combined entry: the sum, held at the largest value a
// record can store rather than wrapping round to a small one.
uint16_t sum16(uint16_t a, uint16_t b) { return uint16_t(std::min(int32_t(a) + b, 65535)); }

// ---- A. The help screen and the set-up ----------------------------------------

bool SETUPGAME() {
  SETCOLOR(LIGHTGREEN);
  SETACTIVEPAGE(G_CGAMENMAINMENUPAGE);
  SETVISUALPAGE(G_CGAMENMAINMENUPAGE);
  CLEARDEVICE();
  VYEZD(msg(62));
  SETTEXTSTYLE(G_IFONTDESCRIPTION, HORIZDIR, G_IFONTDESCRIPTIONSIZE);
  const int32_t L = G_PTDESCRIPTIONCHARSIZE.Y;
  const int32_t top = G_IMAINTITLETOP + 2 + G_PTMAINTITLECHARSIZE.Y;
  const TRECT RCHELP{2, top, G_RCSCREEN.RIGHT - 2, top + 10 * L};
  CBAR(RCHELP.LEFT, RCHELP.TOP, RCHELP.RIGHT, RCHELP.BOTTOM, col(G_IFONTDESCRIPTIONBACKCOLOR));
  twinkle(RCHELP, 100);
  SETCOLOR(G_IFONTDESCRIPTIONCOLOR);
  auto line = [&](int32_t i, int m) {
    const std::string& s = msg(m);
    OUTTEXTXY(c16((RCHELP.RIGHT - TEXTWIDTH(s)) / 2), c16(RCHELP.TOP + 10 + i * L), s);
  };
  for (int32_t i = 0; i < 4; ++i) {
    line(i, 63 + i);
    twinkle(RCHELP, 200);
    HELPWAIT(uint16_t(i < 3 ? READHELP : READTIME), RCHELP);
  }
  PLAYER[1].TEACH = PLAYER[2].TEACH = 1;
  PLAYERRESULT[0].TEACH = PLAYERRESULT[1].TEACH = 1;
  if (!PLAYCHANGE(RCHELP.BOTTOM)) return false;
  SETCOLOR(YELLOW);
  if (PLCH == 2) line(4, 67);
  HELPWAIT(uint16_t(READHELP), RCHELP);
  twinkle(RCHELP, 200);
  line(5, 68);
  twinkle(RCHELP, 200);
  HELPWAIT(uint16_t(READHELP), RCHELP);
  line(6, 69);
  twinkle(RCHELP, 200);
  HELPWAIT(uint16_t(READHELP), RCHELP);
  line(8, 70);
  twinkle(RCHELP, 200);
  HELPWAIT(uint16_t(READTIME), RCHELP);
  return ALLINPUT(RCHELP.BOTTOM);
}

// ---- B. The gallery ----------------------------------------------------------------

void PREPAREGALLERY() {
  for (uint16_t page : {uint16_t(G_CGAMENMAINASKPAGE), uint16_t(G_CGAMENMAINPAGE1)}) {
    SETACTIVEPAGE(page);
    CLEARDEVICE();
    PICTURE();
    FIRMLABEL(false);
  }
  SETVISUALPAGE(G_CGAMENMAINPAGE1);
  SETMISHENDISTANCE();
  PASTEMISHENS(C_MISHFRONT);
  platform::trace_once("first targets of a game on screen");
  SETACTIVEPAGE(G_CGAMENMAINPAGE0);
  CLEARDEVICE();
  PICTURE();
  FIRMLABEL(false);
  USEDCORNOMBS.clear();
  for (size_t p = 0; p < 2; ++p) {
    PLAYERRESULT[p].NAME = GETSRGDATE() + msg(74) + PLAYER[p].NAME.str();
    PLAYERRESULT[p].KNOWEL.clear();
    PLAYERRESULT[p].UNKNOWEL.clear();
  }
  RANDOMIZE();
}

// ---- C. A series -----------------------------------------------------------------

// Leaving during a task: the game played so far is stored, as long as
// anybody has shot at all.
void LEAVEGAME() {
  BUILDGAMEENTRY();
  if (int32_t(PLAYER[0].HISCORE) + PLAYER[1].HISCORE > 0) SAVEALLCURRENTRESULT();
}

// One attempt; the window's close button counts as leaving the game.
bool attempt(ATTFUNC ATTEMPT, int32_t NUM, int32_t KOLVO, bool& BDOEXIT) {
  const bool hit = ATTEMPT(NUM, KOLVO, BDOEXIT);
  if (GRCLOSEREQUEST()) BDOEXIT = true;
  return hit;
}

// Ten tasks per player; false when the players left the game (stored).
bool PLAYSERIES(ATTFUNC ATTEMPT) {
  SETACTIVEPAGE(G_CGAMENMAINPAGE1);
  score_boxes();
  SETACTIVEPAGE(G_CGAMENMAINPAGE0);
  PASTEMISHENS(C_MISHTURN);
  score_boxes();
  RANDOMIZE();
  bool BDOEXIT = false;
  for (int32_t QUESTION = 1; QUESTION <= 10; ++QUESTION) {
    if (PLCH != 2) {
      RANDOMIZE();
      TASKGEN();
      if (!attempt(ATTEMPT, 0, 0, BDOEXIT) && !BDOEXIT) LANG();
      if (BDOEXIT) {
        LEAVEGAME();
        return false;
      }
      continue;
    }
    // Each player opens one task; the other tries it when the first misses.
    for (int32_t first = 0; first < 2; ++first) {
      TASKGEN();
      bool hit = attempt(ATTEMPT, first, 0, BDOEXIT);
      if (!hit && !BDOEXIT) {
        hit = attempt(ATTEMPT, 1 - first, 1, BDOEXIT);
        if (!hit && !BDOEXIT) LANG();
      }
      if (BDOEXIT) {
        LEAVEGAME();
        return false;
      }
    }
  }
  return true;
}

}  // namespace

// All five targets knocked down one after the other.
void FINALSALVO() {
  SETVISUALPAGE(G_CGAMENMAINPAGE1);
  SETACTIVEPAGE(G_CGAMENMAINPAGE0);
  PASTEMISHENS(C_MISHFRONT);
  SETVISUALPAGE(G_CGAMENMAINPAGE0);
  for (int32_t k = 0; k < 5; ++k) {
    const TPOINT p = MISHENPOS(k);
    PUTIMAGE(c16(p.X), c16(p.Y), MISH[C_MISHFALL], COPYPUT);
    for (uint16_t hz = 30; hz >= 26; --hz) BEEP(hz, 50);
    if (!SOUNDOK) WAIT(READTIME / 4);
    CBAR(p.X, p.Y, p.X + G_RCMISHEN.RIGHT, p.Y + G_RCMISHEN.BOTTOM, col(CYAN));
    WAIT(50);
    BEEP(100, 100);
  }
}

namespace {

// The results panels and the top five, each until a key or a click.
void SHOWRESULTS() {
  const TPOINT SK = G_PTSKYMAXPOINT, FW = G_PTFRONTWALLSIZE;
  const int32_t TB = G_PTTIMEBARSIZE.Y;
  SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
  for (int32_t p = 0; p < PLCH && p < 2; ++p) {
    INITFLASH();
    OUTRESULT(p);
    platform::trace_once("results of a series on screen");
    WAIT(READTIME);
    WAITKEYPRESSED(true);
  }
  CLEARFRONTWALLAREA();
  INITFLASH();
  RECORDSTABL(SK.X + 10, SK.Y + TB + 10, SK.X + 10 + FW.X - 20, SK.Y + TB + 10 + FW.Y - 20, true);
  platform::trace_once("top five on screen");
  WAIT(READTIME);
  WAITKEYPRESSED(true);
  CLEARFRONTWALLAREA();
}

}  // namespace

void HELPWAIT(uint16_t W, const TRECT& R) {
  for (uint16_t i = 0; i < W; ++i) {
    WAIT(1);
    RAMKA(R);
  }
}

void BUILDGAMEENTRY() {
  PLAYER[2] = PLAYER[0];
  std::string name = PLAYER[0].NAME.str();
  if (PLCH == 2) {
    name += msg(72) + PLAYER[1].NAME.str();
    PLAYER[2].SCORE = sum16(PLAYER[0].SCORE, PLAYER[1].SCORE);
    PLAYER[2].HISCORE = sum16(PLAYER[0].HISCORE, PLAYER[1].HISCORE);
    PLAYER[2].ALLTIME = sum16(PLAYER[0].ALLTIME, PLAYER[1].ALLTIME);
  }
  PLAYER[2].NAME = GETSRGDATE() + msg(74) + name;
}

bool TRUECONTINUE() {
  if (PLAYER[0].HISCORE < MAXZAD) {
    platform::trace_once("continue asked");
    return MESSAGEQUESTION(msg(61), msg(59), msg(60)) == 0;
  }
  WAITKEYPRESSED(false);
  return false;
}

void SAVEALLCURRENTRESULT() {
  ADDSCORE(2, CURFN);
  ADDRESULT(0, RESFN);
  if (PLCH == 2) ADDRESULT(1, RESFN);
}

void LANG() {
  USEDCORNOMBS.exclude(NOWCORNOMBS);
  SETVISUALPAGE(G_CGAMENMAINPAGE1);
  SETACTIVEPAGE(G_CGAMENMAINPAGE0);
  PASTEMISHENS(C_MISHFRONT);
  SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);  // the captions' font
  OUTNAME(CORNO);
  SETVISUALPAGE(G_CGAMENMAINPAGE0);
  WAIT(1000);
  SETVISUALPAGE(G_CGAMENMAINPAGE1);
  WAIT(int32_t(TIMELIM) * 10);
  PASTEMISHENS(C_MISHTURN);
  SETVISUALPAGE(G_CGAMENMAINPAGE0);
  WAIT(1000);
}

void RUNPROGRAMM(ATTFUNC ATTEMPT) {
  WAITSTILL();
  CLEARVIEWPORT();
  OUTTITLE(50);
  for (;;) {
    if (!SETUPGAME()) return;
    PREPAREGALLERY();
    for (;;) {
      if (!PLAYSERIES(ATTEMPT)) return;
      FINALSALVO();
      BUILDGAMEENTRY();
      GETFIRST5(CURFN, PLAYER[2]);
      SHOWRESULTS();
      // The window's close button ends the game as a "no" would.
      if (GRCLOSEREQUEST() || !TRUECONTINUE()) break;
      CLEARFRONTWALLAREA();
      D = 0;
    }
    SAVEALLCURRENTRESULT();
  }
}

}  // namespace qora
