// The score tables ("1player.qora", "2players.qora") and the results base
// ("Result.qora"): appending a finished game, archiving a full file under a
// dated name, and ranking the five best entries of a score table.
//
// Files are flat sequences of fixed-size records (PLAYREC, 53 bytes, or
// RESULTREC, 95 bytes) in the working directory. Every rewrite is atomic and
// durable, and several games sharing one folder, of one user or of several,
// on one computer or several, take turns through the folder's lock
// (platform/folderlock.h: ".qora.lock" and the lease ".qora.lease"). Only the
// game's own tables are ever written; anything else found under the game's
// names in the folder is named once on stderr and left alone.
//
// A finished record is first written into a pending file of its own in the
// table's folder (".qora.pend.TIME.PID.SERIAL.KIND.TABLE", KIND "s" for a
// score table and "r" for the base); whichever game then holds the lock adds
// every pending file of the folder to its table, in the order they were
// written, and removes them. A game that cannot get the lock in time leaves
// its pending file for the next game that saves there, or for its own next
// start. Each step of a merge is announced in ".qora.merge" (the table's new
// size and checksum, the archive it makes, the pending files it takes), so
// that the next holder of the lock completes or undoes a step a killed game
// left half done: a record is never lost and never stored twice, and no
// archive is left empty. A save that does not reach the table prints one
// line on stderr; the game goes on.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/types.h"
#include "platform/clock.h"
#include "platform/safefile.h"

namespace qora {

constexpr int MAXSCORE = 20;     // records in a score table before it is archived
constexpr int MAXRESULT = 1500;  // records in the results base before it is archived
inline constexpr const char* ONEPLAYERFN = "1player.qora";
inline constexpr const char* TWOPLAYERSFN = "2players.qora";
inline constexpr const char* BAKFN = "Res.bak";
inline constexpr const char* LOCKFN = platform::LOCK_NAME;
inline constexpr const char* PENDINGPREFIX = ".qora.pend.";
inline constexpr const char* MERGEFN = ".qora.merge";

// Appends PLAYER[NOM] to the score table FN.
void ADDSCORE(int32_t NOM, const std::string& FN);
// Appends PLAYERRESULT[NOM] to the results base FN.
void ADDRESULT(int32_t NOM, const std::string& FN);
// Fills FIRST5 with the five best distinct entries among NP and the records
// of the score table FN.
void GETFIRST5(const std::string& FN, const PLAYREC& NP);

namespace scorefiles {

// Where a saved record went.
enum class Saved {
  stored,   // in the table (or, when the table was full, in its archive)
  pending,  // in a pending file of the folder, added by the next game to save there
  unsaved,  // not even a pending file could be written (a read-only folder):
            // kept by this game and written with its next save
};
// The appends behind ADDSCORE and ADDRESULT. Anything but stored has printed
// one line on stderr that says why and where the record waits; no file lost
// anything.
Saved save_score(const PLAYREC& rec, const std::string& fn);
Saved save_result(const RESULTREC& rec, const std::string& fn);
// True when the record is stored in the table.
bool append_score(const PLAYREC& rec, const std::string& fn);
bool append_result(const RESULTREC& rec, const std::string& fn);

// Adds the pending files of dir to their tables and writes the records this
// game still holds; called at start-up. Leaves them when another game holds
// the lock (that game adds them). False, after one line on stderr, when some
// records could not be added.
bool merge_pending(const std::string& dir = ".");
// Records this game holds in memory because no pending file could be written.
size_t unsaved_count();

// How long an append waits for another game that is saving (default 5 s).
void set_lock_wait_ms(int ms);

// Archive names without the ".old" ending: "1p051226" for the table
// "1player.qora" on 5 December 2026, "res_2026_12_05" for the base.
std::string score_archive_stem(const std::string& table_name, const platform::LocalTime& date);
std::string result_archive_stem(const platform::LocalTime& date);
// The k-th candidate name for an archive: stem.old, then stem_2.old, stem_3.old ...
std::string archive_name(const std::string& stem, int k);

// Whether name (a bare file name) is one of the files the game keeps in its
// folder: the data files, the groups file, the score tables, the results
// base, Res.bak, an archive (".old") or one of the game's own ".qora." files.
// The teacher's tools never write over such a name.
bool game_file_name(std::string_view name);

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
