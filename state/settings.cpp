#include "state/settings.h"

#include "state/globals.h"

namespace qora {

uint32_t TAppSettings::GETSCREENRESOLUTION() const { return G_ISCREENRESOLUTION; }

void TAppSettings::SETSCREENRESOLUTION(uint32_t value) { G_ISCREENRESOLUTION = value; }

bool TAppSettings::GETSOUNDEFFECTS() const { return SOUNDOK; }

void TAppSettings::SETSOUNDEFFECTS(bool value) { SOUNDOK = value; }

void TAppSettings::LOADSETTINGS() {
  // Nothing is kept between runs, so loading only reads the current values
  // back (M_IAPPSETTINGSREGKEY stays 0: there is no store to read from).
  SETSCREENRESOLUTION(GETSCREENRESOLUTION());
  SETSOUNDEFFECTS(GETSOUNDEFFECTS());
}

void TAppSettings::SETSOUNDEFFECTSNEXTOPTION() {
  SOUNDOK = !SOUNDOK;
  SETSOUNDEFFECTS(SOUNDOK);
}

void TAppSettings::SETSCREENRESOLUTIONNEXTOPTION() {
  G_ISCREENRESOLUTION = G_ISCREENRESOLUTION + 1;
  if (G_ISCREENRESOLUTION > uint32_t(G_CSCREENRESOLUTIONSCOUNT) || G_ISCREENRESOLUTION < 1)
    G_ISCREENRESOLUTION = 1;
  SETSCREENRESOLUTION(G_ISCREENRESOLUTION);
}

}  // namespace qora
