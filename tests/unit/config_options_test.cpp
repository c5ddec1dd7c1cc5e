// install.ini into TOption records on the simulated machine.
#include <gtest/gtest.h>

#include "config/options.h"
#include "sim_fixture.h"

using config::ParseProfileInteger;
using config::TIniOptions;
using config::TOption;

namespace {

class ConfigTest : public SimTest {
 protected:
  TIniOptions Load(const std::string& ini) {
    Write("C:\\Medium\\install.ini", ini);
    TIniOptions o;
    o.LoadFromFile("install.ini");
    return o;
  }
};

TEST_F(ConfigTest, SectionsBecomeRecordsInFileOrder) {
  TIniOptions o = Load(
      "[Zeta]\r\nInstallSettingFile2K=z.inf\r\n"
      "[alpha]\r\nInstallSettingFile2K=a.inf\r\n"
      "[Mid]\r\nInstallSettingFile2K=m.inf\r\n");
  ASSERT_EQ(o.Count, 3);
  ASSERT_EQ(o.Options.size(), 3u);
  EXPECT_EQ(o.GetOption(0).InstallSettingFile2K, "z.inf");
  EXPECT_EQ(o.GetOption(1).InstallSettingFile2K, "a.inf");
  EXPECT_EQ(o.GetOption(2).InstallSettingFile2K, "m.inf");
}

TEST_F(ConfigTest, EmptySectionTakesEveryDefault) {
  const TOption d = Load("[Only]\r\n").GetOption(0);
  // Every text of the record, in its order, with its default.
  const std::pair<std::string TOption::*, const char*> texts[] = {
      {&TOption::InstallSettingFile2K, ""},
      {&TOption::InstallGuide, "ReadmeEN.txt"},
      {&TOption::QuickGuide, ""},
      {&TOption::HandBook, ""},
      {&TOption::Hint, ""},
      {&TOption::OfflinePrefix, "LPTOFFLINE\\"},
      {&TOption::DefaultPortName, ""},
      {&TOption::InstallDll2K, "drvkit.dll"},  // i386\drvkit.dll is not on this medium
      {&TOption::UnInstallImage2K, "i386\\PKPrnUni.exe"},
      {&TOption::RegSetImage2000, "i386\\Setup"},
      {&TOption::InstallImage64, "X64\\Quenset64.exe"},
      {&TOption::Installdll64, ""},
      {&TOption::UnInstallImageCopy, "i386\\PKPrnUni.exe"},
      {&TOption::PrintProcess, "WinPrint"},
      {&TOption::BeforeRun, ""},
      {&TOption::AfterRun, ""},
      {&TOption::ServiceName, ""},
      {&TOption::ServiceExe, ""},
      {&TOption::NTX86FilesPath, "I386"},
      {&TOption::NTX64FilesPath, "X64"},
      {&TOption::NTIA64FilesPath, "IA64"},
  };
  for (size_t i = 0; i < std::size(texts); ++i)
    EXPECT_EQ(d.*texts[i].first, texts[i].second) << "text row " << i;
  // And every flag is off.
  const bool TOption::*flags[] = {&TOption::SelectPort,  &TOption::ForceOnlineCheck,
                                  &TOption::PromptCheck, &TOption::AutoMode,
                                  &TOption::QuiteMode,   &TOption::ForceUninstallService};
  for (size_t i = 0; i < std::size(flags); ++i) EXPECT_FALSE(d.*flags[i]) << "flag row " << i;
}

TEST_F(ConfigTest, DocumentKeysFollowTheSystemLanguage) {
  const std::string ini =
      "[M]\r\n"
      "InstallGuide0=cht.txt\r\nQuickGuide0=q0\r\nHandBook0=h0\r\nHint0=hint0\r\n"
      "InstallGuide=cn.txt\r\nQuickGuide=q\r\nHandBook=h\r\nHint=hint\r\n"
      "InstallGuide2=en.txt\r\nQuickGuide2=q2\r\nHandBook2=h2\r\nHint2=hint2\r\n";
  struct Row {
    uint16_t lang;
    const char *guide, *quick, *hand, *hint, *defaultGuide;
  };
  const Row rows[] = {
      {0x0404, "cht.txt", "q0", "h0", "hint0", "ReadmeCHT.txt"},
      {0x0C04, "cht.txt", "q0", "h0", "hint0", "ReadmeCHT.txt"},
      {0x0804, "cn.txt", "q", "h", "hint", "ReadmeCN.txt"},
      {0x1404, "cn.txt", "q", "h", "hint", "ReadmeCN.txt"},
      {0x1004, "en.txt", "q2", "h2", "hint2", "ReadmeEN.txt"},  // Singapore reads English
      {0x0411, "en.txt", "q2", "h2", "hint2", "ReadmeEN.txt"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.lang);
    machine.langId = r.lang;
    TOption o = Load(ini).GetOption(0);
    EXPECT_EQ(o.InstallGuide, r.guide);
    EXPECT_EQ(o.QuickGuide, r.quick);
    EXPECT_EQ(o.HandBook, r.hand);
    EXPECT_EQ(o.Hint, r.hint);
    EXPECT_EQ(Load("[Empty]\r\n").GetOption(0).InstallGuide, r.defaultGuide);
  }
}

TEST_F(ConfigTest, FlagsAreIntegers) {
  struct Row {
    const char* value;
    bool expected;
  };
  const Row rows[] = {
      {"1", true},           {"0x1", true},       {"7", true},           {"-1", true},
      {"$10", true},         {"x1", true},        {"X0", false},         {"0X00000001", true},
      {"+5", true},          {"0", false},        {"00", false},         {"true", false},
      {"yes", false},        {"", false},         {"0x", false},         {"$", false},
      {"1 2", false},        {"1a", false},       {"2147483647", true},  {"2147483648", false},
      {"-2147483648", true}, {"$FFFFFFFF", true}, {"$100000000", false}, {"\"1\"", true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.value);
    TOption o = Load(std::string("[M]\r\nForceOnlineCheck=") + r.value + "\r\n").GetOption(0);
    EXPECT_EQ(o.ForceOnlineCheck, r.expected);
  }
  EXPECT_EQ(ParseProfileInteger("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseProfileInteger("-2147483649"), std::nullopt);

  TOption all = Load(
                    "[M]\r\nSelectPort=1\r\nPromptCheck=2\r\nAutoMode=3\r\nQuiteMode=4\r\n"
                    "ForceUninstallService=5\r\n")
                    .GetOption(0);
  EXPECT_TRUE(all.SelectPort && all.PromptCheck && all.AutoMode && all.QuiteMode &&
              all.ForceUninstallService);
  EXPECT_FALSE(all.ForceOnlineCheck);
}

TEST_F(ConfigTest, OfflinePrefixComesFromTheExactBytesOfTheInf) {
  Write("C:\\Medium\\serial.inf", "[Models]\r\n\"P\"=Inst,SERENUM\\VEL0350\r\n");
  Write("C:\\Medium\\lower.inf", "[Models]\r\n\"P\"=Inst,serenum\\vel0350\r\n");
  // 16-bit text: the letters are not adjacent bytes.
  Write("C:\\Medium\\wide.inf", std::string("\xFF\xFES\0E\0R\0E\0N\0U\0M\0", 16));
  Write("C:\\Medium\\late.inf", std::string(100000, ' ') + std::string("\0SERENUM", 8));
  TIniOptions o = Load(
      "[a]\r\nInstallSettingFile2K=serial.inf\r\n[b]\r\nInstallSettingFile2K=lower.inf\r\n"
      "[c]\r\nInstallSettingFile2K=wide.inf\r\n[d]\r\nInstallSettingFile2K=late.inf\r\n"
      "[e]\r\nInstallSettingFile2K=missing.inf\r\n");
  ASSERT_EQ(o.Count, 5);
  EXPECT_EQ(o.GetOption(0).OfflinePrefix, "SERENUM\\");
  EXPECT_EQ(o.GetOption(1).OfflinePrefix, "LPTOFFLINE\\");
  EXPECT_EQ(o.GetOption(2).OfflinePrefix, "LPTOFFLINE\\");
  EXPECT_EQ(o.GetOption(3).OfflinePrefix, "SERENUM\\");
  EXPECT_EQ(o.GetOption(4).OfflinePrefix, "LPTOFFLINE\\");
}

TEST_F(ConfigTest, HelperLibrariesFallBackToBareNames) {
  const std::string ini =
      "[Given]\r\nInstallDll2K=lib\\mine.dll\r\nInstalldll64=lib\\mine64.dll\r\n[Defaults]\r\n";
  TIniOptions none = Load(ini);
  EXPECT_EQ(none.GetOption(0).InstallDll2K, "drvkit.dll");
  EXPECT_EQ(none.GetOption(0).Installdll64, "");
  EXPECT_EQ(none.GetOption(1).Installdll64, "");

  Write("C:\\Medium\\drvkit64.dll", "MZ");
  TIniOptions bare = Load(ini);
  EXPECT_EQ(bare.GetOption(0).Installdll64, "drvkit64.dll");
  EXPECT_EQ(bare.GetOption(1).Installdll64, "drvkit64.dll");

  ASSERT_TRUE(plat::files().CreateDirectory("C:\\Medium\\lib"));
  ASSERT_TRUE(plat::files().CreateDirectory("C:\\Medium\\i386"));
  ASSERT_TRUE(plat::files().CreateDirectory("C:\\Medium\\X64"));
  for (const char* f :
       {"lib\\mine.dll", "lib\\mine64.dll", "i386\\drvkit.dll", "X64\\drvkit64.dll"})
    Write(std::string("C:\\Medium\\") + f, "MZ");
  TIniOptions all = Load(ini);
  EXPECT_EQ(all.GetOption(0).InstallDll2K, "lib\\mine.dll");
  EXPECT_EQ(all.GetOption(0).Installdll64, "lib\\mine64.dll");
  EXPECT_EQ(all.GetOption(1).InstallDll2K, "i386\\drvkit.dll");
  EXPECT_EQ(all.GetOption(1).Installdll64, "X64\\drvkit64.dll");
}

TEST_F(ConfigTest, PresentButEmptyTextsStayEmpty) {
  TOption o = Load(
                  "[M]\r\nPrintProcess=\r\nUnInstallImage2K=\r\nNTX64FilesPath=\r\n"
                  "InstallGuide2=\r\nDefaultPortName = \"USB001\" \r\n")
                  .GetOption(0);
  EXPECT_EQ(o.PrintProcess, "");
  EXPECT_EQ(o.UnInstallImage2K, "");
  EXPECT_EQ(o.UnInstallImageCopy, "");
  EXPECT_EQ(o.NTX64FilesPath, "");
  EXPECT_EQ(o.InstallGuide, "");
  EXPECT_EQ(o.DefaultPortName, "USB001");
}

TEST_F(ConfigTest, NoInstallIniLeavesTheContainerEmpty) {
  TIniOptions o;
  o.LoadFromFile("install.ini");
  EXPECT_EQ(o.Count, 0);
  EXPECT_TRUE(o.Options.empty());
  o.LoadFromIni(nullptr);
  EXPECT_EQ(o.Count, 0);
}

TEST_F(ConfigTest, OutOfRangeIndexGivesAnEmptyRecord) {
  TIniOptions o = Load("[M]\r\nInstallSettingFile2K=m.inf\r\n");
  ASSERT_EQ(o.Count, 1);
  for (int bad : {-1, 1, 1000, INT32_MIN}) {
    SCOPED_TRACE(bad);
    TOption r = o.GetOption(bad);
    EXPECT_EQ(r.InstallSettingFile2K, "");
    EXPECT_EQ(r.PrintProcess, "");
    EXPECT_EQ(r.OfflinePrefix, "");
    EXPECT_FALSE(r.AutoMode);
  }
  // A copy is independent of the container.
  TOption copy = o.GetOption(0);
  copy.InstallSettingFile2K = "changed";
  EXPECT_EQ(o.GetOption(0).InstallSettingFile2K, "m.inf");
}

TEST_F(ConfigTest, HugeFilesLongValuesAndGarbage) {
  // 10 MB: fifty models, then filler lines in the last one.
  std::string big;
  for (int i = 0; i < 50; ++i)
    big += "[Model" + std::to_string(i) + "]\r\nHint2=model " + std::to_string(i) + "\r\n";
  big += std::string(10 * 1024 * 1024, 'x') + "\r\nAutoMode=1\r\n";
  TIniOptions huge = Load(big);
  ASSERT_EQ(huge.Count, 50);
  EXPECT_EQ(huge.GetOption(49).Hint, "model 49");
  EXPECT_TRUE(huge.GetOption(49).AutoMode);

  const std::string longValue(5000, 'v');
  TOption cut = Load("[M]\r\nHint2=" + longValue + "\r\nServiceName=svc\r\n").GetOption(0);
  EXPECT_EQ(cut.Hint, longValue.substr(0, 2047));
  EXPECT_EQ(cut.ServiceName, "svc");

  std::string junk = "[M]\r\nServiceName=svc\r\n";
  uint32_t x = 7;
  for (int i = 0; i < 50000; ++i) {
    x = x * 1664525u + 1013904223u;
    junk.push_back(static_cast<char>(x >> 24));
  }
  TIniOptions g = Load(junk);
  ASSERT_GE(g.Count, 1);
  EXPECT_EQ(g.GetOption(0).ServiceName, "svc");
  for (int i = 0; i < g.Count; ++i) EXPECT_FALSE(g.GetOption(i).OfflinePrefix.empty());
}

}  // namespace

namespace {

std::string SampleMedium() {
  std::string here = __FILE__;
  return here.substr(0, here.rfind("/tests/unit/")) + "/samples/medium";
}

TEST_F(ConfigTest, SampleMediumLoads) {
  machine.Mount("C:\\Medium", SampleMedium());
  ASSERT_TRUE(plat::files().FileExists("install.ini")) << SampleMedium();
  for (uint16_t lang : {0x0409, 0x0804, 0x0404}) {
    SCOPED_TRACE(lang);
    machine.langId = lang;
    TIniOptions o;
    o.LoadFromFile("install.ini");
    ASSERT_EQ(o.Count, 2);
    TOption usb = o.GetOption(0), serial = o.GetOption(1);
    EXPECT_EQ(usb.InstallSettingFile2K, "VP210.inf");
    EXPECT_EQ(usb.OfflinePrefix, "LPTOFFLINE\\");
    EXPECT_EQ(serial.InstallSettingFile2K, "VP350S.inf");
    EXPECT_EQ(serial.OfflinePrefix, "SERENUM\\");
    EXPECT_TRUE(serial.ForceOnlineCheck && serial.PromptCheck);
    EXPECT_EQ(serial.PrintProcess, "WinPrint");
    for (const TOption* m : {&usb, &serial}) {
      EXPECT_TRUE(plat::files().FileExists(m->InstallGuide)) << m->InstallGuide;
      EXPECT_FALSE(m->Hint.empty());
    }
  }
  machine.langId = 0x0804;
  TIniOptions cn;
  cn.LoadFromFile("install.ini");
  EXPECT_EQ(cn.GetOption(0).Hint.substr(0, 2), "\xC7\xEB");  // GBK for the first character
  machine.langId = 0x0404;
  TIniOptions tw;
  tw.LoadFromFile("install.ini");
  EXPECT_EQ(tw.GetOption(0).Hint.substr(0, 2), "\xBD\xD0");  // Big5 for the same character
}

}  // namespace
