// Fuzz target of the 64-bit sibling's command-line reader: whatever the
// installer (or anyone) passes, the reader either refuses it or yields a
// command that, written out again, reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/sibling_command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::string args = sibling::ArgumentsOf(line);
  if (args.size() > line.size()) __builtin_trap();
  for (const std::string& s : {line, args}) {
    sibling::Command c;
    if (!sibling::Parse(s, c)) {
      if (!c.dll.empty() && !c.hasWindow) __builtin_trap();
      continue;
    }
    if (!c.hasWindow || c.dll.empty() || c.inf.empty() || c.hwid.empty()) __builtin_trap();
    const std::string again = " /Handle " + std::to_string(c.window) + " /Dll \"" + c.dll +
                              "\" /Inf \"" + c.inf + "\" /HWID " + c.hwid;
    sibling::Command d;
    if (!sibling::Parse(again, d) || d.window != c.window || d.dll != c.dll || d.inf != c.inf ||
        d.hwid != c.hwid)
      __builtin_trap();
  }
  // The port rule never makes up a longer port than a USB port name.
  const size_t cut = size / 2;
  const std::string port = sibling::PortFor(size & 1, line.substr(0, cut), line.substr(cut));
  if (port != "LPT1:" && port.size() > 6) __builtin_trap();
  return 0;
}
