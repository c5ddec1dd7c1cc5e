// Stand-in of the 64-bit sibling setup: the shipped sibling's work
// (drvkit/sibling.h), after logging how it was started for the tests to
// read; a state that says so makes it end at once without a word.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "device_state.h"
#include "drvkit/sibling.h"

int main() {
  const standin::DeviceState self(nullptr);
  char folder[MAX_PATH] = {0};
  GetCurrentDirectoryA(MAX_PATH, folder);
  self.LogCall(std::string("Quenset64(") + GetCommandLineA() + ") in " + folder);
  const std::string silent = self.Get("Sibling", "ExitSilently");
  if (!silent.empty()) return static_cast<int>(strtoul(silent.c_str(), nullptr, 0));
  return sibling::Run(GetCommandLineA());
}
