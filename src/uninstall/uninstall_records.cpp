#include "uninstall/uninstall_records.h"

#include <memory>
#include <vector>

#include "platform/common/text.h"
#include "platform/errors.h"
#include "platform/platform.h"
#include "services/system_checks.h"

namespace uninstall {

namespace {

constexpr char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr char kUninstallRoot32[] =
    "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr char kRunOnceScan[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\";
constexpr char kRunOnceScan32[] =
    "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\";
// A 32-bit process on 64-bit Windows reaches the scan path's key through redirection.
constexpr char kRunOnceWrite[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr char kProductSuffix[] = " Printer Utilities";
constexpr char kLeaveOemInf[] = "Leave OEM INF";
constexpr uint32_t kProfileBuffer = 2048;
constexpr uint32_t kSectionBuffer = 16384;
constexpr size_t kMaxPath = 260;

std::string g_infFolder;  // set by ScopedInfFolder

std::string UninstallRoot() { return services::IsWow64() ? kUninstallRoot32 : kUninstallRoot; }

std::unique_ptr<plat::RegistryKey> OpenRead(const std::string& path) {
  std::unique_ptr<plat::RegistryKey> key;
  plat::registry().OpenKey(nullptr, path, plat::RegAccess::Read, key);
  return key;
}

// Windows compares paths without regard to case; a system directory spelt
// "System32" must find the INF folder too.
size_t FindNoCase(const std::string& hay, const std::string& needle) {
  return plat::text::Upper(hay).find(plat::text::Upper(needle));
}

// ExtractFileName: the part after the last backslash or drive colon.
std::string FileNameOf(const std::string& path) {
  size_t p = path.find_last_of("\\:");
  return p == std::string::npos ? path : path.substr(p + 1);
}

}  // namespace

ScopedInfFolder::ScopedInfFolder(const std::string& folder) : saved_(g_infFolder) {
  g_infFolder = folder;
}
ScopedInfFolder::~ScopedInfFolder() { g_infFolder = saved_; }

std::string OemInfFolder() {
  if (!g_infFolder.empty()) return g_infFolder;
  std::string dir = plat::sys().GetSystemDirectory();
  if (dir.size() > kMaxPath) dir.resize(kMaxPath);
  size_t cut = FindNoCase(dir, "system32");
  if (cut != std::string::npos) dir.resize(cut);
  return dir + "inf\\";
}

bool InfListsDriver(const std::string& driverName, const std::string& infPath,
                    const std::string& infClass) {
  plat::Profile& inf = plat::profile();
  const std::string provider =
      inf.GetString(infPath, "Strings", "ProviderName", "", kProfileBuffer);
  const std::string cls = inf.GetString(infPath, "Version", "Class", "", kProfileBuffer);
  if (provider.empty() || cls != infClass) return false;
  const std::string quoted = "\"" + driverName + "\"";
  bool listed = false;
  for (const std::string& name : inf.GetKeyNames(infPath, provider, kSectionBuffer))
    if (name == quoted || name == driverName) listed = true;
  return listed;
}

int DeleteOemPrinterInfs(const std::string& driverName) {
  const std::string folder = OemInfFolder();
  if (!plat::files().DirectoryExists(folder)) return 0;
  int count = 0;
  for (const std::string& name : plat::files().FindFiles(folder + "oem*.inf")) {
    if (!InfListsDriver(driverName, folder + name, "Printer")) continue;
    // The name as the file system spells it: "OEM7.INF" has its base too.
    size_t cut = FindNoCase(name, ".inf");
    const std::string base = folder + name.substr(0, cut);
    const bool deleted = plat::files().DeleteFile(base + ".inf");
    plat::files().DeleteFile(base + ".pnf");  // may never have been made
    if (deleted) ++count;
  }
  return count;
}

bool RemoveDriverUninstallKey(const std::string& driverName, const std::string& brand) {
  // An empty name would take every driver's record with it.
  if (driverName.empty()) return false;
  const std::string product = brand + kProductSuffix;
  const std::string drivers = UninstallRoot() + product + "\\PrinterDrivers\\";

  bool cleanUp = true;
  if (auto key = OpenRead(drivers + driverName + "\\")) {
    uint32_t leave = 0;
    if (plat::registry().ReadDword(*key, kLeaveOemInf, leave) == plat::kErrorSuccess)
      cleanUp = leave != 0;
  }
  if (cleanUp) DeleteOemPrinterInfs(driverName);

  {
    auto key = OpenRead(drivers);
    if (!key || plat::registry().DeleteKeyTree(*key, driverName) != plat::kErrorSuccess)
      return false;
  }
  {
    // Only a list that reads as empty lets the product record go.
    auto key = OpenRead(drivers);
    std::vector<std::string> left;
    if (!key || plat::registry().SubKeyNames(*key, left) != plat::kErrorSuccess || !left.empty())
      return false;
  }
  auto root = OpenRead(UninstallRoot());
  return root && plat::registry().DeleteKeyTree(*root, product) == plat::kErrorSuccess;
}

void ScheduleDriverRemoval(const std::string& driverName, const std::string& brand,
                           const std::string& programPath) {
  const bool wow64 = services::IsWow64();
  std::string uninstaller;
  {
    auto key = OpenRead(UninstallRoot() + brand + kProductSuffix + "\\");
    if (!key) return;
    // Absent, or not a string: no uninstaller to run.
    plat::registry().ReadString(*key, "UninstallString", uninstaller);
  }
  // " /Driver "X"" alone would make Windows run a program named "/Driver".
  if (uninstaller.empty()) return;
  const std::string command = uninstaller + " /Driver \"" + driverName + "\"";

  {
    std::unique_ptr<plat::RegistryKey> key;
    const uint32_t e = plat::registry().OpenKey(nullptr, wow64 ? kRunOnceScan32 : kRunOnceScan,
                                                plat::RegAccess::Read, key);
    // A missing key holds no entries yet; AddRunOnceEntry makes it.
    if (e != plat::kErrorSuccess && e != plat::kErrorFileNotFound) return;
    if (key) {
      std::vector<std::string> names;
      if (plat::registry().ValueNames(*key, names) != plat::kErrorSuccess) return;
      for (const std::string& name : names) {
        // Values of other programs may be of any type; they are not ours.
        std::string data;
        if (plat::registry().ReadString(*key, name, data) == plat::kErrorSuccess && data == command)
          return;  // registered already
      }
    }
  }
  AddRunOnceEntry(FileNameOf(programPath) + plat::sys().LongTimeString(), command);
}

void AddRunOnceEntry(const std::string& valueName, const std::string& command) {
  std::unique_ptr<plat::RegistryKey> key;
  if (plat::registry().CreateKey(kRunOnceWrite, key) != plat::kErrorSuccess) return;
  plat::registry().WriteString(*key, valueName, command);
}

}  // namespace uninstall
