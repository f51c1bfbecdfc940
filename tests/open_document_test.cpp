// The document opener is tested against fake xdg-open and xdg-mime scripts in
// a folder that PATH points at; the scripts report what they were given.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/open_document.h"
#include "support/fake_desktop.h"
#include "support/test_support.h"

namespace qora::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;
using test::read_file;

// The number at the start of the file, once the file is there (0 if never).
pid_t pid_in(const fs::path& p) {
  return test::eventually([&] { return fs::exists(p); }) ? pid_t(std::stol(read_file(p))) : 0;
}

// What the opener was given: "count\nargs\n" (after its pid line).
std::string opened(const test::FakeDesktop& desk) {
  if (pid_in(desk.dir() / "opened") == 0) return "(nothing opened)";
  const std::string s = read_file(desk.dir() / "opened");
  return s.substr(s.find('\n') + 1);
}

// /proc/PID/stat past the command name: "state ppid pgrp session ...".
std::string stat_fields(pid_t pid) {
  const std::string s = read_file("/proc/" + std::to_string(pid) + "/stat");
  const size_t at = s.rfind(')');
  return at == std::string::npos ? "" : s.substr(at + 2);
}

// True once the process is gone for good: ended and reaped (a zombie keeps its
// /proc entry); with zombie_ok, once it has ended at all, for a helper orphaned
// by the process under test is reaped by whoever adopts it.
bool gone(pid_t pid, std::chrono::milliseconds limit = 5000ms, bool zombie_ok = false) {
  return pid > 0 && test::eventually([&] {
    return !fs::exists("/proc/" + std::to_string(pid)) || (zombie_ok && stat_fields(pid)[0] == 'Z');
  }, limit);
}

TEST(OpenDocument, StartsTheOpenerDetachedWithTheExactArgument) {
  test::FakeDesktop desk("exec sleep 30");
  // A descriptor the game holds open (a results file, the lock file) must not
  // reach the opener.
  int held = open((desk.dir() / "held").c_str(), O_CREAT | O_RDWR, 0644);
  ASSERT_GE(held, 0);

  const std::string target = "/tmp/a b/$(touch pwned);'q' \"x\" *.html";
  const auto start = Steady::now();
  EXPECT_TRUE(open_document(target));
  EXPECT_LT(Steady::now() - start, 500ms) << "the caller must not wait for the opener";
  EXPECT_EQ(opened(desk), "1\n" + target + "\n");
  EXPECT_FALSE(fs::exists(desk.dir() / "pwned")) << "the target went through a shell";

  const pid_t pid = pid_in(desk.dir() / "opened");
  ASSERT_GT(pid, 0);
  const std::string proc = "/proc/" + std::to_string(pid);
  long session = -1;
  std::sscanf(stat_fields(pid).c_str(), "%*c %*d %*d %ld", &session);
  EXPECT_EQ(session, pid) << "the opener should lead a session of its own";
  for (int fd : {0, 1, 2})
    EXPECT_EQ(fs::read_symlink(proc + "/fd/" + std::to_string(fd)), "/dev/null") << "fd " << fd;
  EXPECT_FALSE(fs::exists(proc + "/fd/" + std::to_string(held)));
  close(held);

  kill(pid, SIGKILL);
  EXPECT_TRUE(gone(pid)) << "the killed opener stayed a zombie";
}

TEST(OpenDocument, ReapsAnOpenerThatEndsAndFailsWithoutOne) {
  for (const std::string opener : {"ends", "missing", "not executable"}) {
    test::FakeDesktop desk;
    if (opener == "missing") fs::remove(desk.dir() / "bin" / "xdg-open");
    if (opener == "not executable") desk.script("xdg-open", "exit 0", /*executable=*/false);
    EXPECT_EQ(open_document("file.html"), opener == "ends") << opener;
    EXPECT_TRUE(opener != "ends" || gone(pid_in(desk.dir() / "opened")))
        << "the ended opener stayed a zombie";
  }
}

TEST(OpenDocument, WebAddressGetsTheSchemeAndEmptyOpensNothing) {
  test::FakeDesktop desk;
  open_web_address("");
  open_web_address("example.org/qora");
  EXPECT_EQ(opened(desk), "1\nhttp://example.org/qora\n");
  std::this_thread::sleep_for(300ms);  // time for a wrongly started second opener
  EXPECT_EQ(read_file(desk.dir() / "log"), "http://example.org/qora\n");
}

// Opens the help from a play folder with both help forms (or only the HTML one).
std::string open_help_in(test::FakeDesktop& desk, bool with_chm = true) {
  if (with_chm) test::write_file(desk.dir() / "qora.chm", "ITSF");
  fs::create_directory(desk.dir() / "help");
  test::write_file(desk.dir() / "help" / "index.html", "<html></html>");
  open_help("qora.chm", "help/index.html");
  return opened(desk);
}

TEST(OpenHelp, TakesTheCompiledHelpOnlyWhenTheDesktopCanShowIt) {
  struct Case { const char* mime; bool with_chm; std::string opened; };  // mime: the fake xdg-mime
  const Case cases[] = {
      {"echo \"$@\" >> queries", true, "help/index.html"},  // knows no viewer
      {"[ \"$3\" = application/x-chm ] && echo xchm.desktop", true, "qora.chm"},
      {"echo xchm.desktop", false, "help/index.html"},  // a viewer, but no compiled help
      {nullptr, true, "help/index.html"},  // no xdg-mime at all
  };
  for (const Case& c : cases) {
    test::FakeDesktop desk;
    if (c.mime) desk.script("xdg-mime", std::string(c.mime) + "\nexit 0");
    EXPECT_EQ(open_help_in(desk, c.with_chm), "1\n" + (desk.dir() / c.opened).string() + "\n")
        << (c.mime ? c.mime : "no xdg-mime");
    if (&c == cases) {
      EXPECT_EQ(read_file(desk.dir() / "queries"),
                "query default application/vnd.ms-htmlhelp\nquery default application/x-chm\n");
    }
  }
}

TEST(OpenHelp, AHangingDesktopQueryIsCutShort) {
  test::FakeDesktop desk;
  // The query answers "a viewer exists" only after far too long, and leaves a
  // helper of its own running meanwhile.
  const std::string d = desk.dir().string();
  desk.script("xdg-mime", "echo $$ > " + d + "/mime.pid\nsleep 30 &\necho $! > " + d +
                              "/helper.pid\nwait\necho xchm.desktop");
  const auto start = Steady::now();
  EXPECT_EQ(open_help_in(desk), "1\n" + (desk.dir() / "help/index.html").string() + "\n");
  const auto took = Steady::now() - start;
  EXPECT_LT(took, 2500ms);
  EXPECT_GE(took, 500ms) << "the query should be given about a second";
  EXPECT_TRUE(gone(pid_in(desk.dir() / "mime.pid"), 1000ms)) << "the hanging query was left running";
  EXPECT_TRUE(gone(pid_in(desk.dir() / "helper.pid"), 1000ms, true))
      << "the query's own helper was left running";
}

}  // namespace
}  // namespace qora::platform
