// SOUND: a blocking tone of the given pitch and duration, through the audio
// backend in use and timed on the program's clock.
#include "graph/graph.h"
#include "platform/audio.h"

namespace qora {

void SOUND(uint16_t hz, uint16_t dur) { platform::play_tone(hz, dur); }

}  // namespace qora
