#include "support/test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace qora::test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "qora-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  dir_ = tmpl;
  old_ = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
}

void set_env(const char* name, const char* value) { value ? setenv(name, value, 1) : unsetenv(name); }

Run run(const std::string& cmd) {
  const int rc = std::system((cmd + " > out.txt 2> err.txt").c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, read_file("out.txt"), read_file("err.txt")};
}

}  // namespace qora::test
