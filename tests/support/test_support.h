// Helpers shared by the tests.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

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

// Waits in real time, looking every few milliseconds, until f() holds;
// false when it still does not after limit.
template <class F>
bool eventually(F f, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!f()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Sets (or, with nullptr, removes) an environment variable.
void set_env(const char* name, const char* value);

// Sets (or, with nullptr, removes) an environment variable for one scope.
struct EnvVar {
  EnvVar(const char* n, const char* v) : name(n) {
    if (const char* o = std::getenv(n)) old = o;
    set_env(n, v);
  }
  ~EnvVar() { set_env(name, old ? old->c_str() : nullptr); }
  EnvVar(const EnvVar&) = delete;
  EnvVar& operator=(const EnvVar&) = delete;
  const char* name;
  std::optional<std::string> old;
};

// A shell command run in the working folder: its exit status (-1: no normal
// exit) and what it printed, through out.txt and err.txt there.
struct Run {
  int status;
  std::string out, err;
};
Run run(const std::string& cmd);

// The source tree and the build tree, for data files and built programs.
std::filesystem::path source_dir();
std::filesystem::path binary_dir();

}  // namespace qora::test
