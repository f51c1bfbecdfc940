// The periodic table in its short eight-column form, each symbol in the
// colour of its element group, the groups of a level lit through the palette;
// and the captions (name and symbol) written on the gallery's targets.
#pragma once

#include <cstdint>
#include <string>

namespace qora {

// Clears the active page and draws the grid and all 105 symbols in the
// current font.
void TABLIZA();
// Writes S at (X, Y) in the colour of element N's group (a later group wins).
void OUTSYMBOL(uint8_t N, int32_t X, int32_t Y, const std::string& S);
// Lights groups 1 to NUM + 1 (NUM 0 to 2); any other NUM changes nothing.
void GRUP(int32_t NUM);
// Writes the name and the symbol of MISHEN[MISHNO] on target MISHNO.
void OUTNAME(int32_t MISHNO);

}  // namespace qora
