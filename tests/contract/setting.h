// The Windows a contract suite meets. The simulated machine and the native
// x64 suite see a 64-bit Windows; the i686 suite sees a 32-bit Windows or,
// under WoW64, a 64-bit one. Where the answers differ, a test asks here
// which to expect. The stand-ins lie beside the suite under the names of
// its own architecture; the 64-bit sibling setup is always the x64 one.
//
// The test run names the setting in CONTRACT_SETTING: "win32" (a 32-bit
// Windows), "wow64" (the i686 suite on a 64-bit Windows) or, when unset,
// "native" (the simulated machine, the x64 suite).
#pragma once
#include <cstdlib>
#include <string>

#include "platform/errors.h"
#include "services/system_checks.h"

namespace setting {

inline std::string Name() {
  const char* s = std::getenv("CONTRACT_SETTING");
  return s && *s ? s : "native";
}
inline bool ExpectWow64() { return Name() == "wow64"; }

inline bool SixtyFourBitWindows() { return sizeof(void*) == 8 || services::IsWow64(); }

// The helper library this suite can load, and its variant without the search.
inline const char* HelperLibrary() { return sizeof(void*) == 8 ? "drvkit64.dll" : "drvkit.dll"; }
inline const char* HelperLibraryWithoutFind() {
  return sizeof(void*) == 8 ? "drvkit64_nofind.dll" : "drvkit_nofind.dll";
}

// A library the x64 sibling can load that lacks FuncDrvKit: the x64 build
// of the ActiveX control, beside the i686 suite under a name of its own.
inline const char* X64Control() { return sizeof(void*) == 8 ? "WebPrnCtl.ocx" : "WebPrnCtl64.ocx"; }

// What starting a 64-bit program on a 32-bit Windows fails with.

}  // namespace setting
