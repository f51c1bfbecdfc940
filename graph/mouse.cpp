// The mouse ring and the mouse state the game polls: the position of the
// latest event of any kind, and the button of the latest press until any
// button is released.
#include <algorithm>

#include "graph/graph.h"
#include "graph/input_internal.h"
#include "platform/script.h"

namespace qora {

std::array<MOUSEEVENTTYPE, MOUSEBUFSIZE + 1> MOUSEBUF{};
int32_t NR_INPUTMOUSE = 1, NR_READMOUSE = 1;
std::atomic<uint16_t> MOUSEX{0}, MOUSEY{0}, MOUSEBUTTONS{0};
std::mutex PROTECT_MOUSE;

namespace {
// A press and its release can both arrive between two looks of the game (a
// tap on a touchpad, a quick click): the game, which sees a click as a button
// state that is nonzero at one look and zero at a later one, would miss it.
// So a release of a press nobody has looked at yet waits for one look.
bool g_press_unseen = false;     // under PROTECT_MOUSE
bool g_release_pending = false;  // under PROTECT_MOUSE
}  // namespace

void INCMOUSECYCLIC(int32_t& index) {
  index += 1;
  if (index > MOUSEBUFSIZE) index = 1;
}

void INITMOUSEBUF() {
  std::lock_guard<std::mutex> g(PROTECT_MOUSE);
  NR_INPUTMOUSE = 1;
  NR_READMOUSE = 1;
  g_press_unseen = g_release_pending = false;
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
    g_press_unseen = true;
    g_release_pending = false;
  } else if (action == MOUSEACTIONUP) {
    if (g_press_unseen)
      g_release_pending = true;  // shown once more, then released
    else
      MOUSEBUTTONS = 0;  // any release ends the press
  }
  INCMOUSECYCLIC(NR_INPUTMOUSE);
  if (NR_INPUTMOUSE == NR_READMOUSE) INCMOUSECYCLIC(NR_READMOUSE);  // drop the oldest
}

void WINMOUSEPROC(const MOUSEMESSAGE& m) {
  switch (m.event) {
    case MOUSEEVENT::CREATED:
      INITMOUSEBUF();
      break;
    case MOUSEEVENT::DESTROYED:
      break;
    case MOUSEEVENT::MOVE:
      ADDMOUSEEVENT(MOUSEACTIONMOVE, m.buttons, m.x, m.y);
      break;
    case MOUSEEVENT::DOWN:
      ADDMOUSEEVENT(MOUSEACTIONDOWN, m.buttons, m.x, m.y);
      break;
    case MOUSEEVENT::UP:
      ADDMOUSEEVENT(MOUSEACTIONUP, m.buttons, m.x, m.y);
      break;
  }
}

uint16_t GETMOUSEX() {
  platform::script_poll();
  return MOUSEX.load();
}

uint16_t GETMOUSEY() {
  platform::script_poll();
  return MOUSEY.load();
}

uint16_t GETMOUSEBUTTONS() {
  platform::script_poll();
  std::lock_guard<std::mutex> g(PROTECT_MOUSE);
  const uint16_t v = MOUSEBUTTONS.load();
  g_press_unseen = false;
  if (g_release_pending) {
    g_release_pending = false;
    MOUSEBUTTONS = 0;
  }
  return v;
}

}  // namespace qora
