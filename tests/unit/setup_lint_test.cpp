// setup-lint on media built in a temporary folder: the sample medium as it
// ships is clean, and each kind of breakage is found with its file and line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iconv.h>

#include <algorithm>
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
    for (const char* f :
         {"i386/drvkit.dll", "i386/devcon.exe", "X64/drvkit64.dll", "X64/devcon.exe",
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
  // |utf8| in a Windows code page ("CP936" GBK, "CP950" Big5).
  static std::string In(const char* codePage, const std::string& utf8) {
    iconv_t cd = iconv_open(codePage, "UTF-8");
    std::string in = utf8, out(utf8.size() * 2, '\0');
    char *ip = in.data(), *op = out.data();
    size_t il = in.size(), ol = out.size();
    EXPECT_NE(iconv(cd, &ip, &il, &op, &ol), static_cast<size_t>(-1)) << utf8;
    iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
  }
  static bool Any(const std::vector<std::string>& v, const std::string& part) {
    for (const auto& s : v)
      if (s.find(part) != std::string::npos) return true;
    return false;
  }
  // Each of |shown| is part of some finding and none of |absent| is; a miss
  // names the part and lists every finding.
  static void ExpectFindings(const std::vector<std::string>& out,
                             std::initializer_list<std::string> shown,
                             std::initializer_list<std::string> absent = {}) {
    for (const std::string& part : shown)
      EXPECT_TRUE(Any(out, part)) << "no finding holds: " << part << "\n"
                                  << testing::PrintToString(out);
    for (const std::string& part : absent)
      EXPECT_FALSE(Any(out, part)) << "a finding holds: " << part << "\n"
                                   << testing::PrintToString(out);
  }

  static constexpr const char* kInf =
      "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Strings]\r\nProviderName=Velmar\r\n"
      "[Velmar]\r\n\"Velmar VP-210\" = VP210, LPTENUM\\VelmarVP-2108E5C, "
      "USBPRINT\\VelmarVP-2108E5C\r\n";
  std::string dir_;
  std::vector<lint::Finding> findings_;
};

TEST_F(SetupLint, TheSampleMediumWithItsBuiltPiecesIsClean) {
  // The sample's own install.ini, INFs and guides, with the stand-ins where the build puts them.
  for (const char* f : {"install.ini", "VP210.inf", "VP350S.inf", "ReadmeEN.txt", "ReadmeCN.txt",
                        "ReadmeCHT.txt"}) {
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
      "[A]\r\n"                             // 1
      "InstallSettingFile2K=vp210.inf\r\n"  // 2
      "AutoMdoe=1\r\n"                      // 3 misspelt
      "QuiteMode=yes\r\n"                   // 4 counts as false
      "ForceOnlineCheck=1 ; always\r\n"     // 5 the comment is part of the value
      "AutoMode=0x1\r\n"                    // 6 true, fine
      "DefaultPortName=USB1\r\n"            // 7 no such port
      "[B]\r\n"                             // 8
      "InstallSettingFile2K=vp210.inf\r\n"  // 9
      "AutoMode=1\r\n"                      // 10 ignored: A comes first
      "DefaultPortName=LPT1:\r\n"           // 11 fine
      "Hint=\xC3\x28\x81\x81\r\n"           // 12 bytes of no code page
      "Hint9=\xC3\x28\x81\x81\r\n"          // 13 the same in an unknown key
      "[a]\r\n"                             // 14 A again
      "Hint=\xC3\x28\r\n");                 // 15 never read
  ExpectFindings(Lint(),
                 {"install.ini:3: warning: [A] unknown key 'AutoMdoe' (did you mean AutoMode?)",
                  "install.ini:4: warning: [A] QuiteMode=yes counts as false",
                  "install.ini:5: warning: [A] ForceOnlineCheck=1 ; always counts as false",
                  "install.ini:7: warning: [A] DefaultPortName 'USB1'",
                  "install.ini:10: warning: [B] AutoMode is ignored: the model at line 6",
                  "install.ini:12: error: [B] Hint has bytes that are no text in GBK",
                  "install.ini:13: error: bytes that are no text in Windows-1252, GBK or Big5",
                  "install.ini:14: warning: [a] is there twice: the model list shows the model "
                  "twice, both times with the keys from line 1"},
                 {"install.ini:6:", "install.ini:11:", "install.ini:15:"});
  EXPECT_EQ(Code(), 2);
}

TEST_F(SetupLint, FilesInstallIniNamesThatAreMissing) {
  Put("install.ini",
      "[A]\r\n"
      "InstallSettingFile2K=missing.inf\r\n"  // 2
      "InstallDll2K=I386\\DRVKIT.DLL\r\n"     // 3 found without regard to case
      "Installdll64=X64\\nope64.dll\r\n"      // 4
      "HandBook2=Manual.pdf\r\n"              // 5
      "BeforeRun=pre.bat\r\n"                 // 6
      "ServiceName=PrnSvc\r\n"
      "ServiceExe=Svc\\PrnSvc.exe\r\n"  // 8
      "[B]\r\n"
      "InstallSettingFile2K=vp210.inf\r\n"
      "InstallDll2K=i386\\gone.dll\r\n");  // 11
  std::system(("rm -f '" + dir_ + "/X64/devcon.exe'").c_str());
  ExpectFindings(Lint(),
                 {"install.ini:2: error: [A] InstallSettingFile2K: the INF 'missing.inf'",
                  "install.ini:4: warning: [A] Installdll64",
                  "install.ini:5: warning: [A] HandBook2: the document 'Manual.pdf'",
                  "install.ini:6: warning: [A] BeforeRun", "install.ini:8: error: [A] ServiceExe",
                  "install.ini:11: error: [B] InstallDll2K: the helper library 'i386\\gone.dll'",
                  "devcon 'X64\\devcon.exe' is not on the medium"},
                 {"install.ini:3:"});
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
      "[Strings]\r\nProviderName=V\r\n[V]\r\n\"Velmar VP-210 Professional Edition II\" = M, "
      "LPTENUM\\M\r\n");
  ExpectFindings(
      Lint(),
      {"wide.inf:1: error: is UTF-16 text", "nolpt.inf:3: warning: no line holds \"LPTENUM\\\"",
       "noprov.inf:2: error: [Strings] has no ProviderName",
       "long.inf:4: warning: the model name 'Velmar VP-210 Professional Edition II' has 37"});
  EXPECT_EQ(Code(), 2);
}

TEST_F(SetupLint, TextsInTheCodePageOfTheirLanguage) {
  // Hint0 is read on Traditional Chinese systems (Big5), Hint on Simplified
  // ones (GBK), Hint2 everywhere else; the guides they name likewise.
  const std::string big5 = In("CP950", "請先連接印表機電纜並開機"),
                    gbk = In("CP936", "请先连接打印机电缆并开机");
  Put("install.ini",
      "[A]\r\n"                                                                 // 1
      "InstallSettingFile2K=vp210.inf\r\n"                                      // 2
      "Hint=Tarrow TP-58U\xEF\xBC\x9A\xE8\xAF\xB7\xE8\xBF\x9E\xE6\x8E\xA5\r\n"  // 3 UTF-8
      "Hint0=" +
          gbk +
          "\r\n"  // 4 GBK for Big5
          "Hint2=" +
          std::string(300, 'w') +
          "\r\n"                                // 5 wider than the status bar
          "InstallGuide=GuideCN.txt\r\n"        // 6 a UTF-8 file
          "[B]\r\n"                             // 7
          "InstallSettingFile2K=vp210.inf\r\n"  // 8
          "Hint=" +
          big5 +
          "\r\n"  // 9 Big5 for GBK
          "Hint0=" +
          big5 +
          "\r\n"  // 10 fine
          "Hint2=Caf\xE9 " +
          std::string(84, 'w') +
          "\r\n"                             // 11 Western; 89 bytes fit
          "InstallGuide0=GuideCN.txt\r\n");  // 12 the same, for Big5
  Put("GuideCN.txt",
      "Tarrow\r\n\r\n\xE8\xAF\xB7\xE5\x85\x88\xE8\xBF\x9E\xE6\x8E\xA5\xE6\x89\x93\r\n");
  Put("ReadmeCN.txt", "Velmar\r\n" + gbk + "\r\n");
  auto out = Lint();
  EXPECT_TRUE(Any(
      out,
      "install.ini:3: error: [A] Hint is UTF-8 text: Simplified Chinese systems read it in GBK"))
      << testing::PrintToString(out);
  EXPECT_TRUE(Any(
      out,
      "install.ini:4: error: [A] Hint0 is GBK text: Traditional Chinese systems read it in Big5"));
  EXPECT_TRUE(Any(out, "install.ini:5: warning: [A] Hint2 is 300 bytes"));
  EXPECT_TRUE(Any(out, "shows about the first 89 bytes"));
  EXPECT_TRUE(Any(
      out, "GuideCN.txt:3: error: a Simplified Chinese document ([A] InstallGuide) is UTF-8 text"));
  EXPECT_TRUE(Any(
      out,
      "install.ini:9: error: [B] Hint is Big5 text: Simplified Chinese systems read it in GBK"));
  EXPECT_FALSE(Any(out, "install.ini:10:"));
  EXPECT_TRUE(Any(out, "install.ini:11: warning: [B] Hint2 is not ASCII"));
  EXPECT_EQ(std::count_if(out.begin(), out.end(),
                          [](const std::string& f) { return f.find("[B] Hint2") != f.npos; }),
            1)
      << "the status bar holds 89 bytes";
  EXPECT_FALSE(Any(out, "ReadmeCN.txt")) << "[B]'s Simplified guide is the GBK default";
  EXPECT_TRUE(Any(
      out, "GuideCN.txt:3: error: a Traditional Chinese document ([B] InstallGuide0) is UTF-8"));
  EXPECT_EQ(Code(), 2);
}

TEST_F(SetupLint, HardwareIdsThatDisagree) {
  Put("install.ini",
      "[A]\r\nInstallSettingFile2K=ids.inf\r\n[B]\r\nInstallSettingFile2K=usbfirst.inf\r\n");
  Put("ids.inf",
      "[Manufacturer]\r\n"                                                               // 1
      "%ProviderName%=Velmar,NTamd64\r\n"                                                // 2
      "[Velmar]\r\n"                                                                     // 3
      "\"VP-210\" = VP210,LPTENUM\\VelmarVP-2104E1A,USBPRINT\\VelmarVP-2104E1A\r\n"      // 4
      "\"VP-350S\" = VP350S,LPTENUM\\VelmarVP-350S9C07,USBPRINT\\VelmarVP-350S9CO7\r\n"  // 5 O for
                                                                                         // 0
      "\"VP-350S\" = VP350S,SERENUM\\VelmarVP-350S9C07 ; no x64 line\r\n"                // 6
      "[Velmar.NTamd64]\r\n"                                                             // 7
      "\"VP-210\" = VP210,LPTENUM\\VelmarVP-2104E1B,USBPRINT\\VelmarVP-2104E1B\r\n"  // 8 not line
                                                                                     // 4's
      "\"VP-350S\" = VP350S,LPTENUM\\VelmarVP-350S9C07,USBPRINT\\VelmarVP-350S9CO7\r\n"  // 9
      "[Strings]\r\nProviderName=Velmar\r\n");
  Put("usbfirst.inf",
      "[Strings]\r\nProviderName=V\r\n[V]\r\n"
      "\"M\" = M,USBPRINT\\VelmarM01,LPTENUM\\VelmarM01\r\n");  // 4
  auto out = Lint();
  EXPECT_TRUE(Any(out,
                  "ids.inf:5: error: [Velmar] 'VP-350S': LPTENUM\\VelmarVP-350S9C07 and "
                  "USBPRINT\\VelmarVP-350S9CO7 name different printers"))
      << testing::PrintToString(out);
  EXPECT_FALSE(Any(out, "ids.inf:4:"));
  EXPECT_TRUE(
      Any(out,
          "ids.inf:8: error: [Velmar.NTamd64] 'VP-210' names LPTENUM\\VelmarVP-2104E1B,"
          "USBPRINT\\VelmarVP-2104E1B where [Velmar] line 4 names LPTENUM\\VelmarVP-2104E1A"));
  EXPECT_TRUE(Any(out,
                  "ids.inf:6: error: [Velmar] 'VP-350S' SERENUM\\VelmarVP-350S9C07 has no line in "
                  "[Velmar.NTamd64]: 64-bit Windows does not know this printer"));
  EXPECT_FALSE(Any(out, "ids.inf:9: error: [Velmar.NTamd64] 'VP-350S' names"))
      << "it has line 5's IDs";
  EXPECT_TRUE(Any(
      out,
      "usbfirst.inf:4: error: the installer reads the hardware ID from \"LPTENUM\\\" to the next "
      "comma and finds none"));
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
