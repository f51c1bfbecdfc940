#include "screens/groups.h"

#include <algorithm>
#include <string>

#include "app/datafiles.h"
#include "app/geometry.h"
#include "app/globals.h"
#include "graph/graph.h"
#include "platform/cp1251.h"
#include "platform/message_box.h"
#include "tasks/question.h"
#include "toolkit/poll.h"
#include "toolkit/text.h"
#include "toolkit/widgets.h"

namespace qora {
namespace groups {

bool CHANGEGRUP = false;

namespace {

int16_t c16(int32_t v) { return static_cast<int16_t>(v); }

// Row height, entry width and the gap added to each entry, in the control font.
int32_t HEIGHT = 0, XWIDTH = 0, XDELTA = 0;

// The screen while it is open.
struct Screen {
  std::array<GrupObject, 5> SM;  // lists 1..4 (index 0 unused)
  int32_t CURGRUP = 1;           // the current list
  int32_t XX = 1, YY = 1;        // working copy of the current list's cursor
  int32_t X = 0, Y = 0, X1 = 0, Y1 = 0;
  TRECT RCDESK{};
  // The entries' rectangles for the pointer: entry n of list g at
  // (g − 1)·MAXLIST + n − 1.
  std::array<TRECT, 4 * MAXLIST> RCMENU{};
};
Screen* g_screen = nullptr;

// The symbol of element e; empty for a number the element table lacks.
std::string symbol(uint8_t e) { return e < ELEMENT.size() ? ELEMENT[e].SYMBOL.str() : std::string(); }

// How many entries of a list are shown and can take the cursor: a groups
// file made elsewhere may hold more than a list has room for.
int32_t shown(const GrupObject& L) { return std::min(L.ELCOUNT, MAXLIST); }

int32_t target_index(int32_t g, int32_t n) { return (g - 1) * MAXLIST + n - 1; }

// ---- Drawing ----------------------------------------------------------------

void OUTACTFRAME(const GrupObject& SM) {
  SETCOLOR(G_IFONTACTIVEMENUCOLOR);
  RECTANGLE(c16(SM.X - 6), c16(SM.Y - 10 - HEIGHT - 1), c16(SM.X1 + 5), c16(SM.Y1 + 2));
}

void OUTPASTFRAME(const GrupObject& SM) {
  SETCOLOR(BLACK);
  RECTANGLE(c16(SM.X - 6), c16(SM.Y - 10 - HEIGHT - 1), c16(SM.X1 + 5), c16(SM.Y1 + 2));
}

// The four list titles.
void OUTTITLE(const Screen& s) {
  SETCOLOR(YELLOW);
  for (int32_t g = 1; g <= 4; ++g) {
    const GrupObject& L = s.SM[size_t(g)];
    OUTTEXTXYX1(L.X, L.Y - HEIGHT - 5, L.X1, msg(85 + g));
  }
}

// The key legend beside the maker's label and the bottom line.
void OUTBASPIC(const Screen& s) {
  const int32_t R = G_RCFIRMLABEL.RIGHT, W94 = TEXTWIDTH(msg(94));
  auto key_right = [](int32_t right, int32_t y, const std::string& t) {
    SETCOLOR(LIGHTGREEN);
    NOUTTEXTXY(right - TEXTWIDTH(t), y, t);
  };
  auto key_left = [](int32_t x, int32_t y, const std::string& t) {
    SETCOLOR(LIGHTGREEN);
    NOUTTEXTXY(x, y, t);
  };
  auto text = [](int32_t x, int32_t y, const std::string& t) {
    SETCOLOR(GREEN);
    NOUTTEXTXY(x, y, t);
  };
  key_right(R + 15 + W94, 15, msg(90));
  text(R + 30 + W94, 15, msg(91));
  key_right(R + 15 + W94, HEIGHT + 15, msg(92));
  text(R + 30 + W94, HEIGHT + 15, msg(93));
  key_left(R + 15, 2 * HEIGHT + 15, msg(94));
  text(R + 30 + W94, 2 * HEIGHT + 15, msg(95));

  const int32_t y = s.RCDESK.BOTTOM + HEIGHT;
  key_left(s.RCDESK.LEFT, y, msg(96));
  text(s.RCDESK.LEFT + TEXTWIDTH(msg(96)) + 15, y, msg(97));
  const int32_t x99 = s.RCDESK.RIGHT - TEXTWIDTH(msg(99));
  key_right(x99, y, msg(98));
  text(x99, y, msg(99));
}

// The introduction page, on the visible page 1.
void OUTSMALLDESCRIPTION(const Screen& s) {
  SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
  const int32_t H = G_PTCONTROLCHARSIZE.Y;
  SETCOLOR(LIGHTCYAN);
  OUTTEXTXYX1(G_RCFIRMLABEL.RIGHT, (G_RCFIRMLABEL.BOTTOM - TEXTHEIGHT(msg(80))) / 2, G_RCSCREEN.RIGHT,
              msg(80));
  WAIT(1000);
  SETCOLOR(LIGHTRED);
  RECTANGLE(c16(s.RCDESK.LEFT), c16(s.RCDESK.TOP), c16(s.RCDESK.RIGHT), c16(s.RCDESK.TOP + 6 * H));
  SETCOLOR(CYAN);
  for (int32_t k = 0; k <= 4; ++k) NOUTTEXTXY(s.RCDESK.LEFT + 20, s.RCDESK.TOP + 10 + k * H, msg(81 + k));
  SETCOLOR(LIGHTGRAY);
  NOUTTEXTXY(s.RCDESK.RIGHT - TEXTWIDTH(msg(73)), s.RCDESK.TOP + 20 + 6 * H, msg(73));
}

// The four lists, filled from GRUPARR and drawn.
void PREPEARGRUP(Screen& s) {
  const double W = G_RCSCREEN.RIGHT;
  const int32_t K1 = RND(W / 640 * 130), K2 = RND(W / 640 * 25), K3 = RND(W / 640 * 30);
  XDELTA = (K1 - 4 * XWIDTH) / 5;
  for (int32_t g = 1; g <= 4; ++g) {
    GrupObject& L = s.SM[size_t(g)];
    L = GrupObject{};
    if (g <= 3) {
      L.X = s.X + (K1 + K2) * (g - 1);
      L.X1 = s.X + K1 * g + K2 * (g - 1);
    } else {
      L.X = s.X + (K1 + K3) * 3;
      L.X1 = s.X + 4 * K1 + 3 * K3;
    }
    L.Y = s.Y;
    L.Y1 = s.Y1;
    L.ELARR.assign(size_t(ELCOUNT) + 1, 0);
    SETSCROOLARR(GRUPARR[size_t(g)], L.ELARR, L.ELCOUNT);
    L.INITGRUP();
    for (int32_t row = 1; row <= ROWS; ++row)
      for (int32_t col = 1; col <= COLUMNS; ++col)
        L.SETELEMMENURECT(s.RCMENU[size_t(target_index(g, GETITEMNOMBER(col, row, COLUMNS)))], col, row);
  }
}

// ---- Saving -----------------------------------------------------------------

// Asks whether to save when the groups were changed, and saves on yes; a save
// that fails is told in the platform's message box.
void MAKEEXIT() {
  CLEARDEVICE();
  FIRMLABEL(false);
  if (!CHANGEGRUP) return;
  if (MESSAGEQUESTION(msg(100), msg(101), msg(102)) != 0) return;
  // A failed save must not pass for a saved one: the menu is about to reload
  // the old groups from the file. The box bears the editor's own caption.
  if (!SAVEGRUP()) platform::message_box(cp1251_to_utf8(msg(80)), cp1251_to_utf8(msg(130)));
}

// ---- The loop's actions -----------------------------------------------------

// The cursor onto entry n (column col, row row) of list g, following the pointer.
void point_at(Screen& s, int32_t g, int32_t col, int32_t row, int32_t n) {
  s.SM[size_t(s.CURGRUP)].OUTPASTEL();
  if (g != s.CURGRUP) {
    OUTPASTFRAME(s.SM[size_t(s.CURGRUP)]);
    s.CURGRUP = g;
    OUTACTFRAME(s.SM[size_t(g)]);
  }
  GrupObject& L = s.SM[size_t(g)];
  L.XX = col;
  L.YY = row;
  L.CUREL = n;
  s.XX = col;
  s.YY = row;
  L.OUTACTEL();
}

void next_list(Screen& s) {
  GrupObject& old = s.SM[size_t(s.CURGRUP)];
  OUTPASTFRAME(old);
  old.OUTPASTEL();
  s.CURGRUP = s.CURGRUP % 4 + 1;
  const GrupObject& L = s.SM[size_t(s.CURGRUP)];
  OUTACTFRAME(L);
  s.XX = L.XX;
  s.YY = L.YY;
  L.OUTACTEL();
}

// The element under the cursor into group T (1 to 4). Nothing happens when
// T is the current list, the current list is empty or group T is full.
void move_to(Screen& s, int32_t T) {
  GrupObject& L = s.SM[size_t(s.CURGRUP)];
  GrupObject& dest = s.SM[size_t(T)];
  if (L.ELCOUNT == 0 || T == s.CURGRUP || dest.ELCOUNT >= MAXLIST) return;
  CHANGEGRUP = true;
  const uint8_t e = L.ELARR[size_t(L.CUREL)];
  GRUPARR[size_t(T)].include(e);
  GRUPARR[size_t(s.CURGRUP)].exclude(e);
  SETSCROOLARR(GRUPARR[size_t(T)], dest.ELARR, dest.ELCOUNT);
  SETSCROOLARR(GRUPARR[size_t(s.CURGRUP)], L.ELARR, L.ELCOUNT);
  if (L.CUREL > L.ELCOUNT) {  // the last entry went: one entry back
    if (L.XX > 1) {
      --L.XX;
      --L.CUREL;
    } else if (L.YY > 1) {
      L.XX = COLUMNS;
      --L.YY;
      --L.CUREL;
    } else {
      L.XX = L.YY = L.CUREL = 1;
    }
  }
  dest.OUTPAGE();
  L.OUTPAGE();
  s.XX = L.XX;
  s.YY = L.YY;
  L.OUTACTEL();
}

// An extended key: F2 and the four arrows. Arrows move the cursor within the
// list's entries; a move off them is refused.
void extended_key(Screen& s, uint8_t code) {
  GrupObject& L = s.SM[size_t(s.CURGRUP)];
  L.OUTPASTEL();
  switch (code) {
    case 60:  // F2: the default groups
      set_default_groups();
      CHANGEGRUP = true;
      for (int32_t g = 1; g <= 4; ++g) {
        GrupObject& G = s.SM[size_t(g)];
        SETSCROOLARR(GRUPARR[size_t(g)], G.ELARR, G.ELCOUNT);
        G.XX = G.YY = G.CUREL = 1;
        G.OUTPAGE();
      }
      s.XX = L.XX;
      s.YY = L.YY;
      break;
    case 72: --s.YY; break;
    case 80: ++s.YY; break;
    case 75: --s.XX; break;
    case 77: ++s.XX; break;
    default: break;
  }
  const int32_t n = GETITEMNOMBER(s.XX, s.YY, COLUMNS);
  if (n >= 1 && n <= shown(L) && s.XX >= 1 && s.XX <= COLUMNS) {
    L.XX = s.XX;
    L.YY = s.YY;
    L.CUREL = n;
  } else {
    s.XX = L.XX;
    s.YY = L.YY;
  }
  L.OUTACTEL();
}

}  // namespace

// ---- GrupObject ---------------------------------------------------------------

void GrupObject::INITGRUP() {
  XX = YY = CUREL = 1;
  MINIBUTTON(X - 5, Y - 10 - HEIGHT, X1 + 5, Y1 + 2, int32_t(BLUE), "", true);
  MINIBUTTON(X, Y - 3, X1, Y1, int32_t(BLUE), "", false);
  OUTPAGE();
}

void GrupObject::OUTPAGE() const {
  CBAR(X + 1, Y - 2, X1 - 1, Y1 - 1, uint16_t(BLACK));
  SETCOLOR(GREEN);
  TRECT r;
  for (int32_t row = 1; row <= ROWS; ++row)
    for (int32_t col = 1; col <= COLUMNS; ++col) {
      const int32_t n = GETITEMNOMBER(col, row, COLUMNS);
      if (n > ELCOUNT || size_t(n) >= ELARR.size()) return;
      SETELEMMENURECT(r, col, row);
      OUTPASTMENU(r.LEFT, r.TOP, r.RIGHT, r.BOTTOM, symbol(ELARR[size_t(n)]));
    }
}

void GrupObject::OUTPASTEL() const {
  if (ELCOUNT == 0 || CUREL < 1 || size_t(CUREL) >= ELARR.size()) return;
  const std::string S = symbol(ELARR[size_t(CUREL)]);
  if (S.empty()) return;
  TRECT r;
  SETELEMMENURECT(r, XX, YY);
  OUTPASTMENU(r.LEFT, r.TOP, r.RIGHT, r.BOTTOM, S);
}

void GrupObject::OUTACTEL() const {
  if (ELCOUNT == 0 || CUREL < 1 || size_t(CUREL) >= ELARR.size()) return;
  const std::string S = symbol(ELARR[size_t(CUREL)]);
  if (S.empty()) return;
  TRECT r;
  SETELEMMENURECT(r, XX, YY);
  OUTACTMENU(r.LEFT, r.TOP, r.RIGHT, r.BOTTOM, S);
}

void GrupObject::SETELEMMENURECT(TRECT& R, int32_t XX_, int32_t YY_) const {
  R = TRECT{X + (XX_ - 1) * (XWIDTH + XDELTA), Y + (YY_ - 1) * HEIGHT, X + XX_ * (XWIDTH + XDELTA),
            Y + YY_ * HEIGHT};
}

// ---- Helpers ------------------------------------------------------------------

void SETSCROOLARR(const BYTESET& BS, SA& SS, int32_t& TS) {
  TS = 0;
  for (int32_t e = 0; e <= 255; ++e) {
    if (!BS.has(e)) continue;
    ++TS;
    if (size_t(TS) >= SS.size()) SS.resize(size_t(TS) + 1, 0);
    SS[size_t(TS)] = uint8_t(e);
  }
}

int32_t GETITEMNOMBER(int32_t XX, int32_t YY, int32_t XCOUNT) { return XCOUNT * (YY - 1) + XX; }

const GrupObject* LIST(int32_t g) {
  return g_screen && g >= 1 && g <= 4 ? &g_screen->SM[size_t(g)] : nullptr;
}

int32_t CURRENTLIST() { return g_screen ? g_screen->CURGRUP : 0; }

}  // namespace groups

void SETGROUPS() {
  using namespace groups;
  Screen s;
  g_screen = &s;
  struct Closed {
    ~Closed() { g_screen = nullptr; }
  } closed;

  // The introduction on page 1, shown at once.
  SETACTIVEPAGE(1);
  CLEARDEVICE();
  FIRMLABEL(false);
  SETVISUALPAGE(1);
  const int32_t margin = RND(15 * G_RSCREENSCALEX);
  s.X = G_RCSCREEN.LEFT + margin;
  s.Y = G_RCSCREEN.TOP + 50 + G_RCFIRMLABEL.BOTTOM;
  s.X1 = G_RCSCREEN.RIGHT - margin;
  s.Y1 = G_RCSCREEN.BOTTOM - 50;
  s.RCDESK = TRECT{s.X, s.Y, s.X1, s.Y1};
  OUTSMALLDESCRIPTION(s);

  // The lists, prepared on page 0 while the introduction is read.
  SETACTIVEPAGE(0);
  CLEARDEVICE();
  FIRMLABEL(false);
  SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
  HEIGHT = G_PTCONTROLCHARSIZE.Y;
  XWIDTH = 3 * G_PTCONTROLCHARSIZE.X;
  PREPEARGRUP(s);
  OUTTITLE(s);
  OUTBASPIC(s);

  SETACTIVEPAGE(1);
  WAITKEYPRESSED(true);
  // The key that closed the introduction is not an editing key: "2" pressed
  // to go on must not move an element.
  WAITSTILL();
  SETACTIVEPAGE(0);
  SETVISUALPAGE(0);

  s.CURGRUP = 1;
  s.XX = s.YY = 1;
  INITFLASH();
  OUTACTFRAME(s.SM[1]);
  s.SM[1].OUTACTEL();

  POLLOPTIONS o;
  o.label = true;
  TPOLL poll(o);
  poll.TARGETS(s.RCMENU.data(), int32_t(s.RCMENU.size()), [&s](int32_t k) {
    return k % MAXLIST < shown(s.SM[size_t(k / MAXLIST + 1)]);
  });
  // The window's close button leaves like Esc; the menu then ends the program.
  while (poll.STEP() && !GRCLOSEREQUEST()) {
    const GrupObject& cur = s.SM[size_t(s.CURGRUP)];
    if (const int32_t k = poll.HIT(target_index(s.CURGRUP, cur.CUREL)); k >= 0) {
      const int32_t g = k / MAXLIST + 1, n = k % MAXLIST + 1;
      point_at(s, g, (n - 1) % COLUMNS + 1, (n - 1) / COLUMNS + 1, n);
    }
    if (!poll.KEY()) continue;
    D = poll.CH();
    if (poll.ESC()) break;
    switch (D) {
      case 9: next_list(s); break;
      case '1': move_to(s, 1); break;
      case '2': move_to(s, 2); break;
      case '3': move_to(s, 3); break;
      case '-': move_to(s, 4); break;
      case 0:
        D = static_cast<char>(poll.CODE());
        extended_key(s, poll.CODE());
        break;
      default: break;
    }
  }
  MAKEEXIT();
}

}  // namespace qora
