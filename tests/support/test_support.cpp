#include "support/test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qora::test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "qora-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  dir_ = tmpl;
  old_ = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::current_path(old_, ec);
  std::filesystem::remove_all(dir_, ec);
}

std::string read_file(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void write_file(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), std::streamsize(bytes.size()));
}

void set_env(const char* name, const char* value) { value ? setenv(name, value, 1) : unsetenv(name); }

Run run(const std::string& cmd) {
  const int rc = std::system((cmd + " > out.txt 2> err.txt").c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, read_file("out.txt"), read_file("err.txt")};
}

std::filesystem::path source_dir() { return QORA_SOURCE_DIR; }
std::filesystem::path binary_dir() { return QORA_BINARY_DIR; }

}  // namespace qora::test
