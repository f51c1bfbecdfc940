// Inside the graphics surface: the one drawing state shared by the shape
// primitives (surface.cpp), text (text.cpp) and images (image.cpp). The
// output backend below (platform/video.h) sees only a FrameSource. Not for
// game code.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "graph/graph.h"
#include "platform/video.h"

namespace qora::gfx {

constexpr int kPages = 4;
// Pages are divided into square tiles; each tile remembers which palette
// indices it may hold, so a palette change repaints only the tiles that show
// that entry, and the visible page keeps a dirty flag per tile.
constexpr int kTileShift = 5;
constexpr int kTile = 1 << kTileShift;

using platform::kNominalCaptionH;
using platform::kNominalFrameH;
using platform::kNominalFrameW;
using Rect = platform::Rect;  // inclusive corners, absolute page coordinates

struct Page {
  std::vector<uint8_t> px;       // width * height palette indices
  std::vector<uint16_t> colours; // per tile: bit i set when index i may be present
};

struct State {
  std::mutex devices;  // PROTECT_DEVICES: every drawing, page switch, palette change, repaint
  bool open = false;
  int width = 0, height = 0;  // page size
  // Window pixels per page pixel along each axis: a full screen taller than
  // 1080 shows every page pixel as a scale x scale block, so the picture
  // keeps its 16-colour crispness and its proportions on large displays.
  // Read by the mouse hook on the window thread, hence atomic.
  std::atomic<int> scale{1};
  int tiles_x = 0, tiles_y = 0;
  int palsize = 16;
  std::array<RGBCOLOUR, 256> palette{};
  std::array<Page, kPages> pages;
  int active = 0, visual = 0;

  // Damage of the visible page not yet shown: one flag per tile.
  std::vector<uint8_t> dirty;
  bool dirty_any = false;

  // Drawing state.
  uint32_t frcolor = 15, bkcolor = 0;
  FILLSETTINGSTYPE fill{};
  FILLPATTERN pattern{};
  TEXTSETTINGSTYPE text{};
  VIEWPORTTYPE viewport{};
  int cur_x = 0, cur_y = 0;  // current position, viewport-relative
  int16_t result = GROK;
  // The no-palette driver: colour values are 0x00RRGGBB and draw as the
  // nearest entry of the fixed 256-entry default palette.
  bool nopalette = false;

  std::unique_ptr<platform::VideoBackend> backend;
};

State& S();

// The backend for the next INITGRAPH: the default one (the SDL window, or
// the headless one when QORA_VIDEO=headless) unless a test sets a factory.
void set_backend_factory(std::unique_ptr<platform::VideoBackend> (*factory)());

// ---- Helpers for the drawing code (call with the drawing lock held) -------

// Index a colour value draws with.
inline uint8_t colour_index(uint32_t v) { return uint8_t(v % uint32_t(S().palsize)); }

// Index a colour value draws with in any driver (colour_index in the palette
// drivers, the nearest fixed entry for an RGB value without a palette).
uint8_t draw_index(uint32_t v);

// The absolute clip rectangle in force (the viewport when clipping, else the page).
Rect clip_rect();

// Records that pixels of index idx were written inside r on page p: the tile
// colour masks learn idx, and on the visible page the tiles become dirty.
void touch(int page, const Rect& r, uint8_t idx);
// Like touch, for a rectangle painted entirely in idx: the tiles it covers
// completely now hold idx alone, so their masks become exact.
void cover(int page, const Rect& r, uint8_t idx);
// Marks tiles of the visible page dirty (r clipped to the page).
void damage(const Rect& r);
void damage_all();

// Sets one pixel of the active page at absolute coordinates, clipped.
void plot_abs(int x, int y, uint8_t idx);
// A horizontal run x0..x1 at row y of the active page, absolute, clipped.
void hspan_abs(int x0, int x1, int y, uint8_t idx);
// The fill of the current fill settings at absolute (x, y): the index to
// paint, or -1 when the pattern leaves the pixel untouched (NOFILL).
int fill_index_at(int x, int y);

// Nearest palette entry to an RGB value: smallest sum of squared differences,
// lowest index on a tie.
uint8_t nearest_index(const RGBCOLOUR& c, const RGBCOLOUR* pal, int n);

// ---- Pictures of the visible page ------------------------------------------

// The scale of a full screen of sw x sh: the height divided by 720, rounded
// down, when the screen is taller than 1080; otherwise 1.
int full_screen_scale(int sw, int sh);

// Converts the dirty tiles of the visible page through the palette into a
// 32-bit 0x00RRGGBB buffer of the client size (the page size times the
// scale; pitch in pixels), each page pixel a scale x scale block, clears the
// damage, and appends the converted rectangles (merged along tile rows, in
// client coordinates) to rects. Takes the drawing lock itself. Returns false when nothing was dirty.
// This is what the window's FrameSource paints from.
bool render_damage(uint32_t* dst, int pitch, std::vector<Rect>& rects);

// The visible page through the current palette, as 0x00RRGGBB pixels.
std::vector<uint32_t> snapshot_visible(int& w, int& h);
// Writes the visible page as a PNG file; false on failure.
bool write_png(const std::string& path);

// Text engine hooks used by INITGRAPH/CLOSEGRAPH (text.cpp).
int16_t install_default_faces();  // GROK or GRINVALIDFONT
void reset_fonts();

}  // namespace qora::gfx
