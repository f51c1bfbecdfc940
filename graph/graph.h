// The graphics surface as the game sees it: a window of a chosen mode with
// four pages of palette indices, a 16-entry palette, shape primitives, text in
// installed faces, image capture and paste, and the keyboard, mouse, delay and
// tone. Plain routines over one global drawing state; failures are reported in
// GRRESULT and never raise. Strings are Windows-1251 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qora {

// ---- Result codes ----------------------------------------------------------
constexpr int16_t GROK = 0;
constexpr int16_t GRNOINITGRAPH = -1;
constexpr int16_t GRINVALIDDRIVER = -2;
constexpr int16_t GRINVALIDMODE = -3;
constexpr int16_t GRNOTWINDOW = -4;
constexpr int16_t GRINVALIDFONT = -5;
constexpr int16_t GRINVALIDFONTNUM = -6;
constexpr int16_t GRINVALIDPARAM = -7;
constexpr int16_t GRNOPALETTE = -8;
constexpr int16_t GRNOOPENGL = -9;
constexpr int16_t GRERROR = -10;
int16_t GRAPHRESULT();  // the last result code (GRRESULT)

// ---- Drivers and modes -----------------------------------------------------
constexpr int16_t DETECT = 0, D1BIT = 1, D4BIT = 2, D8BIT = 3, NOPALETTE = 9;
constexpr int16_t M320X200 = 1, M640X200 = 2, M640X350 = 3, M640X480 = 4, M720X350 = 5,
                  M800X600 = 6, M1024X768 = 7, M1280X1024 = 8, MDEFAULT = 10,
                  MMAXIMIZED = 11, MFULLSCR = 12, MCUSTOM = 13;
extern int32_t CUSTOMWIDTH, CUSTOMHEIGHT;

// ---- Named colours (palette indices once graphics are open) ----------------
extern uint32_t BLACK, BLUE, GREEN, CYAN, RED, MAROON, BROWN, MAGENTA, LIGHTGRAY,
    LIGHTBROWN, DARKGRAY, LIGHTBLUE, LIGHTGREEN, LIGHTCYAN, LIGHTRED, LIGHTMAGENTA,
    YELLOW, WHITE;
// The full table of named colours (web colour names plus a few of our own).
struct NamedColour {
  const char* name;
  uint8_t r, g, b;
  uint32_t* var;  // the global variable that holds its index, or nullptr
};
const std::vector<NamedColour>& MAGICKPALETTE();
// Looks a named colour up by its upper-case name; nullptr when unknown.
const NamedColour* FINDNAMEDCOLOUR(const std::string& name);

struct RGBCOLOUR {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const RGBCOLOUR&, const RGBCOLOUR&) = default;
};
extern const std::array<RGBCOLOUR, 256> DEFAULTVGAPALETTE;

// ---- Drawing state types ---------------------------------------------------
using FILLPATTERN = std::array<uint8_t, 8>;
constexpr uint16_t EMPTYFILL = 0, SOLIDFILL = 1, LINEFILL = 2, LTSLASHFILL = 3,
                   HATCHFILL = 4, SLASHFILL = 5, BKSLASHFILL = 6, XHATCHFILL = 7,
                   USERFILL = 8, NOFILL = 9;
struct FILLSETTINGSTYPE {
  uint16_t PATTERN = SOLIDFILL;
  uint32_t COLOR = 0;
};
struct VIEWPORTTYPE {
  int16_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  bool CLIP = false;
};
struct TEXTSETTINGSTYPE {
  uint16_t FONT = 0, DIRECTION = 0, CHARSIZE = 16, HORIZ = 0, VERT = 2;
};

// ---- Start, stop, size -----------------------------------------------------
void INITGRAPH(int16_t& driver, int16_t& mode, const std::string& title);
void CLOSEGRAPH();
bool GRAPHENABLED();
int16_t GETMAXX();
int16_t GETMAXY();
// The screen (desktop) size that full-screen mode takes, as the backend sees it.
void GETSCREENSIZE(int32_t& w, int32_t& h);

// ---- Pages and viewport ----------------------------------------------------
void SETACTIVEPAGE(uint16_t page);
void SETVISUALPAGE(uint16_t page);
uint16_t GETACTIVEPAGE();
uint16_t GETVISUALPAGE();
void SETVIEWPORT(int16_t x1, int16_t y1, int16_t x2, int16_t y2, bool clip);
void GETVIEWSETTINGS(VIEWPORTTYPE& vp);
void CLEARVIEWPORT();
void CLEARDEVICE();

// ---- Colours and palette ---------------------------------------------------
void SETCOLOR(uint32_t colour);
uint32_t GETCOLOR();
uint32_t GETBKCOLOR();
void SETRGBPALETTE(uint16_t slot, uint16_t red, uint16_t green, uint16_t blue);
void SETPALETTE(uint16_t slot, uint16_t colour);
RGBCOLOUR GETPALETTEENTRY(uint16_t slot);

// ---- Primitives ------------------------------------------------------------
void PUTPIXEL(int16_t x, int16_t y, uint32_t colour);
uint32_t GETPIXEL(int16_t x, int16_t y);  // palette index on the active page
void LINE(int16_t x1, int16_t y1, int16_t x2, int16_t y2);
void RECTANGLE(int16_t x1, int16_t y1, int16_t x2, int16_t y2);
void BAR(int16_t x1, int16_t y1, int16_t x2, int16_t y2);
void ARC(int16_t x, int16_t y, uint16_t start, uint16_t stop, uint16_t radius);
void CIRCLE(int16_t x, int16_t y, uint16_t radius);
void FILLELLIPSE(int16_t x, int16_t y, uint16_t xradius, uint16_t yradius);
void FLOODFILL(int16_t x, int16_t y, uint32_t border);
void SETFILLPATTERN(const FILLPATTERN& pattern, uint32_t colour);
void SETFILLSTYLE(uint16_t pattern, uint32_t colour);
void GETFILLSETTINGS(FILLSETTINGSTYPE& fs);
void MOVETO(int16_t x, int16_t y);
int16_t GETX();
int16_t GETY();

// ---- Text ------------------------------------------------------------------
constexpr uint16_t COURIERNEWFONT = 0, SYSTEMFONT = 1, MSSANSSERIFFONT = 2,
                   TIMESNEWROMANFONT = 3, ARIALFONT = 4, LUCIDACONSOLEFONT = 5;
constexpr int NRMAXFONTS = 15;
constexpr uint16_t HORIZDIR = 0;
void SETTEXTSTYLE(uint16_t font, uint16_t direction, uint16_t charsize);
void GETTEXTSETTINGS(TEXTSETTINGSTYPE& ts);
void OUTTEXTXY(int16_t x, int16_t y, const std::string& text);
uint16_t TEXTWIDTH(const std::string& text);
uint16_t TEXTHEIGHT(const std::string& text);
// Installs a face in the next free slot; its number, or -1 (GRINVALIDFONT).
int16_t INSTALLUSERFONT(const std::string& face);

// ---- Images ----------------------------------------------------------------
constexpr uint16_t COPYPUT = 0, XORPUT = 1, ORPUT = 2, ANDPUT = 3, NOTPUT = 4,
                   NOTORPUT = 5, INVBITORPUT = 6, INVSCRANDPUT = 7;
int32_t IMAGESIZE(int16_t x1, int16_t y1, int16_t x2, int16_t y2);
void GETIMAGE(int16_t x1, int16_t y1, int16_t x2, int16_t y2, std::vector<uint8_t>& buffer);
void PUTIMAGE(int16_t x, int16_t y, const std::vector<uint8_t>& buffer, uint16_t mode);

// ---- Keyboard, mouse, delay, sound -----------------------------------------
bool KEYPRESSED();
char READKEY();
void DELAY(uint16_t ms);
// Blocks for its duration and plays whatever it is asked: the game asks only
// while its sound effects are on (BEEP, toolkit/widgets.h).
void SOUND(uint16_t hz, uint16_t dur);
uint16_t GETMOUSEX();
uint16_t GETMOUSEY();
uint16_t GETMOUSEBUTTONS();
// One consistent look at the mouse: the position, the buttons held, and how
// many presses and releases have been reported since graphics opened (counts
// that only grow, so two looks tell the clicks between them). Looking has no
// side effect.
struct MOUSESTATE {
  uint16_t X = 0, Y = 0, BUTTONS = 0;
  uint32_t PRESSES = 0, RELEASES = 0;
};
MOUSESTATE GETMOUSESTATE();
constexpr uint16_t MOUSELEFTBUTTON = 1, MOUSERIGHTBUTTON = 2, MOUSEMIDDLEBUTTON = 4;
constexpr uint16_t MOUSEACTIONDOWN = 1, MOUSEACTIONUP = 2, MOUSEACTIONMOVE = 4;

// True once the window's close button has been pressed (GRCLOSEREQUEST).
bool GRCLOSEREQUEST();

}  // namespace qora
