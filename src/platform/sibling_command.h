// The 64-bit sibling setup's command line and its choice of port, without
// Windows, so that the stand-in, the simulated machine and the tests share it.
//
//   sibling::Command c;
//   sibling::Parse(" /Handle 1234 /Dll \"drvkit64.dll\" /Inf \"..\\VP.inf\" /HWID VP-210", c);
//   // c.window 1234, c.dll "drvkit64.dll", c.inf "..\VP.inf", c.hwid "VP-210"
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/common/device_port.h"
#include "platform/errors.h"
#include "platform/install_messages.h"

namespace sibling {

using plat::kWmInstallError;
using plat::kWmInstallSuccess;
// Error codes the sibling reports when it cannot ask the library.
constexpr uint32_t kErrorBadCommandLine = plat::kErrorInvalidParameter;
constexpr uint32_t kErrorNoLibrary = plat::kErrorModNotFound;
constexpr uint32_t kErrorNoFunction = plat::kErrorProcNotFound;

struct Command {
  bool hasWindow = false;  // the handle parsed, even when the rest did not
  uint64_t window = 0;
  std::string dll, inf, hwid;
};

// The program part of a full command line (quoted, or up to the first
// " /Handle ", since the installer passes its path unquoted) and the rest.
inline std::string ArgumentsOf(const std::string& commandLine) {
  if (!commandLine.empty() && commandLine[0] == '"') {
    size_t end = commandLine.find('"', 1);
    return end == std::string::npos ? std::string() : commandLine.substr(end + 1);
  }
  size_t at = commandLine.find(" /Handle ");
  if (at != std::string::npos) return commandLine.substr(at);
  size_t blank = commandLine.find(' ');
  return blank == std::string::npos ? std::string() : commandLine.substr(blank);
}

namespace internal {
inline bool Expect(const std::string& s, size_t& at, const char* literal) {
  std::string l(literal);
  if (s.compare(at, l.size(), l) != 0) return false;
  at += l.size();
  return true;
}
inline bool Quoted(const std::string& s, size_t& at, std::string& out) {
  size_t end = s.find('"', at);
  if (end == std::string::npos || end == at) return false;
  out = s.substr(at, end - at);
  at = end + 1;
  return true;
}
}  // namespace internal

// Exactly " /Handle <decimal> /Dll "<path>" /Inf "<path>" /HWID <id>".
// False on anything else; hasWindow tells whether the handle could be read.
inline bool Parse(const std::string& args, Command& c) {
  c = Command();
  size_t at = 0;
  if (!internal::Expect(args, at, " /Handle ")) return false;
  size_t digits = at;
  uint64_t window = 0;
  while (at < args.size() && args[at] >= '0' && args[at] <= '9' && at - digits < 20) {
    window = window * 10 + static_cast<uint64_t>(args[at] - '0');
    ++at;
  }
  if (at == digits || (at < args.size() && args[at] != ' ')) return false;
  c.window = window;
  c.hasWindow = true;
  if (!internal::Expect(args, at, " /Dll \"") || !internal::Quoted(args, at, c.dll)) return false;
  if (!internal::Expect(args, at, " /Inf \"") || !internal::Quoted(args, at, c.inf)) return false;
  if (!internal::Expect(args, at, " /HWID ")) return false;
  c.hwid = args.substr(at);
  return !c.hwid.empty() && c.hwid.find_first_of(" \"") == std::string::npos;
}

// The port for the device the library found, as the installer derives it
// (a USB device's from its port information, a serial one's COM port);
// "LPT1:" when that gives none.
inline std::string PortFor(bool found, const std::string& deviceId, const std::string& portInfo) {
  if (!found) return "LPT1:";
  const std::optional<std::string> port = plat::DevicePort(deviceId, portInfo);
  return port && !port->empty() ? *port : "LPT1:";
}

// The library's answer as the message to post: success when 1 or less.
inline bool Succeeded(int32_t answer) { return answer <= 1; }

}  // namespace sibling
