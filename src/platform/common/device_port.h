// The spooler port of a printer the helper library found, from the device ID
// and port information it reports: the rule the installer, the 64-bit
// sibling and its stand-in share. Header only, so the stand-ins can use it.
//
//   plat::DevicePort("USBPRINT\\VP-210\\7&1A2B&0&USB001", "Virtual printer port for USB001");  //
//   "USB001" plat::DevicePort("LPTENUM\\VP-210\\1", "LPT1");                                  //
//   "LPT1:" plat::DevicePort("SERENUM\\VP-350S\\1", "Communications Port (COM3)");           //
//   "COM3:" plat::DevicePort("ACPI\\PNP0401\\1", "");                                        //
//   nullopt
#pragma once
#include <optional>
#include <string>

namespace plat {

namespace internal {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "COMn:" for the last "COM" (any case) followed by a port number 1 to 256
// in the text; empty when there is none.
inline std::string LastComPort(const std::string& text) {
  for (size_t at = text.size(); at >= 3; --at) {
    const size_t c = at - 3;
    if ((text[c] != 'C' && text[c] != 'c') || (text[c + 1] != 'O' && text[c + 1] != 'o') ||
        (text[c + 2] != 'M' && text[c + 2] != 'm'))
      continue;
    size_t end = at;
    unsigned number = 0;
    while (end < text.size() && IsDigit(text[end]) && end - at < 4)
      number = number * 10 + static_cast<unsigned>(text[end++] - '0');
    const bool whole = end == text.size() || !IsDigit(text[end]);
    if (end > at && text[at] != '0' && whole && number <= 256)
      return "COM" + std::to_string(number) + ":";
  }
  return std::string();
}

}  // namespace internal

// A USB printer (device ID with "USBPRINT") is on the last six characters
// of its port information (all of it when shorter), a parallel one
// ("LPTENUM") on "LPT1:", a serial one ("SERENUM") on the COM port its port
// information names last. nullopt for any other device, or a serial one
// whose information names no COM port: the caller then keeps the port it had.
inline std::optional<std::string> DevicePort(const std::string& deviceId,
                                             const std::string& portInfo) {
  constexpr size_t kUsbPortLength = 6;
  if (deviceId.find("USBPRINT") != std::string::npos)
    return portInfo.size() > kUsbPortLength ? portInfo.substr(portInfo.size() - kUsbPortLength)
                                            : portInfo;
  if (deviceId.find("LPTENUM") != std::string::npos) return "LPT1:";
  if (deviceId.find("SERENUM") != std::string::npos) {
    std::string com = internal::LastComPort(portInfo);
    if (!com.empty()) return com;
  }
  return std::nullopt;
}

}  // namespace plat
