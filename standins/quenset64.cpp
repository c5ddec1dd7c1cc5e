// Stand-in of the 64-bit sibling setup: installs the driver through the
// 64-bit helper library named on its command line and tells the installer's
// window the outcome with one of the two install messages.
#include <windows.h>

#include <cstdio>
#include <string>

#include "device_state.h"
#include "platform/sibling_command.h"

namespace {

using FindExistDevice = BOOL(WINAPI*)(LPCSTR, LPSTR, LPSTR);
using RefreshHW = void(WINAPI*)();
using DrvKit = int(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, HWND);
using LastInstallErrorCode = DWORD(WINAPI*)();

template <typename Fn>
Fn Export(HMODULE m, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

void Report(const sibling::Command& c, bool success, DWORD code) {
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(c.window));
  if (success)
    PostMessageA(window, sibling::kWmInstallSuccess, 0, 0);
  else
    PostMessageA(window, sibling::kWmInstallError, 0, static_cast<LPARAM>(code));
  printf("%s %lu\n", success ? "success" : "error", static_cast<unsigned long>(code));
}

}  // namespace

int main() {
  // What the installer started, and where, for the tests to read; a state
  // that says so makes the sibling end at once without a word.
  const standin::DeviceState self(nullptr);
  char folder[MAX_PATH] = {0};
  GetCurrentDirectoryA(MAX_PATH, folder);
  self.LogCall(std::string("Quenset64(") + GetCommandLineA() + ") in " + folder);
  const std::string silent = self.Get("Sibling", "ExitSilently");
  if (!silent.empty()) return static_cast<int>(strtoul(silent.c_str(), nullptr, 0));

  sibling::Command c;
  if (!sibling::Parse(sibling::ArgumentsOf(GetCommandLineA()), c)) {
    fprintf(stderr, "usage: Quenset64 /Handle <n> /Dll \"<path>\" /Inf \"<path>\" /HWID <id>\n");
    if (c.hasWindow) Report(c, false, sibling::kErrorBadCommandLine);
    return 2;
  }
  HMODULE lib = LoadLibraryA(c.dll.c_str());
  if (!lib) {
    Report(c, false, sibling::kErrorNoLibrary);
    return 1;
  }
  auto drvKit = Export<DrvKit>(lib, "FuncDrvKit");
  if (!drvKit) {
    FreeLibrary(lib);
    Report(c, false, sibling::kErrorNoFunction);
    return 1;
  }
  if (auto refresh = Export<RefreshHW>(lib, "RefreshHW")) refresh();
  char deviceId[260] = {}, portInfo[260] = {};
  bool found = false;
  if (auto find = Export<FindExistDevice>(lib, "FuncFindExistDevice"))
    found = (find(c.hwid.c_str(), deviceId, portInfo) & 0xFF) != 0;
  std::string port = sibling::PortFor(found, deviceId, portInfo);
  int answer = drvKit(c.inf.c_str(), c.hwid.c_str(), port.c_str(),
                      reinterpret_cast<HWND>(static_cast<uintptr_t>(c.window)));
  DWORD code = 1;
  if (auto last = Export<LastInstallErrorCode>(lib, "LastInstallErrorCode")) code = last();
  FreeLibrary(lib);
  bool ok = sibling::Succeeded(answer);
  Report(c, ok, ok ? 0 : code);
  return ok ? 0 : 1;
}
