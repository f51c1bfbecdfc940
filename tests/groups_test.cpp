// The group editor, played through the window's input hooks on the headless
// surface and the virtual clock.
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "platform/cp1251.h"
#include "platform/safefile.h"
#include "screens/groups.h"
#include "support/game.h"
#include "tasks/setup.h"
#include "toolkit/format.h"

namespace qora {
namespace {

using test::groups_file;
using test::kDefaultGroups;
using test::Timeline;
namespace fs = std::filesystem;

// "g.n" for the cursor on entry n of list g, then "*" when exactly that entry
// is drawn lit, "" when nothing is, "!" otherwise.
std::string cursor() {
  const groups::GrupObject& L = *groups::LIST(groups::CURRENTLIST());
  std::string at = std::to_string(groups::CURRENTLIST()) + "." + std::to_string(L.CUREL), lit;
  for (int k = 0; k < 4 * groups::MAXLIST; ++k) {
    TRECT r;
    groups::LIST(k / 52 + 1)->SETELEMMENURECT(r, k % 4 + 1, k % 52 / 4 + 1);
    if (test::box_of(LIGHTGREEN, r.LEFT, r.TOP, r.RIGHT - 1, r.BOTTOM - 1)[2] >= 0)
      lit += std::to_string(k / 52 + 1) + "." + std::to_string(k % 52 + 1) + " ";
  }
  return at + (lit.empty() ? "" : lit == at + " " && L.CUREL == L.XX + 4 * L.YY - 4 ? "*" : "!");
}


class GroupEditor : public test::Game {
 protected:
  void SetUp() override {
    groups::CHANGEGRUP = false;
    Game::SetUp();
    Timeline::move(2, 470);  // below every list
  }

  // Runs the editor: the introduction closed with "2" (which must move
  // nothing), then a token every 50 ms: a key ("1", "-", "tab", "esc",
  // "enter"), an arrow or "f2", "@g.n" (the pointer onto entry n of list g),
  // "?" (cursor() into looks), "!" (action). Returns the virtual time from
  // the last Esc to the return.
  int64_t edit(const std::string& script, std::function<void()> action = {}) {
    static const std::map<std::string, int> keys = {{"tab", 9}, {"esc", 27}, {"enter", 13}, {"up", -72},
                                                    {"down", -80}, {"left", -75}, {"right", -77}, {"f2", -60}};
    uint64_t t = tl.elapsed() + 1500, esc = 0;
    tl.at(t, [] { Timeline::key('2'); });
    std::istringstream in(script);
    for (std::string w; in >> w;) {
      const int k = keys.count(w) ? keys.at(w) : w[0];
      if (k == 27) esc = t + 50;
      std::function<void()> f = [k] { Timeline::type(k); };
      if (w == "?") f = [this] { looks += cursor() + " "; };
      if (w == "!") f = action;
      if (w[0] == '@')
        f = [g = w[1] - '0', n = std::stoi(w.substr(3))] {
          TRECT r;
          groups::LIST(g)->SETELEMMENURECT(r, (n - 1) % 4 + 1, (n - 1) / 4 + 1);
          Timeline::move(r.LEFT + 4, r.TOP + 4);
        };
      tl.at(t += 50, f);
    }
    tl.at(t + 600000, [] { Timeline::key(13); });  // a question nobody expected: "save"
    SETGROUPS();
    return int64_t(tl.elapsed()) - int64_t(esc);
  }

  // The level dialog: how many pixels of the groups' symbols are lit on level 1 and on level 3.
  std::vector<int> level_dialog() {
    std::vector<int> lit;
    auto look = [&lit] {
      int n = 0;
      for (int p = 0; p < 640 * 480; ++p) {
        const uint32_t c = GETPIXEL(int16_t(p % 640), int16_t(p / 640));
        n += (c == T1COL || c == T2COL || c == T3COL) &&
             GETPALETTEENTRY(uint16_t(c)) == GETPALETTEENTRY(uint16_t(G_IFONTACTIVEMENUCOLOR));
      }
      lit.push_back(n);
    };
    const uint64_t t = tl.elapsed();
    tl.at(t + 100, look);
    tl.at(t + 150, [] { Timeline::special(77); Timeline::special(77); });
    tl.at(t + 250, look);
    tl.at(t + 300, [] { Timeline::key(27); });
    EXPECT_FALSE(INPUTLEVEL(150));
    return lit;
  }

  std::string looks;
};

TEST_F(GroupEditor, CursorMovesQuestionAndTheSavedFile) {
  const std::string moved = groups_file({{{1, 25}}, {{27, 74}}, {{0, 0}, {75, 104}}, {{26, 26}}});
  const std::string full = groups_file({{{0, 51}}, {{52, 103}}, {{104, 104}}, {}});
  struct Visit {
    std::string start, script, looks;  // start: the groups in memory ("" as left)
    std::vector<int> sizes;             // of groups 1 to 4 afterwards
    bool asks;
    std::string file;  // afterwards; "" none
    std::function<void()> broken = {};  // at "!": the save will fail
  };
  const Visit visits[] = {
      // Edges and the ends of the list stay put.
      {kDefaultGroups, "? up left ? right right right right ? down down down down down down ? left left down ? down ? esc",
       "1.1* 1.1* 1.4* 1.24* 1.26* 1.26* ", {26, 49, 30, 0}, false, ""},
      // Pointing, into other lists but not at empty places; Tab; "2" in group 2, keys in an empty list.
      {kDefaultGroups, "@3.6 ? tab ? tab ? @4.1 ? @2.49 ? @2.50 ? 2 ? tab tab - 1 ? esc",
       "3.6* 4.1 1.1* 1.1* 2.49* 2.49* 2.49* 4.1 ", {26, 49, 30, 0}, false, ""},
      // A group of 52 takes no 53rd; one fewer and it takes one.
      {full, "tab 1 ? tab tab tab - tab 1 ? esc right enter", "2.1* 2.1* ", {52, 51, 1, 1}, true, ""},
      // A file made elsewhere: 256 elements in group 4; the cursor stays on the 52 shown.
      {groups_file({{}, {}, {}, {{0, 255}}}), "tab tab tab down down down down down down down down down down down down ? "
       "down ? 1 ? esc right enter", "4.49* 4.49* 4.49* ", {1, 0, 0, 255}, true, ""},
      // The last entry moved: the cursor steps back, from column 1 to column 4 above.
      {kDefaultGroups, "down down down down down down right ? - ? - ? esc right enter", "1.26* 1.25* 1.24* ",
       {24, 49, 30, 2}, true, ""},
      // The only entry moved: an empty list, nothing lit.
      {kDefaultGroups, "- ? tab tab tab ? 1 ? down right ? esc right enter", "1.1* 4.1* 4.1 4.1 ", {26, 49, 30, 0},
       true, ""},
      // F2 asks even for the defaults; once changed every visit asks.
      {kDefaultGroups, "f2 esc enter", "", {26, 49, 30, 0}, true, kDefaultGroups},
      {"", "f2 3 tab - esc enter", "", {25, 48, 31, 1}, true, moved},
      {"", "esc right enter", "", {25, 48, 31, 1}, true, moved},
      {kDefaultGroups, "- ! esc enter", "", {25, 49, 30, 1}, true, moved, [] { platform::faults::arm(1); }},
  };
  for (const Visit& v : visits) {
    SCOPED_TRACE(v.script);
    if (!v.start.empty()) std::memcpy(&GRUPARR[1], v.start.data(), 128);
    looks.clear();
    testing::internal::CaptureStderr();
    const int64_t after = edit(v.script, v.broken);
    platform::faults::disarm();
    // The writer's line and the message box (on stderr without a window).
    const std::string err = testing::internal::GetCapturedStderr();
    // The box under the editor's caption.
    for (const std::string& said : {std::string("could not save group.qora"),
                                    cp1251_to_utf8(msg(80)) + ": " + cp1251_to_utf8(msg(130))})
      EXPECT_EQ(err.find(said) != std::string::npos, bool(v.broken)) << err;
    EXPECT_EQ(looks, v.looks);
    EXPECT_EQ(after >= 50, v.asks) << after;  // an answer comes 50 ms or more after Esc
    EXPECT_LT(after, 200);
    std::vector<int> sizes;
    for (int g = 1; g <= 4; ++g) sizes.push_back(SETCOUNT(GRUPARR[size_t(g)]));
    EXPECT_EQ(sizes, v.sizes);
    EXPECT_EQ(fs::exists(GROUPFN) ? test::read_file(GROUPFN) : "", v.file);
    Timeline::move(2, 470);
  }
  // The menu reloads the file; the next level dialog lights the new groups:
  // element 0 no longer on level 1, element 26 on no level.
  set_default_groups();
  const std::vector<int> before = level_dialog();
  GETGRUP();
  const std::vector<int> after = level_dialog();
  EXPECT_TRUE(after[0] < before[0] && after[1] < before[1]);
}

}  // namespace
}  // namespace qora
