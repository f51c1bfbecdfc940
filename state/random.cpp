#include "state/random.h"

#include <random>

#include "platform/clock.h"

namespace qora {

namespace {
std::mt19937& generator() {
  static std::mt19937 g(12345u);
  return g;
}
}  // namespace

void RANDOMIZE() { generator().seed(platform::ticks()); }

int32_t RANDOM(int32_t n) {
  if (n <= 0) return 0;
  std::uniform_int_distribution<int32_t> d(0, n - 1);
  return d(generator());
}

}  // namespace qora
