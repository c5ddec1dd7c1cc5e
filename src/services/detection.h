// Finding the connected printer: the helper library's device search, the
// port derived from what it reports, and the devcon rescan.
//
//   std::string port;
//   PortFound r = DetectPrinterPort("VP210.inf", ".\\i386\\drvkit.dll", port);  // ByHardwareId,
//   "USB001"
#pragma once
#include <string>

#include "services/inf_reader.h"

namespace services {

// Loads the library by path for this one call. False with both outputs empty
// when the library or its FuncFindExistDevice is missing. With refresh, calls
// RefreshHW first (when exported) and pauses 200 ms.
bool FindExistDevice(const std::string& libraryFile, const std::string& hwId, std::string& deviceId,
                     bool refresh, std::string& portInfo);

// How the printer was found; the numbers are those of the debug line.
enum class PortFound { None = 0, ByHardwareId = 1, ByCompatibleId = 2 };

// None: nothing found (port cleared); else found by the INF's hardware ID or
// by its compatible tail. A USB device gives the last six characters of its port
// information, a parallel one "LPT1:", a serial one the COM port its port
// information names ("COM1:"); any other device keeps the port passed in
// (plat::DevicePort).
PortFound DetectPrinterPort(const std::string& infFile, const std::string& libraryFile,
                            std::string& port);
// The same with the INF's IDs already read (the file is not read again).
PortFound DetectPrinterPort(const InfHardwareIds& ids, const std::string& libraryFile,
                            std::string& port);

// What devcon's status listing showed after the rescan.
enum class DevconStatus { NoListing = -1, NoParallelPrinter = 0, OnLpt1 = 1, BrandOnLpt1 = 2 };
DevconStatus DevconRescanAndCheck(const std::string& devconFile);

}  // namespace services
