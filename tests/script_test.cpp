// Scripted input: the file format, the moments at which lines take effect
// under the virtual clock, and the exits for bad and outlived scripts.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <memory>
#include <string>
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
  char c;
  while (TAKEKEY(c)) out.push_back(static_cast<unsigned char>(c));
  return out;
}

TEST(ScriptParse, EveryCommandWithItsTime) {
  const ScriptParse p = parse_script(
      "# a comment line\r\n"
      "\n"
      "key 65\r\n"
      "  wait 100   # trailing comment\n"
      "special 72\n"
      "text ab #1 Жж\n"
      "wait 0\n"
      "move 320 240\n"
      "down left\n"
      "wait 50\n"
      "up right\n"
      "down middle\n"
      "close\n"
      "shot out.png\n"
      "wait 25\n");
  ASSERT_TRUE(p.ok) << p.error_line << ": " << p.error;
  ASSERT_EQ(p.commands.size(), 9u);
  const auto& c = p.commands;
  EXPECT_EQ(c[0].op, ScriptOp::KEY);
  EXPECT_EQ(c[0].a, 65);
  EXPECT_EQ(c[0].at, 0u);
  EXPECT_EQ(c[0].line, 3);
  EXPECT_EQ(c[1].op, ScriptOp::SPECIAL);
  EXPECT_EQ(c[1].a, 72);
  EXPECT_EQ(c[1].at, 100u);
  EXPECT_EQ(c[2].op, ScriptOp::TEXT);
  EXPECT_EQ(c[2].text, "ab #1 \xC6\xE6");  // taken literally, in Windows-1251
  EXPECT_EQ(c[3].op, ScriptOp::MOVE);
  EXPECT_EQ(c[3].a, 320);
  EXPECT_EQ(c[3].b, 240);
  EXPECT_EQ(c[3].at, 100u);
  EXPECT_EQ(c[4].op, ScriptOp::DOWN);
  EXPECT_EQ(c[4].a, MOUSELEFTBUTTON);
  EXPECT_EQ(c[5].op, ScriptOp::UP);
  EXPECT_EQ(c[5].a, MOUSERIGHTBUTTON);
  EXPECT_EQ(c[5].at, 150u);
  EXPECT_EQ(c[6].a, MOUSEMIDDLEBUTTON);
  EXPECT_EQ(c[7].op, ScriptOp::CLOSE);
  EXPECT_EQ(c[8].op, ScriptOp::SHOT);
  EXPECT_EQ(c[8].text, "out.png");
  EXPECT_EQ(c[8].line, 14);
  EXPECT_EQ(p.end, 175u);
}

TEST(ScriptParse, TextDropsWhatTheCodePageCannotHold) {
  const ScriptParse p = parse_script("text \xE2\x82\xAC\xF0\x9F\x98\x80z\xD1\x91\n");  // euro, emoji, z, yo
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.commands.at(0).text, "\x88z\xB8");
  const ScriptParse only_emoji = parse_script("text \xF0\x9F\x98\x80\n");
  EXPECT_FALSE(only_emoji.ok);
  EXPECT_EQ(only_emoji.error_line, 1);
}

TEST(ScriptParse, BadLinesNameTheirLine) {
  const std::pair<const char*, int> bad[] = {
      {"key 1\nbogus 3\n", 2},       {"wait\n", 1},          {"wait -5\n", 1},
      {"wait 10ms\n", 1},            {"key 256\n", 1},       {"key\n", 1},
      {"# c\n\nspecial 0\n", 3},     {"special 1 2\n", 1},   {"move 10\n", 1},
      {"move 1 2 3\n", 1},           {"move 70000 1\n", 1},  {"down\n", 1},
      {"up side\n", 1},              {"close now\n", 1},     {"shot\n", 1},
      {"shot a.png b.png\n", 1},     {"text\n", 1},          {"text \n", 1},
      {"KEY 65\n", 1},
  };
  for (auto [src, line] : bad) {
    const ScriptParse p = parse_script(src);
    EXPECT_FALSE(p.ok) << src;
    EXPECT_EQ(p.error_line, line) << src;
    EXPECT_FALSE(p.error.empty()) << src;
    EXPECT_TRUE(p.commands.empty()) << src;
  }
}

class ScriptTiming : public ::testing::Test {
 protected:
  void SetUp() override {
    WINCRTPROC(KEYBOARDMESSAGE{KEYEVENT::CREATED});
    WINMOUSEPROC(MOUSEMESSAGE{MOUSEEVENT::CREATED});
    CLEARCLOSEREQUEST();
  }
  void TearDown() override {
    drain_keys();
    CLEARCLOSEREQUEST();
    WINMOUSEPROC(MOUSEMESSAGE{MOUSEEVENT::UP, MOUSELEFTBUTTON, 0, 0});
  }
};

TEST_F(ScriptTiming, LinesTakeEffectWhenTheClockReachesThem) {
  VirtualClock vc;
  vc.advance(5000);  // script time counts from the start, not from the clock's zero
  ScriptParse p = parse_script(
      "text hi\n"
      "wait 100\n"
      "special 72\n"
      "move 30 40\n"
      "down left\n"
      "wait 20\n"
      "move 31 41\n"
      "wait 30\n"
      "up left\n"
      "close\n");
  ASSERT_TRUE(p.ok) << p.error;
  int idle = 0;
  auto runner = std::make_shared<ScriptRunner>(std::move(p.commands), p.end, 600000,
                                               [&idle] { ++idle; });
  attach_to_virtual_clock(vc, runner);

  EXPECT_TRUE(drain_keys().empty());
  vc.sleep_ms(10);
  EXPECT_EQ(drain_keys(), (std::vector<int>{'h', 'i'}));
  vc.sleep_ms(89);  // 99 ms
  EXPECT_TRUE(drain_keys().empty());
  vc.sleep_ms(1);  // 100 ms
  EXPECT_EQ(drain_keys(), (std::vector<int>{0, 72}));
  EXPECT_EQ(GETMOUSEBUTTONS(), MOUSELEFTBUTTON);
  EXPECT_EQ(GETMOUSEX(), 30);
  vc.sleep_ms(20);
  EXPECT_EQ(GETMOUSEX(), 31);
  EXPECT_EQ(GETMOUSEY(), 41);
  EXPECT_EQ(GETMOUSEBUTTONS(), MOUSELEFTBUTTON);  // the move carried the held button
  const MOUSEEVENTTYPE& mv = MOUSEBUF[size_t(NR_INPUTMOUSE == 1 ? MOUSEBUFSIZE : NR_INPUTMOUSE - 1)];
  EXPECT_EQ(mv.ACTION, MOUSEACTIONMOVE);
  EXPECT_EQ(mv.BUTTONS, MOUSELEFTBUTTON);
  EXPECT_FALSE(GRCLOSEREQUEST());
  EXPECT_FALSE(runner->exhausted());
  vc.sleep_ms(30);
  EXPECT_EQ(GETMOUSEBUTTONS(), 0);
  EXPECT_TRUE(GRCLOSEREQUEST());
  EXPECT_EQ(drain_keys(), (std::vector<int>{0, 107}));
  EXPECT_TRUE(runner->exhausted());

  // Outliving the script: the idle call comes once, at end + limit.
  vc.advance(600000 - 1);
  EXPECT_EQ(idle, 0);
  vc.advance(1);
  EXPECT_EQ(idle, 1);
  vc.advance(600000);
  EXPECT_EQ(idle, 1);
}

TEST_F(ScriptTiming, ShotWritesTheVisiblePage) {
  test::TempDir dir;
  setenv("QORA_VIDEO", "headless", 1);
  setenv("QORA_SCREEN", "1024x768", 1);
  int16_t d = D4BIT, m = M640X480;
  INITGRAPH(d, m, "shot");
  ASSERT_EQ(GRAPHRESULT(), GROK);
  SETCOLOR(LIGHTGREEN);
  BAR(0, 0, 10, 10);
  const ScriptParse p = parse_script("shot picture.png\n");
  ASSERT_TRUE(p.ok);
  uint16_t held = 0;
  int x = 0, y = 0;
  run_script_command(p.commands[0], held, x, y);
  CLOSEGRAPH();
  const std::string png = test::read_file(dir.path() / "picture.png");
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  // Width and height in the header.
  EXPECT_EQ(static_cast<unsigned char>(png[18]) * 256 + static_cast<unsigned char>(png[19]), 640);
  EXPECT_EQ(static_cast<unsigned char>(png[22]) * 256 + static_cast<unsigned char>(png[23]), 480);
}

using ScriptDeathTest = ScriptTiming;

TEST_F(ScriptDeathTest, BadLineExitsWithStatusTwo) {
  test::TempDir dir;
  test::write_file(dir.path() / "s.txt", "key 65\nwait 10\njump 3\n");
  const std::string path = (dir.path() / "s.txt").string();
  EXPECT_EXIT(start_script_file(path), ::testing::ExitedWithCode(2), "s.txt:3: unknown command");
  EXPECT_EXIT(start_script_file(path + ".missing"), ::testing::ExitedWithCode(2), "cannot read");
}

TEST_F(ScriptDeathTest, OutlivedScriptExitsWithStatusThree) {
  test::TempDir dir;
  test::write_file(dir.path() / "s.txt", "wait 500\nkey 65\n");
  const std::string path = (dir.path() / "s.txt").string();
  EXPECT_EXIT(
      {
        start_script_file(path);
        auto& vc = dynamic_cast<VirtualClock&>(clock());
        vc.advance(500 + 600000 - 1);  // not yet
        std::fprintf(stderr, "still here\n");
        vc.advance(1);
        std::exit(0);
      },
      ::testing::ExitedWithCode(3), "still here\n.*still running");
}

}  // namespace
}  // namespace qora::platform

// ---- Whole programs driven by a script -----------------------------------

namespace qora::platform {
namespace {

struct ProgramRun {
  int status = -1;
  std::string out;
};

// Runs keyprobe headless with the script and the clock given; its stdout.
ProgramRun run_keyprobe(const std::string& script, const char* clock_kind) {
  test::TempDir dir;
  test::write_file(dir.path() / "s.txt", script);
  const std::string cmd = "QORA_VIDEO=headless QORA_SCREEN=1024x768 QORA_CLOCK=" +
                          std::string(clock_kind) + " QORA_SCRIPT=s.txt timeout 60 " +
                          (test::binary_dir() / "keyprobe").string() + " >out.txt 2>err.txt";
  ProgramRun r;
  const int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = test::read_file(dir.path() / "out.txt") + "|" + test::read_file(dir.path() / "err.txt");
  return r;
}

TEST(ScriptedProgram, TypesIntoKeyprobeOnBothClocks) {
  for (const char* kind : {"virtual", "real"}) {
    const ProgramRun r = run_keyprobe("wait 30\nkey 65\nwait 20\nspecial 72\ntext \xD0\xB6\nkey 27\n", kind);
    EXPECT_EQ(r.status, 0) << kind << ": " << r.out;
    EXPECT_EQ(r.out.substr(0, r.out.find('|')), "65\n0\n72\n230\n27\n") << kind;
  }
}

TEST(ScriptedProgram, BadLineAndOutlivedScriptEndTheProgram) {
  ProgramRun r = run_keyprobe("key 65\nwiat 10\n", "virtual");
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("s.txt:2:"), std::string::npos) << r.out;

  // keyprobe waits for Esc that never comes: ten virtual minutes later it ends.
  r = run_keyprobe("key 65\n", "virtual");
  EXPECT_EQ(r.status, 3) << r.out;
  EXPECT_EQ(r.out.substr(0, r.out.find('|')), "65\n");
}

}  // namespace
}  // namespace qora::platform
