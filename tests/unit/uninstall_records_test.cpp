// Uninstall records, INF clean-up and the run-once removal on the simulated
// machine: where the keys are under WOW64, what the failures leave behind,
// and that no registry key stays open on any path.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim_fixture.h"
#include "uninstall/printer_removal.h"
#include "uninstall/uninstall_records.h"

namespace {

using namespace uninstall;
using Names = std::vector<std::string>;

constexpr char kNative[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
constexpr char kWow[] = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\";
constexpr char kDriver[] = "Pellacor FQ-210K+";
constexpr char kUninstaller[] = "C:\\Program Files\\Pellacor\\Uninst.exe";

std::string Inf(const std::string& cls, const std::string& modelsSection,
                const std::string& strings = "ProviderName=\"Pellacor\"\r\n") {
  return "[Version]\r\nClass=" + cls + "\r\n[Pellacor]\r\n" + modelsSection + "[Strings]\r\n" +
         strings;
}
const std::string kListsDriver =
    "\"Pellacor FQ-210K+\" = FQ210.PPD,LPTENUM\\PellacorFQ-210K7D3A\r\n";

class UninstallRecordsTest : public SimTest {
 protected:
  ~UninstallRecordsTest() override {
    EXPECT_EQ(machine.handles.Count("registry"), 0) << machine.handles.Describe();
  }

  std::string Base() const { return machine.wow64 ? kWow : kNative; }
  std::string Product() const { return Base() + "Uninstall\\Pellacor Printer Utilities"; }
  std::string DriverKey(const std::string& d) const { return Product() + "\\PrinterDrivers\\" + d; }

  void MakeProduct(const Names& drivers) {
    machine.registry.SetString(Product(), "UninstallString", kUninstaller);
    for (const std::string& d : drivers) machine.registry.Make(DriverKey(d));
  }
  bool Has(const std::string& path) { return machine.registry.Find(path) != nullptr; }

  // name -> data of the run-once values at a stored path
  std::vector<std::pair<std::string, std::string>> RunOnceValues(const std::string& base) {
    std::vector<std::pair<std::string, std::string>> out;
    if (auto* k = machine.registry.Find(base + "RunOnce"))
      for (const auto& v : k->values) out.emplace_back(v.name, v.data.substr(0, v.data.find('\0')));
    return out;
  }
};

// --- RemoveDriverUninstallKey

TEST_F(UninstallRecordsTest, SecondDriverKeepsTheProductTheLastTakesIt) {
  MakeProduct({kDriver, "Pellacor FQ-300"});
  machine.registry.Make(DriverKey(kDriver) + "\\Files\\Deeper");

  EXPECT_FALSE(RemoveDriverUninstallKey(kDriver, "Pellacor"));
  EXPECT_FALSE(Has(DriverKey(kDriver)));
  EXPECT_TRUE(Has(DriverKey("Pellacor FQ-300")));

  EXPECT_TRUE(RemoveDriverUninstallKey("pellacor fq-300", "Pellacor")) << "names without case";
  EXPECT_FALSE(Has(Product()));
  EXPECT_TRUE(Has(Base() + "Uninstall")) << "only the product's own key goes";
}

TEST_F(UninstallRecordsTest, UnderWow64TheRecordIsTheOneInThe32BitView) {
  machine.wow64 = true;
  MakeProduct({kDriver});
  const std::string native = std::string(kNative) + "Uninstall\\Pellacor Printer Utilities";
  machine.registry.SetString(native, "UninstallString", "64-bit product");
  machine.registry.Make(native + "\\PrinterDrivers\\" + kDriver);

  EXPECT_TRUE(RemoveDriverUninstallKey(kDriver, "Pellacor"));
  EXPECT_FALSE(Has(Product()));
  EXPECT_TRUE(Has(native + "\\PrinterDrivers\\" + kDriver)) << "the 64-bit view is not touched";
}

TEST_F(UninstallRecordsTest, LeaveOemInfZeroAloneSkipsTheCleanUp) {
  struct Row {
    const char* what;
    int type;  // 0: no value, -1: no driver key
    std::string data;
    bool deleted;
  } rows[] = {
      {"0", plat::kRegDword, std::string(4, '\0'), false},
      {"1", plat::kRegDword, std::string("\1\0\0\0", 4), true},
      {"0x100", plat::kRegDword, std::string("\0\1\0\0", 4), true},
      {"absent", 0, "", true},
      {"string 0", plat::kRegSz, std::string("0\0", 2), true},
      {"binary zeros", plat::kRegBinary, std::string(4, '\0'), true},
      {"no driver key", -1, "", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Write("C:\\WINDOWS\\inf\\oem12.inf", Inf("Printer", kListsDriver));
    Write("C:\\WINDOWS\\inf\\oem12.pnf", "compiled");
    MakeProduct({"Other"});
    if (row.type >= 0) machine.registry.Make(DriverKey(kDriver));
    if (row.type > 0)
      machine.registry.SetValue(DriverKey(kDriver), "Leave OEM INF",
                                static_cast<uint32_t>(row.type), row.data);
    RemoveDriverUninstallKey(kDriver, "Pellacor");
    EXPECT_EQ(plat::files().FileExists("C:\\WINDOWS\\inf\\oem12.inf"), !row.deleted);
    EXPECT_EQ(plat::files().FileExists("C:\\WINDOWS\\inf\\oem12.pnf"), !row.deleted);
  }
}

TEST_F(UninstallRecordsTest, FailedStepsStopBeforeTheProductRecordGoes) {
  MakeProduct({kDriver});
  machine.faults.Set("RegDeleteKey", 0, 5);
  EXPECT_FALSE(RemoveDriverUninstallKey(kDriver, "Pellacor"));
  EXPECT_TRUE(Has(DriverKey(kDriver)));
  machine.faults.Clear();

  // The list after the deletion cannot be read: the product may still have drivers.
  machine.faults.Set("RegEnumKeyEx", 2, 6);
  EXPECT_FALSE(RemoveDriverUninstallKey(kDriver, "Pellacor"));
  EXPECT_FALSE(Has(DriverKey(kDriver)));
  EXPECT_TRUE(Has(Product()));
  machine.faults.Clear();

  machine.faults.Set("RegOpenKeyEx", 0, 5);
  EXPECT_FALSE(RemoveDriverUninstallKey("Anything", "Pellacor"));
  EXPECT_TRUE(Has(Product()));
}

TEST_F(UninstallRecordsTest, BadNamesTouchNothing) {
  MakeProduct({kDriver, "Other"});
  EXPECT_FALSE(RemoveDriverUninstallKey("", "Pellacor")) << "an empty name is not every driver";
  EXPECT_TRUE(Has(DriverKey(kDriver)));
  EXPECT_TRUE(Has(DriverKey("Other")));
  EXPECT_FALSE(RemoveDriverUninstallKey(std::string(300, 'D'), "Pellacor"));
  EXPECT_FALSE(RemoveDriverUninstallKey(kDriver, std::string(300, 'B')));
  ScheduleDriverRemoval(kDriver, std::string(300, 'B'), "C:\\Medium\\Setup.exe");
  EXPECT_TRUE(RunOnceValues(kNative).empty());
  EXPECT_TRUE(Has(DriverKey(kDriver)));
}

// --- INF clean-up

TEST_F(UninstallRecordsTest, InfFolderIsCutAtSystem32WhateverItsCase) {
  struct Row {
    const char* systemDirectory;
    const char* folder;
  } rows[] = {
      {"C:\\WINDOWS\\system32", "C:\\WINDOWS\\inf\\"},
      {"C:\\Windows\\System32", "C:\\Windows\\inf\\"},
      {"D:\\WINNT\\SYSTEM32", "D:\\WINNT\\inf\\"},
      {"C:\\Sys", "C:\\Sysinf\\"},
  };
  for (const Row& row : rows) {
    machine.systemDirectory = row.systemDirectory;
    EXPECT_EQ(OemInfFolder(), row.folder) << row.systemDirectory;
  }
  machine.systemDirectory = "C:\\Windows\\System32";
  Write("C:\\WINDOWS\\inf\\oem12.inf", Inf("Printer", kListsDriver));
  EXPECT_EQ(DeleteOemPrinterInfs(kDriver), 1) << "a capital S still finds the folder";
  machine.systemDirectory = "C:\\Sys";
  EXPECT_EQ(DeleteOemPrinterInfs(kDriver), 0) << "C:\\Sysinf\\ does not exist";
}

TEST_F(UninstallRecordsTest, MatchingInfsGoWithTheirPnfAndAreCounted) {
  const std::string dir = "C:\\WINDOWS\\inf\\";
  Write(dir + "oem12.inf", Inf("Printer", kListsDriver));
  Write(dir + "oem12.pnf", "compiled");
  Write(dir + "oem13.inf", Inf("Printer", "Pellacor FQ-210K+ = FQ210.PPD\r\n"));  // bare
  Write(dir + "OEM14.INF", Inf("Printer", kListsDriver));
  Write(dir + "OEM14.PNF", "compiled");
  Write(dir + "oem15.inf", Inf("printer", kListsDriver));
  Write(dir + "oem16.inf", Inf("Printer", kListsDriver, "Other=1\r\n"));
  Write(dir + "oem17.inf", Inf("Printer", "Model = \"Pellacor FQ-210K+\"\r\n"));  // only as a value
  Write(dir + "printer.inf", Inf("Printer", kListsDriver));

  EXPECT_EQ(DeleteOemPrinterInfs(kDriver), 3);
  Names left = plat::files().FindFiles(dir + "*");
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (Names{"oem15.inf", "oem16.inf", "oem17.inf", "printer.inf"}));
}

TEST_F(UninstallRecordsTest, EveryProviderEntryIsLookedAt) {
  Write("C:\\x.inf", Inf("Printer", "First = a\r\n\"Second\" = b\r\nPellacor FQ-210K+ = c\r\n"));
  EXPECT_TRUE(InfListsDriver(kDriver, "C:\\x.inf", "Printer"));
  EXPECT_TRUE(InfListsDriver("Second", "C:\\x.inf", "Printer"));
  EXPECT_FALSE(InfListsDriver("Pellacor", "C:\\x.inf", "Printer")) << "whole names only";
  EXPECT_FALSE(InfListsDriver(kDriver, "C:\\x.inf", "printer"));
}

// --- ScheduleDriverRemoval and the driver step

TEST_F(UninstallRecordsTest, RemovalIsRegisteredOnceWithTheProgramNameAndTime) {
  MakeProduct({kDriver});
  machine.longTime = "14:05:09";
  ScheduleDriverRemoval(kDriver, "Pellacor", "C:\\Medium\\Setup.exe");
  machine.longTime = "14:05:10";
  ScheduleDriverRemoval(kDriver, "Pellacor", "C:\\Medium\\Setup.exe");
  using Values = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(RunOnceValues(kNative),
            (Values{{"Setup.exe14:05:09",
                     "C:\\Program Files\\Pellacor\\Uninst.exe /Driver \"Pellacor FQ-210K+\""}}));

  ScheduleDriverRemoval("Pellacor FQ-300", "Pellacor", "Setup2.exe");
  EXPECT_EQ(RunOnceValues(kNative).size(), 2u) << "another driver is another command";
}

TEST_F(UninstallRecordsTest, UnderWow64TheEntryLandsInThe32BitRunOnce) {
  machine.wow64 = true;
  MakeProduct({kDriver});
  machine.longTime = "9:00:00";
  ScheduleDriverRemoval(kDriver, "Pellacor", "C:\\Medium\\Setup.exe");
  ScheduleDriverRemoval(kDriver, "Pellacor", "C:\\Medium\\Setup.exe");
  EXPECT_EQ(RunOnceValues(kWow).size(), 1u);
  EXPECT_TRUE(RunOnceValues(kNative).empty());
}

TEST_F(UninstallRecordsTest, ForeignValuesOfOtherTypesDoNotStopTheScan) {
  MakeProduct({kDriver});
  machine.registry.SetDword(std::string(kNative) + "RunOnce", "Counter", 7);
  machine.registry.SetValue(std::string(kNative) + "RunOnce", "Blob", plat::kRegBinary, "\1\2");
  ScheduleDriverRemoval(kDriver, "Pellacor", "C:\\Medium\\Setup.exe");
  EXPECT_EQ(RunOnceValues(kNative).size(), 3u);
}

TEST_F(UninstallRecordsTest, NothingIsRegisteredWithoutAnUninstaller) {
  ScheduleDriverRemoval(kDriver, "Pellacor", "Setup.exe");  // no product record
  machine.registry.Make(Product());                         // no UninstallString
  ScheduleDriverRemoval(kDriver, "Pellacor", "Setup.exe");
  machine.registry.SetDword(Product(), "UninstallString", 1);  // not a string
  ScheduleDriverRemoval(kDriver, "Pellacor", "Setup.exe");
  EXPECT_TRUE(RunOnceValues(kNative).empty());
}

TEST_F(UninstallRecordsTest, MissingRunOnceKeyIsMadeAndAFailedWriteIsQuiet) {
  MakeProduct({kDriver});
  ASSERT_TRUE(machine.registry.Remove(std::string(kNative) + "RunOnce"));
  ScheduleDriverRemoval(kDriver, "Pellacor", "Setup.exe");
  EXPECT_EQ(RunOnceValues(kNative).size(), 1u);

  machine.faults.Set("RegCreateKeyEx", 0, 5);
  AddRunOnceEntry("Other", "x");
  EXPECT_EQ(RunOnceValues(kNative).size(), 1u);
  machine.faults.Clear();
  machine.faults.Set("RegSetValueEx", 0, 5);
  AddRunOnceEntry("Other", "x");
  EXPECT_EQ(RunOnceValues(kNative).size(), 1u);
}

TEST_F(UninstallRecordsTest, UndeletableDriverIsScheduledAndNamed) {
  MakeProduct({kDriver});
  AddPrinter("Office", kDriver);
  machine.faults.Set("DeletePrinterDriverEx", 0, 3001);  // still in use
  machine.longTime = "10:00:00";

  std::string name = "Office";
  EXPECT_EQ(DeletePrinterEx("C:\\Medium\\Setup.exe", "Pellacor", name, true), dprDriverPending);
  EXPECT_EQ(name, kDriver);
  EXPECT_EQ(RunOnceValues(kNative).size(), 1u);
  EXPECT_EQ(RunOnceValues(kNative)[0].first, "Setup.exe10:00:00");
  EXPECT_TRUE(Has(DriverKey(kDriver))) << "the record stays with the driver";
}

TEST_F(UninstallRecordsTest, DeletedDriverTakesItsRecordAndInfs) {
  MakeProduct({kDriver});
  Write("C:\\WINDOWS\\inf\\oem3.inf", Inf("Printer", kListsDriver));
  AddPrinter("Office", kDriver);

  std::string name = "Office";
  EXPECT_EQ(DeletePrinterEx("C:\\Medium\\Setup.exe", "Pellacor", name, true), dprDeleted);
  EXPECT_EQ(name, "Office");
  EXPECT_FALSE(Has(Product()));
  EXPECT_FALSE(plat::files().FileExists("C:\\WINDOWS\\inf\\oem3.inf"));
  EXPECT_TRUE(RunOnceValues(kNative).empty());
}

}  // namespace
