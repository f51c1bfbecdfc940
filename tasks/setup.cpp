#include "tasks/setup.h"

#include <algorithm>
#include <array>
#include <functional>

#include "graph/graph.h"
#include "platform/trace.h"
#include "screens/ptable.h"
#include "state/geometry.h"
#include "state/globals.h"
#include "tasks/scorefiles.h"
#include "toolkit/poll.h"
#include "toolkit/text.h"
#include "toolkit/widgets.h"

namespace qora {

namespace {

constexpr uint16_t kDefaultFont = COURIERNEWFONT;  // font 0
const std::string kCursor = "\xA6";                // a broken vertical bar
const std::string kSha = "\xD8";

// The items of a choice dialog, 1..N, each centred in its rectangle.
struct Items {
  int32_t N = 0;
  std::array<TRECT, 3> RC{};
  std::array<std::string, 3> TEXT;

  void set(int32_t k, int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s) {
    RC[size_t(k - 1)] = TRECT{x, y, x1, y1};
    TEXT[size_t(k - 1)] = s;
  }
  void draw(int32_t k, bool active) const {
    const TRECT& r = RC[size_t(k - 1)];
    if (active)
      OUTACTMENU(r.LEFT, r.TOP, r.RIGHT, r.BOTTOM, TEXT[size_t(k - 1)]);
    else
      OUTPASTMENU(r.LEFT, r.TOP, r.RIGHT, r.BOTTOM, TEXT[size_t(k - 1)]);
  }
  void blank(int32_t k) const {
    const TRECT& r = RC[size_t(k - 1)];
    OUTBLINKMENU(r.LEFT, r.TOP, r.RIGHT, r.BOTTOM, TEXT[size_t(k - 1)]);
  }
};

// The choice loop of the set-up dialogs, starting on item s. Arrow keys move
// the selection with wrap-around, pointing at an item selects it, and Space,
// Enter or a click released anywhere confirms the selected item. changed(s)
// runs on every move before the new item is drawn; accept(s) may refuse a
// confirmation, and the dialog then stays open. Returns the item confirmed,
// or 0 after Esc or the window's close button.
int32_t CHOICELOOP(const Items& it, int32_t s, const std::function<void(int32_t)>& changed,
                   const std::function<bool(int32_t)>& accept) {
  TPOLL poll;
  poll.TARGETS(it.RC.data(), it.N);
  WAITSTILL();
  D = 0;
  INITFLASH();
  auto select = [&](int32_t k) {
    it.draw(s, false);
    s = k;
    if (changed) changed(s);
    it.draw(s, true);
  };
  while (poll.STEP()) {
    if (GRCLOSEREQUEST()) return 0;
    if (poll.EXTENDED()) {
      D = static_cast<char>(poll.CODE());
      select(SDVIG(1, it.N, s, 1));
    }
    if (const int32_t k = poll.HIT(s - 1); k >= 0) select(k + 1);
    if ((poll.CONFIRM() || poll.TAKECLICK()) && (!accept || accept(s))) return s;
  }
  return 0;
}

}  // namespace

bool PLAYCHANGE(int32_t ITOP) {
  const int32_t H = G_PTCONTROLCHARSIZE.Y, R = G_RCSCREEN.RIGHT;
  const int32_t XW = std::max<int32_t>(TEXTWIDTH(msg(3)), TEXTWIDTH(msg(4))) +
                     std::max<int32_t>(TEXTWIDTH(msg(8)), TEXTWIDTH(msg(9))) + 5;
  const int32_t X1 = (R - XW) / 2, X2 = R - X1, XM = R / 2, T0 = ITOP + 5 * H;
  for (int32_t j = 0; j < 3; ++j) OUTHELP(X1, T0 + j * H, X2, T0 + (j + 1) * H, msg(5 + j));
  SETCOLOR(LIGHTBLUE);
  OUTTEXTXYY1(X1, T0 - 4 * H, T0 - 3 * H, msg(8));
  OUTTEXTXYY1(X1, T0 - 2 * H, T0 - H, msg(9));
  Items it;
  it.N = 2;
  it.set(1, XM, T0 - 4 * H, X2, T0 - 3 * H, msg(3));
  it.set(2, XM, T0 - 2 * H, X2, T0 - H, msg(4));
  it.draw(1, false);
  it.draw(2, false);
  it.draw(1, true);
  const int32_t s = CHOICELOOP(it, 1, nullptr, nullptr);
  if (s == 0) return false;
  if (s == 1) {
    PLCH = 2;
    CURFN = TWOPLAYERSFN;
  } else {
    PLCH = 1;
    CURFN = ONEPLAYERFN;
  }
  // The whole width: the help lines are wider than the items and their labels.
  CBAR(0, ITOP, G_RCSCREEN.RIGHT, G_RCSCREEN.BOTTOM, uint16_t(BLACK));
  return true;
}

bool ALLINPUT(int32_t YTOP) {
  const int32_t C = G_PTCONTROLCHARSIZE.Y;
  if (!INPUTNAME(YTOP + C + 10)) return false;
  WAIT(READTIME);
  if (!INPUTTIME(YTOP + 5 * C + 10)) return false;
  WAIT(READTIME);
  SETACTIVEPAGE(G_CGAMENMAINMENUPAGE);
  SETVISUALPAGE(G_CGAMENMAINMENUPAGE);
  // The level dialog starts at the same row whatever the resolution.
  if (!INPUTLEVEL(150)) return false;
  for (int p = 0; p < 2; ++p) {
    PLAYER[size_t(p)].SCORE = 0;
    PLAYER[size_t(p)].HISCORE = 0;
    PLAYER[size_t(p)].ALLTIME = 0;
  }
  return true;
}

bool INPUTNAME(int32_t YTOP) {
  const int32_t HT = G_PTCONTROLCHARSIZE.Y + 10, W = G_RCSCREEN.RIGHT;
  // One name field: the prompt above, the field below it, then the prompt
  // replaced by the confirmation (none for one player).
  auto ask = [&](int32_t x, int32_t x1, const std::string& prompt, const std::string& done,
                 PLAYREC& p) {
    OUTCOM(x, YTOP, x1, YTOP + HT, prompt);
    SETTEXTSTYLE(kDefaultFont, HORIZDIR, G_IFONTCONTROLSIZE);
    const std::string s = GRINPUT(x, YTOP + HT, x1, YTOP + 2 * HT, 9);
    p.NAME = s;
    if (s.empty()) return false;
    OUTBLINK(x, YTOP, x1, YTOP + HT, prompt);
    if (!done.empty()) OUTMSG(x, YTOP, x1, YTOP + HT, done);
    return true;
  };
  if (PLCH == 2) {
    if (!ask(0, W / 2, msg(10), msg(11), PLAYER[0])) return false;
    WAIT(READTIME);
    if (!ask(W / 2, W, msg(12), msg(13), PLAYER[1])) return false;
  } else {
    if (!ask(0, W, msg(14), "", PLAYER[0])) return false;
  }
  return true;
}

std::string GRINPUT(int32_t X, int32_t Y, int32_t X1, int32_t Y1, int32_t MXC) {
  SETTEXTSTYLE(kDefaultFont, HORIZDIR, G_IFONTCONTROLSIZE);
  std::string text, blank;  // blank: as many spaces as text has characters
  int32_t B = 1;
  bool falling = false;
  OUTACTMENU(X, Y, X1, Y1, text + kCursor);
  // Keys typed before the field opened are dropped; an Esc among them
  // cancels the field at the first key pressed in it.
  bool esc = false;
  while (KEYPRESSED()) {
    const char c = READKEY();
    if (c == 0 && KEYPRESSED())
      READKEY();
    else if (c == 27)
      esc = true;
  }
  INITFLASH();
  TPOLL poll;
  auto has_letter = [&] { return text.find_first_not_of(' ') != std::string::npos; };
  for (;;) {
    poll.FLASHSTEP();
    poll.LOOK();
    if (GRCLOSEREQUEST()) return "";
    if (!poll.KEY()) {
      // The cursor blinks: one colour for about a dozen idle passes, then the other.
      ++B;
      if (B > 10) falling = true;
      if (B < 0) falling = false;
      uint32_t colour = INCC;
      if (falling) {
        B -= 2;
        colour = DECC;
      }
      SETCOLOR(colour);
      OUTTEXTXYX1Y1(X, Y, X1, Y1, blank + kCursor);
      continue;
    }
    unsigned char c = static_cast<unsigned char>(poll.CH());
    if (c == 27) esc = true;
    if (esc) return "";
    if (poll.EXTENDED()) continue;  // arrows and the like add nothing
    for (int k = 1; k <= 66; ++k)
      if (static_cast<unsigned char>(LATARR[size_t(k)]) == c) {
        c = static_cast<unsigned char>(RUSARR[size_t(k)]);
        break;
      }
    const int32_t P = int32_t(text.size()) + 1;  // the place of the next character
    if (c == 8) {
      if (P > 1) {
        OUTBLINKMENU(X, Y, X1, Y1, text + kCursor);
        text.pop_back();
        blank.pop_back();
        OUTACTMENU(X, Y, X1, Y1, text + " ");
      } else {
        BEEP(50, 20);
      }
    } else if (c >= 16) {
      if (P < MXC) {
        OUTBLINKMENU(X, Y, X1, Y1, text + kCursor);
        text += static_cast<char>(c);
        blank += ' ';
        OUTACTMENU(X, Y, X1, Y1, text + " ");
      } else {
        BEEP(50, 20);
      }
    }
    if (c == 13 && has_letter()) break;
  }
  OUTBLINKMENU(X, Y, X1, Y1, text + kCursor);
  OUTACTMENU(X, Y, X1, Y1, text);
  return text;
}

bool INPUTTIME(int32_t YTOP) {
  const int32_t HT = G_PTCONTROLCHARSIZE.Y + 10, XM = G_RCSCREEN.RIGHT / 2,
                W = TEXTWIDTH(msg(16));
  OUTHELP(0, YTOP, G_RCSCREEN.RIGHT, YTOP + HT, msg(18));
  Items it;
  it.N = 3;
  it.set(1, XM - 2 * W, YTOP + HT, XM - W, YTOP + 2 * HT, msg(15));
  it.set(2, XM - W, YTOP + HT, XM + W, YTOP + 2 * HT, msg(16));
  it.set(3, XM + W, YTOP + HT, XM + 2 * W, YTOP + 2 * HT, msg(17));
  it.draw(1, false);
  it.draw(3, false);
  it.draw(2, true);
  X = 2;
  X = CHOICELOOP(it, 2, nullptr, nullptr);
  if (X == 0) return false;
  static constexpr uint16_t kSeconds[4] = {0, 15, 10, 5};
  TIMELIM = kSeconds[X];
  PLAYER[0].TIME = PLAYER[1].TIME = TIMELIM;
  return true;
}

uint8_t BUILDSELECTION(int32_t LEVEL) {
  CURGRUPCOUNT = 0;
  for (int32_t g = 1; g <= LEVEL && g <= 4; ++g)
    for (int e = 0; e <= 104; ++e)
      if (GRUPARR[size_t(g)].has(e) && CURGRUPCOUNT < CURGRUPARR.size())
        CURGRUPARR[CURGRUPCOUNT++] = uint8_t(e);
  return CURGRUPCOUNT;
}

bool INPUTLEVEL(int32_t YTOP) {
  const int32_t XL = TEXTWIDTH(kSha) * 40 + 20, XR = G_RCSCREEN.RIGHT, XM = (XR - XL) / 2 + XL,
                H = G_PTCONTROLCHARSIZE.Y, W = TEXTWIDTH(msg(21)) + 10;
  Items it;
  it.N = 3;
  it.set(1, XM - 2 * W, YTOP - 2 * H, XM - W, YTOP - H, msg(20));
  it.set(2, XM - W, YTOP - 2 * H, XM + W, YTOP - H, msg(21));
  it.set(3, XM + W, YTOP - 2 * H, XM + 2 * W, YTOP - H, msg(22));
  SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
  TABLIZA();
  const std::array<int, 3> help = {5, 23, 24};
  for (int32_t j = 0; j < 3; ++j)
    OUTHELP(XL, YTOP + j * H, XR, YTOP + (j + 1) * H, msg(help[size_t(j)]));
  it.draw(1, true);
  it.draw(2, false);
  it.draw(3, false);
  GRUP(0);
  // A level whose groups hold no element could not make a single task: it
  // is refused with a low tone and the dialog stays open.
  auto accept = [](int32_t s) {
    if (BUILDSELECTION(s) > 0) return true;
    BEEP(50, 80);
    return false;
  };
  const int32_t s = CHOICELOOP(it, 1, [](int32_t k) { GRUP(k - 1); }, accept);
  if (s != 0) {
    platform::trace_once("level confirmed");
    static constexpr int32_t kKlass[4] = {0, 26, 75, 104};
    KLASS = kKlass[s];
    PLAYER[0].LEVEL = PLAYER[1].LEVEL = CURGRUPCOUNT;
    for (int32_t k = 1; k <= 3; ++k) it.blank(k);
    for (int32_t j = 0; j < 3; ++j)
      OUTBLINK(XL, YTOP + j * H, XR, YTOP + (j + 1) * H, msg(help[size_t(j)]));
  }
  SETPALETTE(uint16_t(T1COL), uint16_t(T1COL_CONST));
  SETPALETTE(uint16_t(T2COL), uint16_t(T2COL_CONST));
  SETPALETTE(uint16_t(T3COL), uint16_t(T3COL_CONST));
  return s != 0;
}

}  // namespace qora
