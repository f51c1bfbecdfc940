#include "platform/open_document.h"

#include <windows.h>

#include <shellapi.h>
#include <shlwapi.h>

#include <filesystem>

#include "platform/win32.h"

namespace qora::platform {

namespace {

std::wstring absolute_path(const std::string& p) {
  std::error_code ec;
  const std::filesystem::path w(win::wide(p));
  auto a = std::filesystem::absolute(w, ec);
  return ec ? w.wstring() : a.lexically_normal().wstring();
}

bool is_file(const std::wstring& p) {
  const DWORD a = GetFileAttributesW(p.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool open_wide(const std::wstring& target) {
  // The shell starts the associated program and returns; values above 32
  // mean it did.
  const auto r = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return r > 32;
}

}  // namespace

bool open_document(const std::string& target) noexcept {
  try {
    return open_wide(win::wide(target));
  } catch (...) {
    return false;
  }
}

bool has_chm_viewer(int) noexcept {
  wchar_t exe[MAX_PATH];
  DWORD n = MAX_PATH;
  return SUCCEEDED(AssocQueryStringW(ASSOCF_NONE, ASSOCSTR_EXECUTABLE, L".chm", L"open", exe, &n));
}

void open_help(const std::string& chm, const std::string& html) noexcept {
  try {
    // Windows opens compiled help in its own viewer; the HTML copy stands in
    // only when the compiled file is missing or nothing shows it.
    const std::wstring c = absolute_path(chm), h = absolute_path(html);
    const bool use_chm = is_file(c) && (has_chm_viewer() || !is_file(h));
    open_wide(use_chm ? c : h);
  } catch (...) {
  }
}

}  // namespace qora::platform
