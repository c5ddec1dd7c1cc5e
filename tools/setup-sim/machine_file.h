// The machine file of setup-sim: an INI file describing the simulated Windows.
#pragma once
#include <map>
#include <string>

#include "platform/sim/machine.h"

namespace simtool {

using IniData = std::map<std::string, std::map<std::string, std::string>>;

// Parses INI text (sections, key=value, ';' comments); names kept as written.
IniData ParseIni(const std::string& text);
// Applies every section to the machine; false with a message on a bad value.
bool ApplyMachineFile(const IniData& ini, plat::sim::SimMachine& m, std::string& error);

}  // namespace simtool
