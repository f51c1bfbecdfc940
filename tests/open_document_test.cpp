// The document opener against fake xdg-open and xdg-mime scripts that report what they were given.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

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

// The compiled help only when the desktop can show it; a hanging desktop query is cut short.
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

}  // namespace
}  // namespace qora::platform
