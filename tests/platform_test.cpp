// The Linux layers of platform/: the SDL window on SDL's dummy video driver
// (events pushed into SDL's queue), the square-wave tone and SOUND's waiting,
// and the document opener against fake xdg-open and xdg-mime scripts that
// report what they were given.
#include <SDL.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "graph/graph.h"
#include "graph/input_internal.h"
#include "graph/surface_internal.h"
#include "platform/clock.h"
#include "platform/open_document.h"
#include "platform/audio.h"
#include "platform/tone.h"
#include "platform/video.h"
#include "support/fake_desktop.h"
#include "support/test_support.h"
#include "support/tones.h"

namespace qora::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using namespace std::chrono_literals;
using Steady = steady_clock;
using test::read_file;


std::vector<int> keys(size_t n) {  // the characters typed, once n have come (or time runs out)
  std::vector<int> out;
  test::eventually([&] {
    for (char c; TAKEKEY(c);) out.push_back(static_cast<unsigned char>(c));
    return out.size() >= n;
  });
  return out;
}

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // SDL_Event{} zeroes the rest
void push(SDL_Event e) { SDL_PushEvent(&e); }

class SdlDummy : public ::testing::Test {
 protected:
  void SetUp() override { gfx::set_backend_factory(&platform::make_sdl_backend); }
  void TearDown() override {
    if (GRAPHENABLED()) CLOSEGRAPH();
    gfx::set_backend_factory(nullptr);
    for (char c; TAKEKEY(c);) {}
    CLEARCLOSEREQUEST();
  }
  static bool open(int16_t m) {
    int16_t d = D4BIT;
    INITGRAPH(d, m, "\xCF\xF0\xEE\xE1\xE0");  // "Проба" in Windows-1251
    return GRAPHRESULT() == GROK;
  }
  test::EnvVar driver_{"SDL_VIDEODRIVER", "dummy"};
};

TEST_F(SdlDummy, OpensAgainAndRefusesWhatDoesNotFit) {
  for (int16_t mode : {M640X480, M800X600}) {
    ASSERT_TRUE(open(mode)) << GRAPHRESULT();
    EXPECT_EQ(GETMAXX(), mode == M640X480 ? 639 : 799);
    CLOSEGRAPH();
  }
  int32_t sw = 0, sh = 0;
  GETSCREENSIZE(sw, sh);
  CUSTOMWIDTH = sw + 1;
  CUSTOMHEIGHT = 100;
  EXPECT_FALSE(open(MCUSTOM));
  EXPECT_EQ(GRAPHRESULT(), GRINVALIDMODE);
  CUSTOMWIDTH = sw;  // too wide for a frame, but fits borderless
  EXPECT_TRUE(open(MCUSTOM)) << GRAPHRESULT();
  CLOSEGRAPH();
  // A window costs one start of SDL video, and the screen size is then known
  // without another.
  const int inits = platform::sdl_testing::video_inits();
  ASSERT_TRUE(open(M640X480));
  CLOSEGRAPH();
  GETSCREENSIZE(sw, sh);
  EXPECT_EQ(platform::sdl_testing::video_inits(), inits + 1);
  test::EnvVar no_driver("SDL_VIDEODRIVER", nullptr), display("DISPLAY", ":197"),
      wayland("WAYLAND_DISPLAY", nullptr);
  EXPECT_FALSE(open(M640X480));  // no display to show a window on
  EXPECT_EQ(GRAPHRESULT(), GRNOTWINDOW);
}

TEST_F(SdlDummy, NoWindowStartsWhileAnAbandonedOneLives) {
  // A display too slow to answer: open gives up, and while the abandoned
  // thread still runs no other window starts; once it has ended, one does.
  platform::sdl_testing::set_open_timeout_ms(100);
  platform::sdl_testing::set_start_delay_ms(600);
  EXPECT_FALSE(open(M640X480));
  platform::sdl_testing::set_start_delay_ms(0);
  EXPECT_FALSE(open(M640X480));
  EXPECT_EQ(GRAPHRESULT(), GRNOTWINDOW);
  platform::sdl_testing::set_open_timeout_ms(20000);
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_TRUE(open(M640X480)) << GRAPHRESULT();
}

TEST_F(SdlDummy, WindowEventsReachTheRings) {
  ASSERT_TRUE(open(M640X480));
  // Ctrl+Q types 17, Alt+Enter only its special code, keypad 8 with Num Lock text (none here), a
  // letter alone text (none here).
  const struct { SDL_Scancode sc; Uint16 mod; bool down = true; } presses[] = {
      {SDL_SCANCODE_UP, KMOD_NONE},     {SDL_SCANCODE_LCTRL, KMOD_LCTRL}, {SDL_SCANCODE_UP, KMOD_LCTRL},
      {SDL_SCANCODE_Q, KMOD_LCTRL},     {SDL_SCANCODE_LCTRL, KMOD_NONE, false},
      {SDL_SCANCODE_LEFT, KMOD_LALT},   {SDL_SCANCODE_X, KMOD_LALT},      {SDL_SCANCODE_RETURN, KMOD_LALT},
      {SDL_SCANCODE_RETURN, KMOD_NONE}, {SDL_SCANCODE_KP_8, KMOD_NONE},   {SDL_SCANCODE_KP_8, KMOD_NUM},
      {SDL_SCANCODE_A, KMOD_NONE},      {SDL_SCANCODE_ESCAPE, KMOD_NONE}};
  for (const auto& p : presses)
    push({.key = {.type = Uint32(p.down ? SDL_KEYDOWN : SDL_KEYUP), .keysym = {p.sc, {}, p.mod}}});
  EXPECT_EQ(keys(15), (std::vector<int>{0, 72, 0, 141, 17, 0, 155, 0, 45, 0, 166, 13, 0, 72, 27}));

  SDL_Event e{.text = {.type = SDL_TEXTINPUT}};  // a, zhe, euro, an emoji, !
  SDL_strlcpy(e.text.text, "a\xD0\xB6\xE2\x82\xAC\xF0\x9F\x98\x80!", sizeof e.text.text);
  push(e);
  EXPECT_EQ(keys(4), (std::vector<int>{'a', 0xE6, 0x88, '!'}));

  push({.button = {.type = SDL_MOUSEBUTTONDOWN, .button = SDL_BUTTON_LEFT, .x = 100, .y = 50}});
  push({.motion = {.type = SDL_MOUSEMOTION, .state = SDL_BUTTON_LMASK, .x = 120, .y = 60}});
  EXPECT_TRUE(test::eventually(
      [] { return GETMOUSEBUTTONS() == MOUSELEFTBUTTON && GETMOUSEX() == 120 && GETMOUSEY() == 60; }));
  push({.button = {.type = SDL_MOUSEBUTTONUP, .button = SDL_BUTTON_RIGHT, .x = 121, .y = 61}});
  EXPECT_TRUE(test::eventually([] { return GETMOUSEBUTTONS() == 0; }));

  push({.window = {.type = SDL_WINDOWEVENT, .event = SDL_WINDOWEVENT_CLOSE}});
  EXPECT_EQ(keys(2), (std::vector<int>{0, 107}));
  EXPECT_TRUE(GRCLOSEREQUEST());
  EXPECT_TRUE(GRAPHENABLED());  // the close button asks; the window stays
}


// ---- The tone ----------------------------------------------------------------

TEST(SquareWave, PeriodAndDutyMatchThePitchAcrossUnevenBlocks) {
  for (double hz : {20.0, 110.0, 440.0, 3520.0}) {
    SquareWave w(hz, 44100, 1000);
    std::vector<int16_t> s(88200);  // two seconds
    for (size_t done = 0, block = 1; done < s.size(); done += block, block = block * 3 + 7)
      w.fill(s.data() + done, std::min(block, s.size() - done));  // the phase runs on
    std::vector<size_t> up;  // rising edges
    for (size_t i = 1; i < s.size(); ++i) if (s[i - 1] == -1000 && s[i] == 1000) up.push_back(i);
    ASSERT_GT(up.size(), 2u) << hz;
    const double span = double(up.back() - up.front()), period = 44100 / hz;
    EXPECT_NEAR(span / double(up.size() - 1), period, period * 0.002) << hz;
    EXPECT_NEAR(std::count(s.begin() + long(up.front()), s.begin() + long(up.back()), 1000) / span,
                0.5, 0.02) << hz;  // high half the time, low (-1000) the rest
  }
  for (double hz : {0.0, 19.0, 24000.0, 30000.0}) {  // below hearing or at half the rate: silence
    std::vector<int16_t> s(4800, 7);
    SquareWave(hz, 48000, 1000).fill(s.data(), s.size());
    EXPECT_EQ(s, std::vector<int16_t>(4800, 0)) << hz;
  }
}

TEST(Sound, WaitsExactlyItsDurationAndTheSdlBackendPlaysTheWave) {
  auto& vc = dynamic_cast<VirtualClock&>(clock());
  test::Tones tones;
  for (auto [hz, dur] : {std::pair<uint16_t, uint16_t>{440, 120}, {0, 300}, {5, 7}, {1000, 0}}) {
    const uint64_t before = vc.elapsed_ms();
    const auto real0 = steady_clock::now();
    SOUND(hz, dur);
    EXPECT_EQ(vc.elapsed_ms() - before, dur) << hz;
    EXPECT_LT(steady_clock::now() - real0, milliseconds(100)) << hz;
    const auto heard = tones.take();  // every tone reaches the backend, started before the wait
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0], (ToneLog::Tone{hz, dur, uint32_t(vc.ticks() - dur)}));
  }
  // The SDL backend queues the square wave on the sound card: here SDL's
  // disk driver, whose file must receive it.
  test::TempDir dir;
  const auto file = dir.path() / "audio.raw";
  test::EnvVar driver("SDL_AUDIODRIVER", "disk"), out("SDL_DISKAUDIOFILE", file.c_str());
  auto sdl = make_sdl_audio();
  for (auto [hz, dur] : {std::pair<unsigned, unsigned>{880, 200}, {0, 60}, {12, 60}}) sdl->tone(hz, dur);
  std::vector<int16_t> samples;
  ASSERT_TRUE(test::eventually([&] {
    const std::string raw = test::read_file(file);
    samples.assign(raw.size() / 2, 0);
    std::memcpy(samples.data(), raw.data(), samples.size() * 2);
    return std::count(samples.begin(), samples.end(), int16_t(-6000)) > 1000;
  }));
  // Only the two levels of the wave and the silence around it.
  EXPECT_TRUE(std::all_of(samples.begin(), samples.end(),
                          [](int16_t v) { return v == 0 || v == 6000 || v == -6000; }));
}


// ---- The clock of a recorded session ------------------------------------------

// It moves only by the program's waits, and each wait sleeps until the wall
// clock has caught up, so work between waits costs no extra time; after a
// long stall it forgives at most 100 ms instead of racing through the waits.
TEST(SessionClock, CountsTheWaitsAtTheWallClocksPace) {
  SessionClock c;
  const uint32_t t0 = c.ticks();
  const auto r0 = Steady::now();
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(c.ticks(), t0);  // work between waits is not seen
  c.sleep_ms(50);
  EXPECT_EQ(c.ticks(), t0 + 50);
  EXPECT_GE(Steady::now() - r0, 50ms);
  std::this_thread::sleep_for(400ms);  // a stall
  const auto r1 = Steady::now();
  for (int i = 0; i < 6; ++i) c.sleep_ms(50);
  EXPECT_EQ(c.ticks(), t0 + 350);
  // The first wait leaves the clock 100 ms behind; the other 250 ms of waits
  // then take 150 ms (not nothing, as they would if the whole stall were made up).
  EXPECT_GE(Steady::now() - r1, 150ms);
}

// ---- Opening documents ------------------------------------------------------

// The number at the start of the file, once the file is there (0 if never).
pid_t pid_in(const fs::path& p) {
  return test::eventually([&] { return fs::exists(p); }) ? pid_t(std::stol(read_file(p))) : 0;
}

// What the opener was given: "count\nargs\n" (after its pid line); "" if nothing.
std::string opened(const test::FakeDesktop& desk) {
  pid_in(desk.dir() / "opened");
  const std::string s = read_file(desk.dir() / "opened");
  return s.substr(s.find('\n') + 1);
}

// True once the process is gone from /proc, reaped (with zombie_ok: once it has
// ended, for an orphan whose adopter reaps it).
bool gone(pid_t pid, std::chrono::milliseconds limit = 5000ms, bool zombie_ok = false) {
  return pid > 0 && test::eventually([&] {
    const std::string s = read_file("/proc/" + std::to_string(pid) + "/stat");
    return s.empty() || (zombie_ok && s.substr(s.rfind(')') + 2, 1) == "Z");
  }, limit);
}

TEST(OpenDocument, StartsTheOpenerDetachedWithTheExactArgument) {
  test::FakeDesktop desk("exec sleep 30");
  const int held = open((desk.dir() / "held").c_str(), O_CREAT | O_RDWR, 0644);  // e.g. the lock file
  const std::string target = "/tmp/a b/$(touch pwned);'q' \"x\" *.html";
  const auto start = Steady::now();
  EXPECT_TRUE(open_document(target));
  EXPECT_LT(Steady::now() - start, 500ms);  // the caller does not wait for the opener
  EXPECT_EQ(opened(desk), "1\n" + target + "\n");
  EXPECT_FALSE(fs::exists(desk.dir() / "pwned"));  // no shell in between

  const pid_t pid = pid_in(desk.dir() / "opened");
  const std::string fd = "/proc/" + std::to_string(pid) + "/fd/";
  EXPECT_EQ(getsid(pid), pid);  // a session of its own
  for (int i : {0, 1, 2}) EXPECT_EQ(fs::read_symlink(fd + std::to_string(i)), "/dev/null") << i;
  EXPECT_FALSE(fs::exists(fd + std::to_string(held)));
  close(held);
  kill(pid, SIGKILL);
  EXPECT_TRUE(gone(pid));  // reaped, not left a zombie
}

TEST(OpenDocument, ReapsAnOpenerThatEndsAndFailsWithoutOne) {
  for (const std::string opener : {"ends", "missing"}) {
    test::FakeDesktop desk;
    if (opener == "missing") fs::remove(desk.dir() / "bin" / "xdg-open");
    EXPECT_EQ(open_document("file.html"), opener == "ends") << opener;
    EXPECT_TRUE(opener != "ends" || gone(pid_in(desk.dir() / "opened")));
  }
}

// A hanging desktop query is cut short.
TEST(OpenHelp, TakesTheCompiledHelpOnlyWhenTheDesktopCanShowIt) {
  const std::string hang =  // answers only after far too long, with a helper of its own running
      "echo $$ > mime.pid\nsleep 30 &\necho $! > helper.pid\nwait\necho xchm.desktop";
  const struct { std::string mime; bool with_chm; const char* opened; } cases[] = {
      {"echo \"$@\" >> queries", true, "index.html"},  // knows no viewer
      {"[ \"$3\" = application/x-chm ] && echo xchm.desktop", true, "qora.chm"},
      {"echo xchm.desktop", false, "index.html"},  // a viewer, but no compiled help
      {hang, true, "index.html"},
  };
  for (const auto& c : cases) {
    test::FakeDesktop desk;
    desk.script("xdg-mime", c.mime + "\nexit 0");
    if (c.with_chm) test::write_file(desk.dir() / "qora.chm", "ITSF");
    test::write_file(desk.dir() / "index.html", "<html></html>");
    const auto start = Steady::now();
    open_help("qora.chm", "index.html");
    EXPECT_LT(Steady::now() - start, 2500ms);
    EXPECT_EQ(opened(desk), "1\n" + (desk.dir() / c.opened).string() + "\n") << c.mime;
    EXPECT_EQ(read_file(desk.dir() / "queries"), &c != cases ? "" :  // only the first case logs
              "query default application/vnd.ms-htmlhelp\nquery default application/x-chm\n");
    if (c.mime != hang) continue;
    EXPECT_GE(Steady::now() - start, 500ms);  // the query is given about a second
    EXPECT_TRUE(gone(pid_in(desk.dir() / "mime.pid"), 1000ms));
    EXPECT_TRUE(gone(pid_in(desk.dir() / "helper.pid"), 1000ms, true));
  }
}

// A recording is never written through a symbolic link, into a FIFO or into
// a file that has another name too (a planted name): the game stops at
// start-up, the link's target stays unmade and the other file untouched.
TEST(RecordedSession, ALinkOrAFifoIsRefusedAtStartUp) {
  test::TempDir dir;
  ASSERT_EQ(symlink("target", "link"), 0);
  ASSERT_EQ(mkfifo("fifo", 0600), 0);
  test::write_file("kept", "someone's work");
  ASSERT_EQ(link("kept", "hardlink"), 0);
  for (const char* name : {"link", "fifo", "hardlink"}) {
    const test::Run r = test::run(std::string("QORA_VIDEO=headless QORA_CLOCK=virtual QORA_RECORD=") + name +
                                  " timeout 20 " + (test::binary_dir() / "qora").string() + " f");
    EXPECT_EQ(r.status, 2) << name;
    EXPECT_NE(r.err.find("cannot write the session recording"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists("target"));
  EXPECT_EQ(read_file("kept"), "someone's work");
}

// A recording names the options its session was started with ("f" skips the
// pauses, "s" the sound, "g" opens the group editor); a replay started with
// others would go astray, so it stops at start-up and says how to start it.
TEST(RecordedSession, ReplaysOnlyWithTheOptionsItWasRecordedWith) {
  test::TempDir dir;
  for (const char* f : {"001", "002"}) std::filesystem::copy_file(test::source_dir() / "data" / f, f);
  test::write_file("script.txt", "wait 1500\nkey 27\n");  // Esc in the menu ends the program
  const std::string qora = " timeout 60 " + (test::binary_dir() / "qora").string() + " ";
  const test::Run rec = test::run("QORA_VIDEO=headless QORA_SCRIPT=script.txt QORA_RECORD=session.txt" + qora + "f S");
  ASSERT_EQ(rec.status, 0) << rec.err;
  const std::string session = read_file("session.txt");
  EXPECT_NE(session.find("\noptions f s\n"), std::string::npos) << session;
  for (const auto& [options, status] : {std::pair<std::string, int>{"S f", 0}, {"f", 2}, {"", 2}, {"s g", 2}}) {
    const test::Run r = test::run("QORA_VIDEO=headless QORA_CLOCK=virtual QORA_SCRIPT=session.txt" + qora + options);
    EXPECT_EQ(r.status, status) << options << "\n" << r.err;
    if (status == 2) EXPECT_NE(r.err.find("recorded as \"qora f s\""), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace qora::platform
