// Printer and driver removal as both backends must answer it: on names that
// are not there, and on queues and a driver that the tests make and remove.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "services/printer_query.h"
#include "uninstall/printer_removal.h"
#include "wine_departures.h"

namespace {

constexpr char kNoQueue[] = "No Such Queue 5e1c";
constexpr char kNoDriver[] = "No Such Driver 5e1c";
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorUnknownPrinterDriver = 1797;
constexpr uint32_t kErrorPrinterDriverInUse = 3001;
constexpr char kDriver[] = "Removal Contract PS";

bool MakeQueue(const std::string& name) {
  plat::PrinterInfo2 info;
  info.printerName = name;
  info.driverName = kDriver;
  info.portName = "LPT1:";
  info.printProcessor = "WinPrint";
  info.datatype = "RAW";
  return plat::spooler().AddPrinter2(info) != nullptr;
}

// Removes a queue whatever a test left behind, without the code under test.
void DropQueue(const std::string& name) {
  plat::PrinterDefaults d;
  d.desiredAccess = plat::kPrinterAllAccess;
  if (auto h = plat::spooler().OpenPrinter(name, &d)) plat::spooler().DeletePrinter(*h);
}

TEST(RemovalContract, MissingQueueIsNotOpened) {
  std::string name = kNoQueue;
  EXPECT_EQ(uninstall::DeletePrinterEx("", "", name, true), uninstall::dprNotOpened);
  EXPECT_EQ(name, kNoQueue);
  EXPECT_EQ(uninstall::DeletePrinterByName(kNoQueue), uninstall::dprNotOpened);
}

TEST(RemovalContract, MissingQueueHasNoJobsAndLeavesTheList) {
  std::vector<std::string> lines = {"sentinel"};
  EXPECT_EQ(uninstall::ListPrinterJobs(kNoQueue, &lines, "%s"), 0);
  EXPECT_EQ(lines, std::vector<std::string>{"sentinel"});
}

TEST(RemovalContract, MissingDriverFailsAfterTheRetry) {
  uint64_t start = plat::sys().TickCount();
  EXPECT_FALSE(uninstall::RemovePrinterDriver(kNoDriver, ""));
  uint32_t error = plat::sys().GetLastError();
  EXPECT_GE(plat::sys().TickCount() - start, 1900u) << "the retry comes after a 2 s pause";
  if (wine::DeleteDriverExRejectsUnusedFilesFlag())
    EXPECT_EQ(error, kErrorInvalidParameter);
  else
    EXPECT_EQ(error, kErrorUnknownPrinterDriver);
}

TEST(RemovalContract, DefaultPrinterIsSettledAfterOneCall) {
  uninstall::EnsureDefaultPrinter();
  // Either a default exists now or there is no printer to make one of.
  EXPECT_EQ(uninstall::EnsureDefaultPrinter(), "");
}

TEST(RemovalContract, DeletedDefaultQueueHandsTheDefaultOn) {
  ASSERT_TRUE(plat::spooler().AddPrinterDriver(kDriver)) << "error " << plat::sys().GetLastError();
  std::string before;
  bool hadDefault = services::GetDefaultPrinterName(before);
  ASSERT_TRUE(MakeQueue("Removal Queue A")) << "error " << plat::sys().GetLastError();
  ASSERT_TRUE(MakeQueue("Removal Queue B")) << "error " << plat::sys().GetLastError();
  ASSERT_TRUE(services::SetDefaultPrinterName("Removal Queue A"));

  uint8_t result = uninstall::DeletePrinterByName("Removal Queue A");
  if (wine::SetPrinterLevel0Unimplemented()) {
    // The offline status cannot be set, so nothing is deleted.
    EXPECT_EQ(result, uninstall::dprNotOpened);
    EXPECT_TRUE(services::PrinterExists("Removal Queue A"));
  } else {
    EXPECT_EQ(result, uninstall::dprDeleted);
    EXPECT_FALSE(services::PrinterExists("Removal Queue A"));
    std::string now;
    ASSERT_TRUE(services::GetDefaultPrinterName(now)) << "error " << plat::sys().GetLastError();
    std::vector<std::string> names;
    ASSERT_GE(services::GetPrinterNames(&names), 0);
    EXPECT_EQ(now, names.front());
  }
  EXPECT_TRUE(services::PrinterExists("Removal Queue B"));

  DropQueue("Removal Queue A");
  DropQueue("Removal Queue B");
  if (hadDefault && services::PrinterExists(before)) services::SetDefaultPrinterName(before);
}

TEST(RemovalContract, DriverInUseIsKeptThenDeletedOnceFree) {
  ASSERT_TRUE(plat::spooler().AddPrinterDriver(kDriver)) << "error " << plat::sys().GetLastError();
  ASSERT_TRUE(MakeQueue("Removal Driver User")) << "error " << plat::sys().GetLastError();
  EXPECT_FALSE(uninstall::RemovePrinterDriver(kDriver, ""));
  uint32_t error = plat::sys().GetLastError();
  if (wine::DeleteDriverExRejectsUnusedFilesFlag())
    EXPECT_EQ(error, kErrorInvalidParameter);
  else
    EXPECT_EQ(error, kErrorPrinterDriverInUse);

  DropQueue("Removal Driver User");
  bool removed = uninstall::RemovePrinterDriver(kDriver, "");
  if (wine::DeleteDriverExRejectsUnusedFilesFlag()) {
    EXPECT_FALSE(removed);
    EXPECT_EQ(plat::sys().GetLastError(), kErrorInvalidParameter);
  } else {
    EXPECT_TRUE(removed) << "error " << plat::sys().GetLastError();
  }
}

}  // namespace
