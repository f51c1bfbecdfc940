// A desktop for tests of opening documents: a temporary folder whose bin/ is
// the whole PATH while the object lives, with an xdg-open there that appends
// its arguments to log, records its pid, argument count and arguments (one a
// line) in opened, and then runs tail.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace qora::test {

class FakeDesktop {
 public:
  explicit FakeDesktop(const std::string& tail = "exit 0") : bin_(dir_.path() / "bin") {
    std::filesystem::create_directory(bin_);
    if (const char* p = std::getenv("PATH")) old_path_ = p;
    set_env("PATH", bin_.string().c_str());
    const std::string d = dir().string();
    script("xdg-open", "echo \"$*\" >> " + d + "/log\nprintf '%s\\n' $$ \"$#\" \"$@\" > " + d +
                           "/tmp\nmv " + d + "/tmp " + d + "/opened\n" + tail);
  }
  ~FakeDesktop() { set_env("PATH", old_path_.c_str()); }
  const std::filesystem::path& dir() const { return dir_.path(); }
  void script(const std::string& name, const std::string& body, bool executable = true) {
    write_file(bin_ / name, "#!/bin/sh\nPATH=/usr/bin:/bin\n" + body + "\n");
    chmod((bin_ / name).string().c_str(), executable ? 0755 : 0644);
  }

 private:
  TempDir dir_;
  std::filesystem::path bin_;
  std::string old_path_;
};

}  // namespace qora::test
