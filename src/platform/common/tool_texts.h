// What the Windows service tools print, shared by the simulated sc/net and
// the stand-in programs of the Wine tests so that both print the same bytes.
#pragma once
#include <initializer_list>
#include <string>

namespace plat::tooltext {

inline constexpr char kCrLf[] = "\r\n";
inline constexpr char kNoSuchService[] =
    "The specified service does not exist as an installed service.";

inline std::string Lines(std::initializer_list<const char*> lines) {
  std::string s;
  for (const char* l : lines) s += std::string(l) + kCrLf;
  return s;
}

// The block sc prints for query, stop and start.
inline std::string StatusBlock(const std::string& name, const char* state, const char* flags,
                               bool withPid) {
  std::string s = std::string(kCrLf) + "SERVICE_NAME: " + name + kCrLf;
  s += Lines({"        TYPE               : 10  WIN32_OWN_PROCESS "});
  s += std::string("        STATE              : ") + state + kCrLf;
  s += std::string("                                ") + flags + kCrLf;
  s += Lines({"        WIN32_EXIT_CODE    : 0  (0x0)", "        SERVICE_EXIT_CODE  : 0  (0x0)",
              "        CHECKPOINT         : 0x0", "        WAIT_HINT          : 0x0"});
  if (withPid) s += Lines({"        PID                : 1234", "        FLAGS              : "});
  return s;
}

inline std::string ScFailed(const char* call, int code, const char* message) {
  return std::string("[SC] ") + call + " FAILED " + std::to_string(code) + ":" + kCrLf + kCrLf +
         message + kCrLf + kCrLf;
}

}  // namespace plat::tooltext
