// Shared value types of the game: pixel rectangles and points, 256-bit sets,
// length-prefixed short strings and the packed records that are written to
// disk byte for byte (element, score-table entry, results-base entry).
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace qora {

static_assert(std::endian::native == std::endian::little,
              "records are stored little-endian exactly as they lie in memory");

struct TRECT {
  int32_t LEFT = 0, TOP = 0, RIGHT = 0, BOTTOM = 0;
  friend bool operator==(const TRECT&, const TRECT&) = default;
};

struct TPOINT {
  int32_t X = 0, Y = 0;
  friend bool operator==(const TPOINT&, const TPOINT&) = default;
};

// Every mouse hit test uses this rule: left and top edges inside, right and
// bottom edges outside.
inline bool PTINRECT(const TRECT& r, const TPOINT& p) {
  return r.LEFT <= p.X && p.X < r.RIGHT && r.TOP <= p.Y && p.Y < r.BOTTOM;
}

// A set of the numbers 0..255 in 32 bytes: number e is bit (e mod 8), least
// significant first, of byte (e div 8). Element sets hold element indices.
struct BYTESET {
  uint8_t BITS[32] = {};

  bool has(int e) const {
    return e >= 0 && e < 256 && (BITS[e >> 3] >> (e & 7)) & 1;
  }
  void include(int e) {
    if (e >= 0 && e < 256) BITS[e >> 3] |= uint8_t(1u << (e & 7));
  }
  void exclude(int e) {
    if (e >= 0 && e < 256) BITS[e >> 3] &= uint8_t(~(1u << (e & 7)));
  }
  void clear() { std::memset(BITS, 0, sizeof BITS); }
  bool empty() const {
    return std::all_of(std::begin(BITS), std::end(BITS), [](uint8_t b) { return b == 0; });
  }
  friend bool operator==(const BYTESET&, const BYTESET&) = default;
};
using ELSET = BYTESET;
static_assert(sizeof(BYTESET) == 32);

#pragma pack(push, 1)

// A string of at most N Windows-1251 characters stored as a length byte and
// N character bytes. Only the first LEN characters are significant: the bytes
// after them keep whatever the record held before and never take part in a
// comparison.
template <int N>
struct SHORTSTR {
  static_assert(N > 0 && N < 256);
  uint8_t LEN = 0;
  char CH[N] = {};

  static constexpr int CAPACITY = N;

  std::string str() const { return std::string(CH, std::min<int>(LEN, N)); }
  std::string_view view() const { return std::string_view(CH, std::min<int>(LEN, N)); }
  // Stores s cut to the capacity; the bytes past the new length are left as they were.
  void assign(std::string_view s) {
    const size_t n = std::min<size_t>(s.size(), N);
    std::memcpy(CH, s.data(), n);
    LEN = uint8_t(n);
  }
  SHORTSTR& operator=(std::string_view s) {
    assign(s);
    return *this;
  }
  bool empty() const { return LEN == 0; }
  friend bool operator==(const SHORTSTR& a, const SHORTSTR& b) { return a.view() == b.view(); }
  friend bool operator==(const SHORTSTR& a, std::string_view b) { return a.view() == b; }
};

// One element of the element table.
struct DATABASE {
  SHORTSTR<2> SYMBOL;
  SHORTSTR<15> NAME;
  friend bool operator==(const DATABASE&, const DATABASE&) = default;
};

// A score-table record: one finished game.
struct PLAYREC {
  uint8_t TEACH = 0;
  SHORTSTR<41> NAME;
  uint16_t SCORE = 0;    // hits
  uint16_t HISCORE = 0;  // attempts
  uint16_t TIME = 0;     // seconds allowed per shot
  uint16_t LEVEL = 0;    // entries of the element selection
  uint16_t ALLTIME = 0;  // seconds used in all attempts
  friend bool operator==(const PLAYREC&, const PLAYREC&) = default;
};

// A results-base record: what one player knew and missed in one game.
struct RESULTREC {
  uint8_t TEACH = 0;
  SHORTSTR<29> NAME;
  ELSET KNOWEL;
  ELSET UNKNOWEL;
  friend bool operator==(const RESULTREC&, const RESULTREC&) = default;
};

#pragma pack(pop)

static_assert(sizeof(SHORTSTR<2>) == 3);
static_assert(sizeof(DATABASE) == 19);
static_assert(offsetof(DATABASE, SYMBOL) == 0);
static_assert(offsetof(DATABASE, NAME) == 3);

static_assert(sizeof(PLAYREC) == 53);
static_assert(offsetof(PLAYREC, TEACH) == 0);
static_assert(offsetof(PLAYREC, NAME) == 1);
static_assert(offsetof(PLAYREC, SCORE) == 43);
static_assert(offsetof(PLAYREC, HISCORE) == 45);
static_assert(offsetof(PLAYREC, TIME) == 47);
static_assert(offsetof(PLAYREC, LEVEL) == 49);
static_assert(offsetof(PLAYREC, ALLTIME) == 51);

static_assert(sizeof(RESULTREC) == 95);
static_assert(offsetof(RESULTREC, TEACH) == 0);
static_assert(offsetof(RESULTREC, NAME) == 1);
static_assert(offsetof(RESULTREC, KNOWEL) == 31);
static_assert(offsetof(RESULTREC, UNKNOWEL) == 63);

// An entry of the top five, in memory only.
struct FIRSTREC {
  std::string NAME;
  uint16_t BAKS = 0;  // the rating
};

// The rating of a score-table record (see ranking.cpp).
uint16_t PERCENT(const PLAYREC& d);

}  // namespace qora
