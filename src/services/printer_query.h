// Queries on the print spooler: whether a queue or port exists, the lists of
// ports and printers, a queue's port and driver, whether a driver serves
// several queues, and the system's default printer. Failures give false,
// an empty text or -1; only GetPrinterPort writes debug lines. An output is a
// reference, or a pointer where the caller may pass none (nullptr).
//
//   std::vector<std::string> names;
//   int def = GetPrinterNames(&names);  // names[def] is the default printer
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/spooler.h"

namespace services {

constexpr uint32_t kPortBufferSize = 2000;          // level-2 port list, about 100 entries
constexpr uint32_t kPrinterPortBufferSize = 16884;  // one queue's level-2 information
constexpr uint32_t kDefaultPrinterBufferSize = 260;

// A local queue of that name, letter case ignored.
bool PrinterExists(const std::string& printerName);
// The same question where "cannot tell" matters: false when the spooler
// cannot be asked, else true with |exists| the answer.
bool AskPrinterExists(const std::string& printerName, bool& exists);
// A listed port of exactly that name.
bool PortExists(const std::string& portName);
// Appends every port name; false (nothing appended) when the list does not fit 2000 bytes.
bool GetPortNames(std::vector<std::string>& ports);
// Replaces *printers with the names of all queues and connections; returns the
// default printer's index, or -1 (list untouched when there are no printers,
// and -1 when no list is passed).
// Names are kept whole: a queue called "Lab on 3rd floor" is listed as such.
int GetPrinterNames(std::vector<std::string>* printers);
// The queue's port; false with an empty port when the queue cannot be opened
// or read (the system's last error says why).
bool GetPrinterPort(const std::string& printerName, std::string& portName);
// The queue's driver; empty when it cannot be opened or read.
void GetPrinterDriverName(const std::string& printerName, std::string& driverName);
// The queue of exactly that name into info; driverShared when another queue
// uses its driver. True when the enumeration succeeded (found or not).
bool GetPrinterInfo(const std::string& printerName, plat::PrinterInfo2& info, bool& driverShared);
// False with an empty name when there is no default or no GetDefaultPrinterA;
// the last error then tells why (ERROR_FILE_NOT_FOUND: none set).
bool GetDefaultPrinterName(std::string& printerName);
bool SetDefaultPrinterName(const std::string& printerName);

}  // namespace services
