// Inside the keyboard and mouse layer: the key ring and the mouse ring, and
// the hook functions through which the window thread (and scripted input)
// feed them; graphics install the hooks in the platform's slots when they
// open. Not for game code, which uses KEYPRESSED, READKEY and the GETMOUSE...
// routines of graph/graph.h.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/input.h"

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

// ---- Key ring routines ------------------------------------------------------
void INCKEYCYCLIC(int32_t& index);
void INITKEYBUF();
void ADDKEY(char c);     // queues one character; a full ring drops its oldest key
void ADDEXTKEY(char c);  // queues 0 then c
// Queues the special key for the key with those modifiers, or nothing.
void TRANSLATEKEYS(KEY key, bool shift, bool ctrl, bool alt);
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
// The keyboard hook: dispatches one report into the key ring. The close
// button sets GRCLOSEREQUEST and queues 0, 107.
void KEYBOARDPROC(const KEYBOARDMESSAGE& m);
// The mouse hook: dispatches one report into the mouse ring.
void MOUSEPROC(const MOUSEMESSAGE& m);
// Clears GRCLOSEREQUEST (a new window starts without a pending close).
void CLEARCLOSEREQUEST();

// Takes the next character from the key ring under the lock; false when empty.
// READKEY's inner step, without its graphics check and waiting.
bool TAKEKEY(char& c);

}  // namespace qora
