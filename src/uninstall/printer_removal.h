// Removing printer queues and printer drivers from the spooler, and the short
// English texts of spooler job states. Diagnostics go to the debug output only.
//
//   std::string name = "Office Laser";
//   if (uninstall::DeletePrinterByName(name) == uninstall::dprHasJobs) ...
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace uninstall {

// Results of a printer deletion (a byte).
enum : uint8_t {
  dprDeleted = 0,        // the queue was deleted (and, if asked and possible, its driver)
  dprHasJobs = 1,        // the queue holds jobs; nothing was changed
  dprNotOpened = 2,      // opening with full access or setting the status failed
  dprDeleteFailed = 3,   // the spooler refused to delete the queue
  dprDriverPending = 4,  // queue deleted, driver left behind and scheduled for the next log-on
};

// "Paused Printing" for 17, "Status 3" for 3: looked up by exact value, not by bits.
std::string JobStatusText(uint32_t status);

// The number of jobs in the queue (0 when it cannot be opened or enumerated).
// When |lines| is given and the enumeration worked, it is cleared and gets one
// line per job: |linePrefix| as it is, the document name, "(" status text ")".
int ListPrinterJobs(const std::string& printerName, std::vector<std::string>* lines,
                    const std::string& linePrefix = "");

// Deletes the queue |printerName|; a queue with jobs is never touched. With
// |deleteDriver| and a driver no other queue uses, the driver is deleted too;
// when that fails its removal is scheduled for the next log-on (through the
// brand's uninstaller) and the answer is dprDriverPending, with |printerName|
// replaced by the driver's name.
uint8_t DeletePrinterEx(const std::string& programPath, const std::string& brand,
                        std::string& printerName, bool deleteDriver);
// DeletePrinterEx without program path, brand or driver; the name is not changed.
uint8_t DeletePrinterByName(const std::string& printerName);

// Makes sure a default printer is set after a deletion: a default that still
// exists is kept, otherwise the first listed printer becomes the default.
// Returns the name it made the default, or "".
std::string EnsureDefaultPrinter();

// Deletes the driver from the spooler (one retry after a 2 s pause on Windows
// 2000 and later); true on success. With a brand, a deleted driver's
// uninstall record goes too (RemoveDriverUninstallKey).
bool RemovePrinterDriver(const std::string& driverName, const std::string& brand);

// DeletePrinterDriverEx with its arguments unchanged; false when the call
// fails or the system lacks it (before Windows 2000).
bool CallDeletePrinterDriverEx(const std::string& serverName, const std::string& environment,
                               const std::string& driverName, uint32_t deleteFlag,
                               uint32_t versionFlag);

}  // namespace uninstall
