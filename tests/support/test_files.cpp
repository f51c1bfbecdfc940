// The test helpers that are the same on every system: files, the temporary
// folder's end, and where the sources and the build lie.
#include <fstream>
#include <sstream>
#include <system_error>

#include "support/test_support.h"

namespace qora::test {

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

std::filesystem::path source_dir() { return QORA_SOURCE_DIR; }
std::filesystem::path binary_dir() { return QORA_BINARY_DIR; }

}  // namespace qora::test
