#include "platform/cp1251.h"

#include <array>

namespace qora {

namespace {

// Code points of the bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

void append_utf8(std::string& out, char32_t u) {
  if (u < 0x80) {
    out += char(u);
  } else if (u < 0x800) {
    out += char(0xC0 | (u >> 6));
    out += char(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    out += char(0xE0 | (u >> 12));
    out += char(0x80 | ((u >> 6) & 0x3F));
    out += char(0x80 | (u & 0x3F));
  } else {
    out += char(0xF0 | (u >> 18));
    out += char(0x80 | ((u >> 12) & 0x3F));
    out += char(0x80 | ((u >> 6) & 0x3F));
    out += char(0x80 | (u & 0x3F));
  }
}

}  // namespace

char32_t cp1251_to_unicode(unsigned char c) {
  if (c < 0x80) return c;
  if (c >= 0xC0) return char32_t(0x0410 + (c - 0xC0));
  return kHigh[c - 0x80];
}

int unicode_to_cp1251(char32_t u) {
  if (u < 0x80) return int(u);
  if (u >= 0x0410 && u <= 0x044F) return int(0xC0 + (u - 0x0410));
  for (int i = 0; i < 64; ++i)
    if (kHigh[size_t(i)] != 0 && kHigh[size_t(i)] == u) return 0x80 + i;
  return -1;
}

std::string cp1251_to_utf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (unsigned char c : s) {
    char32_t u = cp1251_to_unicode(c);
    if (u != 0 || c == 0) append_utf8(out, u);
  }
  return out;
}

std::string utf8_to_cp1251(std::string_view s) {
  std::string out;
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t u = 0;
    size_t len = 0;
    if (c < 0x80) { u = c; len = 1; }
    else if ((c & 0xE0) == 0xC0) { u = c & 0x1F; len = 2; }
    else if ((c & 0xF0) == 0xE0) { u = c & 0x0F; len = 3; }
    else if ((c & 0xF8) == 0xF0) { u = c & 0x07; len = 4; }
    else { ++i; continue; }  // a stray continuation byte
    if (i + len > s.size()) { ++i; continue; }  // cut short at the end
    bool ok = true;
    for (size_t k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) { ok = false; break; }
      u = (u << 6) | (cc & 0x3F);
    }
    if (!ok) { ++i; continue; }
    i += len;
    // An overlong form (such as C0 AF for "/") or a code point beyond Unicode
    // is malformed: dropped like any other bad sequence.
    static constexpr char32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (u < kLeast[len] || u > 0x10FFFF) continue;
    int b = unicode_to_cp1251(u);
    if (b >= 0) out += char(b);
  }
  return out;
}

std::string cp1251_to_printable_utf8(std::string_view s) {
  std::string t(s);
  for (char& c : t) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = '?';
  }
  return cp1251_to_utf8(t);
}

}  // namespace qora
