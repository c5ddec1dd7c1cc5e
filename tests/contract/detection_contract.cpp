// Printer detection through a real helper library: under Wine the helper
// library stand-ins of standins/ in the current folder, driven by their state file;
// here the simulated library over the machine's devices. Both must answer
// alike, and both record the same calls.
#include <gtest/gtest.h>

#include "check.h"
#include "platform/common/text.h"
#include "platform/platform.h"
#include "services/detection.h"
#include "setting.h"
#ifndef _WIN32
#include "platform/sim/machine.h"
#endif

namespace {

const std::string kLib = std::string(".\\") + setting::HelperLibrary();
const std::string kLibWithoutFind = std::string(".\\") + setting::HelperLibraryWithoutFind();
const char kInf[] = "detect_contract.inf";
const char kStateFile[] = "drvkit-state.ini";
const char kCallLog[] = "drvkit-calls.log";

struct Device {
  std::string hardwareId, deviceId, portInfo, name;
  bool afterRefresh = false;
};

class DetectionContract : public contract::ContractTest {
 protected:
  void SetUp() override {
    plat::files().DeleteFile(kCallLog);
    ASSERT_TRUE(plat::files().WriteFile(kInf,
                                        "[Velmar]\r\n\"Velmar VP-210\" = VP210, "
                                        "LPTENUM\\VelmarVP-2108E5C, USBPRINT\\VelmarVP-210\r\n"));
#ifndef _WIN32
    auto& m = plat::sim::DefaultMachine();
    m.devices = {};
    m.transcript.clear();
    // The simulated library loads any file that is there.
    ASSERT_TRUE(plat::files().WriteFile(kLib, "MZ"));
    ASSERT_TRUE(plat::files().WriteFile(kLibWithoutFind, "MZ"));
#endif
    SetDevices({});
  }
  void TearDown() override {
    plat::files().DeleteFile(kInf);
    plat::files().DeleteFile(kStateFile);
    plat::files().DeleteFile(kCallLog);
    ContractTest::TearDown();
  }

  void SetDevices(const std::vector<Device>& devices, uint32_t answerHighBits = 0) {
#ifdef _WIN32
    std::string ini =
        "[HelperLibrary]\r\nAnswerHighBits=" + std::to_string(answerHighBits) + "\r\n";
    int n = 0;
    for (const Device& d : devices) {
      ini += "[Device." + std::to_string(++n) + "]\r\nHardwareId=" + d.hardwareId +
             "\r\nDeviceId=" + d.deviceId + "\r\nPortInfo=" + d.portInfo + "\r\nName=" + d.name +
             "\r\nAfterRefresh=" + (d.afterRefresh ? "1" : "0") + "\r\n";
    }
    ASSERT_TRUE(plat::files().WriteFile(kStateFile, ini));
#else
    auto& state = plat::sim::DefaultMachine().devices;
    state.devices.clear();
    for (const Device& d : devices) {
      plat::sim::SimDevice s;
      s.hardwareId = d.hardwareId;
      s.deviceId = d.deviceId;
      s.portInfo = d.portInfo;
      s.name = d.name;
      s.afterRefresh = d.afterRefresh;
      state.devices.push_back(s);
    }
    state.answerHighBits = answerHighBits;
#endif
  }

  void WithoutFindExport() {
#ifndef _WIN32
    plat::sim::DefaultMachine().devices.missingExports = {"FuncFindExistDevice"};
#endif
  }

  // The library's calls in order, without the loads and releases.
  std::vector<std::string> Calls() {
    std::vector<std::string> out;
#ifdef _WIN32
    if (auto log = plat::files().ReadFile(kCallLog))
      for (const auto& line : plat::text::SplitLines(*log))
        if (!line.empty()) out.push_back(line);
#else
    for (const auto& e : plat::sim::DefaultMachine().transcript)
      if (e.kind == "library" && e.text.rfind("LoadLibrary(", 0) != 0 &&
          e.text.rfind("FreeLibrary(", 0) != 0)
        out.push_back(e.text);
#endif
    return out;
  }
};

TEST_F(DetectionContract, UsbPrinterFoundByItsHardwareId) {
  SetDevices({{"LPTENUM\\VelmarVP-2108E5C", "USBPRINT\\VELMARVP-210\\7&1A2B&0&USB001",
               "Virtual printer port for USB001", "Velmar VP-210"}});
  std::string port = "before";
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByHardwareId);
  EXPECT_EQ(port, "USB001");
  EXPECT_EQ(Calls(), std::vector<std::string>{"FuncFindExistDevice(VelmarVP-2108E5C)"});
}

TEST_F(DetectionContract, PrinterFoundOnlyByTheCompatibleTail) {
  SetDevices({{"USBPRINT\\VelmarVP-210", "USBPRINT\\VELMARVP-210\\7&1A2B&0&USB002", "USB002", ""}});
  std::string port;
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByCompatibleId);
  EXPECT_EQ(port, "USB002");
  EXPECT_EQ(Calls(), (std::vector<std::string>{"FuncFindExistDevice(VelmarVP-2108E5C)",
                                               "FuncFindExistDevice(VelmarVP-210)"}));
}

TEST_F(DetectionContract, PortFromTheDeviceIdMarkers) {
  SetDevices({{"VelmarVP-2108E5C", "LPTENUM\\VELMARVP-2108E5C\\1&7D2B&0&LPT1.4", "", ""}});
  std::string port = "COM1:";
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByHardwareId);
  EXPECT_EQ(port, "LPT1:");

  SetDevices({{"VelmarVP-2108E5C", "ROOT\\PRINTER\\0000", "Virtual printer port for USB005", ""}});
  port = "COM1:";
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByHardwareId);
  EXPECT_EQ(port, "COM1:") << "neither marker keeps the caller's port";

  SetDevices({{"VelmarVP-2108E5C", "USBPRINT\\VELMARVP-210\\1", "USB7", ""}});
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByHardwareId);
  EXPECT_EQ(port, "USB7") << "port information shorter than six characters is taken whole";
}

TEST_F(DetectionContract, NothingFoundClearsThePort) {
  SetDevices({{"OtherModel", "USBPRINT\\OTHER\\1", "USB001", ""}}, 0x7F7F7F00u);
  std::string port = "USB009";
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::None)
      << "bits above the lowest byte are no answer";
  EXPECT_EQ(port, "");
}

TEST_F(DetectionContract, MissingLibraryFindsNothing) {
  std::string dev = "x", info = "y";
  EXPECT_FALSE(
      services::FindExistDevice(".\\absent_drvkit64.dll", "VelmarVP-2108E5C", dev, true, info));
  EXPECT_EQ(dev, "");
  EXPECT_EQ(info, "");
  std::string port = "USB001";
  EXPECT_EQ(services::DetectPrinterPort(kInf, ".\\absent_drvkit64.dll", port),
            services::PortFound::None);
  EXPECT_EQ(port, "");
}

TEST_F(DetectionContract, LibraryWithoutTheSearchFindsNothingButStillRescans) {
  SetDevices({{"VelmarVP-2108E5C", "USBPRINT\\VELMARVP-210\\1", "USB001", ""}});
  WithoutFindExport();
  std::string dev = "x", info = "y";
  EXPECT_FALSE(services::FindExistDevice(kLibWithoutFind, "VelmarVP-2108E5C", dev, true, info));
  EXPECT_EQ(dev, "");
  EXPECT_EQ(info, "");
  EXPECT_EQ(Calls(), std::vector<std::string>{"RefreshHW()"});
}

TEST_F(DetectionContract, DeviceThatAppearsOnlyAfterARescan) {
  SetDevices({{"VelmarVP-2108E5C", "USBPRINT\\VELMARVP-210\\7&1A2B&0&USB003", "USB003", "", true}});
  std::string dev, info;
  EXPECT_FALSE(services::FindExistDevice(kLib, "VelmarVP-2108E5C", dev, false, info));
  uint64_t start = plat::sys().TickCount();
  EXPECT_TRUE(services::FindExistDevice(kLib, "VelmarVP-2108E5C", dev, true, info));
  EXPECT_GE(plat::sys().TickCount() - start, 190u) << "the pause after the rescan";
  EXPECT_EQ(dev, "USBPRINT\\VELMARVP-210\\7&1A2B&0&USB003");
  EXPECT_EQ(info, "USB003");
  EXPECT_EQ(Calls(),
            (std::vector<std::string>{"FuncFindExistDevice(VelmarVP-2108E5C)", "RefreshHW()",
                                      "FuncFindExistDevice(VelmarVP-2108E5C)"}));
  std::string port;
  EXPECT_EQ(services::DetectPrinterPort(kInf, kLib, port), services::PortFound::ByHardwareId)
      << "and stays there for later loads";
}

TEST_F(DetectionContract, AnswersLongerThanTheBufferAreCut) {
  SetDevices(
      {{"VelmarVP-2108E5C", "USBPRINT\\" + std::string(300, 'D'), std::string(400, 'P'), ""}});
  std::string dev, info;
  EXPECT_TRUE(services::FindExistDevice(kLib, "VelmarVP-2108E5C", dev, false, info));
  EXPECT_EQ(dev.size(), 259u);
  EXPECT_EQ(info, std::string(259, 'P'));
}

}  // namespace
