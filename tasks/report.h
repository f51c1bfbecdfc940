// The class report: one self-contained HTML page (inline CSS and SVG, no
// scripts, nothing fetched) that shows from the results base what each pupil
// knows now, what the class keeps missing and how it got on over the weeks.
//
// A pupil is the player part of a record's name (split as the export splits
// it); all records with the same player part are one pupil. Records are taken
// in file order, which is the order the game saved them: the latest game that
// asked an element decides where the pupil stands with it. The date part
// ("dd.mm.yyyy") places a game in the progress charts; a record without a
// valid date counts everywhere else.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/types.h"
#include "platform/clock.h"

namespace qora::report {

// Where a pupil stands with one element.
enum class Standing : uint8_t {
  never,      // never asked
  known,      // known in the latest game that asked it
  missed,     // missed in the latest game that asked it, and never known before
  forgotten,  // known in an earlier game, missed in the latest one
};

struct Game {
  int day = -1;  // days since 1970-01-01 of the date part; -1 when it has none
  int known = 0, asked = 0;
};

struct Pupil {
  std::string name;                // Windows-1251, as stored
  std::vector<Game> games;         // in file order
  std::vector<Standing> standing;  // by element index
  int known = 0, asked = 0;        // elements standing known / ever asked
};

struct ClassView {
  int elcount = 0;                 // element indices 0..elcount-1 are looked at
  std::vector<Pupil> pupils;       // by name, alphabetically
  std::vector<int> asked;          // elements ever asked, in periodic order
  std::vector<int> class_known;    // by element: pupils who know it now
  std::vector<int> class_asked;    // by element: pupils ever asked it
  int games = 0, undated = 0;
  int first_day = -1, last_day = -1;  // the period of the dated games
  long answers_known = 0, answers_missed = 0;  // over all games
};

// Days since 1970-01-01 of a "dd.mm.yyyy" date, or -1 when text is not one.
int parse_date(std::string_view text);

// Every element index below elcount (at most 256) in periodic order: the
// cells of the game's table first, then any further elements by index.
std::vector<int> periodic_order(int elcount);

// The row and column (from 1) of each cell T of the game's short-form table,
// in the drawing order TABLEPOS follows; rows 12 and 13 are the f-rows.
struct Cell {
  int row, col;
};
const std::vector<Cell>& table_cells();

ClassView analyse(const std::vector<RESULTREC>& records, int elcount);

// What the page counts, and a count of it as the page writes it, the noun
// agreeing with the number ("21 ученик", "22 ученика"), Windows-1251.
enum class Noun { pupil, game, undated_game, element_asked, answer_known, answer_missed };
std::string counted(long long n, Noun noun);

// The page, UTF-8. base_name is shown as the source (a file name, UTF-8).
std::string render(const ClassView& view, const std::vector<DATABASE>& elements,
                   const std::string& base_name, const platform::LocalTime& made);

// The name of the report beside the base: "report_YYYY-MM-DD.html" in the
// base's folder, and for k > 1 "report_YYYY-MM-DD_k.html".
std::string default_name(const std::string& base_path, const platform::LocalTime& day, int k);

// The whole command: reads the base, finds and loads the element table,
// writes the page to out (or, when out is empty, to the first free default
// name beside the base, never over an existing file) and prints its path.
// A failure prints one line on stderr; returns the exit status (0 or 1).
int run(const std::string& base_path, const std::string& out);

}  // namespace qora::report
