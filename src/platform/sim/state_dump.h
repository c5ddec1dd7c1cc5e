// The simulated system's state as text, for setup-sim's end-state dump and
// for tests: one "System.WHAT=value" line each, in a stable order.
//
//   System.Printer[0].Name=Velmar VP-210
//   System.DefaultPrinter=Velmar VP-210
#pragma once
#include <string>
#include <vector>

#include "platform/sim/machine.h"

namespace plat::sim {

// Texts are in the machine's code page, as the system holds them.
std::vector<std::string> DescribeSystem(const SimMachine& m);

}  // namespace plat::sim
