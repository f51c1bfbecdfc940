#include "toolkit/format.h"

#include "platform/clock.h"

namespace qora {

std::string TOSTR(uint16_t nom) { return std::to_string(unsigned(nom)); }

std::string GETSRGDATE() {
  const platform::LocalTime t = platform::local_now();
  const auto two_digits = [](int v) {
    std::string s = TOSTR(uint16_t(v));
    return s.size() < 2 ? "0" + s : s;
  };
  return two_digits(t.day) + "." + two_digits(t.month) + "." + TOSTR(uint16_t(t.year));
}

uint8_t SETCOUNT(const ELSET& s) {
  uint8_t count = 0;
  for (int e = 0; e < 256; ++e)
    if (s.has(e)) ++count;
  return count;
}

}  // namespace qora
