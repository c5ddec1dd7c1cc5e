// Queue set-up as both backends must answer it: a queue made by the
// installer on a driver the test installs, moved, made default and given a
// print processor. Each test removes its queue.
#include <gtest/gtest.h>

#include "check.h"
#include "platform/platform.h"
#include "services/printer_query.h"
#include "services/printer_setup.h"
#include "wine_departures.h"

namespace {

const char* const kDriver = "Contract Setup PS";

class PrinterSetupContract : public contract::ContractTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(plat::spooler().AddPrinterDriver(kDriver))
        << "AddPrinterDriver: " << contract::LastError();
    services::GetDefaultPrinterName(savedDefault_);
  }
  void TearDown() override {
    for (const std::string& name : made_) {
      plat::PrinterDefaults d;
      d.desiredAccess = plat::kPrinterAllAccess;
      if (auto h = plat::spooler().OpenPrinter(name, &d)) plat::spooler().DeletePrinter(*h);
    }
    if (!savedDefault_.empty() && services::PrinterExists(savedDefault_))
      services::SetDefaultPrinterName(savedDefault_);
    ContractTest::TearDown();
  }

  bool Make(const std::string& name) {
    made_.push_back(name);
    return services::AddPrinterQueue(kDriver, name);
  }

  plat::PrinterInfo2 Read(const std::string& name) {
    plat::PrinterInfo2 info;
    auto h = plat::spooler().OpenPrinter(name, nullptr);
    uint32_t needed = 0;
    if (h) plat::spooler().GetPrinter2(*h, 16884, info, needed);
    return info;
  }

  // A listed port other than the one the queue is on.
  std::string OtherPort(const std::string& current) {
    std::vector<std::string> ports;
    services::GetPortNames(ports);
    for (const std::string& p : ports)
      if (p != current && p != "FILE:") return p;
    return "";
  }

 private:
  std::vector<std::string> made_;
  std::string savedDefault_;
};

TEST_F(PrinterSetupContract, QueueIsCreatedOnLpt1WithTheStandardProcessor) {
  ASSERT_TRUE(Make("Contract Setup Queue")) << contract::LastError();
  EXPECT_TRUE(services::PrinterExists("Contract Setup Queue"));
  plat::PrinterInfo2 info = Read("Contract Setup Queue");
  EXPECT_EQ(info.driverName, kDriver);
  EXPECT_EQ(info.portName, "LPT1:");
  EXPECT_EQ(info.printProcessor, "WinPrint");
  EXPECT_TRUE(info.attributes & plat::kPrinterAttributeLocal);
  EXPECT_FALSE(info.attributes & plat::kPrinterAttributeRawOnly);
  // A second queue of that name is refused.
  bool again = services::AddPrinterQueue(kDriver, "Contract Setup Queue");
  if (wine::AddPrinterAcceptsExistingName())
    EXPECT_TRUE(again) << "Wine now refuses a repeated name: drop the departure";
  else
    EXPECT_FALSE(again);
}

TEST_F(PrinterSetupContract, EmptyOrUnknownDriverMakesNoQueue) {
  EXPECT_FALSE(Make(""));
  plat::sys().SetLastError(0);
  EXPECT_FALSE(services::AddPrinterQueue("", "Contract Setup Nameless"));
  EXPECT_FALSE(services::PrinterExists("Contract Setup Nameless"));
  EXPECT_FALSE(services::AddPrinterQueue("Contract Driver Not There", "Contract Setup No Driver"));
  EXPECT_FALSE(services::PrinterExists("Contract Setup No Driver"));
}

TEST_F(PrinterSetupContract, QueueIsMovedToAListedPortOnly) {
  ASSERT_TRUE(Make("Contract Setup Port")) << contract::LastError();
  std::string other = OtherPort("LPT1:");
  ASSERT_FALSE(other.empty()) << "the spooler lists one port only";
  EXPECT_TRUE(services::SetPrinterPort("Contract Setup Port", other)) << contract::LastError();
  EXPECT_EQ(Read("Contract Setup Port").portName, other);

  // A port the spooler does not list leaves the queue where it is.
  EXPECT_TRUE(services::ChangePrinterProperties(
      {"Contract Setup Port", "", "", "USB097", false, "WinPrint"}))
      << contract::LastError();
  EXPECT_EQ(Read("Contract Setup Port").portName, other);
  EXPECT_TRUE(services::ChangePrinterProperties(
      {"Contract Setup Port", "", "", "LPT1:", false, "WinPrint"}));
  EXPECT_EQ(Read("Contract Setup Port").portName, "LPT1:");

  EXPECT_FALSE(services::SetPrinterPort("Contract Setup Port", ""));
  EXPECT_FALSE(services::SetPrinterPort("Contract Setup Not There", other));
}

TEST_F(PrinterSetupContract, ChangeMakesTheQueueDefault) {
  ASSERT_TRUE(Make("Contract Setup Default")) << contract::LastError();
  ASSERT_TRUE(Make("Contract Setup Other"));
  ASSERT_TRUE(services::SetDefaultPrinterName("Contract Setup Other"));
  EXPECT_TRUE(
      services::ChangePrinterProperties({"Contract Setup Default", "", "", "LPT1:", true, ""}))
      << contract::LastError();
  std::string name;
  ASSERT_TRUE(services::GetDefaultPrinterName(name));
  EXPECT_EQ(name, "Contract Setup Default");
}

TEST_F(PrinterSetupContract, ProcessorNameInAnotherCaseSetsRawOnly) {
  ASSERT_TRUE(Make("Contract Setup Processor")) << contract::LastError();
  EXPECT_TRUE(services::ChangePrinterProperties(
      {"Contract Setup Processor", "", "", "", false, "winprint"}))
      << contract::LastError();
  plat::PrinterInfo2 info = Read("Contract Setup Processor");
  EXPECT_TRUE(info.attributes & plat::kPrinterAttributeRawOnly);
  EXPECT_TRUE(info.printProcessor == "winprint" || info.printProcessor == "WinPrint")
      << info.printProcessor;

  EXPECT_TRUE(services::ChangePrinterProperties(
      {"Contract Setup Processor", "", "", "", false, "WinPrint"}));
  info = Read("Contract Setup Processor");
  EXPECT_FALSE(info.attributes & plat::kPrinterAttributeRawOnly);
  EXPECT_EQ(info.printProcessor, "WinPrint");
}

}  // namespace
