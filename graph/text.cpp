// Installed font faces, the font word, and drawing and measuring text with
// monochrome hinted glyphs. Texts are Windows-1251 bytes; they become Unicode
// only here, glyph by glyph.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_DRIVER_H
#include FT_MODULE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <strings.h>
#include <tuple>
#include <unordered_map>

#include "platform/cp1251.h"
#include "platform/fonts.h"
#include "graph/drawing.h"

namespace qora::gfx {
namespace {

// One horizontal run of set pixels of a glyph, relative to its origin on the
// baseline (y downward).
struct Run {
  int16_t dy, x0, x1;
};

struct Glyph {
  int advance = 0;
  std::vector<Run> runs;
};

struct LoadedFace {
  FT_Face face = nullptr;
  int id = 0;
  int size = 0;  // the pixel size last set on the face
};

// The current font as SETTEXTSTYLE made it.
struct CurrentFont {
  LoadedFace* face = nullptr;
  int ppem = 0;
  int height = 0;  // the full cell height
  int ascent = 0;  // from the top of the cell to the baseline
  bool underline = false;
  int ul_pos = 0, ul_thick = 1;  // underline top below the baseline, thickness
};

class Engine {
 public:
  Engine() {
    if (FT_Init_FreeType(&lib_) != 0) {
      lib_ = nullptr;
      return;
    }
    // The classic TrueType hinting: crisp, Windows-like monochrome glyphs.
    FT_UInt version = TT_INTERPRETER_VERSION_35;
    FT_Property_Set(lib_, "truetype", "interpreter-version", &version);
  }
  ~Engine() {
    for (auto& [key, f] : faces_)
      if (f.face) FT_Done_Face(f.face);
    if (lib_) FT_Done_FreeType(lib_);
  }
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // The loaded face for a face name and style, or nullptr when none resolves.
  // With `fallback`, any Liberation face stands in for a missing one.
  LoadedFace* face_for(const std::string& name, bool bold, bool italic, bool fallback = true) {
    auto key = std::make_tuple(name, bold, italic, fallback);
    if (auto it = resolved_.find(key); it != resolved_.end()) return it->second;
    LoadedFace* f = nullptr;
    for (const std::string& family : families(name, fallback)) {
      std::string path;
      int index = 0;
      if (!platform::find_font(family, bold, italic, path, index)) continue;
      f = load(path, index);
      if (f) break;
    }
    resolved_[key] = f;
    return f;
  }

  std::unordered_map<uint64_t, Glyph> glyphs;
  CurrentFont current;

 private:
  // The installed families that stand for a face name, best first; with
  // `fallback` any Liberation face follows.
  static std::vector<std::string> families(const std::string& name, bool fallback) {
    std::vector<std::string> out;
    auto is = [&](const char* n) { return strcasecmp(name.c_str(), n) == 0; };
    if (is("Times New Roman")) out = {"Liberation Serif"};
    else if (is("Courier New")) out = {"Liberation Mono"};
    else if (is("Arial") || is("MS Sans Serif") || is("System")) out = {"Liberation Sans"};
    else if (is("Lucida Console")) out = {"Liberation Mono", "DejaVu Sans Mono"};
    else out = {name};
    if (!fallback) return out;
    for (const char* f : {"Liberation Sans", "Liberation Serif", "Liberation Mono"})
      out.emplace_back(f);
    return out;
  }

  LoadedFace* load(const std::string& path, int index) {
    if (!lib_) return nullptr;
    const std::string key = path + "#" + std::to_string(index);
    if (auto it = faces_.find(key); it != faces_.end()) return &it->second;
    FT_Face face = nullptr;
    if (FT_New_Face(lib_, path.c_str(), index, &face) != 0) return nullptr;
    if (!FT_IS_SCALABLE(face)) {
      FT_Done_Face(face);
      return nullptr;
    }
    LoadedFace& f = faces_[key];
    f.face = face;
    f.id = int(faces_.size());
    return &f;
  }

  FT_Library lib_ = nullptr;
  std::map<std::string, LoadedFace> faces_;
  std::map<std::tuple<std::string, bool, bool, bool>, LoadedFace*> resolved_;
};

Engine& engine() {
  static Engine e;
  return e;
}

// INSTFONT: the face names of the 15 slots, empty when free.
std::array<std::string, NRMAXFONTS> g_instfont;

const char* const kDefaultFaces[] = {"Courier New",     "System", "MS Sans Serif",
                                     "Times New Roman", "Arial",  "Lucida Console"};

void set_face_size(LoadedFace& f, int ppem) {
  if (f.size != ppem) {
    FT_Set_Pixel_Sizes(f.face, 0, FT_UInt(ppem));
    f.size = ppem;
  }
}

const Glyph& glyph(unsigned char ch) {
  Engine& e = engine();
  CurrentFont& cf = e.current;
  const uint64_t key = (uint64_t(cf.face->id) << 40) | (uint64_t(cf.ppem) << 8) | ch;
  if (auto it = e.glyphs.find(key); it != e.glyphs.end()) return it->second;
  Glyph g;
  const char32_t u = cp1251_to_unicode(ch);
  if (u != 0) {
    set_face_size(*cf.face, cf.ppem);
    FT_Face face = cf.face->face;
    if (FT_Load_Char(face, u, FT_LOAD_TARGET_MONO | FT_LOAD_RENDER) == 0) {
      const FT_GlyphSlot slot = face->glyph;
      g.advance = int((slot->advance.x + 32) >> 6);
      const FT_Bitmap& bm = slot->bitmap;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
        for (unsigned row = 0; row < bm.rows; ++row) {
          const unsigned char* bits = bm.buffer + int(row) * bm.pitch;
          int start = -1;
          for (unsigned col = 0; col <= bm.width; ++col) {
            const bool on = col < bm.width && (bits[col >> 3] & (0x80 >> (col & 7)));
            if (on && start < 0) start = int(col);
            if (!on && start >= 0) {
              g.runs.push_back(Run{int16_t(int(row) - slot->bitmap_top),
                                   int16_t(slot->bitmap_left + start),
                                   int16_t(slot->bitmap_left + int(col) - 1)});
              start = -1;
            }
          }
        }
      }
    }
  }
  return e.glyphs.emplace(key, std::move(g)).first->second;
}

int text_width(const std::string& text) {
  if (!engine().current.face) return 0;
  int w = 0;
  for (unsigned char ch : text) w += glyph(ch).advance;
  return w;
}

}  // namespace

int16_t install_default_faces() {
  g_instfont.fill(std::string());
  for (int i = 0; i < 6; ++i) {
    if (!engine().face_for(kDefaultFaces[i], false, false)) {
      g_instfont.fill(std::string());
      return GRINVALIDFONT;
    }
    g_instfont[i] = kDefaultFaces[i];
  }
  return GROK;
}

void reset_fonts() {
  g_instfont.fill(std::string());
  engine().current = CurrentFont{};
}

}  // namespace qora::gfx

namespace qora {

using namespace gfx;

void SETTEXTSTYLE(uint16_t font, uint16_t direction, uint16_t charsize) {
  Drawing d;
  if (!d) return;
  const int slot = font & 15;
  if (slot >= NRMAXFONTS || g_instfont[slot].empty()) {
    S().result = GRINVALIDFONTNUM;
    return;
  }
  const int weight = 400 + 300 * ((font & 255) >> 4);
  const bool italic = (font >> 12) != 0;
  LoadedFace* f = engine().face_for(g_instfont[slot], weight >= 700, italic);
  if (!f) f = engine().face_for(g_instfont[slot], false, false);
  if (!f) {
    S().result = GRINVALIDFONT;
    return;
  }
  // The pixel height is the full cell, as the face's Windows metrics give it.
  const int height = std::max(1, charsize <= 5 ? charsize * 8 : int(charsize));
  const FT_Face face = f->face;
  int win_ascent = face->ascender, win_descent = -face->descender;
  if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      os2 && os2->usWinAscent + os2->usWinDescent > 0) {
    win_ascent = os2->usWinAscent;
    win_descent = os2->usWinDescent;
  }
  const double cell = std::max(1, win_ascent + win_descent);
  CurrentFont cf;
  cf.face = f;
  cf.height = height;
  cf.ppem = std::max(1, int(std::lround(height * double(face->units_per_EM) / cell)));
  cf.ascent = int(std::lround(win_ascent * height / cell));
  cf.underline = ((font >> 8) & 15) != 0;
  const double scale = double(cf.ppem) / face->units_per_EM;
  cf.ul_thick = std::max(1, int(std::lround(face->underline_thickness * scale)));
  cf.ul_pos = std::max(1, int(std::lround(-face->underline_position * scale)) - cf.ul_thick / 2);
  engine().current = cf;
  S().text.FONT = font;
  S().text.DIRECTION = direction;
  S().text.CHARSIZE = charsize;
}

void GETTEXTSETTINGS(TEXTSETTINGSTYPE& ts) {
  Drawing d;
  if (d) ts = S().text;
}

void OUTTEXTXY(int16_t x, int16_t y, const std::string& text) {
  Drawing d;
  if (!d) return;
  State& s = S();
  const CurrentFont& cf = engine().current;
  if (!cf.face) return;
  const uint8_t idx = draw_index(s.frcolor);
  const int left = origin_x() + x;
  const int baseline = origin_y() + y + cf.ascent;
  int pen = left;
  for (unsigned char ch : text) {
    const Glyph& g = glyph(ch);
    for (const Run& r : g.runs) hspan_abs(pen + r.x0, pen + r.x1, baseline + r.dy, idx);
    pen += g.advance;
  }
  if (cf.underline && pen > left) {
    const int bottom = origin_y() + y + cf.height - 1;
    for (int i = 0; i < cf.ul_thick; ++i)
      if (baseline + cf.ul_pos + i <= bottom) hspan_abs(left, pen - 1, baseline + cf.ul_pos + i, idx);
  }
  s.cur_x = x + (pen - left);
  s.cur_y = y;
}

uint16_t TEXTWIDTH(const std::string& text) {
  Drawing d;
  if (!d) return 0;
  return uint16_t(std::min(text_width(text), 65535));
}

// The cell height of the current font; the same for every text, the empty one
// included, so boxes measured for a label keep their height when it is empty.
uint16_t TEXTHEIGHT(const std::string&) {
  Drawing d;
  if (!d) return 0;
  return uint16_t(engine().current.height);
}

int16_t INSTALLUSERFONT(const std::string& face) {
  Drawing d;
  if (!d) return -1;
  auto slot = std::find(g_instfont.begin(), g_instfont.end(), std::string());
  if (face.empty() || face.size() > 31 || slot == g_instfont.end() ||
      !engine().face_for(face, false, false, false)) {
    S().result = GRINVALIDFONT;
    return -1;
  }
  *slot = face;
  return int16_t(slot - g_instfont.begin());
}

}  // namespace qora
