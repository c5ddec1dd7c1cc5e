// Printer and driver removal as both backends must answer it, on queues and
// drivers that are not there (the machine under test keeps its own).
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "uninstall/printer_removal.h"
#include "wine_departures.h"

namespace {

constexpr char kNoQueue[] = "No Such Queue 5e1c";
constexpr char kNoDriver[] = "No Such Driver 5e1c";

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
  // The result is the contract; the last error is not kept past the debug
  // lines written after the second attempt (Wine's OutputDebugString sets it).
  EXPECT_GE(plat::sys().TickCount() - start, 1900u) << "the retry comes after a 2 s pause";
}

TEST(RemovalContract, DefaultPrinterIsSettledAfterOneCall) {
  uninstall::EnsureDefaultPrinter();
  // Either a default exists now or there is no printer to make one of.
  EXPECT_EQ(uninstall::EnsureDefaultPrinter(), "");
}

}  // namespace
