// The in-process installation against the helper library stand-in under
// Wine: its state file sets FuncDrvKit's answer and the driver it installs,
// and the queue set-up then runs on the real spooler. The stand-in's state
// file exists only beside the Windows build; on the simulated machine the
// same road is covered by the unit tests of the queue set-up.
#include <gtest/gtest.h>

#include "check.h"
#include "i18n/catalogue.h"
#include "platform/platform.h"
#include "services/driver_install.h"
#include "services/printer_query.h"
#include "services/printer_setup.h"
#include "setting.h"
#include "wine_departures.h"

namespace {

const std::string kLib = std::string("QueueHelper\\") + setting::HelperLibrary();
const char kState[] = "QueueHelper\\drvkit-state.ini";
const char kInf[] = "QueueHelper\\VP.inf";
const char kDriver[] = "Contract Helper PS";

class HelperInstallContract : public contract::ContractTest {
 protected:
  void SetUp() override {
    if (!wine::Active()) GTEST_SKIP() << "needs the helper library stand-in's state file";
    i18n::FillCatalogueFor(0x0409);
    MakeFolder("QueueHelper");
    ASSERT_TRUE(plat::files().CopyFile(setting::HelperLibrary(), kLib, false))
        << setting::HelperLibrary() << " is not beside the test";
    ASSERT_TRUE(plat::files().WriteFile(kInf,
                                        "[Velmar]\r\n\"Velmar VP-210\" = VP210, "
                                        "LPTENUM\\VelmarVP-2108E5C, USBPRINT\\VelmarVP-210\r\n"));
  }
  void TearDown() override {
    plat::PrinterDefaults d;
    d.desiredAccess = plat::kPrinterAllAccess;
    if (auto h = plat::spooler().OpenPrinter("Contract Helper Queue", &d))
      plat::spooler().DeletePrinter(*h);
    plat::files().DeleteFile(kState);
    ContractTest::TearDown();
  }
  void State(const std::string& text) { ASSERT_TRUE(plat::files().WriteFile(kState, text)); }
};

TEST_F(HelperInstallContract, AnswersOfOneOrLessAreSuccess) {
  struct Row {
    const char* answer;
    bool ok;
  } rows[] = {{"0", true}, {"1", true}, {"2", false}, {"0xFFFFFFFF", true}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.answer);
    State(std::string("[HelperLibrary]\r\nInstallResult=") + r.answer +
          "\r\nLastErrorCode=0xE0000203\r\n");
    std::string port;
    int32_t code = 0;
    EXPECT_EQ(services::InstallDriverByDll(7, code, kInf, true, port, kLib, "LPTOFFLINE\\"), r.ok);
    EXPECT_EQ(port, "LPT1:") << "no printer attached";
    EXPECT_EQ(static_cast<uint32_t>(code), 0xE0000203u);
  }
}

TEST_F(HelperInstallContract, OfflineWithAUsbPrinterAndTheQueueSetUpAfterwards) {
  State(std::string("[HelperLibrary]\r\nInstallResult=0\r\nInstallsDriver=") + kDriver +
        "\r\n[Device.1]\r\nHardwareId=VelmarVP-2108E5C\r\nDeviceId=USBPRINT\\VELMARVP-210\\7&1&0&"
        "USB001\r\n"
        "PortInfo=Virtual printer port USB001\r\n");
  std::string port;
  int32_t code = 0;
  ASSERT_TRUE(services::InstallDriverByDll(7, code, kInf, false, port, kLib, "LPTOFFLINE\\"));
  EXPECT_EQ(port, "LPT1:");
  std::string calls = plat::files().ReadFile("QueueHelper\\drvkit-calls.log").value_or("");
  EXPECT_NE(calls.find("FuncDrvKit(QueueHelper\\VP.inf, LPTOFFLINE\\VelmarVP-2108E5C, LPT1:, 7)"),
            std::string::npos)
      << calls;
  ASSERT_TRUE(services::AddPrinterQueue(kDriver, "Contract Helper Queue")) << contract::LastError();
  EXPECT_TRUE(
      services::ChangePrinterProperties({"Contract Helper Queue", "", "", port, true, "WinPrint"}));
  std::string def;
  ASSERT_TRUE(services::GetDefaultPrinterName(def));
  EXPECT_EQ(def, "Contract Helper Queue");
}

}  // namespace
