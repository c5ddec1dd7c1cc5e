// The spooler queries on the simulated spooler: size limits, faults, missing
// functions, debug lines, handle counts, and the machine file's spooler sections.
#include <gtest/gtest.h>

#include "platform/sim/spooler_machine_file.h"
#include "services/printer_query.h"
#include "sim_fixture.h"

namespace {

using plat::sim::SimPrinter;

class PrinterQueryTest : public SimTest {
 protected:
  void AddQueue(const std::string& name, const std::string& driver,
                const std::string& port = "LPT1:", int jobs = 0) {
    SimPrinter& p = AddPrinter(name, driver, port);
    p.info.printProcessor = "WinPrint";
    for (int i = 0; i < jobs; ++i) p.jobs.push_back({machine.spooler.nextJobId++, "doc", 0});
  }
};

// Ports named "PORTnnn:" are 20 + 9 + 11 + 11 = 51 bytes each as PORT_INFO_2A.
void SetPorts(plat::sim::SimMachine& m, int count) {
  m.spooler.ports.clear();
  for (int i = 0; i < count; ++i) {
    char name[16];
    snprintf(name, sizeof name, "PORT%03d:", i);
    m.spooler.ports.push_back(name);
  }
}

TEST_F(PrinterQueryTest, PortListBeyondTwoThousandBytesFailsAsAWhole) {
  SetPorts(machine, 39);  // 1989 bytes
  std::vector<std::string> ports = {"kept"};
  ASSERT_TRUE(services::GetPortNames(ports));
  EXPECT_EQ(ports.size(), 40u);
  EXPECT_TRUE(services::PortExists("PORT038:"));

  SetPorts(machine, 40);  // 2040 bytes
  ports = {"kept"};
  EXPECT_FALSE(services::GetPortNames(ports));
  EXPECT_EQ(ports, std::vector<std::string>{"kept"});
  EXPECT_FALSE(services::PortExists("PORT000:"));
  EXPECT_EQ(machine.lastError, 122u);
}

TEST_F(PrinterQueryTest, PrinterBufferOf16884BytesLimitsGetPrinterPort) {
  AddQueue("Big", "Drv");
  machine.spooler.printers[0].info.comment = std::string(16884, 'c');
  std::string port = "stale";
  EXPECT_FALSE(services::GetPrinterPort("Big", port)) << "its buffer is too small";
  EXPECT_EQ(port, "");
  // The driver name is read into a buffer of the size the spooler asks for.
  std::string driver;
  services::GetPrinterDriverName("Big", driver);
  EXPECT_EQ(driver, "Drv");
}

TEST_F(PrinterQueryTest, NoPrintersAtAll) {
  std::vector<std::string> names = {"untouched"};
  EXPECT_EQ(services::GetPrinterNames(&names), -1);
  EXPECT_EQ(names, std::vector<std::string>{"untouched"});
  EXPECT_FALSE(services::PrinterExists("x"));
  plat::PrinterInfo2 info;
  bool shared = true;
  EXPECT_TRUE(services::GetPrinterInfo("x", info, shared));
  EXPECT_FALSE(shared);
}

TEST_F(PrinterQueryTest, NamesContainingOnAreKeptWhole) {
  AddQueue("Lab on 3rd floor", "Drv");
  AddQueue("Office", "Drv");
  machine.spooler.defaultPrinter = "Lab on 3rd floor";
  std::vector<std::string> names;
  EXPECT_EQ(services::GetPrinterNames(&names), 0);
  EXPECT_EQ(names, (std::vector<std::string>{"Lab on 3rd floor", "Office"}));
  // The name handed on must be one the spooler knows.
  EXPECT_TRUE(services::SetDefaultPrinterName(names[0]));
}

TEST_F(PrinterQueryTest, DefaultThatCannotBeDeterminedGivesMinusOne) {
  AddQueue("A", "Drv");
  std::vector<std::string> names;
  EXPECT_EQ(services::GetPrinterNames(&names), -1);  // none set
  EXPECT_EQ(names, std::vector<std::string>{"A"});
  machine.spooler.defaultPrinter = "A";
  machine.spooler.hasGetDefaultPrinter = false;
  EXPECT_EQ(services::GetPrinterNames(&names), -1);
}

TEST_F(PrinterQueryTest, MissingWinspoolFunctionsAreNegativeAnswers) {
  AddQueue("A", "Drv");
  machine.spooler.defaultPrinter = "A";
  machine.spooler.hasGetDefaultPrinter = false;
  machine.spooler.hasSetDefaultPrinter = false;
  std::string name = "stale";
  EXPECT_FALSE(services::GetDefaultPrinterName(name));
  EXPECT_EQ(name, "");
  EXPECT_FALSE(services::SetDefaultPrinterName("A"));
}

TEST_F(PrinterQueryTest, NoDefaultReportsFileNotFound) {
  AddQueue("A", "Drv");
  std::string name = "stale";
  EXPECT_FALSE(services::GetDefaultPrinterName(name));
  EXPECT_EQ(name, "");
  EXPECT_EQ(machine.lastError, 2u);
}

TEST_F(PrinterQueryTest, OpenFailureWritesTheTwoDebugLines) {
  machine.faults.Set("OpenPrinter", 0, 5);
  AddQueue("A", "Drv");
  std::string port = "stale";
  EXPECT_FALSE(services::GetPrinterPort("A", port));
  EXPECT_EQ(port, "");
  EXPECT_EQ(machine.DebugLines(),
            (std::vector<std::string>{"openPrinter Fail, Error Code :0x00000005",
                                      "PrinterName \xCE\xAA(A)"}));
  machine.transcript.clear();
  machine.faults.Clear();
  services::GetPrinterPort("", port);
  ASSERT_EQ(machine.DebugLines().size(), 2u);
  EXPECT_EQ(machine.DebugLines()[1], "PrinterName \xCE\xAA()");
  // Upper-case hexadecimal digits.
  machine.transcript.clear();
  machine.faults.Set("OpenPrinter", 0, 0xABCDEF01);
  services::GetPrinterPort("A", port);
  EXPECT_EQ(machine.DebugLines().at(0), "openPrinter Fail, Error Code :0xABCDEF01");
}

TEST_F(PrinterQueryTest, NameIsNeverUsedAsAFormat) {
  std::string port;
  services::GetPrinterPort("%s%n%x", port);
  EXPECT_EQ(machine.DebugLines().at(1), "PrinterName \xCE\xAA(%s%n%x)");
}

TEST_F(PrinterQueryTest, SpoolerThatFailsEveryCall) {
  AddQueue("A", "Drv");
  machine.spooler.defaultPrinter = "A";
  for (const char* call : {"EnumPrinters", "EnumPorts", "OpenPrinter", "GetPrinter", "SetPrinter",
                           "EnumJobs", "AddPrinter", "DeletePrinter", "DeletePrinterDriver",
                           "GetDefaultPrinter", "SetDefaultPrinter", "DeletePrinterDriverEx"})
    machine.faults.Set(call, 0, 1722);
  EXPECT_FALSE(services::PrinterExists("A"));
  EXPECT_FALSE(services::PortExists("LPT1:"));
  std::vector<std::string> list = {"kept"};
  EXPECT_FALSE(services::GetPortNames(list));
  EXPECT_EQ(services::GetPrinterNames(&list), -1);
  EXPECT_EQ(list, std::vector<std::string>{"kept"});
  std::string text = "stale";
  services::GetPrinterPort("A", text);
  EXPECT_EQ(text, "");
  text = "stale";
  services::GetPrinterDriverName("A", text);
  EXPECT_EQ(text, "");
  plat::PrinterInfo2 info;
  bool shared = true;
  EXPECT_FALSE(services::GetPrinterInfo("A", info, shared));
  EXPECT_FALSE(shared);
  EXPECT_FALSE(services::GetDefaultPrinterName(text));
  EXPECT_FALSE(services::SetDefaultPrinterName("A"));
}

TEST_F(PrinterQueryTest, FailureAfterTheOpenStillClosesTheHandle) {
  AddQueue("A", "Drv");
  machine.faults.Set("GetPrinter", 0, 5);
  std::string text = "stale";
  services::GetPrinterPort("A", text);
  EXPECT_EQ(text, "");
  services::GetPrinterDriverName("A", text);
  EXPECT_EQ(text, "");
  // The second enumeration (after sizing) fails.
  machine.faults.Set("EnumPrinters", 2, 5);
  EXPECT_FALSE(services::PrinterExists("A"));
}

TEST_F(PrinterQueryTest, SharedDriverComparesExactly) {
  AddQueue("A", "Drv");
  AddQueue("B", "DRV");
  AddQueue("C", "Other");
  plat::PrinterInfo2 info;
  bool shared = true;
  ASSERT_TRUE(services::GetPrinterInfo("A", info, shared));
  EXPECT_FALSE(shared);
  AddQueue("D", "Drv");
  ASSERT_TRUE(services::GetPrinterInfo("A", info, shared));
  EXPECT_TRUE(shared);
  EXPECT_EQ(info.portName, "LPT1:");
}

TEST_F(PrinterQueryTest, SimulatedSpoolerFollowsWindowsOnQueues) {
  machine.spooler.drivers = {"Drv"};
  plat::PrinterInfo2 info;
  info.printerName = "Q";
  info.driverName = "Drv";
  info.portName = "NOPORT:";
  EXPECT_FALSE(plat::spooler().AddPrinter2(info));
  EXPECT_EQ(machine.lastError, 1796u);  // ERROR_UNKNOWN_PORT
  info.portName = "LPT1:";
  info.printerName = std::string(221, 'n');
  EXPECT_FALSE(plat::spooler().AddPrinter2(info));
  EXPECT_EQ(machine.lastError, 1801u);
  info.printerName = "Q";
  {
    auto h = plat::spooler().AddPrinter2(info);
    ASSERT_TRUE(h);
    EXPECT_EQ(machine.handles.Count("printer"), 1);
    EXPECT_FALSE(plat::spooler().AddPrinter2(info));
    EXPECT_EQ(machine.lastError, 1802u);
    machine.spooler.printers[0].jobs.push_back({1, "doc", 0});
    ASSERT_TRUE(plat::spooler().DeletePrinter(*h));
  }
  // A queue with a job waits for it before it goes.
  ASSERT_EQ(machine.spooler.printers.size(), 1u);
  EXPECT_TRUE(machine.spooler.printers[0].info.status & 0x4);
  auto h = plat::spooler().OpenPrinter("q", nullptr);
  ASSERT_TRUE(h);
  std::vector<plat::JobInfo1> jobs;
  uint32_t needed = 0;
  EXPECT_FALSE(plat::spooler().EnumJobs1(*h, 0, 10, 0, jobs, needed));
  EXPECT_EQ(needed, 64u + 2 + 8 + 5 + 4 + 4);  // JOB_INFO_1A and its texts
  ASSERT_TRUE(plat::spooler().EnumJobs1(*h, 0, 10, needed, jobs, needed));
  ASSERT_EQ(jobs.size(), 1u);
  ASSERT_TRUE(
      plat::spooler().SetPrinter0(*h, plat::kPrinterControlSetStatus, plat::kPrinterStatusOffline));
  EXPECT_EQ(machine.spooler.printers[0].info.status, plat::kPrinterStatusOffline);
}

// --- machine file ------------------------------------------------------------

using Ini = std::map<std::string, std::map<std::string, std::string>>;

TEST_F(PrinterQueryTest, MachineFileDescribesTheSpooler) {
  Ini ini = {{"Spooler", {{"Ports", "LPT1:, USB001 ,FILE:"}, {"Default", "Office"}}},
             {"Printer.10", {{"Name", "Second"}, {"Driver", "Drv"}, {"Port", "FILE:"}}},
             {"Printer.2",
              {{"Name", "Office"},
               {"Driver", "Drv"},
               {"Port", "USB001"},
               {"PrintProcessor", "LabProc"},
               {"jobs", "3"}}}};
  std::string error;
  ASSERT_TRUE(plat::sim::LoadSpoolerSections(ini, machine, error)) << error;
  EXPECT_EQ(machine.spooler.ports, (std::vector<std::string>{"LPT1:", "USB001", "FILE:"}));
  ASSERT_EQ(machine.spooler.printers.size(), 2u);
  EXPECT_EQ(machine.spooler.printers[0].info.printerName, "Office");  // by number, 2 before 10
  EXPECT_EQ(machine.spooler.printers[0].info.printProcessor, "LabProc");
  EXPECT_EQ(machine.spooler.printers[0].jobs.size(), 3u);
  EXPECT_EQ(machine.spooler.printers[1].info.printProcessor, "WinPrint");
  EXPECT_EQ(machine.spooler.drivers, std::vector<std::string>{"Drv"});
  std::vector<std::string> names;
  EXPECT_EQ(services::GetPrinterNames(&names), 0);
  plat::PrinterInfo2 info;
  bool shared = false;
  ASSERT_TRUE(services::GetPrinterInfo("Second", info, shared));
  EXPECT_TRUE(shared);
  EXPECT_EQ(info.jobs, 0u);
}

TEST_F(PrinterQueryTest, MachineFileStopsLoudlyOnBadValues) {
  struct Case {
    Ini ini;
    const char* mentions;
  } cases[] = {
      {{{"Spooler", {{"Ports", "LPT1:,,FILE:"}}}}, "empty port"},
      {{{"Spooler", {{"Ports", "LPT1:,lpt1:"}}}}, "twice"},
      {{{"Spooler", {{"Prots", "LPT1:"}}}}, "unknown key"},
      {{{"Spooler", {{"Default", "Nobody"}}}}, "Default"},
      {{{"Printer.1", {{"Driver", "D"}, {"Port", "LPT1:"}}}}, "Name"},
      {{{"Printer.1", {{"Name", "A"}, {"Port", "LPT1:"}}}}, "Driver"},
      {{{"Printer.1", {{"Name", "A"}, {"Driver", "D"}, {"Port", "USB009"}}}}, "USB009"},
      {{{"Printer.1", {{"Name", "A"}, {"Driver", "D"}, {"Port", "LPT1:"}, {"Jobs", "two"}}}},
       "Jobs"},
      {{{"Printer.1", {{"Name", "A"}, {"Driver", "D"}, {"Port", "LPT1:"}, {"Jobs", "-1"}}}},
       "Jobs"},
      {{{"Printer.x", {{"Name", "A"}}}}, "number"},
      {{{"Printer.1", {{"Name", "A"}, {"Driver", "D"}, {"Port", "LPT1:"}}},
        {"Printer.2", {{"Name", "a"}, {"Driver", "D"}, {"Port", "LPT1:"}}}},
       "exists"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    std::string error;
    plat::sim::SpoolerState before = machine.spooler;
    EXPECT_FALSE(plat::sim::LoadSpoolerSections(cases[i].ini, machine, error)) << "row " << i;
    EXPECT_NE(error.find(cases[i].mentions), std::string::npos) << "row " << i << ": " << error;
    EXPECT_EQ(machine.spooler.ports, before.ports) << "row " << i << " changed the machine";
    EXPECT_TRUE(machine.spooler.printers.empty()) << "row " << i;
  }
}

}  // namespace
