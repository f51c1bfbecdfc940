#include "screens/ptable.h"

#include "app/geometry.h"
#include "app/globals.h"
#include "graph/graph.h"
#include "screens/gallery.h"
#include "toolkit/text.h"

namespace qora {

namespace {

int16_t c16(int32_t v) { return static_cast<int16_t>(v); }

void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  LINE(c16(x1), c16(y1), c16(x2), c16(y2));
}

// An element of the table, or an empty one for a number the table lacks.
const DATABASE& element(size_t e) {
  static const DATABASE none{};
  return e < ELEMENT.size() ? ELEMENT[e] : none;
}

// The symbols of the table, cell after cell in drawing order: the routines
// share the cell counter and the current row. A cell is 4 character widths
// wide and a line plus 7 pixels high; row r has its text at r·(H + 7) and
// column c at 4·W·(c − 1) + 32.
struct Cells {
  int32_t W, H;
  int32_t T = -1;  // the last cell drawn
  int32_t y = 0;   // the text top of the current row

  int32_t row_y(int32_t r) const { return r * (H + 7); }
  int32_t column_x(int32_t c) const { return 4 * W * (c - 1) + 32; }
  void next_row() { y += H + 7; }

  void cell(int32_t x, int32_t at_y) {
    ++T;
    const uint8_t e = TABLEPOS[size_t(T)];
    OUTSYMBOL(e, x, at_y, element(e).SYMBOL.str());
  }
  // The next N cells in columns 1 to N of the current row.
  void OUTNSYMB(int32_t N) {
    for (int32_t c = 1; c <= N; ++c) cell(column_x(c), y);
  }
  // The next cells in columns 4 to N of the current row.
  void OUTN2SYMB(int32_t N) {
    for (int32_t c = 4; c <= N; ++c) cell(column_x(c), y);
  }
  // The lanthanides (row 12) and the actinides (row 13), whatever the current row.
  void OUTLAN1SYMB() {
    for (int32_t c = 1; c <= 15; ++c) cell(column_x(c), row_y(12));
  }
  void OUTLAN2SYMB() {
    for (int32_t c = 1; c <= 15; ++c) cell(column_x(c), row_y(13));
  }
};

// A name too wide for its target (the longest names of the table, in the
// larger sizes of the monospaced face) would run over the wall into the next
// caption: it is written in a smaller size of the same face, the largest that
// fits, but never below kMinCaptionPixels. Other names keep the current font.
constexpr uint16_t kMinCaptionPixels = 9;

class CaptionFont {
 public:
  CaptionFont(const std::string& name, int32_t width) {
    if (TEXTWIDTH(name) <= width) return;
    GETTEXTSETTINGS(saved_);
    changed_ = true;
    // Sizes up to 5 count in steps of 8 pixels, larger ones in pixels.
    const int pixels = saved_.CHARSIZE <= 5 ? saved_.CHARSIZE * 8 : saved_.CHARSIZE;
    for (int px = pixels - 1; px >= kMinCaptionPixels; --px) {
      SETTEXTSTYLE(saved_.FONT, saved_.DIRECTION, uint16_t(px));
      if (TEXTWIDTH(name) <= width) break;
    }
  }
  // Back to the font the caption started with.
  void restore() const {
    if (changed_) SETTEXTSTYLE(saved_.FONT, saved_.DIRECTION, saved_.CHARSIZE);
  }

 private:
  TEXTSETTINGSTYPE saved_{};
  bool changed_ = false;
};

}  // namespace

void TABLIZA() {
  const int32_t W = G_PTCONTROLCHARSIZE.X, H = G_PTCONTROLCHARSIZE.Y, R = H + 7;
  CLEARDEVICE();
  SETCOLOR(WHITE);
  // The main block: ten columns from row 3 to row 8, eight elsewhere.
  for (int32_t i = 1; i <= 11; ++i) {
    const int32_t n = (i >= 3 && i <= 9) ? 10 : 8;
    line(20, i * R - 4, 20 + 4 * W * n, i * R - 4);
  }
  for (int32_t i = 0; i <= 8; ++i) line(20 + 4 * W * i, R - 4, 20 + 4 * W * i, 11 * R - 4);
  for (int32_t i = 9; i <= 10; ++i) line(20 + 4 * W * i, 3 * R - 4, 20 + 4 * W * i, 9 * R - 4);
  // The two rows of fifteen below.
  for (int32_t i = 12; i <= 14; ++i) line(20, i * R - 4, 20 + 4 * W * 15, i * R - 4);
  for (int32_t i = 0; i <= 15; ++i) line(20 + 4 * W * i, 12 * R - 4, 20 + 4 * W * i, 14 * R - 4);

  Cells t{W, H};
  t.y = R;  // row 1: hydrogen near the left edge, helium in column 8
  t.cell(20 + W, t.y);
  t.cell(t.column_x(8), t.y);
  t.next_row();
  t.OUTNSYMB(8);  // row 2
  for (int pair = 0; pair < 2; ++pair) {  // rows 3 to 6
    t.next_row();
    t.OUTNSYMB(8);
    t.next_row();
    t.OUTNSYMB(10);
  }
  t.next_row();
  t.OUTNSYMB(8);  // row 7
  t.next_row();   // row 8, its third cell standing for the lanthanides of row 12
  t.OUTNSYMB(2);
  t.OUTLAN1SYMB();
  t.OUTN2SYMB(10);
  t.next_row();
  t.OUTNSYMB(8);  // row 9
  t.next_row();   // row 10, its third cell standing for the actinides of row 13
  t.OUTNSYMB(2);
  t.OUTLAN2SYMB();
  t.OUTN2SYMB(5);
}

void OUTSYMBOL(uint8_t N, int32_t X, int32_t Y, const std::string& S) {
  SETCOLOR(DARKGRAY);
  if (GRUPARR[1].has(N)) SETCOLOR(T1COL);
  if (GRUPARR[2].has(N)) SETCOLOR(T2COL);
  if (GRUPARR[3].has(N)) SETCOLOR(T3COL);
  OUTTEXTXY(c16(X), c16(Y), S);
}

void GRUP(int32_t NUM) {
  if (NUM < 0 || NUM > 2) return;
  const auto lit = uint16_t(G_IFONTACTIVEMENUCOLOR);
  SETPALETTE(uint16_t(T1COL), lit);
  SETPALETTE(uint16_t(T2COL), NUM >= 1 ? lit : uint16_t(T2COL2));
  SETPALETTE(uint16_t(T3COL), NUM >= 2 ? lit : uint16_t(T3COL2));
}

void OUTNAME(int32_t MISHNO) {
  if (MISHNO < 0 || MISHNO > 4) return;
  const DATABASE& m = MISHEN[size_t(MISHNO)];
  const std::string name = m.NAME.str();
  const int32_t HEIGHT = TEXTHEIGHT(name);
  const TPOINT p = MISHENPOS(MISHNO);
  const int32_t X = p.X, X1 = X + G_RCMISHEN.RIGHT;
  // Two lines in the board below the crosshair, a third of the way down the
  // space left above the stand.
  const int32_t top = G_PTPRICELDISTANCE.Y + PRICELRADIUS();
  const int32_t Y = p.Y + top + (G_RCMISHEN.BOTTOM - G_ISTOIKADISTANCEY - top - 2 * HEIGHT) / 3;
  const int32_t Y1 = Y + HEIGHT;
  SETCOLOR(LIGHTGREEN);
  const CaptionFont small(name, G_RCMISHEN.RIGHT - 2);
  const int32_t y = Y + (HEIGHT - TEXTHEIGHT(name)) / 2;
  if (m.NAME == element(92).NAME)  // protactinium
    NOUTTEXTXYX1(X, y, X1, name);
  else
    OUTTEXTXYX1(X, y, X1, name);
  small.restore();
  SETCOLOR(LIGHTCYAN);
  OUTTEXTXYX1(X, Y1, X1, m.SYMBOL.str());
}

}  // namespace qora
