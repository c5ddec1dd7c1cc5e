// Fuzz target of the state file the helper-library and devcon stand-ins
// read (drvkit-state.ini): whatever it holds, the reader gives at most 999
// devices whose texts fit its 1024-byte buffer, and numbers without fault.
#include <cstddef>
#include <cstdint>
#include <string>

#include "device_state.h"
#include "platform/sim/machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One machine for every input: making its sandbox on disk costs more than a run.
  static plat::sim::SimMachine machine;
  plat::SetBackend(machine.AsBackend());
  const std::string path = "C:\\Medium\\drvkit-state.ini";
  plat::files().WriteFile(path, std::string(reinterpret_cast<const char*>(data), size));
  const standin::DeviceState state(nullptr);
  for (const char* key : {"InstallResult", "LastErrorCode", "AnswerHighBits", "DevconFails"})
    state.GetNumber(key);
  if (state.Get("HelperLibrary", "InstallsDriver").size() > 1023) __builtin_trap();
  const auto devices = state.Devices();
  if (devices.size() > 999) __builtin_trap();
  for (size_t i = 0; i < devices.size(); ++i) {
    const standin::Device& d = devices[i];
    if (d.number != static_cast<int>(i) + 1) __builtin_trap();
    if (d.hardwareId.empty() && d.deviceId.empty()) __builtin_trap();
    for (const std::string* s : {&d.hardwareId, &d.deviceId, &d.portInfo, &d.name})
      if (s->size() > 1023) __builtin_trap();
    char port[devrules::kTextSize];
    devrules::CopyText(port, d.portInfo);
  }
  // What the run made goes before it ends (memory still held when a run
  // returns makes the fuzzer run it again to look for a leak): the file, and
  // with it the profile reader's copy, and the machine's records.
  plat::files().DeleteFile(path);
  plat::profile().GetSectionNames(path, 16);
  machine.transcript.clear();
  machine.transcript.shrink_to_fit();
  machine.started.clear();
  machine.started.shrink_to_fit();
  return 0;
}
