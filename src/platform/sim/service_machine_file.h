// The service sections of a machine file:
//   [Service.Spooler]  Installed=1  Running=1  Exe=C:\Windows\spoolsv.exe  StartFails=once
// A bad value stops with a message and leaves the machine unchanged.
#pragma once
#include <map>
#include <string>

#include "platform/sim/machine.h"

namespace plat::sim {

// ini: section -> key -> value, names as written in the file (matched without case).
bool LoadServiceSections(const std::map<std::string, std::map<std::string, std::string>>& ini,
                         SimMachine& m, std::string& error);

}  // namespace plat::sim
