// The 64-bit hand-off section of a machine file:
//   [HandOff64]  Delay=3000  InstallsDriver=Velmar VP-210
// A bad value stops the load with a message and leaves the machine unchanged.
#pragma once
#include <map>
#include <string>

#include "platform/sim/machine.h"

namespace plat::sim {

bool LoadHandOffSection(const std::map<std::string, std::map<std::string, std::string>>& ini,
                        SimMachine& m, std::string& error);

}  // namespace plat::sim
