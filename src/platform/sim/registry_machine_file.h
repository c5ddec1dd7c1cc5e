// The registry sections of a machine file, one per key (stored paths, as the
// 64-bit view shows them; the 32-bit view's keys are under Wow6432Node):
//   [Registry\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velmar Printer Utilities]
//   UninstallString=C:\Program Files\Velmar\Uninst.exe
//   Leave OEM INF=dword:0
// Values are text, or typed: dword:N, hex:01,02, expand:text, str:text.
#pragma once
#include <map>
#include <string>

#include "platform/sim/machine.h"

namespace plat::sim {

bool LoadRegistrySections(const std::map<std::string, std::map<std::string, std::string>>& ini,
                          SimMachine& m, std::string& error);

}  // namespace plat::sim
