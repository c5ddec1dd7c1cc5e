// Start-up of the main window on the simulated machine with the headless UI.
#include "app/program.h"
#include "i18n/catalogue.h"
#include "sim_fixture.h"
#include "ui/ui.h"

namespace {

class MainWindow : public SimTest {
 protected:
  void SetUp() override {
    ui::app().Reset();
    Write("C:\\Medium\\install.ini", "[A]\nInstallSettingFile2K=a.inf\nHint2=hint of A\n[B]\nInstallSettingFile2K=b.inf\n");
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
  // The model group takes the hidden port group's place: left 24, width 404 + 192 - 24.
  EXPECT_EQ(f.GrpBoxPrinters->Left(), 24);
  EXPECT_EQ(f.GrpBoxPrinters->Width(), 572);
  EXPECT_EQ(f.LblMainTitle->Left(), f.ImgLogo->Left() + f.ImgLogo->Width() + 30);
  EXPECT_EQ(f.LblMainTitle->Width(), 627 - f.LblMainTitle->Left() - 3);
  EXPECT_EQ(f.LblReadManual->Left(), f.LblReadGuide->Left() + f.LblReadGuide->Width() + 80);
  EXPECT_EQ(f.PnlPrinters->Top(), f.PnlTitle->Top() + f.PnlTitle->Height());
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
  for (auto [args, hidden] : std::vector<std::pair<std::vector<std::string>, bool>>{
           {{"/hide"}, false}, {{"-Hide"}, false}, {{"/Hidden"}, false}, {{"x", "/Hide", "y"}, true}}) {
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
