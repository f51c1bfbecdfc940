#include "state/globals.h"

namespace qora {

std::vector<std::string> MSG;
std::vector<DATABASE> ELEMENT;
int32_t ELCOUNT = 0;
std::array<BYTESET, 5> GRUPARR{};
std::array<uint8_t, 105> CURGRUPARR{};
uint8_t CURGRUPCOUNT = 0;
int32_t KLASS = 0;

// Cell T of the periodic table shows element index TABLEPOS[T], cells in
// drawing order (rows 1-7, row 8 with the lanthanides, rows 9-10 with the
// actinides).
const std::array<uint8_t, 105> TABLEPOS = {
    5,  26, 27, 28, 3,  21, 0,  11, 23, 29, 16, 13, 1,  12, 22, 19, 24, 30, 9,  10, 31,
    32, 33, 34, 14, 6,  35, 36, 15, 25, 37, 38, 39, 40, 4,  41, 42, 43, 44, 45, 46, 47,
    48, 49, 50, 51, 20, 52, 53, 54, 55, 56, 8,  57, 58, 2,  75, 76, 77, 78, 79, 80, 81,
    82, 83, 84, 85, 86, 87, 88, 89, 59, 60, 61, 62, 63, 64, 65, 7,  17, 66, 18, 67, 68,
    69, 70, 71, 72, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100, 101, 102, 103, 104, 73, 74};

// Latin key characters and the Cyrillic letters (Windows-1251) on the same
// keys of the Russian layout; entries 1..33 unshifted, 34..66 shifted.
const std::array<char, 67> LATARR = {
    0,   'q', 'w', 'e', 'r', 't', 'y', 'u', 'i', 'o', 'p', '[', ']', 'a', 's', 'd', 'f',
    'g', 'h', 'j', 'k', 'l', ';', '\'', 'z', 'x', 'c', 'v', 'b', 'n', 'm', ',', '.', '/',
    'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', '{', '}', 'A', 'S', 'D', 'F', 'G',
    'H', 'J', 'K', 'L', ':', '"', 'Z', 'X', 'C', 'V', 'B', 'N', 'M', '<', '>', '?'};
const std::array<char, 67> RUSARR = {
    0,      '\xE9', '\xF6', '\xF3', '\xEA', '\xE5', '\xED', '\xE3', '\xF8', '\xF9', '\xE7',
    '\xF5', '\xFA', '\xF4', '\xFB', '\xE2', '\xE0', '\xEF', '\xF0', '\xEE', '\xEB', '\xE4',
    '\xE6', '\xFD', '\xFF', '\xF7', '\xF1', '\xEC', '\xE8', '\xF2', '\xFC', '\xE1', '\xFE',
    '\xB8', '\xC9', '\xD6', '\xD3', '\xCA', '\xC5', '\xCD', '\xC3', '\xD8', '\xD9', '\xC7',
    '\xD5', '\xDA', '\xD4', '\xDB', '\xC2', '\xC0', '\xCF', '\xD0', '\xCE', '\xCB', '\xC4',
    '\xC6', '\xDD', '\xDF', '\xD7', '\xD1', '\xCC', '\xC8', '\xD2', '\xDC', '\xC1', '\xDE',
    '?'};

const std::string& msg(int n) {
  static const std::string empty;
  if (n < 0 || size_t(n) >= MSG.size()) return empty;
  return MSG[size_t(n)];
}

int32_t PLCH = 0;
std::array<PLAYREC, 3> PLAYER{};
std::array<RESULTREC, 2> PLAYERRESULT{};
std::string CURFN;
std::array<FIRSTREC, 6> FIRST5{};
uint16_t TIMELIM = 0;

std::array<DATABASE, 5> MISHEN{};
uint16_t CORNO = 0;
int32_t COREL = 0;
int32_t NOWCORNOMBS = 0;
DATABASE COMOD{};
ELSET USEDNOMBS{};
ELSET USEDCORNOMBS{};

uint16_t STARTSEC = 0;
uint16_t SECBEFORESCPRESSED = 0;
int32_t CURTIME = 0;
int32_t LASTCURTIME = 0;
uint16_t SEC = 0;
int32_t READTIME = 0;
int32_t READHELP = 0;

char D = 0;
TPOINT G_PTMOUSE{};
int32_t G_IMOUSEBUTTON = 0;
bool G_BLABELSELECTEDSTATE = false;

uint32_t G_ISCREENRESOLUTION = 0;
bool SOUNDOK = false;
int16_t GD = 0, GM = 0;
std::array<IMAGEBUF, 3> MISH{};
std::array<IMAGEBUF, 5> PUSHKA{};
const FILLPATTERNTYPE FPAT = {255, 255, 255, 255, 255, 255, 255, 255};
const FILLPATTERNTYPE LPAT = {85, 170, 85, 170, 85, 170, 85, 170};
int32_t I = 0, J = 0, H = 0, X = 0;

}  // namespace qora
