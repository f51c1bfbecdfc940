// Score-table and results-base records for tests, their bytes as stored, and
// the teachers' command qora-records run as a program.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/cp1251.h"
#include "state/types.h"
#include "support/test_support.h"

namespace qora::test {

// A game named in UTF-8; with SCORE = HISCORE = TIME = ALLTIME = 10 its rating equals LEVEL.
inline PLAYREC game(const std::string& name, uint16_t rating) {
  PLAYREC r{0, {}, 10, 10, 10, rating, 10};
  r.NAME = utf8_to_cp1251(name);
  return r;
}

// A player's record of one game, named in UTF-8: the elements known and missed.
inline RESULTREC res(const std::string& name, std::initializer_list<int> known,
                     std::initializer_list<int> unknown = {}) {
  RESULTREC r;
  r.NAME = utf8_to_cp1251(name);
  for (int e : known) r.KNOWEL.include(e);
  for (int e : unknown) r.UNKNOWEL.include(e);
  return r;
}

template <class R>
std::string bytes_of(const std::vector<R>& v) {
  return {reinterpret_cast<const char*>(v.data()), v.size() * sizeof(R)};
}
template <class R>
std::string bytes_of(const R& r) { return bytes_of(std::vector<R>{r}); }

// qora-records on the tests' day, the 5 December 2026 of the virtual clock.
inline Run records(const std::string& args) {
  return run("QORA_CLOCK=virtual '" + (binary_dir() / "qora-records").string() + "' " + args);
}

}  // namespace qora::test
