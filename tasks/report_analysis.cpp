// The class report's analysis: where each pupil stands with each element, and the class's totals.
#include <algorithm>
#include <string>
#include <unordered_map>

#include "state/globals.h"
#include "tasks/report.h"
#include "tasks/scorefiles.h"

namespace qora::report {

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int days_from_civil(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// A key that orders Windows-1251 names alphabetically without regard to
// case, with "ё" right after "е".
std::vector<int> collation_key(std::string_view name) {
  std::vector<int> key;
  key.reserve(name.size());
  for (char ch : name) {
    int c = static_cast<unsigned char>(ch);
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    if (c >= 0xC0 && c <= 0xDF) c += 0x20;  // А..Я -> а..я
    if (c == 0xA8 || c == 0xB8)              // Ё, ё
      key.push_back(0xE5 * 2 + 1);
    else
      key.push_back(c * 2);
  }
  return key;
}

}  // namespace

int parse_date(std::string_view text) {
  int part[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int k = 0;
  for (char c : text) {
    if (c == '.') {
      if (++k > 2) return -1;
    } else if (c >= '0' && c <= '9') {
      if (++digits[k] > 4) return -1;
      part[k] = part[k] * 10 + (c - '0');
    } else {
      return -1;
    }
  }
  if (k != 2 || digits[0] < 1 || digits[0] > 2 || digits[1] < 1 || digits[1] > 2 || digits[2] != 4)
    return -1;
  const int d = part[0], m = part[1], y = part[2];
  if (m < 1 || m > 12 || d < 1) return -1;
  const int dim = days_from_civil(m == 12 ? y + 1 : y, m == 12 ? 1 : m + 1, 1) - days_from_civil(y, m, 1);
  return d > dim ? -1 : days_from_civil(y, m, d);
}

const std::vector<Cell>& table_cells() {
  static const std::vector<Cell> cells = [] {
    std::vector<Cell> c;
    // Runs of cells in drawing order: row, first and last column. The
    // lanthanides (row 12) are drawn inside row 8, the actinides (row 13)
    // inside row 10.
    const int runs[][3] = {{1, 1, 1},   {1, 8, 8},  {2, 1, 8},   {3, 1, 8},  {4, 1, 10},
                           {5, 1, 8},   {6, 1, 10}, {7, 1, 8},   {8, 1, 2},  {12, 1, 15},
                           {8, 4, 10},  {9, 1, 8},  {10, 1, 2},  {13, 1, 15}, {10, 4, 5}};
    for (const auto& r : runs)
      for (int col = r[1]; col <= r[2]; ++col) c.push_back({r[0], col});
    return c;
  }();
  return cells;
}

std::vector<int> periodic_order(int elcount) {
  elcount = std::clamp(elcount, 0, 256);
  std::vector<int> order;
  for (uint8_t e : TABLEPOS)
    if (e < elcount) order.push_back(e);
  for (int e = int(TABLEPOS.size()); e < elcount; ++e) order.push_back(e);
  return order;
}

ClassView analyse(const std::vector<RESULTREC>& records, int elcount) {
  ClassView v;
  v.elcount = std::clamp(elcount, 0, 256);
  const auto n = size_t(v.elcount);
  std::unordered_map<std::string, size_t> slot;
  for (const RESULTREC& r : records) {
    std::string_view date, player;
    scorefiles::split_result_name(r.NAME.view(), date, player);
    auto [it, fresh] = slot.try_emplace(std::string(player), v.pupils.size());
    if (fresh) {
      v.pupils.emplace_back();
      v.pupils.back().name = player;
      v.pupils.back().standing.assign(n, Standing::never);
    }
    Pupil& p = v.pupils[it->second];
    Game g;
    g.day = parse_date(date);
    for (size_t e = 0; e < n; ++e) {
      // An element in both sets (only in a damaged record) counts as missed.
      const bool missed = r.UNKNOWEL.has(int(e)), known = !missed && r.KNOWEL.has(int(e));
      if (!missed && !known) continue;
      ++g.asked;
      Standing& s = p.standing[e];
      if (known) {
        ++g.known;
        s = Standing::known;
      } else {
        s = s == Standing::known || s == Standing::forgotten ? Standing::forgotten : Standing::missed;
      }
    }
    p.games.push_back(g);
    ++v.games;
    v.answers_known += g.known;
    v.answers_missed += g.asked - g.known;
    if (g.day < 0) {
      ++v.undated;
    } else {
      v.first_day = v.first_day < 0 ? g.day : std::min(v.first_day, g.day);
      v.last_day = std::max(v.last_day, g.day);
    }
  }

  std::vector<std::pair<std::vector<int>, size_t>> keys;
  for (size_t i = 0; i < v.pupils.size(); ++i) keys.emplace_back(collation_key(v.pupils[i].name), i);
  std::sort(keys.begin(), keys.end());
  std::vector<Pupil> sorted;
  sorted.reserve(keys.size());
  for (auto& k : keys) sorted.push_back(std::move(v.pupils[k.second]));
  v.pupils = std::move(sorted);

  v.class_known.assign(n, 0);
  v.class_asked.assign(n, 0);
  for (Pupil& p : v.pupils)
    for (size_t e = 0; e < n; ++e) {
      if (p.standing[e] == Standing::never) continue;
      ++p.asked;
      ++v.class_asked[e];
      if (p.standing[e] == Standing::known) ++p.known, ++v.class_known[e];
    }
  for (int e : periodic_order(v.elcount))
    if (v.class_asked[size_t(e)] > 0) v.asked.push_back(e);
  return v;
}

}  // namespace qora::report
