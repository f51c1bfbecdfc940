// The key ring, the special-key translation and the mouse state.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "graph/graph.h"
#include "graph/input_internal.h"

namespace qora {
namespace {

std::vector<int> drain() {
  std::vector<int> out;
  char c;
  while (TAKEKEY(c)) out.push_back(static_cast<unsigned char>(c));
  return out;
}

void key_down(KEY k, bool alt = false) { WINCRTPROC(KEYBOARDMESSAGE{KEYEVENT::KEYDOWN, k, alt}); }
void key_up(KEY k) { WINCRTPROC(KEYBOARDMESSAGE{KEYEVENT::KEYUP, k}); }

// Graphics opened headless, so READKEY reads instead of answering 0.
class OpenGraphics {
 public:
  OpenGraphics() {
    setenv("QORA_VIDEO", "headless", 1);
    setenv("QORA_SCREEN", "1024x768", 1);
    int16_t d = D4BIT, m = M640X480;
    INITGRAPH(d, m, "keys");
  }
  ~OpenGraphics() {
    if (GRAPHENABLED()) CLOSEGRAPH();
  }
};

class KeyRing : public ::testing::Test {
 protected:
  void SetUp() override { WINCRTPROC(KEYBOARDMESSAGE{KEYEVENT::CREATED}); }
  void TearDown() override { WINCRTPROC(KEYBOARDMESSAGE{KEYEVENT::CREATED}); }
};

TEST_F(KeyRing, ThirtyTwoPlainKeysLoseTheFirst) {
  for (int i = 0; i < 32; ++i) ADDKEY(char('A' + i));
  std::vector<int> want;
  for (int i = 1; i < 32; ++i) want.push_back('A' + i);
  EXPECT_EQ(drain(), want);
  EXPECT_FALSE(KEYPRESSED());

  // Wrapping around more than once keeps the newest 31 in order.
  for (int i = 0; i < 100; ++i) ADDKEY(char(i));
  want.clear();
  for (int i = 69; i < 100; ++i) want.push_back(i);
  EXPECT_EQ(drain(), want);
}

TEST_F(KeyRing, OverrunDropsAWholeSpecialKey) {
  for (int code = 1; code <= 15; ++code) ADDEXTKEY(char(code));  // 30 characters
  ADDEXTKEY(72);  // the arrow overruns the ring
  std::vector<int> got = drain();
  ASSERT_EQ(got.size(), 30u);
  for (size_t i = 0; i < got.size(); i += 2) {
    EXPECT_EQ(got[i], 0) << "at " << i;  // never half a special key
    EXPECT_EQ(got[i + 1], i / 2 + 2 == 16 ? 72 : int(i / 2 + 2)) << "at " << i;
  }

  // A plain key at the front goes alone; the special key behind it stays whole.
  ADDKEY('x');
  for (int code = 1; code <= 15; ++code) ADDEXTKEY(char(code));  // 31: full
  ADDKEY('y');
  got = drain();
  ASSERT_EQ(got.size(), 31u);
  EXPECT_EQ(got[0], 0);
  EXPECT_EQ(got[1], 1);
  EXPECT_EQ(got.back(), 'y');
}

TEST_F(KeyRing, ReadKeyWithGraphicsClosedAnswersZeroAndKeepsTheKeys) {
  ASSERT_FALSE(GRAPHENABLED());
  ADDKEY('q');
  EXPECT_EQ(READKEY(), 0);
  EXPECT_TRUE(KEYPRESSED());
  EXPECT_EQ(drain(), std::vector<int>{'q'});
}

TEST_F(KeyRing, KeysThroughTheHookAsTheGameReadsThem) {
  OpenGraphics g;
  ASSERT_TRUE(GRAPHENABLED());
  auto read = [] {
    std::vector<int> out;
    while (KEYPRESSED()) out.push_back(static_cast<unsigned char>(READKEY()));
    return out;
  };

  key_down(KEY::UP);
  EXPECT_EQ(read(), (std::vector<int>{0, 72}));

  key_down(KEY::CTRL);
  key_down(KEY::UP);
  key_up(KEY::CTRL);
  key_down(KEY::UP);
  EXPECT_EQ(read(), (std::vector<int>{0, 141, 0, 72}));

  key_down(KEY::LEFT, true);
  EXPECT_EQ(read(), (std::vector<int>{0, 155}));
  EXPECT_FALSE(ALT_KEY);  // Alt counts only while its key is translated

  key_down(KEY::SHIFT);
  key_down(KEY::F11);
  key_down(KEY::CTRL);
  key_down(KEY::F5);  // Ctrl wins over Shift
  key_up(KEY::CTRL);
  key_up(KEY::SHIFT);
  key_down(KEY::F5);
  EXPECT_EQ(read(), (std::vector<int>{0, 135, 0, 98, 0, 63}));

  // Enter is a character alone; with Alt it is only its special code.
  WINCRTPROC(KEYBOARDMESSAGE{KEYEVENT::CHARACTER, KEY::NONE, false, 13});
  key_down(KEY::ENTER);
  key_down(KEY::ENTER, true);
  key_down(KEY::A);  // letters without Alt come as characters, not from here
  EXPECT_EQ(read(), (std::vector<int>{13, 0, 166}));

  EXPECT_FALSE(GRCLOSEREQUEST());
  WINDOWCLOSEREQUEST();
  EXPECT_TRUE(GRCLOSEREQUEST());
  EXPECT_TRUE(GRAPHENABLED());
  EXPECT_EQ(read(), (std::vector<int>{0, 107}));
  CLEARCLOSEREQUEST();
}

TEST(SpecialKeys, TableWithModifiers) {
  struct Case {
    KEY key;
    bool shift, ctrl, alt;
    int code;
  } cases[] = {
      {KEY::BACKSPACE, false, false, false, 0},  {KEY::BACKSPACE, false, false, true, 14},
      {KEY::ENTER, false, true, false, 0},        {KEY::ENTER, false, false, true, 166},
      {KEY::KEYPAD5, false, false, false, 76},    {KEY::KEYPAD5, false, true, false, 143},
      {KEY::KEYPAD5, false, false, true, 76},     {KEY::PAUSE, false, true, true, 250},
      {KEY::PAGEUP, false, false, false, 73},     {KEY::PAGEUP, false, true, false, 132},
      {KEY::PAGEUP, false, false, true, 153},     {KEY::PAGEDOWN, false, true, false, 118},
      {KEY::PAGEDOWN, false, false, true, 161},   {KEY::END, false, true, false, 117},
      {KEY::END, false, false, true, 79},         {KEY::HOME, false, true, false, 119},
      {KEY::RIGHT, false, true, false, 116},      {KEY::RIGHT, false, false, true, 157},
      {KEY::UP, false, false, true, 152},         {KEY::UP, true, false, false, 72},
      {KEY::UP, false, true, true, 141},          {KEY::DOWN, false, false, false, 80},
      {KEY::DOWN, false, true, false, 145},       {KEY::DOWN, false, false, true, 160},
      {KEY::INSERT, false, false, false, 82},     {KEY::INSERT, false, true, false, 146},
      {KEY::INSERT, false, false, true, 162},     {KEY::DEL, false, false, false, 83},
      {KEY::DEL, false, true, false, 147},        {KEY::DEL, false, false, true, 163},
      {KEY::KEYPADPLUS, false, false, false, 0},  {KEY::KEYPADPLUS, false, true, false, 144},
      {KEY::KEYPADPLUS, false, false, true, 78},  {KEY::KEYPADMINUS, false, true, false, 142},
      {KEY::KEYPADMINUS, false, false, true, 74}, {KEY::F1, false, false, false, 59},
      {KEY::F10, false, false, false, 68},        {KEY::F1, false, true, false, 94},
      {KEY::F10, false, true, false, 103},        {KEY::F1, false, false, true, 104},
      {KEY::F10, false, false, true, 113},        {KEY::F1, true, false, false, 84},
      {KEY::F10, true, false, false, 93},         {KEY::F11, false, false, false, 133},
      {KEY::F12, false, false, false, 134},       {KEY::F11, false, true, false, 137},
      {KEY::F12, false, true, true, 138},         {KEY::F11, false, false, true, 139},
      {KEY::F12, false, false, true, 140},        {KEY::F12, true, false, false, 136},
      {KEY::F12, true, false, true, 136},         {KEY::F5, true, true, true, 98},
      {KEY::D1, false, false, true, 120},         {KEY::D9, false, false, true, 128},
      {KEY::D0, false, false, true, 129},         {KEY::D5, false, false, false, 0},
      {KEY::D5, false, true, true, 0},            {KEY::A, false, true, false, 0},
      {KEY::A, true, false, false, 0},            {KEY::NONE, false, false, true, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SPECIALCODE(c.key, c.shift, c.ctrl, c.alt), c.code)
        << "key " << int(c.key) << " shift " << c.shift << " ctrl " << c.ctrl << " alt " << c.alt;
}

TEST(SpecialKeys, AltLettersGiveTheirScanCodes) {
  // The PC keyboard's letter rows: scan codes run along each row.
  const std::pair<const char*, int> rows[] = {{"QWERTYUIOP", 16}, {"ASDFGHJKL", 30}, {"ZXCVBNM", 44}};
  int seen = 0;
  for (auto [letters, first] : rows)
    for (int i = 0; letters[i]; ++i, ++seen) {
      const KEY k = KEY(int(KEY::A) + (letters[i] - 'A'));
      EXPECT_EQ(SPECIALCODE(k, false, false, true), first + i) << letters[i];
    }
  EXPECT_EQ(seen, 26);
}

class Mouse : public ::testing::Test {
 protected:
  void SetUp() override { WINMOUSEPROC(MOUSEMESSAGE{MOUSEEVENT::CREATED}); }
  static void ev(MOUSEEVENT e, uint16_t b, int x, int y) { WINMOUSEPROC(MOUSEMESSAGE{e, b, x, y}); }
};

TEST_F(Mouse, ButtonsShowTheLatestPressUntilAnyRelease) {
  ev(MOUSEEVENT::DOWN, MOUSELEFTBUTTON, 10, 20);
  EXPECT_EQ(GETMOUSEBUTTONS(), MOUSELEFTBUTTON);
  ev(MOUSEEVENT::DOWN, MOUSERIGHTBUTTON, 11, 21);
  EXPECT_EQ(GETMOUSEBUTTONS(), MOUSERIGHTBUTTON);  // only the button just pressed
  ev(MOUSEEVENT::UP, MOUSERIGHTBUTTON, 12, 22);
  EXPECT_EQ(GETMOUSEBUTTONS(), 0);  // although left is still down
  EXPECT_EQ(GETMOUSEX(), 12);
  EXPECT_EQ(GETMOUSEY(), 22);

  ev(MOUSEEVENT::DOWN, MOUSEMIDDLEBUTTON, 12, 22);
  ev(MOUSEEVENT::MOVE, MOUSELEFTBUTTON | MOUSEMIDDLEBUTTON, 300, 200);
  EXPECT_EQ(GETMOUSEX(), 300);
  EXPECT_EQ(GETMOUSEY(), 200);
  EXPECT_EQ(GETMOUSEBUTTONS(), MOUSEMIDDLEBUTTON);  // a move changes position only
  const MOUSEEVENTTYPE& last = MOUSEBUF[size_t(NR_INPUTMOUSE == 1 ? MOUSEBUFSIZE : NR_INPUTMOUSE - 1)];
  EXPECT_EQ(last.BUTTONS, 5);
  EXPECT_EQ(last.ACTION, MOUSEACTIONMOVE);
  ev(MOUSEEVENT::UP, MOUSEMIDDLEBUTTON, 300, 200);
  EXPECT_EQ(GETMOUSEBUTTONS(), 0);

  ev(MOUSEEVENT::MOVE, 0, -5, 70000);  // outside the 16-bit range: held at its ends
  EXPECT_EQ(GETMOUSEX(), 0);
  EXPECT_EQ(GETMOUSEY(), 65535);
}

TEST_F(Mouse, FullRingDropsTheOldestEvent) {
  for (int i = 0; i < 20; ++i) ev(MOUSEEVENT::MOVE, 0, i, 100 + i);
  // Fifteen events held: the newest, oldest first from NR_READMOUSE.
  std::vector<int> xs;
  for (int32_t k = NR_READMOUSE; k != NR_INPUTMOUSE; INCMOUSECYCLIC(k)) {
    xs.push_back(MOUSEBUF[size_t(k)].X);
    EXPECT_EQ(MOUSEBUF[size_t(k)].Y, 100 + MOUSEBUF[size_t(k)].X);
  }
  std::vector<int> want;
  for (int i = 5; i < 20; ++i) want.push_back(i);
  EXPECT_EQ(xs, want);
  EXPECT_EQ(GETMOUSEX(), 19);
}

}  // namespace
}  // namespace qora
