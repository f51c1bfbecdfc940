// The mouse ring and the mouse state the game polls: the position of the
// latest event of any kind, the button of the latest press until any button
// is released, and counts of the presses and releases reported so far.
// Looking at the state never changes it.
#include <algorithm>

#include "graph/graph.h"
#include "graph/input_internal.h"
#include "graph/surface_internal.h"

namespace qora {

std::array<MOUSEEVENTTYPE, MOUSEBUFSIZE + 1> MOUSEBUF{};
int32_t NR_INPUTMOUSE = 1, NR_READMOUSE = 1;
std::atomic<uint16_t> MOUSEX{0}, MOUSEY{0}, MOUSEBUTTONS{0};
std::mutex PROTECT_MOUSE;

namespace {
// A press and its release can both arrive between two looks of the game (a
// tap on a touchpad, a quick click). The counts let a look see such a click
// although the buttons are already up again.
uint32_t g_presses = 0;   // under PROTECT_MOUSE
uint32_t g_releases = 0;  // under PROTECT_MOUSE
}  // namespace

void INCMOUSECYCLIC(int32_t& index) {
  index += 1;
  if (index > MOUSEBUFSIZE) index = 1;
}

void INITMOUSEBUF() {
  std::lock_guard<std::mutex> g(PROTECT_MOUSE);
  NR_INPUTMOUSE = 1;
  NR_READMOUSE = 1;
  MOUSEBUTTONS = 0;
}

void ADDMOUSEEVENT(uint16_t action, uint16_t flags, int x, int y) {
  std::lock_guard<std::mutex> g(PROTECT_MOUSE);
  MOUSEEVENTTYPE& e = MOUSEBUF[size_t(NR_INPUTMOUSE)];
  e.BUTTONS = uint16_t(((flags & MOUSELEFTBUTTON) ? 1 : 0) + ((flags & MOUSERIGHTBUTTON) ? 2 : 0) +
                       ((flags & MOUSEMIDDLEBUTTON) ? 4 : 0));
  e.X = uint16_t(std::clamp(x, 0, 0xFFFF));
  e.Y = uint16_t(std::clamp(y, 0, 0xFFFF));
  e.ACTION = action;
  MOUSEX = e.X;
  MOUSEY = e.Y;
  if (action == MOUSEACTIONDOWN) {
    MOUSEBUTTONS = e.BUTTONS;  // only the button just pressed
    ++g_presses;
  } else if (action == MOUSEACTIONUP) {
    MOUSEBUTTONS = 0;  // any release ends the press
    ++g_releases;
  }
  INCMOUSECYCLIC(NR_INPUTMOUSE);
  if (NR_INPUTMOUSE == NR_READMOUSE) INCMOUSECYCLIC(NR_READMOUSE);  // drop the oldest
}

void MOUSEPROC(const MOUSEMESSAGE& m) {
  // Reports come in window pixels; an enlarged full screen shows each page
  // pixel as a block, so the page pixel is the window pixel divided by the scale.
  const int k = gfx::S().scale.load();
  const int x = m.x / k, y = m.y / k;
  switch (m.event) {
    case MOUSEEVENT::CREATED:
      INITMOUSEBUF();
      break;
    case MOUSEEVENT::DESTROYED:
      break;
    case MOUSEEVENT::MOVE:
      ADDMOUSEEVENT(MOUSEACTIONMOVE, m.buttons, x, y);
      break;
    case MOUSEEVENT::DOWN:
      ADDMOUSEEVENT(MOUSEACTIONDOWN, m.buttons, x, y);
      break;
    case MOUSEEVENT::UP:
      ADDMOUSEEVENT(MOUSEACTIONUP, m.buttons, x, y);
      break;
  }
}

uint16_t GETMOUSEX() { return MOUSEX.load(); }

uint16_t GETMOUSEY() { return MOUSEY.load(); }

uint16_t GETMOUSEBUTTONS() { return MOUSEBUTTONS.load(); }

MOUSESTATE GETMOUSESTATE() {
  std::lock_guard<std::mutex> g(PROTECT_MOUSE);
  return MOUSESTATE{MOUSEX.load(), MOUSEY.load(), MOUSEBUTTONS.load(), g_presses, g_releases};
}

}  // namespace qora
