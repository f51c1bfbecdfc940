// Screen geometry, colours and fonts: everything the game draws is placed in
// absolute pixels computed once from the size of the graphics window, and
// computed again whenever the window is reopened in another mode.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "state/types.h"

namespace qora {

// Nearest integer, halves to the even neighbour (the rounding used for every
// pixel position and shown number).
inline int32_t RND(double v) { return static_cast<int32_t>(std::nearbyint(v)); }

// ---- Layout (INITCOORDS and the parts that draw the gallery) ---------------
extern TRECT G_RCSCREEN;
extern TRECT G_RCMISHEN;
extern TPOINT G_PTTIMEBARSIZE;
extern TPOINT G_PTWALLSIZE;
extern TPOINT G_PTFLOORSIZE;
extern TPOINT G_PTSKYMINPOINT;
extern TPOINT G_PTSKYMAXPOINT;
extern TPOINT G_PTFRONTWALLSIZE;
extern TPOINT G_PTFRONTWALLLEFTPOINT;
extern int32_t G_IMAINTITLETOP;
extern double G_RSCREENSCALEX;
extern TPOINT G_PTMISHENDISTANCE;
extern TPOINT G_PTPRICELDISTANCE;
extern int32_t G_ISTOIKADISTANCEY;
extern TPOINT G_PTBOXSIZE;
extern TPOINT G_PTBOXTHICKSIZE;
extern TPOINT G_PTBOXDISTANCE;
extern TRECT G_RCPUSHKA;
extern TRECT G_RCAUTHORS;
extern TRECT G_RCFIRMLABEL;

// ---- Colours (INITCOLORS) --------------------------------------------------
extern uint32_t G_IFONTPANELCOLOR, G_IFONTDARKCOLOR, ALPHACOL, G_IFONTACTIVEMENUCOLOR,
    G_IFONTPASIVEMENUCOLOR, G_IFONTHELPCOLOR, G_IFONTDESCRIPTIONCOLOR,
    G_IFONTDESCRIPTIONBACKCOLOR, PRICELCOL, G_IFONTCOMMANDCOLOR, G_IFONTMESSAGECOLOR;
extern uint32_t T1COL2, T2COL2, T3COL2;
extern uint32_t T1COL_CONST, T2COL_CONST, T3COL_CONST;
extern uint32_t T1COL, T2COL, T3COL;
extern uint32_t DECC, INCC;

// ---- Fonts (INITCHARSIZE) --------------------------------------------------
extern uint16_t G_IFONTAUTHOR, G_IFONTAUTHORSIZE;
extern TPOINT G_PTAUTHORCHARSIZE;
extern uint16_t G_IFONTCONTROL, G_IFONTCONTROLSIZE;
extern TPOINT G_PTCONTROLCHARSIZE;
extern uint16_t G_IFONTMAINTITLE, G_IFONTMAINTITLESIZE;
extern TPOINT G_PTMAINTITLECHARSIZE;
extern uint16_t G_IFONTDESCRIPTION, G_IFONTDESCRIPTIONSIZE;
extern TPOINT G_PTDESCRIPTIONCHARSIZE;

// The colours, the geometry and the fonts for the open window (called by
// INITGRAPHWITHVARIBLES, screens/window.h).
void INITCOLORS();
void INITCOORDS();
void INITCHARSIZE();

// Text for a graphics result code, for the start-up failure message.
const char* grapherrormsg(int16_t code);

}  // namespace qora
