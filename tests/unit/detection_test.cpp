#include "services/detection.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/programs.h"
#include "sim_fixture.h"

namespace {

const char kLib[] = "C:\\Medium\\i386\\drvkit.dll";
const char kInf[] = "C:\\Medium\\VP210.inf";

class Detection : public SimTest {
 protected:
  Detection() {
    plat::files().CreateDirectory("C:\\Medium\\i386");
    Write(kLib, "MZ");
    Write(kInf,
          "[Velmar]\r\n\"Velmar VP-210\" = VP210, LPTENUM\\VelmarVP-2108E5C, "
          "USBPRINT\\VelmarVP-210\r\n");
  }

  std::vector<std::string> LibraryCalls() const {
    std::vector<std::string> out;
    for (const auto& e : machine.transcript)
      if (e.kind == "library") out.push_back(e.text);
    return out;
  }
};

TEST_F(Detection, FindLoadsTheLibraryForTheCallAndCopiesItsAnswer) {
  AttachDevice("USBPRINT\\VelmarVP-210", "USBPRINT\\VELMARVP-210\\7&1A2B&0&USB001",
               "Virtual printer port for USB001");
  std::string dev = "old", info = "old";
  EXPECT_TRUE(services::FindExistDevice(kLib, "VelmarVP-210", dev, false, info));
  EXPECT_EQ(dev, "USBPRINT\\VELMARVP-210\\7&1A2B&0&USB001");
  EXPECT_EQ(info, "Virtual printer port for USB001");
  EXPECT_EQ(machine.handles.Count("library"), 0) << "released at the end of the call";
  EXPECT_EQ(LibraryCalls(),
            (std::vector<std::string>{"LoadLibrary(C:\\Medium\\i386\\drvkit.dll)",
                                      "FuncFindExistDevice(VelmarVP-210)",
                                      "FreeLibrary(C:\\Medium\\i386\\drvkit.dll)"}));
  EXPECT_EQ(machine.now, 0u) << "no pause without a rescan";

  EXPECT_FALSE(services::FindExistDevice(kLib, "OtherModel", dev, false, info));
  EXPECT_EQ(dev, "");
  EXPECT_EQ(info, "");
}

TEST_F(Detection, RefreshMakesALateDeviceVisibleAndPauses) {
  AttachDevice("VelmarVP-210", "USBPRINT\\VELMARVP-210\\1", "USB002").afterRefresh = true;
  std::string dev, info;
  EXPECT_FALSE(services::FindExistDevice(kLib, "VelmarVP-210", dev, false, info));
  EXPECT_TRUE(services::FindExistDevice(kLib, "VelmarVP-210", dev, true, info));
  EXPECT_EQ(machine.now, 200u);
  auto calls = LibraryCalls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[calls.size() - 3], "RefreshHW()");
  EXPECT_EQ(calls[calls.size() - 2], "FuncFindExistDevice(VelmarVP-210)");

  // Without RefreshHW the rescan and its pause are skipped; the search still runs.
  machine.devices.devices[0].afterRefresh = true;
  machine.devices.missingExports = {"RefreshHW"};
  EXPECT_FALSE(services::FindExistDevice(kLib, "VelmarVP-210", dev, true, info));
  EXPECT_EQ(machine.now, 200u);
}

TEST_F(Detection, MissingLibraryOrSearchFindsNothing) {
  AttachDevice("VelmarVP-210", "USBPRINT\\X", "USB001");
  std::string dev = "x", info = "y";
  EXPECT_FALSE(
      services::FindExistDevice("C:\\Medium\\i386\\absent.dll", "VelmarVP-210", dev, true, info));
  EXPECT_EQ(dev, "");
  EXPECT_EQ(info, "");
  EXPECT_EQ(machine.lastError, 126u);

  machine.devices.present32 = false;
  EXPECT_FALSE(services::FindExistDevice(kLib, "VelmarVP-210", dev, false, info));

  machine.devices.present32 = true;
  machine.devices.missingExports = {"FuncFindExistDevice"};
  machine.devices.devices[0].afterRefresh = true;
  EXPECT_FALSE(services::FindExistDevice(kLib, "VelmarVP-210", dev, true, info));
  EXPECT_FALSE(machine.devices.devices[0].afterRefresh) << "the rescan still runs";
  EXPECT_EQ(machine.handles.Count("library"), 0);
}

TEST_F(Detection, OnlyTheLowestByteOfTheAnswerCounts) {
  machine.devices.answerHighBits = 0xABCDEF00;
  std::string dev, info;
  EXPECT_FALSE(services::FindExistDevice(kLib, "VelmarVP-210", dev, false, info));
  AttachDevice("VelmarVP-210", "USBPRINT\\X", "USB001");
  EXPECT_TRUE(services::FindExistDevice(kLib, "VelmarVP-210", dev, false, info));
}

// A library that fills both buffers to the last byte, with no terminating zero.
class FullBufferLibraries : public plat::Libraries {
 public:
  class Lib : public plat::Library {
   public:
    bool HasExport(const std::string& name) override { return name == "FuncFindExistDevice"; }
    uint32_t FuncFindExistDevice(const std::string&, char* d, char* p) override {
      memset(d, 'D', plat::kHelperTextSize);
      memset(p, 'P', plat::kHelperTextSize);
      return 1;
    }
    void RefreshHW() override {}
    int32_t FuncDrvKit(const std::string&, const std::string&, const std::string&,
                       uintptr_t) override {
      return 0;
    }
    uint32_t LastInstallErrorCode() override { return 0; }
    void ShowErrorCode(int32_t) override {}
    int32_t DllRegisterServer() override { return 0; }
  };
  std::unique_ptr<plat::Library> Load(const std::string&) override {
    return std::make_unique<Lib>();
  }
};

TEST_F(Detection, UnterminatedAnswerEndsWithTheBuffer) {
  FullBufferLibraries full;
  plat::Backend b = machine.AsBackend();
  b.libraries = &full;
  plat::SetBackend(b);
  std::string dev, info;
  EXPECT_TRUE(services::FindExistDevice(kLib, "X", dev, false, info));
  EXPECT_EQ(dev, std::string(260, 'D'));
  EXPECT_EQ(info, std::string(260, 'P'));
}

TEST_F(Detection, LongDeviceTextsAreCutToTheBuffer) {
  AttachDevice("VelmarVP-210", "USBPRINT\\" + std::string(400, 'I'),
               std::string(300, 'Q') + "USB004");
  std::string dev, info;
  EXPECT_TRUE(services::FindExistDevice(kLib, "VelmarVP-210", dev, false, info));
  EXPECT_EQ(dev.size(), 259u);
  EXPECT_EQ(info, std::string(259, 'Q'));
}

TEST_F(Detection, PortFollowsTheEnumeratorOfTheDeviceFound) {
  std::string port = "keep";
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::None);
  EXPECT_EQ(port, "") << "nothing found clears the port";

  auto& usb = AttachDevice("VelmarVP-2108E5C", "USBPRINT\\VELMARVP-210\\7&1A&0&USB001",
                           "Virtual printer port USB003");
  port = "keep";
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByHardwareId);
  EXPECT_EQ(port, "USB003");

  usb.portInfo = "USB1";
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByHardwareId);
  EXPECT_EQ(port, "USB1") << "shorter than six characters: all of it";

  usb.deviceId = "LPTENUM\\VELMARVP-2108E5C\\1&7D&0&LPT1.4";
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByHardwareId);
  EXPECT_EQ(port, "LPT1:");

  // A serial printer: the COM port its information names last, as the spooler names it.
  usb.deviceId = "SERENUM\\VELMARVP-2108E5C\\4&2E7D&0&0000";
  usb.portInfo = "Communications Port (COM12)";
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByHardwareId);
  EXPECT_EQ(port, "COM12:");
  usb.portInfo = "com1 then COM3";
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByHardwareId);
  EXPECT_EQ(port, "COM3:");
  for (const char* noPort : {"", "Communications Port", "COM0", "COM07", "COM257", "COMX1"}) {
    usb.portInfo = noPort;
    port = "LPT2:";
    EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByHardwareId);
    EXPECT_EQ(port, "LPT2:") << "no COM port named in '" << noPort << "': the caller's port stays";
  }

  usb.deviceId = "ROOT\\PRINTER\\0000";
  port = "COM1:";
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByHardwareId);
  EXPECT_EQ(port, "COM1:") << "neither marker keeps the caller's port";

  usb.deviceId = "usbprint\\lower\\USB009";
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByHardwareId);
  EXPECT_EQ(port, "COM1:") << "the markers are case-sensitive";
}

TEST_F(Detection, CompatibleTailIsTriedSecondWithASecondLoad) {
  AttachDevice("USBPRINT\\VelmarVP-210", "USBPRINT\\VELMARVP-210\\7&1A&0&USB002", "USB002");
  std::string port;
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByCompatibleId);
  EXPECT_EQ(port, "USB002");
  auto calls = LibraryCalls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "LoadLibrary(C:\\Medium\\i386\\drvkit.dll)"), 2);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "FuncFindExistDevice(VelmarVP-2108E5C)"), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "FuncFindExistDevice(VelmarVP-210)"), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "RefreshHW()"), 0);
}

class Devcon : public Detection {
 protected:
  Devcon() { Write("C:\\Medium\\i386\\devcon.exe", "MZ"); }
  // The rescan with the medium's devcon, then the status listing.
  services::DevconStatus Rescan() { return services::DevconRescanAndCheck(".\\i386\\devcon.exe"); }
  std::vector<std::string> Commands() const {
    std::vector<std::string> out;
    for (const auto& e : machine.transcript)
      if (e.kind == "command" && e.text.rfind("cmd ", 0) == 0) out.push_back(e.text);
    return out;
  }
};

TEST_F(Devcon, StatusNeedsDevconInTheCurrentFolderOrOnThePath) {
  EXPECT_EQ(Rescan(), services::DevconStatus::NoListing)
      << "the rescan ran, but the bare devcon.exe is not found";
  EXPECT_EQ(Commands(),
            (std::vector<std::string>{"cmd /C \"\"C:\\Medium\\i386\\devcon.exe\" rescan\"",
                                      "cmd /C devcon.exe status *LPTENUM\\*"}));
  // The rescan's answer, then the line that says no printer is online.
  auto debug = machine.DebugLines();
  ASSERT_EQ(debug.size(), 3u);
  EXPECT_EQ(debug[1].back(), '1');
  EXPECT_EQ(debug[2].rfind("<> Installer DC", 0), 0u);
  EXPECT_NE(debug[2].find("Pellacor"), std::string::npos);

  Write("C:\\WINDOWS\\system32\\devcon.exe", "MZ");
  EXPECT_EQ(Rescan(), services::DevconStatus::NoParallelPrinter) << "found on the search path";
}

TEST_F(Devcon, ListingMarkersGiveTheResult) {
  Write("C:\\Medium\\devcon.exe", "MZ");
  EXPECT_EQ(Rescan(), services::DevconStatus::NoParallelPrinter);
  const std::string rescanLine = machine.DebugLines().back();
  EXPECT_EQ(rescanLine.back(), '1') << "no marker: nothing logged after the rescan's answer";

  auto& lpt = AttachDevice("VelmarVP-2108E5C", "LPTENUM\\VELMARVP-2108E5C\\1&7D2B&0&LPT1.4", "");
  lpt.name = "Velmar VP-210";
  lpt.afterRefresh = true;
  EXPECT_EQ(Rescan(), services::DevconStatus::OnLpt1) << "the rescan brings it up";
  const std::string onPortLine = machine.DebugLines().back();
  EXPECT_EQ(onPortLine.rfind("<> Installer DC", 0), 0u);
  EXPECT_EQ(onPortLine.find("Pellacor"), std::string::npos) << "a printer of another brand";

  lpt.name = "Pellacor VP-210";
  EXPECT_EQ(Rescan(), services::DevconStatus::BrandOnLpt1);
  const std::string brandLine = machine.DebugLines().back();
  EXPECT_EQ(brandLine.rfind("<> Installer DC", 0), 0u);
  EXPECT_NE(brandLine.find("Pellacor"), std::string::npos);
  EXPECT_NE(brandLine, onPortLine);

  lpt.name = "PELLACOR VP-210";
  EXPECT_EQ(Rescan(), services::DevconStatus::OnLpt1) << "the brand word is case-sensitive";

  lpt.deviceId = "LPTENUM\\VELMARVP-2108E5C\\1&7D2B&0&LPT2.4";
  EXPECT_EQ(Rescan(), services::DevconStatus::NoParallelPrinter) << "a printer on LPT2 only";

  machine.devices.devconFails = true;
  EXPECT_EQ(Rescan(), services::DevconStatus::NoListing);
  const std::string notOnline = machine.DebugLines().back();
  EXPECT_EQ(notOnline.rfind("<> Installer DC", 0), 0u);
  EXPECT_NE(notOnline.find("Pellacor"), std::string::npos);
  EXPECT_NE(notOnline, brandLine);
  EXPECT_NE(notOnline, onPortLine);
}

// A medium unpacked into a folder with a blank and a Chinese name (GBK): the
// rescan still reaches the medium's devcon, and cmd comes from the system folder.
TEST_F(Devcon, RescanReachesTheMediumInAFolderWithABlank) {
  const std::string medium = "C:\\\xb0\xb2\xd7\xb0 Medium";
  plat::files().CreateDirectory(medium);
  plat::files().CreateDirectory(medium + "\\i386");
  Write(medium + "\\i386\\devcon.exe", "MZ");
  machine.currentDirectory = medium;
  Rescan();
  auto debug = machine.DebugLines();
  ASSERT_GE(debug.size(), 2u);
  EXPECT_EQ(debug[1].back(), '1') << "the rescan wrote nothing: devcon did not run";
  ASSERT_FALSE(machine.started.empty());
  EXPECT_EQ(machine.started[0], "cmd /C \"\"" + medium + "\\i386\\devcon.exe\" rescan\"")
      << "cmd by its full path in the system folder shows as typed";
  // Without the system folder nothing starts: a bare cmd would be looked
  // for beside the program first.
  machine.faults.Set("GetSystemDirectory", 0, 5);
  const size_t ran = Commands().size();
  EXPECT_EQ(Rescan(), services::DevconStatus::NoListing);
  EXPECT_EQ(Commands().size(), ran);
}

}  // namespace
