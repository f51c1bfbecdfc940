// Opening the graphics surface headless for a test: no window, pages in
// memory, a screen of the given size.
#pragma once

#include <cstdlib>
#include <string>

#include "graph/graph.h"

namespace qora::test {

inline void use_headless(int w = 1024, int h = 768) {
  setenv("QORA_VIDEO", "headless", 1);
  const std::string size = std::to_string(w) + "x" + std::to_string(h);
  setenv("QORA_SCREEN", size.c_str(), 1);
}

// Opens graphics in the given mode for the life of the object.
class Graphics {
 public:
  explicit Graphics(int16_t mode = M640X480, int w = 1024, int h = 768) {
    use_headless(w, h);
    int16_t d = D4BIT, m = mode;
    INITGRAPH(d, m, "test");
    ok_ = GRAPHRESULT() == GROK;
  }
  ~Graphics() {
    if (GRAPHENABLED()) CLOSEGRAPH();
  }
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

}  // namespace qora::test
