// Start-up of the main window on the simulated machine with the headless UI.
#include <cstdio>

#include "app/program.h"
#include "i18n/catalogue.h"
#include "sim_fixture.h"
#include "ui/ui.h"

namespace {

class MainWindow : public SimTest {
 protected:
  void SetUp() override {
    ui::app().Reset();
    Write("C:\\Medium\\install.ini",
          "[A]\nInstallSettingFile2K=a.inf\nHint2=hint of A\n[B]\nInstallSettingFile2K=b.inf\n");
    Write("C:\\Medium\\a.inf", "[Strings]\nProviderName=Velmar\n[Velmar]\n\"Velmar VP-210\"=x\n");
    Write("C:\\Medium\\ReadmeEN.txt", "read me");
  }
  void TearDown() override {
    ui::app().Reset();
    ui::app().showMainForm = true;
  }
  std::unique_ptr<app::Program> Start() { return app::StartProgram(); }
};

TEST_F(MainWindow, EnglishCaptionsLayoutAndModelList) {
  auto p = Start();
  app::TMainForm& f = *p->mainForm;
  EXPECT_EQ(f.Caption(), "Printer Installer");
  EXPECT_EQ(ui::app().Title(), "Printer Installer");
  EXPECT_EQ(f.BbtnStart->Caption(), "&Install");
  EXPECT_EQ(f.LblMainTitle->Caption(), "Welcome To Use Velmar Printer");
  // As the user sees it: the port group hidden and the model group across
  // the room it leaves, the title beside the logo and inside the window, the
  // links side by side, the model panel under the title panel.
  EXPECT_FALSE(f.GrpBoxPort->Visible());
  EXPECT_EQ(f.GrpBoxPrinters->Left(), f.GrpBoxPort->Left());
  EXPECT_LE(f.GrpBoxPrinters->Left() + f.GrpBoxPrinters->Width(), f.PnlPrinters->Width());
  EXPECT_GT(f.LblMainTitle->Left(), f.ImgLogo->Left() + f.ImgLogo->Width());
  EXPECT_LE(f.LblMainTitle->Left() + f.LblMainTitle->Width(), f.ClientWidth());
  EXPECT_GT(f.LblReadManual->Left(), f.LblReadGuide->Left() + f.LblReadGuide->Width());
  EXPECT_GE(f.PnlPrinters->Top(), f.PnlTitle->Top() + f.PnlTitle->Height());
  ASSERT_EQ(f.LvPrinters->Items().size(), 2u);
  EXPECT_EQ(f.LvPrinters->Items()[0], "Velmar VP-210");
  EXPECT_EQ(f.LvPrinters->Items()[1], "") << "a model whose INF is missing keeps an empty caption";
  EXPECT_EQ(f.LvPrinters->ItemIndex(), 0);
  EXPECT_EQ(f.GrpBoxPrinters->Caption(), "Select Printer Driver: Velmar VP-210");
  EXPECT_EQ(f.EdtInfos->Caption(), "Infos:Click Install button to start!");
  EXPECT_EQ(f.StaBarInfo->Caption(), "hint of A");
  EXPECT_TRUE(f.LblReadGuide->Enabled()) << "ReadmeEN.txt exists";
  EXPECT_FALSE(f.LblReadManual->Enabled());
  EXPECT_FALSE(f.HiddenMode);
  EXPECT_FALSE(f.DebugMode);
  EXPECT_TRUE(ui::app().showMainForm);
  EXPECT_EQ(f.AlphaBlendValue(), 255);
}

TEST_F(MainWindow, HideSwitchIsExactAndFoundAmongOthers) {
  for (auto [args, hidden] :
       std::vector<std::pair<std::vector<std::string>, bool>>{{{"/hide"}, false},
                                                              {{"-Hide"}, false},
                                                              {{"/Hidden"}, false},
                                                              {{"x", "/Hide", "y"}, true}}) {
    ui::app().Reset();
    ui::app().showMainForm = true;
    machine.args = args;
    auto p = Start();
    EXPECT_EQ(p->mainForm->HiddenMode, hidden) << args.size();
    EXPECT_EQ(ui::app().showMainForm, !hidden);
    EXPECT_EQ(p->mainForm->AlphaBlendValue(), hidden ? 0 : 255);
  }
}

TEST_F(MainWindow, DebugMarkerIsAFileOnDriveD) {
  Write("D:\\Debug", "");
  EXPECT_TRUE(Start()->mainForm->DebugMode);
}

TEST_F(MainWindow, TextsFollowTheSystemLanguage) {
  machine.langId = 0x0804;
  auto p = Start();
  EXPECT_EQ(p->mainForm->Caption(), "\xB4\xF2\xD3\xA1\xBB\xFA\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2");
  EXPECT_EQ(ui::app().Title(), p->mainForm->Caption());
}

TEST_F(MainWindow, NoInstallIniLeavesAnEmptyList) {
  plat::files().DeleteFile("C:\\Medium\\install.ini");
  auto p = Start();
  EXPECT_TRUE(p->mainForm->LvPrinters->Items().empty());
  EXPECT_EQ(p->mainForm->LvPrinters->ItemIndex(), -1);
  EXPECT_EQ(p->mainForm->IniOptions->Count, 0);
}

TEST_F(MainWindow, ResizeKeepsTheSelection) {
  auto p = Start();
  p->mainForm->LvPrinters->SetItemIndex(1);
  p->mainForm->FormResize();
  EXPECT_EQ(p->mainForm->LvPrinters->ItemIndex(), 1);
  EXPECT_EQ(p->mainForm->StaBarInfo->Caption(), "") << "model B has no hint";
}

}  // namespace

namespace {

// The model list, the information line and the guide links.
class ModelList : public MainWindow {
 protected:
  std::vector<std::string> Shell() {
    std::vector<std::string> out;
    for (const auto& e : machine.transcript)
      if (e.kind == "shell") out.push_back(e.text);
    return out;
  }
};

TEST_F(ModelList, SelectionDrivesTheInformationLineAndTheLinks) {
  auto p = Start();
  app::TMainForm& f = *p->mainForm;
  f.LvPrinters->UserSelect(-1);
  EXPECT_EQ(f.GrpBoxPrinters->Caption(), "Select Printer Driver: ");
  EXPECT_EQ(f.EdtInfos->Caption(), "Infos:Please select a printer driver!");
  EXPECT_EQ(f.StaBarInfo->Caption(), "");
  EXPECT_FALSE(f.BbtnStart->Enabled());
  EXPECT_FALSE(f.LblReadGuide->Enabled());

  f.LvPrinters->UserSelect(0);
  EXPECT_TRUE(f.BbtnStart->Enabled());
  EXPECT_TRUE(f.LblReadGuide->Enabled());
  EXPECT_EQ(f.StaBarInfo->Caption(), "hint of A");

  // A model whose INF is missing has an empty caption and can still be chosen.
  f.LvPrinters->UserSelect(1);
  EXPECT_EQ(f.GrpBoxPrinters->Caption(), "Select Printer Driver: ");
  EXPECT_EQ(f.EdtInfos->Caption(), "Infos:Click Install button to start!");
  EXPECT_TRUE(f.BbtnStart->Enabled());
  EXPECT_FALSE(f.LblReadManual->Enabled()) << "B names no manual";
}

TEST_F(ModelList, PortListIsAppendedNeverCleared) {
  machine.spooler.ports = {"LPT1:", "USB001"};
  auto p = Start();
  EXPECT_EQ(p->mainForm->LsBoxPorts->Items(), (std::vector<std::string>{"LPT1:", "USB001"}));
  p->mainForm->FormResize();
  EXPECT_EQ(p->mainForm->LsBoxPorts->Items().size(), 4u);
  EXPECT_FALSE(p->mainForm->GrpBoxPort->Visible());
}

TEST_F(ModelList, ResizeKeepsNoSelectionAndTheChosenModel) {
  auto p = Start();
  app::TMainForm& f = *p->mainForm;
  f.LvPrinters->UserSelect(-1);
  f.ClientResized(700, 500);
  EXPECT_EQ(f.LvPrinters->ItemIndex(), -1);
  EXPECT_EQ(f.LvPrinters->Items().size(), 2u);
  f.LvPrinters->UserSelect(1);
  f.ClientResized(800, 560);
  EXPECT_EQ(f.LvPrinters->ItemIndex(), 1);
  EXPECT_EQ(f.GrpBoxPrinters->Width(), 572 + 173) << "anchored on all four sides";
}

TEST_F(ModelList, LinksOpenTheSelectedModelsDocumentAndHover) {
  auto p = Start();
  app::TMainForm& f = *p->mainForm;
  f.LblReadGuideClick();
  f.LblReadManualClick();
  EXPECT_EQ(Shell(), (std::vector<std::string>{"open ReadmeEN.txt show=SW_SHOWNORMAL",
                                               "open  show=SW_SHOWNORMAL"}))
      << "a missing document is handed to the shell too";

  f.LblReadGuideMouseMove();
  EXPECT_EQ(f.LblReadGuide->GetFont().color, ui::kBlue);
  EXPECT_EQ(f.StaBarInfo->Caption(), "ReadmeEN.txt");
  f.LblReadGuideMouseLeave();
  EXPECT_EQ(f.LblReadGuide->GetFont().color, ui::kBlack);
  EXPECT_EQ(f.StaBarInfo->Caption(), "") << "the model's hint is not put back";

  // Nothing selected: no document, no shell call.
  f.LvPrinters->UserSelect(-1);
  f.lblReadQuickGuideClick();
  f.LblReadManualMouseMove();
  EXPECT_EQ(Shell().size(), 2u);
  EXPECT_EQ(f.LblReadManual->GetFont().color, ui::kBlue);
  EXPECT_EQ(f.StaBarInfo->Caption(), "");
}

TEST_F(ModelList, DoubleClickPressesInstall) {
  auto p = Start();
  int presses = 0;
  p->mainForm->bbtnStartClick = [&](app::TMainForm&) { ++presses; };
  p->mainForm->LvPrintersDblClick();
  EXPECT_EQ(presses, 1);
}

TEST_F(ModelList, BadInputNeitherCrashesNorHangs) {
  // A document path that is a folder, a hint of 5000 characters, INFs missing.
  ASSERT_TRUE(plat::files().CreateDirectory("C:\\Medium\\Guide"));
  std::string hint(5000, 'h');
  Write("C:\\Medium\\install.ini",
        "[A]\nInstallSettingFile2K=gone.inf\nInstallGuide2=Guide\nHint2=" + hint +
            "\n[B]\nInstallSettingFile2K=Guide\n");
  auto p = Start();
  app::TMainForm& f = *p->mainForm;
  EXPECT_EQ(f.LvPrinters->Items(), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(f.LvPrinters->ItemIndex(), 0);
  EXPECT_FALSE(f.LblReadGuide->Enabled()) << "a folder is no document";
  // The status bar shows what the record holds (the profile reader's buffer bounds it).
  EXPECT_EQ(f.StaBarInfo->Caption(), f.IniOptions->GetOption(0).Hint);
  EXPECT_GT(f.StaBarInfo->Caption().size(), 2000u);
  f.LblReadGuideMouseMove();
  f.LblReadGuideMouseLeave();
  EXPECT_EQ(f.StaBarInfo->Caption(), "");
  f.LvPrinters->UserSelect(1);
  EXPECT_TRUE(f.BbtnStart->Enabled());
}

TEST_F(ModelList, LogoDoubleClickNeedsTheMarkerAndWow64) {
  auto p = Start();
  app::TMainForm& f = *p->mainForm;
  machine.wow64 = true;
  f.ImgLogoDblClick();
  EXPECT_EQ(f.Caption(), "Printer Installer") << "no marker";
  Write("D:\\Debug", "");  // looked for at the double-click, not at start-up
  machine.wow64 = false;
  f.ImgLogoDblClick();
  EXPECT_EQ(f.Caption(), "Printer Installer") << "not WOW64";
  machine.wow64 = true;
  f.ImgLogoDblClick();
  f.ImgLogoDblClick();
  char handle[32];
  snprintf(handle, sizeof handle, " %llXH", static_cast<unsigned long long>(f.Handle()));
  EXPECT_EQ(f.Caption(), std::string("Printer Installer WOW64") + handle + " WOW64" + handle);
}

}  // namespace
