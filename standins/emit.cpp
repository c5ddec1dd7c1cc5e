// Test program for the console runner: writes to standard output and
// standard error and pauses, as its arguments say (see emit_logic.h).
#include <windows.h>

#include <string>

#include "emit_logic.h"

namespace {
void Write(DWORD which, const std::string& text) {
  HANDLE h = GetStdHandle(which);
  DWORD written = 0;
  if (h && h != INVALID_HANDLE_VALUE) WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
}  // namespace

int main() {
  std::string cmd = GetCommandLineA();
  size_t i = 0;
  if (!cmd.empty() && cmd[0] == '"') {
    i = cmd.find('"', 1);
    i = i == std::string::npos ? cmd.size() : i + 1;
  } else {
    while (i < cmd.size() && cmd[i] != ' ') ++i;
  }
  for (const auto& step : emit::Parse(cmd.substr(i))) {
    switch (step.kind) {
      case emit::Step::kOut: Write(STD_OUTPUT_HANDLE, emit::Pattern(step.count)); break;
      case emit::Step::kErr: Write(STD_ERROR_HANDLE, emit::Pattern(step.count, 'a')); break;
      case emit::Step::kSleep: Sleep(step.count); break;
      case emit::Step::kEcho: Write(STD_OUTPUT_HANDLE, step.text); break;
    }
  }
  return 0;
}
