#include "platform/fonts.h"

#include <array>
#include <cstring>

#include "platform/win32.h"

namespace qora::platform {

namespace {

struct Family {
  const char* name;
  const wchar_t* windows[4];  // Windows' own face: regular, bold, italic, bold italic
  const wchar_t* shipped;     // the Liberation face beside the program
};

// The Liberation faces have the metrics of Windows' Times New Roman, Courier
// New and Arial; where Windows has those, they are used instead.
const std::array<Family, 3> kFamilies = {{
    {"Liberation Serif", {L"times", L"timesbd", L"timesi", L"timesbi"}, L"LiberationSerif"},
    {"Liberation Mono", {L"cour", L"courbd", L"couri", L"courbi"}, L"LiberationMono"},
    {"Liberation Sans", {L"arial", L"arialbd", L"ariali", L"arialbi"}, L"LiberationSans"},
}};

bool is_file(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The path as the font library's narrow file calls take it: the short form
// of a path with letters outside the system's code page, when it has one.
std::string narrow_path(const std::wstring& path) {
  std::wstring p = path;
  BOOL lossy = FALSE;
  auto ansi = [&](const std::wstring& w) {
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.c_str(), -1, nullptr, 0, nullptr, &lossy);
    std::string s(size_t(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.c_str(), -1, s.data(), n, nullptr, &lossy);
    s.resize(std::strlen(s.c_str()));
    return s;
  };
  std::string s = ansi(p);
  if (!lossy) return s;
  std::wstring shortp(MAX_PATH, L'\0');
  const DWORD n = GetShortPathNameW(p.c_str(), shortp.data(), DWORD(shortp.size()));
  if (n == 0 || n >= shortp.size()) return s;
  shortp.resize(n);
  return ansi(shortp);
}

std::wstring windows_fonts() {
  wchar_t buf[MAX_PATH];
  const UINT n = GetWindowsDirectoryW(buf, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::wstring(buf, n) + L"\\Fonts\\";
}

// The shipped faces lie in fonts\ beside the program, or, in a build tree,
// in the play folder's fonts\.
std::wstring shipped_fonts() {
  const std::wstring exe = win::program_file();
  const size_t slash = exe.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  const std::wstring beside = exe.substr(0, slash + 1) + L"fonts\\";
  const std::wstring build = exe.substr(0, slash + 1) + L"play\\fonts\\";
  const DWORD a = GetFileAttributesW(beside.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? beside : build;
}

}  // namespace

bool find_font(const std::string& family, bool bold, bool italic, std::string& path, int& index) {
  const int style = (bold ? 1 : 0) + (italic ? 2 : 0);
  static const wchar_t* const kStyles[4] = {L"-Regular", L"-Bold", L"-Italic", L"-BoldItalic"};
  for (const Family& f : kFamilies) {
    if (_stricmp(f.name, family.c_str()) != 0) continue;
    std::wstring candidates[2];
    if (f.windows[style]) candidates[0] = windows_fonts() + f.windows[style] + L".ttf";
    if (f.shipped) candidates[1] = shipped_fonts() + f.shipped + kStyles[style] + L".ttf";
    for (const std::wstring& c : candidates) {
      if (c.empty() || !is_file(c)) continue;
      path = narrow_path(c);
      index = 0;
      return true;
    }
  }
  return false;
}

}  // namespace qora::platform
