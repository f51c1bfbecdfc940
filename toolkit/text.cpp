#include "toolkit/text.h"

#include "graph/graph.h"
#include "state/geometry.h"

namespace qora {

namespace {

// Texts reach the surface cut to 255 characters, coordinates as 16 bits.
std::string cut(const std::string& s) { return s.size() > 255 ? s.substr(0, 255) : s; }
int16_t c16(int32_t v) { return static_cast<int16_t>(v); }
const std::string kRefGlyph = "\xDB";  // the letter that stands for a line's height

void draw(int32_t x, int32_t y, const std::string& s) { OUTTEXTXY(c16(x), c16(y), cut(s)); }

}  // namespace

void NOUTTEXTXY(int32_t x, int32_t y, const std::string& str) {
  const uint32_t c = GETCOLOR();
  if (c != BLACK && c == ALPHACOL) {
    SETCOLOR(G_IFONTDARKCOLOR);
    draw(x + 1, y + 1, str);
  }
  SETCOLOR(c);
  draw(x, y, str);
}

int32_t CORECTX(int32_t x1, int32_t x2, const std::string& s) {
  const int32_t w = TEXTWIDTH(cut(s));
  return x1 + (x2 - x1 - w) / 2;
}

void OUTTEXTXYX1(int32_t x, int32_t y, int32_t x1, const std::string& str) {
  NOUTTEXTXY(CORECTX(x, x1, str), y, str);
}

void NOUTTEXTXYX1(int32_t x, int32_t y, int32_t x1, const std::string& str) {
  OUTTEXTXYX1(x, y, x1, str);
}

void OUTTEXTXYX1Y1(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s) {
  const int32_t h = TEXTHEIGHT(kRefGlyph);
  OUTTEXTXYX1(x, y + (y1 - y - h) / 2, x1, s);
}

void OUTTEXTXYY1(int32_t x, int32_t y, int32_t y1, const std::string& str) {
  const int32_t h = TEXTHEIGHT(kRefGlyph);
  NOUTTEXTXY(x, y + (y1 - y - h) / 2 + 1, str);
}

void LETERS(int32_t x, int32_t y, const std::string& txt) {
  SETCOLOR(BLACK);
  draw(x, y, txt);
  SETCOLOR(RED);
  draw(x + 1, y + 1, txt);
  SETCOLOR(LIGHTMAGENTA);
  draw(x + 2, y + 2, txt);
}

void LETERS2(int32_t x, int32_t y, const std::string& txt) {
  SETCOLOR(BROWN);
  draw(x, y, txt);
  SETCOLOR(YELLOW);
  draw(x - 1, y - 1, txt);
}

void LETERS3(int32_t x, int32_t y, const std::string& txt) {
  SETCOLOR(LIGHTBLUE);
  draw(x, y, txt);
  SETCOLOR(BLUE);
  draw(x - 1, y - 1, txt);
}

}  // namespace qora
