// The rating of a score-table record and the ranking of the top five.
#include "state/ranking.h"

#include <cmath>
#include <cstring>
#include <type_traits>

#include "platform/safefile.h"
#include "state/globals.h"

namespace qora {

// The rating of a score-table record: SCORE^2 * LEVEL / (TIME * ALLTIME),
// computed in double precision in these steps so that every entry rounds the
// same way wherever it is shown or compared.
uint16_t PERCENT(const PLAYREC& d) {
  if (d.HISCORE == 0 || d.TIME == 0 || d.ALLTIME == 0) return 0;
  // The two products are taken as whole numbers first.
  double r = double(uint64_t(d.SCORE) * d.LEVEL) / double(uint64_t(d.HISCORE) * d.TIME);
  r = d.HISCORE * (r / d.ALLTIME);
  r = d.SCORE * r;
  // Nearest whole number, halves to the even neighbour (default rounding mode).
  const double rounded = std::nearbyint(r);
  // A rating beyond 16 bits stays at the top instead of wrapping round to a
  // small number, so the best games keep their place in the table.
  if (rounded >= 65535.0) return 65535;
  return uint16_t(rounded);
}

namespace scorefiles {

std::vector<PLAYREC> parse_scores(const std::string& bytes) {
  static_assert(std::is_trivially_copyable_v<PLAYREC>);
  std::vector<PLAYREC> out(bytes.size() / sizeof(PLAYREC));
  if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * sizeof(PLAYREC));
  return out;
}

std::array<FIRSTREC, 6> rank_first5(const std::vector<PLAYREC>& table, const PLAYREC& np) {
  std::array<FIRSTREC, 6> top{};
  struct Cand {
    std::string_view name;
    uint16_t rating;
  };
  std::vector<Cand> cands;
  cands.reserve(table.size() + 1);
  cands.push_back({np.NAME.view(), PERCENT(np)});
  for (const PLAYREC& r : table) cands.push_back({r.NAME.view(), PERCENT(r)});

  for (int t = 1; t <= 5; ++t) {
    uint16_t best = 0;
    bool stored = false;
    for (const Cand& c : cands) {
      if (c.rating <= best) continue;
      bool taken = false;
      for (int k = 1; k <= t && !taken; ++k)
        taken = top[size_t(k)].BAKS == c.rating && top[size_t(k)].NAME == c.name;
      if (taken) continue;
      best = c.rating;
      top[size_t(t)] = FIRSTREC{std::string(c.name), c.rating};
      stored = true;
    }
    // Nothing left to rank: later passes would find nothing either.
    if (!stored) break;
  }
  return top;
}

}  // namespace scorefiles

void GETFIRST5(const std::string& FN, const PLAYREC& NP) {
  // The table is read once and ranked in memory: every pass sees the same
  // records even if another game replaces the file meanwhile. A table that
  // is missing or cannot be read ranks NP alone.
  std::string bytes, err;
  std::vector<PLAYREC> table;
  if (platform::read_whole_file(FN, bytes, err) == platform::ReadStatus::ok)
    table = scorefiles::parse_scores(bytes);
  FIRST5 = scorefiles::rank_first5(table, NP);
}

}  // namespace qora
