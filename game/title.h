// The title and credits screen.
#pragma once

#include <cstdint>

namespace qora {

// Shows the credits and waits for a key, a click, or IWAITTIMES ticks of
// 10 ms (0 or less: no limit). A key that ends the wait stays in the buffer.
void OUTTITLE(int32_t IWAITTIMES);

}  // namespace qora
