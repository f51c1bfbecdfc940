// The score tables ("1player.qora", "2players.qora") and the results base
// ("Result.qora"): appending a finished game, archiving a full file under a
// dated name, and ranking the five best entries of a score table.
//
// Files are flat sequences of fixed-size records (PLAYREC, 53 bytes, or
// RESULTREC, 95 bytes) in the working directory. Every rewrite is atomic and
// durable, and several games sharing one folder take turns through the lock
// file ".qora.lock", so neither a crash nor a second game ever loses or tears
// a file. A failed save prints one line on stderr; the game goes on.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/types.h"
#include "platform/clock.h"

namespace qora {

constexpr int MAXSCORE = 20;     // records in a score table before it is archived
constexpr int MAXRESULT = 1500;  // records in the results base before it is archived
inline constexpr const char* ONEPLAYERFN = "1player.qora";
inline constexpr const char* TWOPLAYERSFN = "2players.qora";
inline constexpr const char* BAKFN = "Res.bak";
inline constexpr const char* LOCKFN = ".qora.lock";

// Appends PLAYER[NOM] to the score table FN.
void ADDSCORE(int32_t NOM, const std::string& FN);
// Appends PLAYERRESULT[NOM] to the results base FN.
void ADDRESULT(int32_t NOM, const std::string& FN);
// Fills FIRST5 with the five best distinct entries among NP and the records
// of the score table FN.
void GETFIRST5(const std::string& FN, const PLAYREC& NP);

namespace scorefiles {

// The appends behind ADDSCORE and ADDRESULT; true when the record is stored.
// On false one line has been printed on stderr and no file lost anything.
bool append_score(const PLAYREC& rec, const std::string& fn);
bool append_result(const RESULTREC& rec, const std::string& fn);

// How long an append waits for another game that is saving (default 5 s).
void set_lock_wait_ms(int ms);

// Archive names without the ".old" ending: "1p051226" for the table
// "1player.qora" on 5 December 2026, "res_2026_12_05" for the base.
std::string score_archive_stem(const std::string& table_name, const platform::LocalTime& date);
std::string result_archive_stem(const platform::LocalTime& date);
// The k-th candidate name for an archive: stem.old, then stem_2.old, stem_3.old ...
std::string archive_name(const std::string& stem, int k);

// The whole records held in bytes; a torn last record is left out.
std::vector<PLAYREC> parse_scores(const std::string& bytes);
std::vector<RESULTREC> parse_results(const std::string& bytes);

// The split of a results record's name used by the export: the date part is
// the text before the first "-" with blanks and control characters trimmed,
// the player part starts at the second character after the "-"; with no "-",
// the date is empty and the player is the whole name.
void split_result_name(std::string_view name, std::string_view& date, std::string_view& player);

// The top-five ranking over NP and then the table in file order; ranks 1..5
// of the result are filled (index 0 unused), empty ranks have an empty NAME
// and rating 0.
std::array<FIRSTREC, 6> rank_first5(const std::vector<PLAYREC>& table, const PLAYREC& np);

}  // namespace scorefiles
}  // namespace qora
