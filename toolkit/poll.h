// The one poll pass every interactive screen runs its loop on. A pass makes
// one step of the palette flash, takes exactly one look at the mouse
// (position, buttons, and the presses and releases since the last look),
// hit-tests the screen's rectangles, reads at most one key (an extended key
// decoded into its code) and lets the window system run (PROCESSMESSAGES,
// with or without the maker's label). The screen then reacts to what the pass
// saw, in its own order.
//
// A click is a press seen on this screen followed by all buttons up; a quick
// tap whose press and release both fall between two looks is still one
// click, and a button pressed before the screen started never makes one.
// Looking never consumes anything; taking the click is an explicit call.
#pragma once

#include <cstdint>
#include <functional>

#include "graph/graph.h"
#include "state/types.h"

namespace qora {

struct POLLOPTIONS {
  bool flash = true;  // FLASH(flash_min, flash_max, flash_late) at the start of a pass
  int32_t flash_min = 75, flash_max = 225, flash_late = 5;
  bool label = false;     // PROCESSMESSAGES(true): the maker's label reacts to the mouse
  bool read_keys = true;  // false: a waiting key is only seen, it stays in the buffer
};

class TPOLL {
 public:
  // On a screen with the label, the label's state starts afresh.
  explicit TPOLL(const POLLOPTIONS& options = {});

  // A new loop of the same screen: forgets the Esc flag, the key and any
  // press so far (a button already down does not count), keeps the last
  // pointer position.
  void REARM();

  // The rectangles the pointer is tested against: count entries from rects,
  // indexed from 0. Entries for which enabled(k) is false are never hit. The
  // array stays the screen's; it is read at every look.
  void TARGETS(const TRECT* rects, int32_t count,
               std::function<bool(int32_t)> enabled = nullptr);

  // The whole pass: FLASHSTEP, then, unless the Esc flag was set by an
  // earlier pass, LOOK. Returns false when the Esc flag is set (the screen
  // leaves at the top of this pass, as the flag demands).
  bool STEP();
  // The two halves, for screens that act on Esc between them.
  void FLASHSTEP();
  void LOOK();

  // ---- What the last look saw -------------------------------------------
  // The first enabled target other than skip whose rectangle holds the
  // pointer, when the pointer moved since the look before (the first look
  // counts as a move) or a button is down or was just pressed; otherwise, or
  // when none, -1.
  int32_t HIT(int32_t skip = -1) const;

  // A key was read (or, without read_keys, is waiting).
  bool KEY() const { return key_; }
  // The key read: the character, or 0 for an extended key.
  char CH() const { return ch_; }
  bool EXTENDED() const { return key_ && ch_ == 0; }
  // The code of an extended key.
  uint8_t CODE() const { return code_; }
  // Space or Enter was read: the key that confirms. An extended key never
  // does, even when its code is that of Space (Alt+D) or Enter.
  bool CONFIRM() const { return key_ && (ch_ == ' ' || ch_ == 13); }
  // Esc has been read during this loop (the flag stays until REARM).
  bool ESC() const { return esc_; }

  // All buttons are up after a press seen on this screen. On a screen with
  // the label, a release over the maker's label is no click (it belongs to
  // the label) and the press is forgotten by the look.
  bool CLICK() const { return wasdown_ && buttons_ == 0; }
  // CLICK(), and the press is forgotten so the click is taken once.
  bool TAKECLICK();

 private:
  POLLOPTIONS opt_;
  const TRECT* rects_ = nullptr;
  int32_t count_ = 0;
  std::function<bool(int32_t)> enabled_;
  bool looked_ = false;
  TPOINT pt_{};
  uint16_t buttons_ = 0;
  uint32_t presses_ = 0;
  bool moved_ = false, anydown_ = false;
  bool key_ = false;
  char ch_ = 0;
  uint8_t code_ = 0;
  bool esc_ = false;
  bool wasdown_ = false;
};

// PROCESSMESSAGES on a look already taken: the maker's label follows the
// pointer when label is true (anydown: a button is down or was just pressed),
// then the 10 ms pause.
void PROCESSLOOK(const MOUSESTATE& look, bool anydown, bool label);

}  // namespace qora
