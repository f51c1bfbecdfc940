#include "app/geometry.h"

#include <string>

#include "app/globals.h"
#include "graph/graph.h"
#include "screens/gallery.h"

namespace qora {

TRECT G_RCSCREEN{};
TRECT G_RCMISHEN{};
TPOINT G_PTTIMEBARSIZE{};
TPOINT G_PTWALLSIZE{};
TPOINT G_PTFLOORSIZE{};
TPOINT G_PTSKYMINPOINT{};
TPOINT G_PTSKYMAXPOINT{};
TPOINT G_PTFRONTWALLSIZE{};
TPOINT G_PTFRONTWALLLEFTPOINT{};
int32_t G_IMAINTITLETOP = 0;
double G_RSCREENSCALEX = 0;
TPOINT G_PTMISHENDISTANCE{};
TPOINT G_PTPRICELDISTANCE{};
int32_t G_ISTOIKADISTANCEY = 0;
TPOINT G_PTBOXSIZE{};
TPOINT G_PTBOXTHICKSIZE{};
TPOINT G_PTBOXDISTANCE{};
TRECT G_RCPUSHKA{};
TRECT G_RCAUTHORS{};
TRECT G_RCFIRMLABEL{};

uint32_t G_IFONTPANELCOLOR, G_IFONTDARKCOLOR, ALPHACOL, G_IFONTACTIVEMENUCOLOR,
    G_IFONTPASIVEMENUCOLOR, G_IFONTHELPCOLOR, G_IFONTDESCRIPTIONCOLOR,
    G_IFONTDESCRIPTIONBACKCOLOR, PRICELCOL, G_IFONTCOMMANDCOLOR, G_IFONTMESSAGECOLOR;
uint32_t T1COL2, T2COL2, T3COL2;
uint32_t T1COL_CONST, T2COL_CONST, T3COL_CONST;
uint32_t T1COL, T2COL, T3COL;
uint32_t DECC, INCC;

uint16_t G_IFONTAUTHOR, G_IFONTAUTHORSIZE;
TPOINT G_PTAUTHORCHARSIZE{};
uint16_t G_IFONTCONTROL, G_IFONTCONTROLSIZE;
TPOINT G_PTCONTROLCHARSIZE{};
uint16_t G_IFONTMAINTITLE, G_IFONTMAINTITLESIZE;
TPOINT G_PTMAINTITLECHARSIZE{};
uint16_t G_IFONTDESCRIPTION, G_IFONTDESCRIPTIONSIZE;
TPOINT G_PTDESCRIPTIONCHARSIZE{};

namespace {
const std::string kSha = "\xD8";  // Cyrillic capital Sha, the reference letter
}

const char* grapherrormsg(int16_t code) {
  switch (code) {
    case GROK: return "no error";
    case GRNOINITGRAPH: return "graphics are not open";
    case GRINVALIDDRIVER: return "invalid graphics driver";
    case GRINVALIDMODE: return "the window fits neither framed nor borderless on this screen";
    case GRNOTWINDOW: return "the window cannot be opened (no display?)";
    case GRINVALIDFONT: return "a font face is missing";
    case GRINVALIDFONTNUM: return "invalid font number";
    case GRINVALIDPARAM: return "invalid parameter";
    case GRNOPALETTE: return "no palette";
    case GRNOOPENGL: return "no 3-D context";
    case GRERROR: return "graphics are already open";
    default: return "graphics error";
  }
}

bool INITGRAPHWITHVARIBLES(std::string* why) {
  GD = D4BIT;
  uint32_t opt = G_ISCREENRESOLUTION;
  if (opt < 1 || opt > uint32_t(G_CSCREENRESOLUTIONSCOUNT)) opt = 1;
  GM = G_CSCREENRESOLUTIONS[opt];
  INITGRAPH(GD, GM, msg(77));
  const int16_t r = GRAPHRESULT();
  if (r != GROK || !GRAPHENABLED()) {
    if (why) *why = grapherrormsg(r);
    return false;
  }
  INITCOLORS();
  INITCOORDS();
  INITCHARSIZE();
  GETTARGETSIMAGES();
  return true;
}

void INITCOLORS() {
  G_IFONTPANELCOLOR = BLACK;
  G_IFONTDARKCOLOR = 16;
  ALPHACOL = RED;
  G_IFONTACTIVEMENUCOLOR = LIGHTGREEN;
  G_IFONTPASIVEMENUCOLOR = GREEN;
  G_IFONTHELPCOLOR = MAGENTA;
  G_IFONTDESCRIPTIONCOLOR = YELLOW;
  G_IFONTDESCRIPTIONBACKCOLOR = BLUE;
  PRICELCOL = MAGENTA;
  G_IFONTCOMMANDCOLOR = MAGENTA;
  G_IFONTMESSAGECOLOR = WHITE;
  T1COL2 = 36;
  T2COL2 = 24;
  T3COL2 = 34;
  T1COL_CONST = LIGHTMAGENTA;
  T2COL_CONST = LIGHTBROWN;
  T3COL_CONST = MAROON;
  T1COL = T1COL_CONST;
  T2COL = T2COL_CONST;
  T3COL = T3COL_CONST;
  DECC = CYAN;
  INCC = YELLOW;
}

void INITCOORDS() {
  const int32_t maxx = GETMAXX(), maxy = GETMAXY();
  G_RCSCREEN = TRECT{0, 0, maxx, maxx <= 639 ? maxy - 70 : maxy - 100};
  const double W = G_RCSCREEN.RIGHT, H = G_RCSCREEN.BOTTOM;
  auto sx = [&](double f) { return RND(W / 640.0 * f); };
  auto sy = [&](double f) { return RND(H / 200.0 * f); };
  G_RCMISHEN = TRECT{0, 0, sx(79), sy(63)};
  G_PTTIMEBARSIZE = TPOINT{0, sy(10)};
  G_PTWALLSIZE = TPOINT{sx(40), sy(120)};
  G_PTFLOORSIZE = TPOINT{0, sy(59)};
  G_PTSKYMINPOINT = TPOINT{sx(40), sy(20)};
  G_PTSKYMAXPOINT = TPOINT{sx(80), sy(40)};
  G_PTFRONTWALLSIZE = TPOINT{sx(480), sy(70)};
  G_PTFRONTWALLLEFTPOINT = G_PTSKYMAXPOINT;
  G_IMAINTITLETOP = 6;
  G_RSCREENSCALEX = W / 640.0;
}

void INITCHARSIZE() {
  const int32_t W = G_RCSCREEN.RIGHT;
  auto measure = [](uint16_t font, uint16_t size) {
    SETTEXTSTYLE(font, HORIZDIR, size);
    return TPOINT{TEXTWIDTH(kSha), TEXTHEIGHT(kSha)};
  };
  G_IFONTAUTHOR = TIMESNEWROMANFONT;
  G_IFONTAUTHORSIZE = W <= 639 ? 3 : (W < 1023 ? 4 : 5);
  G_PTAUTHORCHARSIZE = measure(G_IFONTAUTHOR, G_IFONTAUTHORSIZE);
  G_IFONTCONTROL = COURIERNEWFONT;
  G_IFONTCONTROLSIZE = W < 1023 ? 2 : 3;
  G_PTCONTROLCHARSIZE = measure(G_IFONTCONTROL, G_IFONTCONTROLSIZE);
  G_IFONTMAINTITLE = TIMESNEWROMANFONT;
  G_IFONTMAINTITLESIZE = G_IFONTAUTHORSIZE;
  G_PTMAINTITLECHARSIZE = measure(G_IFONTMAINTITLE, G_IFONTMAINTITLESIZE);
  G_IFONTDESCRIPTION = COURIERNEWFONT;
  G_IFONTDESCRIPTIONSIZE = G_IFONTCONTROLSIZE;
  G_PTDESCRIPTIONCHARSIZE = measure(G_IFONTDESCRIPTION, G_IFONTDESCRIPTIONSIZE);
}

void GETTARGETSIMAGES() {
  // The target pictures are drawn side by side on page 1 while page 0 is
  // shown, and captured; the room, the boxes and the cannon pictures are then
  // drawn on page 3, which stays the drawing page.
  SETACTIVEPAGE(1);
  SETVISUALPAGE(0);
  CLEARDEVICE();
  OUTMISHENS();
  const int32_t R = G_RCMISHEN.RIGHT, B = G_RCMISHEN.BOTTOM;
  for (auto& m : MISH) m.assign(size_t(IMAGESIZE(0, 0, int16_t(R), int16_t(B))), 0);
  for (int32_t i = 0; i < 3; ++i)
    GETIMAGE(int16_t(i * (R + 2)), 0, int16_t((i + 1) * R + 2 * i), int16_t(B), MISH[i]);
  SETACTIVEPAGE(3);
  PICTURE();
  BOX(1);
  CENTRALBOX(0);
  GETPUSHKS();
}

void DONEGRAPHWITHVARIBLES() {
  for (auto& m : MISH) m = IMAGEBUF{};
  for (auto& p : PUSHKA) p = IMAGEBUF{};
  CLOSEGRAPH();
}

}  // namespace qora
