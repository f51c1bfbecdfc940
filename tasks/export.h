// The export of the results base to a spreadsheet workbook for teachers.
//
// The first sheet lists one row per record and element: the date and the
// player (the record's name split at its first "-"), the element's symbol and
// whether the player knew it, under a bold, frozen header with filter buttons.
// The second sheet sums it up: per player and game the elements known and
// unknown and the share known; per element how often it was known and unknown
// across the base, least known first, with a bar chart of the share known.
//
// The workbook goes into the working folder as "Result_YYYY-MM-DD.xlsx" (the
// date of the program's clock), or "Result_YYYY-MM-DD_2.xlsx" and so on when
// that name is taken: an existing file is never overwritten. It is written
// under a temporary name and renamed into place, so a failed export leaves
// nothing behind.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <functional>
#include <vector>

#include "platform/clock.h"
#include "state/types.h"
#include "tasks/scorefiles.h"

namespace qora {

extern std::array<RESULTREC, MAXRESULT + 1> FRA;  // records 1..FRACOUNT of one base file
extern int32_t FRACOUNT;
extern std::vector<RESULTREC> ALLRESULTARR;  // the records of every file read, in order

// Reads "Result.qora" and exports it; opens the workbook with the desktop's
// application, or shows the message box when it cannot be written. The game
// goes on either way. The action of the main menu's hidden item 4.
void GETRES();
// Reads the base file FN into FRA and FRACOUNT: at most the first MAXRESULT
// records. A missing file, or one that cannot be read whole up to there,
// gives no records.
void READBAS(const std::string& FN);
// Appends FRA[1..FRACOUNT] to ALLRESULTARR and empties FRA.
void APPENDRESULT();
// Writes ALLRESULTARR as a new workbook in the folder DIR and opens it; when
// it cannot be written, MSG[129] appears in the message box captioned MSG[128].
void EXPORTTOEXCEL(const std::string& DIR);

namespace exporter {

// Calls answer(e, known) for each element the record's sets hold, in element
// order, known and unknown mixed: the rows of one record in the workbook and
// in the records tool's CSV. An element in both sets (only in a damaged
// record) gives both.
void for_each_answer(const RESULTREC& rec, const std::function<void(int e, bool known)>& answer);

// The k-th candidate name of the day's workbook: Result_2026-12-05.xlsx,
// then Result_2026-12-05_2.xlsx, ...
std::string workbook_name(const platform::LocalTime& date, int k);

// Writes the workbook of recs into the folder dir: named name, or when name
// is empty the first free candidate of today's date. Never replaces a file.
// Uses ELEMENT, ELCOUNT and MSG. On success path is the file written; on
// failure err says why and no file is left behind.
bool write_workbook(const std::vector<RESULTREC>& recs, const std::string& dir,
                    const std::string& name, std::string& path, std::string& err);

}  // namespace exporter
}  // namespace qora
