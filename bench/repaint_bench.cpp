// Repainting the window after a palette change, at 1920x1080:
//  (a) the reference: the whole 8-bit paletted page converted into a 32-bit
//      surface with SDL_LowerBlit, as a streaming texture update would need;
//  (b) ours after SETRGBPALETTE of the entry of a 25x25 crosshair drawn on a
//      page full of other colours (only the crosshair's tiles are converted);
//  (c) ours after a change of an entry that is absent from the page.
// After the runs the program prints (b)/(a) and (c)/(a) against the goals
// of 1/20 and 1/100.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "graph/graph.h"
#include "graph/surface_internal.h"
#include "full_conversion.h"

namespace {

using namespace qora;

constexpr int kW = 1920, kH = 1080;
constexpr uint16_t kCrossColour = 12;   // drawn only in the crosshair
constexpr uint16_t kAbsentColour = 14;  // nowhere on the page

void open_graphics() {
  static bool done = false;
  if (done) return;
  done = true;
  setenv("QORA_VIDEO", "headless", 1);
  setenv("QORA_SCREEN", "1920x1080", 1);
  int16_t d = D4BIT, m = MFULLSCR;
  INITGRAPH(d, m, "bench");
  if (GRAPHRESULT() != GROK || GETMAXX() != kW - 1 || GETMAXY() != kH - 1) {
    std::fprintf(stderr, "qora_bench: cannot open %dx%d headless graphics\n", kW, kH);
    std::exit(1);
  }
  // A page full of colours: narrow vertical stripes of every entry but the
  // two above, so every tile holds many entries.
  const uint16_t stripes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15};
  int i = 0;
  for (int x = 0; x < kW; x += 5, ++i) {
    SETFILLSTYLE(SOLIDFILL, stripes[i % 14]);
    BAR(int16_t(x), 0, int16_t(x + 4), int16_t(kH - 1));
  }
  // The crosshair: a 25x25 cross with a ring, centred on the screen.
  SETCOLOR(kCrossColour);
  const int cx = kW / 2 + 7, cy = kH / 2 + 5;
  LINE(int16_t(cx - 12), int16_t(cy), int16_t(cx + 12), int16_t(cy));
  LINE(int16_t(cx), int16_t(cy - 12), int16_t(cx), int16_t(cy + 12));
  CIRCLE(int16_t(cx), int16_t(cy), 8);
}

// Shows whatever is damaged now, so every measured repaint starts clean.
void settle(std::vector<uint32_t>& window) {
  std::vector<gfx::Rect> rects;
  gfx::render_damage(window.data(), kW, rects);
}

void BM_FullConversion(benchmark::State& state) {
  open_graphics();
  bench::full_conversion(state, kCrossColour);
}

void palette_repaint(benchmark::State& state, uint16_t entry, bool expect_damage) {
  open_graphics();
  std::vector<uint32_t> window(size_t(kW) * kH);
  std::vector<gfx::Rect> rects;
  settle(window);
  const RGBCOLOUR base = GETPALETTEENTRY(entry);
  int level = 0;
  size_t painted = 0;
  for (auto _ : state) {
    level = (level + 3) & 63;
    SETRGBPALETTE(entry, base.r, uint16_t(level * 4), base.b);
    rects.clear();
    const bool any = gfx::render_damage(window.data(), kW, rects);
    for (const gfx::Rect& r : rects) painted += size_t(r.x1 - r.x0 + 1) * size_t(r.y1 - r.y0 + 1);
    if (any != expect_damage) {
      state.SkipWithError(expect_damage ? "the crosshair was not repainted"
                                        : "an absent entry caused a repaint");
      break;
    }
  }
  SETRGBPALETTE(entry, base.r, base.g, base.b);
  settle(window);
  state.counters["pixels"] =
      benchmark::Counter(double(painted), benchmark::Counter::kAvgIterations);
}

void BM_CrosshairEntry(benchmark::State& state) { palette_repaint(state, kCrossColour, true); }
void BM_AbsentEntry(benchmark::State& state) { palette_repaint(state, kAbsentColour, false); }

BENCHMARK(BM_FullConversion)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CrosshairEntry)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AbsentEntry)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::Recorder rec;
  benchmark::RunSpecifiedBenchmarks(&rec);
  benchmark::Shutdown();
  const auto a = rec.ns.find("BM_FullConversion"), b = rec.ns.find("BM_CrosshairEntry"),
             c = rec.ns.find("BM_AbsentEntry");
  if (a == rec.ns.end() || b == rec.ns.end() || c == rec.ns.end()) return 0;  // a filtered run
  const double rb = b->second / a->second, rc = c->second / a->second;
  const bool ok = rb <= 1.0 / 20 && rc <= 1.0 / 100;
  std::printf("crosshair entry / full conversion = 1/%.0f (goal 1/20 or less)\n", 1 / rb);
  std::printf("absent entry / full conversion = 1/%.0f (goal 1/100 or less)\n", 1 / rc);
  std::printf("%s\n", ok ? "goals met" : "GOALS MISSED");
  if (GRAPHENABLED()) CLOSEGRAPH();
  return ok ? 0 : 1;
}
