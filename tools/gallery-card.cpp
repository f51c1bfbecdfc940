// gallery-card: draws the gallery headless with the shipped data and writes
// PNG pictures to look at: the captured target pictures, the gallery with
// five captioned targets, the crosshair and the cannon, a target falling, the
// edge-on targets with two players' boxes, the five cannon pictures, and the
// periodic table lit for each level.
//
//   gallery-card DATADIR OUTDIR [WxH ...]     (default sizes 640x480 1024x768)
//
// DATADIR holds the element table 001 and the message table 002; they are
// copied into a temporary folder, which is where the groups file is made.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/datafiles.h"
#include "app/geometry.h"
#include "app/globals.h"
#include "graph/graph.h"
#include "graph/surface_internal.h"
#include "screens/gallery.h"
#include "screens/ptable.h"
#include "tasks/question.h"
#include "toolkit/widgets.h"

using namespace qora;
namespace fs = std::filesystem;

namespace {

fs::path g_out;
std::string g_size;
bool g_ok = true;

void shoot(int page, const std::string& what) {
  SETVISUALPAGE(uint16_t(page));
  const fs::path p = g_out / (what + "-" + g_size + ".png");
  if (gfx::write_png(p.string())) {
    std::printf("%s\n", p.c_str());
  } else {
    std::fprintf(stderr, "gallery-card: cannot write %s\n", p.c_str());
    g_ok = false;
  }
}

// The resolution option of a window size: the three framed modes, else the
// full screen of that size.
uint32_t option_for(int w, int h) {
  if (w == 640 && h == 480) return 1;
  if (w == 800 && h == 600) return 2;
  if (w == 1024 && h == 768) return 3;
  return 4;
}

void put(int32_t x, int32_t y, const IMAGEBUF& img) {
  PUTIMAGE(int16_t(x), int16_t(y), img, COPYPUT);
}

// The room as a game prepares it, with the targets' spacing.
void room(int page) {
  SETACTIVEPAGE(uint16_t(page));
  CLEARDEVICE();
  PICTURE();
  FIRMLABEL(false);
  SETMISHENDISTANCE();
}

// Five tasks' worth of targets: the longest names of the table among them.
void captions() {
  const std::array<int, 5> elements = {92, 73, 0, 101, 23};  // Pa, Rf, N, Md, F
  for (int k = 0; k < 5; ++k) {
    MISHEN[size_t(k)].SYMBOL = ELEMENT[size_t(elements[size_t((k + 1) % 5)])].SYMBOL;
    MISHEN[size_t(k)].NAME = ELEMENT[size_t(elements[size_t(k)])].NAME;
  }
  MISHEN[2] = ELEMENT[0];
}

void draw_size(int w, int h) {
  g_size = std::to_string(w) + "x" + std::to_string(h);
  setenv("QORA_SCREEN", g_size.c_str(), 1);
  G_ISCREENRESOLUTION = option_for(w, h);
  std::string why;
  if (!INITGRAPHWITHVARIBLES(&why)) {
    std::fprintf(stderr, "gallery-card: graphics do not open at %s: %s\n", g_size.c_str(), why.c_str());
    g_ok = false;
    return;
  }
  shoot(1, "targets");  // the three pictures as drawn for capture
  shoot(3, "capture-room");

  // One player, five captioned targets, the crosshair on the middle one.
  PLAYER[0].NAME = "\xCC\xE0\xF8\xE0";  // a player's name
  PLAYER[0].SCORE = 7;
  PLAYER[0].HISCORE = 12;
  PLAYER[1].NAME = "\xCF\xE5\xF2\xFF";
  PLAYER[1].SCORE = 3;
  PLAYER[1].HISCORE = 11;
  room(0);
  CENTRALBOX(0);
  put(G_RCPUSHKA.LEFT, G_RCPUSHKA.TOP, PUSHKA[2]);
  SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
  captions();
  for (int k = 0; k < 5; ++k) {
    put(MISHENPOS(k).X, MISHENPOS(k).Y, MISH[C_MISHFRONT]);
    OUTNAME(k);
  }
  DRAWPRICEL(PRICELPOS(2).X, PRICELPOS(2).Y);
  TIMELIM = 10;
  DRAWTIMEBAR();
  shoot(0, "gallery");

  // The crosshair moved to target 3, which is hit and falls.
  CBAR(PRICELPOS(2).X - PRICELSIZE(), PRICELPOS(2).Y - PRICELSIZE(), PRICELPOS(2).X + PRICELSIZE(),
       PRICELPOS(2).Y + PRICELSIZE(),
       uint16_t(DARKGRAY));
  put(G_RCPUSHKA.LEFT, G_RCPUSHKA.TOP, PUSHKA[3]);
  put(MISHENPOS(3).X, MISHENPOS(3).Y, MISH[C_MISHFALL]);
  shoot(0, "gallery-falling");

  // Two players between tasks: the targets edge-on.
  room(1);
  BOX(0);
  BOX(1);
  PASTEMISHENS(C_MISHTURN);
  shoot(1, "gallery-edge");

  // The five cannon pictures side by side (as many rows as the width needs),
  // and the room below with its front wall cleared.
  room(2);
  CLEARFRONTWALLAREA();
  const int32_t cw = G_RCPUSHKA.RIGHT - G_RCPUSHKA.LEFT + 6,
                ch = G_RCPUSHKA.BOTTOM - G_RCPUSHKA.TOP + 6;
  const int32_t across = std::max<int32_t>(1, (G_RCSCREEN.RIGHT - 10) / cw);
  for (int k = 0; k < 5; ++k)
    put(10 + (k % across) * cw, G_RCSCREEN.BOTTOM + 2 - ((4 / across) - k / across + 1) * ch, PUSHKA[k]);
  shoot(2, "cannons");

  // The periodic table of the level dialog, lit for each level.
  SETACTIVEPAGE(3);
  SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
  TABLIZA();
  for (int level = 1; level <= 3; ++level) {
    GRUP(level - 1);
    shoot(3, "ptable-level" + std::to_string(level));
  }
  DONEGRAPHWITHVARIBLES();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: gallery-card DATADIR OUTDIR [WxH ...]\n");
    return 2;
  }
  const fs::path data = fs::absolute(argv[1]);
  g_out = fs::absolute(argv[2]);
  std::error_code ec;
  fs::create_directories(g_out, ec);
  const fs::path work = fs::temp_directory_path() / ("gallery-card-" + std::to_string(getpid()));
  fs::create_directories(work, ec);
  for (const char* f : {"001", "002"})
    fs::copy_file(data / f, work / f, fs::copy_options::overwrite_existing, ec);
  fs::current_path(work, ec);
  GETELEMENTS();
  GETMSG();
  GETGRUP();
  setenv("QORA_VIDEO", "headless", 1);
  std::vector<std::string> sizes(argv + 3, argv + argc);
  if (sizes.empty()) sizes = {"640x480", "1024x768"};
  for (const std::string& s : sizes) {
    int w = 0, h = 0;
    if (std::sscanf(s.c_str(), "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0) {
      std::fprintf(stderr, "gallery-card: not a size: %s\n", s.c_str());
      g_ok = false;
      continue;
    }
    draw_size(w, h);
  }
  fs::current_path(fs::temp_directory_path(), ec);
  fs::remove_all(work, ec);
  return g_ok ? 0 : 1;
}
