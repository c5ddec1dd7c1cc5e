#include "uninstall/printer_removal.h"

#include <cstdio>

#include "platform/errors.h"
#include "platform/platform.h"
#include "services/printer_query.h"
#include "uninstall/uninstall_records.h"

namespace uninstall {

namespace {

constexpr uint32_t kJobEnumFirst = 0;
constexpr uint32_t kJobEnumCount = 1000;
constexpr uint32_t kJobEnumBuffer = 64000;
constexpr uint32_t kDriverRetryPauseMs = 2000;

// "准备删除驱动程序！" in the code page the debug output is read in (GBK).
constexpr const char kAboutToDeleteDriver[] =
    "\xD7\xBC\xB1\xB8\xC9\xBE\xB3\xFD\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xA3\xA1";

// "驱动程序已删除，准备删除其它信息！" (GBK).
constexpr const char kDriverDeletedNowRecords[] =
    "\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xD2\xD1\xC9\xBE\xB3\xFD\xA3\xAC\xD7\xBC\xB1\xB8"
    "\xC9\xBE\xB3\xFD\xC6\xE4\xCB\xFC\xD0\xC5\xCF\xA2\xA3\xA1";

void Debug(const std::string& text) { plat::sys().OutputDebugString(text); }

// A fixed text followed by the code as "0x" and eight upper-case hexadecimal
// digits. The code stays the last error, so the caller can still read it.
void DebugCode(const std::string& text, uint32_t code) {
  char hex[16];
  snprintf(hex, sizeof hex, "0x%.8X", static_cast<unsigned>(code));
  Debug(text + hex);
  plat::sys().SetLastError(code);
}

// A debug line that leaves the last error as the failed call set it.
void DebugKeepingError(const std::string& text) {
  const uint32_t error = plat::sys().GetLastError();
  Debug(text);
  plat::sys().SetLastError(error);
}

}  // namespace

std::string JobStatusText(uint32_t status) {
  switch (status) {
    case 0: return "Waiting";
    case 1: return "Paused";
    case 2: return "Error";
    case 4: return "Deleting";
    case 8: return "Spooling";
    case 16: return "Printing";
    case 17: return "Paused Printing";
    case 32: return "Offline";
    case 64: return "Paper Out";
    case 128: return "Printed";
    case 256: return "Deleted";
    case 512: return "Blocked";
    case 1024: return "User Intervention";
    case 2048: return "Restart";
    default: return "Status " + std::to_string(status);
  }
}

int ListPrinterJobs(const std::string& printerName, std::vector<std::string>* lines,
                    const std::string& linePrefix) {
  auto printer = plat::spooler().OpenPrinter(printerName, nullptr);
  if (!printer) return 0;
  std::vector<plat::JobInfo1> jobs;
  uint32_t needed = 0;
  if (!plat::spooler().EnumJobs1(*printer, kJobEnumFirst, kJobEnumCount, kJobEnumBuffer, jobs,
                                 needed))
    return 0;
  if (lines) {
    lines->clear();
    // The prefix goes in as text: a '%' in it is just a character.
    for (const auto& job : jobs)
      lines->push_back(linePrefix + job.document + "(" + JobStatusText(job.status) + ")");
  }
  return static_cast<int>(jobs.size());
}

uint8_t DeletePrinterEx(const std::string& programPath, const std::string& brand,
                        std::string& printerName, bool deleteDriver) {
  if (ListPrinterJobs(printerName, nullptr) > 0) return dprHasJobs;

  plat::PrinterInfo2 info;
  bool driverShared = false;
  services::GetPrinterInfo(printerName, info, driverShared);
  const std::string driverName = info.driverName;

  {
    plat::PrinterDefaults defaults;  // no data type, no device mode
    defaults.desiredAccess = plat::kPrinterAllAccess;
    auto printer = plat::spooler().OpenPrinter(printerName, &defaults);
    if (!printer) return dprNotOpened;
    if (!plat::spooler().SetPrinter0(*printer, plat::kPrinterControlSetStatus,
                                     plat::kPrinterStatusOffline)) {
      DebugKeepingError("SetPrinter Failt!");
      return dprNotOpened;
    }
    if (!plat::spooler().DeletePrinter(*printer)) {
      DebugKeepingError("Delete Special Printer Faile :" + printerName);
      return dprDeleteFailed;
    }
  }  // the queue goes away once its last handle is closed

  EnsureDefaultPrinter();
  uint8_t result = dprDeleted;
  if (deleteDriver && !driverShared && !RemovePrinterDriver(driverName, brand)) {
    printerName = driverName;
    result = dprDriverPending;
    ScheduleDriverRemoval(driverName, brand, programPath);
  }
  return result;
}

uint8_t DeletePrinterByName(const std::string& printerName) {
  std::string name = printerName;
  return DeletePrinterEx("", "", name, false);
}

std::string EnsureDefaultPrinter() {
  std::string current;
  if (!services::GetDefaultPrinterName(current)) {
    uint32_t error = plat::sys().GetLastError();
    if (error != plat::kErrorFileNotFound) {
      DebugCode("GetDefaultPrinter Fail, Error Code :", error);
      return "";
    }
    current.clear();  // no default printer is set
  }

  std::vector<std::string> names;
  services::GetPrinterNames(&names);
  if (services::PrinterExists(current) || names.empty()) return "";
  const std::string& chosen = names.front();
  if (chosen.empty() || !services::SetDefaultPrinterName(chosen)) return "";
  return chosen;
}

bool CallDeletePrinterDriverEx(const std::string& serverName, const std::string& environment,
                               const std::string& driverName, uint32_t deleteFlag,
                               uint32_t versionFlag) {
  return plat::spooler()
      .DeletePrinterDriverEx(serverName, environment, driverName, deleteFlag, versionFlag)
      .value_or(false);
}

bool RemovePrinterDriver(const std::string& driverName, const std::string& brand) {
  Debug(kAboutToDeleteDriver);
  plat::VersionInfo version;
  plat::sys().GetVersionEx(version, 148);

  if (version.major < 5) {
    if (!plat::spooler().DeletePrinterDriver("", driverName)) {
      DebugCode("DeletePrinterDriver Failt,GetLastError return :", plat::sys().GetLastError());
      return false;
    }
  } else if (!CallDeletePrinterDriverEx("", "", driverName, plat::kDpdDeleteUnusedFiles, 0)) {
    DebugCode("DeletePrinterDriverEx Failt,GetLastError return :", plat::sys().GetLastError());
    // A driver still held by the spooler is often released a moment later.
    plat::sys().Sleep(0);
    plat::sys().Sleep(kDriverRetryPauseMs);
    plat::sys().Sleep(0);
    if (!CallDeletePrinterDriverEx("", "", driverName, plat::kDpdDeleteUnusedFiles, 0)) {
      DebugCode("DeletePrinterDriverEx Failt after 2000ms,GetLastError return :",
                plat::sys().GetLastError());
      return false;
    }
  }

  if (!brand.empty()) {
    Debug(kDriverDeletedNowRecords);
    RemoveDriverUninstallKey(driverName, brand);  // does not change the answer
  }
  return true;
}

}  // namespace uninstall
