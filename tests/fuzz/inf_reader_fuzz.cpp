// Fuzz target of the INF reader: the input becomes an INF file on a
// simulated machine, read for its hardware IDs on Windows 2000 and on XP
// and for its model name.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "platform/sim/machine.h"
#include "services/inf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static plat::sim::SimMachine machine;
  static bool installed = (plat::SetBackend(machine.AsBackend()), true);
  (void)installed;
  const std::string inf(reinterpret_cast<const char*>(data), size);
  if (!plat::files().WriteFile("C:\\Medium\\fuzz.inf", inf)) return 0;
  std::string id, compat, name;
  for (uint32_t minor : {0u, 1u}) {
    machine.version = {5, minor, 2600};
    int n = services::ReadInfHardwareIds("fuzz.inf", id, compat);
    if (n == 0 && (!id.empty() || !compat.empty())) __builtin_trap();
    if (n < 0 || id.size() > size || compat.size() > size) __builtin_trap();
  }
  if (services::ReadInfModelName("fuzz.inf", name) && name.size() > size) __builtin_trap();
  machine.transcript.clear();
  return 0;
}
