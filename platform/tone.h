// The tone behind SOUND: a square wave of the asked pitch played through the
// sound card while the caller waits out its duration on the program's clock.
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

class Clock;

// SOUND on a given clock: queues the tone on the sound card (only on a real
// clock, for a pitch of kLowestTone or more, when a device opens) and sleeps
// dur ms on that clock.
void play_tone(Clock& clock, unsigned hz, unsigned dur);

}  // namespace qora::platform
