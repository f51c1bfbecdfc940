// Input: the key ring, the special-key translation, the Windows-1251 codec of
// typed (and drawn) text, the mouse state; scripted input, its file format,
// when lines take effect under the virtual clock, and whole programs driven by
// a script.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

#include "graph/graph.h"
#include "graph/input_internal.h"
#include "platform/clock.h"
#include "platform/cp1251.h"
#include "platform/record.h"
#include "platform/script.h"
#include "support/test_support.h"

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

TEST(KeyRing, AnotherProducerNeverLandsBetweenASpecialKeysTwoBytes) {
  // The window thread and the script feeder may both put keys at once.
  int split = 0;
  for (int round = 0; round < 300; ++round) {
    KEYBOARDPROC(KEYBOARDMESSAGE{KEYEVENT::CREATED});
    std::atomic<int> ready{0};
    const auto go = [&] { for (++ready; ready < 2;) {} };  // both start together
    std::thread special([&] { go(); for (int i = 0; i < 100; ++i) ADDEXTKEY(72); });
    std::thread plain([&] { go(); for (int i = 0; i < 200; ++i) ADDKEY('a'); });
    special.join();
    plain.join();
    const std::vector<int> seen = drain();
    for (size_t i = 0; i < seen.size(); ++i)
      if (seen[i] == 0) split += i + 1 == seen.size() || seen[++i] != 72;
  }
  EXPECT_EQ(split, 0);
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

// ---- Scripted input -------------------------------------------------------

TEST(ScriptParse, EveryCommandWithItsTimeAndLine) {
  const platform::ScriptParse p = platform::parse_script(
      "# a comment line\r\n\nkey 65\r\n  wait 100   # trailing comment\n"
      "special 72\ntext ab #1 \xD0\x96\xD0\xB6\nwait 0\nmove 320 240\n"
      "down left\nwait 50\nup right\ndown middle\n"
      "close\nshot out.png\nwait 25\ntext \xE2\x82\xAC\xF0\x9F\x98\x80z\xD1\x91\n"
      "press f4 ctrl alt\nrelease 7\nup left 3 4\nscreen 800 600\n");
  ASSERT_TRUE(p.ok) << p.error_line << ": " << p.error;
  struct Want { platform::ScriptOp op; uint64_t at; int line, a, b; std::string text; };
  const Want want[] = {
      {platform::ScriptOp::KEY, 0, 3, 65, 0, ""},
      {platform::ScriptOp::SPECIAL, 100, 5, 72, 0, ""},
      {platform::ScriptOp::TEXT, 100, 6, 0, 0, "ab #1 \xC6\xE6"},  // taken literally, in Windows-1251
      {platform::ScriptOp::MOVE, 100, 8, 320, 240, ""},
      {platform::ScriptOp::DOWN, 100, 9, MOUSELEFTBUTTON, 0, ""},
      {platform::ScriptOp::UP, 150, 11, MOUSERIGHTBUTTON, 0, ""},
      {platform::ScriptOp::DOWN, 150, 12, MOUSEMIDDLEBUTTON, 0, ""},
      {platform::ScriptOp::CLOSE, 150, 13, 0, 0, ""},
      {platform::ScriptOp::SHOT, 150, 14, 0, 0, "out.png"},
      {platform::ScriptOp::TEXT, 175, 16, 0, 0, "\x88z\xB8"},  // euro, emoji, z, yo: the emoji is dropped
      {platform::ScriptOp::PRESS, 175, 17, int(KEY::F4), 2 + 4, ""},
      {platform::ScriptOp::RELEASE, 175, 18, int(KEY::D7), 0, ""},
      {platform::ScriptOp::UP, 175, 19, MOUSELEFTBUTTON, 0, ""},
  };
  ASSERT_EQ(p.commands.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    const platform::ScriptCommand& c = p.commands[i];
    EXPECT_EQ(std::tie(c.op, c.at, c.line, c.a, c.b, c.text),
              std::tie(want[i].op, want[i].at, want[i].line, want[i].a, want[i].b, want[i].text));
  }
  EXPECT_EQ(std::tuple(p.commands.back().x, p.commands.back().y, p.screen_w, p.screen_h, p.clock_pinned),
            std::tuple(3, 4, 800, 600, false));
  EXPECT_EQ(p.end, 175u);
  // A recorded session's clock: a local time with milliseconds and a tick count.
  const platform::ScriptParse rec = platform::parse_script("clock 2026-12-07 13:28:10.123 4294967295\nkey 1\n");
  ASSERT_TRUE(rec.ok) << rec.error;
  EXPECT_EQ(platform::local_time_text(rec.clock_ms), "2026-12-07 13:28:10.123");
  EXPECT_EQ(rec.clock_ticks, 4294967295u);
}

TEST(ScriptParse, BadLinesNameTheirLine) {
  const std::pair<const char*, int> bad[] = {
      {"key 1\nbogus 3\n", 2}, {"wait\n", 1}, {"wait 10ms\n", 1}, {"key 256\n", 1}, {"KEY 65\n", 1},
      {"# c\n\nspecial 0\n", 3}, {"move 10\n", 1}, {"move 70000 1\n", 1}, {"up side\n", 1},
      {"shot a.png b.png\n", 1}, {"text \n", 1}, {"text \xF0\x9F\x98\x80\n", 1},
      {"press\n", 1}, {"press up up\n", 1}, {"release f13\n", 1}, {"down left 5\n", 1},
      {"key 1\nclock 2026-12-07 13:28:10.123 5\n", 2}, {"clock 2026-12-07 13:28:10 5\n", 1},
      {"screen 0 600\n", 1}, {"await\n", 1}, {"key 1\noptions f\n", 2}, {"options f\noptions s\n", 2},
  };
  for (auto [src, line] : bad) {
    const platform::ScriptParse p = platform::parse_script(src);
    EXPECT_EQ(std::tuple(p.ok, p.error_line, p.error.empty(), p.commands.size()),
              std::tuple(false, line, false, size_t(0))) << src;
  }
}

TEST(ScriptTiming, LinesTakeEffectWhenTheClockReachesThem) {
  platform::set_input_hooks(&KEYBOARDPROC, &MOUSEPROC);  // as graphics do when they open
  KEYBOARDPROC(KEYBOARDMESSAGE{KEYEVENT::CREATED});
  MOUSEPROC(MOUSEMESSAGE{MOUSEEVENT::CREATED});
  platform::VirtualClock vc;
  vc.advance(5000);  // script time counts from the start, not from the clock's zero
  platform::ScriptParse p = platform::parse_script("text hi\nwait 100\nspecial 72\nmove 30 40\ndown left\nwait 20\n"
                               "move 31 41\nwait 30\nup left\nclose\n");
  ASSERT_TRUE(p.ok) << p.error;
  auto runner = std::make_shared<platform::ScriptRunner>(std::move(p.commands), p.end, 600000, [] {});
  platform::attach_to_virtual_clock(vc, runner);

  vc.sleep_ms(10);
  EXPECT_EQ(drain(), (std::vector<int>{'h', 'i'}));
  vc.sleep_ms(89);  // 99 ms
  EXPECT_TRUE(drain().empty());
  vc.sleep_ms(1);  // 100 ms
  EXPECT_EQ(drain(), (std::vector<int>{0, 72}));
  EXPECT_EQ(GETMOUSEBUTTONS(), MOUSELEFTBUTTON);
  EXPECT_EQ(GETMOUSEX(), 30);
  vc.sleep_ms(20);
  EXPECT_EQ(std::pair(GETMOUSEX(), GETMOUSEY()), (std::pair<uint16_t, uint16_t>(31, 41)));
  const MOUSEEVENTTYPE& mv = MOUSEBUF[size_t(NR_INPUTMOUSE == 1 ? MOUSEBUFSIZE : NR_INPUTMOUSE - 1)];
  EXPECT_EQ(mv.BUTTONS, MOUSELEFTBUTTON);  // the move carried the held button
  vc.sleep_ms(30);
  EXPECT_EQ(GETMOUSEBUTTONS(), 0);
  EXPECT_TRUE(GRCLOSEREQUEST());
  EXPECT_TRUE(runner->exhausted());
  drain();
  CLEARCLOSEREQUEST();
}

// What reaches the hooks, one line a report, with the wait it came at.
std::vector<std::string> g_seen;
int g_wait = 0;
void see(const KEYBOARDMESSAGE& m) {
  g_seen.push_back(std::to_string(g_wait) + " k" + std::to_string(int(m.event)) + "," + std::to_string(int(m.key)) +
                   "," + std::to_string(int(m.character)) + "," + std::to_string(m.shift) +
                   std::to_string(m.ctrl) + std::to_string(m.alt));
}
void see(const MOUSEMESSAGE& m) {
  g_seen.push_back(std::to_string(g_wait) + " m" + std::to_string(int(m.event)) + "," + std::to_string(m.buttons) +
                   "," + std::to_string(m.x) + "," + std::to_string(m.y));
}

// A session's reports reach the program only at its waits; the script the
// recorder writes hands the same reports to the program at the same waits
// when it replays on the virtual clock, zero-length waits included.
TEST(RecordedSession, ReplaysEveryReportAtTheWaitThatTookIt) {
  using namespace platform;
  const std::vector<std::vector<std::variant<KEYBOARDMESSAGE, MOUSEMESSAGE>>> before_wait = {
      {KEYBOARDMESSAGE{KEYEVENT::CHARACTER, KEY::NONE, false, char(0xE6)}},
      {},
      {KEYBOARDMESSAGE{KEYEVENT::KEYDOWN, KEY::LEFT, true, 0, true, false},
       KEYBOARDMESSAGE{KEYEVENT::KEYUP, KEY::LEFT}, MOUSEMESSAGE{MOUSEEVENT::MOVE, 0, 30, 40}},
      {MOUSEMESSAGE{MOUSEEVENT::DOWN, 1, 31, 41}},  // at a wait of 0 ms: taken at the next
      {MOUSEMESSAGE{MOUSEEVENT::UP, 1, 31, 41}, KEYBOARDMESSAGE{KEYEVENT::KEYDOWN, KEY::F4, true, 0, false, true}},
      {KEYBOARDMESSAGE{KEYEVENT::CLOSE}, MOUSEMESSAGE{MOUSEEVENT::UP, 2, 5, 6}},
      {}};
  const uint32_t waits[] = {10, 15, 20, 0, 5, 10, 1};
  set_input_hooks(+[](const KEYBOARDMESSAGE& m) { see(m); }, +[](const MOUSEMESSAGE& m) { see(m); });
  VirtualClock vc;
  vc.advance(700);  // the window opens later than the clock starts
  std::string script;
  SessionRecorder rec([&](const std::string& s) { script += s; });
  vc.set_on_advance([&](uint64_t now) { rec.flush(now); });
  rec.start(vc.elapsed_ms());
  set_input_tap(&rec);
  g_seen.clear();
  for (size_t i = 0; i < std::size(waits); ++i) {
    g_wait = int(i);
    for (const auto& r : before_wait[i]) std::visit([](const auto& m) { deliver(m); }, r);
    vc.sleep_ms(waits[i]);
  }
  set_input_tap(nullptr);
  const auto recorded = g_seen;
  EXPECT_EQ(recorded.size(), 9u);
  EXPECT_EQ(recorded[4].substr(0, 2), "4 ");  // the press at the 0 ms wait came at the next

  ScriptParse p = parse_script(script);
  ASSERT_TRUE(p.ok) << p.error_line << p.error << "\n" << script;
  VirtualClock vc2;
  vc2.advance(300);
  auto runner = std::make_shared<ScriptRunner>(std::move(p.commands), p.end, 600000, [] {});
  attach_to_virtual_clock(vc2, runner);
  g_seen.clear();
  for (size_t i = 0; i < std::size(waits); ++i) {
    g_wait = int(i);
    vc2.sleep_ms(waits[i]);
  }
  EXPECT_EQ(g_seen, recorded) << script;
  set_input_hooks(nullptr, nullptr);
}

// "await" holds the lines after it until the program passes the mark, and
// they count from then; a mark passed early is not missed; a mark that never
// comes ends the run like a script that ran out.
TEST(ScriptTiming, AnAwaitHoldsTheLinesAfterItUntilTheMark) {
  platform::set_input_hooks(&KEYBOARDPROC, &MOUSEPROC);
  KEYBOARDPROC(KEYBOARDMESSAGE{KEYEVENT::CREATED});
  platform::ScriptParse p = platform::parse_script(
      "key 1\nwait 100\nawait results on screen\nwait 50\nkey 2\nawait results on screen\nkey 3\n"
      "await never\nkey 4\n");
  ASSERT_TRUE(p.ok) << p.error;
  int idle = 0;
  platform::ScriptRunner r(std::move(p.commands), p.end, 1000, [&] { ++idle; });
  std::vector<std::vector<int>> got;
  for (auto [t, mark] : {std::pair<uint64_t, bool>{0, false}, {500, true}, {520, false}, {549, false},
                         {550, true}, {560, false}, {1559, false}}) {
    r.at(t);
    if (mark) r.mark("results on screen");
    got.push_back(drain());
  }
  using V = std::vector<int>;
  EXPECT_EQ(got, (std::vector<V>{{1}, {}, {}, {}, {2}, {3}, {}}));
  EXPECT_EQ(idle, 0);
  r.at(560 + 1000);  // blocked at "never" since 560
  EXPECT_EQ(idle, 1);
  EXPECT_FALSE(r.exhausted());
}

// Headless keyprobe prints each key it reads; the typing also shoots its 640 x 480 screen.
TEST(ScriptedProgram, TypesIntoKeyprobeAndEndsIt) {
  const char* typing = "wait 30\nkey 65\nwait 20\nspecial 72\ntext \xD0\xB6\nshot p.png\nkey 27\n";
  struct Case { const char *script, *clock; int status; const char *out, *err; } const cases[] = {
      {typing, "virtual", 0, "65\n0\n72\n230\n27\n", ""},
      {typing, "real", 0, "65\n0\n72\n230\n27\n", ""},
      {"key 65\nwiat 10\n", "virtual", 2, "", "s.txt:2:"},
      {"key 65\n", "virtual", 3, "65\n", "still running"},  // no Esc: ten virtual minutes
      {nullptr, "virtual", 2, "", "cannot read"},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    if (c.script) test::write_file(dir.path() / "s.txt", c.script);
    const test::Run r = test::run("QORA_VIDEO=headless QORA_SCREEN=1024x768 QORA_CLOCK=" + std::string(c.clock) +
                                  " QORA_SCRIPT=s.txt timeout 60 " + (test::binary_dir() / "keyprobe").string());
    EXPECT_EQ(r.status, c.status) << c.clock << r.err;
    EXPECT_EQ(r.out, c.out) << c.clock;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    if (c.script != typing) continue;
    const std::string png = test::read_file(dir.path() / "p.png");
    EXPECT_EQ(png.substr(0, 24), std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x02\x80\0\0\x01\xe0", 24));
  }
}

}  // namespace
}  // namespace qora
