#include "services/printer_setup.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/platform.h"
#include "services/printer_query.h"

namespace services {
namespace {

// "设置默认打印机失败！" and "设置打印机失败(%d)！" in the code page the debug
// output is read in (GBK).
constexpr const char kSetDefaultFailed[] =
    "\xC9\xE8\xD6\xC3\xC4\xAC\xC8\xCF\xB4\xF2\xD3\xA1\xBB\xFA\xCA\xA7\xB0\xDC\xA3\xA1";
constexpr const char kSetPrinterFailed[] =
    "\xC9\xE8\xD6\xC3\xB4\xF2\xD3\xA1\xBB\xFA\xCA\xA7\xB0\xDC(%d)\xA3\xA1";

constexpr const char kStandardProcessor[] = "WinPrint";

void Put16(plat::DevMode& d, size_t offset, uint16_t v) {
  d[offset] = static_cast<uint8_t>(v);
  d[offset + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(plat::DevMode& d, size_t offset, uint32_t v) {
  for (int i = 0; i < 4; ++i) d[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Level-2 information of an open queue, sized by a first query.
bool ReadInfo(plat::PrinterHandle& printer, plat::PrinterInfo2& info) {
  uint32_t needed = 0;
  if (plat::spooler().GetPrinter2(printer, 0, info, needed)) return true;
  if (needed == 0) return false;
  return plat::spooler().GetPrinter2(printer, needed, info, needed);
}

// Opens the queue, keeps its device mode and opens it again with full
// access and that device mode, as SetPrinter needs; null on failure.
std::unique_ptr<plat::PrinterHandle> OpenForChange(const std::string& printerName) {
  std::optional<plat::DevMode> devMode;
  {
    auto first = plat::spooler().OpenPrinter(printerName, nullptr);
    if (!first) return nullptr;
    plat::PrinterInfo2 info;
    if (!ReadInfo(*first, info)) return nullptr;
    devMode = info.devMode;
  }
  plat::PrinterDefaults defaults;
  defaults.datatype = "RAW";
  defaults.devMode = devMode;
  defaults.desiredAccess = plat::kPrinterAllAccess;
  return plat::spooler().OpenPrinter(printerName, &defaults);
}

}  // namespace

plat::DevMode NewQueueDevMode(const std::string& printerName) {
  plat::DevMode d{};
  memcpy(d.data(), printerName.data(), std::min(printerName.size(), kMaxDeviceName));
  Put16(d, 32, 0x0401);                                     // dmSpecVersion
  Put16(d, 34, 0x0100);                                     // dmDriverVersion
  Put16(d, 36, static_cast<uint16_t>(plat::kDevModeSize));  // dmSize
  Put16(d, 38, 0);                                          // dmDriverExtra
  Put32(d, 40, 0x0581CF43);                                 // dmFields
  Put16(d, 44, 1);                                          // dmOrientation: portrait
  Put16(d, 46, 9);                                          // dmPaperSize: A4
  Put16(d, 48, 2970);                                       // dmPaperLength, tenths of a millimetre
  Put16(d, 50, 2100);                                       // dmPaperWidth
  Put16(d, 52, 100);                                        // dmScale
  Put16(d, 54, 1);                                          // dmCopies
  Put16(d, 56, 15);                                         // dmDefaultSource: form source
  Put16(d, 58, 180);                                        // dmPrintQuality
  Put16(d, 60, 1);                                          // dmColor: monochrome
  Put16(d, 62, 1);                                          // dmDuplex: simplex
  Put16(d, 64, 180);                                        // dmYResolution
  Put16(d, 66, 2);                                          // dmTTOption: download
  Put16(d, 68, 1);                                          // dmCollate
  memcpy(d.data() + 70, "A4", 2);                           // dmFormName
  Put32(d, 116, 1);                                         // dmNup: system setting
  Put32(d, 124, 1);                                         // dmICMMethod: none
  Put32(d, 128, 2);                                         // dmICMIntent: contrast
  Put32(d, 132, 1);                                         // dmMediaType: standard
  Put32(d, 136, 0xFFFFFFFF);                                // dmDitherType
  return d;
}

bool AddPrinterQueue(const std::string& driverName, const std::string& printerName) {
  if (driverName.empty() || printerName.empty()) return false;
  plat::PrinterInfo2 info;
  info.printerName = printerName.substr(0, kMaxSpoolerText);
  info.driverName = driverName.substr(0, kMaxSpoolerText);
  info.portName = "LPT1:";
  info.printProcessor = kStandardProcessor;
  info.datatype = "RAW";
  info.attributes = plat::kPrinterAttributeLocal;
  info.priority = 1;
  info.devMode = NewQueueDevMode(printerName);
  return plat::spooler().AddPrinter2(info) != nullptr;
}

bool SetPrinterPort(const std::string& printerName, const std::string& portName) {
  if (portName.empty()) return false;
  auto printer = OpenForChange(printerName);
  if (!printer) return false;
  plat::PrinterInfo2 info;
  if (!ReadInfo(*printer, info)) return false;
  info.portName = portName;
  return plat::spooler().SetPrinter2(*printer, info, 0);
}

bool ChangePrinterProperties(TChangePrinterInfo change) {
  if (change.setDefault && !SetDefaultPrinterName(change.printerName))
    plat::sys().OutputDebugString(kSetDefaultFailed);

  auto printer = OpenForChange(change.printerName);
  if (!printer) return false;
  plat::PrinterInfo2 info;
  if (!ReadInfo(*printer, info)) return false;

  if (!change.newName.empty() && change.newName != change.printerName)
    info.printerName = change.newName;
  if (change.shareName.empty()) {
    info.attributes &= ~plat::kPrinterAttributeShared;
  } else {
    info.shareName = change.shareName;
    info.attributes |= plat::kPrinterAttributeShared;
  }
  if (PortExists(change.portName)) info.portName = change.portName;
  if (change.printProcessor.empty() || change.printProcessor == kStandardProcessor) {
    info.attributes &= ~plat::kPrinterAttributeRawOnly;
    info.printProcessor = kStandardProcessor;
  } else {
    info.attributes |= plat::kPrinterAttributeRawOnly;
    info.printProcessor = change.printProcessor;
  }

  plat::sys().SetLastError(0);
  if (plat::spooler().SetPrinter2(*printer, info, 0)) return true;
  uint32_t error = plat::sys().GetLastError();
  char line[64];
  snprintf(line, sizeof line, kSetPrinterFailed, static_cast<int>(error));
  plat::sys().OutputDebugString(line);
  plat::sys().SetLastError(error);
  return false;
}

}  // namespace services
