// The key ring, the special-key translation, the Windows-1251 codec of typed
// (and drawn) text, and the mouse state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph/graph.h"
#include "graph/input_internal.h"
#include "platform/cp1251.h"

namespace qora {
namespace {

std::vector<int> drain() {
  std::vector<int> out;
  for (char c; TAKEKEY(c);) out.push_back(static_cast<unsigned char>(c));
  return out;
}

std::vector<int> range(int from, int to) {
  std::vector<int> v;
  for (int i = from; i < to; ++i) v.push_back(i);
  return v;
}

TEST(KeyRing, FullRingDropsTheOldestKeyWhole) {
  KEYBOARDPROC(KEYBOARDMESSAGE{KEYEVENT::CREATED});  // an empty ring
  for (int i = 0; i < 100; ++i) ADDKEY(char(i));  // wrapping more than once
  EXPECT_EQ(drain(), range(69, 100));

  for (int code = 1; code <= 15; ++code) ADDEXTKEY(char(code));  // 30 characters
  ADDEXTKEY(72);  // overruns: the whole special key 0,1 goes, never half of it
  std::vector<int> want;
  for (int code = 2; code <= 16; ++code) want.insert(want.end(), {0, code == 16 ? 72 : code});
  EXPECT_EQ(drain(), want);
  ADDKEY('q');
  EXPECT_EQ(READKEY(), 0);  // graphics closed: 0 at once, the key stays
  EXPECT_EQ(drain(), std::vector<int>{'q'});
}

TEST(SpecialKeys, TableWithModifiers) {
  const struct { KEY key; int plain, shift, ctrl, alt; } rows[] = {
      {KEY::BACKSPACE, 0, 0, 0, 14},   {KEY::ENTER, 0, 0, 0, 166},     {KEY::KEYPAD5, 76, 76, 143, 76},
      {KEY::PAUSE, 250, 250, 250, 250}, {KEY::PAGEUP, 73, 73, 132, 153}, {KEY::PAGEDOWN, 81, 81, 118, 161},
      {KEY::END, 79, 79, 117, 79},     {KEY::HOME, 71, 71, 119, 71},   {KEY::LEFT, 75, 75, 115, 155},
      {KEY::UP, 72, 72, 141, 152},     {KEY::RIGHT, 77, 77, 116, 157}, {KEY::DOWN, 80, 80, 145, 160},
      {KEY::INSERT, 82, 82, 146, 162}, {KEY::DEL, 83, 83, 147, 163},   {KEY::KEYPADPLUS, 0, 0, 144, 78},
      {KEY::KEYPADMINUS, 0, 0, 142, 74}, {KEY::F1, 59, 84, 94, 104},   {KEY::F10, 68, 93, 103, 113},
      {KEY::F11, 133, 135, 137, 139},  {KEY::D1, 0, 0, 0, 120},        {KEY::D0, 0, 0, 0, 129},
      {KEY::NONE, 0, 0, 0, 0},
  };
  for (const auto& r : rows)  // with all three modifiers Ctrl comes first
    EXPECT_EQ(std::tuple(SPECIALCODE(r.key, false, false, false), SPECIALCODE(r.key, true, false, false),
                         SPECIALCODE(r.key, false, true, false), SPECIALCODE(r.key, false, false, true),
                         SPECIALCODE(r.key, true, true, true)),
              std::tuple(r.plain, r.shift, r.ctrl, r.alt, r.ctrl)) << int(r.key);
  EXPECT_EQ(SPECIALCODE(KEY::F12, true, false, true), 136);  // Shift before Alt on F keys
  EXPECT_EQ(SPECIALCODE(KEY::UP, true, false, true), 152);   // elsewhere Shift is ignored

  // Alt + letter: the PC keyboard's scan codes run along each letter row.
  const std::pair<const char*, int> letter_rows[] = {
      {"QWERTYUIOP", 16}, {"ASDFGHJKL", 30}, {"ZXCVBNM", 44}};
  for (auto [letters, first] : letter_rows)
    for (int i = 0; letters[i]; ++i) {
      const KEY k = KEY(int(KEY::A) + (letters[i] - 'A'));
      EXPECT_EQ(SPECIALCODE(k, false, false, true), first + i) << letters[i];
      EXPECT_EQ(SPECIALCODE(k, false, true, true), 0) << letters[i];
    }
}

TEST(Cp1251, EveryAssignedByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b)
    if (b != 0x98) all += char(b);
  EXPECT_EQ(utf8_to_cp1251(cp1251_to_utf8(all)), all);
  EXPECT_EQ(cp1251_to_utf8("\xCF\xB8\xF2\xF0"), "Пётр");
}

TEST(Cp1251, MalformedInputIsDroppedAndTheRestKept) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\xC0\xAF" "b", "ab"},          // overlong "/"
      {"a\xE0\x80\xAF" "b", "ab"},      // overlong "/" in three bytes
      {"a\x80" "b", "ab"},              // stray continuation byte
      {"\xD0" "a", "a"},                // lead byte followed by a plain character
      {"\xE2" "a", "a"},                // three-byte lead cut short by the end of the text
      {"\xE2\x82\xAC\xE4\xB8\x80", "\x88"},  // the euro sign kept, a character the page lacks dropped
  };
  for (const auto& [in, want] : cases) EXPECT_EQ(utf8_to_cp1251(in), want) << in;
}

class Mouse : public ::testing::Test {
 protected:
  void SetUp() override { MOUSEPROC(MOUSEMESSAGE{MOUSEEVENT::CREATED}); }
  static void ev(MOUSEEVENT e, uint16_t b, int x, int y) { MOUSEPROC(MOUSEMESSAGE{e, b, x, y}); }
  static std::pair<int, int> xy() { return {GETMOUSEX(), GETMOUSEY()}; }
};

TEST_F(Mouse, ButtonsShowTheLatestPressUntilAnyRelease) {
  const MOUSESTATE before = GETMOUSESTATE();
  ev(MOUSEEVENT::DOWN, MOUSELEFTBUTTON, 10, 20);
  EXPECT_EQ(GETMOUSEBUTTONS(), MOUSELEFTBUTTON);
  ev(MOUSEEVENT::DOWN, MOUSERIGHTBUTTON, 11, 21);
  EXPECT_EQ(GETMOUSEBUTTONS(), MOUSERIGHTBUTTON);  // only the button just pressed
  ev(MOUSEEVENT::UP, MOUSERIGHTBUTTON, 12, 22);
  EXPECT_EQ(GETMOUSEBUTTONS(), 0);  // although left is still down
  ev(MOUSEEVENT::DOWN, MOUSELEFTBUTTON, 12, 22);  // a click between two looks
  ev(MOUSEEVENT::UP, MOUSELEFTBUTTON, 12, 22);
  const MOUSESTATE after = GETMOUSESTATE();  // is told by the counts, and looking changes nothing
  EXPECT_EQ(std::tuple(after.BUTTONS, after.PRESSES - before.PRESSES, after.RELEASES - before.RELEASES),
            std::tuple(0, 3u, 2u));
  EXPECT_EQ(GETMOUSESTATE().PRESSES, after.PRESSES);

  ev(MOUSEEVENT::DOWN, MOUSEMIDDLEBUTTON, 12, 22);
  ev(MOUSEEVENT::MOVE, MOUSELEFTBUTTON | MOUSEMIDDLEBUTTON, 300, 200);
  EXPECT_EQ(xy(), std::pair(300, 200));
  EXPECT_EQ(GETMOUSEBUTTONS(), MOUSEMIDDLEBUTTON);  // a move changes position only
  const MOUSEEVENTTYPE& last = MOUSEBUF[size_t(NR_INPUTMOUSE == 1 ? MOUSEBUFSIZE : NR_INPUTMOUSE - 1)];
  EXPECT_EQ(std::pair(last.BUTTONS, last.ACTION), std::pair(uint16_t(5), MOUSEACTIONMOVE));
  ev(MOUSEEVENT::MOVE, 0, -5, 70000);  // outside the 16-bit range: held at its ends
  EXPECT_EQ(xy(), std::pair(0, 65535));
}

TEST_F(Mouse, FullRingDropsTheOldestEvent) {
  for (int i = 0; i < 20; ++i) ev(MOUSEEVENT::MOVE, 0, i, 100 + i);
  std::vector<int> xs;  // fifteen held, oldest first
  for (int32_t k = NR_READMOUSE; k != NR_INPUTMOUSE; INCMOUSECYCLIC(k)) {
    xs.push_back(MOUSEBUF[size_t(k)].X);
    EXPECT_EQ(MOUSEBUF[size_t(k)].Y, 100 + MOUSEBUF[size_t(k)].X);
  }
  EXPECT_EQ(xs, range(5, 20));
}

}  // namespace
}  // namespace qora
