#include "platform/paths.h"

#include <windows.h>

#include <shlobj.h>

#include <cstdlib>

#include "platform/win32.h"

namespace qora::platform {

namespace fs = std::filesystem;

fs::path program_file() { return fs::path(win::program_file()); }

// The portable folder and the installed one alike keep the shipped files
// beside the program.
fs::path shipped_files_of(const fs::path& bin) { return bin; }

fs::path user_game_folder(std::string& err) {
  wchar_t* roaming = nullptr;
  fs::path folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &roaming)))
    folder = fs::path(roaming) / L"Qora";
  CoTaskMemFree(roaming);
  if (folder.empty()) {
    if (const wchar_t* appdata = _wgetenv(L"APPDATA"); appdata && *appdata)
      folder = fs::path(appdata) / L"Qora";
    else
      err = "no folder for the game's files: neither QORA_HOME nor APPDATA is set";
  }
  return folder;
}

std::string env(const char* name) {
  const wchar_t* v = _wgetenv(win::wide(name).c_str());
  return v ? win::utf8(v) : std::string();
}

}  // namespace qora::platform
