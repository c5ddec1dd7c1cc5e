// Rules shared by the simulated helper library and devcon and by their
// stand-in executables (standins/): which device a hardware-ID tail finds,
// how an answer fills a 260-byte buffer, and what devcon prints.
// Header only and free of the rest of the program, so the stand-ins can
// include it.
//
//   devrules::MatchesTail("USBPRINT\\VelmarVP-210", "velmarvp-210")  // true
#pragma once
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace devrules {

constexpr size_t kTextSize = 260;

inline char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// A device's hardware ID is found by its whole text or by the tail behind
// its last enumerator prefix ("USBPRINT\X" by "X"), ignoring case. An empty
// tail finds nothing.
inline bool MatchesTail(const std::string& hardwareId, const std::string& tail) {
  if (tail.empty() || hardwareId.empty()) return false;
  if (EqualNoCase(hardwareId, tail)) return true;
  if (hardwareId.size() <= tail.size()) return false;
  size_t at = hardwareId.size() - tail.size();
  return hardwareId[at - 1] == '\\' && EqualNoCase(hardwareId.substr(at), tail);
}

// Fills a caller's buffer of kTextSize bytes: the text cut to 259 bytes and
// its terminating zero; nothing is written past the buffer.
inline void CopyText(char* buffer, const std::string& text) {
  size_t n = text.size() < kTextSize - 1 ? text.size() : kTextSize - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

// Case-insensitive match with "*" (any run) and "?" (one character), as
// devcon matches instance IDs.
inline bool WildcardMatch(const char* pattern, const char* text) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*text) {
    if (*pattern == '*') {
      star = pattern++;
      resume = text;
    } else if (*pattern == '?' || (*pattern && LowerAscii(*pattern) == LowerAscii(*text))) {
      ++pattern;
      ++text;
    } else if (star) {
      pattern = star + 1;
      text = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

struct ListedDevice {
  std::string deviceId;
  std::string name;
};

inline const char* RescanOutput() {
  return "Scanning for new hardware.\r\nScanning completed.\r\n";
}

inline const char* UsageText() {
  return "Device Console Help:\r\n"
         "devcon.exe [-r] [-m:\\\\<machine>] <command> [<arg>...]\r\n"
         "rescan               Scan for new hardware.\r\n"
         "status               Display the status of devices.\r\n";
}

// "devcon status PATTERN" for the devices that match: instance ID, name and
// driver state per device, then the count.
inline std::string StatusListing(const std::vector<ListedDevice>& devices,
                                 const std::string& pattern) {
  std::string out;
  size_t n = 0;
  for (const ListedDevice& d : devices) {
    if (!WildcardMatch(pattern.c_str(), d.deviceId.c_str())) continue;
    ++n;
    out += d.deviceId + "\r\n";
    if (!d.name.empty()) out += "    Name: " + d.name + "\r\n";
    out += "    Driver is running.\r\n";
  }
  if (n == 0) return "No matching devices found.\r\n";
  return out + std::to_string(n) + " matching device(s) found.\r\n";
}

}  // namespace devrules
