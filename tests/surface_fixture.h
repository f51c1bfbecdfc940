// A headless 640x480 16-colour surface per test, with helpers that read the pages.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "graph/surface_internal.h"
#include "support/headless.h"

namespace qora::test {

class Surface : public ::testing::Test {
 protected:
  void SetUp() override {
    use_headless();
    ASSERT_EQ(open(D4BIT, M640X480), GROK);
  }
  void TearDown() override { if (GRAPHENABLED()) CLOSEGRAPH(); }

  static int16_t open(int16_t d, int16_t m) { return INITGRAPH(d, m, "t"), GRAPHRESULT(); }
  static const std::vector<uint8_t>& page(int p = -1) {
    return gfx::S().pages[p < 0 ? gfx::S().active : p].px;
  }
  static int at(int x, int y, int p = -1) { return page(p)[size_t(y) * gfx::S().width + x]; }
  static int count(int idx) { return int(std::count(page().begin(), page().end(), idx)); }
  static int lit() { return int(page().size()) - count(0); }
  static void expect_at(std::initializer_list<std::array<int, 3>> pts) {  // {x, y, index}
    for (auto [x, y, c] : pts) EXPECT_EQ(at(x, y), c) << x << "," << y;
  }
  static void flush_damage() {  // shows the pending damage: only later changes count as dirty
    std::vector<uint32_t> screen(size_t(gfx::S().width) * gfx::S().height);
    std::vector<gfx::Rect> rects;
    gfx::render_damage(screen.data(), gfx::S().width, rects);
  }
  static std::vector<int> dirty_tiles() {
    std::vector<int> out;
    for (size_t t = 0; t < gfx::S().dirty.size(); ++t)
      if (gfx::S().dirty[t]) out.push_back(int(t));
    return out;
  }
};

}  // namespace qora::test
