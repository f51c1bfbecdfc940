#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace qora::platform {

void message_box(const std::string& caption, const std::string& text) noexcept {
  const char* video = std::getenv("QORA_VIDEO");
  const bool headless = video && std::string_view(video) == "headless";
  // The box may be shown before or without the library's video set-up; it
  // fails at once when there is no display.
  if (!headless &&
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr) == 0)
    return;
  std::fprintf(stderr, "qora: %s: %s\n", caption.c_str(), text.c_str());
}

}  // namespace qora::platform
