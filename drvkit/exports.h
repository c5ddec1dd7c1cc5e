// The helper library's exports as the installer calls them, declared once for
// the open library (drvkit_win.cpp) and its test stand-in (standins/drvkit.cpp)
// so that both export the same functions with the same arguments. i686
// exports the plain names through a .def file; x64 names carry no decoration.
#pragma once
#include <windows.h>

#ifdef _WIN64
#define DRVKIT_EXPORT __declspec(dllexport)
#else
#define DRVKIT_EXPORT
#endif

extern "C" {

// Writes at most 260 bytes into each buffer, terminating zero included; the
// lowest byte of the answer is 1 when a present device has |hwid| (its tail)
// among its hardware or compatible IDs, else 0.
DRVKIT_EXPORT DWORD WINAPI FuncFindExistDevice(LPCSTR hwid, LPSTR deviceId, LPSTR portInfo);

// Has the system enumerate its devices again.
DRVKIT_EXPORT void WINAPI RefreshHW();

// Installs the driver of the model with |hwid| from |inf|. 0: installed; 1:
// installed already, nothing changed; 2: failed, with LastInstallErrorCode
// saying why. The queue on |port| is the caller's.
DRVKIT_EXPORT int WINAPI FuncDrvKit(LPCSTR inf, LPCSTR hwid, LPCSTR port, HWND window);

DRVKIT_EXPORT DWORD WINAPI LastInstallErrorCode();

// Whether a failure shows the library's own message box (off unless switched on).
DRVKIT_EXPORT void WINAPI ShowErrorCode(BOOL show);

}  // extern "C"
