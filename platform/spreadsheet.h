// Writing a spreadsheet workbook (.xlsx) without a spreadsheet application:
// sheets of text and number cells, column widths, a frozen header row, an
// autofilter and a bar chart. Rows are streamed to disk as they are written,
// so memory stays small whatever the number of rows; the price is that the
// rows of a sheet must be written in ascending order.
//
// Texts are UTF-8. Rows and columns count from 0. A call that fails (a row
// out of order or past the sheet's last row, a disk error) is remembered and
// reported by close(); the calls in between do nothing harmful.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qora::platform {

class Workbook {
 public:
  enum class Style { plain, bold, percent };

  // A workbook to be written to path by close(). The rows wait in unnamed
  // temporary files in tmpdir (put it on the same disk as path, so that a
  // full disk shows up as a failure of close()).
  Workbook(const std::string& path, const std::string& tmpdir);
  ~Workbook();  // a workbook that was not closed writes nothing
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  // Adds a sheet; its number (0 for the first) addresses it below. Characters
  // a sheet name may not hold are replaced and the name is cut to its limit.
  int add_sheet(std::string_view name);

  void text(int sheet, uint32_t row, uint16_t col, std::string_view utf8,
            Style style = Style::plain);
  void number(int sheet, uint32_t row, uint16_t col, double value, Style style = Style::plain);
  // Width in characters of the default font.
  void column_width(int sheet, uint16_t col, double width);
  // Keeps row 0 in view while the rest scrolls.
  void freeze_header(int sheet);
  // Filter buttons on row 0 over the given columns, for rows 0 to last_row.
  void autofilter(int sheet, uint32_t last_row, uint16_t first_col, uint16_t last_col);

  // A horizontal bar chart placed at (row, col) of sheet: one bar per row
  // first_row..last_row of data_sheet, labelled by label_col and as long as
  // value_col. Values are shares from 0 to 1, shown as percentages; the
  // first row is drawn at the top.
  struct BarChart {
    std::string title;
    int data_sheet = 0;
    uint32_t first_row = 0, last_row = 0;
    uint16_t label_col = 0, value_col = 0;
    int width_px = 480, height_px = 288;
  };
  void bar_chart(int sheet, uint32_t row, uint16_t col, const BarChart& chart);

  // Writes the file. False, with err set, when it could not be written whole
  // or any earlier call failed; a partly written file may then remain at path.
  bool close(std::string& err);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The width a text needs, in characters: its code points.
size_t text_width(std::string_view utf8);

}  // namespace qora::platform
