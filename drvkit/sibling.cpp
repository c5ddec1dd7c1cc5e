// The 64-bit sibling setup (X64\Quenset64.exe on the medium). On 64-bit
// Windows the 32-bit installer cannot load the 64-bit helper library, so it
// starts this program with the window to report to, the library, the INF and
// the hardware ID; the sibling installs through the library and posts one of
// the two install messages back:
//
//   Quenset64.exe /Handle 1234 /Dll "drvkit64.dll" /Inf "..\VP210.inf" /HWID VP-210
//
// It runs with the installer's administrator rights, so it loads nothing by
// a name the current directory or a planted file could answer: the library's
// path is taken from this program's own folder, and the process's DLL search
// is narrowed before anything is loaded. It ends with 0 on success, 1 on a
// failed installation, 2 on a command line it cannot use.
#include "platform/win32/windows_lean.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "drvkit/exports.h"
#include "drvkit/sibling.h"
#include "platform/sibling_command.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32.h"

namespace {

// The library's exports as it declares them.
using FindFn = decltype(&::FuncFindExistDevice);
using RefreshFn = decltype(&::RefreshHW);
using DrvKitFn = decltype(&::FuncDrvKit);
using LastCodeFn = decltype(&::LastInstallErrorCode);
using plat::win32::ProcOf;

HWND WindowOf(const sibling::Command& c) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(c.window));
}

void Report(const sibling::Command& c, bool success, DWORD code) {
  if (success)
    ::PostMessageA(WindowOf(c), sibling::kWmInstallSuccess, 0, 0);
  else
    ::PostMessageA(WindowOf(c), sibling::kWmInstallError, 0, static_cast<LPARAM>(code));
  printf("%s %lu\n", success ? "success" : "error", static_cast<unsigned long>(code));
}

// This program's folder with a trailing backslash; empty when the system
// does not say.
std::string OwnFolder() {
  char path[MAX_PATH + 1] = {};
  DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return "";
  std::string s(path, n);
  size_t slash = s.find_last_of("\\/");
  return slash == std::string::npos ? "" : s.substr(0, slash + 1);
}

// |path| as given when it is absolute (a drive or a UNC root), else taken
// from |folder|, which is where the installer computed it from.
std::string FromFolder(const std::string& folder, const std::string& path) {
  const bool absolute =
      (path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
      path.compare(0, 2, "\\\\") == 0;
  return absolute ? path : folder + path;
}

}  // namespace

int sibling::Run(const char* commandLine) {
  plat::win32::NarrowDllSearch();
  sibling::Command c;
  if (!sibling::Parse(sibling::ArgumentsOf(commandLine), c) || !::IsWindow(WindowOf(c))) {
    fprintf(stderr,
            "usage: Quenset64 /Handle <window> /Dll \"<path>\" /Inf \"<path>\" /HWID <id>\n");
    // A window that is not one hears nothing: a handle of another program's
    // window must not get the installer's messages.
    if (c.hasWindow && ::IsWindow(WindowOf(c))) Report(c, false, sibling::kErrorBadCommandLine);
    return 2;
  }
  const std::string folder = OwnFolder();
  if (folder.empty()) {
    Report(c, false, sibling::kErrorNoLibrary);
    return 1;
  }
  // The library's own DLLs from its folder, then the system's.
  HMODULE lib = ::LoadLibraryExA(FromFolder(folder, c.dll).c_str(), nullptr,
                                 plat::win32::BesideLibraryFlags());
  if (!lib) {
    Report(c, false, sibling::kErrorNoLibrary);
    return 1;
  }
  auto drvKit = ProcOf<DrvKitFn>(lib, "FuncDrvKit");
  if (!drvKit) {
    ::FreeLibrary(lib);
    Report(c, false, sibling::kErrorNoFunction);
    return 1;
  }
  if (auto refresh = ProcOf<RefreshFn>(lib, "RefreshHW")) refresh();
  char deviceId[260] = {}, portInfo[260] = {};
  bool found = false;
  if (auto find = ProcOf<FindFn>(lib, "FuncFindExistDevice"))
    found = (find(c.hwid.c_str(), deviceId, portInfo) & 0xFF) != 0;
  const std::string port = sibling::PortFor(found, deviceId, portInfo);
  const std::string inf = FromFolder(folder, c.inf);
  const int answer = drvKit(inf.c_str(), c.hwid.c_str(), port.c_str(), WindowOf(c));
  DWORD code = 1;
  if (auto last = ProcOf<LastCodeFn>(lib, "LastInstallErrorCode")) code = last();
  ::FreeLibrary(lib);
  const bool ok = sibling::Succeeded(answer);
  Report(c, ok, ok ? 0 : code);
  return ok ? 0 : 1;
}
