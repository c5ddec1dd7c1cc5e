// Stand-in of the driver-installation helper library (drvkit.dll,
// drvkit64.dll): searches the devices of its state file and records every
// call with its arguments in the call log (see device_state.h).
#include "device_state.h"
#include "drvkit/exports.h"
#include "drvkit_spooler.h"

namespace {

HMODULE g_module = nullptr;

standin::DeviceState State() { return standin::DeviceState(g_module); }

std::string Text(const char* s) { return s ? s : "(null)"; }

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

#ifndef DRVKIT_WITHOUT_FIND  // the test variant that lacks the search
// The state's AnswerHighBits fill the bits above the lowest byte, which
// the caller must ignore.
DRVKIT_EXPORT DWORD WINAPI FuncFindExistDevice(LPCSTR hwid, LPSTR deviceId, LPSTR portInfo) {
  standin::DeviceState state = State();
  state.LogCall("FuncFindExistDevice(" + Text(hwid) + ")");
  DWORD high = static_cast<DWORD>(state.GetNumber("AnswerHighBits"));
  if (!hwid) return high;
  for (const standin::Device& d : state.Devices()) {
    if (d.afterRefresh || !devrules::MatchesTail(d.hardwareId, hwid)) continue;
    if (deviceId) devrules::CopyText(deviceId, d.deviceId);
    if (portInfo) devrules::CopyText(portInfo, d.portInfo);
    return high | 1u;
  }
  return high;
}
#endif

DRVKIT_EXPORT void WINAPI RefreshHW() {
  standin::DeviceState state = State();
  state.LogCall("RefreshHW()");
  state.Rescan();
}

// Installs the driver for |hwid| on |port|: here, records the request and
// answers what the state file says; on success it also puts the state's
// InstallsDriver (if any) into the spooler, so a queue can be made on it.
DRVKIT_EXPORT int WINAPI FuncDrvKit(LPCSTR inf, LPCSTR hwid, LPCSTR port, HWND window) {
  standin::DeviceState state = State();
  state.LogCall("FuncDrvKit(" + Text(inf) + ", " + Text(hwid) + ", " + Text(port) + ", " +
                std::to_string(reinterpret_cast<uintptr_t>(window)) + ")");
  int answer = static_cast<int>(state.GetNumber("InstallResult"));
  std::string driver = state.Get("HelperLibrary", "InstallsDriver");
  if (answer <= 1 && !driver.empty() && !drvkit::AddPrinterDriverNamed(driver)) return 2;
  return answer;
}

DRVKIT_EXPORT DWORD WINAPI LastInstallErrorCode() {
  standin::DeviceState state = State();
  state.LogCall("LastInstallErrorCode()");
  return static_cast<DWORD>(state.GetNumber("LastErrorCode"));
}

DRVKIT_EXPORT void WINAPI ShowErrorCode(BOOL show) {
  State().LogCall("ShowErrorCode(" + std::to_string(static_cast<long>(show)) + ")");
}

}  // extern "C"
