// Fuzz target of setup-sim's machine-file reader: any input either loads,
// leaving a machine whose spooler holds together, or is refused with a
// message and leaves the machine exactly as it was.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/common/text.h"
#include "platform/platform.h"
#include "platform/sim/machine.h"
#include "tools/setup-sim/machine_file.h"

namespace {

std::string Fingerprint(const plat::sim::SimMachine& m) {
  std::string s = std::to_string(m.version.major) + "." + std::to_string(m.version.minor) + " " +
                  std::to_string(m.wow64) + " " + std::to_string(m.langId) + " " +
                  std::to_string(m.codePage) + " " + std::to_string(m.devices.devices.size()) +
                  " " + std::to_string(m.services.byName.size()) + " " + m.spooler.defaultPrinter +
                  " " + m.devices.installsDriver + " " + std::to_string(m.handOff.delay);
  for (const auto& p : m.spooler.ports) s += "|" + p;
  for (const auto& p : m.spooler.printers) s += "|" + p.info.printerName + "@" + p.info.portName;
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  plat::sim::SimMachine machine;
  plat::SetBackend(machine.AsBackend());
  const std::string before = Fingerprint(machine);
  std::string error;
  const bool ok = simtool::LoadMachineFile(std::string(reinterpret_cast<const char*>(data), size),
                                           machine, error);
  if (!ok) {
    if (error.empty()) __builtin_trap();
    if (Fingerprint(machine) != before) __builtin_trap();
    // No fault of a refused file stays set.
    if (!plat::files().WriteFile("C:\\probe", "x") || !plat::files().ReadFile("C:\\probe"))
      __builtin_trap();
  } else {
    const auto& sp = machine.spooler;
    bool defaultFound = sp.defaultPrinter.empty();
    for (const auto& p : sp.printers) {
      defaultFound |= plat::text::EqualNoCase(p.info.printerName, sp.defaultPrinter);
      bool portKnown = false;
      for (const auto& port : sp.ports) portKnown |= plat::text::EqualNoCase(port, p.info.portName);
      if (!portKnown) __builtin_trap();
    }
    if (!defaultFound) __builtin_trap();
  }
  return 0;
}
