// Finding the connected printer: the helper library's device search, the
// port derived from what it reports, and the devcon rescan.
//
//   std::string port;
//   int r = DetectPrinterPort("VP210.inf", ".\\i386\\drvkit.dll", port);  // 1, "USB001"
#pragma once
#include <string>

namespace services {

// Loads the library by path for this one call. False with both outputs empty
// when the library or its FuncFindExistDevice is missing. With refresh, calls
// RefreshHW first (when exported) and pauses 200 ms.
bool FindExistDevice(const std::string& libraryFile, const std::string& hwId, std::string& deviceId,
                     bool refresh, std::string& portInfo);

// 0 nothing found (port cleared), 1 found by the INF's hardware ID, 2 by its
// compatible tail. A USB device gives the last six characters of its port
// information, a parallel one "LPT1:", a serial one the COM port its port
// information names ("COM1:"); any other device keeps the port passed in
// (plat::DevicePort).
int DetectPrinterPort(const std::string& infFile, const std::string& libraryFile, std::string& port);

// -1 the status listing printed nothing, 0 no parallel printer, 1 a printer
// on LPT1, 2 one with the brand word in the listing.
int DevconRescanAndCheck(const std::string& devconFile);

}  // namespace services
