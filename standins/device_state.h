// The state file the helper-library and devcon stand-ins share, beside the
// module itself ("drvkit-state.ini"), and the call log they append to
// ("drvkit-calls.log", one "Name(arg, arg)" a line):
//
//   [HelperLibrary]
//   InstallResult=0        ; what FuncDrvKit returns
//   LastErrorCode=0        ; what LastInstallErrorCode returns
//   AnswerHighBits=0       ; or'ed into FuncFindExistDevice's answer
//   DevconFails=0          ; 1: devcon prints nothing
//   [Device.1]             ; 1, 2, ... up to the first missing number
//   HardwareId=USBPRINT\VelmarVP-210
//   DeviceId=USBPRINT\VELMARVP-210\7&1A2B&0&USB001
//   PortInfo=Virtual printer port for USB001
//   Name=Velmar VP-210     ; shown by devcon status
//   AfterRefresh=1         ; present only after RefreshHW or devcon rescan
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/sim/device_rules.h"

namespace standin {

struct Device {
  int number = 0;
  std::string hardwareId, deviceId, portInfo, name;
  bool afterRefresh = false;
};

inline std::string ModuleFolder(HMODULE module) {
  char path[MAX_PATH] = {0};
  DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  std::string s(path, n < MAX_PATH ? n : MAX_PATH);
  size_t slash = s.find_last_of("\\/");
  return slash == std::string::npos ? "." : s.substr(0, slash);
}

class DeviceState {
 public:
  explicit DeviceState(HMODULE module)
      : file_(ModuleFolder(module) + "\\drvkit-state.ini"),
        log_(ModuleFolder(module) + "\\drvkit-calls.log") {}

  std::string Get(const char* section, const char* key, const char* def = "") const {
    char buf[1024] = {0};
    GetPrivateProfileStringA(section, key, def, buf, sizeof buf, file_.c_str());
    return buf;
  }
  long GetNumber(const char* key) const {
    return static_cast<long>(strtoul(Get("HelperLibrary", key, "0").c_str(), nullptr, 0));
  }

  std::vector<Device> Devices() const {
    std::vector<Device> out;
    for (int n = 1; n < 1000; ++n) {
      std::string section = "Device." + std::to_string(n);
      Device d;
      d.number = n;
      d.hardwareId = Get(section.c_str(), "HardwareId");
      d.deviceId = Get(section.c_str(), "DeviceId");
      if (d.hardwareId.empty() && d.deviceId.empty()) break;
      d.portInfo = Get(section.c_str(), "PortInfo");
      d.name = Get(section.c_str(), "Name");
      d.afterRefresh = Get(section.c_str(), "AfterRefresh", "0") == "1";
      out.push_back(d);
    }
    return out;
  }

  // A rescan brings up the devices that wait for one, for every later load.
  void Rescan() const {
    for (const Device& d : Devices())
      if (d.afterRefresh)
        WritePrivateProfileStringA(("Device." + std::to_string(d.number)).c_str(), "AfterRefresh",
                                   "0", file_.c_str());
  }

  void LogCall(const std::string& line) const {
    if (FILE* f = fopen(log_.c_str(), "ab")) {
      fprintf(f, "%s\r\n", line.c_str());
      fclose(f);
    }
  }

 private:
  std::string file_, log_;
};

}  // namespace standin
