// Windows-1251, the code page of every text inside the program, and its
// conversions to Unicode: used only at the edges (the font renderer, keyboard
// input, and programs that print for a terminal).
#pragma once

#include <string>
#include <string_view>

namespace qora {

// The Unicode code point of a Windows-1251 byte (0 for the one unassigned byte, 0x98).
char32_t cp1251_to_unicode(unsigned char c);
// The Windows-1251 byte of a code point, or -1 when the code page has none.
int unicode_to_cp1251(char32_t u);

std::string cp1251_to_utf8(std::string_view s);
// Characters the code page cannot hold are dropped; malformed UTF-8 bytes too.
std::string utf8_to_cp1251(std::string_view s);
// Stored text shown outside the game (a terminal, a workbook, a page): UTF-8,
// with control characters, which only a damaged file holds, as "?".
std::string cp1251_to_printable_utf8(std::string_view s);

}  // namespace qora
