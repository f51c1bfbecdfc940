// qora-records: prints the game's score tables and results base for
// teachers, from the game's working directory.
//
//   qora-records top5 FILE     the five best entries of a score table
//   qora-records scores FILE   every record of a score table
//   qora-records results FILE  the results base as CSV, one row per record
//                              and element, as the spreadsheet export lays it out
//   qora-records report FILE [-o PAGE.html]
//                              the class report: one HTML page, by default
//                              report_YYYY-MM-DD.html beside the base
//   qora-records export FILE [BOOK.xlsx]
//                              the spreadsheet export itself: writes the workbook
//                              and prints its path (opens nothing)
//   qora-records where         the game folder a game started here works in,
//                              and on what kind of file system, with which lock
//
// A FILE named without a folder is looked for in the current folder, then in
// the game folder (of an installed game started from the desktop menu).
//
// Names are printed in UTF-8. A missing or damaged file (not a whole number of
// records) gives a one-line message on stderr and exit status 1; a wrong
// command line gives the usage and exit status 2.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cp1251.h"
#include "platform/safefile.h"
#include "state/datafiles.h"
#include "state/folders.h"
#include "state/globals.h"
#include "state/types.h"
#include "tasks/export.h"
#include "tasks/report.h"
#include "tasks/scorefiles.h"

namespace {

using namespace qora;


namespace fs = std::filesystem;

// The game folder a game started in the current folder works in; empty, after
// a message, when there is none.
fs::path game_folder() {
  std::error_code ec;
  std::string err;
  const fs::path game = choose_game_folder(fs::current_path(ec), installed_data_folder(), err);
  if (game.empty()) std::fprintf(stderr, "qora-records: %s\n", err.c_str());
  return game;
}

// A file named without a folder: in the current folder when it is there,
// else in the game folder when it is there; otherwise the name as given.
std::string locate(const std::string& fn) {
  std::error_code ec;
  if (fn.find('/') != std::string::npos || fs::exists(fn, ec)) return fn;
  std::string err;
  const fs::path game = choose_game_folder(fs::current_path(ec), installed_data_folder(), err);
  if (!game.empty() && fs::exists(game / fn, ec)) return (game / fn).string();
  return fn;
}

int usage() {
  std::fputs(
      "usage: qora-records top5 FILE | scores FILE | results FILE | report FILE [-o PAGE.html]\n"
      "       qora-records export FILE [BOOK.xlsx] | where\n"
      "  top5     the five best entries of a score table: RANK, RATING, NAME\n"
      "  scores   every record of a score table:\n"
      "           NAME, SCORE, HISCORE, TIME, LEVEL, ALLTIME, RATING\n"
      "  results  the results base as CSV: date,player,symbol,status\n"
      "  report   the class report of a results base as one HTML page\n"
      "  export   the results base as a spreadsheet workbook, written to BOOK.xlsx\n"
      "           (never over an existing file) or else to Result_YYYY-MM-DD.xlsx\n"
      "           in this folder, or its next free variant; prints the path\n"
      "  where    the game folder: where a FILE without a folder is looked for after\n"
      "           the current folder; then the kind of file system it is on (a local\n"
      "           disk, NFS, SMB, FUSE) and the lock the games use there\n",
      stderr);
  return 2;
}

// Reads a file of fixed-size records; false (after a message) when it is
// missing, unreadable or not a whole number of records.
bool read_records(const std::string& fn, size_t record_size, std::string& bytes) {
  std::string err;
  switch (platform::read_whole_file(fn, bytes, err)) {
    case platform::ReadStatus::missing:
      std::fprintf(stderr, "qora-records: %s: no such file\n", fn.c_str());
      return false;
    case platform::ReadStatus::failed:
    case platform::ReadStatus::foreign:
      std::fprintf(stderr, "qora-records: %s\n", err.c_str());
      return false;
    case platform::ReadStatus::ok:
      break;
  }
  if (bytes.size() % record_size != 0) {
    std::fprintf(stderr,
                 "qora-records: %s: damaged (%zu bytes is not a whole number of %zu-byte "
                 "records)\n",
                 fn.c_str(), bytes.size(), record_size);
    return false;
  }
  return true;
}

// A stored name as UTF-8 text for a terminal or a spreadsheet.
std::string printable(std::string_view cp1251) { return cp1251_to_printable_utf8(cp1251); }

// A CSV cell. One that a spreadsheet would run as a formula (it begins with
// =, +, -, @, a tab or a carriage return) gets a leading apostrophe, so it is
// shown as the text it is.
std::string csv_field(std::string s) {
  if (!s.empty() && std::string_view("=+-@\t\r").find(s.front()) != std::string_view::npos) s.insert(0, 1, '\'');
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

int cmd_top5(const std::string& fn) {
  std::string bytes;
  if (!read_records(fn, sizeof(PLAYREC), bytes)) return 1;
  const PLAYREC blank{};  // empty name, SCORE 0: ranks the table alone
  const auto top = scorefiles::rank_first5(scorefiles::parse_scores(bytes), blank);
  for (int t = 1; t <= 5; ++t) {
    const FIRSTREC& f = top[size_t(t)];
    if (f.BAKS == 0) continue;  // an empty rank
    std::printf("%d\t%u\t%s\n", t, unsigned(f.BAKS), printable(f.NAME).c_str());
  }
  return 0;
}

int cmd_scores(const std::string& fn) {
  std::string bytes;
  if (!read_records(fn, sizeof(PLAYREC), bytes)) return 1;
  for (const PLAYREC& r : scorefiles::parse_scores(bytes))
    std::printf("%s\t%u\t%u\t%u\t%u\t%u\t%u\n", printable(r.NAME.view()).c_str(),
                unsigned(r.SCORE), unsigned(r.HISCORE), unsigned(r.TIME), unsigned(r.LEVEL),
                unsigned(r.ALLTIME), unsigned(PERCENT(r)));
  return 0;
}

int cmd_results(const std::string& fn) {
  std::string bytes;
  if (!read_records(fn, sizeof(RESULTREC), bytes)) return 1;
  std::vector<RESULTREC> recs = scorefiles::parse_results(bytes);
  if (recs.size() > size_t(MAXRESULT)) recs.resize(MAXRESULT);  // as much as the export takes

  // Looked for where the class report looks: here, beside the base, beside
  // the program or in its play folder, in the installed data folder.
  const std::string table = find_table(ELFN, fn);
  if (std::string err; table.empty() || !load_element_table(table, err)) {
    if (table.empty())
      err = "the element table \"" + std::string(ELFN) +
            "\" is neither here, beside the base, nor beside the program";
    std::fprintf(stderr, "qora-records: %s\n", err.c_str());
    return 1;
  }
  std::printf("date,player,symbol,status\n");
  for (const RESULTREC& r : recs) {
    std::string_view date, player;
    scorefiles::split_result_name(r.NAME.view(), date, player);
    const std::string prefix = csv_field(printable(date)) + "," + csv_field(printable(player)) + ",";
    exporter::for_each_answer(r, [&](int e, bool known) {
      const std::string symbol = csv_field(printable(ELEMENT[size_t(e)].SYMBOL.view()));
      std::printf("%s%s,%s\n", prefix.c_str(), symbol.c_str(), known ? "known" : "unknown");
    });
  }
  return 0;
}

// report FILE [-o PAGE.html], the options in either order.
int cmd_report(int argc, char** argv) {
  std::string base, out;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-o" && i + 1 < argc && out.empty() && *argv[i + 1])
      out = argv[++i];
    else if (a != "-o" && base.empty())
      base = a;
    else
      return usage();
  }
  return base.empty() ? usage() : report::run(locate(base), out);
}

int cmd_export(const std::string& fn, const std::string& book) {
  std::string bytes;
  if (!read_records(fn, sizeof(RESULTREC), bytes)) return 1;
  std::vector<RESULTREC> recs = scorefiles::parse_results(bytes);
  if (recs.size() > size_t(MAXRESULT)) recs.resize(MAXRESULT);  // as much as the export takes
  // The tables are looked for where results and report look for them.
  for (const std::string_view data : {ELFN, MSGFN}) {
    const std::string table = find_table(std::string(data), fn);
    std::string err = "the data file \"" + std::string(data) +
                      "\" is neither here, beside the base, nor beside the program";
    const bool loaded = !table.empty() && (data == ELFN ? load_element_table(table, err)
                                                        : load_message_table(table, err));
    if (!loaded) {
      std::fprintf(stderr, "qora-records: %s\n", err.c_str());
      return 1;
    }
  }
  std::string path, err;
  if (!exporter::write_workbook(recs, book.empty() ? "." : platform::dir_of(book),
                                book.empty() ? "" : platform::name_of(book), path, err)) {
    std::fprintf(stderr, "qora-records: could not write the workbook: %s\n", err.c_str());
    return 1;
  }
  std::printf("%s\n", path.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // An installed tool reads the tables the export needs from the data folder
  // when the current folder has none.
  set_data_folder(installed_data_folder());
  if (argc == 2 && std::string_view(argv[1]) == "where") {
    const fs::path game = game_folder();
    if (game.empty()) return 1;
    std::printf("%s\n%s\n", game.string().c_str(), platform::lock_description(game.string()).c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (argc < 3) return usage();
  const std::string cmd = argv[1], fn = locate(argv[2]);
  int rc;
  if (cmd == "report")
    rc = cmd_report(argc, argv);
  else if (cmd == "export" && argc <= 4)
    rc = cmd_export(fn, argc == 4 ? argv[3] : "");
  else if (argc != 3)
    return usage();
  else if (cmd == "top5")
    rc = cmd_top5(fn);
  else if (cmd == "scores")
    rc = cmd_scores(fn);
  else if (cmd == "results")
    rc = cmd_results(fn);
  else
    return usage();
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fputs("qora-records: could not write the output\n", stderr);
    return 1;
  }
  return rc;
}
