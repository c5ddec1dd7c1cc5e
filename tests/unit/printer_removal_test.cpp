// Printer and driver removal against the simulated spooler.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/errors.h"
#include "sim_fixture.h"
#include "uninstall/printer_removal.h"

namespace {

using namespace uninstall;

class PrinterRemovalTest : public SimTest {
 protected:
  // A local queue as the installer sets one up.
  plat::sim::SimPrinter& AddPrinter(const std::string& name, const std::string& driver) {
    plat::sim::SimPrinter& p = SimTest::AddPrinter(name, driver);
    p.info.printProcessor = "WinPrint";
    p.info.datatype = "RAW";
    p.info.attributes = plat::kPrinterAttributeLocal;
    return p;
  }

  // Queues of drivers of their own ("Alpha" prints with "Driver A"), and the default.
  void AddQueues(std::initializer_list<std::string> names, const std::string& defaultPrinter) {
    for (const std::string& name : names) AddPrinter(name, std::string("Driver ") + name[0]);
    machine.spooler.defaultPrinter = defaultPrinter;
  }

  void AddJob(plat::sim::SimPrinter& p, const std::string& document, uint32_t status) {
    p.jobs.push_back({machine.spooler.nextJobId++, document, status});
  }

  const plat::sim::SimPrinter* Find(const std::string& name) const {
    for (const auto& p : machine.spooler.printers)
      if (p.info.printerName == name) return &p;
    return nullptr;
  }

  bool HasDriver(const std::string& name) const {
    const auto& d = machine.spooler.drivers;
    return std::find(d.begin(), d.end(), name) != d.end();
  }

  std::vector<std::string> Debug() const { return machine.DebugLines(); }

  // With |call| refused, deleting a queue answers |result|, keeps the queue and
  // says so in one debug line.
  void ExpectRefusalKeepsTheQueue(const char* call, uint8_t result, const std::string& line) {
    AddPrinter("Office", "Office Driver");
    machine.faults.Set(call, 0, plat::kErrorAccessDenied);
    EXPECT_EQ(DeletePrinterByName("Office"), result);
    EXPECT_NE(Find("Office"), nullptr);
    EXPECT_EQ(Debug(), std::vector<std::string>{line});
  }
};

// --- JobStatusText

// The words are covered by the job lists below; a status made of several
// bits is no word at all and shows as its number.
TEST(JobStatusText, ACombinationOfBitsShowsAsItsNumber) {
  EXPECT_EQ(JobStatusText(3), "Status 3");
  EXPECT_EQ(JobStatusText(18), "Status 18");
  EXPECT_EQ(JobStatusText(4096), "Status 4096");
  EXPECT_EQ(JobStatusText(0xFFFFFFFF), "Status 4294967295");
}

// --- ListPrinterJobs

TEST_F(PrinterRemovalTest, ListsJobsInSpoolerOrderWithTheirStatus) {
  auto& p = AddPrinter("Office", "Office Driver");
  AddJob(p, "Report.doc", 16);
  AddJob(p, "Memo.txt", 0);
  std::vector<std::string> lines = {"old line"};
  EXPECT_EQ(ListPrinterJobs("Office", &lines, ""), 2);
  EXPECT_EQ(lines, (std::vector<std::string>{"Report.doc(Printing)", "Memo.txt(Waiting)"}));
  EXPECT_EQ(ListPrinterJobs("Office", nullptr), 2);
}

TEST_F(PrinterRemovalTest, PrefixIsTakenLiterallyNotAsFormat) {
  auto& p = AddPrinter("Office", "Office Driver");
  AddJob(p, "a.doc", 17);
  std::vector<std::string> lines;
  EXPECT_EQ(ListPrinterJobs("Office", &lines, "%s%n%%"), 1);
  EXPECT_EQ(lines, (std::vector<std::string>{"%s%n%%a.doc(Paused Printing)"}));
}

TEST_F(PrinterRemovalTest, ListIsLeftAloneWhenQueueCannotBeRead) {
  auto& p = AddPrinter("Office", "Office Driver");
  AddJob(p, "a.doc", 0);
  std::vector<std::string> lines = {"keep"};
  EXPECT_EQ(ListPrinterJobs("Nowhere", &lines, ""), 0);
  EXPECT_EQ(lines, std::vector<std::string>{"keep"});

  machine.faults.Set("EnumJobs", 0, plat::kErrorAccessDenied);
  EXPECT_EQ(ListPrinterJobs("Office", &lines, ""), 0);
  EXPECT_EQ(lines, std::vector<std::string>{"keep"});
}

TEST_F(PrinterRemovalTest, EmptyQueueClearsTheList) {
  AddPrinter("Office", "Office Driver");
  std::vector<std::string> lines = {"old"};
  EXPECT_EQ(ListPrinterJobs("Office", &lines, "> "), 0);
  EXPECT_TRUE(lines.empty());
}

// --- DeletePrinterEx / DeletePrinterByName

TEST_F(PrinterRemovalTest, QueueWithAJobIsNotTouched) {
  auto& p = AddPrinter("Office", "Office Driver");
  p.info.status = 0;
  AddJob(p, "Report.doc", 0);
  EXPECT_EQ(DeletePrinterByName("Office"), dprHasJobs);
  ASSERT_NE(Find("Office"), nullptr);
  EXPECT_EQ(Find("Office")->info.status, 0u);
  EXPECT_EQ(Find("Office")->jobs.size(), 1u);
  EXPECT_TRUE(Debug().empty());
}

TEST_F(PrinterRemovalTest, UnknownNameIsNotOpened) {
  AddPrinter("Office", "Office Driver");
  EXPECT_EQ(DeletePrinterByName("Nowhere"), dprNotOpened);
  EXPECT_NE(Find("Office"), nullptr);
}

TEST_F(PrinterRemovalTest, FailedStatusChangeKeepsTheQueue) {
  ExpectRefusalKeepsTheQueue("SetPrinter", dprNotOpened, "SetPrinter Failt!");
}

TEST_F(PrinterRemovalTest, RefusedDeletionIsReportedWithTheName) {
  ExpectRefusalKeepsTheQueue("DeletePrinter", dprDeleteFailed,
                             "Delete Special Printer Faile :Office");
}

TEST_F(PrinterRemovalTest, DeletingTheDefaultPassesItToTheFirstListed) {
  AddQueues({"Alpha", "Beta", "Gamma"}, "Beta");
  EXPECT_EQ(DeletePrinterByName("Beta"), dprDeleted);
  EXPECT_EQ(Find("Beta"), nullptr);
  EXPECT_EQ(machine.spooler.defaultPrinter, "Alpha");
}

TEST_F(PrinterRemovalTest, DeletingAnotherQueueKeepsTheDefault) {
  AddQueues({"Alpha", "Beta", "Gamma"}, "Gamma");
  EXPECT_EQ(DeletePrinterByName("Alpha"), dprDeleted);
  EXPECT_EQ(machine.spooler.defaultPrinter, "Gamma");
}

TEST_F(PrinterRemovalTest, DeletingTheLastQueueLeavesNoDefault) {
  AddQueues({"Alpha"}, "Alpha");
  EXPECT_EQ(DeletePrinterByName("Alpha"), dprDeleted);
  EXPECT_TRUE(machine.spooler.printers.empty());
  EXPECT_EQ(machine.spooler.defaultPrinter, "");
  // "No default" is not a failure worth a debug line.
  EXPECT_TRUE(Debug().empty()) << Debug().front();
}

TEST_F(PrinterRemovalTest, DeleteByNameNeverDeletesTheDriver) {
  AddPrinter("Alpha", "Driver A");
  std::string name = "Alpha";
  EXPECT_EQ(DeletePrinterByName(name), dprDeleted);
  EXPECT_EQ(name, "Alpha");
  EXPECT_TRUE(HasDriver("Driver A"));
  EXPECT_EQ(machine.spooler.calls["DeletePrinterDriverEx"], 0);
}

TEST_F(PrinterRemovalTest, OnlyAnUnsharedDriverIsDeletedWithItsQueue) {
  AddPrinter("Alpha", "Shared Driver");
  AddPrinter("Beta", "Shared Driver");
  AddPrinter("Gamma", "Own Driver");

  std::string name = "Alpha";
  EXPECT_EQ(DeletePrinterEx("C:\\Medium\\Setup.exe", "Brand", name, true), dprDeleted);
  EXPECT_EQ(name, "Alpha");
  EXPECT_TRUE(HasDriver("Shared Driver"));

  name = "Gamma";
  EXPECT_EQ(DeletePrinterEx("C:\\Medium\\Setup.exe", "Brand", name, true), dprDeleted);
  EXPECT_EQ(name, "Gamma");
  EXPECT_FALSE(HasDriver("Own Driver"));
}

TEST_F(PrinterRemovalTest, WithoutDeleteDriverTheDriverStays) {
  AddPrinter("Alpha", "Own Driver");
  std::string name = "Alpha";
  EXPECT_EQ(DeletePrinterEx("", "", name, false), dprDeleted);
  EXPECT_TRUE(HasDriver("Own Driver"));
}

// --- EnsureDefaultPrinter

TEST_F(PrinterRemovalTest, ExistingDefaultIsNeverChanged) {
  AddQueues({"Alpha", "Beta"}, "Beta");
  EXPECT_EQ(EnsureDefaultPrinter(), "");
  EXPECT_EQ(machine.spooler.defaultPrinter, "Beta");
}

TEST_F(PrinterRemovalTest, MissingDefaultGoesToTheFirstPrinter) {
  AddQueues({"Alpha", "Beta"}, "");
  EXPECT_EQ(EnsureDefaultPrinter(), "Alpha");
  EXPECT_EQ(machine.spooler.defaultPrinter, "Alpha");
  EXPECT_TRUE(Debug().empty());
}

TEST_F(PrinterRemovalTest, FailedDefaultQueryChangesNothing) {
  AddQueues({"Alpha"}, "");
  machine.faults.Set("GetDefaultPrinter", 0, 0x6BA);  // RPC server unavailable
  EXPECT_EQ(EnsureDefaultPrinter(), "");
  EXPECT_EQ(machine.spooler.defaultPrinter, "");
  EXPECT_EQ(Debug(), std::vector<std::string>{"GetDefaultPrinter Fail, Error Code :0x000006BA"});
}

TEST_F(PrinterRemovalTest, RefusedSetDefaultGivesEmpty) {
  AddQueues({"Alpha"}, "");
  machine.faults.Set("SetDefaultPrinter", 0, plat::kErrorAccessDenied);
  EXPECT_EQ(EnsureDefaultPrinter(), "");
}

// --- RemovePrinterDriver

constexpr char kAboutToDelete[] =
    "\xD7\xBC\xB1\xB8\xC9\xBE\xB3\xFD\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xA3\xA1";

TEST_F(PrinterRemovalTest, UnusedDriverIsDeletedAtOnce) {
  machine.spooler.drivers = {"Old Driver"};
  EXPECT_TRUE(RemovePrinterDriver("Old Driver", ""));
  EXPECT_FALSE(HasDriver("Old Driver"));
  EXPECT_EQ(machine.now, 0u);
  EXPECT_EQ(Debug(), std::vector<std::string>{kAboutToDelete});
}

TEST_F(PrinterRemovalTest, FirstFailureIsRetriedOnceAfterTwoSeconds) {
  machine.spooler.drivers = {"Old Driver"};
  machine.faults.Set("DeletePrinterDriverEx", 1, plat::kErrorPrinterDriverInUse);
  EXPECT_TRUE(RemovePrinterDriver("Old Driver", ""));
  EXPECT_FALSE(HasDriver("Old Driver"));
  EXPECT_EQ(machine.now, 2000u);
  EXPECT_EQ(Debug(),
            (std::vector<std::string>{
                kAboutToDelete, "DeletePrinterDriverEx Failt,GetLastError return :0x00000BB9"}));
}

TEST_F(PrinterRemovalTest, DriverInUseFailsAfterExactlyOneRetry) {
  AddPrinter("Alpha", "Busy Driver");
  EXPECT_FALSE(RemovePrinterDriver("Busy Driver", "Brand"));
  EXPECT_TRUE(HasDriver("Busy Driver"));
  // A further attempt would have shown as another pause or another line.
  EXPECT_EQ(machine.now, 2000u);
  EXPECT_EQ(Debug(),
            (std::vector<std::string>{
                kAboutToDelete, "DeletePrinterDriverEx Failt,GetLastError return :0x00000BB9",
                "DeletePrinterDriverEx Failt after 2000ms,GetLastError return :0x00000BB9"}));
}

TEST_F(PrinterRemovalTest, MissingDeletePrinterDriverExCountsAsFailure) {
  machine.spooler.drivers = {"Old Driver"};
  machine.spooler.hasDeletePrinterDriverEx = false;
  EXPECT_FALSE(RemovePrinterDriver("Old Driver", ""));
  EXPECT_TRUE(HasDriver("Old Driver"));
  EXPECT_EQ(machine.now, 2000u);
  EXPECT_EQ(Debug().size(), 3u);
}

TEST_F(PrinterRemovalTest, DeleteDriverExRefusesADriverInUse) {
  AddPrinter("A", "Drv");
  EXPECT_FALSE(CallDeletePrinterDriverEx("", "", "Drv", plat::kDpdDeleteUnusedFiles, 0));
  EXPECT_EQ(machine.lastError, 3001u);
  machine.spooler.printers.clear();
  EXPECT_TRUE(CallDeletePrinterDriverEx("", "", "Drv", plat::kDpdDeleteUnusedFiles, 0));
  EXPECT_TRUE(machine.spooler.drivers.empty());
}

// An unused driver, so that only the missing or failing call keeps it.
TEST_F(PrinterRemovalTest, DeleteDriverExIsFalseWhenMissingOrFailing) {
  machine.spooler.drivers = {"Drv"};
  machine.spooler.hasDeletePrinterDriverEx = false;
  EXPECT_FALSE(CallDeletePrinterDriverEx("", "", "Drv", 0, 0));
  EXPECT_TRUE(HasDriver("Drv"));
  machine.spooler.hasDeletePrinterDriverEx = true;
  machine.faults.Set("DeletePrinterDriverEx", 0, 1722);
  EXPECT_FALSE(CallDeletePrinterDriverEx("", "", "Drv", 0, 0));
  EXPECT_TRUE(HasDriver("Drv"));
}

TEST_F(PrinterRemovalTest, BeforeWindows2000TheOldCallIsUsedWithoutRetry) {
  machine.version = {4, 0, 1381};
  machine.spooler.hasDeletePrinterDriverEx = false;
  machine.spooler.drivers = {"Old Driver"};
  EXPECT_TRUE(RemovePrinterDriver("Old Driver", ""));
  EXPECT_FALSE(HasDriver("Old Driver"));

  AddPrinter("Alpha", "Busy Driver");
  machine.transcript.clear();
  EXPECT_FALSE(RemovePrinterDriver("Busy Driver", ""));
  EXPECT_EQ(machine.now, 0u);
  EXPECT_EQ(Debug(),
            (std::vector<std::string>{
                kAboutToDelete, "DeletePrinterDriver Failt,GetLastError return :0x00000BB9"}));
}

TEST_F(PrinterRemovalTest, RecordStepFollowsOnlyASuccessWithABrand) {
  // "驱动程序已删除，准备删除其它信息！" in GBK.
  const std::string recordLine =
      "\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xD2\xD1\xC9\xBE\xB3\xFD\xA3\xAC\xD7\xBC\xB1\xB8"
      "\xC9\xBE\xB3\xFD\xC6\xE4\xCB\xFC\xD0\xC5\xCF\xA2\xA3\xA1";
  const std::string product =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brand Printer Utilities";
  machine.registry.Make(product + "\\PrinterDrivers\\One");
  machine.registry.Make(product + "\\PrinterDrivers\\Two");
  machine.registry.Make(product + "\\PrinterDrivers\\Busy");
  machine.spooler.drivers = {"One", "Two"};
  const auto recordLines = [&] {
    auto lines = Debug();
    return std::count(lines.begin(), lines.end(), recordLine);
  };

  EXPECT_TRUE(RemovePrinterDriver("One", ""));
  EXPECT_EQ(recordLines(), 0);
  EXPECT_NE(machine.registry.Find(product + "\\PrinterDrivers\\One"), nullptr);

  EXPECT_TRUE(RemovePrinterDriver("Two", "Brand"));
  EXPECT_EQ(recordLines(), 1);
  EXPECT_EQ(machine.registry.Find(product + "\\PrinterDrivers\\Two"), nullptr);

  AddPrinter("Alpha", "Busy");
  EXPECT_FALSE(RemovePrinterDriver("Busy", "Brand"));
  EXPECT_EQ(recordLines(), 1);
  EXPECT_NE(machine.registry.Find(product + "\\PrinterDrivers\\Busy"), nullptr);
}

}  // namespace
