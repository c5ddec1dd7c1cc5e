// Stand-in of the device console: "rescan" and "status PATTERN" over the
// devices of the state file beside it (see device_state.h), printing what
// devcon prints; nothing at all when the state file says it fails.
#include "device_state.h"

int main(int argc, char** argv) {
  standin::DeviceState state(nullptr);
  if (state.GetNumber("DevconFails") != 0) return 1;
  std::string verb = argc > 1 ? argv[1] : "";
  if (devrules::EqualNoCase(verb, "rescan")) {
    state.Rescan();
    fputs(devrules::RescanOutput(), stdout);
    return 0;
  }
  if (devrules::EqualNoCase(verb, "status") && argc > 2) {
    std::vector<devrules::ListedDevice> present;
    for (const standin::Device& d : state.Devices())
      if (!d.afterRefresh) present.push_back({d.deviceId, d.name});
    fputs(devrules::StatusListing(present, argv[2]).c_str(), stdout);
    return 0;
  }
  fputs(devrules::UsageText(), stdout);
  return 1;
}
