// The spooler sections of a machine file:
//   [Spooler]   Ports=LPT1:,USB001,FILE:   Default=Office
//   [Printer.1] Name=Office  Driver=Office PS  Port=USB001  PrintProcessor=WinPrint  Jobs=2
// Drivers named by a queue are installed; a bad value stops with a message.
#pragma once
#include <map>
#include <string>

#include "platform/sim/machine.h"

namespace plat::sim {

// ini: section -> key -> value, names as written in the file (matched without case).
bool LoadSpoolerSections(const std::map<std::string, std::map<std::string, std::string>>& ini,
                         SimMachine& m, std::string& error);

}  // namespace plat::sim
