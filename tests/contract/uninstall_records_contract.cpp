// Uninstall records, INF clean-up and the run-once removal against the real
// registry view of this process (the 32-bit one under WOW64) and a temporary
// INF folder. Each test makes its product record, INFs and run-once values
// and removes them; with CONTRACT_KEEP_KEYS set the registry is left as the
// last test left it, to be looked at from outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "check.h"
#include "platform/errors.h"
#include "platform/platform.h"
#include "setting.h"
#include "uninstall/uninstall_records.h"

namespace {

using Key = std::unique_ptr<plat::RegistryKey>;
using Names = std::vector<std::string>;

constexpr char kBrand[] = "Contract5e1c";
constexpr char kProduct[] = "Contract5e1c Printer Utilities";
constexpr char kDriver[] = "Contract FQ-210K+ 5e1c";
constexpr char kOtherDriver[] = "Contract FQ-300 5e1c";
constexpr char kUninstaller[] = "C:\\Contract5e1c\\Uninst.exe";
constexpr char kMarker[] = "5e1c";

plat::Registry& reg() { return plat::registry(); }

std::string Root() {
  return setting::ExpectWow64()
             ? "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
             : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
}
std::string RunOnce() {
  return setting::ExpectWow64()
             ? "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
             : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
}
std::string Drivers() { return Root() + kProduct + "\\PrinterDrivers\\"; }
// Where a 32-bit installer writes the record: through its view, which under
// WOW64 is the explicit path above.
constexpr char kViewDrivers[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Contract5e1c Printer Utilities\\"
    "PrinterDrivers\\";
constexpr char kViewProduct[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Contract5e1c Printer Utilities";
constexpr char kViewRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

bool Exists(const std::string& path) {
  Key k;
  return reg().OpenKey(nullptr, path, plat::RegAccess::Read, k) == plat::kErrorSuccess;
}

// An INF of the provider Pellacor listing |entry| in its models section.
std::string Inf(const std::string& cls, const std::string& entry, bool withProvider = true) {
  std::string s =
      "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=" + cls +
      "\r\nProvider=%ProviderName%\r\n\r\n[Manufacturer]\r\n%ProviderName%=Pellacor\r\n\r\n"
      "[Pellacor]\r\n" +
      entry + " = FQ210.PPD,LPTENUM\\PellacorFQ-210K7D3A\r\n\r\n[Strings]\r\n";
  if (withProvider) s += "ProviderName=\"Pellacor\"\r\n";
  return s;
}
std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

class UninstallRecordsContract : public contract::ContractTest {
 protected:
  UninstallRecordsContract()
      : folder_(plat::sys().GetTempPath() + "InfClean5e1c\\"), scoped_(folder_) {
    DropRecords();
    DropFolder();
    EXPECT_TRUE(plat::files().CreateDirectory(folder_)) << folder_;
  }
  ~UninstallRecordsContract() override {
    DropFolder();
    if (!getenv("CONTRACT_KEEP_KEYS")) DropRecords();
  }

  static void DropRecords() {
    Key root;
    if (reg().OpenKey(nullptr, Root(), plat::RegAccess::Read, root) == plat::kErrorSuccess)
      reg().DeleteKeyTree(*root, kProduct);
    Key runOnce;
    if (reg().OpenKey(nullptr, RunOnce(), plat::RegAccess::Full, runOnce) != plat::kErrorSuccess)
      return;
    Names names;
    reg().ValueNames(*runOnce, names);
    for (const std::string& name : names) {
      std::string data;
      reg().ReadString(*runOnce, name, data);
      if (name.find(kMarker) != std::string::npos || data.find(kMarker) != std::string::npos)
        reg().DeleteValue(*runOnce, name);
    }
  }

  void DropFolder() {
    for (const std::string& f : plat::files().FindFiles(folder_ + "*"))
      plat::files().DeleteFile(folder_ + f);
    plat::files().RemoveDirectory(folder_);
  }

  // The product record with its uninstaller and one key per driver.
  static void MakeProduct(const Names& drivers, bool withUninstaller = true) {
    Key product;
    ASSERT_EQ(reg().CreateKey(kViewProduct, product), plat::kErrorSuccess);
    if (withUninstaller) {
      ASSERT_EQ(reg().WriteString(*product, "UninstallString", kUninstaller), plat::kErrorSuccess);
    }
    for (const std::string& d : drivers) {
      Key k;
      ASSERT_EQ(reg().CreateKey(kViewDrivers + d, k), plat::kErrorSuccess);
    }
  }

  void WriteFile(const std::string& name, const std::string& data) {
    ASSERT_TRUE(plat::files().WriteFile(folder_ + name, data)) << name;
  }
  bool Has(const std::string& name) { return plat::files().FileExists(folder_ + name); }

  // Run-once values whose data is the removal command of |driver|.
  static Names Scheduled(const std::string& driver) {
    const std::string command = std::string(kUninstaller) + " /Driver " + Quoted(driver);
    Names out;
    Key k;
    if (reg().OpenKey(nullptr, RunOnce(), plat::RegAccess::Read, k) != plat::kErrorSuccess)
      return out;
    Names names;
    reg().ValueNames(*k, names);
    for (const std::string& name : names) {
      std::string data;
      if (reg().ReadString(*k, name, data) == plat::kErrorSuccess && data == command)
        out.push_back(name);
    }
    return out;
  }

  std::string folder_;
  uninstall::ScopedInfFolder scoped_;
};

TEST_F(UninstallRecordsContract, LastDriverTakesTheProductRecordWithIt) {
  MakeProduct({kDriver, kOtherDriver, std::string(kDriver) + "\\Files\\Deeper"});

  EXPECT_FALSE(uninstall::RemoveDriverUninstallKey(kDriver, kBrand));
  EXPECT_FALSE(Exists(Drivers() + kDriver)) << "removed with the keys below it";
  EXPECT_TRUE(Exists(Drivers() + kOtherDriver));
  EXPECT_TRUE(Exists(Root() + kProduct));

  EXPECT_TRUE(uninstall::RemoveDriverUninstallKey(kOtherDriver, kBrand));
  EXPECT_FALSE(Exists(Root() + kProduct));
  EXPECT_FALSE(uninstall::RemoveDriverUninstallKey(kOtherDriver, kBrand))
      << "nothing left to remove";
}

TEST_F(UninstallRecordsContract, LeaveOemInfOfZeroAloneKeepsTheInfs) {
  struct Row {
    const char* what;
    bool driverKey;
    uint32_t type;
    std::string data;
    bool deleted;
  };
  const Row rows[] = {
      {"0", true, plat::kRegDword, std::string("\0\0\0\0", 4), false},
      {"1", true, plat::kRegDword, std::string("\1\0\0\0", 4), true},
      {"absent", true, 0, "", true},
      {"a string, not a number", true, plat::kRegSz, std::string("0\0", 2), true},
      {"no driver key", false, 0, "", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    WriteFile("oem41.inf", Inf("Printer", Quoted(kDriver)));
    WriteFile("oem41.pnf", "precompiled");
    MakeProduct({kOtherDriver});
    if (row.driverKey) {
      Key k;
      ASSERT_EQ(reg().CreateKey(std::string(kViewDrivers) + kDriver, k), plat::kErrorSuccess);
      if (row.type) {
        ASSERT_EQ(reg().WriteValue(*k, "Leave OEM INF", row.type, row.data), plat::kErrorSuccess);
      }
    }
    // Without its key the driver's record cannot be removed; the INFs still go.
    EXPECT_FALSE(uninstall::RemoveDriverUninstallKey(kDriver, kBrand));
    EXPECT_EQ(Has("oem41.inf"), !row.deleted);
    EXPECT_EQ(Has("oem41.pnf"), !row.deleted);
    EXPECT_FALSE(Exists(Drivers() + kDriver));
    DropRecords();
  }
}

TEST_F(UninstallRecordsContract, CleanUpDeletesThePrinterInfsThatListTheDriver) {
  WriteFile("oem51.inf", Inf("Printer", Quoted(kDriver)));
  WriteFile("oem51.pnf", "precompiled");
  WriteFile("oem52.inf", Inf("Printer", kDriver));  // bare entry, no .pnf
  WriteFile("oem53.inf", Inf("printer", Quoted(kDriver)));
  WriteFile("oem53.pnf", "precompiled");
  WriteFile("oem54.inf", Inf("Printer", Quoted(kDriver), false));
  WriteFile("oem55.inf", Inf("Printer", Quoted(kOtherDriver)));
  WriteFile("OEM56.INF", Inf("Printer", Quoted(kDriver)));
  WriteFile("OEM56.PNF", "precompiled");
  WriteFile("setup57.inf", Inf("Printer", Quoted(kDriver)));

  EXPECT_EQ(uninstall::DeleteOemPrinterInfs(kDriver), 3);
  Names left = plat::files().FindFiles(folder_ + "*");
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (Names{"oem53.inf", "oem53.pnf", "oem54.inf", "oem55.inf", "setup57.inf"}));
  EXPECT_EQ(uninstall::DeleteOemPrinterInfs(kDriver), 0);
}

TEST_F(UninstallRecordsContract, InfMatchNeedsTheClassAndAProviderEntry) {
  WriteFile("oem61.inf", Inf("Printer", Quoted(kDriver)));
  const std::string inf = folder_ + "oem61.inf";
  EXPECT_TRUE(uninstall::InfListsDriver(kDriver, inf, "Printer"));
  EXPECT_FALSE(uninstall::InfListsDriver(kDriver, inf, "printer")) << "the class is case-sensitive";
  EXPECT_FALSE(uninstall::InfListsDriver("Contract FQ-210K", inf, "Printer"));
  EXPECT_FALSE(uninstall::InfListsDriver(kDriver, folder_ + "missing.inf", "Printer"));
}

TEST_F(UninstallRecordsContract, MissingInfFolderDeletesNothing) {
  uninstall::ScopedInfFolder nowhere(folder_ + "nowhere\\");
  EXPECT_EQ(uninstall::DeleteOemPrinterInfs(kDriver), 0);
}

TEST_F(UninstallRecordsContract, RemovalIsScheduledOnceThroughTheUninstaller) {
  MakeProduct({kDriver});
  {
    // Values of other programs, of other types, do not stop the scan.
    Key k;
    ASSERT_EQ(reg().CreateKey(kViewRunOnce, k), plat::kErrorSuccess);
    ASSERT_EQ(reg().WriteDword(*k, "Number 5e1c", 1), plat::kErrorSuccess);
    ASSERT_EQ(reg().WriteValue(*k, "Binary 5e1c", plat::kRegBinary, "\1\2\3"), plat::kErrorSuccess);
  }
  uninstall::ScheduleDriverRemoval(kDriver, kBrand, "C:\\Medium\\Setup.exe");
  // Another program name would be another value: the command is what is compared.
  uninstall::ScheduleDriverRemoval(kDriver, kBrand, "C:\\Other\\Again.exe");

  // Written through this process's view of the write path, found on the scan path.
  Names names = Scheduled(kDriver);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].rfind("Setup.exe", 0), 0u) << names[0];
  EXPECT_GT(names[0].size(), std::string("Setup.exe").size()) << "followed by the time";
}

TEST_F(UninstallRecordsContract, NoUninstallerMeansNothingIsScheduled) {
  uninstall::ScheduleDriverRemoval(kDriver, kBrand, "C:\\Medium\\Setup.exe");
  EXPECT_TRUE(Scheduled(kDriver).empty()) << "no product record";

  MakeProduct({kDriver}, false);
  uninstall::ScheduleDriverRemoval(kDriver, kBrand, "C:\\Medium\\Setup.exe");
  Key k;
  ASSERT_EQ(reg().OpenKey(nullptr, RunOnce(), plat::RegAccess::Read, k), plat::kErrorSuccess);
  Names names;
  ASSERT_EQ(reg().ValueNames(*k, names), plat::kErrorSuccess);
  for (const std::string& name : names) {
    std::string data;
    reg().ReadString(*k, name, data);
    EXPECT_EQ(data.find(kDriver), std::string::npos) << name << "=" << data;
  }
}

TEST_F(UninstallRecordsContract, RunOnceEntryIsAStringValue) {
  uninstall::AddRunOnceEntry("Entry 5e1c", "C:\\x.exe /Driver \"5e1c\"");
  Key k;
  ASSERT_EQ(reg().OpenKey(nullptr, RunOnce(), plat::RegAccess::Read, k), plat::kErrorSuccess);
  std::string data;
  EXPECT_EQ(reg().ReadString(*k, "Entry 5e1c", data), plat::kErrorSuccess);
  EXPECT_EQ(data, "C:\\x.exe /Driver \"5e1c\"");
}

}  // namespace
