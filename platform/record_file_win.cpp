// The file a session is recorded into, on Windows.
#include <fcntl.h>
#include <io.h>

#include "platform/record.h"
#include "platform/win32.h"

namespace qora::platform {

std::FILE* open_recording(const char* path) {
  HANDLE h = CreateFileW(win::wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  BY_HANDLE_FILE_INFORMATION i;
  const bool regular = GetFileInformationByHandle(h, &i) && GetFileType(h) == FILE_TYPE_DISK &&
                       i.nNumberOfLinks == 1 &&
                       !(i.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  if (!regular || !SetEndOfFile(h)) {
    CloseHandle(h);
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, "wb");
  if (!f) _close(fd);
  return f;
}

}  // namespace qora::platform
