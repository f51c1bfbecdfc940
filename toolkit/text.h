// Text placement on the active page in the current font and colour: the
// shadowed text of the special colour, centring between two x positions or
// inside a box, and the three layered title looks.
#pragma once

#include <cstdint>
#include <string>

namespace qora {

void NOUTTEXTXY(int32_t x, int32_t y, const std::string& str);
int32_t CORECTX(int32_t x1, int32_t x2, const std::string& s);
void OUTTEXTXYX1(int32_t x, int32_t y, int32_t x1, const std::string& str);
void NOUTTEXTXYX1(int32_t x, int32_t y, int32_t x1, const std::string& str);
void OUTTEXTXYX1Y1(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s);
void OUTTEXTXYY1(int32_t x, int32_t y, int32_t y1, const std::string& str);
void LETERS(int32_t x, int32_t y, const std::string& txt);
void LETERS2(int32_t x, int32_t y, const std::string& txt);
void LETERS3(int32_t x, int32_t y, const std::string& txt);

}  // namespace qora
