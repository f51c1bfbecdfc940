// SOUND: a blocking tone of the given pitch and duration on the program's
// clock (under the virtual clock nothing is heard and no real time passes).
#include "graph/graph.h"
#include "platform/clock.h"
#include "platform/tone.h"

namespace qora {

void SOUND(uint16_t hz, uint16_t dur) { platform::play_tone(platform::clock(), hz, dur); }

}  // namespace qora
