// Shaping a printer queue after its driver is installed: a new local queue
// with the installer's device mode, the move to a port, and the final
// properties (default printer, name, share, port, print processor).
//
//   if (!PrinterExists(model)) AddPrinterQueue(driver, model);
//   ChangePrinterProperties({model, "", "", "USB001", true, "WinPrint"});
#pragma once
#include <string>

#include "platform/spooler.h"

namespace services {

// The changes to apply to one queue; passed by value.
struct TChangePrinterInfo {
  std::string printerName;     // the queue to change
  std::string newName;         // empty: keep the name
  std::string shareName;       // empty: stop sharing
  std::string portName;        // used only when the spooler lists it
  bool setDefault = false;     // make the queue the default printer first
  std::string printProcessor;  // empty or "WinPrint": the standard one; else raw data only
};

constexpr size_t kMaxSpoolerText = 259;  // longest name the level-2 fields take
constexpr size_t kMaxDeviceName = 31;    // dmDeviceName without its NUL

// The 156-byte device mode a new queue gets: A4 portrait, one copy,
// monochrome, 180 dpi, the device name cut to 31 characters.
plat::DevMode NewQueueDevMode(const std::string& printerName);

// A local queue on "LPT1:" with "WinPrint" and "RAW"; false (and no spooler
// call) when either name is empty.
bool AddPrinterQueue(const std::string& driverName, const std::string& printerName);

// Moves the queue to the port; false when the name is empty, the queue
// cannot be opened or read, or the spooler refuses the port.
bool SetPrinterPort(const std::string& printerName, const std::string& portName);

// True when the spooler took the change. A failed default-printer change
// is only reported on the debug output; the rest is still applied.
bool ChangePrinterProperties(TChangePrinterInfo info);

}  // namespace services
