// Queue creation and the final queue properties on the simulated spooler.
#include <gtest/gtest.h>

#include <algorithm>

#include "services/driver_install.h"
#include "services/printer_setup.h"
#include "sim_fixture.h"

namespace {

using services::TChangePrinterInfo;

class PrinterSetupTest : public SimTest {
 protected:
  PrinterSetupTest() { machine.spooler.drivers = {"VP Driver"}; }

  const plat::sim::SimPrinter* Find(const std::string& name) const {
    for (const auto& p : machine.spooler.printers)
      if (p.info.printerName == name) return &p;
    return nullptr;
  }

  int64_t SpoolerCalls() const {
    int64_t n = 0;
    for (const auto& [call, count] : machine.spooler.calls) n += count;
    return n;
  }

  uint16_t U16(const plat::DevMode& d, size_t at) { return d[at] | d[at + 1] << 8; }
  uint32_t U32(const plat::DevMode& d, size_t at) {
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
  }
};

TEST_F(PrinterSetupTest, NewQueueDeviceModeHasTheFieldValuesAtTheirOffsets) {
  ASSERT_TRUE(services::AddPrinterQueue("VP Driver", "VP-210"));
  const auto* p = Find("VP-210");
  ASSERT_TRUE(p);
  ASSERT_TRUE(p->info.devMode);
  const plat::DevMode& d = *p->info.devMode;

  struct Field {
    size_t offset, width;
    uint32_t value;
    const char* name;
  } fields[] = {
      {32, 2, 0x0401, "dmSpecVersion"},
      {34, 2, 0x0100, "dmDriverVersion"},
      {36, 2, 156, "dmSize"},
      {38, 2, 0, "dmDriverExtra"},
      {40, 4, 0x0581CF43, "dmFields"},
      {44, 2, 1, "dmOrientation"},
      {46, 2, 9, "dmPaperSize"},
      {48, 2, 2970, "dmPaperLength"},
      {50, 2, 2100, "dmPaperWidth"},
      {52, 2, 100, "dmScale"},
      {54, 2, 1, "dmCopies"},
      {56, 2, 15, "dmDefaultSource"},
      {58, 2, 180, "dmPrintQuality"},
      {60, 2, 1, "dmColor"},
      {62, 2, 1, "dmDuplex"},
      {64, 2, 180, "dmYResolution"},
      {66, 2, 2, "dmTTOption"},
      {68, 2, 1, "dmCollate"},
      {102, 2, 0, "dmLogPixels"},
      {104, 4, 0, "dmBitsPerPel"},
      {108, 4, 0, "dmPelsWidth"},
      {112, 4, 0, "dmPelsHeight"},
      {116, 4, 1, "dmNup"},
      {120, 4, 0, "dmDisplayFrequency"},
      {124, 4, 1, "dmICMMethod"},
      {128, 4, 2, "dmICMIntent"},
      {132, 4, 1, "dmMediaType"},
      {136, 4, 0xFFFFFFFF, "dmDitherType"},
      {140, 4, 0, "dmReserved1"},
      {144, 4, 0, "dmReserved2"},
      {148, 4, 0, "dmPanningWidth"},
      {152, 4, 0, "dmPanningHeight"},
  };
  for (const Field& f : fields) {
    uint32_t got = f.width == 2 ? U16(d, f.offset) : U32(d, f.offset);
    EXPECT_EQ(got, f.value) << f.name << " at offset " << f.offset;
  }
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.data())), "VP-210");
  EXPECT_TRUE(std::all_of(d.begin() + 6, d.begin() + 32, [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.data() + 70)), "A4");
  EXPECT_TRUE(std::all_of(d.begin() + 72, d.begin() + 102, [](uint8_t b) { return b == 0; }));
}

TEST_F(PrinterSetupTest, NewQueueIsLocalOnLpt1WithTheStandardProcessor) {
  ASSERT_TRUE(services::AddPrinterQueue("VP Driver", "VP-210"));
  const auto* p = Find("VP-210");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->info.driverName, "VP Driver");
  EXPECT_EQ(p->info.portName, "LPT1:");
  EXPECT_EQ(p->info.printProcessor, "WinPrint");
  EXPECT_EQ(p->info.datatype, "RAW");
  EXPECT_EQ(p->info.attributes, plat::kPrinterAttributeLocal);
  EXPECT_EQ(p->info.priority, 1u);
  EXPECT_TRUE(p->info.shareName.empty());
}

TEST_F(PrinterSetupTest, LongNamesAreCutAndTheDeviceNameKeepsItsNul) {
  machine.spooler.drivers.push_back(std::string(259, 'D'));
  std::string longName(40, 'N');
  ASSERT_TRUE(services::AddPrinterQueue(std::string(300, 'D'), longName));
  const auto* p = Find(longName);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->info.driverName.size(), 259u);
  const plat::DevMode& d = *p->info.devMode;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.data())), std::string(31, 'N'));
  EXPECT_EQ(d[31], 0);
}

TEST_F(PrinterSetupTest, EmptyNamesOrAnUnknownDriverMakeNoQueue) {
  EXPECT_FALSE(services::AddPrinterQueue("", "VP-210"));
  EXPECT_FALSE(services::AddPrinterQueue("VP Driver", ""));
  EXPECT_EQ(SpoolerCalls(), 0) << "an empty name must not reach the spooler";

  EXPECT_FALSE(services::AddPrinterQueue("Not Installed", "VP-210"));
  EXPECT_EQ(machine.lastError, 1797u);  // ERROR_UNKNOWN_PRINTER_DRIVER
  EXPECT_TRUE(machine.spooler.printers.empty());
}

TEST_F(PrinterSetupTest, SetPrinterPortMovesTheQueueAndKeepsItsDeviceMode) {
  machine.spooler.ports.push_back("USB001");
  ASSERT_TRUE(services::AddPrinterQueue("VP Driver", "VP-210"));
  plat::DevMode before = *Find("VP-210")->info.devMode;
  EXPECT_TRUE(services::SetPrinterPort("VP-210", "USB001"));
  EXPECT_EQ(Find("VP-210")->info.portName, "USB001");
  EXPECT_EQ(*Find("VP-210")->info.devMode, before);

  EXPECT_FALSE(services::SetPrinterPort("VP-210", ""));
  EXPECT_FALSE(services::SetPrinterPort("VP-210", "USB009"));  // not a port of this spooler
  EXPECT_EQ(Find("VP-210")->info.portName, "USB001");
  EXPECT_FALSE(services::SetPrinterPort("No Such Queue", "LPT1:"));
}

TEST_F(PrinterSetupTest, SpoolerFailuresOnEachStepGiveFalseWithoutLeaks) {
  ASSERT_TRUE(services::AddPrinterQueue("VP Driver", "VP-210"));
  // Each operation opens twice, reads twice (size query and read each time)
  // and sets once; a failure anywhere leaves the queue as it was.
  struct Step {
    const char* call;
    int nth;
  } steps[] = {
      {"OpenPrinter", 1}, {"OpenPrinter", 2}, {"GetPrinter", 1}, {"GetPrinter", 2},
      {"GetPrinter", 3},  {"GetPrinter", 4},  {"SetPrinter", 1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(s.call) + " call " + std::to_string(s.nth));
    machine.faults.Clear();
    machine.faults.Set(s.call, s.nth, 5);
    EXPECT_FALSE(services::SetPrinterPort("VP-210", "LPT2:"));
    machine.faults.Clear();
    machine.faults.Set(s.call, s.nth, 5);
    EXPECT_FALSE(services::ChangePrinterProperties({"VP-210", "", "", "COM1:", false, ""}));
    EXPECT_EQ(Find("VP-210")->info.portName, "LPT1:");
    EXPECT_EQ(machine.handles.Total(), 0) << machine.handles.Describe();
  }
}

TEST_F(PrinterSetupTest, ChangeMakesDefaultMovesAndSetsTheProcessor) {
  machine.spooler.ports.push_back("USB001");
  machine.spooler.printProcessors.push_back("VPProc");
  ASSERT_TRUE(services::AddPrinterQueue("VP Driver", "VP-210"));

  EXPECT_TRUE(services::ChangePrinterProperties({"VP-210", "", "", "USB001", true, "VPProc"}));
  const auto* p = Find("VP-210");
  EXPECT_EQ(machine.spooler.defaultPrinter, "VP-210");
  EXPECT_EQ(p->info.portName, "USB001");
  EXPECT_EQ(p->info.printProcessor, "VPProc");
  EXPECT_TRUE(p->info.attributes & plat::kPrinterAttributeRawOnly);

  // Back to the standard processor: raw-only goes.
  EXPECT_TRUE(services::ChangePrinterProperties({"VP-210", "", "", "USB001", false, ""}));
  EXPECT_EQ(p->info.printProcessor, "WinPrint");
  EXPECT_FALSE(p->info.attributes & plat::kPrinterAttributeRawOnly);
  EXPECT_TRUE(machine.DebugLines().empty());
}

TEST_F(PrinterSetupTest, WinPrintIsComparedWithItsLetterCase) {
  ASSERT_TRUE(services::AddPrinterQueue("VP Driver", "VP-210"));
  EXPECT_TRUE(services::ChangePrinterProperties({"VP-210", "", "", "", false, "winprint"}));
  const auto* p = Find("VP-210");
  EXPECT_EQ(p->info.printProcessor, "winprint");
  EXPECT_TRUE(p->info.attributes & plat::kPrinterAttributeRawOnly);
}

TEST_F(PrinterSetupTest, PortTheSpoolerDoesNotListIsLeftAlone) {
  ASSERT_TRUE(services::AddPrinterQueue("VP Driver", "VP-210"));
  ASSERT_TRUE(services::SetPrinterPort("VP-210", "LPT2:"));
  for (const char* port : {"USB001", "lpt1:", ""}) {
    SCOPED_TRACE(port);
    EXPECT_TRUE(services::ChangePrinterProperties({"VP-210", "", "", port, false, "WinPrint"}));
    EXPECT_EQ(Find("VP-210")->info.portName, "LPT2:");
  }
}

TEST_F(PrinterSetupTest, RenameAndShare) {
  ASSERT_TRUE(services::AddPrinterQueue("VP Driver", "VP-210"));
  machine.spooler.defaultPrinter = "VP-210";
  EXPECT_TRUE(
      services::ChangePrinterProperties({"VP-210", "Office", "OfficeShare", "", false, ""}));
  const auto* p = Find("Office");
  ASSERT_TRUE(p);
  EXPECT_FALSE(Find("VP-210"));
  EXPECT_EQ(p->info.shareName, "OfficeShare");
  EXPECT_TRUE(p->info.attributes & plat::kPrinterAttributeShared);
  EXPECT_EQ(machine.spooler.defaultPrinter, "Office");

  // The same name again is no rename; an empty share name stops sharing.
  EXPECT_TRUE(services::ChangePrinterProperties({"Office", "Office", "", "", false, ""}));
  EXPECT_FALSE(p->info.attributes & plat::kPrinterAttributeShared);
}

TEST_F(PrinterSetupTest, FailedDefaultIsReportedAndTheRestStillApplied) {
  ASSERT_TRUE(services::AddPrinterQueue("VP Driver", "VP-210"));
  machine.spooler.hasSetDefaultPrinter = false;
  EXPECT_TRUE(services::ChangePrinterProperties({"VP-210", "", "", "COM1:", true, ""}));
  EXPECT_EQ(Find("VP-210")->info.portName, "COM1:");
  EXPECT_EQ(
      machine.DebugLines(),
      std::vector<std::string>{"\xC9\xE8\xD6\xC3\xC4\xAC\xC8\xCF\xB4\xF2\xD3\xA1\xBB\xFA\xCA\xA7"
                               "\xB0\xDC\xA3\xA1"});
}

TEST_F(PrinterSetupTest, RefusedChangeWritesTheErrorCodeInDecimal) {
  ASSERT_TRUE(services::AddPrinterQueue("VP Driver", "VP-210"));
  // A processor the spooler does not have.
  EXPECT_FALSE(services::ChangePrinterProperties({"VP-210", "", "", "", false, "NoSuchProc"}));
  EXPECT_EQ(machine.DebugLines(),
            std::vector<std::string>{"\xC9\xE8\xD6\xC3\xB4\xF2\xD3\xA1\xBB\xFA\xCA\xA7\xB0\xDC"
                                     "(1798)\xA3\xA1"});
  EXPECT_EQ(machine.lastError, 1798u) << "the caller can still read the error";
  EXPECT_EQ(Find("VP-210")->info.printProcessor, "WinPrint");

  EXPECT_FALSE(services::ChangePrinterProperties({"No Such Queue", "", "", "", true, ""}));
}

}  // namespace

namespace {

// The road after a successful installation: the helper put the driver in,
// the queue is made on it and shaped as the install sequence asks.
TEST_F(PrinterSetupTest, QueueIsSetUpOnTheDriverTheHelperInstalled) {
  plat::files().CreateDirectory("C:\\Medium\\i386");
  Write("C:\\Medium\\i386\\drvkit.dll", "MZ");
  Write("C:\\Medium\\VP210.inf",
        "[M]\r\nVP = VP210, LPTENUM\\VelmarVP-2108E5C, USBPRINT\\VelmarVP-210\r\n");
  machine.spooler.ports.push_back("USB001");
  machine.devices.devices.push_back({"VelmarVP-210", "USBPRINT\\VELMARVP-210\\7&1&0&USB001",
                                     "Virtual printer port USB001", false, true, ""});
  machine.devices.installsDriver = "Velmar VP-210";

  EXPECT_FALSE(services::AddPrinterQueue("Velmar VP-210", "Velmar VP-210")) << "no driver yet";
  std::string port;
  int32_t code = 0;
  ASSERT_TRUE(services::InstallDriverByDll(1, code, "VP210.inf", true, port, ".\\i386\\drvkit.dll",
                                           "LPTOFFLINE\\"));
  ASSERT_EQ(port, "USB001");
  ASSERT_TRUE(services::AddPrinterQueue("Velmar VP-210", "Velmar VP-210"));
  ASSERT_TRUE(services::ChangePrinterProperties({"Velmar VP-210", "", "", port, true, "WinPrint"}));
  const auto* p = Find("Velmar VP-210");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->info.portName, "USB001");
  EXPECT_EQ(machine.spooler.defaultPrinter, "Velmar VP-210");
}

}  // namespace
