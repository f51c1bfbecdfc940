// After a series: a player's results panel on the front wall of the gallery,
// and the table of the five best games of the score table. Both only draw,
// in the font that is current when they are called.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qora {

// The results panel of player NOM (0 or 1): hits and shots with a rating
// word, the game's rating, the share of the asked elements known, the share
// of the whole element table met, and whether the game made the top five.
void OUTRESULT(int32_t NOM);
// The five best of FIRST5 framed in the box (X, Y, X1, Y1), the game just
// played (PLAYER[2]) in light red; with BOUTGAMEMESSAGE the continue hint in
// the time bar strip above.
void RECORDSTABL(int32_t X, int32_t Y, int32_t X1, int32_t Y1, bool BOUTGAMEMESSAGE);

// What the results panel of player NOM says: five lines in light cyan, then
// either the two lines of a place in the top five (PLACE 1..5, light red) or
// the one line of a game outside it (PLACE 0, light gray, in TOP[0]).
struct RESULTTEXT {
  std::array<std::string, 5> LINES;
  std::array<std::string, 2> TOP;
  int32_t PLACE = 0;
};
RESULTTEXT RESULTLINES(int32_t NOM);

}  // namespace qora
