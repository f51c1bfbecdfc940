// A fixture that opens the graphics surface headless (640x480, 16 colours, on
// a 1024x768 screen) for each test and closes it afterwards, with helpers
// that read the pages directly.
#pragma once

#include <gtest/gtest.h>

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
    int16_t driver = D4BIT, mode = M640X480;
    INITGRAPH(driver, mode, "test");
    ASSERT_EQ(GRAPHRESULT(), GROK);
  }
  void TearDown() override {
    if (GRAPHENABLED()) CLOSEGRAPH();
    gfx::set_backend_factory(nullptr);
  }

  // Index at absolute (x, y) of a page (the active one by default).
  static int at(int x, int y, int page = -1) {
    const gfx::State& s = gfx::S();
    return s.pages[page < 0 ? s.active : page].px[size_t(y) * s.width + x];
  }
  static std::vector<uint8_t> page_copy(int page = -1) {
    const gfx::State& s = gfx::S();
    return s.pages[page < 0 ? s.active : page].px;
  }
  static int count_not(int idx, int page = -1) {
    int n = 0;
    for (uint8_t v : page_copy(page)) n += v != idx;
    return n;
  }
  // Shows the pending damage, so that only later changes count as dirty.
  static void flush_damage() {
    std::vector<uint32_t> screen(size_t(gfx::S().width) * gfx::S().height);
    std::vector<gfx::Rect> rects;
    gfx::render_damage(screen.data(), gfx::S().width, rects);
  }
  static std::vector<int> dirty_tiles() {
    std::vector<int> out;
    const gfx::State& s = gfx::S();
    for (size_t t = 0; t < s.dirty.size(); ++t)
      if (s.dirty[t]) out.push_back(int(t));
    return out;
  }
};

}  // namespace qora::test
