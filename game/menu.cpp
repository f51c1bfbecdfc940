#include "game/menu.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/datafiles.h"
#include "app/folders.h"
#include "app/geometry.h"
#include "app/globals.h"
#include "app/settings.h"
#include "game/driver.h"
#include "game/title.h"
#include "graph/graph.h"
#include "platform/open_document.h"
#include "screens/groups.h"
#include "screens/halloffame.h"
#include "tasks/export.h"
#include "toolkit/poll.h"
#include "toolkit/widgets.h"

namespace qora {

namespace {

// The menu's state, shared by its nested routines.
struct Menu {
  std::array<std::string, 10> SMENUARR;                // items 1..9
  std::array<std::string, 3> SMENUSOUNDEFFECTSARR;     // 1 on, 2 off
  std::array<std::string, 5> SMENUSCREENRESOLUTIONARR; // options 1..4
  std::array<TRECT, 10> RCMENU{};
  int32_t T = 1;
  int32_t HEIGHT = 0, HEIGHTSPACE = 0;
  int32_t X = 0, Y = 0, X1 = 0, XMIRROW = 0;
  bool ESCTRUE = false;
  // One pass object for the menu's whole life: the pointer's last position
  // survives redraws, and the first look after entering counts as a move.
  TPOLL poll;
};

bool hidden(int32_t k) { return k == 3 || k == 4; }

void FILLMENUMESSAGES(Menu& m) {
  for (int k = 1; k <= CMENUSOUNDEFFECTSITEMSCOUNT; ++k)
    m.SMENUSOUNDEFFECTSARR[size_t(k)] = msg(CMSGSOUNDEFFECTSSTARTINDEX + k);
  for (int k = 1; k <= CMENUSCREENRESOLUTIONITEMSCOUNT; ++k)
    m.SMENUSCREENRESOLUTIONARR[size_t(k)] = msg(CMSGSCREENRESOLUTIONSTARTINDEX + k);
  for (int k = 1; k <= CMENUITEMSCOUNT; ++k) m.SMENUARR[size_t(k)] = msg(CMSGMENUSTARTINDEX + k);
  m.SMENUARR[CMENUSOUNDEFFECTSITEMIDX] =
      msg(108) + ": " + m.SMENUSOUNDEFFECTSARR[SOUNDOK ? 1 : 2];
  const uint32_t res = G_ISCREENRESOLUTION >= 1 && G_ISCREENRESOLUTION <= 4 ? G_ISCREENRESOLUTION : 1;
  m.SMENUARR[CMENUSCREENRESOLUTIONITEMIDX] =
      msg(109) + ": " + m.SMENUSCREENRESOLUTIONARR[res];
}

void FILLMENUCOORDS(Menu& m) {
  int32_t y = m.Y;
  for (int k = 1; k <= CMENUITEMSCOUNT; ++k) {
    const int32_t half = TEXTWIDTH(m.SMENUARR[size_t(k)]) / 2;
    m.RCMENU[size_t(k)] = TRECT{m.XMIRROW - half, y, m.XMIRROW + half, y + m.HEIGHT};
    y += m.HEIGHTSPACE;
    for (int s : CMENUSPACEITEMS)
      if (k == s) y += m.HEIGHT;
  }
}

void OUTMENUITEM(Menu& m, int32_t IIDX, bool BACTIVE) {
  const TRECT& r = m.RCMENU[size_t(IIDX)];
  if (BACTIVE)
    OUTACTMENU(r.LEFT, r.TOP, r.RIGHT, r.BOTTOM, m.SMENUARR[size_t(IIDX)]);
  else
    OUTPASTMENU(r.LEFT, r.TOP, r.RIGHT, r.BOTTOM, m.SMENUARR[size_t(IIDX)]);
}

void HIDEMENUITEM(Menu& m, int32_t IIDX) {
  const TRECT& r = m.RCMENU[size_t(IIDX)];
  OUTBLINKMENU(r.LEFT, r.TOP, r.RIGHT, r.BOTTOM, m.SMENUARR[size_t(IIDX)]);
}

void full_redraw(Menu& m) {
  SETACTIVEPAGE(G_CGAMENMAINMENUPAGE);
  SETVISUALPAGE(G_CGAMENMAINMENUPAGE);
  CLEARDEVICE();
  VYEZD(msg(62));
  SETTEXTSTYLE(G_IFONTAUTHOR, HORIZDIR, G_IFONTAUTHORSIZE);
  m.HEIGHT = TEXTHEIGHT("\xD8");
  m.HEIGHTSPACE = m.HEIGHT + m.HEIGHT / 8;
  m.X = G_RCSCREEN.LEFT;
  m.Y = (G_RCSCREEN.BOTTOM - (9 * m.HEIGHTSPACE + 4 * m.HEIGHT)) / 2 + G_RCSCREEN.TOP + m.HEIGHT;
  m.X1 = G_RCSCREEN.RIGHT;
  m.XMIRROW = (m.X1 - m.X) / 2 + m.X;
  FILLMENUMESSAGES(m);
  FILLMENUCOORDS(m);
  OUTMENUITEM(m, 1, true);
  for (int32_t k : {2, 5, 6, 7, 8, 9}) OUTMENUITEM(m, k, false);
  m.T = 1;
}

// Reopens the window in the next resolution. A mode that cannot be opened on
// this screen is passed over; when none opens, the program cannot go on.
void next_resolution() {
  std::string why;
  for (int tries = 0; tries < G_CSCREENRESOLUTIONSCOUNT; ++tries) {
    {
      TAppSettings settings;
      settings.SETSCREENRESOLUTIONNEXTOPTION();
    }
    DONEGRAPHWITHVARIBLES();
    if (INITGRAPHWITHVARIBLES(&why)) return;
  }
  std::fprintf(stderr, "qora: cannot open the graphics window: %s\n", why.c_str());
  std::exit(1);
}

// The selection loop; returns false when the menu is to be left.
bool select(Menu& m) {
  m.poll.REARM();
  m.poll.TARGETS(m.RCMENU.data(), CMENUITEMSCOUNT + 1,
                 [](int32_t k) { return k >= 1 && !hidden(k); });
  WAITSTILL();
  D = 0;
  INITFLASH();
  m.ESCTRUE = false;
  for (;;) {
    m.poll.FLASHSTEP();
    // The window's close button leaves the program from here, like Esc, even
    // when it was pressed while another screen was shown.
    if (GRCLOSEREQUEST() || m.poll.ESC()) m.ESCTRUE = true;
    if (m.ESCTRUE) break;
    m.poll.LOOK();
    if (const int32_t k = m.poll.HIT(m.T); k > 0) {
      OUTMENUITEM(m, m.T, false);
      m.T = k;
      OUTMENUITEM(m, m.T, true);
    }
    if (m.poll.EXTENDED() && !GRCLOSEREQUEST()) {
      D = static_cast<char>(m.poll.CODE());
      OUTMENUITEM(m, m.T, false);
      m.T = SDVIG(1, 9, m.T, 1);
      const unsigned char d = static_cast<unsigned char>(D);
      if (d == 77 || d == 80) {
        if (hidden(m.T)) m.T = 5;
      } else if (hidden(m.T)) {
        m.T = 2;
      }
      OUTMENUITEM(m, m.T, true);
    }
    if (m.poll.CONFIRM() || m.poll.TAKECLICK()) break;
  }
  return !m.ESCTRUE;
}

}  // namespace

void MAINMENU() {
  Menu m;
  for (;;) {
    full_redraw(m);
    bool redraw = false;
    while (!redraw) {
      if (!select(m)) return;
      switch (m.T) {
        case 1:  // the game
          RUNPROGRAMM(GAMEATTEMPT);
          redraw = true;
          break;
        case 2:  // the hall of fame
          VICTORYDESK();
          redraw = true;
          break;
        case 3:  // the group editor (hidden item): the groups come back from the file
          SETGROUPS();
          GETGRUP();
          redraw = true;
          break;
        case 4:  // the results export (hidden item)
          GETRES();
          break;
        case 5: {
          HIDEMENUITEM(m, 5);
          {
            TAppSettings settings;
            settings.SETSOUNDEFFECTSNEXTOPTION();
          }
          FILLMENUMESSAGES(m);
          OUTMENUITEM(m, 5, true);
          break;
        }
        case 6:
          next_resolution();
          redraw = true;
          break;
        case 7:
          platform::open_help(help_file(G_CQORAHELPFILE), help_file("help/index.html"));
          break;
        case 8:
          OUTTITLE(-1);
          redraw = true;
          break;
        case 9:
          return;
        default:
          redraw = true;
          break;
      }
    }
  }
}

}  // namespace qora
