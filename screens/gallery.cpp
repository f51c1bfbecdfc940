#include "screens/gallery.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/geometry.h"
#include "app/globals.h"
#include "graph/graph.h"
#include "toolkit/format.h"
#include "toolkit/widgets.h"

namespace qora {

namespace {

int16_t c16(int32_t v) { return static_cast<int16_t>(v); }
uint16_t col(uint32_t v) { return static_cast<uint16_t>(v); }

void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  LINE(c16(x1), c16(y1), c16(x2), c16(y2));
}
void rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  RECTANGLE(c16(x1), c16(y1), c16(x2), c16(y2));
}
void arc(int32_t x, int32_t y, int32_t start, int32_t stop, int32_t r) {
  ARC(c16(x), c16(y), uint16_t(start), uint16_t(stop), uint16_t(r));
}
void text(int32_t x, int32_t y, const std::string& s) { OUTTEXTXY(c16(x), c16(y), s); }

const std::string kShaSha = "\xD8\xD8";  // two Cyrillic capital Sha: room for a number

// ---- The score boxes -------------------------------------------------------

// The measures of a box row in the control font: the row height less its
// 5-pixel gap, and the width of the score label (where both numbers start).
struct RowFont {
  int32_t HEIGHT, WIDTH;
};

RowFont box_font() {
  SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
  return RowFont{TEXTHEIGHT(msg(1)), TEXTWIDTH(msg(1))};
}

// The white body with its three rows.
void box_rows(int32_t X0, const RowFont& f) {
  const TPOINT BS = G_PTBOXSIZE, BD = G_PTBOXDISTANCE;
  CBAR(X0, BD.Y, X0 + BS.X, BD.Y + BS.Y, col(WHITE));
  for (int32_t t = 0; t < 3; ++t)
    rectangle(X0, BD.Y + t * (f.HEIGHT + 5), X0 + BS.X, BD.Y + (t + 1) * (f.HEIGHT + 5));
}

// The player's name in the top row, the hits and the shots below, both numbers
// starting at the width of the hits label.
void box_texts(int32_t X0, const RowFont& f, const PLAYREC& p) {
  const TPOINT BS = G_PTBOXSIZE, BD = G_PTBOXDISTANCE;
  const std::string name = p.NAME.str();
  SETCOLOR(YELLOW);
  text(X0 + (BS.X - TEXTWIDTH(name)) / 2, BD.Y + 4, name);
  SETCOLOR(GREEN);
  text(X0 + 5, BD.Y + (f.HEIGHT + 5) + 4, msg(1));
  text(X0 + 5, BD.Y + 2 * (f.HEIGHT + 5) + 4, msg(2));
  SETCOLOR(DARKGRAY);
  text(X0 + 5 + f.WIDTH, BD.Y + (f.HEIGHT + 5) + 4, TOSTR(p.SCORE));
  text(X0 + 5 + f.WIDTH, BD.Y + 2 * (f.HEIGHT + 5) + 4, TOSTR(p.HISCORE));
}

const PLAYREC& box_player(int32_t NUM) { return PLAYER[NUM == 0 ? 0 : 1]; }

// ---- The target pictures ---------------------------------------------------

// How much larger the targets are than at 640 x 480, where a target picture
// is 79 x 129 pixels: the head and the crosshair grow with them. The smaller
// of the two ratios, so that round shapes stay round.
double figure_scale() { return std::min(G_RCMISHEN.RIGHT / 79.0, G_RCMISHEN.BOTTOM / 129.0); }
int32_t figure(int32_t pixels) { return RND(pixels * figure_scale()); }

// The proportions of a target inside its picture.
struct Target {
  int32_t R, B;  // picture width and height (right and bottom coordinates)
  int32_t MIRROWX, PODOSHVAW, PODOSHVAH, STOIKAH, STOIKAW;
  int32_t UGOLH, UGOLW, GOLOVAH, GOLOVAR, TOLSCHINA;
};

// The foot plate and the stand, the stand scaled in height.
void PODOSHVAISTOIKA(const Target& t, double YSCALE) {
  const int32_t S = RND(t.STOIKAH * YSCALE);
  SETCOLOR(DARKGRAY);
  for (int32_t i = 0; i < t.PODOSHVAH; ++i)
    line(t.MIRROWX - t.PODOSHVAW / 2, t.B - i, t.MIRROWX + t.PODOSHVAW / 2, t.B - i);
  for (int32_t i = 0; i < t.STOIKAW / 2; ++i) {
    line(t.MIRROWX - i, t.B, t.MIRROWX - i, t.B - S);
    line(t.MIRROWX + i, t.B, t.MIRROWX + i, t.B - S);
  }
}

// The board as a solid bust silhouette in the current colour. A scale below
// one draws it squashed and dropped: the target falling backwards.
void OUTMISHENJ(const Target& t, double YSCALE) {
  const int32_t S = RND(t.STOIKAH * YSCALE), UH = RND(t.UGOLH * YSCALE),
                GH = RND(t.GOLOVAH * YSCALE);
  const int32_t UW = t.UGOLW, GR = t.GOLOVAR, M = t.MIRROWX, R = t.R;
  const int32_t P = YSCALE == 1.0 ? 0 : RND(t.B * YSCALE / 1.5);  // POTOLOKH
  const int32_t BOT = t.B - S, CUT = BOT - UH;
  // Bottom edge with the cut-away corners.
  line(UW, BOT, R - UW, BOT);
  line(UW, BOT, UW, CUT);
  line(R - UW, BOT, R - UW, CUT);
  line(0, CUT, UW, CUT);
  line(R, CUT, R - UW, CUT);
  // Head.
  arc(M, GR + P, 0, 180, GR);
  line(M + GR, GR - 1 + P, M + GR, GR + GH + P);
  line(M - GR, GR - 1 + P, M - GR, GR + GH + P);
  // Shoulders.
  line(GR, GR + GH + P, M - GR, GR + GH + P);
  line(R - GR, GR + GH + P, M + GR, GR + GH + P);
  arc(GR, 2 * GR + GH + P, 90, 180, GR);
  arc(R - GR, 2 * GR + GH + P, 0, 90, GR);
  // Body sides.
  line(0, 2 * GR + GH - 1 + P, 0, CUT);
  line(R, 2 * GR + GH - 1 + P, R, CUT);
  PAINT(M, GR + P, col(DARKGRAY), col(DARKGRAY));
}

// The board seen edge-on: a narrow dark strip with a rounded top, divided at
// shoulder height and at the height of the cut corners.
void OUTREBRO(const Target& t) {
  const int32_t T = t.TOLSCHINA / 2, M = t.MIRROWX, S = t.STOIKAH, B = t.B;
  SETCOLOR(LIGHTGRAY);
  line(M - T, B - S, M + T, B - S);
  line(M - T, B - S - t.UGOLH, M + T, B - S - t.UGOLH);
  line(M - T, t.GOLOVAR + t.GOLOVAH, M + T, t.GOLOVAR + t.GOLOVAH);
  line(M - T, T, M - T, B - S);
  line(M + T, T, M + T, B - S);
  arc(M, T, 0, 180, T);
  PAINT(M, t.GOLOVAR, col(DARKGRAY), col(LIGHTGRAY));
  PAINT(M, t.GOLOVAR + t.GOLOVAH + 1, col(DARKGRAY), col(LIGHTGRAY));
  PAINT(M, B - S - 1, col(DARKGRAY), col(LIGHTGRAY));
}

// ---- The cannon --------------------------------------------------------------

constexpr int32_t ITHICK = 30;  // barrel width at the root
constexpr int32_t ITHICKHALF = ITHICK / 2;

struct Aim {
  double ANGLE;   // radians
  double LENGTH;  // share of the full barrel length
  int32_t LEFTDELTA, RIGHTDELTA;
};
// Aimed at targets 0 to 4: 155, 125, 90, 55 and 25 degrees. The outer two lean
// so far that their root reaches 12 pixels further out on the leaning side.
constexpr Aim kAims[5] = {{2.705260340591211, 0.9, 0, 12},
                          {2.181661564992912, 0.6, 0, 0},
                          {1.5707963267948966, 0.55, 0, 0},
                          {0.9599310885968813, 0.6, 0, 0},
                          {0.4363323129985824, 0.9, 12, 0}};

// On a leaning barrel the muzzle's half circle bulges past the barrel side,
// which cuts a thin crescent out of it and leaves a notch where the other side
// meets the arc's end; the flood fill cannot reach either. Every row of the
// half disc is therefore closed from its leftmost to its rightmost black pixel.
void solid_muzzle(int32_t cx, int32_t cy, int32_t r) {
  for (int32_t y = cy - r; y <= cy; ++y) {
    int32_t x0 = cx + r + 1, x1 = cx - r - 1;
    for (int32_t x = cx - r; x <= cx + r; ++x)
      if (GETPIXEL(c16(x), c16(y)) == BLACK) {
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
      }
    if (x0 < x1) line(x0, y, x1, y);
  }
}

}  // namespace

// ---- Target positions ---------------------------------------------------------

void SETMISHENDISTANCE() {
  G_PTMISHENDISTANCE = TPOINT{(G_PTFRONTWALLSIZE.X - 5 * G_RCMISHEN.RIGHT) / 6,
                              ((G_PTFRONTWALLSIZE.Y - G_RCMISHEN.BOTTOM) / 3) * 2};
}

void PASTEMISHENS(int32_t picture) {
  for (int32_t k = 0; k < 5; ++k) {
    const TPOINT p = MISHENPOS(k);
    PUTIMAGE(c16(p.X), c16(p.Y), MISH[size_t(picture)], COPYPUT);
  }
}

TPOINT MISHENPOS(int32_t k) {
  return TPOINT{G_PTSKYMAXPOINT.X + G_PTMISHENDISTANCE.X +
                    k * (G_RCMISHEN.RIGHT + G_PTMISHENDISTANCE.X),
                G_PTSKYMAXPOINT.Y + G_PTTIMEBARSIZE.Y + G_PTMISHENDISTANCE.Y};
}

TRECT MISHENRECT(int32_t k) {
  const TPOINT p = MISHENPOS(k);
  return TRECT{p.X, p.Y, p.X + G_RCMISHEN.RIGHT, p.Y + G_RCMISHEN.BOTTOM};
}

TPOINT PRICELPOS(int32_t k) {
  const TPOINT p = MISHENPOS(k);
  return TPOINT{p.X + G_RCMISHEN.RIGHT / 2, p.Y + G_PTPRICELDISTANCE.Y};
}

// ---- The room -----------------------------------------------------------------

void PICTURE() {
  const int32_t W = G_RCSCREEN.RIGHT, MID = W / 2;
  const TPOINT SMIN = G_PTSKYMINPOINT, SMAX = G_PTSKYMAXPOINT, WALL = G_PTWALLSIZE,
               FLOOR = G_PTFLOORSIZE, TBAR = G_PTTIMEBARSIZE, FW = G_PTFRONTWALLSIZE,
               FWL = G_PTFRONTWALLLEFTPOINT;
  const uint16_t border = col(LIGHTGRAY);
  SETCOLOR(LIGHTGRAY);
  // The floor colour is entry BROWN with the default brown, whatever the
  // level dialog left in that entry.
  SETPALETTE(col(BROWN), 6);
  // Side columns, time bar, all white.
  rectangle(0, SMIN.Y, WALL.X, SMIN.Y + WALL.Y);
  rectangle(W - WALL.X, SMIN.Y, W, SMIN.Y + WALL.Y);
  rectangle(FWL.X, FWL.Y, W - FWL.X, FWL.Y + TBAR.Y);
  PAINT(4, SMIN.Y + 5, col(WHITE), border);
  PAINT(W - 4, SMIN.Y + 5, col(WHITE), border);
  PAINT(MID, SMAX.Y + 2, col(WHITE), border);
  // Front wall and floor.
  rectangle(FWL.X, FWL.Y + TBAR.Y, W - FWL.X, FWL.Y + TBAR.Y + FW.Y);
  rectangle(0, SMIN.Y + WALL.Y, W, SMIN.Y + WALL.Y + FLOOR.Y);
  PAINT(1, 1, col(BLUE), border);
  PAINT(1, SMIN.Y + WALL.Y + 1, col(BROWN), border);
  // Perspective edges: the side walls and the gallery floor.
  line(SMIN.X, SMIN.Y + 1, SMAX.X, SMAX.Y);
  line(W - SMIN.X, SMIN.Y + 1, W - SMAX.X, SMAX.Y);
  line(SMIN.X, SMIN.Y + WALL.Y, SMAX.X, SMAX.Y + FW.Y + TBAR.Y);
  line(W - SMIN.X, SMIN.Y + WALL.Y, W - SMAX.X, SMAX.Y + FW.Y + TBAR.Y);
  const int32_t DX = (SMAX.X - SMIN.X) / 4, DY = (SMAX.Y - SMIN.Y) / 4;
  PAINT(MID, SMIN.Y + WALL.Y - 1, col(BLACK), border);
  // Three receding frames.
  for (int32_t i = 1; i <= 3; ++i) {
    line(SMIN.X + i * DX, SMIN.Y + i * DY, SMIN.X + i * DX, SMIN.Y + WALL.Y - i * DY);
    line(SMIN.X + i * DX, SMIN.Y + WALL.Y - i * DY, W - SMIN.X - i * DX,
         SMIN.Y + WALL.Y - i * DY);
    line(W - SMIN.X - i * DX, SMIN.Y + i * DY, W - SMIN.X - i * DX, SMIN.Y + WALL.Y - i * DY);
  }
  PAINT(1, 1, col(LIGHTBLUE), border);
  PAINT(MID, SMAX.Y + TBAR.Y + 1, col(CYAN), border);
}

// ---- The score boxes ------------------------------------------------------------

void BOX(int32_t NUM) {
  const int32_t W = G_RCSCREEN.RIGHT, H = G_RCSCREEN.BOTTOM;
  const RowFont f = box_font();
  G_PTBOXSIZE = TPOINT{TEXTWIDTH(msg(1) + kShaSha) + 20, (f.HEIGHT + 5) * 3};
  G_PTBOXDISTANCE =
      TPOINT{35, ((G_PTFLOORSIZE.Y - G_PTBOXSIZE.Y) / 7) * 6 + (H - G_PTFLOORSIZE.Y)};
  G_PTBOXTHICKSIZE = TPOINT{15, 15};
  const TPOINT BS = G_PTBOXSIZE, BD = G_PTBOXDISTANCE, BT = G_PTBOXTHICKSIZE;
  SETCOLOR(LIGHTGRAY);
  const int32_t XNUM = NUM == 0 ? 0 : W - BS.X - 2 * BD.X;
  const int32_t X0 = BD.X + XNUM;
  box_rows(X0, f);
  // The 3-D top and side, toward the middle of the screen.
  const uint16_t border = col(LIGHTGRAY);
  if (NUM == 0) {
    line(X0, BD.Y, X0 + BT.X, BD.Y - BT.Y);
    line(X0 + BS.X, BD.Y, X0 + BS.X + BT.X, BD.Y - BT.Y);
    line(X0 + BT.X, BD.Y - BT.Y, X0 + BS.X + BT.X, BD.Y - BT.Y);
    line(X0 + BS.X, BD.Y + BS.Y, X0 + BS.X + BT.X, BD.Y + BS.Y - BT.Y);
    line(X0 + BS.X + BT.X, BD.Y - BT.Y, X0 + BS.X + BT.X, BD.Y + BS.Y - BT.Y);
    PAINT(X0 + 10, BD.Y - 2, col(BLACK), border);
    PAINT(X0 + BS.X + 2, BD.Y, col(BLUE), border);
  } else {
    line(X0, BD.Y, X0 - BT.X, BD.Y - BT.Y);
    line(X0 + BS.X, BD.Y, X0 + BS.X - BT.X, BD.Y - BT.Y);
    line(X0 - BT.X, BD.Y - BT.Y, X0 + BS.X - BT.X, BD.Y - BT.Y);
    line(X0, BD.Y + BS.Y, X0 - BT.X, BD.Y + BS.Y - BT.Y);
    line(X0 - BT.X, BD.Y - BT.Y, X0 - BT.X, BD.Y + BS.Y - BT.Y);
    PAINT(X0 + 10, BD.Y - 2, col(BLACK), border);
    PAINT(X0 - 2, BD.Y, col(BLUE), border);
  }
  PAINT(X0 + 10, BD.Y + 2, col(LIGHTBLUE), border);
  box_texts(X0, f, box_player(NUM));
  // The cannon area and the centre box below it go back to floor.
  CBAR(G_RCPUSHKA.LEFT, G_RCPUSHKA.TOP, G_RCPUSHKA.RIGHT,
       G_RCPUSHKA.BOTTOM + BS.Y + BT.Y + 2, col(BROWN));
}

void CENTRALBOX(int32_t NUM) {
  const int32_t W = G_RCSCREEN.RIGHT, H = G_RCSCREEN.BOTTOM, MID = W / 2;
  const TPOINT BS = G_PTBOXSIZE, BD = G_PTBOXDISTANCE, BT = G_PTBOXTHICKSIZE;
  // The other player's side box goes: half of the floor back to floor colour.
  // The rows stay inside the floor's outline, which some window sizes (a
  // full screen of 1920 x 1080) would otherwise cut at its bottom edge.
  const int32_t floor_top = G_PTSKYMINPOINT.Y + G_PTWALLSIZE.Y;
  const int32_t y0 = std::max(H - G_PTFLOORSIZE.Y - 1, floor_top + 1);
  const int32_t y1 = std::min(H - 5, floor_top + G_PTFLOORSIZE.Y - 1);
  if (NUM == 0)
    CBAR(1, y0, MID + BS.X, y1, col(BROWN));
  else
    CBAR(MID - BS.X, y0, W - 1, y1, col(BROWN));
  const int32_t X0 = (W - BS.X) / 2;
  SETCOLOR(LIGHTGRAY);
  const RowFont f = box_font();
  box_rows(X0, f);
  // A symmetric 3-D top, no side face.
  line(X0, BD.Y, X0 + BT.X, BD.Y - BT.Y);
  line(X0 + BS.X, BD.Y, X0 + BS.X - BT.X, BD.Y - BT.Y);
  line(X0 + BT.X, BD.Y - BT.Y, X0 + BS.X - BT.X, BD.Y - BT.Y);
  PAINT(X0 + 20, BD.Y - 2, col(BLACK), col(LIGHTGRAY));
  PAINT(X0 + 20, BD.Y + 2, col(LIGHTBLUE), col(LIGHTGRAY));
  box_texts(X0, f, box_player(NUM));
}

// ---- The target pictures ----------------------------------------------------------

void OUTMISHENS() {
  const int32_t R = G_RCMISHEN.RIGHT, B = G_RCMISHEN.BOTTOM;
  CBAR(0, 0, G_RCSCREEN.RIGHT, G_RCSCREEN.BOTTOM, col(CYAN));
  const Target t{R, B, R / 2, R / 3, 2, B / 5, 4, 8, 6, figure(10), figure(15), 12};
  // The crosshair rests on the chest, just below the head.
  G_PTPRICELDISTANCE.Y = t.GOLOVAR + t.GOLOVAH + figure(8);
  G_ISTOIKADISTANCEY = t.STOIKAH + t.PODOSHVAH;
  // Upright, in the viewport as it stands (the whole screen at start-up).
  PODOSHVAISTOIKA(t, 1.0);
  OUTMISHENJ(t, 1.0);
  // Edge-on and falling, each clipped to its own picture.
  SETVIEWPORT(c16(R + 2), 0, c16(2 * R + 2), c16(B), true);
  PODOSHVAISTOIKA(t, 1.0);
  OUTREBRO(t);
  SETVIEWPORT(c16(2 * (R + 2)), 0, c16(2 * (R + 2) + R), c16(B), true);
  PODOSHVAISTOIKA(t, 0.5);
  OUTMISHENJ(t, 0.5);
  SETVIEWPORT(c16(G_RCSCREEN.LEFT), c16(G_RCSCREEN.TOP), c16(G_RCSCREEN.RIGHT),
              c16(G_RCSCREEN.BOTTOM), true);
}

// ---- The cannon -------------------------------------------------------------------

void GETPUSHKS() {
  const int32_t W = G_RCSCREEN.RIGHT, H = G_RCSCREEN.BOTTOM;
  const double L0 = RND(W * 50.0 / 1023.0);
  const int32_t left = (W - G_PTBOXSIZE.X) / 2;
  G_RCPUSHKA = TRECT{left, H - G_PTFLOORSIZE.Y, left + G_PTBOXSIZE.X,
                     G_PTBOXDISTANCE.Y - G_PTBOXTHICKSIZE.Y - 1};
  const TRECT r = G_RCPUSHKA;
  for (auto& p : PUSHKA)
    p.assign(size_t(IMAGESIZE(c16(r.LEFT), c16(r.TOP), c16(r.RIGHT), c16(r.BOTTOM))), 0);
  for (int k = 0; k < 5; ++k) {
    const Aim& a = kAims[k];
    DRAWPUSHKA(a.ANGLE, RND(L0 * a.LENGTH), a.LEFTDELTA, a.RIGHTDELTA);
    GETIMAGE(c16(r.LEFT), c16(r.TOP), c16(r.RIGHT), c16(r.BOTTOM), PUSHKA[k]);
    CBAR(r.LEFT, r.TOP, r.RIGHT, r.BOTTOM, col(BROWN));
  }
}

void DRAWPUSHKA(double ANGLE, int32_t L, int32_t LEFTDELTA, int32_t RIGHTDELTA) {
  const int32_t X = G_RCSCREEN.RIGHT / 2;                      // XROOT
  const int32_t Y = G_PTBOXDISTANCE.Y - G_PTBOXTHICKSIZE.Y - 1;  // YROOT
  const int32_t HF = ITHICKHALF, LD = LEFTDELTA, RD = RIGHTDELTA;
  const int32_t DX = RND(L * std::cos(ANGLE)), DY = RND(L * std::sin(ANGLE));
  SETCOLOR(BLACK);
  line(X + HF + LD, Y, X + HF + DX - RD, Y - DY - RD);  // right side of the barrel
  line(X - HF - RD, Y, X - HF + DX + LD, Y - DY - LD);  // left side
  line(X - HF - RD, Y, X + HF + LD, Y);                 // root
  arc(X + DX, Y - DY + 2, 0, 180, HF);                  // rounded muzzle
  PAINT(X + DX, Y - DY, col(BLACK), col(BLACK));
  solid_muzzle(X + DX, Y - DY + 2, HF);
  // A small white sight mark on the muzzle.
  SETCOLOR(WHITE);
  line(X + DX, Y - DY - HF + 4, X + DX - 2, Y - DY - HF + 8);
  line(X + DX, Y - DY - HF + 4, X + DX + 2, Y - DY - HF + 8);
}

// ---- The crosshair and the front wall -------------------------------------------------

int32_t PRICELSIZE() { return figure(12); }

int32_t PRICELRADIUS() { return figure(8); }

void DRAWPRICEL(int32_t X, int32_t Y) {
  const int32_t in = figure(4), out = PRICELSIZE();
  SETCOLOR(PRICELCOL);
  CIRCLE(c16(X), c16(Y), uint16_t(PRICELRADIUS()));
  line(X, Y - in, X, Y - out);
  line(X, Y + in, X, Y + out);
  line(X - in, Y, X - out, Y);
  line(X + in, Y, X + out, Y);
}

void CLEARFRONTWALLAREA() {
  const int32_t W = G_RCSCREEN.RIGHT;
  const TPOINT FWL = G_PTFRONTWALLLEFTPOINT, SMAX = G_PTSKYMAXPOINT, TBAR = G_PTTIMEBARSIZE,
               FW = G_PTFRONTWALLSIZE;
  CBAR(FWL.X + 1, FWL.Y + 1, W - FWL.X - 1, FWL.Y + TBAR.Y - 1, col(WHITE));
  CBAR(SMAX.X + 5, SMAX.Y + TBAR.Y + 5, W - SMAX.X - 5, SMAX.Y + TBAR.Y + FW.Y - 10, col(CYAN));
}

}  // namespace qora
