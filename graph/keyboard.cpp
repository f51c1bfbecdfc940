// The key ring: characters queued by the window thread (or scripted input)
// through KEYBOARDPROC and read one at a time by the game in the classic PC
// manner, a special key being the character 0 followed by its code.
#include <atomic>

#include "graph/graph.h"
#include "graph/input_internal.h"
#include "platform/clock.h"

namespace qora {

std::array<char, KEYBUFSIZE + 1> KEYBUF{};
std::atomic<int32_t> NR_INPUTKEY{1};
std::atomic<int32_t> NR_READKEY{1};
std::mutex PROTECT_KEYBOARD;

namespace {
std::atomic<bool> g_close_request{false};

// Alt + letter: the letter key's PC keyboard scan code, A to Z.
constexpr uint8_t kLetterScan[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                     49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

struct Row {
  KEY key;
  uint8_t plain, ctrl, alt;  // 0: nothing queued
};
constexpr Row kTable[] = {
    {KEY::BACKSPACE, 0, 0, 14},     {KEY::ENTER, 0, 0, 166},
    {KEY::KEYPAD5, 76, 143, 76},    {KEY::PAUSE, 250, 250, 250},
    {KEY::PAGEUP, 73, 132, 153},    {KEY::PAGEDOWN, 81, 118, 161},
    {KEY::END, 79, 117, 79},        {KEY::HOME, 71, 119, 71},
    {KEY::LEFT, 75, 115, 155},      {KEY::UP, 72, 141, 152},
    {KEY::RIGHT, 77, 116, 157},     {KEY::DOWN, 80, 145, 160},
    {KEY::INSERT, 82, 146, 162},    {KEY::DEL, 83, 147, 163},
    {KEY::KEYPADPLUS, 0, 144, 78},  {KEY::KEYPADMINUS, 0, 142, 74},
};

}  // namespace

void INCKEYCYCLIC(int32_t& index) {
  index += 1;
  if (index > KEYBUFSIZE) index = 1;
}

void INITKEYBUF() {
  std::lock_guard<std::mutex> g(PROTECT_KEYBOARD);
  NR_INPUTKEY = 1;
  NR_READKEY = 1;
}

namespace {

// Puts one byte into the ring; the caller holds PROTECT_KEYBOARD.
void put_key_locked(char c) {
  int32_t in = NR_INPUTKEY.load();
  KEYBUF[size_t(in)] = c;
  INCKEYCYCLIC(in);
  int32_t rd = NR_READKEY.load();
  if (in == rd) {
    // Overrun: drop the oldest key, both halves when it is a special key.
    if (KEYBUF[size_t(rd)] == 0) INCKEYCYCLIC(rd);
    INCKEYCYCLIC(rd);
    NR_READKEY = rd;
  }
  NR_INPUTKEY = in;
}

}  // namespace

void ADDKEY(char c) {
  std::lock_guard<std::mutex> g(PROTECT_KEYBOARD);
  put_key_locked(c);
}

void ADDEXTKEY(char c) {
  // Both bytes under one lock: another producer never lands between the 0
  // and its code.
  std::lock_guard<std::mutex> g(PROTECT_KEYBOARD);
  put_key_locked(0);
  put_key_locked(c);
}

uint8_t SPECIALCODE(KEY key, bool shift, bool ctrl, bool alt) {
  if (key >= KEY::F1 && key <= KEY::F12) {
    const int n = int(key) - int(KEY::F1);  // 0..11
    if (ctrl) return uint8_t(n < 10 ? 94 + n : 137 + (n - 10));
    if (shift) return uint8_t(n < 10 ? 84 + n : 135 + (n - 10));
    if (alt) return uint8_t(n < 10 ? 104 + n : 139 + (n - 10));
    return uint8_t(n < 10 ? 59 + n : 133 + (n - 10));
  }
  for (const Row& r : kTable)
    if (r.key == key) return ctrl ? r.ctrl : alt ? r.alt : r.plain;
  if (ctrl || !alt) return 0;
  if (key >= KEY::D1 && key <= KEY::D9) return uint8_t(120 + (int(key) - int(KEY::D1)));
  if (key == KEY::D0) return 129;
  if (key >= KEY::A && key <= KEY::Z) return kLetterScan[int(key) - int(KEY::A)];
  return 0;
}

void TRANSLATEKEYS(KEY key, bool shift, bool ctrl, bool alt) {
  const uint8_t code = SPECIALCODE(key, shift, ctrl, alt);
  if (code != 0) ADDEXTKEY(char(code));
}

void KEYBOARDPROC(const KEYBOARDMESSAGE& m) {
  switch (m.event) {
    case KEYEVENT::CREATED:  // a new window starts with empty rings and no close pending
      INITKEYBUF();
      g_close_request = false;
      break;
    case KEYEVENT::DESTROYED:
      break;
    case KEYEVENT::CLOSE:
      g_close_request = true;
      ADDEXTKEY(char(107));  // the same code as Alt+F4
      break;
    case KEYEVENT::KEYDOWN:
      if (m.key != KEY::SHIFT && m.key != KEY::CTRL) TRANSLATEKEYS(m.key, m.shift, m.ctrl, m.alt);
      break;
    case KEYEVENT::KEYUP:
      break;
    case KEYEVENT::CHARACTER:
      ADDKEY(m.character);
      break;
    case KEYEVENT::SPECIAL:
      ADDEXTKEY(m.character);
      break;
  }
}

bool TAKEKEY(char& c) {
  std::lock_guard<std::mutex> g(PROTECT_KEYBOARD);
  int32_t rd = NR_READKEY.load();
  if (rd == NR_INPUTKEY.load()) return false;
  c = KEYBUF[size_t(rd)];
  INCKEYCYCLIC(rd);
  NR_READKEY = rd;
  return true;
}

bool KEYPRESSED() {
  return NR_READKEY.load(std::memory_order_acquire) != NR_INPUTKEY.load(std::memory_order_acquire);
}

char READKEY() {
  if (!GRAPHENABLED()) return 0;
  char c = 0;
  while (!TAKEKEY(c)) {
    platform::sleep_ms(10);
    if (!GRAPHENABLED()) return 0;
  }
  return c;
}

void DELAY(uint16_t ms) { platform::sleep_ms(ms); }

void CLEARCLOSEREQUEST() { g_close_request = false; }

bool GRCLOSEREQUEST() { return g_close_request.load(); }

}  // namespace qora
