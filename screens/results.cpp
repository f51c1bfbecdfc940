#include "screens/results.h"

#include "app/geometry.h"
#include "app/globals.h"
#include "graph/graph.h"
#include "toolkit/format.h"
#include "toolkit/text.h"
#include "toolkit/widgets.h"

namespace qora {

namespace {

const std::string kSha = "\xD8";
constexpr int32_t kMsgNoGamesSaved = 131;  // no game saved yet

int16_t c16(int32_t v) { return static_cast<int16_t>(v); }

// A share as a whole percentage.
std::string percent_text(double share) { return std::to_string(RND(100 * share)); }

bool is_this_game(const FIRSTREC& f) {
  return f.NAME == PLAYER[2].NAME.view() && f.BAKS == PERCENT(PLAYER[2]);
}

}  // namespace

RESULTTEXT RESULTLINES(int32_t NOM) {
  const RESULTREC& R = PLAYERRESULT[NOM == 0 ? 0 : 1];
  const PLAYREC& PL = PLAYER[NOM == 0 ? 0 : 1];
  const int known = SETCOUNT(R.KNOWEL), unknown = SETCOUNT(R.UNKNOWEL);
  // Share of the asked elements answered right.
  const double P = known + unknown == 0 ? 0.0 : double(known) / double(known + unknown);
  // Share of the element table met; a table without elements covers nothing.
  const double ALL = ELCOUNT <= 0 ? 0.0 : double(unknown + known) / double(ELCOUNT);
  // Hits per shot; a player who has not shot gets the lowest word.
  const double Q = PL.HISCORE == 0 ? 0.0 : double(PL.SCORE) / double(PL.HISCORE);
  const std::string GOODSTR = msg(Q > 0.8 ? 26 : Q > 0.6 ? 27 : Q > 0.4 ? 28 : 29);

  RESULTTEXT t;
  const std::string name = PL.NAME.str();
  t.LINES[0] = name + "! " + TOSTR(PL.SCORE) + msg(30) + TOSTR(PL.HISCORE) + msg(31) + GOODSTR + ",";
  const uint16_t rating = PERCENT(PL);
  t.LINES[1] = rating == 0 ? msg(32) : msg(33) + msg(34) + TOSTR(rating) + msg(35);
  t.LINES[2] = msg(36) + percent_text(P) + msg(37) + msg(38);
  if (ALL < 0.6) {
    t.LINES[3] = msg(39) + name + msg(40) + percent_text(ALL) + msg(37) + msg(41);
    t.LINES[4] = msg(42);
  } else {
    t.LINES[3] = name + msg(43) + percent_text(ALL) + msg(37) + msg(41);
    t.LINES[4] = msg(44);
  }

  // The game's place in the top five: the lowest place that holds it; a game
  // rated 0 is never in it.
  const std::string NAMESTR = PLCH == 2 ? msg(45) : name + msg(46);
  if (PERCENT(PLAYER[2]) != 0)
    for (int32_t T = 1; T <= 5; ++T)
      if (is_this_game(FIRST5[size_t(T)])) t.PLACE = T;
  if (t.PLACE != 0) {
    t.TOP[0] = msg(52) + NAMESTR + msg(53);
    t.TOP[1] = msg(46 + t.PLACE) + msg(54);
  } else {
    t.TOP[0] = msg(55) + NAMESTR + msg(56);
  }
  return t;
}

void OUTRESULT(int32_t NOM) {
  const TPOINT SMAX = G_PTSKYMAXPOINT, TBAR = G_PTTIMEBARSIZE, FW = G_PTFRONTWALLSIZE;
  const int32_t HEIGHT = TEXTHEIGHT(kSha) - 2;
  const int32_t X = SMAX.X + 10, Y = SMAX.Y + TBAR.Y + 10;
  const int32_t X1 = X + FW.X - 20, Y1 = Y + FW.Y - 20;
  OUTCOM(X, SMAX.Y, X1, SMAX.Y + TBAR.Y, msg(73));
  const RESULTTEXT t = RESULTLINES(NOM);
  MINIBUTTON(X + 2, Y + 2, X1 - 2, Y1 - 2, int32_t(LIGHTGRAY), "", true);
  MINIBUTTON(X + 4, Y + 4, X1 - 4, Y1 - 4, int32_t(BROWN), "", false);
  const int32_t Y0 = Y + 7;
  SETCOLOR(LIGHTCYAN);
  for (int n = 0; n < 5; ++n) OUTTEXTXYX1(X + 4, Y0 + n * HEIGHT, X1 - 4, t.LINES[size_t(n)]);
  if (t.PLACE != 0) {
    SETCOLOR(LIGHTRED);
    // Wider screens have room for half a line more above these two lines.
    const double Dd = G_RCSCREEN.RIGHT > 639 ? 0.5 : 0.0;
    NOUTTEXTXYX1(X + 4, Y0 + RND(HEIGHT * (5 + Dd)) + 3, X1 - 4, t.TOP[0]);
    NOUTTEXTXYX1(X + 4, Y0 + RND(HEIGHT * (6 + Dd)) + 3, X1 - 4, t.TOP[1]);
  } else {
    SETCOLOR(LIGHTGRAY);
    NOUTTEXTXYX1(X + 4, Y0 + RND(HEIGHT * 5.5) + 3, X1 - 4, t.TOP[0]);
  }
}

void RECORDSTABL(int32_t X, int32_t Y, int32_t X1, int32_t Y1, bool BOUTGAMEMESSAGE) {
  const TPOINT SMAX = G_PTSKYMAXPOINT, TBAR = G_PTTIMEBARSIZE;
  const int32_t HEIGHT = TEXTHEIGHT(kSha);
  if (BOUTGAMEMESSAGE) OUTCOM(X, SMAX.Y, X1, SMAX.Y + TBAR.Y, msg(73));
  MINIBUTTON(X + 10, Y + 5, X1 - 10, Y1 - 5, int32_t(BLUE), "", true);
  MINIBUTTON(X + 15, Y + 7, X1 - 15, Y1 - 7, int32_t(BLUE), "", false);
  bool any = false;
  for (int32_t T = 1; T <= 5; ++T) {
    const FIRSTREC& f = FIRST5[size_t(T)];
    if (f.NAME.empty() || f.BAKS == 0) continue;
    any = true;
    const int32_t y = Y + 10 + (T - 1) * (HEIGHT + 2);
    SETCOLOR(is_this_game(f) ? LIGHTRED : LIGHTGREEN);
    NOUTTEXTXY(X + 25, y, f.NAME);
    const std::string number = TOSTR(f.BAKS);
    const int32_t w = TEXTWIDTH(msg(57) + number);
    NOUTTEXTXY(X1 - 30 - w, y, msg(58) + number);
    SETCOLOR(LIGHTGREEN);
    if (T < 5) LINE(c16(X + 20), c16(y + HEIGHT), c16(X1 - 20), c16(y + HEIGHT));
  }
  // An empty table says why it is empty instead of showing a bare box.
  if (!any) {
    SETCOLOR(LIGHTGRAY);
    NOUTTEXTXYX1(X + 25, Y + 10, X1 - 25, msg(kMsgNoGamesSaved));
  }
}

}  // namespace qora
