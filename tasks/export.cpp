#include "tasks/export.h"


#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/datafiles.h"
#include "app/globals.h"
#include "platform/cp1251.h"
#include "platform/message_box.h"
#include "platform/open_document.h"
#include "platform/safefile.h"
#include "platform/spreadsheet.h"
#include "tasks/scorefiles.h"

namespace qora {

std::array<RESULTREC, MAXRESULT + 1> FRA;
int32_t FRACOUNT = 0;
std::vector<RESULTREC> ALLRESULTARR;

namespace {

using platform::Workbook;
using Style = Workbook::Style;

constexpr int kMaxNameVariants = 999;
constexpr int kMsgDate = 119, kMsgPlayer = 120, kMsgElement = 121, kMsgResult = 122;
constexpr int kMsgKnown = 123, kMsgUnknown = 124, kMsgCaption = 128, kMsgFailed = 129;

// The workbook's own texts: the sheet names, the summary's counting columns
// and the chart title. They go only into the workbook, which is UTF-8.
constexpr const char* kRowsSheet = "Результаты";
constexpr const char* kSummarySheet = "Сводка";
constexpr const char* kRightAnswers = "Верных ответов";
constexpr const char* kWrongAnswers = "Ошибок";
constexpr const char* kRightShare = "Доля верных";
constexpr const char* kChartTitle = "Доля верных ответов по элементам";

// A stored text as workbook text (a workbook cannot carry control characters).
std::string cell_text(std::string_view cp1251) { return cp1251_to_printable_utf8(cp1251); }

// A column as wide as its longest text, in place of the spreadsheet's own
// fitting; a header cell also makes room for its filter button.
struct Widths {
  std::vector<size_t> chars;
  explicit Widths(size_t columns) : chars(columns, 0) {}
  void see(size_t col, std::string_view utf8, size_t extra = 0) {
    chars[col] = std::max(chars[col], platform::text_width(utf8) + extra);
  }
  void apply(Workbook& book, int sheet) const {
    for (size_t c = 0; c < chars.size(); ++c)
      if (chars[c]) book.column_width(sheet, uint16_t(c), double(chars[c]) * 1.1 + 1);
  }
};

// The first sheet while it is written: the rows and what the second sheet
// sums up from them. CURRROW is 32 bits wide: a full base has far more rows
// than 16 bits can count.
struct RowSheet {
  Workbook* book = nullptr;
  int sheet = 0;
  uint32_t CURRROW = 0;  // 0-based; row 0 is the header
  Widths widths{4};
  std::string known, unknown;  // MSG[123] and MSG[124] as workbook text
};
RowSheet* g_rows = nullptr;

void put(RowSheet& s, uint16_t col, const std::string& text, Style style = Style::plain) {
  s.book->text(s.sheet, s.CURRROW, col, text, style);
  s.widths.see(col, text, style == Style::bold ? 2 : 0);
}

// One row of the first sheet: the record's date and player, the element's
// symbol and RESVALUE (MSG[123] or MSG[124], already workbook text).
void ADDROWTOEXCEL(const RESULTREC& RESREC, const DATABASE& ELREC, const std::string& RESVALUE) {
  RowSheet& s = *g_rows;
  std::string_view date, player;
  scorefiles::split_result_name(RESREC.NAME.view(), date, player);
  put(s, 0, cell_text(date));
  put(s, 1, cell_text(player));
  put(s, 2, cell_text(ELREC.SYMBOL.view()));
  put(s, 3, RESVALUE);
  ++s.CURRROW;
}

struct Tally {
  uint32_t known = 0, unknown = 0;
  uint32_t total() const { return known + unknown; }
  double share() const { return total() ? double(known) / total() : 0; }
};

// The second sheet: per player and game (columns A to E) and per element,
// least known first (G to J), each with the share known; the chart beside.
void write_summary(Workbook& book, const std::vector<RESULTREC>& recs,
                   const std::vector<Tally>& per_record, const std::vector<Tally>& per_element) {
  const int sheet = book.add_sheet(kSummarySheet);
  std::vector<size_t> games;  // the records that gave rows
  for (size_t r = 0; r < recs.size(); ++r)
    if (per_record[r].total()) games.push_back(r);
  std::vector<size_t> elements;
  for (size_t e = 0; e < per_element.size(); ++e)
    if (per_element[e].total()) elements.push_back(e);
  std::stable_sort(elements.begin(), elements.end(), [&](size_t a, size_t b) {
    const Tally &x = per_element[a], &y = per_element[b];
    // known/total < known'/total', in whole numbers; then the most missed first
    const uint64_t l = uint64_t(x.known) * y.total(), r = uint64_t(y.known) * x.total();
    return l != r ? l < r : x.unknown > y.unknown;
  });

  // Counts and shares of answers, per game and per element.
  const std::string heads[] = {cell_text(msg(kMsgDate)),    cell_text(msg(kMsgPlayer)), kRightAnswers,
                               kWrongAnswers,               kRightShare,                "",
                               cell_text(msg(kMsgElement)), kRightAnswers,              kWrongAnswers,
                               kRightShare};
  Widths widths(10);
  for (uint16_t c = 0; c < 10; ++c) {
    book.text(sheet, 0, c, heads[c], Style::bold);
    widths.see(c, heads[c], 1);
  }
  const size_t rows = std::max(games.size(), elements.size());
  for (size_t i = 0; i < rows; ++i) {
    const uint32_t row = uint32_t(i + 1);
    if (i < games.size()) {
      const size_t r = games[i];
      std::string_view date_part, player_part;
      scorefiles::split_result_name(recs[r].NAME.view(), date_part, player_part);
      const std::string date = cell_text(date_part), player = cell_text(player_part);
      book.text(sheet, row, 0, date);
      book.text(sheet, row, 1, player);
      widths.see(0, date);
      widths.see(1, player);
      book.number(sheet, row, 2, per_record[r].known);
      book.number(sheet, row, 3, per_record[r].unknown);
      book.number(sheet, row, 4, per_record[r].share(), Style::percent);
    }
    if (i < elements.size()) {
      const size_t e = elements[i];
      const std::string symbol = cell_text(ELEMENT[e].SYMBOL.view());
      book.text(sheet, row, 6, symbol);
      widths.see(6, symbol);
      book.number(sheet, row, 7, per_element[e].known);
      book.number(sheet, row, 8, per_element[e].unknown);
      book.number(sheet, row, 9, per_element[e].share(), Style::percent);
    }
  }
  widths.apply(book, sheet);
  book.freeze_header(sheet);
  if (!elements.empty()) {
    Workbook::BarChart chart;
    chart.title = kChartTitle;
    chart.data_sheet = sheet;
    chart.first_row = 1;
    chart.last_row = uint32_t(elements.size());
    chart.label_col = 6;
    chart.value_col = 9;
    chart.width_px = 520;
    chart.height_px = std::max(288, 100 + 20 * int(elements.size()));
    book.bar_chart(sheet, 1, 11, chart);
  }
}

// Writes the whole workbook to path.
bool write_file(const std::vector<RESULTREC>& recs, const std::string& path,
                const std::string& tmpdir, std::string& err) {
  Workbook book(path, tmpdir);
  RowSheet rows;
  rows.book = &book;
  rows.sheet = book.add_sheet(kRowsSheet);
  rows.known = cell_text(msg(kMsgKnown));
  rows.unknown = cell_text(msg(kMsgUnknown));
  for (uint16_t c = 0; c < 4; ++c) put(rows, c, cell_text(msg(kMsgDate + c)), Style::bold);
  static_assert(kMsgResult == kMsgDate + 3);
  rows.CURRROW = 1;

  std::vector<Tally> per_record(recs.size());
  std::vector<Tally> per_element(static_cast<size_t>(usable_element_count()));
  g_rows = &rows;
  for (size_t r = 0; r < recs.size(); ++r)
    exporter::for_each_answer(recs[r], [&](int e, bool known) {
      ADDROWTOEXCEL(recs[r], ELEMENT[size_t(e)], known ? rows.known : rows.unknown);
      ++(known ? per_record[r].known : per_record[r].unknown);
      ++(known ? per_element[size_t(e)].known : per_element[size_t(e)].unknown);
    });
  g_rows = nullptr;
  rows.widths.apply(book, rows.sheet);
  book.freeze_header(rows.sheet);
  book.autofilter(rows.sheet, rows.CURRROW - 1, 0, 3);
  write_summary(book, recs, per_record, per_element);
  return book.close(err);
}

}  // namespace

namespace exporter {

void for_each_answer(const RESULTREC& rec, const std::function<void(int e, bool known)>& answer) {
  const int32_t count = usable_element_count();
  for (int e = 0; e < count; ++e) {
    if (rec.KNOWEL.has(e)) answer(e, true);
    if (rec.UNKNOWEL.has(e)) answer(e, false);
  }
}

std::string workbook_name(const platform::LocalTime& date, int k) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "Result_%04d-%02d-%02d", date.year, date.month, date.day);
  return k <= 1 ? std::string(buf) + ".xlsx" : std::string(buf) + "_" + std::to_string(k) + ".xlsx";
}

bool write_workbook(const std::vector<RESULTREC>& recs, const std::string& dir,
                    const std::string& name, std::string& path, std::string& err) {
  // Written under a temporary name, then given the first free name: an
  // existing workbook is never replaced, and a half-written one never shows.
  // Nor is a name of the game's own files ever taken.
  if (!name.empty() && scorefiles::game_file_name(name)) {
    err = "will not write the workbook as " + platform::in_dir(dir, name) + ", a file of the game: name another book";
    return false;
  }
  // The spreadsheet library writes by name, so it writes in a private folder
  // where no one can put a link; the class folder gets the bytes through the
  // staged file's own descriptor.
  const platform::fsys::PrivateDir scratch;
  if (!scratch.valid()) {
    err = std::string("a private temporary folder: ") + std::strerror(errno);
    return false;
  }
  const std::string made = platform::in_dir(scratch.path(), "book.xlsx");
  std::string bytes;
  if (!write_file(recs, made, scratch.path(), err)) return false;
  if (platform::read_whole_file(made, bytes, err, size_t(1) << 30) != platform::ReadStatus::ok) return false;
  platform::StagedFile staged;
  if (!staged.write(dir, bytes, platform::new_file_mode(), platform::StagedFile::Kind::outside_lock, err))
    return false;
  const platform::LocalTime today = platform::local_now();
  for (int k = 1; k <= (name.empty() ? kMaxNameVariants : 1); ++k) {
    path = platform::in_dir(dir, name.empty() ? workbook_name(today, k) : name);
    switch (staged.place_new(path, err)) {
      case platform::StagedFile::Place::placed: return true;
      case platform::StagedFile::Place::exists: continue;
      case platform::StagedFile::Place::failed: return false;
    }
  }
  err = name.empty() ? "no free name for today's workbook in " + dir : path + " already exists";
  return false;
}

}  // namespace exporter

void READBAS(const std::string& FN) {
  FRACOUNT = 0;
  std::string bytes, err;
  if (platform::read_whole_file(FN, bytes, err) != platform::ReadStatus::ok) return;
  const size_t whole = bytes.size() / sizeof(RESULTREC);
  // Only the first MAXRESULT records are taken; a record cut short before
  // them means a damaged file, which gives nothing.
  if (whole < size_t(MAXRESULT) && bytes.size() % sizeof(RESULTREC) != 0) return;
  const size_t n = std::min<size_t>(whole, MAXRESULT);
  if (n) std::memcpy(&FRA[1], bytes.data(), n * sizeof(RESULTREC));
  FRACOUNT = int32_t(n);
}

void APPENDRESULT() {
  ALLRESULTARR.insert(ALLRESULTARR.end(), FRA.begin() + 1, FRA.begin() + 1 + FRACOUNT);
  FRACOUNT = 0;
}

void EXPORTTOEXCEL(const std::string& DIR) {
  std::string path, err;
  if (!exporter::write_workbook(ALLRESULTARR, DIR, "", path, err)) {
    std::fprintf(stderr, "qora: could not export the results: %s\n", err.c_str());
    platform::message_box(cp1251_to_utf8(msg(kMsgCaption)), cp1251_to_utf8(msg(kMsgFailed)));
    return;
  }
  std::error_code ec;
  const std::filesystem::path abs = std::filesystem::absolute(path, ec);
  platform::open_document(ec ? path : abs.lexically_normal().string());
}

void GETRES() {
  ALLRESULTARR.clear();
  READBAS(RESFN);
  APPENDRESULT();
  EXPORTTOEXCEL(".");
}

}  // namespace qora
