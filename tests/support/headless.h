// Opening the graphics surface headless for a test (no window, pages in
// memory, a screen of the given size), and reading what it shows.
#pragma once

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "graph/graph.h"
#include "support/test_support.h"

namespace qora::test {

inline void use_headless(int w = 1024, int h = 768) {
  set_env("QORA_VIDEO", "headless");
  const std::string size = std::to_string(w) + "x" + std::to_string(h);
  set_env("QORA_SCREEN", size.c_str());
}

// {x0, y0, x1, y1} of the pixels of one colour in a rectangle of the active
// page (by default 640 x 480); x1 is -1 when there are none.
using Box = std::array<int, 4>;
inline Box box_of(uint32_t colour, int x0 = 0, int y0 = 0, int x1 = 639, int y1 = 479) {
  Box b{1 << 20, 1 << 20, -1, -1};
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (GETPIXEL(int16_t(x), int16_t(y)) == colour % 16)
        b = Box{std::min(b[0], x), std::min(b[1], y), std::max(b[2], x), std::max(b[3], y)};
  return b;
}

}  // namespace qora::test
