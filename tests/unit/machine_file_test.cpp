// setup-sim's machine file: the device, helper-library and faults sections,
// that a file which fails part-way changes nothing, and that every error
// names its line.
#include "sim_fixture.h"
#include "tools/setup-sim/machine_file.h"

namespace {

class MachineFile : public SimTest {
 protected:
  bool Load(const std::string& text) {
    error.clear();
    return simtool::LoadMachineFile(text, machine, error);
  }
  std::string error;
};

TEST_F(MachineFile, DevicesInNumberOrderWithTheirKeys) {
  ASSERT_TRUE(
      Load("[Device.10]\nHardwareId=B\nDeviceId=LPTENUM\\B\\1\n"
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
  ASSERT_TRUE(
      Load("[HelperLibrary]\nPresent32=0\nPresent64=1\nMissingExports= RefreshHW , ,FuncDrvKit\n"
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
  EXPECT_FALSE(
      Load("[System]\nVersion=6.1\nWow64=1\nLangID=0x0804\nDebugMarker=1\n"
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
  EXPECT_FALSE(
      Load("[Device.1]\nHardwareId=New\nDeviceId=USBPRINT\\NEW\\1\n[Service.X]\nBogus=1\n"));
  ASSERT_EQ(machine.devices.devices.size(), 1u);
  EXPECT_EQ(machine.devices.devices[0].hardwareId, "Old");

  // And a good file still applies everything, the debug marker included.
  ASSERT_TRUE(Load(
      "[System]\nVersion=6.1\nDebugMarker=1\n[Device.3]\nHardwareId=C\nDeviceId=LPTENUM\\C\\1\n"))
      << error;
  EXPECT_EQ(machine.version.minor, 1u);
  EXPECT_EQ(machine.version.major, 6u);
  EXPECT_TRUE(plat::files().FileExists("D:\\Debug"));
  EXPECT_EQ(machine.devices.devices.size(), 2u);
}

// The faults section: which call fails, when, and with what code.
class FaultsSection : public MachineFile {};

TEST_F(FaultsSection, AlwaysOrTheNthCallWithItsCode) {
  ASSERT_TRUE(Load("[Faults]\nopenprinter=2,5\nCopyFile=always,0x70\nFuncDrvKit=1,0xE0000247\n"))
      << error;
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
  for (const char* bad :
       {"[Faults]\nOpenPrinterA=always,5\n", "[Faults]\nOpenPrinter=0,5\n",
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

// Lines the reader cannot take are refused with their number, not skipped
// (a skipped header would hand its keys to the section before it).
TEST_F(MachineFile, EveryRefusedLineIsNamed) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"[System]\nVersion=6.1\n[Spooler\nPorts=USB009\n",
       "line 3: the section header [Spooler has no closing ']'"},
      {"; a comment\n[System]\nWow64 1\n", "line 3: 'Wow64 1' is no KEY=VALUE line"},
      {"[System] Version=6.1\n", "line 1: text after the section header: [System] Version=6.1"},
      {"[ ]\n", "line 1: a section header without a name"},
      {"[System]\n=1\n", "line 2: a value without a key name: =1"},
      {"Version=6.1\n[System]\n",
       "line 1: Version= stands before any [Section] header (or under a broken one)"},
      {"[System]\nWow64=1\n\nwow64=0\n", "line 4: [System] wow64 is set twice (first on line 2)"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Load(c.text)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
    EXPECT_FALSE(machine.wow64) << c.text;
    EXPECT_EQ(machine.version.major, 5u) << c.text;
  }
  // A comment after a header, and blanks and CR LF, are no faults.
  ASSERT_TRUE(Load("[System] ; the machine\r\n  Version = 6.1 \r\n")) << error;
  EXPECT_EQ(machine.version.major, 6u);
}

// Errors found when the sections are applied, by this reader or by the
// simulation's own section loaders, name the line of their key, or of their
// section's header when the key is missing.
TEST_F(MachineFile, ValueErrorsNameTheLineOfTheirKey) {
  const struct {
    const char* text;
    const char* line;
  } cases[] = {
      {"[System]\nVersion=6.1\nlangid=x\n", "line 3: [System] LangID"},
      {"[Spooler]\nPorts=LPT1:\n[Printer.1]\nName=A\nDriver=B\nPort=USB009\n",
       "line 6: [Printer.1]: Port USB009"},
      {"[Printer.1]\nName=A\nPort=LPT1:\n", "line 1: [Printer.1]: Driver is missing"},
      {"[Spooler]\nPorts=LPT1:\nDefault=Nobody\n", "line 3: [Spooler]: Default names no"},
      {"[Device.1]\nHardwareId=A\n", "line 1: [Device.1] needs a DeviceId"},
      {"[HandOff64]\n\nDelay=soon\n", "line 3: [HandOff64]: Delay"},
      {"[Faults]\nOpenPrinter=1,5\nNoSuchCall=always,5\n",
       "line 3: [Faults] no call is named 'NoSuchCall'"},
      {"[System]\n[Colours]\nRed=1\n", "line 2: [Colours] is no section"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Load(c.text)) << c.text;
    EXPECT_EQ(error.rfind(c.line, 0), 0u) << c.text << "\n" << error;
  }
}

// The stand-ins' state file names the installed driver under
// [HelperLibrary]; the machine file takes it there as under [HandOff64],
// but not two different names.
TEST_F(MachineFile, InstalledDriverInEitherSection) {
  ASSERT_TRUE(Load("[HelperLibrary]\nInstallsDriver=Velmar VP-210\n")) << error;
  EXPECT_EQ(machine.devices.installsDriver, "Velmar VP-210");
  ASSERT_TRUE(Load("[HelperLibrary]\nInstallsDriver=A\n[HandOff64]\nInstallsDriver=A\n")) << error;
  EXPECT_EQ(machine.devices.installsDriver, "A");
  EXPECT_FALSE(Load("[HelperLibrary]\nInstallsDriver=B\n[HandOff64]\nInstallsDriver=C\n"));
  EXPECT_EQ(
      error.rfind(
          "line 4: [HandOff64] InstallsDriver=C differs from [HelperLibrary] InstallsDriver=B", 0),
      0u)
      << error;
  EXPECT_EQ(machine.devices.installsDriver, "A");
}

}  // namespace
