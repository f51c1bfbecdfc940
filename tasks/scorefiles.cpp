// The game's rules for its tables: the kinds of record, the names and the archives.
#include "tasks/scorefiles.h"

#include <cstdio>
#include <cstring>
#include <type_traits>

#include "state/globals.h"
#include "tasks/scorefiles_store.h"
#include "toolkit/format.h"

namespace qora {

namespace scorefiles {
namespace {

template <class R>
std::vector<R> parse(const std::string& bytes) {
  static_assert(std::is_trivially_copyable_v<R>);
  std::vector<R> out(bytes.size() / sizeof(R));
  if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * sizeof(R));
  return out;
}

template <class R>
std::string_view bytes_of(const R& r) {
  return std::string_view(reinterpret_cast<const char*>(&r), sizeof r);
}

}  // namespace

const Kind* kind_of(char tag) { return tag == kScore.tag ? &kScore : tag == kResult.tag ? &kResult : nullptr; }

bool game_table(const Kind& k, std::string_view table) {
  if (&k == &kScore) return table == ONEPLAYERFN || table == TWOPLAYERSFN;
  return table == RESFN;
}

Saved save_score(const PLAYREC& rec, const std::string& fn) { return save(fn, kScore, bytes_of(rec)); }
Saved save_result(const RESULTREC& rec, const std::string& fn) { return save(fn, kResult, bytes_of(rec)); }
bool append_score(const PLAYREC& rec, const std::string& fn) { return save_score(rec, fn) == Saved::stored; }
bool append_result(const RESULTREC& rec, const std::string& fn) { return save_result(rec, fn) == Saved::stored; }

std::string score_archive_stem(const std::string& table_name, const platform::LocalTime& date) {
  const std::string name = platform::name_of(table_name);
  return name.substr(0, 2) + two_digits(date.day) + two_digits(date.month) +
         two_digits(date.year);
}

std::string result_archive_stem(const platform::LocalTime& date) {
  return "res_" + std::to_string(date.year) + "_" + two_digits(date.month) + "_" +
         two_digits(date.day);
}

std::string archive_name(const std::string& stem, int k) {
  return k <= 1 ? stem + ".old" : stem + "_" + std::to_string(k) + ".old";
}

bool game_file_name(std::string_view name) {
  for (const char* own : {ELFN, MSGFN, GROUPFN, ONEPLAYERFN, TWOPLAYERSFN, RESFN, BAKFN})
    if (name == own) return true;
  return name.starts_with(".qora.") || name.ends_with(".old");
}

std::vector<RESULTREC> parse_results(const std::string& bytes) { return parse<RESULTREC>(bytes); }

void split_result_name(std::string_view name, std::string_view& date, std::string_view& player) {
  const size_t dash = name.find('-');
  if (dash == std::string_view::npos) {
    date = {};
    player = name;
    return;
  }
  player = dash + 2 <= name.size() ? name.substr(dash + 2) : std::string_view{};
  date = name.substr(0, dash);
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!date.empty() && blank(date.front())) date.remove_prefix(1);
  while (!date.empty() && blank(date.back())) date.remove_suffix(1);
}

}  // namespace scorefiles

void ADDSCORE(int32_t NOM, const std::string& FN) {
  if (NOM < 0 || size_t(NOM) >= PLAYER.size()) {
    std::fprintf(stderr, "qora: could not save %s: no player %d\n", FN.c_str(), int(NOM));
    return;
  }
  scorefiles::append_score(PLAYER[size_t(NOM)], FN);
}

void ADDRESULT(int32_t NOM, const std::string& FN) {
  if (NOM < 0 || size_t(NOM) >= PLAYERRESULT.size()) {
    std::fprintf(stderr, "qora: could not save %s: no player %d\n", FN.c_str(), int(NOM));
    return;
  }
  scorefiles::append_result(PLAYERRESULT[size_t(NOM)], FN);
}

}  // namespace qora
