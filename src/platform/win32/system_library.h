// System DLLs that Windows does not pin to its own folder (the spooler's,
// the common controls, rich edit), loaded by their full path there so that
// nothing of the same name in the program's folder or the current directory
// is loaded instead; and the DLL search of the whole process, narrowed at
// start-up where the system can.
//
//   if (HMODULE m = plat::win32::SystemLibrary("winspool.drv")) ...
#pragma once
#include <string>

#include "platform/win32/windows_lean.h"

namespace plat::win32 {

// The system folder with a trailing backslash ("C:\WINDOWS\system32\"); empty
// when the system does not say.
std::string SystemFolder();

// |name| loaded from the system folder and kept until the process ends (every
// call answers the same module); nullptr with the loader's last error.
HMODULE SystemLibrary(const char* name);

// The common controls: the version the program's manifest asks for where the
// system resolves it through the activation context (the side-by-side store,
// XP and later), else comctl32.dll of the system folder (Windows 2000).
HMODULE CommonControls();

// An export of |module| as a typed pointer; nullptr when |module| is null or
// lacks it.
template <typename Fn>
Fn ProcOf(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
                : nullptr;
}

// A library of ours by its bare name (the fallback when the medium lacks
// it): the program's folder, then the system folder; never the current
// directory.
HMODULE LoadByBareName(const char* name);

// LoadLibraryEx flags for a library given by its full path whose own DLLs
// lie beside it: its folder first, then the process's default folders.
DWORD BesideLibraryFlags();

}  // namespace plat::win32
