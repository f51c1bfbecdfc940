#include <gtest/gtest.h>

#include <memory>

#include "platform/clock.h"

int main(int argc, char** argv) {
  // Tests run on the virtual clock: waits take no real time.
  qora::platform::set_clock(std::make_unique<qora::platform::VirtualClock>());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
