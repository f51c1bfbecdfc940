// A stand-in for the window backend's factory, used only when the program is
// linked without the SDL window: then every window is headless. The real
// definition (platform/sdl_window.cpp) overrides this weak one; the file name
// sorts after it so the library's index offers the real one first.
#include "graph/surface_internal.h"

namespace qora::gfx {

__attribute__((weak)) std::unique_ptr<Backend> make_sdl_backend() {
  return make_headless_backend();
}

}  // namespace qora::gfx
