// The screen geometry of every option; the gallery scene, the pictures
// captured at start-up, the periodic table and the target captions, read back
// pixel by pixel at 640 x 480.
#include <array>
#include <set>
#include <tuple>
#include <vector>

#include "screens/gallery.h"
#include "screens/ptable.h"
#include "support/game.h"
#include "toolkit/text.h"
#include "toolkit/widgets.h"

namespace qora {
namespace {

using test::Box;
using test::box_of;

struct Px { int x, y; uint32_t colour; };

void expect_pixels(std::initializer_list<Px> pts, const char* what) {
  for (const Px& p : pts)
    EXPECT_EQ(GETPIXEL(int16_t(p.x), int16_t(p.y)), p.colour % 16) << what << " at " << p.x << "," << p.y;
}

// Every value the geometry computes.
auto layout() {
  return std::tuple(G_RCSCREEN, G_RCMISHEN, G_PTTIMEBARSIZE, G_PTWALLSIZE, G_PTFLOORSIZE, G_PTSKYMINPOINT,
                    G_PTSKYMAXPOINT, G_PTFRONTWALLSIZE, G_PTFRONTWALLLEFTPOINT, G_PTAUTHORCHARSIZE,
                    G_PTCONTROLCHARSIZE, G_PTMAINTITLECHARSIZE, G_PTDESCRIPTIONCHARSIZE, G_IFONTAUTHORSIZE,
                    G_IFONTCONTROLSIZE);
}

// Options 1 to 4 on a screen of 1280 x 1024, twice round: the second round
// gives every value of the first again.
TEST(Geometry, EveryOptionHasItsSizesAndASecondRoundRepeatsThem) {
  test::use_headless(1280, 1024);
  // {screen, author font size and height, control font size and height}; heights are full cells.
  const std::tuple<TRECT, int, int, int, int> fonts[] = {
      {{0, 0, 639, 409}, 3, 24, 2, 16}, {{0, 0, 799, 499}, 4, 32, 2, 16},
      {{0, 0, 1023, 667}, 5, 40, 3, 24}, {{0, 0, 1279, 923}, 5, 40, 3, 24}};  // the whole screen
  // {target, time bar, front wall} of the two smaller options.
  const std::tuple<TRECT, TPOINT, TPOINT> gallery[] = {{{0, 0, 79, 129}, {0, 20}, {479, 143}},
                                                       {{0, 0, 99, 157}, {0, 25}, {599, 175}}};
  std::array<decltype(layout()), 5> first{};
  for (int round = 0; round < 2; ++round)
    for (uint32_t opt = 1; opt <= 4; ++opt) {
      G_ISCREENRESOLUTION = opt;
      ASSERT_TRUE(INITGRAPHWITHVARIBLES());
      EXPECT_EQ(std::tuple(G_RCSCREEN, int(G_IFONTAUTHORSIZE), G_PTAUTHORCHARSIZE.Y, int(G_IFONTCONTROLSIZE),
                           G_PTCONTROLCHARSIZE.Y), fonts[opt - 1]) << opt;
      if (opt <= 2) {
        EXPECT_EQ(std::tuple(G_RCMISHEN, G_PTTIMEBARSIZE, G_PTFRONTWALLSIZE), gallery[opt - 1]) << opt;
      }
      // After start-up page 3 is active and page 0 shown.
      EXPECT_EQ(std::pair(GETACTIVEPAGE(), GETVISUALPAGE()), std::pair(uint16_t(3), uint16_t(0))) << opt;
      if (round == 0) first[opt] = layout();
      EXPECT_EQ(layout(), first[opt]) << opt;
      DONEGRAPHWITHVARIBLES();
    }
}

// The targets spaced as a game spaces them; page 0 active and shown.
class Gallery : public test::Game {
 protected:
  void SetUp() override {
    Game::SetUp();
    space_targets();
    SETACTIVEPAGE(0);
    SETVISUALPAGE(0);
  }
};

TEST_F(Gallery, TargetPicturesAt640x480) {
  EXPECT_EQ(G_PTPRICELDISTANCE.Y, 33);
  EXPECT_EQ(G_ISTOIKADISTANCEY, 27);
  ASSERT_EQ(MISH[1].size(), size_t(IMAGESIZE(0, 0, 79, 129)));
  const uint32_t DG = DARKGRAY, C = CYAN, LG = LIGHTGRAY;
  PUTIMAGE(0, 0, MISH[C_MISHFRONT], COPYPUT);
  expect_pixels({{26, 129, DG}, {52, 128, DG}, {25, 129, C}, {53, 128, C}, {26, 127, C},  // foot
                 {38, 105, DG}, {40, 105, DG}, {37, 105, C}, {41, 105, C},               // stand
                 {20, 104, DG}, {20, 105, C}, {3, 95, DG}, {3, 97, C},                    // board bottom
                 {20, 24, C}, {20, 25, DG}, {59, 24, C}, {59, 25, DG},                    // shoulders
                 {39, 0, DG}, {23, 14, C}, {24, 14, DG}, {0, 60, DG}, {79, 60, DG}},
                "upright");
  PUTIMAGE(0, 0, MISH[C_MISHFALL], COPYPUT);
  expect_pixels({{39, 43, DG}, {39, 42, C}, {20, 62, C}, {20, 63, DG}, {20, 117, DG},
                 {20, 118, C}, {38, 118, DG}, {41, 118, C}, {3, 112, DG}, {3, 114, C}},
                "falling");
  PUTIMAGE(0, 0, MISH[C_MISHTURN], COPYPUT);
  expect_pixels({{32, 50, C}, {33, 50, LG}, {34, 50, DG}, {45, 50, LG}, {46, 50, C},
                 {39, 0, LG}, {39, 10, DG}, {39, 25, LG}, {39, 26, DG}, {39, 96, LG},
                 {39, 100, DG}, {39, 104, LG}, {39, 110, DG}, {26, 129, DG}},
                "edge-on");
}

TEST_F(Gallery, CannonBarrelEndsAndRootsForW639) {
  ASSERT_EQ(G_RCSCREEN.RIGHT, 639);
  const TRECT r = G_RCPUSHKA;
  EXPECT_EQ(r.TOP, 409 - 121);
  const int X = 319, Y = r.BOTTOM;
  // {DX, DY, left end of the root, right end of the root}
  const std::array<int, 4> aims[5] = {{-25, 12, X - 27, X + 15}, {-11, 16, X - 15, X + 15},
                                      {0, 17, X - 15, X + 15},   {11, 16, X - 15, X + 15},
                                      {25, 12, X - 15, X + 27}};
  for (int k = 0; k < 5; ++k) {
    CBAR(0, 0, 639, 409, uint16_t(YELLOW));
    PUTIMAGE(int16_t(r.LEFT), int16_t(r.TOP), PUSHKA[k], COPYPUT);
    const auto [dx, dy, left, right] = aims[k];
    const int mx = X + dx, my = Y - dy;  // the barrel end
    expect_pixels({{mx, my, BLACK}, {mx, my + 2 - 15, BLACK}, {mx, my + 2 - 16, BROWN},
                   {mx, my - 11, WHITE}, {left, Y, BLACK}, {left - 1, Y, BROWN},
                   {right, Y, BLACK}, {right + 1, Y, BROWN}, {r.LEFT - 1, Y, YELLOW}},
                  ("cannon " + std::to_string(k)).c_str());
  }
}

TEST_F(Gallery, RoomBoxesAndTheHalvesCentralBoxErases) {
  const int W = 639, H = 409, MID = 319;
  SETPALETTE(uint16_t(BROWN), 4);  // as the level dialog leaves it
  PICTURE();
  EXPECT_EQ(GETPALETTEENTRY(uint16_t(BROWN)), (RGBCOLOUR{168, 84, 0}));
  expect_pixels({{1, 1, LIGHTBLUE}, {4, 46, WHITE}, {MID, 84, WHITE}, {MID, 103, CYAN},
                 {45, 150, BLUE}, {MID, 285, BLACK}, {MID, 300, BROWN}, {5, 420, BLACK}},
                "room");
  BOX(0);
  BOX(1);
  const TPOINT BS = G_PTBOXSIZE, BD = G_PTBOXDISTANCE;
  const int mid_y = BD.Y + BS.Y / 2, right_x0 = W - 35 - BS.X;
  expect_pixels({{35, mid_y, LIGHTGRAY}, {34, mid_y, BROWN}, {45, BD.Y - 2, BLACK},
                 {35 + BS.X + 2, BD.Y, BLUE}, {45, BD.Y + 2, LIGHTBLUE}, {604, mid_y, LIGHTGRAY},
                 {605, mid_y, BROWN}, {right_x0 - 2, BD.Y, BLUE}, {right_x0 + 10, BD.Y - 2, BLACK}},
                "boxes");
  // Markers around the edges of both halves, then each half erased.
  const int top = H - G_PTFLOORSIZE.Y - 1;
  const std::array<int, 3> halves[] = {  // {NUM, an x erased, the x next to it, kept}
      {1, MID - BS.X, MID - BS.X - 1}, {1, W - 1, W}, {0, 1, 0}, {0, MID + BS.X, MID + BS.X + 1}};
  for (const auto [num, in, out] : halves) {
    for (int x : {in, out})
      for (int y : {top - 1, top, H - 5, H - 4}) PUTPIXEL(int16_t(x), int16_t(y), YELLOW);
    CENTRALBOX(num);
    expect_pixels({{in, top, BROWN}, {in, H - 5, BROWN}, {in, top - 1, YELLOW}, {in, H - 4, YELLOW},
                   {out, top, YELLOW}},
                  num ? "right half" : "left half");
  }
  expect_pixels({{(W - BS.X) / 2 + 20, BD.Y - 2, BLACK}, {(W - BS.X) / 2, mid_y, LIGHTGRAY}},
                "centre box");
}

TEST_F(Gallery, TargetPositionsCrosshairAndFrontWall) {
  EXPECT_EQ(MISHENPOS(0), (TPOINT{94, 110}));
  EXPECT_EQ(MISHENRECT(4), (TRECT{466, 110, 545, 239}));
  EXPECT_EQ(PRICELPOS(2), (TPOINT{319, 143}));  // the middle target is centred
  CBAR(0, 0, 639, 409, uint16_t(DARKGRAY));
  DRAWPRICEL(100, 100);
  expect_pixels({{108, 100, MAGENTA}, {100, 88, MAGENTA}, {100, 96, MAGENTA}, {100, 97, DARKGRAY},
                 {112, 100, MAGENTA}, {113, 100, DARKGRAY}, {88, 100, MAGENTA}, {100, 112, MAGENTA}},
                "crosshair");
  CBAR(0, 0, 639, 409, uint16_t(YELLOW));
  CLEARFRONTWALLAREA();
  // Time bar inside 80..559 x 82..102; front wall inside with margins 5, 5, 5 and 10.
  expect_pixels({{81, 83, WHITE}, {80, 83, YELLOW}, {558, 101, WHITE}, {559, 101, YELLOW},
                 {85, 107, CYAN}, {84, 107, YELLOW}, {85, 106, YELLOW}, {554, 235, CYAN},
                 {555, 235, YELLOW}, {554, 236, YELLOW}},
                "front wall");
}

TEST_F(Gallery, PicturesFollowTheResolutionAndAreFreed) {
  DONEGRAPHWITHVARIBLES();
  for (const IMAGEBUF& m : MISH) EXPECT_EQ(m.capacity(), 0u);
  for (const IMAGEBUF& p : PUSHKA) EXPECT_EQ(p.capacity(), 0u);
  open(3);
  const auto bytes = [](TRECT r) {
    return size_t(IMAGESIZE(0, 0, int16_t(r.RIGHT - r.LEFT), int16_t(r.BOTTOM - r.TOP)));
  };
  EXPECT_EQ(MISH[2].size(), bytes(G_RCMISHEN));
  EXPECT_EQ(PUSHKA[4].size(), bytes(G_RCPUSHKA));
  // The head and the crosshair grow with the 126 x 210 targets (x 1.59):
  // a head of radius 24 and height 16, the crosshair 13 below it, reaching 19.
  EXPECT_EQ(G_PTPRICELDISTANCE.Y, 53);
  EXPECT_EQ(PRICELSIZE(), 19);
  // A full screen of 1920 x 1080, where the floor's outline lies on row H - 5:
  // erasing the left half keeps it.
  test::use_headless(1920, 1080);
  open(4);
  ASSERT_EQ(G_RCSCREEN.BOTTOM - 5, G_PTSKYMINPOINT.Y + G_PTWALLSIZE.Y + G_PTFLOORSIZE.Y);
  PICTURE();
  CENTRALBOX(0);
  EXPECT_EQ(GETPIXEL(100, int16_t(G_RCSCREEN.BOTTOM - 5)), LIGHTGRAY % 16);
}

TEST_F(Gallery, PastedPicturesKeepTheirColoursUnderAChangedPalette) {
  // The crosshair captured while the flash entry is dark, pasted while it is bright.
  CBAR(0, 0, 40, 40, uint16_t(GREEN));
  INITFLASH();  // entry MAGENTA = (0, 15, 0): nearer to black than to itself later
  DRAWPRICEL(20, 20);
  IMAGEBUF shot;
  GETIMAGE(0, 0, 40, 40, shot);
  for (int k = 0; k < 90; ++k) FLASH(75, 225, 0);
  PUTIMAGE(100, 0, shot, COPYPUT);
  expect_pixels({{128, 20, MAGENTA}, {100, 0, GREEN}}, "pulsing crosshair");

  // The cannon (captured with entry BROWN brown) under lit groups and after the
  // level dialog put entry BROWN back to its default: floor pixels stay BROWN.
  const auto paste_cannon = [](const IMAGEBUF& img) {
    PUTIMAGE(0, 100, img, COPYPUT);
    return GETPIXEL(1, 101);
  };
  for (int32_t level : {0, 2, -2}) {
    level < 0 ? SETPALETTE(uint16_t(T3COL), uint16_t(T3COL_CONST)) : GRUP(level);
    EXPECT_EQ(paste_cannon(PUSHKA[2]), BROWN % 16) << level;
    const TRECT r = G_RCPUSHKA;  // the barrel end of the pasted picture
    EXPECT_EQ(GETPIXEL(int16_t(319 - r.LEFT), int16_t(100 + r.BOTTOM - 17 - r.TOP)), BLACK % 16);
  }
  // A buffer changed since its capture is matched against the current palette.
  IMAGEBUF changed = PUSHKA[2];
  changed[54] ^= 1;
  GRUP(0);
  EXPECT_EQ(paste_cannon(changed), 6u);  // the brown of entry 6, the nearest now
  PICTURE();
  EXPECT_EQ(paste_cannon(PUSHKA[2]), BROWN % 16);
}

// ---- The periodic table and the captions ----------------------------------------

TEST_F(Gallery, SymbolColourByGroupALaterGroupWins) {
  SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
  const std::pair<std::vector<int>, uint32_t> cases[] = {
      {{}, DARKGRAY}, {{1}, T1COL}, {{2}, T2COL}, {{1, 3}, T3COL}, {{4}, DARKGRAY}};
  for (const auto& [groups, colour] : cases) {
    for (auto& g : GRUPARR) g.clear();
    for (int g : groups) GRUPARR[size_t(g)].include(200);
    CLEARDEVICE();
    OUTSYMBOL(200, 10, 10, "\xD8");
    std::set<uint32_t> seen;
    for (int p = 0; p < 61 * 61; ++p) seen.insert(GETPIXEL(int16_t(p % 61), int16_t(p / 61)));
    EXPECT_EQ(seen, (std::set<uint32_t>{0, colour % 16})) << groups.size();
  }
}

TEST_F(Gallery, GroupsLightByLevelOtherValuesChangeNothing) {
  const auto entries = [] {  // groups 1, 2 and 3: entries 13, 7 and 4
    return std::array<RGBCOLOUR, 3>{GETPALETTEENTRY(13), GETPALETTEENTRY(7), GETPALETTEENTRY(4)};
  };
  const RGBCOLOUR lit{84, 252, 84}, grey{112, 112, 112}, violet{124, 0, 252};
  const std::array<RGBCOLOUR, 3> want[3] = {{lit, grey, violet}, {lit, lit, violet}, {lit, lit, lit}};
  for (int32_t num = 0; num < 3; ++num) EXPECT_EQ((GRUP(num), entries()), want[num]) << num;
  SETPALETTE(4, 4);
  const auto before = entries();
  for (int32_t num : {3, -1, 1000}) EXPECT_EQ((GRUP(num), entries()), before) << num;
}

TEST_F(Gallery, TableCellsInDrawingOrder) {
  for (auto& g : GRUPARR) g.clear();
  for (int e : {5, 26}) GRUPARR[1].include(e);  // H and He: row 1
  GRUPARR[2].include(74);                       // Db: the last cell, row 10 column 5
  GRUPARR[3].include(104);                      // Lr: row 13 column 15
  SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
  TABLIZA();
  const int W = G_PTCONTROLCHARSIZE.X, H = G_PTCONTROLCHARSIZE.Y, R = H + 7;
  const auto col = [&](int c) { return 20 + 4 * W * (c - 1); };  // left border of column c
  // {colour, x0, x1, row}: the symbol lies within the cell's text line.
  const std::array<int, 4> cells[] = {{int(T1COL), 20 + W, col(2) - 1, 1},
                                      {int(T1COL), col(8) + 12, col(9) - 1, 1},
                                      {int(T2COL), col(5) + 12, col(6) - 1, 10},
                                      {int(T3COL), col(15) + 12, col(16) - 1, 13}};
  for (const auto [colour, x0, x1, row] : cells) {
    const Box b = box_of(uint32_t(colour), x0, row * R - 3, x1, (row + 1) * R - 5);
    EXPECT_TRUE(b[2] >= 0 && b[1] >= row * R && b[3] < row * R + H) << row << "," << x0;
  }
  // Each element is drawn once: the group colours appear nowhere else.
  EXPECT_EQ(box_of(T1COL, col(2), 0, col(8) + 11, 409)[2], -1);
  EXPECT_EQ(box_of(T1COL, 0, 2 * R - 4, 639, 409)[2], -1);
  EXPECT_EQ(box_of(T2COL, 0, 0, 639, 10 * R - 5)[2], -1);
  EXPECT_EQ(box_of(T3COL, 0, 0, col(15) + 11, 409)[2], -1);
}

TEST_F(Gallery, CaptionsSitInTheBoardBelowTheCrosshair) {
  SETTEXTSTYLE(G_IFONTCONTROL, HORIZDIR, G_IFONTCONTROLSIZE);
  CLEARDEVICE();
  MISHEN[1] = ELEMENT[0];  // Azot: fits the board
  OUTNAME(1);
  // Target 1 spans x 187..266; the name's line starts at 110 + 41 + (129 - 27 - 41 - 32) div 3.
  const int X = 187, X1 = 266, Y = 160, Y1 = 176;
  const Box name = box_of(LIGHTGREEN, 0, 0, 639, 409), symbol = box_of(LIGHTCYAN, 0, 0, 639, 409);
  CLEARDEVICE();
  SETCOLOR(LIGHTGREEN);
  OUTTEXTXY(int16_t(CORECTX(X, X1, MISHEN[1].NAME.str())), Y, MISHEN[1].NAME.str());
  EXPECT_EQ(box_of(LIGHTGREEN, 0, 0, 639, 409), name);  // centred, its top at Y
  EXPECT_TRUE(symbol[1] >= Y1 && symbol[3] < Y1 + 16 && std::abs(symbol[0] + symbol[2] - X - X1) <= 3);
  // The longest names (protactinium, element 92, and rutherfordium) are made to fit their target.
  TEXTSETTINGSTYPE before{}, after{};
  GETTEXTSETTINGS(before);
  for (int e : {92, 73}) {
    CLEARDEVICE();
    MISHEN[4] = ELEMENT[size_t(e)];
    OUTNAME(4);
    const Box b = box_of(LIGHTGREEN, 0, 0, 639, 409);
    EXPECT_TRUE(b[0] >= 466 && b[2] <= 545 && b[1] >= Y && b[3] < Y1) << e;
  }
  GETTEXTSETTINGS(after);
  EXPECT_TRUE(after.FONT == before.FONT && after.CHARSIZE == before.CHARSIZE);
}

}  // namespace
}  // namespace qora
