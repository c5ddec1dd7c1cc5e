// What the console stand-ins share: writing to a standard handle, and the
// arguments as the program got them.
#pragma once
#include <windows.h>

#include <string>

namespace console {

inline void Write(DWORD which, const std::string& text) {
  HANDLE h = GetStdHandle(which);
  DWORD written = 0;
  if (h && h != INVALID_HANDLE_VALUE)
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// The command line after the program part (quoted, or up to the first blank).
inline std::string Arguments() {
  std::string cmd = GetCommandLineA();
  size_t i = 0;
  if (!cmd.empty() && cmd[0] == '"') {
    i = cmd.find('"', 1);
    i = i == std::string::npos ? cmd.size() : i + 1;
  } else {
    while (i < cmd.size() && cmd[i] == ' ') ++i;
    while (i < cmd.size() && cmd[i] != ' ') ++i;
  }
  return cmd.substr(i);
}

}  // namespace console
