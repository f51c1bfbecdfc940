// What the repaint benchmarks share: the reference cost of a repaint (the
// whole 8-bit paletted visible page converted into a 32-bit surface with
// SDL_LowerBlit, as a streaming texture update would need, after one palette
// entry changed) and a reporter that keeps the times for the final ratios.
#pragma once

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "graph/graph.h"

namespace qora::bench {

// Remembers the time per iteration of each run (ns) for the comparison a
// benchmark program prints at its end.
class Recorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (!r.error_occurred && r.iterations > 0)
        ns[r.benchmark_name()] = r.GetAdjustedRealTime() *
                                 (r.time_unit == benchmark::kMicrosecond ? 1000.0 : 1.0);
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> ns;
};

// The reference cost of a repaint.
inline void full_conversion(benchmark::State& state, uint16_t pulsing_entry) {
  const int w = GETMAXX() + 1, h = GETMAXY() + 1;
  SDL_Surface* page = SDL_CreateRGBSurfaceWithFormat(0, w, h, 8, SDL_PIXELFORMAT_INDEX8);
  SDL_Surface* out = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_XRGB8888);
  if (!page || !out) {
    state.SkipWithError("SDL surfaces");
    return;
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      static_cast<Uint8*>(page->pixels)[y * page->pitch + x] = Uint8(GETPIXEL(int16_t(x), int16_t(y)));
  SDL_Color colours[16];
  for (int i = 0; i < 16; ++i) {
    const RGBCOLOUR c = GETPALETTEENTRY(uint16_t(i));
    colours[i] = SDL_Color{c.r, c.g, c.b, 255};
  }
  SDL_Rect r{0, 0, w, h};
  int level = 0;
  for (auto _ : state) {
    level = (level + 3) & 63;
    colours[pulsing_entry].g = Uint8(level * 4);
    SDL_SetPaletteColors(page->format->palette, colours, 0, 16);
    SDL_Rect sr = r, dr = r;
    SDL_LowerBlit(page, &sr, out, &dr);
    benchmark::DoNotOptimize(out->pixels);
  }
  SDL_FreeSurface(page);
  SDL_FreeSurface(out);
}

}  // namespace qora::bench
