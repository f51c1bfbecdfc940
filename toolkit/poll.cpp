#include "toolkit/poll.h"

#include "platform/clock.h"
#include "platform/open_document.h"
#include "state/geometry.h"
#include "state/globals.h"
#include "toolkit/widgets.h"

namespace qora {

TPOLL::TPOLL(const POLLOPTIONS& options) : opt_(options) {
  if (opt_.label) {
    G_IMOUSEBUTTON = 0;
    G_BLABELSELECTEDSTATE = false;
  }
  REARM();
}

void TPOLL::REARM() {
  const MOUSESTATE now = GETMOUSESTATE();
  presses_ = now.PRESSES;
  buttons_ = now.BUTTONS;
  esc_ = false;
  key_ = false;
  ch_ = 0;
  code_ = 0;
  wasdown_ = false;
  anydown_ = false;
  moved_ = false;
}

void TPOLL::TARGETS(const TRECT* rects, int32_t count, std::function<bool(int32_t)> enabled) {
  rects_ = rects;
  count_ = count;
  enabled_ = std::move(enabled);
}

bool TPOLL::STEP() {
  FLASHSTEP();
  if (esc_) return false;
  LOOK();
  return true;
}

void TPOLL::FLASHSTEP() {
  if (opt_.flash) FLASH(opt_.flash_min, opt_.flash_max, opt_.flash_late);
}

void TPOLL::LOOK() {
  // The mouse, once.
  const MOUSESTATE m = GETMOUSESTATE();
  const TPOINT pt{m.X, m.Y};
  const bool pressed = m.PRESSES != presses_;
  moved_ = !looked_ || pt != pt_;
  looked_ = true;
  pt_ = pt;
  buttons_ = m.BUTTONS;
  presses_ = m.PRESSES;
  anydown_ = buttons_ != 0 || pressed;
  if (pressed) wasdown_ = true;

  // At most one key.
  key_ = false;
  ch_ = 0;
  code_ = 0;
  if (KEYPRESSED()) {
    key_ = true;
    if (opt_.read_keys) {
      ch_ = READKEY();
      if (ch_ == 0) code_ = static_cast<uint8_t>(READKEY());
      if (ch_ == 27) esc_ = true;
    }
  }

  PROCESSLOOK(m, anydown_, opt_.label);
  // A click that ends over the maker's label belongs to the label.
  if (opt_.label && wasdown_ && buttons_ == 0 && G_BLABELSELECTEDSTATE) wasdown_ = false;
}

int32_t TPOLL::HIT(int32_t skip) const {
  if (!(moved_ || anydown_) || !rects_) return -1;
  for (int32_t k = 0; k < count_; ++k) {
    if (k == skip || (enabled_ && !enabled_(k))) continue;
    if (PTINRECT(rects_[k], pt_)) return k;
  }
  return -1;
}

bool TPOLL::TAKECLICK() {
  if (!CLICK()) return false;
  wasdown_ = false;
  return true;
}

void PROCESSLOOK(const MOUSESTATE& look, bool anydown, bool label) {
  if (label) {
    const TPOINT pt{look.X, look.Y};
    if (pt != G_PTMOUSE || anydown) {
      G_PTMOUSE = pt;
      const bool over = PTINRECT(G_RCFIRMLABEL, pt);
      if (over)
        FIRMLABEL_SELECT(true);
      else if (G_BLABELSELECTEDSTATE)
        FIRMLABEL_SELECT(false);
      if (over && anydown) G_IMOUSEBUTTON = 1;
      G_BLABELSELECTEDSTATE = over;
    }
    if (G_BLABELSELECTEDSTATE && G_IMOUSEBUTTON == 1 && look.BUTTONS == 0) {
      G_IMOUSEBUTTON = 0;
      platform::open_document(FIRMLABEL_GETSITE());
    }
  }
  platform::sleep_ms(10);
}

}  // namespace qora
