// Turning numbers, dates and element sets into what the screens show.
#pragma once

#include <cstdint>
#include <string>

#include "app/types.h"
#include "platform/clock.h"

namespace qora {

// Decimal digits of nom, no sign and no leading zeros ("0" for 0).
std::string TOSTR(uint16_t nom);
// Today's local date as dd.mm.yyyy (day and month with two digits, the year as it is).
std::string GETSRGDATE();
// A date as GETSRGDATE writes it.
std::string date_text(const platform::LocalTime& t);
// The last two decimal digits of v, with a leading zero (5 -> "05", 2026 -> "26").
std::string two_digits(int v);
// How many of the numbers 0..255 are members of s, held in 8 bits: the full
// set of 256 gives 0.
uint8_t SETCOUNT(const ELSET& s);

// The Russian noun form that agrees with the count n: one for 1, 21, 101...
// (1 ученик), few for 2-4, 22-24... (2 ученика), many for 0, 5-20, 25-30,
// 111-114... (5 учеников). The forms are given by the caller.
const std::string& PLURAL(long long n, const std::string& one, const std::string& few,
                          const std::string& many);
// The count and the agreeing form, with a space between: "21 ученик".
std::string COUNTED(long long n, const std::string& one, const std::string& few,
                    const std::string& many);

}  // namespace qora
