// The device's life cycle: the backend, opening and closing, the size, pages and viewport.
#include <cstring>

#include "graph/drawing.h"
#include "graph/input_internal.h"
#include "platform/script.h"

namespace qora {

int32_t CUSTOMWIDTH = 640, CUSTOMHEIGHT = 480;

namespace gfx {

namespace {

std::unique_ptr<platform::VideoBackend> (*g_factory)() = nullptr;

std::unique_ptr<platform::VideoBackend> new_backend() {
  return g_factory ? g_factory() : platform::make_default_backend();
}

inline int norm_page(uint16_t page) { return page >= kPages ? 0 : page; }

// Takes the backend out of the state and releases the pages, under the
// drawing lock; the caller lets the backend go once the lock is released.
std::unique_ptr<platform::VideoBackend> release_device(State& s) {
  std::lock_guard lock(s.devices);
  std::unique_ptr<platform::VideoBackend> backend = std::move(s.backend);
  for (Page& p : s.pages) p = Page{};
  s.dirty.clear();
  s.dirty_any = false;
  s.width = s.height = 0;
  s.scale = 1;
  s.tiles_x = s.tiles_y = 0;
  return backend;
}

}  // namespace

void set_backend_factory(std::unique_ptr<platform::VideoBackend> (*factory)()) {
  g_factory = factory;
}

}  // namespace gfx

using namespace gfx;

// ---- Start and stop -----------------------------------------------------------

int16_t GRAPHRESULT() { return S().result; }

bool GRAPHENABLED() {
  std::lock_guard lock(S().devices);
  return S().open;
}

void INITGRAPH(int16_t& driver, int16_t& mode, const std::string& title) {
  State& s = S();
  {
    std::lock_guard lock(s.devices);
    s.result = GROK;
    if (s.open) {
      s.result = GRERROR;
      return;
    }
  }
  int16_t drv = driver, md = mode;
  if (drv == DETECT) {
    drv = NOPALETTE;
    md = MDEFAULT;
  }
  int palsize = 0;
  switch (drv) {
    case D1BIT: palsize = 2; break;
    case D4BIT: palsize = 16; break;
    case D8BIT:
    case NOPALETTE: palsize = 256; break;
    default: s.result = GRINVALIDDRIVER; return;
  }
  if (md < M320X200 || md > MCUSTOM || md == 9) {
    s.result = GRINVALIDMODE;
    return;
  }
  std::unique_ptr<platform::VideoBackend> backend = new_backend();
  if (!backend) {
    s.result = GRNOTWINDOW;
    return;
  }
  // Asked without the drawing lock: a real display may take a moment.
  int sw = 0, sh = 0;
  if (!backend->screen_size(sw, sh)) {
    s.result = GRNOTWINDOW;
    return;
  }
  int w = 0, h = 0;
  bool fullscreen = false;
  switch (md) {
    case M320X200: w = 320, h = 200; break;
    case M640X200: w = 640, h = 200; break;
    case M640X350: w = 640, h = 350; break;
    case M640X480: w = 640, h = 480; break;
    case M720X350: w = 720, h = 350; break;
    case M800X600: w = 800, h = 600; break;
    case M1024X768: w = 1024, h = 768; break;
    case M1280X1024: w = 1280, h = 1024; break;
    case MDEFAULT: w = 640, h = 480; break;
    case MMAXIMIZED: w = sw - 2 * kNominalFrameW, h = sh - 2 * kNominalFrameH - kNominalCaptionH; break;
    case MFULLSCR: w = sw, h = sh, fullscreen = true; break;
    case MCUSTOM: w = CUSTOMWIDTH, h = CUSTOMHEIGHT; break;
  }
  // A tall full screen: the pages are a whole fraction of it, shown enlarged.
  const int scale = fullscreen ? full_screen_scale(sw, sh) : 1;
  w /= scale;
  h /= scale;
  // Coordinates are 16-bit: a client area must be addressable by them.
  if (w <= 0 || h <= 0 || w > 32767 || h > 32767) {
    s.result = GRINVALIDMODE;
    return;
  }
  // The faces first: a missing face leaves nothing half open.
  if (int16_t r = install_default_faces(); r != GROK) {
    s.result = r;
    return;
  }
  {
    std::lock_guard lock(s.devices);
    s.width = w;
    s.height = h;
    s.scale = scale;
    s.tiles_x = (w + kTile - 1) / kTile;
    s.tiles_y = (h + kTile - 1) / kTile;
    for (Page& p : s.pages) {
      p.px.assign(size_t(w) * h, 0);
      p.colours.assign(size_t(s.tiles_x) * s.tiles_y, 1);
    }
    s.dirty.assign(size_t(s.tiles_x) * s.tiles_y, 1);
    s.dirty_any = true;
    s.active = s.visual = 0;
    s.palsize = palsize;
    s.nopalette = drv == NOPALETTE;
    s.palette.fill(RGBCOLOUR{});
    if (drv == D1BIT) {
      s.palette[1] = RGBCOLOUR{255, 255, 255};
    } else {
      for (int i = 0; i < palsize; ++i) s.palette[i] = DEFAULTVGAPALETTE[i];
    }
    // Named colours: the nearest default entry, mapped once.
    for (const NamedColour& c : MAGICKPALETTE()) {
      if (!c.var) continue;
      const RGBCOLOUR rgb{c.r, c.g, c.b};
      *c.var = s.nopalette ? (uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b)
                           : nearest_index(rgb, DEFAULTVGAPALETTE.data(), palsize);
    }
    s.frcolor = WHITE;
    s.bkcolor = BLACK;
    s.pattern.fill(0xFF);
    s.fill = FILLSETTINGSTYPE{SOLIDFILL, WHITE};
    s.viewport = VIEWPORTTYPE{0, 0, int16_t(w - 1), int16_t(h - 1), false};
    s.cur_x = s.cur_y = 0;
    s.backend = std::move(backend);
  }
  // The keyboard and mouse layer hears the new window from its first event.
  platform::set_input_hooks(&KEYBOARDPROC, &MOUSEPROC);
  platform::set_shot_writer(&write_png);  // pictures asked for by scripted input
  int16_t r = GROK;
  switch (s.backend->open(w * scale, h * scale, fullscreen, title.empty() ? "Qora" : title, frame_source())) {
    case platform::OpenResult::ok: r = GROK; break;
    case platform::OpenResult::invalid_mode: r = GRINVALIDMODE; break;
    case platform::OpenResult::no_window:
    case platform::OpenResult::busy: r = GRNOTWINDOW; break;
  }
  if (r != GROK) {
    const auto failed = release_device(s);
    reset_fonts();
    s.result = r;
    return;
  }
  {
    std::lock_guard lock(s.devices);
    s.open = true;
  }
  SETTEXTSTYLE(0, 0, 16);
  if (driver == DETECT) {
    driver = drv;
    mode = md;
  }
  s.result = GROK;
}

void CLOSEGRAPH() {
  State& s = S();
  {
    std::lock_guard lock(s.devices);
    if (!s.open) {
      s.result = GRNOINITGRAPH;
      return;
    }
    s.result = GROK;
    s.open = false;
  }
  // The window thread may be waiting for the lock to repaint: close it
  // without holding the lock, then release the pages.
  s.backend->close();
  const auto gone = release_device(s);
  reset_fonts();
}

int16_t GETMAXX() {
  Drawing d;
  return d ? int16_t(S().width - 1) : int16_t(0);
}

int16_t GETMAXY() {
  Drawing d;
  return d ? int16_t(S().height - 1) : int16_t(0);
}

// Asked of a new backend: the window backend remembers the size of the last
// display it saw, so this starts no display while one is known.
void GETSCREENSIZE(int32_t& w, int32_t& h) {
  int sw = 0, sh = 0;
  if (auto b = new_backend(); !b || !b->screen_size(sw, sh)) sw = sh = 0;
  w = sw;
  h = sh;
}

// ---- Pages and viewport -----------------------------------------------------

void SETACTIVEPAGE(uint16_t page) {
  Drawing d;
  if (d) S().active = norm_page(page);
}

void SETVISUALPAGE(uint16_t page) {
  Drawing d;
  if (!d) return;
  S().visual = norm_page(page);
  damage_all();
}

uint16_t GETACTIVEPAGE() { return uint16_t(S().active); }
uint16_t GETVISUALPAGE() { return uint16_t(S().visual); }

void SETVIEWPORT(int16_t x1, int16_t y1, int16_t x2, int16_t y2, bool clip) {
  Drawing d;
  if (!d || !valid_rect(x1, y1, x2, y2)) return;
  S().viewport = VIEWPORTTYPE{x1, y1, x2, y2, clip};
  S().cur_x = S().cur_y = 0;
}

void GETVIEWSETTINGS(VIEWPORTTYPE& vp) {
  Drawing d;
  if (d) vp = S().viewport;
}

void CLEARVIEWPORT() {
  Drawing d;
  if (!d) return;
  State& s = S();
  const VIEWPORTTYPE& v = s.viewport;
  const uint8_t bk = draw_index(s.bkcolor);
  const Rect r = intersect(Rect{v.X1, v.Y1, v.X2, v.Y2}, clip_rect());
  if (!r.empty()) {
    for (int y = r.y0; y <= r.y1; ++y)
      std::memset(&s.pages[s.active].px[size_t(y) * s.width + r.x0], bk, size_t(r.x1 - r.x0 + 1));
    cover(s.active, r, bk);
  }
  s.cur_x = s.cur_y = 0;
}

void CLEARDEVICE() {
  Drawing d;
  if (!d) return;
  State& s = S();
  const uint8_t bk = draw_index(s.bkcolor);
  std::memset(s.pages[s.active].px.data(), bk, s.pages[s.active].px.size());
  cover(s.active, page_rect(), bk);
  s.cur_x = s.cur_y = 0;
}

}  // namespace qora
