// The document opener is tested against fake xdg-open and xdg-mime scripts in
// a folder that PATH points at; the scripts report what they were given.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/open_document.h"
#include "support/test_support.h"

namespace qora::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;
using test::read_file;
using test::write_file;

// A temporary working folder with a bin/ folder that is the whole PATH while
// the object lives.
class FakeDesktop {
 public:
  FakeDesktop() : bin_(dir_.path() / "bin") {
    fs::create_directory(bin_);
    if (const char* p = std::getenv("PATH")) old_path_ = p;
    setenv("PATH", bin_.c_str(), 1);
  }
  ~FakeDesktop() { setenv("PATH", old_path_.c_str(), 1); }

  const fs::path& dir() const { return dir_.path(); }

  void script(const std::string& name, const std::string& body, bool executable = true) {
    fs::path p = bin_ / name;
    write_file(p, "#!/bin/sh\nPATH=/usr/bin:/bin\n" + body + "\n");
    chmod(p.c_str(), executable ? 0755 : 0644);
  }

  // An opener that writes its argument count and arguments (one a line) to
  // args, appends its arguments to log, writes its pid to pid, and then runs
  // tail (exits by default).
  void opener(const std::string& tail = "exit 0") {
    const std::string d = dir().string();
    script("xdg-open", "echo \"$*\" >> " + d + "/log\n"
                       "printf '%s\\n' \"$#\" \"$@\" > " + d + "/args.tmp\n"
                       "mv " + d + "/args.tmp " + d + "/args\n"
                       "echo $$ > " + d + "/pid.tmp\n"
                       "mv " + d + "/pid.tmp " + d + "/pid\n" + tail);
  }

 private:
  test::TempDir dir_;
  fs::path bin_;
  std::string old_path_;
};

bool wait_for_file(const fs::path& p, std::chrono::milliseconds limit = 5000ms) {
  auto end = Steady::now() + limit;
  while (Steady::now() < end) {
    if (fs::exists(p)) return true;
    std::this_thread::sleep_for(10ms);
  }
  return fs::exists(p);
}

// True once the process is gone for good: ended and reaped. A zombie still
// answers kill(pid, 0).
bool reaped(pid_t pid, std::chrono::milliseconds limit = 5000ms) {
  auto end = Steady::now() + limit;
  for (;;) {
    if (kill(pid, 0) != 0 && errno == ESRCH) return true;
    if (Steady::now() >= end) return false;
    std::this_thread::sleep_for(10ms);
  }
}

// True once the process has ended, reaped or not: a helper orphaned by the
// process under test is reaped by whoever adopts it, not by the game.
bool ended(pid_t pid, std::chrono::milliseconds limit) {
  auto end = Steady::now() + limit;
  for (;;) {
    if (kill(pid, 0) != 0 && errno == ESRCH) return true;
    std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
    size_t at = stat.rfind(')');
    if (at != std::string::npos && stat.compare(at, 3, ") Z") == 0) return true;
    if (Steady::now() >= end) return false;
    std::this_thread::sleep_for(10ms);
  }
}

pid_t read_pid(const fs::path& p) { return static_cast<pid_t>(std::stol(read_file(p))); }

// The session id of a process: field 6 of /proc/PID/stat, counted past the
// command name in parentheses.
long session_of(pid_t pid) {
  std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
  size_t at = stat.rfind(')');
  if (at == std::string::npos) return -1;
  // After ") ": state ppid pgrp session
  char state;
  long ppid, pgrp, session;
  if (std::sscanf(stat.c_str() + at + 1, " %c %ld %ld %ld", &state, &ppid, &pgrp, &session) != 4)
    return -1;
  return session;
}

TEST(OpenDocument, StartsTheOpenerDetachedWithTheExactArgument) {
  FakeDesktop desk;
  desk.opener("exec sleep 30");
  // A descriptor the game holds open (a results file, the lock file) must not
  // reach the opener.
  int held = open((desk.dir() / "held").c_str(), O_CREAT | O_RDWR, 0644);
  ASSERT_GE(held, 0);

  const std::string target = "/tmp/a b/$(touch pwned);'q' \"x\" *.html";
  auto start = Steady::now();
  EXPECT_TRUE(open_document(target));
  EXPECT_LT(Steady::now() - start, 500ms) << "the caller must not wait for the opener";

  ASSERT_TRUE(wait_for_file(desk.dir() / "pid"));
  ASSERT_TRUE(wait_for_file(desk.dir() / "args"));
  EXPECT_EQ(read_file(desk.dir() / "args"), "1\n" + target + "\n");
  EXPECT_FALSE(fs::exists(desk.dir() / "pwned")) << "the target went through a shell";

  pid_t pid = read_pid(desk.dir() / "pid");
  std::string proc = "/proc/" + std::to_string(pid);
  EXPECT_EQ(session_of(pid), pid) << "the opener should lead a session of its own";
  for (int fd : {0, 1, 2})
    EXPECT_EQ(fs::read_symlink(proc + "/fd/" + std::to_string(fd)), "/dev/null") << "fd " << fd;
  EXPECT_FALSE(fs::exists(proc + "/fd/" + std::to_string(held)));
  close(held);

  kill(pid, SIGKILL);
  EXPECT_TRUE(reaped(pid)) << "the killed opener stayed a zombie";
}

TEST(OpenDocument, ReapsAnOpenerThatEndsAndFailsWithoutOne) {
  {
    FakeDesktop desk;
    desk.opener();
    EXPECT_TRUE(open_document("file.html"));
    ASSERT_TRUE(wait_for_file(desk.dir() / "pid"));
    EXPECT_TRUE(reaped(read_pid(desk.dir() / "pid"))) << "the ended opener stayed a zombie";
  }
  {
    FakeDesktop desk;  // no xdg-open on PATH at all
    EXPECT_FALSE(open_document("file.html"));
  }
  {
    FakeDesktop desk;
    desk.script("xdg-open", "exit 0", /*executable=*/false);
    EXPECT_FALSE(open_document("file.html"));
  }
}

TEST(OpenDocument, WebAddressGetsTheSchemeAndEmptyOpensNothing) {
  FakeDesktop desk;
  desk.opener();
  open_web_address("");
  open_web_address("example.org/qora");
  ASSERT_TRUE(wait_for_file(desk.dir() / "args"));
  EXPECT_EQ(read_file(desk.dir() / "args"), "1\nhttp://example.org/qora\n");
  std::this_thread::sleep_for(300ms);  // time for a wrongly started second opener
  EXPECT_EQ(read_file(desk.dir() / "log"), "http://example.org/qora\n");
}

// A working folder with both help forms, as the play folder holds them.
void make_help_files(const fs::path& dir) {
  write_file(dir / "qora.chm", "ITSF");
  fs::create_directory(dir / "help");
  write_file(dir / "help" / "index.html", "<html></html>");
}

std::string opened_path(const FakeDesktop& desk) {
  if (!wait_for_file(desk.dir() / "args")) return "(nothing opened)";
  std::string a = read_file(desk.dir() / "args");
  return a.rfind("1\n", 0) == 0 ? a.substr(2, a.size() - 3) : a;
}

TEST(OpenHelp, TakesTheCompiledHelpOnlyWhenTheDesktopCanShowIt) {
  {
    FakeDesktop desk;  // xdg-mime knows no application for compiled help
    make_help_files(desk.dir());
    desk.opener();
    desk.script("xdg-mime", "echo \"$@\" >> " + (desk.dir() / "queries").string() + "\nexit 0");
    open_help("qora.chm", "help/index.html");
    EXPECT_EQ(opened_path(desk), (desk.dir() / "help" / "index.html").string());
    EXPECT_EQ(read_file(desk.dir() / "queries"),
              "query default application/vnd.ms-htmlhelp\nquery default application/x-chm\n");
  }
  {
    FakeDesktop desk;  // a viewer registered for the second type only
    make_help_files(desk.dir());
    desk.opener();
    desk.script("xdg-mime", "[ \"$3\" = application/x-chm ] && echo xchm.desktop\nexit 0");
    open_help("qora.chm", "help/index.html");
    EXPECT_EQ(opened_path(desk), (desk.dir() / "qora.chm").string());
  }
  {
    FakeDesktop desk;  // a viewer, but the build shipped no compiled help
    make_help_files(desk.dir());
    fs::remove(desk.dir() / "qora.chm");
    desk.opener();
    desk.script("xdg-mime", "echo xchm.desktop");
    open_help("qora.chm", "help/index.html");
    EXPECT_EQ(opened_path(desk), (desk.dir() / "help" / "index.html").string());
  }
  {
    FakeDesktop desk;  // no xdg-mime at all
    make_help_files(desk.dir());
    desk.opener();
    open_help("qora.chm", "help/index.html");
    EXPECT_EQ(opened_path(desk), (desk.dir() / "help" / "index.html").string());
  }
}

TEST(OpenHelp, AHangingDesktopQueryIsCutShort) {
  FakeDesktop desk;
  make_help_files(desk.dir());
  desk.opener();
  // The query answers "a viewer exists" only after far too long, and leaves a
  // helper of its own running meanwhile.
  desk.script("xdg-mime", "echo $$ > " + (desk.dir() / "mime.pid").string() +
                              "\nsleep 30 &\necho $! > " + (desk.dir() / "helper.pid").string() +
                              "\nwait\necho xchm.desktop");
  auto start = Steady::now();
  open_help("qora.chm", "help/index.html");
  auto took = Steady::now() - start;
  EXPECT_LT(took, 2500ms);
  EXPECT_GE(took, 500ms) << "the query should be given about a second";
  EXPECT_EQ(opened_path(desk), (desk.dir() / "help" / "index.html").string());
  ASSERT_TRUE(wait_for_file(desk.dir() / "mime.pid"));
  EXPECT_TRUE(reaped(read_pid(desk.dir() / "mime.pid"), 1000ms))
      << "the hanging query was left running";
  ASSERT_TRUE(wait_for_file(desk.dir() / "helper.pid"));
  EXPECT_TRUE(ended(read_pid(desk.dir() / "helper.pid"), 1000ms))
      << "the query's own helper was left running";
}

}  // namespace
}  // namespace qora::platform
