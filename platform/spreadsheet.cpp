#include "platform/spreadsheet.h"

#include <xlsxwriter.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace qora::platform {

struct Workbook::Impl {
  lxw_workbook* book = nullptr;
  std::vector<lxw_worksheet*> sheets;
  std::vector<std::string> names;
  lxw_format* bold = nullptr;
  lxw_format* percent = nullptr;
  std::string tmpdir;  // outlives the workbook, which keeps a pointer to it
  std::string error;   // the first failure

  void fail(const std::string& what) {
    if (error.empty()) error = what;
  }
  void check(lxw_error e, const char* what) {
    if (e != LXW_NO_ERROR) fail(std::string(what) + ": " + lxw_strerror(e));
  }
  lxw_worksheet* sheet(int n) {
    return n >= 0 && size_t(n) < sheets.size() ? sheets[size_t(n)] : nullptr;
  }
  lxw_format* format(Style s) const {
    switch (s) {
      case Style::bold: return bold;
      case Style::percent: return percent;
      case Style::plain: break;
    }
    return nullptr;
  }
};

Workbook::Workbook(const std::string& path, const std::string& tmpdir)
    : impl_(std::make_unique<Impl>()) {
  impl_->tmpdir = tmpdir;
  lxw_workbook_options opt{};
  opt.constant_memory = LXW_TRUE;  // rows go to disk as they are written
  opt.tmpdir = impl_->tmpdir.data();
  impl_->book = workbook_new_opt(path.c_str(), &opt);
  if (!impl_->book) {
    impl_->fail("could not start the workbook");
    return;
  }
  impl_->bold = workbook_add_format(impl_->book);
  impl_->percent = workbook_add_format(impl_->book);
  if (impl_->bold) format_set_bold(impl_->bold);
  if (impl_->percent) format_set_num_format(impl_->percent, "0%");
}

Workbook::~Workbook() {
  // The library only writes the file when it closes the workbook; an
  // unfinished one is freed without writing anything.
  if (impl_ && impl_->book) lxw_workbook_free(impl_->book);
}

int Workbook::add_sheet(std::string_view name) {
  if (!impl_->book) return -1;
  // Sheet names: no []:*?/\ , no apostrophe at either end, 31 characters.
  std::string clean;
  size_t chars = 0;
  for (size_t i = 0; i < name.size() && chars < LXW_SHEETNAME_MAX;) {
    const auto c = static_cast<unsigned char>(name[i]);
    const size_t len = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    std::string_view ch = name.substr(i, len);
    if (ch.size() == 1 && (std::strchr("[]:*?/\\", ch[0]) || c < 0x20)) ch = "_";
    clean += ch;
    ++chars;
    i += len;
  }
  while (!clean.empty() && clean.front() == '\'') clean.erase(0, 1);
  while (!clean.empty() && clean.back() == '\'') clean.pop_back();
  for (const std::string& n : impl_->names)  // names must differ
    if (n == clean) clean.clear();
  if (clean.empty()) clean = "Sheet" + std::to_string(impl_->sheets.size() + 1);

  lxw_worksheet* ws = workbook_add_worksheet(impl_->book, clean.c_str());
  if (!ws) {
    impl_->fail("could not add the sheet " + clean);
    return -1;
  }
  impl_->sheets.push_back(ws);
  impl_->names.push_back(clean);
  return int(impl_->sheets.size()) - 1;
}

void Workbook::text(int sheet, uint32_t row, uint16_t col, std::string_view utf8, Style style) {
  lxw_worksheet* ws = impl_->sheet(sheet);
  if (!ws || utf8.empty()) return;  // an empty text is an empty cell
  const std::string s(utf8);
  impl_->check(worksheet_write_string(ws, row, col, s.c_str(), impl_->format(style)), "text cell");
}

void Workbook::number(int sheet, uint32_t row, uint16_t col, double value, Style style) {
  if (lxw_worksheet* ws = impl_->sheet(sheet))
    impl_->check(worksheet_write_number(ws, row, col, value, impl_->format(style)), "number cell");
}

void Workbook::column_width(int sheet, uint16_t col, double width) {
  if (lxw_worksheet* ws = impl_->sheet(sheet))
    impl_->check(worksheet_set_column(ws, col, col, width, nullptr), "column width");
}

void Workbook::freeze_header(int sheet) {
  if (lxw_worksheet* ws = impl_->sheet(sheet)) worksheet_freeze_panes(ws, 1, 0);
}

void Workbook::autofilter(int sheet, uint32_t last_row, uint16_t first_col, uint16_t last_col) {
  if (lxw_worksheet* ws = impl_->sheet(sheet))
    impl_->check(worksheet_autofilter(ws, 0, first_col, last_row, last_col), "autofilter");
}

void Workbook::bar_chart(int sheet, uint32_t row, uint16_t col, const BarChart& c) {
  lxw_worksheet* ws = impl_->sheet(sheet);
  if (!ws || !impl_->sheet(c.data_sheet)) return;
  lxw_chart* chart = workbook_add_chart(impl_->book, LXW_CHART_BAR);
  if (!chart) {
    impl_->fail("could not add the chart");
    return;
  }
  const char* data = impl_->names[size_t(c.data_sheet)].c_str();
  lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
  if (!series) {
    impl_->fail("could not add the chart's series");
    return;
  }
  chart_series_set_categories(series, data, c.first_row, c.label_col, c.last_row, c.label_col);
  chart_series_set_values(series, data, c.first_row, c.value_col, c.last_row, c.value_col);
  chart_title_set_name(chart, c.title.c_str());
  chart_legend_set_position(chart, LXW_CHART_LEGEND_NONE);
  chart_set_series_gap(chart, 50);
  // In a bar chart the x axis is the horizontal one, the values. The
  // categories run top-down in row order, with the value axis kept below.
  chart_axis_set_min(chart->x_axis, 0);
  chart_axis_set_max(chart->x_axis, 1);
  chart_axis_set_num_format(chart->x_axis, "0%");
  chart_axis_major_gridlines_set_visible(chart->x_axis, LXW_TRUE);
  chart_axis_set_reverse(chart->y_axis);
  chart_axis_set_crossing_max(chart->y_axis);
  chart_axis_set_interval_unit(chart->y_axis, 1);  // every label shown

  lxw_chart_options opt{};
  opt.x_scale = c.width_px / 480.0;  // the library's default chart is 480 x 288 pixels
  opt.y_scale = c.height_px / 288.0;
  impl_->check(worksheet_insert_chart_opt(ws, row, col, chart, &opt), "chart");
}

bool Workbook::close(std::string& err) {
  if (!impl_->book) {
    err = impl_->error;
    return false;
  }
  // The library streams each sheet's rows into a temporary file without
  // checking those writes; a full disk there would silently cut the sheet
  // short, so the files are checked here before the workbook is packed.
  for (lxw_worksheet* ws : impl_->sheets) {
    FILE* rows = ws->optimize_tmpfile;
    if (rows && (std::fflush(rows) != 0 || std::ferror(rows)))
      impl_->fail("could not write the rows of a sheet to the temporary file");
  }
  const lxw_error e = workbook_close(impl_->book);  // frees the workbook too
  impl_->book = nullptr;
  if (e != LXW_NO_ERROR) impl_->fail(std::string("writing the workbook: ") + lxw_strerror(e));
  if (!impl_->error.empty()) {
    err = impl_->error;
    return false;
  }
  return true;
}

size_t text_width(std::string_view utf8) {
  size_t n = 0;
  for (char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

}  // namespace qora::platform
