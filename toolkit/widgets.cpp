#include "toolkit/widgets.h"

#include <filesystem>
#include <system_error>

#include "graph/graph.h"
#include "platform/clock.h"
#include "platform/trace.h"
#include "state/folders.h"
#include "state/geometry.h"
#include "state/globals.h"
#include "state/random.h"
#include "toolkit/poll.h"
#include "toolkit/text.h"

namespace qora {

namespace {

int16_t c16(int32_t v) { return static_cast<int16_t>(v); }
const std::string kRefGlyph = "\xDB";

// The frame of the three menu looks hugs the text centred in the box.
void menu_item(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s,
               uint32_t frame, uint32_t text) {
  const int32_t L = TEXTWIDTH(s) + 2;
  const int32_t H = TEXTHEIGHT(kRefGlyph) + 2;
  SETCOLOR(frame);
  RECTANGLE(c16(x + (x1 - x - L) / 2 - 2), c16(y + (y1 - y - H) / 2 - 1),
            c16(x + (x1 - x + L) / 2), c16(y + (y1 - y + H) / 2));
  SETCOLOR(text);
  OUTTEXTXYX1Y1(x, y, x1, y1, s);
}

struct LabelBox {
  int32_t cx, cy, rx, ry;
};

LabelBox label_box() {
  const double W = G_RCSCREEN.RIGHT, H = G_RCSCREEN.BOTTOM;
  return LabelBox{RND(W / 640.0 * 90), RND(H / 200.0 * 19), RND(W / 640.0 * 85),
                  RND(H / 200.0 * 15)};
}

}  // namespace

void CBAR(int32_t x, int32_t y, int32_t xx, int32_t yy, uint16_t fcol) {
  SETFILLPATTERN(FPAT, fcol);
  BAR(c16(x), c16(y), c16(xx), c16(yy));
}

void PAINT(int32_t x, int32_t y, uint16_t fcol, uint16_t bcol) {
  SETFILLPATTERN(FPAT, fcol);
  FLOODFILL(c16(x), c16(y), bcol);
}

void MINIBUTTON(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t col,
                const std::string& text, bool state) {
  SETCOLOR(G_IFONTDARKCOLOR);
  RECTANGLE(c16(x0), c16(y0), c16(x1), c16(y1));
  CBAR(x0 + 1, y0 + 1, x1 - 1, y1 - 1, static_cast<uint16_t>(col));
  SETCOLOR(uint32_t(col) == BLUE ? LIGHTBLUE : WHITE);
  if (state) {
    LINE(c16(x0), c16(y0), c16(x1), c16(y0));
    LINE(c16(x0), c16(y0), c16(x0), c16(y1));
  } else {
    LINE(c16(x1), c16(y1), c16(x0), c16(y1));
    LINE(c16(x1), c16(y1), c16(x1), c16(y0));
  }
  SETCOLOR(G_IFONTPANELCOLOR);
  OUTTEXTXYX1(x0, y0 + 3, x1, text);
}

void RAMKA(const TRECT& r) {
  // Each pixel draws its colour first, then its position.
  auto dot = [](auto xpos, int32_t y) {
    const int32_t c = RANDOM(10);
    const int32_t x = xpos();
    PUTPIXEL(c16(x), c16(y), uint32_t(c));
  };
  auto along = [&] { return RANDOM(r.RIGHT) + 1; };
  dot(along, r.TOP);
  dot(along, r.TOP + 1);
  dot(along, r.BOTTOM);
  dot(along, r.BOTTOM + 1);
  // A frame without height has no side rows to pick from; drawing one would
  // never find a row at or below the top.
  if (r.BOTTOM <= r.TOP) return;
  int32_t y = RANDOM(r.BOTTOM);
  while (y < r.TOP) y = RANDOM(r.BOTTOM);
  dot([&] { return r.LEFT; }, y);
  dot([&] { return r.LEFT + 1; }, y);
  dot([&] { return r.RIGHT; }, y);
  dot([&] { return r.RIGHT - 1; }, y);
}

void OUTPASTMENU(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s) {
  menu_item(x, y, x1, y1, s, BLACK, G_IFONTPASIVEMENUCOLOR);
}

void OUTACTMENU(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s) {
  menu_item(x, y, x1, y1, s, G_IFONTPASIVEMENUCOLOR, G_IFONTACTIVEMENUCOLOR);
}

void OUTBLINKMENU(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s) {
  menu_item(x, y, x1, y1, s, BLACK, BLACK);
}

void OUTCOM(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s) {
  INITFLASH();
  SETCOLOR(G_IFONTCOMMANDCOLOR);
  OUTTEXTXYX1Y1(x, y, x1, y1, s);
}

void OUTHELP(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s) {
  INITFLASH();
  SETCOLOR(G_IFONTHELPCOLOR);
  OUTTEXTXYX1Y1(x, y, x1, y1, s);
}

void OUTMSG(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s) {
  SETCOLOR(G_IFONTMESSAGECOLOR);
  OUTTEXTXYX1Y1(x, y, x1, y1, s);
}

void OUTBLINK(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s) {
  SETCOLOR(BLACK);
  OUTTEXTXYX1Y1(x, y, x1, y1, s);
}

void INITFLASH() {
  SETRGBPALETTE(static_cast<uint16_t>(MAGENTA), 0, 15, 0);
  I = 3;
  J = 0;
}

void FLASH(int32_t min, int32_t max, int32_t late) {
  I = I + 2;
  if (I > max) J = 1;
  if (I < min) J = 0;
  if (J == 1) I = I - 4;
  SETRGBPALETTE(static_cast<uint16_t>(MAGENTA), 0, static_cast<uint16_t>(I), 0);
  WAIT(late);
}

int32_t SDVIG(int32_t min, int32_t max, int32_t sh, int32_t) {
  switch (static_cast<unsigned char>(D)) {
    case 72:
    case 75:
      return sh == min ? max : sh - 1;
    case 77:
    case 80:
      return sh == max ? min : sh + 1;
    default:
      BEEP(50, 80);
      return sh;
  }
}

void BEEP(uint16_t hz, uint16_t ms) {
  if (SOUNDOK) SOUND(hz, ms);
}

void WAIT(int32_t ms) { DELAY(static_cast<uint16_t>(ms)); }

void WAITSTILL() {
  while (KEYPRESSED()) READKEY();
}

void WAITKEYPRESSED(bool bdoselectlabel) {
  WAITSTILL();
  G_IMOUSEBUTTON = 0;
  G_BLABELSELECTEDSTATE = false;
  POLLOPTIONS o;
  o.label = bdoselectlabel;
  o.read_keys = false;  // the key that ends the wait is the caller's
  TPOLL poll(o);
  for (;;) {
    poll.FLASHSTEP();
    poll.LOOK();
    if (poll.KEY() || poll.CLICK()) break;
  }
}

void PROCESSMESSAGES(bool bdoselectlabel) {
  // Outside a poll pass: a look of its own, a press counted since the last
  // such look.
  static uint32_t presses = GETMOUSESTATE().PRESSES;
  const MOUSESTATE m = GETMOUSESTATE();
  const bool anydown = m.BUTTONS != 0 || m.PRESSES != presses;
  presses = m.PRESSES;
  PROCESSLOOK(m, anydown, bdoselectlabel);
}

// The project has no public page yet: the label opens the help's page about
// the game, which ships with it, where the menu's help item finds the help.
std::string FIRMLABEL_GETSITE() {
  const std::string page = help_file("help/index.html");
  std::error_code ec;
  const std::filesystem::path abs = std::filesystem::absolute(page, ec);
  return ec ? page : abs.lexically_normal().string();
}

void FIRMLABEL(bool bselect) {
  const LabelBox b = label_box();
  G_RCFIRMLABEL = TRECT{b.cx - b.rx, b.cy - b.ry, b.cx + b.rx, b.cy + b.ry};
  SETCOLOR(BLUE);
  SETFILLPATTERN(LPAT, BLUE);
  FILLELLIPSE(c16(b.cx), c16(b.cy), static_cast<uint16_t>(b.rx), static_cast<uint16_t>(b.ry));
  FIRMLABEL_SELECT(bselect);
  SETTEXTSTYLE(G_IFONTCONTROL, 0, G_IFONTCONTROLSIZE);
  SETCOLOR(LIGHTRED);
  OUTTEXTXYX1Y1(b.cx - b.rx, b.cy - b.ry, b.cx + b.rx, b.cy, msg(78));
  OUTTEXTXYX1Y1(b.cx - b.rx, b.cy, b.cx + b.rx, b.cy + b.ry, msg(79));
}

void FIRMLABEL_SELECT(bool bselect) {
  const LabelBox b = label_box();
  const std::string& site = msg(111);  // the menu's "about the game": the page it opens
  SETTEXTSTYLE(static_cast<uint16_t>(G_IFONTCONTROL + 256 * (!bselect)), 0, G_IFONTCONTROLSIZE);
  SETCOLOR(BLUE);
  OUTTEXTXYX1Y1(b.cx - b.rx, b.cy - b.ry, b.cx + b.rx, b.cy + b.ry, site);
  SETTEXTSTYLE(static_cast<uint16_t>(G_IFONTCONTROL + 256 * bselect), 0, G_IFONTCONTROLSIZE);
  SETCOLOR(ALPHACOL);
  OUTTEXTXYX1Y1(b.cx - b.rx, b.cy - b.ry, b.cx + b.rx, b.cy + b.ry, site);
}

void VYEZD(const std::string& namprog) {
  const int32_t W = G_RCSCREEN.RIGHT, H = G_RCSCREEN.BOTTOM;
  SETTEXTSTYLE(G_IFONTMAINTITLE, 0, G_IFONTMAINTITLESIZE);
  SETCOLOR(LIGHTGREEN);
  const int32_t xstart = RND(static_cast<float>(W) / 1.5f);
  const int32_t ystart = RND(static_cast<float>(H) / 1.5f);
  const int32_t xfinish = (W - TEXTWIDTH(namprog)) / 2;
  const int32_t yfinish = G_IMAINTITLETOP;
  const double xdelta = (xstart - xfinish) / 25.0, ydelta = (ystart - yfinish) / 25.0;
  int32_t t = 0;
  auto frame = [&](int page, int32_t x, int32_t y) {
    SETACTIVEPAGE(static_cast<uint16_t>(page));
    CLEARDEVICE();
    OUTTEXTXY(c16(x), c16(y), namprog);
    SETVISUALPAGE(static_cast<uint16_t>(page));
  };
  for (;;) {
    int32_t x = xstart - RND(t * xdelta), y = ystart - RND(t * ydelta);
    WAIT(30);
    ++t;
    if (y <= yfinish) break;
    frame(1, x, y);
    platform::trace_once("first frame of the sliding title");
    x = xstart - RND(t * xdelta);
    y = ystart - RND(t * ydelta);
    WAIT(30);
    ++t;
    if (y <= yfinish) break;
    frame(0, x, y);
    WAIT(30);
  }
  frame(3, xfinish, yfinish);
}

}  // namespace qora
