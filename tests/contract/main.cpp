#include <gtest/gtest.h>

#ifndef _WIN32
#include <cstdlib>

#include "platform/sim/machine.h"
#endif

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
#ifndef _WIN32
  // SIM_WOW64=1: the simulated machine is 64-bit Windows running this 32-bit
  // program, as the Wine runs in a 64-bit prefix are.
  if (const char* w = getenv("SIM_WOW64"); w && std::string(w) == "1")
    plat::sim::DefaultMachine().wow64 = true;
#endif
  return RUN_ALL_TESTS();
}
