// The program-wide uniform pseudo-random generator.
#pragma once

#include <cstdint>

namespace qora {

// Reseeds the generator from the millisecond tick count of the clock.
void RANDOMIZE();
// A uniform integer 0..n-1 (0 when n <= 0).
int32_t RANDOM(int32_t n);

}  // namespace qora
