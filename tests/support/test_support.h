// Helpers shared by the tests.
#pragma once

#include <filesystem>
#include <string>

namespace qora::test {

// A fresh empty folder that becomes the working directory for the life of the
// object (the game opens its files by bare names); removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return dir_; }

 private:
  std::filesystem::path dir_;
  std::filesystem::path old_;
};

std::string read_file(const std::filesystem::path& p);
void write_file(const std::filesystem::path& p, const std::string& bytes);

// The source tree and the build tree, for data files and built programs.
std::filesystem::path source_dir();
std::filesystem::path binary_dir();

}  // namespace qora::test
