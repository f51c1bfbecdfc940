#include "platform/message_box.h"

#include <cstdio>

#include "platform/video.h"
#include "platform/win32.h"

namespace qora::platform {

void message_box(const std::string& caption, const std::string& text) noexcept {
  if (!headless_requested()) {
    try {
      if (MessageBoxW(nullptr, win::wide(text).c_str(), win::wide(caption).c_str(),
                      MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TASKMODAL) != 0)
        return;
    } catch (...) {
    }
  }
  std::fprintf(stderr, "qora: %s: %s\n", caption.c_str(), text.c_str());
}

}  // namespace qora::platform
