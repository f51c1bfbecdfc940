// The places the system gives a program: its own file, the user's folder for
// the game's files, the folder of an installed program's shipped files, and
// the environment.
#pragma once

#include <filesystem>
#include <string>

namespace qora::platform {

// The running program's file (empty when it cannot be told).
std::filesystem::path program_file();

// Where an installed program whose file lies in bin keeps its shipped files:
// share/qora beside bin on Linux, bin itself on Windows. The caller checks
// that the folder exists and holds them.
std::filesystem::path shipped_files_of(const std::filesystem::path& bin);

// The user's own folder for the game's files: $XDG_DATA_HOME/qora or
// ~/.local/share/qora on Linux, %APPDATA%\Qora on Windows. Empty, with the
// reason in err, when the system names no such folder.
std::filesystem::path user_game_folder(std::string& err);

// An environment variable as UTF-8 text; empty when unset.
std::string env(const char* name);

}  // namespace qora::platform
