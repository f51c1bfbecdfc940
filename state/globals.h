// The global game state and the constants shared by several subsystems.
// Everything here starts zeroed and lives for the whole run; the game's own
// globals are used from the main thread only and are never locked.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "state/types.h"

namespace qora {

// ---- Loaded data -----------------------------------------------------------
extern std::vector<std::string> MSG;  // MSG[n] = line n of "002"; MSG[0] stays empty
extern std::vector<DATABASE> ELEMENT; // index 0..ELCOUNT; element number k at index k - 1
extern int32_t ELCOUNT;
extern std::array<BYTESET, 5> GRUPARR;  // groups 1..4 (index 0 unused)
extern std::array<uint8_t, 105> CURGRUPARR;
extern uint8_t CURGRUPCOUNT;
extern int32_t KLASS;
extern const std::array<uint8_t, 105> TABLEPOS;
extern const std::array<char, 67> LATARR;  // keyboard map, entries 1..66
extern const std::array<char, 67> RUSARR;

// Safe access to the message table: a line the file did not have is empty.
const std::string& msg(int n);

// ---- Players and their results ---------------------------------------------
extern int32_t PLCH;
extern std::array<PLAYREC, 3> PLAYER;
extern std::array<RESULTREC, 2> PLAYERRESULT;
extern std::string CURFN;
extern std::array<FIRSTREC, 6> FIRST5;  // ranks 1..5 (index 0 unused)
extern uint16_t TIMELIM;

// ---- The current task ------------------------------------------------------
extern std::array<DATABASE, 5> MISHEN;
extern uint16_t CORNO;
extern int32_t COREL;
extern int32_t NOWCORNOMBS;
extern DATABASE COMOD;
extern ELSET USEDNOMBS;
extern ELSET USEDCORNOMBS;

// ---- Time keeping of an attempt --------------------------------------------
extern uint16_t STARTSEC;
extern uint16_t SECBEFORESCPRESSED;
extern int32_t CURTIME;
extern int32_t LASTCURTIME;
extern uint16_t SEC;
extern int32_t READTIME;
extern int32_t READHELP;

// ---- Input state -----------------------------------------------------------
extern char D;
extern TPOINT G_PTMOUSE;
extern int32_t G_IMOUSEBUTTON;
extern bool G_BLABELSELECTEDSTATE;

// ---- Settings and graphics -------------------------------------------------
extern uint32_t G_ISCREENRESOLUTION;
extern bool SOUNDOK;
extern int16_t GD, GM;
using IMAGEBUF = std::vector<uint8_t>;
extern std::array<IMAGEBUF, 3> MISH;
extern std::array<IMAGEBUF, 5> PUSHKA;
using FILLPATTERNTYPE = std::array<uint8_t, 8>;
extern const FILLPATTERNTYPE FPAT;
extern const FILLPATTERNTYPE LPAT;
extern int32_t I, J, H, X;  // loop counters and the flash state

// ---- Shared constants ------------------------------------------------------
constexpr int G_CGAMENMAINPAGE0 = 0;
constexpr int G_CGAMENMAINPAGE1 = 1;
constexpr int G_CGAMENMAINASKPAGE = 2;
constexpr int G_CGAMENMAINMENUPAGE = 3;
constexpr int C_MISHFRONT = 0, C_MISHTURN = 1, C_MISHFALL = 2;
constexpr int MAXZAD = 200;
constexpr std::array<int16_t, 5> G_CSCREENRESOLUTIONS = {0, 4, 6, 7, 12};  // options 1..4
constexpr int G_CSCREENRESOLUTIONSCOUNT = 4;
constexpr int CMSGMENUSTARTINDEX = 103, CMENUITEMSCOUNT = 9;
constexpr std::array<int, 4> CMENUSPACEITEMS = {1, 4, 6, 8};
constexpr int CMENUSPACEITEMSCOUNT = 4;
constexpr int CMSGSOUNDEFFECTSSTARTINDEX = 112, CMENUSOUNDEFFECTSITEMSCOUNT = 2;
constexpr int CMSGSCREENRESOLUTIONSTARTINDEX = 114, CMENUSCREENRESOLUTIONITEMSCOUNT = 4;
constexpr int CMENUSOUNDEFFECTSITEMIDX = 5, CMENUSCREENRESOLUTIONITEMIDX = 6;
inline constexpr const char* ELFN = "001";
inline constexpr const char* MSGFN = "002";
inline constexpr const char* GROUPFN = "group.qora";
inline constexpr const char* RESFN = "Result.qora";
inline constexpr const char* G_CQORAHELPFILE = "qora.chm";

// Lines of the message table the program uses: 129 for its screens, then 130,
// the group editor's message when the groups could not be saved.
constexpr int MSG_COUNT_NEEDED = 130;

}  // namespace qora
