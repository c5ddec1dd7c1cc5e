#include "services/printer_query.h"

#include "platform/common/text.h"
#include "platform/platform.h"

namespace services {
namespace {

// Level-2 printers, sized by a first query; false when either call fails.
bool EnumPrinters(uint32_t flags, std::vector<plat::PrinterInfo2>& out) {
  uint32_t needed = 0;
  std::vector<plat::PrinterInfo2> list;
  if (plat::spooler().EnumPrinters2(flags, 0, list, needed)) {
    out = std::move(list);  // nothing to list
    return true;
  }
  if (needed == 0) return false;
  if (!plat::spooler().EnumPrinters2(flags, needed, list, needed)) return false;
  out = std::move(list);
  return true;
}

bool EnumPorts(std::vector<plat::PortInfo2>& out) {
  uint32_t needed = 0;
  return plat::spooler().EnumPorts2(kPortBufferSize, out, needed);
}

}  // namespace

bool AskPrinterExists(const std::string& printerName, bool& exists) {
  std::vector<plat::PrinterInfo2> list;
  if (!EnumPrinters(plat::kPrinterEnumLocal, list)) return false;
  const std::string wanted = plat::text::Upper(printerName);
  exists = false;
  for (const plat::PrinterInfo2& p : list)
    if (plat::text::Upper(p.printerName) == wanted) exists = true;
  return true;
}

bool PrinterExists(const std::string& printerName) {
  bool exists = false;
  return AskPrinterExists(printerName, exists) && exists;
}

bool PortExists(const std::string& portName) {
  std::vector<plat::PortInfo2> list;
  if (!EnumPorts(list)) return false;
  for (const plat::PortInfo2& p : list)
    if (p.portName == portName) return true;
  return false;
}

bool GetPortNames(std::vector<std::string>& ports) {
  std::vector<plat::PortInfo2> list;
  if (!EnumPorts(list)) return false;
  for (const plat::PortInfo2& p : list) ports.push_back(p.portName);
  return true;
}

int GetPrinterNames(std::vector<std::string>* printers) {
  if (!printers) return -1;
  std::vector<plat::PrinterInfo2> list;
  if (!EnumPrinters(plat::kPrinterEnumLocal | plat::kPrinterEnumConnections, list) || list.empty())
    return -1;
  // The spooler reports plain queue names (never "name on port"), so a name
  // is kept whole: cutting at " on " would name a queue that does not exist.
  printers->clear();
  for (const plat::PrinterInfo2& p : list) printers->push_back(p.printerName);
  std::string def;
  if (!GetDefaultPrinterName(def) || def.empty()) return -1;
  for (size_t i = 0; i < printers->size(); ++i)
    if (plat::text::EqualNoCase((*printers)[i], def)) return static_cast<int>(i);
  return -1;
}

bool GetPrinterPort(const std::string& printerName, std::string& portName) {
  portName.clear();
  std::unique_ptr<plat::PrinterHandle> h;
  // An empty name would open the print server itself, not a queue.
  if (!printerName.empty()) h = plat::spooler().OpenPrinter(printerName, nullptr);
  if (!h) {
    plat::sys().OutputDebugString("openPrinter Fail, Error Code :" +
                                  plat::text::Hex8(plat::sys().GetLastError()));
    plat::sys().OutputDebugString("PrinterName \xCE\xAA(" + printerName + ")");
    return false;
  }
  plat::PrinterInfo2 info;
  uint32_t needed = 0;
  if (!plat::spooler().GetPrinter2(*h, kPrinterPortBufferSize, info, needed)) return false;
  portName = info.portName;
  return true;
}

void GetPrinterDriverName(const std::string& printerName, std::string& driverName) {
  driverName.clear();
  if (printerName.empty()) return;
  auto h = plat::spooler().OpenPrinter(printerName, nullptr);
  if (!h) return;
  plat::PrinterInfo2 info;
  uint32_t needed = 0;
  if (plat::spooler().GetPrinter2(*h, 0, info, needed) ||
      (needed > 0 && plat::spooler().GetPrinter2(*h, needed, info, needed)))
    driverName = info.driverName;
}

bool GetPrinterInfo(const std::string& printerName, plat::PrinterInfo2& info, bool& driverShared) {
  driverShared = false;
  std::vector<plat::PrinterInfo2> list;
  if (!EnumPrinters(plat::kPrinterEnumLocal, list)) return false;
  std::string driver;
  bool found = false;
  for (const plat::PrinterInfo2& p : list) {
    if (p.printerName == printerName) {
      info = p;
      driver = p.driverName;
      found = true;
    }
  }
  if (found && !driver.empty()) {
    int users = 0;
    for (const plat::PrinterInfo2& p : list)
      if (p.driverName == driver) ++users;
    driverShared = users > 1;
  }
  return true;
}

bool GetDefaultPrinterName(std::string& printerName) {
  printerName.clear();
  auto r = plat::spooler().GetDefaultPrinter(printerName, kDefaultPrinterBufferSize);
  if (!r) return false;
  if (!*r) printerName.clear();
  return *r;
}

bool SetDefaultPrinterName(const std::string& printerName) {
  return plat::spooler().SetDefaultPrinter(printerName).value_or(false);
}

}  // namespace services
