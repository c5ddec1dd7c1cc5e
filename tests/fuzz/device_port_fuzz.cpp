// Fuzz target of the rule from a device to its port: the simulated helper
// library finds a device by hardware ID tail and the installer turns its
// instance ID and port information into a port, the 64-bit sibling does the
// same with its own rule, and devcon lists the device by pattern.
// Input: hardware ID \0 instance ID \0 port information \0 INF hardware ID \0 pattern.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/common/text.h"
#include "platform/platform.h"
#include "platform/sibling_command.h"
#include "platform/sim/device_rules.h"
#include "platform/sim/machine.h"
#include "services/detection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> f(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && f.size() < 5)
      f.emplace_back();
    else
      f.back() += static_cast<char>(data[i]);
  }
  f.resize(5);
  const std::string &hwId = f[0], &deviceId = f[1], &portInfo = f[2], &infId = f[3],
                    &pattern = f[4];

  // The 260-byte buffer is filled to its end at most.
  char buffer[devrules::kTextSize + 8];
  for (char& c : buffer) c = '\x5a';
  devrules::CopyText(buffer, portInfo);
  for (size_t i = devrules::kTextSize; i < sizeof buffer; ++i)
    if (buffer[i] != '\x5a') __builtin_trap();
  if (devrules::MatchesTail(hwId, infId) && infId.empty()) __builtin_trap();
  const std::string listing = devrules::StatusListing({{deviceId, hwId}}, pattern);
  // The whole listing is compared: a device may carry any ID, the words of
  // the empty listing too.
  if (devrules::WildcardMatch(pattern.c_str(), deviceId.c_str()) !=
      (listing != "No matching devices found.\r\n"))
    __builtin_trap();

  // One machine for every input: making its sandbox on disk costs more than a run.
  static plat::sim::SimMachine machine;
  plat::SetBackend(machine.AsBackend());
  machine.transcript.clear();
  machine.started.clear();
  machine.devices.devices.clear();
  plat::sim::SimDevice d;
  d.hardwareId = hwId;
  d.deviceId = deviceId;
  d.portInfo = portInfo;
  machine.devices.devices.push_back(d);
  plat::files().WriteFile("C:\\Medium\\drvkit.dll", "MZ");
  plat::files().WriteFile("C:\\Medium\\VP.inf",
                          "[Models]\r\n%P%=Inst,LPTENUM\\" +
                              infId.substr(0, infId.find_first_of("\r\n")) + ",USBPRINT\\" +
                              infId.substr(0, infId.find_first_of("\r\n")) + "\r\n");
  std::string port = "COM9:";
  const int r =
      static_cast<int>(services::DetectPrinterPort("VP.inf", "C:\\Medium\\drvkit.dll", port));
  if (r < 0 || r > 2) __builtin_trap();
  if (r == 0 && !port.empty()) __builtin_trap();
  const bool serial = port.size() <= 7 && port.rfind("COM", 0) == 0 && port.back() == ':';
  if (r != 0 && port != "COM9:" && port != "LPT1:" && port.size() > 6 && !serial) __builtin_trap();
  // Where both rules name a USB port they agree (the library cut the texts to 259 bytes).
  const std::string seenId = deviceId.substr(0, devrules::kTextSize - 1);
  const std::string seenInfo = portInfo.substr(0, devrules::kTextSize - 1);
  const std::string sib = sibling::PortFor(r != 0, seenId, seenInfo);
  if (r != 0 && plat::text::Contains(seenId, "USBPRINT") && !seenInfo.empty() && sib != port)
    __builtin_trap();
  if (machine.handles.Total() != 0) __builtin_trap();
  return 0;
}
