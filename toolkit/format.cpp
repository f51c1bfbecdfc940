#include "toolkit/format.h"

#include "platform/clock.h"

namespace qora {

std::string TOSTR(uint16_t nom) { return std::to_string(unsigned(nom)); }

std::string two_digits(int v) {
  const int d = ((v % 100) + 100) % 100;
  return (d < 10 ? "0" : "") + std::to_string(d);
}

std::string date_text(const platform::LocalTime& t) {
  return two_digits(t.day) + "." + two_digits(t.month) + "." + TOSTR(uint16_t(t.year));
}

std::string GETSRGDATE() { return date_text(platform::local_now()); }

uint8_t SETCOUNT(const ELSET& s) {
  uint8_t count = 0;
  for (int e = 0; e < 256; ++e)
    if (s.has(e)) ++count;
  return count;
}

const std::string& PLURAL(long long n, const std::string& one, const std::string& few,
                          const std::string& many) {
  // The sign does not change the form.
  const unsigned long long a = n < 0 ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
  const unsigned long long last = a % 10, tens = a % 100;
  if (tens >= 11 && tens <= 14) return many;
  if (last == 1) return one;
  if (last >= 2 && last <= 4) return few;
  return many;
}

std::string COUNTED(long long n, const std::string& one, const std::string& few,
                    const std::string& many) {
  return std::to_string(n) + " " + PLURAL(n, one, few, many);
}

}  // namespace qora
