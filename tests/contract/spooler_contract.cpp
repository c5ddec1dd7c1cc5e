// The spooler queries as both backends must answer them: queues made with a
// driver, case rules, the shared-driver count, the default printer, jobs,
// and bad names. Each test removes the queues it makes.
#include <gtest/gtest.h>

#include <algorithm>

#include "check.h"
#include "platform/errors.h"
#include "platform/platform.h"
#include "services/printer_query.h"
#include "wine_departures.h"

namespace {

const char* const kDriver = "Contract Test PS";
const char* const kPort = "LPT1:";

// A queue that lives for one test; deleted (whatever the test's outcome) at scope end.
class TestQueue {
 public:
  explicit TestQueue(const std::string& name) : name_(name) {
    plat::PrinterInfo2 info;
    info.printerName = name;
    info.driverName = kDriver;
    info.portName = kPort;
    info.printProcessor = "WinPrint";
    info.datatype = "RAW";
    auto h = plat::spooler().AddPrinter2(info);
    made_ = h != nullptr;
    error_ = plat::sys().GetLastError();
  }
  ~TestQueue() {
    if (!made_) return;
    plat::PrinterDefaults d;
    d.desiredAccess = plat::kPrinterAllAccess;
    if (auto h = plat::spooler().OpenPrinter(name_, &d)) plat::spooler().DeletePrinter(*h);
  }
  TestQueue(const TestQueue&) = delete;
  TestQueue& operator=(const TestQueue&) = delete;
  bool made() const { return made_; }
  uint32_t error() const { return error_; }

 private:
  std::string name_;
  bool made_ = false;
  uint32_t error_ = 0;
};

class SpoolerContract : public contract::ContractTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(plat::spooler().AddPrinterDriver(kDriver))
        << "AddPrinterDriver: " << contract::LastError();
  }
};

#define ASSERT_MADE(q) ASSERT_TRUE((q).made()) << "AddPrinter: error " << (q).error()

TEST_F(SpoolerContract, QueueIsFoundWhateverTheCaseAndReportsPortAndDriver) {
  TestQueue q("Contract Queue");
  ASSERT_MADE(q);
  EXPECT_TRUE(services::PrinterExists("Contract Queue"));
  EXPECT_TRUE(services::PrinterExists("CONTRACT QUEUE"));
  EXPECT_TRUE(services::PrinterExists("contract queue"));
  EXPECT_FALSE(services::PrinterExists("Contract Queue 2"));

  std::string port = "stale", driver = "stale";
  EXPECT_TRUE(services::GetPrinterPort("Contract Queue", port));
  EXPECT_EQ(port, kPort);
  services::GetPrinterDriverName("Contract Queue", driver);
  EXPECT_EQ(driver, kDriver);

  plat::PrinterInfo2 info;
  bool shared = true;
  ASSERT_TRUE(services::GetPrinterInfo("Contract Queue", info, shared));
  EXPECT_EQ(info.printerName, "Contract Queue");
  EXPECT_EQ(info.driverName, kDriver);
  EXPECT_FALSE(shared);
  // GetPrinterInfo compares exactly: another case finds nothing.
  plat::PrinterInfo2 none;
  ASSERT_TRUE(services::GetPrinterInfo("CONTRACT QUEUE", none, shared));
  EXPECT_TRUE(none.printerName.empty());
}

TEST_F(SpoolerContract, PortsCompareExactly) {
  std::vector<std::string> ports = {"kept"};
  ASSERT_TRUE(services::GetPortNames(ports));
  ASSERT_GE(ports.size(), 2u);
  EXPECT_EQ(ports[0], "kept") << "the list is appended to, not cleared";
  EXPECT_NE(std::find(ports.begin(), ports.end(), kPort), ports.end());
  EXPECT_TRUE(services::PortExists(kPort));
  EXPECT_FALSE(services::PortExists("lpt1:"));
  EXPECT_FALSE(services::PortExists("LPT1"));
  EXPECT_FALSE(services::PortExists(""));
}

TEST_F(SpoolerContract, PortBufferTooSmallFailsWithTheSizeNeeded) {
  std::vector<plat::PortInfo2> ports;
  uint32_t needed = 0;
  EXPECT_FAILS_WITH(plat::spooler().EnumPorts2(16, ports, needed), plat::kErrorInsufficientBuffer);
  ASSERT_GT(needed, 16u);
  EXPECT_TRUE(ports.empty());
  ASSERT_TRUE(plat::spooler().EnumPorts2(needed, ports, needed));
  EXPECT_FALSE(ports.empty());
}

TEST_F(SpoolerContract, TwoQueuesOnOneDriverShareIt) {
  {
    TestQueue a("Contract Shared A");
    TestQueue b("Contract Shared B");
    ASSERT_MADE(a);
    ASSERT_MADE(b);
    for (const char* name : {"Contract Shared A", "Contract Shared B"}) {
      plat::PrinterInfo2 info;
      bool shared = false;
      ASSERT_TRUE(services::GetPrinterInfo(name, info, shared));
      EXPECT_TRUE(shared) << name;
    }
  }
  TestQueue alone("Contract Shared A");
  ASSERT_MADE(alone);
  plat::PrinterInfo2 info;
  bool shared = true;
  ASSERT_TRUE(services::GetPrinterInfo("Contract Shared A", info, shared));
  EXPECT_FALSE(shared);
}

TEST_F(SpoolerContract, DefaultPrinterIsSetReadAndListedWithNamesKeptWhole) {
  std::string before;
  bool hadDefault = services::GetDefaultPrinterName(before);
  {
    TestQueue first("Contract Default A");
    TestQueue lab("Lab on 3rd floor");
    ASSERT_MADE(first);
    ASSERT_MADE(lab);
    ASSERT_TRUE(services::SetDefaultPrinterName("Lab on 3rd floor")) << contract::LastError();
    std::string name;
    ASSERT_TRUE(services::GetDefaultPrinterName(name));
    EXPECT_EQ(name, "Lab on 3rd floor");

    std::vector<std::string> names = {"old entry"};
    int index = services::GetPrinterNames(&names);
    ASSERT_GE(index, 0);
    ASSERT_LT(index, static_cast<int>(names.size()));
    EXPECT_EQ(names[index], "Lab on 3rd floor");
    EXPECT_EQ(std::count(names.begin(), names.end(), "old entry"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "Lab"), 0);

    // Handed on to the other queue.
    ASSERT_TRUE(services::SetDefaultPrinterName("Contract Default A"));
    ASSERT_TRUE(services::GetDefaultPrinterName(name));
    EXPECT_EQ(name, "Contract Default A");
    index = services::GetPrinterNames(&names);
    ASSERT_GE(index, 0);
    EXPECT_EQ(names[index], "Contract Default A");
  }
  if (hadDefault && services::PrinterExists(before)) services::SetDefaultPrinterName(before);
  EXPECT_EQ(services::GetPrinterNames(nullptr), -1);
}

TEST_F(SpoolerContract, NewQueueHasNoJobs) {
  TestQueue q("Contract Jobs");
  ASSERT_MADE(q);
  auto h = plat::spooler().OpenPrinter("Contract Jobs", nullptr);
  ASSERT_TRUE(h) << contract::LastError();
  std::vector<plat::JobInfo1> jobs = {plat::JobInfo1{}};
  uint32_t needed = 99;
  bool listed = plat::spooler().EnumJobs1(*h, 0, 100, 0, jobs, needed);
  if (wine::EnumJobsIsStub()) {
    EXPECT_FALSE(listed) << "Wine's EnumJobs now answers: drop the departure";
  } else {
    ASSERT_TRUE(listed) << contract::LastError();
    EXPECT_TRUE(jobs.empty());
    EXPECT_EQ(needed, 0u);
  }
  plat::PrinterInfo2 info;
  ASSERT_TRUE(plat::spooler().GetPrinter2(*h, 16884, info, needed));
  EXPECT_EQ(info.jobs, 0u);
}

TEST_F(SpoolerContract, AddPrinterRefusesAnUnknownDriver) {
  plat::PrinterInfo2 info;
  info.printerName = "Contract No Driver";
  info.driverName = "Contract Driver That Is Not Installed";
  info.portName = kPort;
  info.printProcessor = "WinPrint";
  auto made = contract::Run([&] { return plat::spooler().AddPrinter2(info); });
  EXPECT_FALSE(made.result);
  EXPECT_EQ(contract::ErrorName(made.error),
            contract::ErrorName(wine::AddPrinterUnknownDriverIsInvalidParameter()
                                    ? plat::kErrorInvalidParameter
                                    : plat::kErrorUnknownPrinterDriver));
  if (made.result) plat::spooler().DeletePrinter(*made.result);
}

TEST_F(SpoolerContract, BadNamesGiveTheNegativeAnswers) {
  for (const std::string& name : {std::string(), std::string(300, 'Q'), std::string("   ")}) {
    SCOPED_TRACE("name of " + std::to_string(name.size()) + " characters");
    EXPECT_FALSE(services::PrinterExists(name));
    EXPECT_FALSE(services::PortExists(name));
    std::string port = "stale", driver = "stale";
    services::GetPrinterPort(name, port);
    EXPECT_EQ(port, "");
    services::GetPrinterDriverName(name, driver);
    EXPECT_EQ(driver, "");
    plat::PrinterInfo2 info;
    bool shared = true;
    EXPECT_TRUE(services::GetPrinterInfo(name, info, shared));
    EXPECT_FALSE(shared);
    if (!name.empty()) {
      EXPECT_FALSE(services::SetDefaultPrinterName(name));
    }
  }
}

}  // namespace
