// The group editor, played through the window's input hooks on the headless
// surface and the virtual clock: the cursor, the moves between groups, F2,
// leaving with and without the save question, and the groups file it writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/datafiles.h"
#include "app/geometry.h"
#include "app/globals.h"
#include "app/startup.h"
#include "graph/graph.h"
#include "platform/safefile.h"
#include "screens/groups.h"
#include "support/headless.h"
#include "support/test_support.h"
#include "support/timeline.h"
#include "tasks/setup.h"
#include "toolkit/format.h"

namespace qora {
namespace {

using test::Timeline;
namespace fs = std::filesystem;

// Where the cursor is, as the editor keeps it and as the page shows it.
struct Cursor {
  int list, col, row, n;
  int lit;  // 100·list + entry of the one entry drawn active, 0 for none, -1 for several
  friend bool operator==(const Cursor&, const Cursor&) = default;
};
std::ostream& operator<<(std::ostream& o, const Cursor& c) {
  return o << "{" << c.list << "," << c.col << "," << c.row << "," << c.n << " lit " << c.lit << "}";
}

int lit_entry() {
  int found = 0;
  for (int g = 1; g <= 4; ++g) {
    const groups::GrupObject& L = *groups::LIST(g);
    for (int n = 1; n <= groups::MAXLIST; ++n) {
      TRECT r;
      L.SETELEMMENURECT(r, (n - 1) % 4 + 1, (n - 1) / 4 + 1);
      bool lit = false;
      for (int y = r.TOP; y < r.BOTTOM && !lit; ++y)
        for (int x = r.LEFT; x < r.RIGHT && !lit; ++x) lit = GETPIXEL(int16_t(x), int16_t(y)) == LIGHTGREEN;
      if (lit) found = found ? -1 : 100 * g + n;
    }
  }
  return found;
}

Cursor cursor() {
  const int g = groups::CURRENTLIST();
  const groups::GrupObject& L = *groups::LIST(g);
  return Cursor{g, L.XX, L.YY, L.CUREL, lit_entry()};
}

std::string groups_bytes() { return std::string(reinterpret_cast<const char*>(&GRUPARR[1]), 4 * sizeof(BYTESET)); }

void set_groups(std::initializer_list<std::pair<int, int>> ranges_of_1_to_4) {
  for (auto& g : GRUPARR) g.clear();
  int g = 1;
  for (const auto& [first, last] : ranges_of_1_to_4) {
    for (int e = first; e <= last; ++e) GRUPARR[size_t(g)].include(e);
    ++g;
  }
}

// The editor at 640 x 480 with the shipped data, the default groups in memory
// and no groups file.
class GroupEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f : {"001", "002"}) test::write_file(f, test::read_file(test::source_dir() / "data" / f));
    GETELEMENTS();
    GETMSG();
    set_default_groups();
    groups::CHANGEGRUP = false;
    test::use_headless(1024, 768);
    G_ISCREENRESOLUTION = 1;
    SOUNDOK = false;
    ASSERT_TRUE(INITGRAPHWITHVARIBLES());
    Timeline::move(2, 470);  // below every list
  }
  void TearDown() override {
    platform::faults::disarm();
    if (GRAPHENABLED()) DONEGRAPHWITHVARIBLES();
  }

  // Runs the editor: the introduction is closed with intro_key, then one
  // token every 50 ms: "1" "2" "3" "-", "tab", "up" "down" "left" "right",
  // "f2", "esc", "enter", "@g.n" (the pointer moves to entry n of list g),
  // "?" (the cursor is recorded in seen), "!" (the next of the actions).
  // Returns the virtual time from the last Esc until the editor returned.
  int64_t edit(const std::string& script, char intro_key = ' ',
               std::vector<std::function<void()>> actions = {}) {
    const uint64_t base = tl.elapsed();
    tl.at(base + kIntro, [intro_key] { Timeline::key(intro_key); });
    uint64_t t = base + kIntro + 100;
    std::istringstream in(script);
    size_t action = 0;
    uint64_t esc = 0;
    for (std::string w; in >> w; t += 50) {
      static const std::pair<const char*, uint8_t> specials[] = {
          {"up", 72}, {"down", 80}, {"left", 75}, {"right", 77}, {"f2", 60}};
      std::function<void()> f;
      for (const auto& [name, code] : specials)
        if (w == name) f = [c = code] { Timeline::special(c); };
      if (f) {
      } else if (w == "?") {
        f = [this] { seen.push_back(cursor()); };
      } else if (w == "!") {
        f = actions.at(action++);
      } else if (w[0] == '@') {
        const int g = w[1] - '0', n = std::stoi(w.substr(3));
        f = [g, n] {
          TRECT r;
          groups::LIST(g)->SETELEMMENURECT(r, (n - 1) % 4 + 1, (n - 1) / 4 + 1);
          Timeline::move((r.LEFT + r.RIGHT) / 2, (r.TOP + r.BOTTOM) / 2);
        };
      } else {
        const char c = w == "tab" ? 9 : w == "esc" ? 27 : w == "enter" ? 13 : w[0];
        if (c == 27) esc = t;
        f = [c] { Timeline::key(c); };
      }
      tl.at(t, f);
    }
    // A question nobody expected is answered "save" much later: the test
    // sees the file and the time.
    tl.at(t + 600000, [] { Timeline::key(13); });
    SETGROUPS();
    return int64_t(tl.elapsed()) - int64_t(esc);
  }

  // The level dialog with the groups in memory: per pixel of the page, the
  // lowest level (1 to 3) at which it shows in the lit colour of the groups,
  // -1 when it never does. The dialog is looked at on levels 1, 2 and 3, then left.
  std::vector<int> level_dialog() {
    std::vector<int> lowest(size_t(GETMAXX() + 1) * size_t(GETMAXY() + 1), -1);
    auto look = [&lowest](int level) {
      const RGBCOLOUR lit = GETPALETTEENTRY(uint16_t(G_IFONTACTIVEMENUCOLOR));
      size_t p = 0;
      for (int y = 0; y <= GETMAXY(); ++y)
        for (int x = 0; x <= GETMAXX(); ++x, ++p) {
          const uint32_t c = GETPIXEL(int16_t(x), int16_t(y));
          const bool group = c == T1COL || c == T2COL || c == T3COL;  // the table's symbols, not the items
          if (group && lowest[p] < 0 && GETPALETTEENTRY(uint16_t(c)) == lit) lowest[p] = level;
        }
    };
    const uint64_t t = tl.elapsed();
    tl.at(t + 100, [look] { look(1); });
    tl.at(t + 150, [] { Timeline::special(77); });
    tl.at(t + 200, [look] { look(2); });
    tl.at(t + 250, [] { Timeline::special(77); });
    tl.at(t + 300, [look] { look(3); });
    tl.at(t + 350, [] { Timeline::key(27); });
    SETACTIVEPAGE(0);
    SETVISUALPAGE(0);
    EXPECT_FALSE(INPUTLEVEL(150));
    return lowest;
  }

  static constexpr uint64_t kIntro = 1500;  // the introduction's title pause is over
  std::vector<Cursor> seen;
  test::TempDir dir;
  Timeline tl;
};

TEST_F(GroupEditor, CursorAndMovesStayOnTheListsEntries) {
  struct Case {
    const char* what;
    std::initializer_list<std::pair<int, int>> groups;  // ranges of groups 1 to 4
    char intro_key;
    std::string script;
    std::vector<Cursor> want;
    std::vector<int> sizes;  // groups 1 to 4 afterwards
    bool changed;
  };
  const auto defaults = {std::pair(0, 25), std::pair(26, 74), std::pair(75, 104)};
  const std::vector<Case> cases = {
      {"edges: up and left at (1, 1), right in column 4, down past the last entry", defaults, ' ',
       "? up left ? right right right right ? down down down down down down ? left left down ? down ?",
       {{1, 1, 1, 1, 101}, {1, 1, 1, 1, 101}, {1, 4, 1, 4, 104}, {1, 4, 6, 24, 124},
        {1, 2, 7, 26, 126}, {1, 2, 7, 26, 126}},
       {26, 49, 30, 0}, false},
      {"the last entry moved: the cursor steps back, from column 1 to column 4 above", defaults, ' ',
       "down down down down down down right ? - ? - ?",
       {{1, 2, 7, 26, 126}, {1, 1, 7, 25, 125}, {1, 4, 6, 24, 124}},
       {24, 49, 30, 2}, true},
      {"the only entry moved leaves the list empty with nothing lit", defaults, ' ',
       "- ? tab tab tab ? 1 ? down right ?",
       {{1, 1, 1, 1, 101}, {4, 1, 1, 1, 401}, {4, 1, 1, 1, 0}, {4, 1, 1, 1, 0}},
       {26, 49, 30, 0}, true},
      {"a key into the list it is in, and from an empty list, does nothing", defaults, ' ',
       "tab 2 ? tab tab - 1 2 3 ?",
       {{2, 1, 1, 1, 201}, {4, 1, 1, 1, 0}},
       {26, 49, 30, 0}, false},
      {"a group of 52 takes no 53rd; one fewer and it takes one", {{0, 51}, {52, 103}, {104, 104}}, ' ',
       "tab 1 ? tab tab tab - tab 1 ?",
       {{2, 1, 1, 1, 201}, {2, 1, 1, 1, 201}},
       {52, 51, 1, 1}, true},
      {"the key that closes the introduction edits nothing", defaults, '2',
       "?",
       {{1, 1, 1, 1, 101}},
       {26, 49, 30, 0}, false},
      {"pointing moves the cursor, into another list too, but not onto an empty place", defaults, ' ',
       "@3.6 ? tab ? tab ? @4.1 ? @2.49 ? @2.50 ?",
       {{3, 2, 2, 6, 306}, {4, 1, 1, 1, 0}, {1, 1, 1, 1, 101}, {1, 1, 1, 1, 101},
        {2, 1, 13, 49, 249}, {2, 1, 13, 49, 249}},
       {26, 49, 30, 0}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    set_groups(c.groups);
    seen.clear();
    groups::CHANGEGRUP = false;
    // Leaving after a change asks the question; "do not save" answers it.
    const int64_t after = edit(c.script + (c.changed ? " esc right enter" : " esc"), c.intro_key);
    EXPECT_EQ(after >= 50, c.changed) << after;  // the answer comes 100 ms after Esc
    EXPECT_LT(after, 200);
    EXPECT_EQ(seen, c.want);
    std::vector<int> sizes;
    BYTESET all;
    for (int g = 1; g <= 4; ++g) {
      sizes.push_back(SETCOUNT(GRUPARR[size_t(g)]));
      for (int e = 0; e < 256; ++e)
        if (GRUPARR[size_t(g)].has(e)) all.include(e);
    }
    EXPECT_EQ(sizes, c.sizes);
    EXPECT_EQ(SETCOUNT(all), sizes[0] + sizes[1] + sizes[2] + sizes[3]);  // no element in two groups
    EXPECT_EQ(groups::CHANGEGRUP, c.changed);
    Timeline::move(2, 470);
  }
  EXPECT_FALSE(fs::exists(GROUPFN));
}

// The groups file as the four sets make it: 32 bytes each, groups 1 to 4.
std::string groups_file(std::initializer_list<std::initializer_list<std::pair<int, int>>> groups) {
  std::string b(128, '\0');
  int g = 0;
  for (const auto& ranges : groups) {
    for (const auto& [first, last] : ranges)
      for (int e = first; e <= last; ++e) b[size_t(32 * g + e / 8)] |= char(1 << e % 8);
    ++g;
  }
  return b;
}

TEST_F(GroupEditor, LeavingAsksOnlyAfterAChangeAndSavesTheFourSets) {
  const std::string defaults = groups_file({{{0, 25}}, {{26, 74}}, {{75, 104}}, {}});
  // Element 0 into group 3, then the first of group 2 (26) out of the game.
  const std::string moved = groups_file({{{1, 25}}, {{27, 74}}, {{0, 0}, {75, 104}}, {{26, 26}}});
  struct Visit {
    const char* what;
    std::string script;  // "esc" is followed by the answer, when asked
    bool asks;
    std::string file;  // the groups file afterwards ("" none)
  };
  const Visit visits[] = {
      {"no change: no question, no file", "tab down esc", false, ""},
      {"F2 alone asks, and saves the defaults", "f2 esc enter", true, defaults},
      {"moves, saved", "f2 3 tab - esc enter", true, moved},
      {"once changed, a visit without change still asks; not saved", "esc right enter", true, moved},
  };
  for (const Visit& v : visits) {
    SCOPED_TRACE(v.what);
    const int64_t after = edit(v.script);
    // The answer comes 50 ms after Esc: without a question the editor is gone before.
    EXPECT_EQ(after >= 50, v.asks) << after;
    EXPECT_LT(after, 200);
    EXPECT_EQ(fs::exists(GROUPFN) ? test::read_file(GROUPFN) : "", v.file);
  }
  // The menu reloads the file, and the next level dialog lights the new
  // groups: element 0 no longer at level 1, element 26 at no level at all.
  set_default_groups();
  const auto defaults_seen = level_dialog();
  GETGRUP();
  EXPECT_EQ(groups_bytes(), moved);
  const auto moved_seen = level_dialog();
  ASSERT_EQ(defaults_seen.size(), moved_seen.size());
  for (int level : {1, 3}) {
    int darker = 0, lighter = 0;
    for (size_t p = 0; p < defaults_seen.size(); ++p) {
      const int before = defaults_seen[p], after = moved_seen[p];
      darker += before >= 0 && before <= level && !(after >= 0 && after <= level);
      lighter += after >= 0 && after <= level && !(before >= 0 && before <= level);
    }
    EXPECT_GT(darker, 0) << level;
    EXPECT_EQ(lighter, 0) << level;
  }
}

TEST_F(GroupEditor, AFailedSaveKeepsTheOldFileAndSaysSo) {
  const std::string old = groups_file({{{0, 25}}, {{26, 74}}, {{75, 104}}, {}});
  const std::function<void()> break_folder[] = {
      [] { platform::faults::arm(1); },                      // the first file operation fails
      [this] { fs::remove_all(dir.path()); },                // the folder is gone
      [] { fs::remove(GROUPFN); fs::create_directory(GROUPFN); },  // a folder takes the file's name
  };
  for (size_t k = 0; k < std::size(break_folder); ++k) {
    SCOPED_TRACE(k);
    fs::create_directories(dir.path());
    fs::current_path(dir.path());
    test::write_file(GROUPFN, old);
    testing::internal::CaptureStderr();
    edit("- ! esc enter", ' ', {break_folder[k]});
    const std::string err = testing::internal::GetCapturedStderr();
    platform::faults::disarm();
    EXPECT_NE(err.find("could not save group.qora"), std::string::npos) << err;
    if (k == 0) {
      EXPECT_EQ(test::read_file(GROUPFN), old);
    }
    fs::remove_all(dir.path());
  }
}

// "g" or "G" as the first or second argument opens the editor before the menu.
TEST(GroupEditorStart, TheSwitchOpensTheEditorThenTheMenu) {
  const std::vector<std::vector<const char*>> runs = {{"g"}, {"s", "G"}, {"s", "f", "g"}, {"gg"}};
  for (const auto& args : runs) {
    test::TempDir dir;
    for (const char* f : {"001", "002"}) test::write_file(f, test::read_file(test::source_dir() / "data" / f));
    test::use_headless(640, 480);
    groups::CHANGEGRUP = false;
    std::vector<char*> argv = {const_cast<char*>("qora")};
    for (const char* a : args) argv.push_back(const_cast<char*>(a));
    argv.push_back(nullptr);
    // The editor: "-" moves element 0 out of the game, Esc, Enter saves. The
    // menu: Esc ends the program. Without the editor the menu takes the first
    // Esc and nothing is moved.
    Timeline tl;
    tl.at(1500, [] { Timeline::key('x'); });
    tl.at(1600, [] { Timeline::key('-'); });
    tl.at(1700, [] { Timeline::key(27); });
    tl.at(1800, [] { Timeline::key(13); });
    tl.at(5000, [] { Timeline::key(27); });
    EXPECT_EQ(run(int(argv.size()) - 1, argv.data()), 0);
    const bool editor = args.size() < 3 && std::string(args.back()).size() == 1;
    EXPECT_EQ(GRUPARR[4].has(0), editor) << args.back();
    EXPECT_EQ(test::read_file(GROUPFN).size(), 128u);
  }
}

}  // namespace
}  // namespace qora
