#include "platform/process.h"

#include "platform/win32.h"

namespace qora::platform::proc {

long id() { return long(GetCurrentProcessId()); }
uint32_t user_id() { return 0; }
bool superuser() { return false; }

std::string user_name() {
  wchar_t buf[257];
  DWORD n = 257;
  return GetUserNameW(buf, &n) && n > 0 ? win::utf8(std::wstring(buf, n - 1)) : std::string("this user");
}

void die_now() {
  TerminateProcess(GetCurrentProcess(), 137);
  ExitProcess(137);
}

uint32_t creation_mask() { return 0; }

std::string full_path(const std::string& path) {
  const std::wstring w = win::wide(path);
  const DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  const DWORD m = GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
  if (m == 0 || m >= n) return path;
  full.resize(m);
  return win::utf8(full);
}

std::string write_access_hint(const std::string&) {
  return "give every player the right to change files in it (the folder's Properties, Security, "
         "or the share's permissions)";
}

bool separator(char c) { return c == '/' || c == '\\'; }

namespace {

double ms(const FILETIME& t) {
  ULARGE_INTEGER u;
  u.LowPart = t.dwLowDateTime;
  u.HighPart = t.dwHighDateTime;
  return double(u.QuadPart) / 10000.0;  // 100 ns units
}

}  // namespace

double age_ms() {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  GetSystemTimeAsFileTime(&now);
  return ms(now) - ms(created);
}

}  // namespace qora::platform::proc
