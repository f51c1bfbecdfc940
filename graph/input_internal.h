// Inside the keyboard and mouse layer: the key ring and the mouse ring, and
// the hook functions through which the window thread (and scripted input)
// feed them. Not for game code, which uses KEYPRESSED, READKEY and the
// GETMOUSE... routines of graph/graph.h.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace qora {

// ---- Key ring ---------------------------------------------------------------
// Slots 1..KEYBUFSIZE (slot 0 unused). Empty when NR_READKEY == NR_INPUTKEY;
// so it holds at most KEYBUFSIZE - 1 characters. A special key is two
// consecutive characters: 0 and its code.
constexpr int32_t KEYBUFSIZE = 32;
extern std::array<char, KEYBUFSIZE + 1> KEYBUF;
// Written under PROTECT_KEYBOARD; atomic so KEYPRESSED may compare them
// without the lock.
extern std::atomic<int32_t> NR_INPUTKEY;
extern std::atomic<int32_t> NR_READKEY;
// Modifier state, used only by the thread that delivers window events.
extern bool SHIFT_KEY, CTRL_KEY, ALT_KEY;
extern std::mutex PROTECT_KEYBOARD;

// ---- Mouse ring -------------------------------------------------------------
struct MOUSEEVENTTYPE {
  uint16_t BUTTONS = 0, X = 0, Y = 0, ACTION = 0;
};
constexpr int32_t MOUSEBUFSIZE = 16;
extern std::array<MOUSEEVENTTYPE, MOUSEBUFSIZE + 1> MOUSEBUF;  // slots 1..16
extern int32_t NR_INPUTMOUSE, NR_READMOUSE;
// Read by the game without the lock (single 16-bit values).
extern std::atomic<uint16_t> MOUSEX, MOUSEY, MOUSEBUTTONS;
extern std::mutex PROTECT_MOUSE;

// Keys the window system reports that TRANSLATEKEYS knows, independent of
// any particular window system. Letters and digits are the physical keys
// (their position on a US keyboard), so another layout still steers.
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

// ---- Key ring routines ------------------------------------------------------
void INCKEYCYCLIC(int32_t& index);
void INITKEYBUF();
void ADDKEY(char c);     // queues one character; a full ring drops its oldest key
void ADDEXTKEY(char c);  // queues 0 then c
// Queues the special key for the key and the current SHIFT_KEY, CTRL_KEY and
// ALT_KEY, or nothing.
void TRANSLATEKEYS(KEY key);
// The code TRANSLATEKEYS queues after the 0, or 0 when it queues nothing.
uint8_t SPECIALCODE(KEY key, bool shift, bool ctrl, bool alt);

// ---- Mouse ring routines ----------------------------------------------------
void INCMOUSECYCLIC(int32_t& index);
void INITMOUSEBUF();
// action: MOUSEACTIONDOWN/UP/MOVE; flags: MOUSELEFTBUTTON | MOUSERIGHTBUTTON |
// MOUSEMIDDLEBUTTON as reported with the event; x, y client coordinates
// (clamped into 0..65535).
void ADDMOUSEEVENT(uint16_t action, uint16_t flags, int x, int y);

// ---- The hooks: what a window (or scripted input) reports ------------------
enum class KEYEVENT : uint8_t {
  CREATED,    // the window has been created
  DESTROYED,  // the window is gone
  CLOSE,      // its close button
  KEYDOWN,    // a key went down; alt: pressed together with Alt
  KEYUP,
  CHARACTER,  // a typed character, already in Windows-1251
};
struct KEYBOARDMESSAGE {
  KEYEVENT event = KEYEVENT::KEYDOWN;
  KEY key = KEY::NONE;
  bool alt = false;
  char character = 0;
};
// The keyboard hook: dispatches one window event into the key ring.
void WINCRTPROC(const KEYBOARDMESSAGE& m);

enum class MOUSEEVENT : uint8_t { CREATED, DESTROYED, MOVE, DOWN, UP };
struct MOUSEMESSAGE {
  MOUSEEVENT event = MOUSEEVENT::MOVE;
  uint16_t buttons = 0;  // MOVE: buttons held; DOWN/UP: the one button
  int x = 0, y = 0;
};
// The mouse hook: dispatches one window event into the mouse ring.
void WINMOUSEPROC(const MOUSEMESSAGE& m);

// The window's close button: sets GRCLOSEREQUEST and passes the event to the
// keyboard hook, which queues 0, 107. The window stays open.
void WINDOWCLOSEREQUEST();
// Clears GRCLOSEREQUEST (a new window starts without a pending close).
void CLEARCLOSEREQUEST();

// Takes the next character from the key ring under the lock; false when empty.
// READKEY's inner step, without its graphics check and waiting.
bool TAKEKEY(char& c);

}  // namespace qora
