// The tone behind SOUND on the sound card: a square wave of the asked pitch
// (the SDL audio backend of platform/audio.h plays it).
#pragma once

#include <cstddef>
#include <cstdint>

namespace qora::platform {

// Pitches below this are not played (they are no tone a speaker gives);
// SOUND still waits out their duration.
constexpr unsigned kLowestTone = 20;

// A square wave of a fixed pitch, sample by sample, keeping its phase from
// one block to the next.
class SquareWave {
 public:
  SquareWave(double hz, int sample_rate, int16_t amplitude);
  // Writes n mono samples, each +amplitude or -amplitude (all 0 for a pitch
  // below kLowestTone or at or above half the sample rate).
  void fill(int16_t* out, size_t n);

 private:
  double step_;   // phase advance per sample, in periods
  double phase_ = 0;  // 0..1: first half high, second half low
  int16_t amplitude_;
  bool silent_;
};

}  // namespace qora::platform
