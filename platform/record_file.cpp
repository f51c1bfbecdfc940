// The file a session is recorded into.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/record.h"

namespace qora::platform {

// A regular file of one name only: emptying a hard link planted under the
// name would destroy the file it shares.
std::FILE* open_recording(const char* path) {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  std::FILE* f = nullptr;
  struct stat st {};
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 ||
                  ::ftruncate(fd, 0) != 0 ||
                  ::fcntl(fd, F_SETFL, 0) == -1 || !(f = ::fdopen(fd, "w"))))
    ::close(fd);
  return f;
}

}  // namespace qora::platform
