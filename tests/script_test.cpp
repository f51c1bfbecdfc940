// Scripted input: the file format, when lines take effect under the virtual
// clock, and whole programs driven by a script.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "graph/graph.h"
#include "graph/input_internal.h"
#include "platform/clock.h"
#include "platform/script.h"
#include "support/test_support.h"

namespace qora::platform {
namespace {

std::vector<int> drain_keys() {
  std::vector<int> out;
  for (char c; TAKEKEY(c);) out.push_back(static_cast<unsigned char>(c));
  return out;
}

TEST(ScriptParse, EveryCommandWithItsTimeAndLine) {
  const ScriptParse p = parse_script(
      "# a comment line\r\n\nkey 65\r\n  wait 100   # trailing comment\n"
      "special 72\ntext ab #1 \xD0\x96\xD0\xB6\nwait 0\nmove 320 240\n"
      "down left\nwait 50\nup right\ndown middle\n"
      "close\nshot out.png\nwait 25\ntext \xE2\x82\xAC\xF0\x9F\x98\x80z\xD1\x91\n");
  ASSERT_TRUE(p.ok) << p.error_line << ": " << p.error;
  struct Want { ScriptOp op; uint64_t at; int line, a, b; std::string text; };
  const Want want[] = {
      {ScriptOp::KEY, 0, 3, 65, 0, ""},
      {ScriptOp::SPECIAL, 100, 5, 72, 0, ""},
      {ScriptOp::TEXT, 100, 6, 0, 0, "ab #1 \xC6\xE6"},  // taken literally, in Windows-1251
      {ScriptOp::MOVE, 100, 8, 320, 240, ""},
      {ScriptOp::DOWN, 100, 9, MOUSELEFTBUTTON, 0, ""},
      {ScriptOp::UP, 150, 11, MOUSERIGHTBUTTON, 0, ""},
      {ScriptOp::DOWN, 150, 12, MOUSEMIDDLEBUTTON, 0, ""},
      {ScriptOp::CLOSE, 150, 13, 0, 0, ""},
      {ScriptOp::SHOT, 150, 14, 0, 0, "out.png"},
      {ScriptOp::TEXT, 175, 16, 0, 0, "\x88z\xB8"},  // euro, emoji, z, yo: the emoji is dropped
  };
  ASSERT_EQ(p.commands.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    const ScriptCommand& c = p.commands[i];
    EXPECT_EQ(std::tie(c.op, c.at, c.line, c.a, c.b, c.text),
              std::tie(want[i].op, want[i].at, want[i].line, want[i].a, want[i].b, want[i].text));
  }
  EXPECT_EQ(p.end, 175u);
}

TEST(ScriptParse, BadLinesNameTheirLine) {
  const std::pair<const char*, int> bad[] = {
      {"key 1\nbogus 3\n", 2}, {"wait\n", 1}, {"wait 10ms\n", 1}, {"key 256\n", 1}, {"KEY 65\n", 1},
      {"# c\n\nspecial 0\n", 3}, {"move 10\n", 1}, {"move 70000 1\n", 1}, {"up side\n", 1},
      {"shot a.png b.png\n", 1}, {"text \n", 1}, {"text \xF0\x9F\x98\x80\n", 1},
  };
  for (auto [src, line] : bad) {
    const ScriptParse p = parse_script(src);
    EXPECT_EQ(std::tuple(p.ok, p.error_line, p.error.empty(), p.commands.size()),
              std::tuple(false, line, false, size_t(0))) << src;
  }
}

TEST(ScriptTiming, LinesTakeEffectWhenTheClockReachesThem) {
  set_input_hooks(&KEYBOARDPROC, &MOUSEPROC);  // as graphics do when they open
  KEYBOARDPROC(KEYBOARDMESSAGE{KEYEVENT::CREATED});
  MOUSEPROC(MOUSEMESSAGE{MOUSEEVENT::CREATED});
  VirtualClock vc;
  vc.advance(5000);  // script time counts from the start, not from the clock's zero
  ScriptParse p = parse_script("text hi\nwait 100\nspecial 72\nmove 30 40\ndown left\nwait 20\n"
                               "move 31 41\nwait 30\nup left\nclose\n");
  ASSERT_TRUE(p.ok) << p.error;
  auto runner = std::make_shared<ScriptRunner>(std::move(p.commands), p.end, 600000, [] {});
  attach_to_virtual_clock(vc, runner);

  vc.sleep_ms(10);
  EXPECT_EQ(drain_keys(), (std::vector<int>{'h', 'i'}));
  vc.sleep_ms(89);  // 99 ms
  EXPECT_TRUE(drain_keys().empty());
  vc.sleep_ms(1);  // 100 ms
  EXPECT_EQ(drain_keys(), (std::vector<int>{0, 72}));
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
  drain_keys();
  CLEARCLOSEREQUEST();
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
    const std::string cmd = "QORA_VIDEO=headless QORA_SCREEN=1024x768 QORA_CLOCK=" +
                            std::string(c.clock) + " QORA_SCRIPT=s.txt timeout 60 " +
                            (test::binary_dir() / "keyprobe").string() + " >out.txt 2>err.txt";
    const int raw = std::system(cmd.c_str());
    const std::string err = test::read_file(dir.path() / "err.txt");
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, c.status) << c.clock << err;
    EXPECT_EQ(test::read_file(dir.path() / "out.txt"), c.out) << c.clock;
    EXPECT_NE(err.find(c.err), std::string::npos) << err;
    if (c.script != typing) continue;
    const std::string png = test::read_file(dir.path() / "p.png");
    EXPECT_EQ(png.substr(0, 24), std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x02\x80\0\0\x01\xe0", 24));
  }
}

}  // namespace
}  // namespace qora::platform
