// The journaled store of the game's tables: pending files, the merge journal, the locked merge.
#include "tasks/scorefiles_store.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>
#include <tuple>

#include "platform/safefile.h"
#include "state/globals.h"

namespace qora {

namespace scorefiles {
namespace {

namespace pf = platform;
using pf::in_dir;

int g_lock_wait_ms = 5000;
constexpr int kMaxArchiveVariants = 999;

// Caps on what is read from the folder: a table holds at most one record
// more than its limit, a pending file one record, the journal a few KiB (a
// step takes at most kMaxTakenPerStep pending files).
constexpr size_t kMaxTakenPerStep = 64;
constexpr size_t kJournalCap = 8192;
size_t table_cap(const Kind& k) { return (k.limit + 1) * k.size; }

using pf::note_once;

void report(const std::string& fn, const std::string& why) {
  std::fprintf(stderr, "qora: could not save %s: %s\n", fn.c_str(), why.c_str());
}

std::string whole_records(const std::string& bytes, const Kind& k) {
  return bytes.substr(0, bytes.size() / k.size * k.size);
}

// 64-bit FNV-1a: tells the table a merge step made from any other content.
uint64_t checksum(std::string_view bytes) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

// ---- Pending files ----------------------------------------------------------
struct Pending {
  std::string file;   // bare name in the folder
  std::string table;  // bare name of the table it goes to
  const Kind* kind = nullptr;
  uint64_t time = 0;  // nanoseconds since 1970 when it was written
  unsigned long pid = 0, serial = 0;
};

bool written_before(const Pending& a, const Pending& b) {
  return std::tie(a.time, a.pid, a.serial, a.file) < std::tie(b.time, b.pid, b.serial, b.file);
}

// "PREFIX<time, 16 hex digits>.<pid>.<serial>.<kind>.<table>"
std::optional<Pending> parse_pending(const std::string& name) {
  const std::string_view prefix = PENDINGPREFIX;
  if (name.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  std::string_view rest = std::string_view(name).substr(prefix.size());
  std::string_view field[4];
  for (auto& f : field) {
    const size_t dot = rest.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    f = rest.substr(0, dot);
    rest.remove_prefix(dot + 1);
  }
  Pending p;
  p.file = name;
  p.table = std::string(rest);
  p.kind = field[3].size() == 1 ? kind_of(field[3][0]) : nullptr;
  const auto number = [](std::string_view s, int base, auto& out) {
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out, base);
    return !s.empty() && ec == std::errc() && end == s.data() + s.size();
  };
  if (!p.kind || !game_table(*p.kind, p.table) || !number(field[0], 16, p.time) || !number(field[1], 10, p.pid) ||
      !number(field[2], 10, p.serial))
    return std::nullopt;
  return p;
}

// A fresh name; the times of one game only go forward, whatever the clock does.
std::string new_pending_name(const Kind& k, const std::string& table) {
  static uint64_t last = 0;
  static unsigned long serial = 0;
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  last = std::max<uint64_t>(last + 1, uint64_t(ts.tv_sec) * 1000000000u + uint64_t(ts.tv_nsec));
  char time[24];
  std::snprintf(time, sizeof time, "%016llx", static_cast<unsigned long long>(last));
  return std::string(PENDINGPREFIX) + time + "." + std::to_string(::getpid()) + "." + std::to_string(++serial) +
         "." + k.tag + "." + table;
}

// Writes rec into a new pending file of dir (whole under its name or not at
// all, flushed with its folder); name is its bare name.
bool write_pending(const std::string& dir, const Kind& k, const std::string& table, std::string_view rec,
                   std::string& name, std::string& err) {
  if (!game_table(k, table)) {
    err = "not one of the game's tables";
    return false;
  }
  pf::StagedFile f;
  if (!f.write(dir, rec, pf::new_file_mode(), pf::StagedFile::Kind::outside_lock, err)) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = new_pending_name(k, table);
    switch (f.place_new(in_dir(dir, name), err)) {
      case pf::StagedFile::Place::exists:
        continue;
      case pf::StagedFile::Place::failed:
        return false;
      case pf::StagedFile::Place::placed: {
        // The merge flushes the folder again before it takes the file, so a
        // failure here costs no record.
        std::string ignored;
        pf::sync_dir(dir, ignored);
        return true;
      }
    }
  }
  err = "no free name for a pending file";
  return false;
}

// ---- The merge journal ----------------------------------------------------
// What one merge step is about to do, written before it starts changing
// anything. The table is committed when it holds exactly size bytes with the
// given checksum: a step always changes the table's size (it either adds
// records or archives a full table and starts again with fewer than the
// limit), so the old content can never be taken for the new one.
struct Intent {
  std::string table;
  size_t record = 0;
  uint64_t size = 0, sum = 0;
  std::string archive;  // bare name of the archive the step makes, or empty
  std::vector<std::string> pending;
};

std::string format(const Intent& in) {
  char sum[24];
  std::snprintf(sum, sizeof sum, "%016llx", static_cast<unsigned long long>(in.sum));
  std::string s = "qora merge 1\ntable " + in.table + "\nrecord " + std::to_string(in.record) + "\nnew " +
                  std::to_string(in.size) + " " + sum + "\narchive " + (in.archive.empty() ? "-" : in.archive) + "\n";
  for (const auto& p : in.pending) s += "pending " + p + "\n";
  return s;
}

std::optional<Intent> parse_intent(const std::string& text) {
  std::istringstream in(text);
  std::string line, word;
  Intent out;
  if (!std::getline(in, line) || line != "qora merge 1") return std::nullopt;
  bool have_table = false, have_new = false;
  while (std::getline(in, line)) {
    const size_t sp = line.find(' ');
    if (sp == std::string::npos) return std::nullopt;
    const std::string key = line.substr(0, sp), value = line.substr(sp + 1);
    if (key == "table") {
      out.table = value;
      have_table = !value.empty();
    } else if (key == "record") {
      out.record = std::strtoul(value.c_str(), nullptr, 10);
    } else if (key == "new") {
      std::istringstream v(value);
      v >> out.size >> std::hex >> out.sum;
      have_new = bool(v);
    } else if (key == "archive") {
      out.archive = value == "-" ? "" : value;
    } else if (key == "pending") {
      out.pending.push_back(value);
    } else {
      return std::nullopt;
    }
  }
  if (!have_table || !have_new || out.record == 0) return std::nullopt;
  // Only the game's own names: its table, pending files of that table, an
  // archive named after it.
  const Kind* k = out.record == kScore.size ? &kScore : out.record == kResult.size ? &kResult : nullptr;
  if (!k || !game_table(*k, out.table)) return std::nullopt;
  for (const auto& p : out.pending) {
    const auto pend = parse_pending(p);
    if (!pend || pend->table != out.table || pend->kind != k) return std::nullopt;
  }
  if (!out.archive.empty()) {
    const std::string stem = k == &kScore ? out.table.substr(0, 2) : "res_";
    if (!platform::fsys::bare_name(out.archive) || out.archive.rfind(stem, 0) != 0 || !out.archive.ends_with(".old"))
      return std::nullopt;
  }
  return out;
}

// Under the lock: completes or undoes the merge step announced in the
// journal, then removes the journal. A committed step (the table holds what
// the step wrote) loses its pending files, whose records are in the table; a
// step that did not commit loses its archive, whose records are still in the
// table. False, with err, when that cannot be done: nothing else may then be
// merged in the folder, or a record could be stored twice.
bool settle(const std::string& dir, pf::FileLock& lock, std::string& err) {
  const std::string journal = in_dir(dir, MERGEFN);
  std::string text;
  switch (pf::read_whole_file(journal, text, err, kJournalCap)) {
    case pf::ReadStatus::missing:
      return true;
    case pf::ReadStatus::failed:
      return false;
    case pf::ReadStatus::foreign:
      // Not the game's journal: it says nothing, and the next step's journal
      // takes the name.
      note_once(err);
      return true;
    case pf::ReadStatus::ok:
      break;
  }
  // The journal is written whole or not at all; one that does not read as a
  // journal of the game's own files was not written by a game and says nothing.
  const auto in = parse_intent(text);
  if (!in && text.rfind("qora merge 1\n", 0) == 0) note_once(journal + " names files that are not the game's; ignored");
  if (in) {
    std::string table;
    const pf::ReadStatus st = pf::read_whole_file(in_dir(dir, in->table), table, err, table_cap(
        in->record == kScore.size ? kScore : kResult));
    if (st == pf::ReadStatus::failed || st == pf::ReadStatus::foreign) return false;
    if (!lock.confirm(err)) return false;
    const bool committed = st == pf::ReadStatus::ok && table.size() == in->size && checksum(table) == in->sum;
    if (committed) {
      for (const auto& p : in->pending)
        if (!pf::remove_file(in_dir(dir, p), err)) return false;
    } else if (!in->archive.empty()) {
      // Only the archive this step made: the whole records of the table as it still stands.
      const std::string path = in_dir(dir, in->archive);
      std::string archived;
      const std::string whole = table.substr(0, table.size() / in->record * in->record);
      if (pf::read_whole_file(path, archived, err) == pf::ReadStatus::ok && archived.size() % in->record == 0 &&
          whole.compare(0, archived.size(), archived) == 0 && !pf::remove_file(path, err))
        return false;
    }
    if (!pf::sync_dir(dir, err)) return false;
  }
  if (!lock.confirm(err)) return false;
  // No flush needed: a journal that comes back after a power loss finds the
  // same table and settles again to the same end, and the next step's journal
  // replaces it durably before the table changes again.
  return pf::remove_file(journal, err);
}

// A failed step before or after its commit: settle what it left.
bool abandon(const std::string& dir, pf::FileLock& lock, std::string& err) {
  std::string why;
  if (!settle(dir, lock, why)) err += "; " + why;
  return false;
}

// One merge step under the lock: the table (old, as it stands; existed tells
// a missing table) becomes fresh, which ends with the records of the pending
// files taken. With archive, the whole records of old first go to a new
// dated archive. Res.bak gets old, as every update leaves it.
bool merge_step(const std::string& dir, pf::FileLock& lock, const std::string& table, const Kind& k,
                const std::string& old, bool existed, const std::string& fresh, bool archive,
                const std::vector<std::string>& taken, std::set<std::string>& stored, std::string& err) {
  const std::string fn = in_dir(dir, table);
  // Each change is written and flushed under a temporary name first; the
  // lease is confirmed right before the rename that puts it in place, so a
  // slow flush never lies between the two. A game that lost the lease while
  // paused stops, and the journal lets the next holder finish or undo.
  if (existed) {
    const std::string bak = in_dir(dir, BAKFN);
    pf::StagedFile staged_bak;
    if (!staged_bak.write(dir, old, pf::mode_for(bak), pf::StagedFile::Kind::under_lock, err) ||
        !lock.confirm(err) || !staged_bak.replace(bak, err))
      return false;
  }
  const mode_t mode = pf::mode_for(fn);
  pf::StagedFile staged_table, staged_archive;
  if (!staged_table.write(dir, fresh, mode, pf::StagedFile::Kind::under_lock, err)) return false;
  Intent in{table, k.size, fresh.size(), checksum(fresh), "", taken};
  if (archive) {
    if (!staged_archive.write(dir, whole_records(old, k), mode, pf::StagedFile::Kind::under_lock, err))
      return false;
    const std::string stem = k.tag == kScore.tag ? score_archive_stem(table, platform::local_now())
                                                 : result_archive_stem(platform::local_now());
    for (int n = 1; in.archive.empty(); ++n) {
      if (n > kMaxArchiveVariants) {
        err = "no free archive name for " + stem;
        return false;
      }
      if (!pf::exists(in_dir(dir, archive_name(stem, n)))) in.archive = archive_name(stem, n);
    }
  }
  const std::string journal = in_dir(dir, MERGEFN);
  pf::StagedFile staged_journal;
  if (!staged_journal.write(dir, format(in), pf::mode_for(journal), pf::StagedFile::Kind::under_lock, err))
    return false;
  bool journal_in = false;
  if (!lock.confirm(err)) return false;
  if (!staged_journal.replace(journal, err, &journal_in)) return journal_in ? abandon(dir, lock, err) : false;
  if (archive) {
    if (!lock.confirm(err)) return false;
    switch (staged_archive.place_new(in_dir(dir, in.archive), err)) {
      case pf::StagedFile::Place::placed:
        // The archive must be on disk before the table forgets its records.
        if (!pf::sync_dir(dir, err)) return abandon(dir, lock, err);
        break;
      case pf::StagedFile::Place::exists:
        err = in_dir(dir, in.archive) + " appeared while it was being made";
        return abandon(dir, lock, err);
      case pf::StagedFile::Place::failed:
        return abandon(dir, lock, err);
    }
  }
  bool committed = false;
  if (!lock.confirm(err)) return false;
  if (!staged_table.replace(fn, err, &committed) && !committed) return abandon(dir, lock, err);
  // In place (even if the folder could not be flushed): the records are
  // stored, and their pending files go now or, failing that, at the next
  // settling of the journal.
  stored.insert(taken.begin(), taken.end());
  return settle(dir, lock, err);
}

// The records of one table waiting in pending files, in write order.
struct Batch {
  std::string table;
  const Kind* kind;
  std::vector<Pending> files;
};

// Under the lock: settles a half-done step, removes stale temporary files and
// adds every pending file of dir to its table. folder_err: the folder cannot
// be used at all; failed: tables (bare names) whose files stay pending, and
// why; stored: the pending files whose records went into their tables.
void merge_locked(const std::string& dir, pf::FileLock& lock, std::string& folder_err,
                  std::map<std::string, std::string>& failed, std::set<std::string>& stored) {
  const auto pending_files = [&] {
    std::vector<Pending> all;
    for (const auto& name : pf::names_with_prefix(dir, PENDINGPREFIX)) {
      if (auto p = parse_pending(name)) all.push_back(std::move(*p));
      else note_once(in_dir(dir, name) + " is not a pending result of the game; left alone");
    }
    return all;
  };
  // Every file a merge may replace or remove must be this user's to touch.
  std::vector<std::string> touched{MERGEFN, BAKFN};
  for (const Pending& p : pending_files()) touched.insert(touched.end(), {p.file, p.table});
  folder_err = pf::folder_problem(dir, touched);
  if (!folder_err.empty() || !settle(dir, lock, folder_err)) return;
  pf::remove_stale_temps(dir, lock);
  // Listed again: settling may have removed some.
  std::vector<Pending> all = pending_files();

  std::sort(all.begin(), all.end(), written_before);
  std::vector<Batch> batches;
  for (auto& p : all) {
    auto b = std::find_if(batches.begin(), batches.end(),
                          [&](const Batch& x) { return x.table == p.table && x.kind == p.kind; });
    if (b == batches.end()) b = batches.insert(batches.end(), Batch{p.table, p.kind, {}});
    b->files.push_back(std::move(p));
  }

  for (const Batch& b : batches) {
    const Kind& k = *b.kind;
    std::string err, old;
    const pf::ReadStatus st = pf::read_whole_file(in_dir(dir, b.table), old, err, table_cap(k));
    if (st == pf::ReadStatus::foreign) note_once(err);
    if (st == pf::ReadStatus::failed || st == pf::ReadStatus::foreign) {
      // An existing table that cannot be read is never taken for a missing
      // one; what is not the game's table is never copied anywhere.
      failed[b.table] = err;
      continue;
    }
    bool existed = st == pf::ReadStatus::ok;
    // The records in write order, up to the first file that cannot be taken.
    std::vector<std::pair<std::string, std::string>> recs;  // pending file, record
    std::set<std::string> left_alone;
    for (const Pending& p : b.files) {
      std::string rec;
      const pf::ReadStatus got = pf::read_whole_file(in_dir(dir, p.file), rec, err, k.size);
      if (got == pf::ReadStatus::missing) continue;  // taken by a settled step
      if (got == pf::ReadStatus::failed) break;
      if (got == pf::ReadStatus::foreign || rec.size() != k.size) {
        // Pending files are placed whole: this one is not the game's.
        note_once(in_dir(dir, p.file) + " is not one record of the game; left alone");
        left_alone.insert(p.file);
        continue;
      }
      recs.emplace_back(p.file, std::move(rec));
    }
    for (size_t i = 0; i < recs.size();) {
      // A full table goes to its archive and starts again with fewer records
      // than the limit; otherwise the table is filled up to the limit.
      const size_t n = existed ? old.size() / k.size : 0;
      const bool archive = n >= k.limit;
      const size_t take = std::min({recs.size() - i, archive ? k.limit - 1 : k.limit - n, kMaxTakenPerStep});
      std::string fresh = archive ? std::string() : whole_records(old, k);
      std::vector<std::string> taken;
      for (size_t j = i; j < i + take; ++j) {
        fresh += recs[j].second;
        taken.push_back(recs[j].first);
      }
      if (!merge_step(dir, lock, b.table, k, old, existed, fresh, archive, taken, stored, err)) {
        // A step that could not be settled stops every merge in the folder
        // until the journal is settled; a new journal would lose it.
        if (pf::exists(in_dir(dir, MERGEFN))) {
          folder_err = err;
          return;
        }
        break;
      }
      old = std::move(fresh);
      existed = true;
      i += take;
    }
    for (const Pending& p : b.files)
      if (!stored.count(p.file) && !left_alone.count(p.file) && pf::exists(in_dir(dir, p.file))) failed[b.table] = err;
  }
}

// Records this game could not even write into a pending file, in order.
struct Unsaved {
  std::string fn;
  const Kind* kind;
  std::string rec;
};
std::vector<Unsaved> g_unsaved;

// Writes the pending files of the records held in memory; those that still
// cannot be written stay, and so does every later one for the same table.
void flush_unsaved() {
  std::vector<Unsaved> left;
  for (auto& u : g_unsaved) {
    std::string name, err;
    const bool blocked = std::any_of(left.begin(), left.end(), [&](const Unsaved& l) { return l.fn == u.fn; });
    if (blocked || !write_pending(pf::dir_of(u.fn), *u.kind, pf::name_of(u.fn), u.rec, name, err))
      left.push_back(std::move(u));
  }
  g_unsaved = std::move(left);
}

// The folder's lock could not be taken at all: what to change.
std::string lock_problem(const std::string& dir, const std::string& err) {
  const std::string lock = pf::display_path(in_dir(dir, LOCKFN));
  return err + " (the folder " + pf::display_path(dir) + " needs a lock file every player may read: chmod a+r " +
         lock + ")";
}

}  // namespace

Saved save(const std::string& fn, const Kind& k, std::string_view rec) {
  const std::string dir = pf::dir_of(fn), table = pf::name_of(fn);
  flush_unsaved();
  std::string err, name;
  const bool queued = std::any_of(g_unsaved.begin(), g_unsaved.end(), [&](const Unsaved& u) { return u.fn == fn; });
  if (queued || !write_pending(dir, k, table, rec, name, err)) {
    const std::string problem = pf::folder_problem(dir, {});
    report(fn, (problem.empty() ? (queued ? "earlier results are still unsaved" : err) : problem) +
                   "; the result is kept by this game and saved with its next one");
    g_unsaved.push_back({fn, &k, std::string(rec)});
    return Saved::unsaved;
  }
  const std::string pending = in_dir(dir, name);
  const std::string waits = "; the result waits in " + pending + " for the next game that saves there";
  pf::FileLock lock;
  switch (lock.acquire(dir, g_lock_wait_ms, err, [&] { return !pf::exists(pending); })) {
    case pf::FileLock::Status::not_needed:
      return Saved::stored;  // another game took it into the table
    case pf::FileLock::Status::busy:
      report(fn, "another game is still saving" + waits);
      return Saved::pending;
    case pf::FileLock::Status::failed:
      report(fn, lock_problem(dir, err) + waits);
      return Saved::pending;
    case pf::FileLock::Status::acquired:
      break;
  }
  std::string folder_err;
  std::map<std::string, std::string> failed;
  std::set<std::string> stored;
  merge_locked(dir, lock, folder_err, failed, stored);
  lock.release();
  if (stored.count(name) || !pf::exists(pending)) return Saved::stored;
  report(fn, (!folder_err.empty() ? folder_err : failed.count(table) ? failed[table] : "not added") + waits);
  return Saved::pending;
}

bool merge_pending(const std::string& dir) {
  flush_unsaved();
  if (pf::names_with_prefix(dir, PENDINGPREFIX).empty() && !pf::exists(in_dir(dir, MERGEFN)))
    return g_unsaved.empty();
  std::string err, folder_err;
  pf::FileLock lock;
  switch (lock.acquire(dir, 0, err)) {
    case pf::FileLock::Status::acquired:
      break;
    case pf::FileLock::Status::failed:
      std::fprintf(stderr, "qora: could not add the results waiting in %s: %s\n", pf::display_path(dir).c_str(),
                   lock_problem(dir, err).c_str());
      return false;
    default:
      return g_unsaved.empty();  // the game holding the lock adds the pending ones
  }
  std::map<std::string, std::string> failed;
  std::set<std::string> stored;
  merge_locked(dir, lock, folder_err, failed, stored);
  if (folder_err.empty() && failed.empty()) return g_unsaved.empty();
  const std::string why = !folder_err.empty() ? folder_err : failed.begin()->first + ": " + failed.begin()->second;
  std::fprintf(stderr, "qora: could not add the results waiting in %s: %s\n", pf::display_path(dir).c_str(), why.c_str());
  return false;
}

size_t unsaved_count() { return g_unsaved.size(); }

void set_lock_wait_ms(int ms) { g_lock_wait_ms = ms < 0 ? 0 : ms; }

}  // namespace scorefiles
}  // namespace qora
