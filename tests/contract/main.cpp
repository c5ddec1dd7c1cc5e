#include <gtest/gtest.h>

#include "setting.h"
#ifndef _WIN32
#include "platform/sim/machine.h"
#endif

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
#ifndef _WIN32
  // The simulated machine can play the 32-bit program on 64-bit Windows too.
  if (setting::ExpectWow64()) plat::sim::DefaultMachine().wow64 = true;
#endif
  return RUN_ALL_TESTS();
}
