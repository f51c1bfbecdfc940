// What a window (or scripted input) reports about the keyboard and the mouse,
// and the two hook slots through which those reports reach the keyboard and
// mouse layer above. The window thread and the script feeder call deliver_*;
// the graphics layer installs its KEYBOARDPROC and MOUSEPROC in the slots
// when it opens graphics. Nothing here knows about key rings or pages.
#pragma once

#include <cstdint>

namespace qora {

// Keys the window system reports that the keyboard layer translates,
// independent of any particular window system. Letters and digits are the
// physical keys (their position on a US keyboard), so another layout still
// steers.
enum class KEY : uint8_t {
  NONE,
  SHIFT,
  CTRL,
  BACKSPACE,
  ENTER,
  KEYPAD5,  // keypad 5 without Num Lock
  PAUSE,
  PAGEUP,
  PAGEDOWN,
  END,
  HOME,
  LEFT,
  UP,
  RIGHT,
  DOWN,
  INSERT,
  DEL,
  KEYPADPLUS,
  KEYPADMINUS,
  F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
  D0, D1, D2, D3, D4, D5, D6, D7, D8, D9,
  A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z,
};

enum class KEYEVENT : uint8_t {
  CREATED,    // the window has been created
  DESTROYED,  // the window is gone
  CLOSE,      // its close button (the window stays open)
  KEYDOWN,    // a key went down, with the modifiers held at that moment
  KEYUP,
  CHARACTER,  // a typed character, already in Windows-1251
  SPECIAL,    // a special key given by its code (scripted input)
};

// One keyboard report. The modifiers travel with each key, so the keyboard
// layer keeps no modifier state that two reporting threads could both write.
struct KEYBOARDMESSAGE {
  KEYEVENT event = KEYEVENT::KEYDOWN;
  KEY key = KEY::NONE;
  bool alt = false;
  char character = 0;  // CHARACTER: the character; SPECIAL: the code
  bool shift = false;
  bool ctrl = false;
};

enum class MOUSEEVENT : uint8_t { CREATED, DESTROYED, MOVE, DOWN, UP };
struct MOUSEMESSAGE {
  MOUSEEVENT event = MOUSEEVENT::MOVE;
  uint16_t buttons = 0;  // MOVE: buttons held; DOWN/UP: the one button (1 left, 2 right, 4 middle)
  int x = 0, y = 0;      // client coordinates
};

namespace platform {

using KeyboardHook = void (*)(const KEYBOARDMESSAGE&);
using MouseHook = void (*)(const MOUSEMESSAGE&);

// Installs the hooks (nullptr empties a slot). Reports delivered while a slot
// is empty are dropped.
void set_input_hooks(KeyboardHook keyboard, MouseHook mouse);
void deliver(const KEYBOARDMESSAGE& m);
void deliver(const MOUSEMESSAGE& m);

// Something between the reporters and the hooks (the session recorder): while
// installed, every report goes to it first; a report it takes (true) goes no
// further until it hands it on with deliver_to_hooks.
class InputTap {
 public:
  virtual ~InputTap() = default;
  virtual bool take(const KEYBOARDMESSAGE& m) = 0;
  virtual bool take(const MOUSEMESSAGE& m) = 0;
};
void set_input_tap(InputTap* tap);
void deliver_to_hooks(const KEYBOARDMESSAGE& m);
void deliver_to_hooks(const MOUSEMESSAGE& m);

}  // namespace platform
}  // namespace qora
