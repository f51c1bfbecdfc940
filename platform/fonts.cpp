#include "platform/fonts.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

namespace qora::platform {

// Asks fontconfig for the family in that style and accepts the answer only
// when it is that family (fontconfig substitutes freely otherwise).
bool find_font(const std::string& family, bool bold, bool italic, std::string& path, int& index) {
  static const bool inited = FcInit();
  if (!inited) return false;
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult res;
  FcPattern* m = FcFontMatch(nullptr, pat, &res);
  FcPatternDestroy(pat);
  if (!m) return false;
  bool same = false;
  FcChar8* s = nullptr;
  for (int n = 0; FcPatternGetString(m, FC_FAMILY, n, &s) == FcResultMatch; ++n)
    if (strcasecmp(reinterpret_cast<const char*>(s), family.c_str()) == 0) same = true;
  FcChar8* file = nullptr;
  if (same && FcPatternGetString(m, FC_FILE, 0, &file) == FcResultMatch) {
    path = reinterpret_cast<const char*>(file);
    if (FcPatternGetInteger(m, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
  } else {
    same = false;
  }
  FcPatternDestroy(m);
  return same;
}

}  // namespace qora::platform
