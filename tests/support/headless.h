// Opening the graphics surface headless for a test: no window, pages in
// memory, a screen of the given size.
#pragma once

#include <cstdlib>
#include <string>

namespace qora::test {

inline void use_headless(int w = 1024, int h = 768) {
  setenv("QORA_VIDEO", "headless", 1);
  const std::string size = std::to_string(w) + "x" + std::to_string(h);
  setenv("QORA_SCREEN", size.c_str(), 1);
}

}  // namespace qora::test
