// Turning numbers, dates and element sets into what the screens show.
#pragma once

#include <cstdint>
#include <string>

#include "app/types.h"

namespace qora {

// Decimal digits of nom, no sign and no leading zeros ("0" for 0).
std::string TOSTR(uint16_t nom);
// Today's local date as dd.mm.yyyy (day and month with two digits, the year as it is).
std::string GETSRGDATE();
// How many of the numbers 0..255 are members of s, held in 8 bits: the full
// set of 256 gives 0.
uint8_t SETCOUNT(const ELSET& s);

}  // namespace qora
