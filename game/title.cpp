#include "game/title.h"

#include <array>
#include <string>

#include "graph/graph.h"
#include "state/geometry.h"
#include "state/globals.h"
#include "toolkit/poll.h"
#include "toolkit/text.h"
#include "toolkit/widgets.h"

namespace qora {

namespace {

// The credit lines. They name the parts of the work and the team that did
// them; the game names no single persons.
const std::string kHeading = "Qora - the chemistry shooting gallery, made by";
const std::array<std::string, 5> kTeamLines = {
    "   Qora programming team", "   Qora design team", "   Qora graphics team",
    "   Qora content team", "   Qora test team"};
const std::array<std::string, 5> kRoleLines = {
    "   -   program            ", "   -   idea and rules     ", "   -   pictures and fonts ",
    "   -   elements and texts ", "   -   testing            "};
const std::string kParticipation = "With the participation of";
const std::array<std::string, 3> kHelperLines = {
    "   chemistry teachers", "   the pupils who played it first", "   the free software community"};
const std::string kScenario = "Scenario";
const std::string kScenarioLine = "              the Qora team";

}  // namespace

void OUTTITLE(int32_t IWAITTIMES) {
  SETACTIVEPAGE(0);
  SETVISUALPAGE(0);
  CLEARDEVICE();
  CLEARVIEWPORT();
  SETCOLOR(LIGHTBLUE);
  SETTEXTSTYLE(G_IFONTAUTHOR, HORIZDIR, G_IFONTAUTHORSIZE);
  const int32_t L = G_PTAUTHORCHARSIZE.Y;
  G_RCAUTHORS.LEFT = (G_RCSCREEN.RIGHT - TEXTWIDTH(kHeading)) / 2;
  G_RCAUTHORS.TOP = (G_RCSCREEN.BOTTOM - 12 * L) / 2;
  SETVIEWPORT(static_cast<int16_t>(G_RCAUTHORS.LEFT), static_cast<int16_t>(G_RCAUTHORS.TOP),
              static_cast<int16_t>(G_RCSCREEN.RIGHT), static_cast<int16_t>(G_RCSCREEN.BOTTOM),
              true);
  const int32_t C = TEXTWIDTH(kTeamLines[0]) + 10;
  NOUTTEXTXY(0, 0, kHeading);
  NOUTTEXTXY(0, 7 * L, kParticipation);
  NOUTTEXTXY(C, 11 * L, kScenario);
  SETCOLOR(GREEN);
  for (int k = 0; k < 5; ++k) NOUTTEXTXY(C, (k + 1) * L, kRoleLines[size_t(k)]);
  for (int k = 0; k < 5; ++k) LETERS2(0, (k + 1) * L, kTeamLines[size_t(k)]);
  for (int k = 0; k < 3; ++k) LETERS2(0, (k + 8) * L, kHelperLines[size_t(k)]);
  LETERS3(C + 50, 12 * L, kScenarioLine);
  SETVIEWPORT(static_cast<int16_t>(G_RCSCREEN.LEFT), static_cast<int16_t>(G_RCSCREEN.TOP),
              static_cast<int16_t>(G_RCSCREEN.RIGHT), static_cast<int16_t>(G_RCSCREEN.BOTTOM),
              true);

  // One tick is 10 ms: the pause of the polling step is the tick's wait, so
  // a limit of 50 shows the credits for half a second. A key ends the wait
  // and stays in the buffer for the caller.
  POLLOPTIONS o;
  o.flash = false;
  o.read_keys = false;
  TPOLL poll(o);
  for (int32_t n = 1;; ++n) {
    poll.LOOK();
    if (poll.KEY()) break;
    if (IWAITTIMES > 0 && n > IWAITTIMES) break;
    if (poll.CLICK()) break;
  }
  CLEARDEVICE();
}

}  // namespace qora
