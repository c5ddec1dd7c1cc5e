// The installer's side of a brand's uninstall record ("<Brand> Printer
// Utilities" under the system's Uninstall key): a deleted driver's record,
// the system's stored copies of the printer INFs that list it, and a removal
// through the product's uninstaller at the next log-on when the driver stays.
//
//   if (!uninstall::RemovePrinterDriver(driver, "Velmar"))
//     uninstall::ScheduleDriverRemoval(driver, "Velmar", programPath);
#pragma once
#include <string>

namespace uninstall {

// Removes the driver's record below PrinterDrivers, after deleting the INF
// copies that list the driver unless its "Leave OEM INF" is 0. True only when
// that was the last driver and the whole product record went with it.
bool RemoveDriverUninstallKey(const std::string& driverName, const std::string& brand);

// Deletes oemN.inf and oemN.pnf in the INF folder for each printer INF that
// lists the driver; returns how many INFs were deleted.
int DeleteOemPrinterInfs(const std::string& driverName);

// True when the INF's Version/Class is |infClass| (case-sensitive) and the
// section named by Strings/ProviderName has an entry for the driver, written
// as "Name" or Name.
bool InfListsDriver(const std::string& driverName, const std::string& infPath,
                    const std::string& infClass);

// Registers "<UninstallString> /Driver "<driver>"" under RunOnce, named after
// the program's file name and the time, unless the same command is there.
// Nothing is registered without the brand's record or its UninstallString.
void ScheduleDriverRemoval(const std::string& driverName, const std::string& brand,
                           const std::string& programPath);

// Writes one string value under the run-once key, creating the key if needed.
void AddRunOnceEntry(const std::string& valueName, const std::string& command);

// The folder of the system's INF copies: the system directory up to
// "system32", then "inf\" ("C:\WINDOWS\system32" gives "C:\WINDOWS\inf\").
std::string OemInfFolder();

// Tests point the clean-up at a folder of their own while one of these lives.
class ScopedInfFolder {
 public:
  explicit ScopedInfFolder(const std::string& folder);  // with a trailing backslash
  ~ScopedInfFolder();
  ScopedInfFolder(const ScopedInfFolder&) = delete;
  ScopedInfFolder& operator=(const ScopedInfFolder&) = delete;

 private:
  std::string saved_;
};

}  // namespace uninstall
