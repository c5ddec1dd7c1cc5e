// What the helper library stand-in's FuncDrvKit does to the spooler when its
// state file says the installation succeeds: it installs a printer driver of
// the given name on the system's own PostScript driver files (which Windows
// and Wine both have), so a queue can be put on it afterwards.
#pragma once
#include <windows.h>
#include <winspool.h>

#include <string>

namespace drvkit {

// environment: null for the caller's own.
inline bool AddPrinterDriverFor(const std::string& name, const char* environment) {
  if (name.empty()) return false;
  std::string driverName = name, driverPath = "wineps.drv", dataFile = "generic.ppd",
              configFile = "wineps.drv", dataType = "RAW", env = environment ? environment : "";
  DRIVER_INFO_3A d;
  ZeroMemory(&d, sizeof d);
  d.cVersion = 3;
  d.pName = &driverName[0];
  d.pEnvironment = environment ? &env[0] : nullptr;
  d.pDriverPath = &driverPath[0];
  d.pDataFile = &dataFile[0];
  d.pConfigFile = &configFile[0];
  d.pDefaultDataType = &dataType[0];
  return AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&d)) != FALSE;
}

// The driver for the caller's environment. The x64 library (run by the
// sibling setup) adds it for 32-bit programs too: Wine's spooler lives in
// each process and looks a 32-bit caller's drivers up under "Windows NT x86",
// where Windows's one spooler would find the x64 driver for every caller.
inline bool AddPrinterDriverNamed(const std::string& name) {
  if (!AddPrinterDriverFor(name, nullptr)) return false;
#ifdef _WIN64
  if (!AddPrinterDriverFor(name, "Windows NT x86")) return false;
#endif
  return true;
}

}  // namespace drvkit
