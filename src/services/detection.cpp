#include "services/detection.h"

#include <cstring>
#include <optional>
#include <vector>

#include "platform/common/device_port.h"
#include "platform/common/text.h"
#include "platform/platform.h"
#include "services/inf_reader.h"
#include "services/log.h"
#include "services/runcmd.h"
#include "services/service_control.h"

namespace services {

namespace {

constexpr uint32_t kRefreshPauseMs = 200;
constexpr const char kBrand[] = "Pellacor";
constexpr const char kLpt1Marker[] = "LPT1.4";

// Debug lines in the code page they are read in (GBK); the brand word is
// part of the fixed text.
// "Installer DC即将刷新系统硬件信息。"
constexpr const char kAboutToRescan[] =
    "Installer "
    "DC\xbc\xb4\xbd\xab\xcb\xa2\xd0\xc2\xcf\xb5\xcd\xb3\xd3\xb2\xbc\xfe\xd0\xc5\xcf\xa2\xa1\xa3";
// "刷新系统硬件返回值为" and the number
constexpr const char kRescanResult[] =
    "\xcb\xa2\xd0\xc2\xcf\xb5\xcd\xb3\xd3\xb2\xbc\xfe\xb7\xb5\xbb\xd8\xd6\xb5\xce\xaa";
// "Installer DC检测打印机Pellacor没有联机！！"
constexpr const char kNotOnline[] =
    "Installer DC\xbc\xec\xb2\xe2\xb4\xf2\xd3\xa1\xbb\xfa"
    "Pellacor"
    "\xc3\xbb\xd3\xd0\xc1\xaa\xbb\xfa\xa3\xa1\xa3\xa1";
// "Installer DC检测到并口打印机联机。"
constexpr const char kParallelOnline[] =
    "Installer "
    "DC\xbc\xec\xb2\xe2\xb5\xbd\xb2\xa2\xbf\xda\xb4\xf2\xd3\xa1\xbb\xfa\xc1\xaa\xbb\xfa\xa1\xa3";
// "Installer DC检测到打印机Pellacor联机。"
constexpr const char kBrandOnline[] =
    "Installer DC\xbc\xec\xb2\xe2\xb5\xbd\xb4\xf2\xd3\xa1\xbb\xfa"
    "Pellacor"
    "\xc1\xaa\xbb\xfa\xa1\xa3";

// The library may fill a buffer to the last byte without a terminating zero;
// the text then ends with the buffer.
std::string BufferText(const std::vector<char>& buffer) {
  return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

}  // namespace

bool FindExistDevice(const std::string& libraryFile, const std::string& hwId, std::string& deviceId,
                     bool refresh, std::string& portInfo) {
  std::vector<char> deviceBuffer(plat::kHelperTextSize, '\0');
  std::vector<char> portBuffer(plat::kHelperTextSize, '\0');
  bool found = false;
  if (auto library = plat::libraries().Load(libraryFile)) {
    bool canFind = library->HasExport("FuncFindExistDevice");
    if (refresh && library->HasExport("RefreshHW")) {
      library->RefreshHW();
      plat::sys().Sleep(0);
      plat::sys().Sleep(kRefreshPauseMs);
      plat::sys().Sleep(0);
    }
    if (canFind) {
      uint32_t answer = library->FuncFindExistDevice(hwId, deviceBuffer.data(), portBuffer.data());
      found = (answer & 0xFFu) != 0;
    }
  }  // released here, before the answer is copied out
  deviceId = BufferText(deviceBuffer);
  portInfo = BufferText(portBuffer);
  return found;
}

PortFound DetectPrinterPort(const std::string& infFile, const std::string& libraryFile,
                            std::string& port) {
  return DetectPrinterPort(ReadInfHardwareIds(infFile), libraryFile, port);
}

PortFound DetectPrinterPort(const InfHardwareIds& ids, const std::string& libraryFile,
                            std::string& port) {
  std::string deviceId, portInfo;
  PortFound result;
  if (FindExistDevice(libraryFile, ids.hwId, deviceId, false, portInfo)) {
    result = PortFound::ByHardwareId;
  } else if (FindExistDevice(libraryFile, ids.compatId, deviceId, false, portInfo)) {
    result = PortFound::ByCompatibleId;
  } else {
    port.clear();
    return PortFound::None;
  }
  if (std::optional<std::string> found = plat::DevicePort(deviceId, portInfo)) port = *found;
  return result;
}

DevconStatus DevconRescanAndCheck(const std::string& devconFile) {
  WriteLog(kAboutToRescan, 0, "");
  std::vector<std::string> output;
  // cmd takes the outer quotes off what follows /C; the medium's devcon
  // keeps its own, so a folder with blanks in its name stays one path.
  const std::string devcon = Quoted(plat::files().GetFullPathName(devconFile));
  int rescan = RunCMD(SystemToolCommand("cmd.exe", "/C \"" + devcon + " rescan\""), output);
  plat::sys().OutputDebugString(kRescanResult + std::to_string(rescan));

  output.clear();
  if (RunCMD(SystemToolCommand("cmd.exe", "/C devcon.exe status *LPTENUM\\*"), output) <= 0) {
    WriteLog(kNotOnline, 0, "");
    return DevconStatus::NoListing;
  }
  std::string listing = JoinOutput(output);
  if (!plat::text::Contains(listing, kLpt1Marker)) return DevconStatus::NoParallelPrinter;
  WriteLog(kParallelOnline, 0, "");
  if (!plat::text::Contains(listing, kBrand)) return DevconStatus::OnLpt1;
  WriteLog(kBrandOnline, 0, "");
  return DevconStatus::BrandOnLpt1;
}

}  // namespace services
