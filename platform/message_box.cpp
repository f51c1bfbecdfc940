#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>

#include "platform/video.h"

namespace qora::platform {

void message_box(const std::string& caption, const std::string& text) noexcept {
  // The box may be shown before or without the library's video set-up; it
  // fails at once when there is no display.
  if (!headless_requested() &&
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr) == 0)
    return;
  std::fprintf(stderr, "qora: %s: %s\n", caption.c_str(), text.c_str());
}

}  // namespace qora::platform
