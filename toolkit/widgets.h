// The small widgets every screen is built from, and the waiting that ties them
// to the player (on the poll pass of toolkit/poll.h): bars and fills, bevelled
// buttons, the twinkling frame, menu items and text panels, the pulsing flash
// colour, the next item after an arrow key, the waits for a key or a click,
// the maker's label and the sliding title.
#pragma once

#include <cstdint>
#include <string>

#include "state/types.h"

namespace qora {

void CBAR(int32_t x, int32_t y, int32_t xx, int32_t yy, uint16_t fcol);
void PAINT(int32_t x, int32_t y, uint16_t fcol, uint16_t bcol);
void MINIBUTTON(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t col,
                const std::string& text, bool state);
void RAMKA(const TRECT& r);

void OUTPASTMENU(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s);
void OUTACTMENU(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s);
void OUTBLINKMENU(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s);
void OUTCOM(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s);
void OUTHELP(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s);
void OUTMSG(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s);
void OUTBLINK(int32_t x, int32_t y, int32_t x1, int32_t y1, const std::string& s);

void INITFLASH();
void FLASH(int32_t min, int32_t max, int32_t late);
int32_t SDVIG(int32_t min, int32_t max, int32_t sh, int32_t unused);
// A sound effect: SOUND(hz, ms) while sound effects are on, nothing (and no
// wait) while they are off.
void BEEP(uint16_t hz, uint16_t ms);
void WAIT(int32_t ms);
void WAITSTILL();
void WAITKEYPRESSED(bool bdoselectlabel);
void PROCESSMESSAGES(bool bdoselectlabel);

void FIRMLABEL(bool bselect);
void FIRMLABEL_SELECT(bool bselect);
// The absolute path of the page the maker's label opens.
std::string FIRMLABEL_GETSITE();
void VYEZD(const std::string& namprog);

}  // namespace qora
