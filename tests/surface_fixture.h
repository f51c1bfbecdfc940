// Opens the graphics surface headless (640x480, 16 colours, on a 1024x768
// screen) for each test, with helpers that read the pages directly.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "graph/graph.h"
#include "graph/surface_internal.h"

namespace qora::test {

class Surface : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QORA_VIDEO", "headless", 1);
    setenv("QORA_SCREEN", "1024x768", 1);
    gfx::set_backend_factory(&gfx::make_headless_backend);
    ASSERT_EQ(open(D4BIT, M640X480), GROK);
  }
  void TearDown() override {
    if (GRAPHENABLED()) CLOSEGRAPH();
    gfx::set_backend_factory(nullptr);
  }

  static int16_t open(int16_t driver, int16_t mode) {
    INITGRAPH(driver, mode, "t");
    return GRAPHRESULT();
  }
  static const std::vector<uint8_t>& page(int p = -1) {
    const gfx::State& s = gfx::S();
    return s.pages[p < 0 ? s.active : p].px;
  }
  static int at(int x, int y, int p = -1) { return page(p)[size_t(y) * gfx::S().width + x]; }
  static int count(int idx) { return int(std::count(page().begin(), page().end(), idx)); }
  static int lit() { return int(page().size()) - count(0); }
  // Each {x, y, index} of the active page.
  static void expect_at(std::initializer_list<std::array<int, 3>> pts) {
    for (auto [x, y, c] : pts) EXPECT_EQ(at(x, y), c) << x << "," << y;
  }
  // Shows the pending damage, so that only later changes count as dirty.
  static void flush_damage() {
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
