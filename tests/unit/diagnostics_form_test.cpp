// The diagnostics form on the simulated machine: each button's service and
// what it shows, and when the main window opens the form.
#include <memory>

#include "program_fixture.h"

namespace {

using ui::headless::Step;

class DiagnosticsForm : public ProgramTest {
 protected:
  DiagnosticsForm() { h.machine = &machine; }
  void Start() {
    Write("C:\\Medium\\install.ini",
          "[A]\r\nInstallSettingFile2K=a.inf\r\n[B]\r\nInstallSettingFile2K=b.inf\r\n"
          "[C]\r\nInstallSettingFile2K=c.inf\r\n");
    Write("C:\\Medium\\a.inf",
          "[Strings]\r\nProviderName=V\r\n[V]\r\n\"Velmar VP-210\" = VP210, "
          "LPTENUM\\VelmarVP-2108E5C, USBPRINT\\VelmarVP-210\r\n");
    p = app::StartProgram();
  }
  diag::TFormTest& form() { return *p->formTest; }
  std::vector<std::string> Boxes() const {
    std::vector<std::string> out;
    for (const auto& b : h.MessageBoxes()) out.push_back(b.text);
    return out;
  }
};

TEST_F(DiagnosticsForm, OpensFromThePrinterPanelOnlyInDebugMode) {
  Start();
  EXPECT_FALSE(form().Showing());
  p->mainForm->PnlPrinters->OnDblClick();
  EXPECT_FALSE(form().Showing());

  p->mainForm->DebugMode = true;
  h.Script(Step::Press("TFormTest", "btnClose").At(100));
  p->mainForm->PnlPrinters->OnDblClick();
  EXPECT_EQ(plat::sys().TickCount(), 100u) << "modal until closed";
  EXPECT_FALSE(form().Showing());
}

TEST_F(DiagnosticsForm, ModelButtonsShowWhatTheServicesRead) {
  Start();
  form().btn1->Click();
  form().BtnReadIni->Click();
  EXPECT_EQ(form().RedtResults->Lines(),
            (std::vector<std::string>{"RedtResults", "HWID=VelmarVP-2108E5C",
                                      "PrinterName=Velmar VP-210", "a.inf", "b.inf", "c.inf"}));

  // Without install.ini: nothing to read, nothing appended, no error.
  plat::files().DeleteFile("C:\\Medium\\install.ini");
  form().btn1->Click();
  form().BtnReadIni->Click();
  form().BtnInstallPrinter->Click();
  EXPECT_EQ(form().RedtResults->Lines().size(), 6u);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(DiagnosticsForm, CommandOutputReplacesTheResults) {
  Start();
  // The initial command asks for a service that does not exist.
  form().btnRun->Click();
  ASSERT_EQ(Boxes().size(), 1u);
  const std::string text = form().RedtResults->Caption();
  const size_t at = text.find("FAILED 1060");
  ASSERT_NE(at, std::string::npos) << text;
  EXPECT_EQ(Boxes()[0], std::to_string(at + 1)) << "the 1-based position of the report";
  EXPECT_EQ(form().RedtResults->Lines().front().rfind("RedtResults", 0), std::string::npos);
  EXPECT_EQ(h.ScreenCursor(), "Default");

  // Nothing to run, or a command line beyond the 254 characters it takes.
  for (const std::string& command : {std::string(), "cmd /c echo " + std::string(250, 'x')}) {
    form().mmo1->SetCaption(command);
    form().btnRun->Click();
    EXPECT_EQ(Boxes().back(), "can not create process");
    EXPECT_TRUE(form().RedtResults->Lines().empty() ||
                form().RedtResults->Lines() == std::vector<std::string>{""});
  }
  EXPECT_EQ(Boxes().size(), 3u);
}

}  // namespace
