// What the helper library stand-in's FuncDrvKit does to the spooler when its
// state file says the installation succeeds: it installs a printer driver of
// the given name on the system's own PostScript driver files (which Windows
// and Wine both have), so a queue can be put on it afterwards.
#pragma once
#include <windows.h>
#include <winspool.h>

#include <string>

namespace drvkit {

inline bool AddPrinterDriverNamed(const std::string& name) {
  if (name.empty()) return false;
  std::string driverName = name, driverPath = "wineps.drv", dataFile = "generic.ppd",
              configFile = "wineps.drv", dataType = "RAW";
  DRIVER_INFO_3A d;
  ZeroMemory(&d, sizeof d);
  d.cVersion = 3;
  d.pName = &driverName[0];
  d.pDriverPath = &driverPath[0];
  d.pDataFile = &dataFile[0];
  d.pConfigFile = &configFile[0];
  d.pDefaultDataType = &dataType[0];
  return AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&d)) != FALSE;
}

}  // namespace drvkit
