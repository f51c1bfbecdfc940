// The 256-entry default palette and the table of named colours.
#include <cctype>

#include "graph/graph.h"

namespace qora {

uint32_t BLACK = 0, BLUE = 0, GREEN = 0, CYAN = 0, RED = 0, MAROON = 0, BROWN = 0, MAGENTA = 0,
         LIGHTGRAY = 0, LIGHTBROWN = 0, DARKGRAY = 0, LIGHTBLUE = 0, LIGHTGREEN = 0,
         LIGHTCYAN = 0, LIGHTRED = 0, LIGHTMAGENTA = 0, YELLOW = 0, WHITE = 0;

namespace {

constexpr RGBCOLOUR six(int r, int g, int b) {
  return RGBCOLOUR{uint8_t(r * 4), uint8_t(g * 4), uint8_t(b * 4)};
}

// The hue blocks: for each block the five levels from its low component to
// its intensity; each block runs through 24 hues from blue over magenta, red,
// yellow, green and cyan back towards blue.
constexpr int kRamps[9][5] = {
    {0, 16, 31, 47, 63},  {31, 39, 47, 55, 63}, {45, 49, 54, 58, 63},
    {0, 7, 14, 21, 28},   {14, 17, 21, 24, 28}, {20, 22, 24, 26, 28},
    {0, 4, 8, 12, 16},    {8, 10, 12, 14, 16},  {11, 12, 13, 15, 16},
};
// Level (0..4 within the ramp) of red, green and blue for each of the 24 hues.
constexpr int kHues[24][3] = {
    {0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3}, {4, 0, 2}, {4, 0, 1},
    {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0}, {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0},
    {0, 4, 0}, {0, 4, 1}, {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4},
};

constexpr std::array<RGBCOLOUR, 256> make_default_palette() {
  std::array<RGBCOLOUR, 256> p{};
  constexpr RGBCOLOUR classic[16] = {
      six(0, 0, 0),    six(0, 0, 42),   six(0, 42, 0),   six(0, 42, 42),
      six(42, 0, 0),   six(42, 0, 42),  six(42, 21, 0),  six(42, 42, 42),
      six(21, 21, 21), six(33, 33, 63), six(21, 63, 21), six(21, 63, 63),
      six(63, 21, 21), six(63, 21, 63), six(63, 63, 21), six(63, 63, 63)};
  for (int i = 0; i < 16; ++i) p[i] = classic[i];
  constexpr int grey[16] = {0, 5, 8, 11, 14, 17, 20, 24, 28, 32, 36, 40, 45, 50, 56, 63};
  for (int i = 0; i < 16; ++i) p[16 + i] = six(grey[i], grey[i], grey[i]);
  int n = 32;
  for (const auto& ramp : kRamps)
    for (const auto& hue : kHues) p[n++] = six(ramp[hue[0]], ramp[hue[1]], ramp[hue[2]]);
  // The hue blocks end at 246: 247..255 are black.
  p[247] = RGBCOLOUR{};
  return p;
}

}  // namespace

const std::array<RGBCOLOUR, 256> DEFAULTVGAPALETTE = make_default_palette();

const std::vector<NamedColour>& MAGICKPALETTE() {
  // The common web colour names with their usual values, except the colours
  // the game draws with, which take the values of the classic 16-colour set
  // so that each maps onto its own palette entry; LIGHTBROWN, LIGHTMAGENTA,
  // LIGHTRED and MONEYGREEN are our own.
  static const std::vector<NamedColour> table = {
      {"ALICEBLUE", 240, 248, 255, nullptr},
      {"ANTIQUEWHITE", 250, 235, 215, nullptr},
      {"AQUA", 0, 255, 255, nullptr},
      {"AQUAMARINE", 127, 255, 212, nullptr},
      {"AZURE", 240, 255, 255, nullptr},
      {"BEIGE", 245, 245, 220, nullptr},
      {"BISQUE", 255, 228, 196, nullptr},
      {"BLACK", 0, 0, 0, &BLACK},
      {"BLANCHEDALMOND", 255, 235, 205, nullptr},
      {"BLUE", 0, 0, 255, &BLUE},
      {"BLUEVIOLET", 138, 43, 226, nullptr},
      {"BROWN", 165, 42, 42, &BROWN},
      {"BURLYWOOD", 222, 184, 135, nullptr},
      {"CADETBLUE", 95, 158, 160, nullptr},
      {"CHARTREUSE", 127, 255, 0, nullptr},
      {"CHOCOLATE", 210, 105, 30, nullptr},
      {"CORAL", 255, 127, 80, nullptr},
      {"CORNFLOWERBLUE", 100, 149, 237, nullptr},
      {"CORNSILK", 255, 248, 220, nullptr},
      {"CRIMSON", 220, 20, 60, nullptr},
      {"CYAN", 0, 168, 168, &CYAN},
      {"DARKBLUE", 0, 0, 139, nullptr},
      {"DARKCYAN", 0, 139, 139, nullptr},
      {"DARKGOLDENROD", 184, 134, 11, nullptr},
      {"DARKGRAY", 84, 84, 84, &DARKGRAY},
      {"DARKGREEN", 0, 100, 0, nullptr},
      {"DARKKHAKI", 189, 183, 107, nullptr},
      {"DARKMAGENTA", 139, 0, 139, nullptr},
      {"DARKOLIVEGREEN", 85, 107, 47, nullptr},
      {"DARKORANGE", 255, 140, 0, nullptr},
      {"DARKORCHID", 153, 50, 204, nullptr},
      {"DARKRED", 139, 0, 0, nullptr},
      {"DARKSALMON", 233, 150, 122, nullptr},
      {"DARKSEAGREEN", 143, 188, 143, nullptr},
      {"DARKSLATEBLUE", 72, 61, 139, nullptr},
      {"DARKSLATEGRAY", 47, 79, 79, nullptr},
      {"DARKTURQUOISE", 0, 206, 209, nullptr},
      {"DARKVIOLET", 148, 0, 211, nullptr},
      {"DEEPPINK", 255, 20, 147, nullptr},
      {"DEEPSKYBLUE", 0, 191, 255, nullptr},
      {"DIMGRAY", 105, 105, 105, nullptr},
      {"DODGERBLUE", 30, 144, 255, nullptr},
      {"FIREBRICK", 178, 34, 34, nullptr},
      {"FLORALWHITE", 255, 250, 240, nullptr},
      {"FORESTGREEN", 34, 139, 34, nullptr},
      {"FUCHSIA", 255, 0, 255, nullptr},
      {"GAINSBORO", 220, 220, 220, nullptr},
      {"GHOSTWHITE", 248, 248, 255, nullptr},
      {"GOLD", 255, 215, 0, nullptr},
      {"GOLDENROD", 218, 165, 32, nullptr},
      {"GRAY", 128, 128, 128, nullptr},
      {"GREEN", 0, 128, 0, &GREEN},
      {"GREENYELLOW", 173, 255, 47, nullptr},
      {"HONEYDEW", 240, 255, 240, nullptr},
      {"HOTPINK", 255, 105, 180, nullptr},
      {"INDIANRED", 205, 92, 92, nullptr},
      {"INDIGO", 75, 0, 130, nullptr},
      {"IVORY", 255, 255, 240, nullptr},
      {"KHAKI", 240, 230, 140, nullptr},
      {"LAVENDER", 230, 230, 250, nullptr},
      {"LAVENDERBLUSH", 255, 240, 245, nullptr},
      {"LAWNGREEN", 124, 252, 0, nullptr},
      {"LEMONCHIFFON", 255, 250, 205, nullptr},
      {"LIGHTBLUE", 132, 132, 252, &LIGHTBLUE},
      {"LIGHTBROWN", 210, 180, 140, &LIGHTBROWN},
      {"LIGHTCORAL", 240, 128, 128, nullptr},
      {"LIGHTCYAN", 84, 252, 252, &LIGHTCYAN},
      {"LIGHTGOLDENRODYELLOW", 250, 250, 210, nullptr},
      {"LIGHTGRAY", 168, 168, 168, &LIGHTGRAY},
      {"LIGHTGREEN", 84, 252, 84, &LIGHTGREEN},
      {"LIGHTMAGENTA", 252, 84, 252, &LIGHTMAGENTA},
      {"LIGHTPINK", 255, 182, 193, nullptr},
      {"LIGHTRED", 252, 84, 84, &LIGHTRED},
      {"LIGHTSALMON", 255, 160, 122, nullptr},
      {"LIGHTSEAGREEN", 32, 178, 170, nullptr},
      {"LIGHTSKYBLUE", 135, 206, 250, nullptr},
      {"LIGHTSLATEGRAY", 119, 136, 153, nullptr},
      {"LIGHTSTEELBLUE", 176, 196, 222, nullptr},
      {"LIGHTYELLOW", 255, 255, 224, nullptr},
      {"LIME", 0, 255, 0, nullptr},
      {"LIMEGREEN", 50, 205, 50, nullptr},
      {"LINEN", 250, 240, 230, nullptr},
      {"MAGENTA", 168, 0, 168, &MAGENTA},
      {"MAROON", 128, 0, 0, &MAROON},
      {"MEDIUMAQUAMARINE", 102, 205, 170, nullptr},
      {"MEDIUMBLUE", 0, 0, 205, nullptr},
      {"MEDIUMORCHID", 186, 85, 211, nullptr},
      {"MEDIUMPURPLE", 147, 112, 219, nullptr},
      {"MEDIUMSEAGREEN", 60, 179, 113, nullptr},
      {"MEDIUMSLATEBLUE", 123, 104, 238, nullptr},
      {"MEDIUMSPRINGGREEN", 0, 250, 154, nullptr},
      {"MEDIUMTURQUOISE", 72, 209, 204, nullptr},
      {"MEDIUMVIOLETRED", 199, 21, 133, nullptr},
      {"MIDNIGHTBLUE", 25, 25, 112, nullptr},
      {"MINTCREAM", 245, 255, 250, nullptr},
      {"MISTYROSE", 255, 228, 225, nullptr},
      {"MOCCASIN", 255, 228, 181, nullptr},
      {"MONEYGREEN", 192, 220, 192, nullptr},
      {"NAVAJOWHITE", 255, 222, 173, nullptr},
      {"NAVY", 0, 0, 128, nullptr},
      {"OLDLACE", 253, 245, 230, nullptr},
      {"OLIVE", 128, 128, 0, nullptr},
      {"OLIVEDRAB", 107, 142, 35, nullptr},
      {"ORANGE", 255, 165, 0, nullptr},
      {"ORANGERED", 255, 69, 0, nullptr},
      {"ORCHID", 218, 112, 214, nullptr},
      {"PALEGOLDENROD", 238, 232, 170, nullptr},
      {"PALEGREEN", 152, 251, 152, nullptr},
      {"PALETURQUOISE", 175, 238, 238, nullptr},
      {"PALEVIOLETRED", 219, 112, 147, nullptr},
      {"PAPAYAWHIP", 255, 239, 213, nullptr},
      {"PEACHPUFF", 255, 218, 185, nullptr},
      {"PERU", 205, 133, 63, nullptr},
      {"PINK", 255, 192, 203, nullptr},
      {"PLUM", 221, 160, 221, nullptr},
      {"POWDERBLUE", 176, 224, 230, nullptr},
      {"PURPLE", 128, 0, 128, nullptr},
      {"RED", 255, 0, 0, &RED},
      {"ROSYBROWN", 188, 143, 143, nullptr},
      {"ROYALBLUE", 65, 105, 225, nullptr},
      {"SADDLEBROWN", 139, 69, 19, nullptr},
      {"SALMON", 250, 128, 114, nullptr},
      {"SANDYBROWN", 244, 164, 96, nullptr},
      {"SEAGREEN", 46, 139, 87, nullptr},
      {"SEASHELL", 255, 245, 238, nullptr},
      {"SIENNA", 160, 82, 45, nullptr},
      {"SILVER", 192, 192, 192, nullptr},
      {"SKYBLUE", 135, 206, 235, nullptr},
      {"SLATEBLUE", 106, 90, 205, nullptr},
      {"SLATEGRAY", 112, 128, 144, nullptr},
      {"SNOW", 255, 250, 250, nullptr},
      {"SPRINGGREEN", 0, 255, 127, nullptr},
      {"STEELBLUE", 70, 130, 180, nullptr},
      {"TAN", 210, 180, 140, nullptr},
      {"TEAL", 0, 128, 128, nullptr},
      {"THISTLE", 216, 191, 216, nullptr},
      {"TOMATO", 255, 99, 71, nullptr},
      {"TURQUOISE", 64, 224, 208, nullptr},
      {"VIOLET", 238, 130, 238, nullptr},
      {"WHEAT", 245, 222, 179, nullptr},
      {"WHITE", 255, 255, 255, &WHITE},
      {"WHITESMOKE", 245, 245, 245, nullptr},
      {"YELLOW", 255, 255, 0, &YELLOW},
      {"YELLOWGREEN", 154, 205, 50, nullptr},
  };
  return table;
}

const NamedColour* FINDNAMEDCOLOUR(const std::string& name) {
  std::string up;
  for (char c : name) up += char(std::toupper(static_cast<unsigned char>(c)));
  for (const NamedColour& c : MAGICKPALETTE())
    if (up == c.name) return &c;
  return nullptr;
}

}  // namespace qora
