#include "tasks/scorefiles.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "app/globals.h"
#include "platform/safefile.h"

namespace qora {

namespace scorefiles {
namespace {

int g_lock_wait_ms = 5000;
constexpr int kMaxArchiveVariants = 999;

std::string two_digits(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", ((v % 100) + 100) % 100);
  return buf;
}

template <class R>
std::vector<R> parse(const std::string& bytes) {
  static_assert(std::is_trivially_copyable_v<R>);
  std::vector<R> out(bytes.size() / sizeof(R));
  if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * sizeof(R));
  return out;
}

std::string in_dir(const std::string& dir, const std::string& name) {
  return dir == "." ? name : dir + "/" + name;
}

void report(const std::string& fn, const std::string& why) {
  std::fprintf(stderr, "qora: could not save %s: %s\n", fn.c_str(), why.c_str());
}

// Claims a free archive name in dir (created exclusively, so two games never
// take the same one) and writes the records into it safely; name is the path used.
bool write_archive(const std::string& dir, const std::string& stem, std::string_view records,
                   std::string& name, std::string& err) {
  for (int k = 1; k <= kMaxArchiveVariants; ++k) {
    name = in_dir(dir, archive_name(stem, k));
    switch (platform::create_exclusive(name, err)) {
      case platform::CreateStatus::exists:
        continue;
      case platform::CreateStatus::failed:
        return false;
      case platform::CreateStatus::created:
        if (platform::replace_file(name, records, err)) return true;
        // The table is left as it was, so the half-made archive holds
        // nothing that is not still in the table.
        platform::remove_quietly(name);
        return false;
    }
  }
  err = "no free archive name for " + stem;
  return false;
}

// Appends one record to fn under the folder's lock. The table, the backup
// and the archive are each replaced atomically, in the order backup,
// archive, table, so that at every moment the table holds either its old
// or its new content and the old records are never only in a half-written
// file.
bool append_record(const std::string& fn, std::string_view rec, size_t limit,
                   const std::string& archive_stem) {
  const std::string dir = platform::dir_of(fn);
  std::string err;
  platform::FileLock lock;
  if (!lock.acquire(in_dir(dir, LOCKFN), g_lock_wait_ms, err)) {
    report(fn, err);
    return false;
  }
  platform::remove_stale_temps(dir);

  std::string old;
  const platform::ReadStatus st = platform::read_whole_file(fn, old, err);
  if (st == platform::ReadStatus::failed) {
    // An existing file that cannot be read is never taken for a missing one.
    report(fn, err);
    return false;
  }

  std::string fresh, archive;
  if (st == platform::ReadStatus::ok) {
    // A torn last record (a file cut short by some other program) is
    // dropped here; the backup keeps the file exactly as it was.
    const size_t n = old.size() / rec.size();
    const std::string_view whole(old.data(), n * rec.size());
    if (!platform::replace_file(in_dir(dir, BAKFN), old, err)) {
      report(fn, err);
      return false;
    }
    if (n >= limit) {
      if (!write_archive(dir, archive_stem, whole, archive, err)) {
        report(fn, err);
        return false;
      }
    } else {
      fresh.assign(whole);
    }
  }
  fresh.append(rec);
  bool committed = false;
  if (!platform::replace_file(fn, fresh, err, &committed)) {
    // The table still holds the old records: withdraw their archive so that
    // the next append does not archive them a second time.
    if (!committed && !archive.empty()) platform::remove_quietly(archive);
    report(fn, err);
    return false;
  }
  return true;
}

template <class R>
std::string_view bytes_of(const R& r) {
  return std::string_view(reinterpret_cast<const char*>(&r), sizeof r);
}

}  // namespace

void set_lock_wait_ms(int ms) { g_lock_wait_ms = ms < 0 ? 0 : ms; }

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

std::vector<PLAYREC> parse_scores(const std::string& bytes) { return parse<PLAYREC>(bytes); }
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

// The archive stems are bare names: append_record puts the archive in the
// table's own folder.
bool append_score(const PLAYREC& rec, const std::string& fn) {
  return append_record(fn, bytes_of(rec), MAXSCORE, score_archive_stem(fn, platform::local_now()));
}

bool append_result(const RESULTREC& rec, const std::string& fn) {
  return append_record(fn, bytes_of(rec), MAXRESULT, result_archive_stem(platform::local_now()));
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
