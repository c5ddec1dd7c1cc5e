// The print spooler in the installer's terms: level-2 printers and ports,
// level-1 jobs, queue changes, and the functions of "winspool.drv" that
// older Windows lacks (nullopt when the function is missing).
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/object_handle.h"

namespace plat {

// The public part of a DEVMODEA (dmDeviceName .. dmPanningHeight).
constexpr size_t kDevModeSize = 156;
using DevMode = std::array<uint8_t, kDevModeSize>;

// Bits of PrinterInfo2's attributes (PRINTER_ATTRIBUTE_*) and status.
constexpr uint32_t kPrinterAttributeShared = 0x8;
constexpr uint32_t kPrinterAttributeLocal = 0x40;
constexpr uint32_t kPrinterAttributeRawOnly = 0x1000;
constexpr uint32_t kPrinterStatusOffline = 0x80;

struct PrinterInfo2 {
  std::string serverName, printerName, shareName, portName, driverName, comment, location;
  std::optional<DevMode> devMode;
  std::string sepFile, printProcessor, datatype, parameters;
  uint32_t attributes = 0, priority = 0, defaultPriority = 0, startTime = 0, untilTime = 0;
  uint32_t status = 0, jobs = 0, averagePpm = 0;
};

struct PortInfo2 {
  std::string portName, monitorName, description;
  uint32_t portType = 0;
};

struct JobInfo1 {
  uint32_t jobId = 0;
  std::string printerName, machineName, userName, document, datatype, statusText;
  uint32_t status = 0, priority = 0, position = 0, totalPages = 0, pagesPrinted = 0;
};

constexpr uint32_t kPrinterAllAccess = 0x000F000C;  // for desiredAccess

struct PrinterDefaults {
  std::string datatype;  // empty: none
  std::optional<DevMode> devMode;
  uint32_t desiredAccess = 0;
};

class PrinterHandle : public ObjectHandle {};  // ClosePrinter

class Spooler {
 public:
  virtual ~Spooler() = default;

  // EnumPrinters level 2 into a buffer of bufferSize bytes; needed gets the size required.
  virtual bool EnumPrinters2(uint32_t flags, uint32_t bufferSize, std::vector<PrinterInfo2>& out,
                             uint32_t& needed) = 0;
  // EnumPorts level 2 on the local machine.
  virtual bool EnumPorts2(uint32_t bufferSize, std::vector<PortInfo2>& out, uint32_t& needed) = 0;
  // OpenPrinter; defaults null means no printer defaults.
  virtual std::unique_ptr<PrinterHandle> OpenPrinter(const std::string& name,
                                                     const PrinterDefaults* defaults) = 0;
  virtual bool GetPrinter2(PrinterHandle& printer, uint32_t bufferSize, PrinterInfo2& out,
                           uint32_t& needed) = 0;
  virtual bool SetPrinter2(PrinterHandle& printer, const PrinterInfo2& info, uint32_t command) = 0;
  // SetPrinter level 0 with a control command (PRINTER_CONTROL_SET_STATUS and a status).
  virtual bool SetPrinter0(PrinterHandle& printer, uint32_t command, uint32_t status) = 0;
  virtual bool EnumJobs1(PrinterHandle& printer, uint32_t firstJob, uint32_t count,
                         uint32_t bufferSize, std::vector<JobInfo1>& out, uint32_t& needed) = 0;
  virtual std::unique_ptr<PrinterHandle> AddPrinter2(const PrinterInfo2& info) = 0;
  virtual bool DeletePrinter(PrinterHandle& printer) = 0;
  virtual bool DeletePrinterDriver(const std::string& environment, const std::string& driver) = 0;

  virtual std::optional<bool> GetDefaultPrinter(std::string& name, uint32_t bufferSize) = 0;
  virtual std::optional<bool> SetDefaultPrinter(const std::string& name) = 0;
  virtual std::optional<bool> DeletePrinterDriverEx(const std::string& server,
                                                    const std::string& environment,
                                                    const std::string& driver, uint32_t deleteFlag,
                                                    uint32_t versionFlag) = 0;

  // Installs a printer driver of this name that tests and stand-ins can put
  // queues on (the real backend uses the system's own PostScript driver files).
  virtual bool AddPrinterDriver(const std::string& name) {
    (void)name;
    return false;
  }
};

// Flags and commands of the calls above: which printers EnumPrinters2 lists,
// SetPrinter0's command, DeletePrinterDriverEx's delete flag.
constexpr uint32_t kPrinterEnumLocal = 0x2;
constexpr uint32_t kPrinterEnumConnections = 0x4;
constexpr uint32_t kPrinterControlSetStatus = 4;
constexpr uint32_t kDpdDeleteUnusedFiles = 1;

}  // namespace plat
