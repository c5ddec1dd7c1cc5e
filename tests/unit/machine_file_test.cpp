// setup-sim's machine file: the device, helper-library and faults sections,
// and that a file which fails part-way changes nothing.
#include "sim_fixture.h"
#include "tools/setup-sim/machine_file.h"

namespace {

class MachineFile : public SimTest {
 protected:
  bool Load(const std::string& text) {
    error.clear();
    return simtool::ApplyMachineFile(simtool::ParseIni(text), machine, error);
  }
  std::string error;
};

TEST_F(MachineFile, DevicesInNumberOrderWithTheirKeys) {
  ASSERT_TRUE(Load("[Device.10]\nHardwareId=B\nDeviceId=LPTENUM\\B\\1\n"
                   "[Device.2]\nhardwareid=A ; the first\nDEVICEID=USBPRINT\\A\\7&1&0&USB001\n"
                   "PortInfo=Virtual printer port for USB001\nName=Model A\nAfterRefresh=1\n"))
      << error;
  const auto& d = machine.devices.devices;
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].hardwareId, "A") << "[Device.2] before [Device.10], comment cut";
  EXPECT_EQ(d[0].deviceId, "USBPRINT\\A\\7&1&0&USB001");
  EXPECT_EQ(d[0].portInfo, "Virtual printer port for USB001");
  EXPECT_EQ(d[0].name, "Model A");
  EXPECT_TRUE(d[0].afterRefresh);
  EXPECT_EQ(d[1].hardwareId, "B");
  EXPECT_FALSE(d[1].afterRefresh);
}

TEST_F(MachineFile, HelperLibraryKeys) {
  ASSERT_TRUE(Load("[HelperLibrary]\nPresent32=0\nPresent64=1\nMissingExports= RefreshHW , ,FuncDrvKit\n"
                   "InstallResult=-5\nLastErrorCode=0x643\n"))
      << error;
  EXPECT_FALSE(machine.devices.present32);
  EXPECT_TRUE(machine.devices.present64);
  EXPECT_EQ(machine.devices.missingExports, (std::vector<std::string>{"RefreshHW", "FuncDrvKit"}));
  EXPECT_EQ(machine.devices.installResult, -5);
  EXPECT_EQ(machine.devices.lastErrorCode, 0x643u);
}

TEST_F(MachineFile, BadDeviceAndLibrarySectionsAreRejected) {
  for (const char* text : {
           "[Device.0]\nHardwareId=A\nDeviceId=B\n",
           "[Device.x]\nHardwareId=A\nDeviceId=B\n",
           "[Device.]\nHardwareId=A\nDeviceId=B\n",
           "[Device.1]\nHardwareId=A\n",
           "[Device.1]\nDeviceId=B\n",
           "[Device.1]\nHardwareId=A\nDeviceId=B\nAfterRefresh=2\n",
           "[Device.1]\nHardwareId=A\nDeviceId=B\nColour=red\n",
           "[Device.1]\nHardwareId=A\nDeviceId=B\n[Device.01]\nHardwareId=C\nDeviceId=D\n",
           "[Device.1]\nHardwareId=A\nDeviceId=B\n[device.1]\nHardwareId=C\nDeviceId=D\n",
           "[HelperLibrary]\nPresent32=yes\n",
           "[HelperLibrary]\nPresent64=2\n",
           "[HelperLibrary]\nInstallResult=1x\n",
           "[HelperLibrary]\nShowErrors=1\n",
       }) {
    EXPECT_FALSE(Load(text)) << text;
    EXPECT_FALSE(error.empty()) << text;
    EXPECT_TRUE(machine.devices.devices.empty()) << text;
  }
}

TEST_F(MachineFile, AFailedLoadLeavesTheMachineUnchanged) {
  ASSERT_TRUE(Load("[Device.1]\nHardwareId=Old\nDeviceId=USBPRINT\\OLD\\1\n")) << error;
  const auto ports = machine.spooler.ports;
  // Every section before the bad one is valid; none of them may stick.
  EXPECT_FALSE(Load("[System]\nVersion=6.1\nWow64=1\nLangID=0x0804\nDebugMarker=1\n"
                    "[HelperLibrary]\nPresent32=0\nMissingExports=RefreshHW\nInstallResult=7\n"
                    "[Spooler]\nPorts=USB009\n"
                    "[Device.1]\nHardwareId=New\nDeviceId=USBPRINT\\NEW\\1\n"
                    "[Device.2]\nHardwareId=Bad\n"));
  EXPECT_NE(error.find("Device.2"), std::string::npos) << error;
  EXPECT_EQ(machine.version.major, 5u);
  EXPECT_EQ(machine.version.minor, 1u);
  EXPECT_FALSE(machine.wow64);
  EXPECT_EQ(machine.langId, 0x0409);
  EXPECT_EQ(machine.codePage, 1252u);
  EXPECT_FALSE(plat::files().FileExists("D:\\Debug"));
  EXPECT_TRUE(machine.devices.present32);
  EXPECT_TRUE(machine.devices.missingExports.empty());
  EXPECT_EQ(machine.devices.installResult, 0);
  ASSERT_EQ(machine.devices.devices.size(), 1u);
  EXPECT_EQ(machine.devices.devices[0].hardwareId, "Old");
  EXPECT_EQ(machine.spooler.ports, ports);

  // A bad later section (a service) undoes the devices too.
  EXPECT_FALSE(Load("[Device.1]\nHardwareId=New\nDeviceId=USBPRINT\\NEW\\1\n[Service.X]\nBogus=1\n"));
  ASSERT_EQ(machine.devices.devices.size(), 1u);
  EXPECT_EQ(machine.devices.devices[0].hardwareId, "Old");

  // And a good file still applies everything, the debug marker included.
  ASSERT_TRUE(Load("[System]\nVersion=6.1\nDebugMarker=1\n[Device.3]\nHardwareId=C\nDeviceId=LPTENUM\\C\\1\n"))
      << error;
  EXPECT_EQ(machine.version.minor, 1u);
  EXPECT_EQ(machine.version.major, 6u);
  EXPECT_TRUE(plat::files().FileExists("D:\\Debug"));
  EXPECT_EQ(machine.devices.devices.size(), 2u);
}

// The faults section: which call fails, when, and with what code.
class FaultsSection : public MachineFile {};

TEST_F(FaultsSection, AlwaysOrTheNthCallWithItsCode) {
  ASSERT_TRUE(Load("[Faults]\nopenprinter=2,5\nCopyFile=always,0x70\nFuncDrvKit=1,0xE0000247\n")) << error;
  auto open = [] { return plat::spooler().OpenPrinter("X", nullptr) != nullptr; };
  machine.spooler.printers.push_back({});
  machine.spooler.printers.back().info.printerName = "X";
  EXPECT_TRUE(open());
  EXPECT_FALSE(open());
  EXPECT_EQ(plat::sys().GetLastError(), 5u);
  EXPECT_TRUE(open()) << "only the second call";
  Write("C:\\a.txt", "a");
  EXPECT_FALSE(plat::files().CopyFile("C:\\a.txt", "C:\\b.txt", false));
  EXPECT_EQ(plat::sys().GetLastError(), 0x70u);
  Write("C:\\drvkit.dll", "MZ");
  auto lib = plat::libraries().Load("C:\\drvkit.dll");
  ASSERT_TRUE(lib);
  EXPECT_EQ(lib->FuncDrvKit("a.inf", "X", "USB001", 0), 2);
  EXPECT_EQ(lib->LastInstallErrorCode(), 0xE0000247u) << "the library's code is the fault's";
}

TEST_F(FaultsSection, BadEntriesStopTheLoadAndChangeNothing) {
  for (const char* bad : {"[Faults]\nOpenPrinterA=always,5\n", "[Faults]\nOpenPrinter=0,5\n",
                          "[Faults]\nOpenPrinter=always\n", "[Faults]\nOpenPrinter=sometimes,5\n",
                          "[Faults]\nOpenPrinter=1,x\n", "[Faults]\nReadFile=always,5\n[Bogus]\n"}) {
    EXPECT_FALSE(Load(bad)) << bad;
    EXPECT_FALSE(error.empty());
  }
  Write("C:\\a.txt", "a");
  EXPECT_TRUE(plat::files().ReadFile("C:\\a.txt")) << "the refused file set no fault";
  // Every name the machine file takes is a call some part of the sim fails.
  for (const std::string& name : plat::sim::FaultableCalls())
    EXPECT_TRUE(Load("[Faults]\n" + name + "=always,5\n")) << name << ": " << error;
}

}  // namespace
