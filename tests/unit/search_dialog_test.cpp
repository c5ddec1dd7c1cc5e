// The search dialog and the connection prompt on the headless UI, driven in
// virtual time: every state, transition and timing a user can meet.
#include <algorithm>
#include <memory>

#include "app/online_search.h"
#include "app/program.h"
#include "i18n/catalogue.h"
#include "program_fixture.h"
#include "ui/headless/headless.h"

namespace {

using ui::ModalResult;
using ui::headless::Step;

class SearchDialog : public ProgramTest {
 protected:
  // Model 0 searches without a prompt, model 1 with one; neither asks
  // before installing.
  void Start() {
    Write("C:\\Medium\\install.ini",
          "[A]\nInstallSettingFile2K=a.inf\nForceOnlineCheck=1\nQuiteMode=1\n"
          "[B]\nInstallSettingFile2K=a.inf\nForceOnlineCheck=1\nPromptCheck=1\nQuiteMode=1\n");
    plat::files().CreateDirectory("C:\\Medium\\i386");
    Write("C:\\Medium\\i386\\drvkit.dll", "MZ");
    Write("C:\\Medium\\a.inf", "[Strings]\nProviderName=Velmar\n[Velmar]\n\"Velmar VP-210\"=x\n");
    p = app::StartProgram();
    p->mainForm->Show();
    dlg().detectConnectedPort = [this](std::string& port) {
      calls.push_back(plat::sys().TickCount());
      size_t i = calls.size() - 1;
      port = i < ports.size() ? ports[i] : (ports.empty() ? "" : ports.back());
      return port.empty() ? services::PortFound::None : services::PortFound::ByHardwareId;
    };
  }
  search::TFormSearching& dlg() { return *p->formSearching; }
  ModalResult Run() { return app::ShowSearchDialog(*p->mainForm, dlg()); }
  uint64_t Now() { return plat::sys().TickCount(); }
  std::vector<std::string> Captions(const std::string& control) {
    std::vector<std::string> out;
    std::string key = " caption TFormSearching." + control + " = ";
    for (const std::string& l : h.Transcript())
      if (auto at = l.find(key); at != std::string::npos) out.push_back(l.substr(at + key.size()));
    return out;
  }

  std::vector<std::string> ports;  // what each detection reports; the last one repeats
  std::vector<uint64_t> calls;     // virtual time of each detection
};

TEST_F(SearchDialog, CreatedAfterTheMainWindowAndIdle) {
  Start();
  const auto& forms = ui::app().Forms();
  ASSERT_EQ(forms.size(), 4u);
  EXPECT_EQ(forms[0]->Name(), "TMainForm");
  EXPECT_EQ(forms[1]->Name(), "TFormSearching");
  EXPECT_EQ(forms[2]->Name(), "TFormPromptCheck");
  EXPECT_EQ(forms[3]->Name(), "TFormTest");
  EXPECT_EQ(dlg().Caption(), "Search");
  EXPECT_EQ(dlg().ClientWidth(), 367);
  EXPECT_EQ(dlg().ClientHeight(), 230);
  EXPECT_FALSE(dlg().systemMenu);
  EXPECT_EQ(dlg().lblSearch->Caption(), "Searching Online Printer ... ");
  EXPECT_EQ(dlg().btnCancelSearch->Caption(), "Cancel Search");
  EXPECT_EQ(dlg().btnReSearch->Caption(), "ReSearch");
  EXPECT_FALSE(dlg().btnCancelSearch->Enabled());
  EXPECT_FALSE(dlg().btnReSearch->Enabled());
  EXPECT_FALSE(dlg().lblNotFound->Visible());
  EXPECT_FALSE(dlg().tmrSteps->Enabled());
  EXPECT_FALSE(dlg().tmrClickOK->Enabled());
  EXPECT_FALSE(dlg().Showing());
  EXPECT_FALSE(p->formPromptCheck->Showing());
}

TEST_F(SearchDialog, OnlyTheTenthDetectionCounts) {
  Start();
  ports = {"USB001", "USB001", "USB001", "USB001", "USB001",
           "USB001", "USB001", "USB001", "USB001", ""};
  EXPECT_EQ(Run(), ModalResult::None) << "Not found waits for the user; nothing else can happen";
  ASSERT_EQ(calls.size(), 10u);
  for (size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i], 1000 * (i + 1)) << i;
  EXPECT_FALSE(dlg().Found);
  EXPECT_EQ(dlg().pbSteps->Position(), 100);
  EXPECT_EQ(dlg().lblSearch->Caption(), "Searching End!");
  EXPECT_EQ(dlg().lblNotFound->Caption(), i18n::StrPortNotFound());
  EXPECT_EQ(dlg().lblNotFound->GetFont().color, ui::kRed);
  EXPECT_EQ(dlg().btnCancelSearch->GetButtonKind(), ui::ButtonKind::Yes);
  EXPECT_EQ(dlg().btnCancelSearch->Caption(), "Continue Setup");
  EXPECT_TRUE(dlg().btnReSearch->Enabled());
  EXPECT_TRUE(dlg().btnCancelSearch->Focused());
  EXPECT_FALSE(dlg().tmrClickOK->Enabled());
  EXPECT_FALSE(p->mainForm->Showing()) << "hidden while the dialog is up";
}

// The install sequence shows the dialog for a model that demands the
// online check; the installation then goes on (offline when cancelled).
TEST_F(SearchDialog, InstallButtonSearchesForTheSelectedModel) {
  Start();
  ports = {"USB001"};
  // Model B asks first: the search begins only once its prompt is answered.
  p->mainForm->LvPrinters->UserSelect(1);
  h.Script(Step::Enter().At(500));
  h.Script(Step::Escape().At(2700));
  p->mainForm->BbtnStart->Click();
  EXPECT_TRUE(dlg().ShowPrompt);
  EXPECT_EQ(dlg().GetModalResult(), ModalResult::Cancel);
  EXPECT_EQ(calls, (std::vector<uint64_t>{1500, 2500}));
  EXPECT_TRUE(p->mainForm->Showing()) << "back to the main window afterwards";

  // Model A: no prompt, and the double-click takes the same way.
  calls.clear();
  p->mainForm->LvPrinters->UserSelect(0);
  h.Script(Step::Enter().At(Now() + 10500));
  p->mainForm->LvPrintersDblClick();
  EXPECT_FALSE(dlg().ShowPrompt);
  EXPECT_EQ(dlg().GetModalResult(), ModalResult::OK);
  EXPECT_EQ(calls.size(), 10u);
}

TEST_F(SearchDialog, NotFoundContinuesOnlyWhenTheUserPresses) {
  Start();
  h.Script(Step::Press("TFormSearching", "btnCancelSearch").At(60000));
  EXPECT_EQ(Run(), ModalResult::Yes);
  EXPECT_EQ(Now(), 60000u);
  EXPECT_EQ(calls.size(), 10u);
  EXPECT_FALSE(dlg().Showing());
  EXPECT_TRUE(p->mainForm->Showing()) << "the dialog shows the main window again when it closes";
}

TEST_F(SearchDialog, FoundCountsDownAndContinuesAtTheEleventhTick) {
  Start();
  ports = {"USB001"};
  EXPECT_EQ(Run(), ModalResult::OK);
  EXPECT_EQ(Now(), 21000u) << "ten steps, then eleven countdown ticks";
  EXPECT_TRUE(dlg().Found);
  EXPECT_EQ(dlg().FoundPort, "USB001");
  EXPECT_EQ(dlg().lblNotFound->Caption(), "Having discover printer port: USB001");
  EXPECT_EQ(dlg().lblNotFound->GetFont().color, ui::kBlack);
  std::vector<std::string> expected = {"Continue Setup"};  // "Cancel Search" it had already
  for (int n = 9; n >= 0; --n) expected.push_back("Continue Setup( " + std::to_string(n) + ")");
  // The press itself runs FinishSearch once more before the dialog closes.
  expected.push_back("Continue Setup");
  EXPECT_EQ(Captions("btnCancelSearch"), expected);
  EXPECT_FALSE(dlg().tmrClickOK->Enabled());
  EXPECT_FALSE(dlg().tmrSteps->Enabled());
  EXPECT_TRUE(p->mainForm->Showing());
}

TEST_F(SearchDialog, CancelWhileSearchingGivesCancelAfterFinishSearch) {
  Start();
  ports = {"USB001"};
  h.Script(Step::Escape().At(3500));
  EXPECT_EQ(Run(), ModalResult::Cancel)
      << "the kind changes in FinishSearch must not change the result";
  EXPECT_EQ(Now(), 3500u);
  EXPECT_EQ(calls.size(), 3u);
  EXPECT_FALSE(dlg().Found);
  EXPECT_EQ(dlg().lblSearch->Caption(), "Searching End!");
  EXPECT_EQ(dlg().lblNotFound->Caption(), i18n::StrPortNotFound());
  EXPECT_FALSE(dlg().tmrSteps->Enabled());
  EXPECT_FALSE(dlg().tmrClickOK->Enabled());

  // Pressing the button by mouse does the same.
  calls.clear();
  h.Script(Step::Press("TFormSearching", "btnCancelSearch").At(Now() + 1500));
  EXPECT_EQ(Run(), ModalResult::Cancel);
  EXPECT_EQ(calls.size(), 1u);
}

TEST_F(SearchDialog, KeysFollowTheButtonKind) {
  Start();
  ports = {"USB001"};
  // Found: Escape no longer presses the continue button, Enter does.
  h.Script(Step::Escape().At(12500));
  h.Script(Step::Enter().At(13500));
  EXPECT_EQ(Run(), ModalResult::OK);
  EXPECT_EQ(Now(), 13500u);

  // Not found: Enter answers yes.
  ports = {""};
  h.Script(Step::Enter().At(Now() + 10500));
  EXPECT_EQ(Run(), ModalResult::Yes);
}

TEST_F(SearchDialog, DebugModeEndsAfterOneStep) {
  Write("D:\\Debug", "");
  Start();
  ASSERT_TRUE(p->mainForm->DebugMode);
  ports = {"LPT1:"};
  h.Script(Step::Escape().At(5000));  // does nothing in the Found state
  EXPECT_EQ(Run(), ModalResult::OK);
  EXPECT_EQ(calls, std::vector<uint64_t>{1000});
  EXPECT_EQ(Now(), 12000u);
  EXPECT_EQ(Captions("lblSearch").front(), "Searching End!");
}

TEST_F(SearchDialog, ReSearchAndReopeningStartFromZero) {
  Start();
  ports = {""};
  h.Script(Step::Press("TFormSearching", "btnReSearch").At(12000));
  h.Script(Step::Press("TFormSearching", "btnCancelSearch").At(15500));
  EXPECT_EQ(Run(), ModalResult::Cancel) << "cancel kind again after searching anew";
  EXPECT_EQ(calls.size(), 13u);
  EXPECT_EQ(calls[10], 13000u) << "the new search's first step a second after the press";

  // The dialog keeps its texts; showing it again resets them.
  calls.clear();
  ports = {"USB002"};
  uint64_t start = Now();
  h.Script(Step::Enter().At(start + 10500));
  EXPECT_EQ(Run(), ModalResult::OK);
  EXPECT_EQ(calls.size(), 10u);
  EXPECT_EQ(calls.front(), start + 1000);
  EXPECT_EQ(dlg().FoundPort, "USB002");
}

TEST_F(SearchDialog, PromptComesFirstAndTheSearchWaitsForIt) {
  Start();
  p->mainForm->LvPrinters->SetItemIndex(1);
  h.Script(Step::Press("TFormPromptCheck", "btnOK").At(5000));
  h.Script(Step::Escape().At(8500));
  EXPECT_EQ(Run(), ModalResult::Cancel);
  EXPECT_EQ(calls, (std::vector<uint64_t>{6000, 7000, 8000}));
  EXPECT_TRUE(dlg().ShowPrompt);
  auto& prompt = *p->formPromptCheck;
  EXPECT_EQ(prompt.Caption(), "Infos:");
  EXPECT_EQ(prompt.lblPromptCheckLabel->Caption(), "Preparing to search online printer\r\n");
  EXPECT_EQ(prompt.btnOK->Caption(), "&YES");
  EXPECT_FALSE(prompt.Showing());
  EXPECT_EQ(p->mainForm->LvPrinters->ItemIndex(), 1);

  // The close box, or Enter, lets the search begin just the same.
  calls.clear();
  uint64_t t = Now();
  h.Script(Step::Close("TFormPromptCheck").At(t + 2000));
  h.Script(Step::Escape("TFormSearching").At(t + 3500));
  EXPECT_EQ(Run(), ModalResult::Cancel);
  EXPECT_EQ(calls, std::vector<uint64_t>{t + 3000});
  calls.clear();
  t = Now();
  h.Script(Step::Enter("TFormPromptCheck").At(t + 100));
  h.Script(Step::Escape("TFormSearching").At(t + 1500));
  EXPECT_EQ(Run(), ModalResult::Cancel);
  EXPECT_EQ(calls, std::vector<uint64_t>{t + 1100});
}

TEST_F(SearchDialog, NoPromptWithoutPromptCheck) {
  Start();
  h.Script(Step::Escape().At(1500));
  Run();
  for (const std::string& l : h.Transcript())
    EXPECT_EQ(l.find("TFormPromptCheck"), std::string::npos) << l;
}

TEST_F(SearchDialog, PromptTextsInSimplifiedChinese) {
  machine.langId = 0x0804;
  Start();
  p->mainForm->LvPrinters->SetItemIndex(1);
  h.Script(Step::Enter("TFormPromptCheck").At(100));
  h.Script(Step::Escape("TFormSearching").At(1500));
  Run();
  auto& prompt = *p->formPromptCheck;
  EXPECT_EQ(prompt.Caption(), "\xCC\xE1\xCA\xBE:");        // 提示:
  EXPECT_EQ(prompt.btnOK->Caption(), "\xC8\xB7\xB6\xA8");  // 确定
  EXPECT_EQ(prompt.lblPromptCheckLabel->Caption(),
            "\xD7\xBC\xB1\xB8\xCB\xD1\xCB\xF7\xB4\xF2\xD3\xA1\xBB\xFA\xC1\xAA\xBB\xFA\xD0\xC5\xCF"
            "\xA2\xA1\xA3\r\n");
  EXPECT_EQ(dlg().Caption(), "Search") << "the same caption in every language";
}

TEST_F(SearchDialog, ClosingByOtherMeansStopsTheTimers) {
  Start();
  ports = {"USB001"};
  h.Script(Step::Close("TFormSearching").At(2500));
  EXPECT_EQ(Run(), ModalResult::Cancel);
  EXPECT_FALSE(dlg().tmrSteps->Enabled());
  EXPECT_FALSE(dlg().tmrClickOK->Enabled());
  EXPECT_TRUE(p->mainForm->Showing());
  // Nothing searches behind the closed dialog.
  size_t n = calls.size();
  h.Script(Step::Close("TMainForm").At(Now() + 30000));
  ui::app().Run();
  EXPECT_EQ(calls.size(), n);
}

TEST_F(SearchDialog, DetectsThroughTheMainWindowForTheSelectedModel) {
  Start();
  // The real detection: the model's INF and helper library, a printer on USB.
  Write("C:\\Medium\\vp.inf",
        "[Velmar]\r\n\"Velmar VP-210\" = VP210, LPTENUM\\VelmarVP-2108E5C, "
        "USBPRINT\\VelmarVP-210\r\n");
  Write("C:\\Medium\\install.ini", "[A]\nInstallSettingFile2K=vp.inf\nForceOnlineCheck=1\n");
  p.reset();
  ui::app().Reset();
  p = app::StartProgram();
  p->mainForm->Show();
  plat::sim::SimDevice d;
  d.hardwareId = "VelmarVP-210";
  d.deviceId = "USBPRINT\\VELMARVP-210\\7&1A2B&0&USB001";
  d.portInfo = "Virtual printer port for USB001";
  machine.devices.devices.push_back(d);
  machine.transcript.clear();

  EXPECT_EQ(Run(), ModalResult::OK);
  EXPECT_EQ(dlg().FoundPort, "USB001");
  std::vector<std::string> debug = machine.DebugLines();
  const std::string is = "\xC1\xAC\xBD\xD3\xB6\xCB\xBF\xDA\xCE\xAA";  // 连接端口为
  EXPECT_EQ(std::count(debug.begin(), debug.end(), is + "2"), 10) << "found by the compatible tail";
  EXPECT_EQ(std::count(debug.begin(), debug.end(), is + "USB001"), 10);

  // Unplugged: the port is cleared and the search ends in Not found.
  machine.devices.devices[0].visible = false;
  h.Script(Step::Escape().At(Now() + 10500));
  h.Script(Step::Enter().At(Now() + 11500));
  EXPECT_EQ(Run(), ModalResult::Yes);
  EXPECT_EQ(dlg().FoundPort, "");
  EXPECT_EQ(dlg().lblNotFound->Caption(), i18n::StrPortNotFound());
}

}  // namespace
