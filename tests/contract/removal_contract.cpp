// Printer and driver removal as both backends must answer it: on names that
// are not there, and on queues and a driver that the tests make and remove.
#include <gtest/gtest.h>

#include "check.h"
#include "platform/errors.h"
#include "platform/platform.h"
#include "services/printer_query.h"
#include "uninstall/printer_removal.h"
#include "wine_departures.h"

namespace {

class RemovalContract : public contract::ContractTest {};

constexpr char kNoQueue[] = "No Such Queue 5e1c";
constexpr char kNoDriver[] = "No Such Driver 5e1c";
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

TEST_F(RemovalContract, MissingQueueIsNotOpened) {
  std::string name = kNoQueue;
  EXPECT_EQ(uninstall::DeletePrinterEx("", "", name, true), uninstall::dprNotOpened);
  EXPECT_EQ(name, kNoQueue);
  EXPECT_EQ(uninstall::DeletePrinterByName(kNoQueue), uninstall::dprNotOpened);
}

TEST_F(RemovalContract, MissingQueueHasNoJobsAndLeavesTheList) {
  std::vector<std::string> lines = {"sentinel"};
  EXPECT_EQ(uninstall::ListPrinterJobs(kNoQueue, &lines, "%s"), 0);
  EXPECT_EQ(lines, std::vector<std::string>{"sentinel"});
}

TEST_F(RemovalContract, MissingDriverFailsAfterTheRetry) {
  uint64_t start = plat::sys().TickCount();
  EXPECT_FAILS_WITH(uninstall::RemovePrinterDriver(kNoDriver, ""),
                    wine::DeleteDriverExRejectsUnusedFilesFlag()
                        ? plat::kErrorInvalidParameter
                        : plat::kErrorUnknownPrinterDriver);
  EXPECT_GE(plat::sys().TickCount() - start, 1900u) << "the retry comes after a 2 s pause";
}

TEST_F(RemovalContract, DefaultPrinterIsSettledAfterOneCall) {
  uninstall::EnsureDefaultPrinter();
  // Either a default exists now or there is no printer to make one of.
  EXPECT_EQ(uninstall::EnsureDefaultPrinter(), "");
}

TEST_F(RemovalContract, DeletedDefaultQueueHandsTheDefaultOn) {
  ASSERT_TRUE(plat::spooler().AddPrinterDriver(kDriver)) << contract::LastError();
  std::string before;
  bool hadDefault = services::GetDefaultPrinterName(before);
  ASSERT_TRUE(MakeQueue("Removal Queue A")) << contract::LastError();
  ASSERT_TRUE(MakeQueue("Removal Queue B")) << contract::LastError();
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
    ASSERT_TRUE(services::GetDefaultPrinterName(now)) << contract::LastError();
    std::vector<std::string> names;
    ASSERT_GE(services::GetPrinterNames(&names), 0);
    EXPECT_EQ(now, names.front());
  }
  EXPECT_TRUE(services::PrinterExists("Removal Queue B"));

  DropQueue("Removal Queue A");
  DropQueue("Removal Queue B");
  if (hadDefault && services::PrinterExists(before)) services::SetDefaultPrinterName(before);
}

TEST_F(RemovalContract, DriverInUseIsKeptThenDeletedOnceFree) {
  ASSERT_TRUE(plat::spooler().AddPrinterDriver(kDriver)) << contract::LastError();
  ASSERT_TRUE(MakeQueue("Removal Driver User")) << contract::LastError();
  EXPECT_FAILS_WITH(uninstall::RemovePrinterDriver(kDriver, ""),
                    wine::DeleteDriverExRejectsUnusedFilesFlag() ? plat::kErrorInvalidParameter
                                                                 : plat::kErrorPrinterDriverInUse);

  DropQueue("Removal Driver User");
  if (wine::DeleteDriverExRejectsUnusedFilesFlag())
    EXPECT_FAILS_WITH(uninstall::RemovePrinterDriver(kDriver, ""), plat::kErrorInvalidParameter);
  else
    EXPECT_SUCCEEDS(uninstall::RemovePrinterDriver(kDriver, ""));
}

}  // namespace
