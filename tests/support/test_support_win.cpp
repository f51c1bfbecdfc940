// The test helpers on Windows (the tests run under Wine).
#include <windows.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace qora::test {

TempDir::TempDir() {
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (unsigned n = 0;; ++n) {
    const auto candidate =
        base / ("qora-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + "-" +
                std::to_string(n));
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      dir_ = candidate;
      break;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS || n > 1000) throw std::runtime_error("no temporary folder");
  }
  old_ = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
}

void set_env(const char* name, const char* value) { _putenv_s(name, value ? value : ""); }

// The commands the tests write for the Linux shell, "NAME=value 'program'
// args", run through the Windows one: the leading assignments set the
// environment for the run, and single quotes become double ones.
Run run(const std::string& cmd) {
  std::string rest = cmd;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;
  for (;;) {
    const size_t eq = rest.find('='), space = rest.find(' ');
    if (eq == std::string::npos || space == std::string::npos || eq > space || eq == 0) break;
    const std::string name = rest.substr(0, eq), value = rest.substr(eq + 1, space - eq - 1);
    const char* old = std::getenv(name.c_str());
    saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    set_env(name.c_str(), value.c_str());
    rest = rest.substr(space + 1);
  }
  for (char& c : rest)
    if (c == '\'') c = '"';
  const int rc = std::system((rest + " > out.txt 2> err.txt").c_str());
  for (auto it = saved.rbegin(); it != saved.rend(); ++it) set_env(it->first.c_str(), it->second ? it->second->c_str() : nullptr);
  return {rc, read_file("out.txt"), read_file("err.txt")};
}

}  // namespace qora::test
