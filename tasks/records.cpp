#include <cmath>
#include <cstdint>

#include "app/types.h"

namespace qora {

// The rating of a score-table record: SCORE^2 * LEVEL / (TIME * ALLTIME),
// computed in double precision in these steps so that every entry rounds the
// same way wherever it is shown or compared.
uint16_t PERCENT(const PLAYREC& d) {
  if (d.HISCORE == 0 || d.TIME == 0 || d.ALLTIME == 0) return 0;
  // The two products are taken as whole numbers first.
  double r = double(uint64_t(d.SCORE) * d.LEVEL) / double(uint64_t(d.HISCORE) * d.TIME);
  r = d.HISCORE * (r / d.ALLTIME);
  r = d.SCORE * r;
  // Nearest whole number, halves to the even neighbour (default rounding mode).
  const double rounded = std::nearbyint(r);
  // A rating beyond 16 bits stays at the top instead of wrapping round to a
  // small number, so the best games keep their place in the table.
  if (rounded >= 65535.0) return 65535;
  return uint16_t(rounded);
}

}  // namespace qora
