#include "platform/paths.h"

#include <cstdlib>
#include <system_error>

namespace qora::platform {

namespace fs = std::filesystem;

fs::path program_file() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe;
}

fs::path shipped_files_of(const fs::path& bin) {
  return (bin.parent_path() / "share" / "qora").lexically_normal();
}

fs::path user_game_folder(std::string& err) {
  if (const std::string xdg = env("XDG_DATA_HOME"); !xdg.empty() && fs::path(xdg).is_absolute())
    return fs::path(xdg) / "qora";
  if (const std::string home = env("HOME"); !home.empty()) return fs::path(home) / ".local" / "share" / "qora";
  err = "no folder for the game's files: neither QORA_HOME nor HOME is set";
  return {};
}

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

}  // namespace qora::platform
