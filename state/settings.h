// The two run-time settings, the screen resolution option and the sound
// effects, reached through one small access class. The values live in the
// globals G_ISCREENRESOLUTION and SOUNDOK and are never stored: every start
// begins with resolution option 4 (full screen) and the sound off.
#pragma once

#include <cstdint>

namespace qora {

class TAppSettings {
 public:
  TAppSettings() = default;
  virtual ~TAppSettings() = default;
  TAppSettings(const TAppSettings&) = delete;
  TAppSettings& operator=(const TAppSettings&) = delete;

  uint32_t GETSCREENRESOLUTION() const;
  void SETSCREENRESOLUTION(uint32_t value);
  bool GETSOUNDEFFECTS() const;
  void SETSOUNDEFFECTS(bool value);

  // Reads both settings through the getters; with no store behind them the
  // values stay as they are.
  void LOADSETTINGS();
  // Sound on -> off -> on.
  void SETSOUNDEFFECTSNEXTOPTION();
  // Resolution 1 -> 2 -> 3 -> 4 -> 1; a value outside 1..4 becomes 1.
  void SETSCREENRESOLUTIONNEXTOPTION();

 private:
  uint64_t M_IAPPSETTINGSREGKEY = 0;  // no persistent store is ever opened
};

}  // namespace qora
