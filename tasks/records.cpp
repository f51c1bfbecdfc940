#include <cmath>

#include "app/types.h"

namespace qora {

uint16_t PERCENT(const PLAYREC& d) { (void)d; return 0; }

}  // namespace qora
