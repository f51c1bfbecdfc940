// The score tables as the screens read them: their names, the rating of an
// entry and the five best entries of a table.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "state/types.h"

namespace qora {

inline constexpr const char* ONEPLAYERFN = "1player.qora";
inline constexpr const char* TWOPLAYERSFN = "2players.qora";

// Fills FIRST5 with the five best distinct entries among NP and the records
// of the score table FN.
void GETFIRST5(const std::string& FN, const PLAYREC& NP);

namespace scorefiles {

// The whole records held in bytes; a torn last record is left out.
std::vector<PLAYREC> parse_scores(const std::string& bytes);

// The top-five ranking over NP and then the table in file order; ranks 1..5
// of the result are filled (index 0 unused), empty ranks have an empty NAME
// and rating 0.
std::array<FIRSTREC, 6> rank_first5(const std::vector<PLAYREC>& table, const PLAYREC& np);

}  // namespace scorefiles
}  // namespace qora
