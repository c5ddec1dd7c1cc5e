// Start-up on damaged or hostile media: the window comes up with whatever can
// be read, and nothing crashes or hangs.
#include <random>

#include "app/program.h"
#include "sim_fixture.h"
#include "ui/ui.h"

namespace {

const char kInf[] = "[Strings]\nProviderName=Velmar\n[Velmar]\n\"Velmar VP-210\"=x\n";

class BadMedium : public SimTest {
 protected:
  void SetUp() override {
    ui::app().Reset();
    Write("C:\\Medium\\a.inf", kInf);
  }
  void TearDown() override {
    ui::app().Reset();
    ui::app().showMainForm = true;
  }
  std::unique_ptr<app::Program> Start() {
    auto p = app::StartProgram();
    EXPECT_TRUE(p && p->mainForm);
    if (p && p->mainForm) {
      // Whatever was read, the list matches the options and the window is usable.
      app::TMainForm& f = *p->mainForm;
      EXPECT_EQ(f.LvPrinters->Items().size(), static_cast<size_t>(f.IniOptions->Count));
      EXPECT_EQ(f.Caption(), "Printer Installer");
      EXPECT_TRUE(f.BbtnStart->Visible());
    }
    return p;
  }
  static std::string Garbage(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
  }
};

TEST_F(BadMedium, InstallIniThatIsNotAFile) {
  ASSERT_TRUE(plat::files().CreateDirectory("C:\\Medium\\install.ini"));
  auto p = Start();
  EXPECT_EQ(p->mainForm->IniOptions->Count, 0);
  EXPECT_EQ(p->mainForm->LvPrinters->ItemIndex(), -1);
  EXPECT_EQ(p->mainForm->GrpBoxPrinters->Caption(), "Select Printer Driver: ");
}

TEST_F(BadMedium, HugeInstallIniStillListsItsModels) {
  std::string ini = "[A]\nInstallSettingFile2K=a.inf\nHint2=first\n";
  while (ini.size() < 10u * 1024 * 1024) ini += "Filler=" + std::string(100, 'f') + "\n";
  ini += "[B]\nInstallSettingFile2K=a.inf\n";
  Write("C:\\Medium\\install.ini", ini);
  auto p = Start();
  ASSERT_EQ(p->mainForm->IniOptions->Count, 2);
  EXPECT_EQ(p->mainForm->LvPrinters->Items()[1], "Velmar VP-210");
  EXPECT_EQ(p->mainForm->StaBarInfo->Caption(), "first");
}

TEST_F(BadMedium, SectionListLongerThanItsBufferKeepsTheNamesThatFit) {
  std::string ini;
  char name[16];
  for (int i = 0; i < 3000; ++i) {
    snprintf(name, sizeof name, "Model_%04d", i);
    ini += std::string("[") + name + "]\nInstallSettingFile2K=a.inf\n";
  }
  Write("C:\\Medium\\install.ini", ini);
  auto p = Start();
  app::TMainForm& f = *p->mainForm;
  // 11 bytes a name in 16384: far fewer than written, but well over a thousand.
  EXPECT_GT(f.IniOptions->Count, 1400);
  EXPECT_LT(f.IniOptions->Count, 1500);
  // Every name that fitted whole reads its own section; only the cut-off last one may not.
  for (int i = 0; i + 1 < f.IniOptions->Count; ++i)
    ASSERT_EQ(f.LvPrinters->Items()[static_cast<size_t>(i)], "Velmar VP-210") << i;
  EXPECT_EQ(f.LvPrinters->ItemIndex(), 0);
}

TEST_F(BadMedium, LinesWithoutEqualsAndOverlongValues) {
  Write("C:\\Medium\\install.ini",
        "stray text before any section\n[A]\nno equals sign here\nInstallSettingFile2K=a.inf\n"
        "just words\nHint2=" +
            std::string(5000, 'h') +
            "\n[B]\n=\n==\nInstallSettingFile2K=" + std::string(3000, 'p') + "\n");
  auto p = Start();
  app::TMainForm& f = *p->mainForm;
  ASSERT_EQ(f.IniOptions->Count, 2);
  EXPECT_EQ(f.LvPrinters->Items()[0], "Velmar VP-210") << "the key after the stray line is read";
  EXPECT_EQ(f.StaBarInfo->Caption(), std::string(2047, 'h')) << "values stop at 2047 characters";
  EXPECT_EQ(f.IniOptions->GetOption(1).InstallSettingFile2K.size(), 2047u);
  EXPECT_EQ(f.LvPrinters->Items()[1], "") << "no INF of that name";
}

TEST_F(BadMedium, BinaryGarbage) {
  for (unsigned seed : {1u, 2u, 3u}) {
    ui::app().Reset();
    // Some garbage with section-looking bytes mixed in, some without.
    std::string junk = Garbage(64 * 1024, seed);
    if (seed == 2) junk = "[A]\nInstallSettingFile2K=a.inf\n" + junk + "\n[\x01\xFF]\nHint2=\x7F\n";
    Write("C:\\Medium\\install.ini", junk);
    Write("C:\\Medium\\b.inf", Garbage(8 * 1024, seed + 10));
    auto p = Start();
    if (seed == 2) {
      ASSERT_GE(p->mainForm->IniOptions->Count, 1);
      EXPECT_EQ(p->mainForm->LvPrinters->Items()[0], "Velmar VP-210");
    }
  }
}

TEST_F(BadMedium, UnreadableInfs) {
  Write("C:\\Medium\\install.ini",
        "[Folder]\nInstallSettingFile2K=dir.inf\n[Garbage]\nInstallSettingFile2K=junk.inf\n"
        "[Serial]\nInstallSettingFile2K=serial.inf\n");
  ASSERT_TRUE(plat::files().CreateDirectory("C:\\Medium\\dir.inf"));
  Write("C:\\Medium\\junk.inf", Garbage(4096, 7));
  Write("C:\\Medium\\serial.inf", std::string(kInf) + "[Ports]\nx=SERENUM\\VEL0001\n");
  // Reads: install.ini, junk.inf, then serial.inf for its content scan,
  // which fails; naming the model reads it again.
  machine.faults.Set("ReadFile", 3, 5);
  auto p = Start();
  app::TMainForm& f = *p->mainForm;
  ASSERT_EQ(f.IniOptions->Count, 3);
  EXPECT_EQ(f.LvPrinters->Items()[0], "");
  EXPECT_EQ(f.LvPrinters->Items()[1], "");
  EXPECT_EQ(f.LvPrinters->Items()[2], "Velmar VP-210");
  EXPECT_EQ(f.IniOptions->GetOption(0).OfflinePrefix, "LPTOFFLINE\\");
  EXPECT_EQ(f.IniOptions->GetOption(2).OfflinePrefix, "LPTOFFLINE\\")
      << "an INF that cannot be read is not taken for a serial one";
  machine.faults.Clear();
}

}  // namespace
