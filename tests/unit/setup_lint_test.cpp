// setup-lint on media built in a temporary folder: the sample medium as it
// ships is clean, and each kind of breakage is found with its file and line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "tools/setup-lint/lint.h"

namespace {

class SetupLint : public testing::Test {
 protected:
  SetupLint() {
    char templ[] = "/tmp/setup-lint-XXXXXX";
    dir_ = mkdtemp(templ);
    mkdir((dir_ + "/i386").c_str(), 0755);
    mkdir((dir_ + "/X64").c_str(), 0755);
    for (const char* f : {"i386/drvkit.dll", "i386/devcon.exe", "X64/drvkit64.dll", "X64/devcon.exe",
                          "X64/Quenset64.exe", "ReadmeEN.txt", "ReadmeCN.txt", "ReadmeCHT.txt"})
      Put(f, "x");
    Put("vp210.inf", kInf);
  }
  ~SetupLint() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  void Put(const std::string& name, const std::string& data) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << data;
  }
  std::vector<std::string> Lint() {
    std::vector<std::string> out;
    findings_ = lint::CheckMedium(dir_);
    for (const auto& f : findings_) out.push_back(lint::Format(f));
    return out;
  }
  int Code() const { return lint::ExitCode(findings_); }
  static bool Any(const std::vector<std::string>& v, const std::string& part) {
    for (const auto& s : v)
      if (s.find(part) != std::string::npos) return true;
    return false;
  }

  static constexpr const char* kInf =
      "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Strings]\r\nProviderName=Velmar\r\n"
      "[Velmar]\r\n\"Velmar VP-210\" = VP210, LPTENUM\\VelmarVP-2108E5C\r\n";
  std::string dir_;
  std::vector<lint::Finding> findings_;
};

TEST_F(SetupLint, TheSampleMediumWithItsBuiltPiecesIsClean) {
  // The sample's own install.ini and INFs, with the stand-ins where the build puts them.
  for (const char* f : {"install.ini", "VP210.inf", "VP350S.inf"}) {
    std::ifstream in(std::string(SAMPLE_MEDIUM) + "/" + f, std::ios::binary);
    ASSERT_TRUE(in) << f;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Put(f, data);
  }
  std::system(("rm -f '" + dir_ + "/vp210.inf'").c_str());
  auto out = Lint();
  EXPECT_TRUE(out.empty()) << testing::PrintToString(out);
  EXPECT_EQ(Code(), 0);
}

TEST_F(SetupLint, KeysAndValuesTheProgramReadsOtherwiseThanMeant) {
  Put("install.ini",
      "[A]\r\n"                                  // 1
      "InstallSettingFile2K=vp210.inf\r\n"       // 2
      "AutoMdoe=1\r\n"                           // 3 misspelt
      "QuiteMode=yes\r\n"                        // 4 counts as false
      "ForceOnlineCheck=1 ; always\r\n"          // 5 the comment is part of the value
      "AutoMode=0x1\r\n"                         // 6 true, fine
      "DefaultPortName=USB1\r\n"                 // 7 no such port
      "[B]\r\n"                                  // 8
      "InstallSettingFile2K=vp210.inf\r\n"       // 9
      "AutoMode=1\r\n"                           // 10 ignored: A comes first
      "DefaultPortName=LPT1:\r\n"                // 11 fine
      "Hint=\xC3\x28\x81\x81\r\n");              // 12 bytes of no code page
  auto out = Lint();
  EXPECT_TRUE(Any(out, "install.ini:3: warning: [A] unknown key 'AutoMdoe' (did you mean AutoMode?)"))
      << testing::PrintToString(out);
  EXPECT_TRUE(Any(out, "install.ini:4: warning: [A] QuiteMode=yes counts as false"));
  EXPECT_TRUE(Any(out, "install.ini:5: warning: [A] ForceOnlineCheck=1 ; always counts as false"));
  EXPECT_FALSE(Any(out, "install.ini:6:"));
  EXPECT_TRUE(Any(out, "install.ini:7: warning: [A] DefaultPortName 'USB1'"));
  EXPECT_TRUE(Any(out, "install.ini:10: warning: [B] AutoMode is ignored: the model at line 6"));
  EXPECT_FALSE(Any(out, "install.ini:11:"));
  EXPECT_TRUE(Any(out, "install.ini:12: error: bytes that are no text"));
  EXPECT_EQ(Code(), 2);
}

TEST_F(SetupLint, FilesInstallIniNamesThatAreMissing) {
  Put("install.ini",
      "[A]\r\n"
      "InstallSettingFile2K=missing.inf\r\n"     // 2
      "InstallDll2K=I386\\DRVKIT.DLL\r\n"        // 3 found without regard to case
      "Installdll64=X64\\nope64.dll\r\n"         // 4
      "HandBook2=Manual.pdf\r\n"                 // 5
      "BeforeRun=pre.bat\r\n"                    // 6
      "ServiceName=PrnSvc\r\n"
      "ServiceExe=Svc\\PrnSvc.exe\r\n"           // 8
      "[B]\r\n"
      "InstallSettingFile2K=vp210.inf\r\n"
      "InstallDll2K=i386\\gone.dll\r\n");        // 11
  std::system(("rm -f '" + dir_ + "/X64/devcon.exe'").c_str());
  auto out = Lint();
  EXPECT_TRUE(Any(out, "install.ini:2: error: [A] InstallSettingFile2K: the INF 'missing.inf'"))
      << testing::PrintToString(out);
  EXPECT_FALSE(Any(out, "install.ini:3:"));
  EXPECT_TRUE(Any(out, "install.ini:4: warning: [A] Installdll64"));
  EXPECT_TRUE(Any(out, "install.ini:5: warning: [A] HandBook2: the document 'Manual.pdf'"));
  EXPECT_TRUE(Any(out, "install.ini:6: warning: [A] BeforeRun"));
  EXPECT_TRUE(Any(out, "install.ini:8: error: [A] ServiceExe"));
  EXPECT_TRUE(Any(out, "install.ini:11: error: [B] InstallDll2K: the helper library 'i386\\gone.dll'"));
  EXPECT_TRUE(Any(out, "devcon 'X64\\devcon.exe' is not on the medium"));
  EXPECT_EQ(Code(), 2);
}

TEST_F(SetupLint, InfsTheInstallerCannotRead) {
  Put("install.ini",
      "[A]\r\nInstallSettingFile2K=wide.inf\r\n[B]\r\nInstallSettingFile2K=nolpt.inf\r\n"
      "[C]\r\nInstallSettingFile2K=noprov.inf\r\n[D]\r\nInstallSettingFile2K=long.inf\r\n");
  Put("wide.inf", std::string("\xFF\xFE[\0V\0", 6));
  Put("nolpt.inf", "[Strings]\r\nProviderName=V\r\n[V]\r\n\"M\" = M, USBPRINT\\M\r\n");
  Put("noprov.inf", "[Version]\r\n[Strings]\r\nX=1\r\n[V]\r\n\"M\" = M, LPTENUM\\M\r\n");
  Put("long.inf",
      "[Strings]\r\nProviderName=V\r\n[V]\r\n\"Velmar VP-210 Professional Edition II\" = M, LPTENUM\\M\r\n");
  auto out = Lint();
  EXPECT_TRUE(Any(out, "wide.inf:1: error: is UTF-16 text")) << testing::PrintToString(out);
  EXPECT_TRUE(Any(out, "nolpt.inf: warning: no line holds \"LPTENUM\\\""));
  EXPECT_TRUE(Any(out, "noprov.inf:2: error: [Strings] has no ProviderName"));
  EXPECT_TRUE(Any(out, "long.inf:4: warning: the model name 'Velmar VP-210 Professional Edition II' has 37"));
  EXPECT_EQ(Code(), 2);
}

TEST_F(SetupLint, WarningsAloneGiveOneAndNoIniGivesTwo) {
  Put("install.ini", "[A]\r\nInstallSettingFile2K=vp210.inf\r\nSelectPrt=1\r\n");
  Lint();
  EXPECT_EQ(Code(), 1);
  std::system(("rm -f '" + dir_ + "/install.ini'").c_str());
  auto out = Lint();
  EXPECT_TRUE(Any(out, "install.ini: error: there is no install.ini"));
  EXPECT_EQ(Code(), 2);
}

}  // namespace
