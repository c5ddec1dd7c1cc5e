// Driver installation as both backends must answer it: missing libraries,
// the ActiveX registration, and the 64-bit sibling started against a
// message window of this test, which receives the sibling's answer.
// Under Wine the stand-ins lie beside the test (Quenset64.exe, WebPrnCtl.ocx);
// the simulated machine only needs files of those names.
#include <gtest/gtest.h>

#include "check.h"
#include "i18n/catalogue.h"
#include "platform/install_messages.h"
#include "platform/platform.h"
#include "services/driver_install.h"
#include "setting.h"
#include "wine_departures.h"

namespace {

using plat::kWmInstallError;
const char kFolder[] = "QueueContract";
const char kSibling[] = "QueueContract\\X64\\Quenset64.exe";
const char kInf[] = "QueueContract\\VP.inf";
const char kNoLib32[] = "QueueContract\\i386\\absent.dll";

// The system seam with IsWow64Process answering true. The test process is
// 64-bit (under Wine) or simulated, so WOW64 is forced here for the
// installer to take its 64-bit road.
class ForcedWow64 : public plat::System {
 public:
  explicit ForcedWow64(plat::System& real) : r_(real) {}
  uint16_t GetSystemDefaultLangID() override { return r_.GetSystemDefaultLangID(); }
  bool GetVersionEx(plat::VersionInfo& out, uint32_t size) override {
    return r_.GetVersionEx(out, size);
  }
  std::optional<bool> IsWow64Process() override { return true; }
  std::string GetSystemDirectory() override { return r_.GetSystemDirectory(); }
  std::string GetTempPath() override { return r_.GetTempPath(); }
  void Sleep(uint32_t ms) override { r_.Sleep(ms); }
  uint64_t TickCount() override { return r_.TickCount(); }
  void OutputDebugString(const std::string& text) override { r_.OutputDebugString(text); }
  uint32_t GetLastError() override { return r_.GetLastError(); }
  void SetLastError(uint32_t code) override { r_.SetLastError(code); }
  std::string ShortDateString() override { return r_.ShortDateString(); }
  std::string LongTimeString() override { return r_.LongTimeString(); }
  std::string ModuleFileName() override { return r_.ModuleFileName(); }
  std::vector<std::string> CommandArgs() override { return r_.CommandArgs(); }
  std::optional<std::string> LoadBitmapResource(const std::string& name) override {
    return r_.LoadBitmapResource(name);
  }
  std::optional<std::string> LoadDataResource(const std::string& name) override {
    return r_.LoadDataResource(name);
  }
  uint32_t AnsiCodePage() override { return r_.AnsiCodePage(); }

 private:
  plat::System& r_;
};

// A stand-in beside the test; the simulated machine gets a file of that name.
bool StandIn(const std::string& name) {
  if (!wine::Active() && !plat::files().FileExists(name))
    plat::files().WriteFile(name, "MZ stand-in");
  return plat::files().FileExists(name);
}

class DriverInstallContract : public contract::ContractTest {
 protected:
  void SetUp() override {
    i18n::FillCatalogueFor(0x0409);
    saved_ = plat::backend();
    MakeFolder(std::string(kFolder) + "\\X64");
    ASSERT_TRUE(plat::files().WriteFile(kInf,
                                        "[Velmar]\r\n\"Velmar VP-210\" = VP210, "
                                        "LPTENUM\\VelmarVP-2108E5C, USBPRINT\\VelmarVP-210\r\n"));
  }
  void TearDown() override {
    plat::SetBackend(saved_);
    for (const char* f : {kSibling, kInf, "QueueContract\\X64\\control64.ocx"})
      plat::files().DeleteFile(f);
    ContractTest::TearDown();
  }

  // Starts the sibling through the installer with WOW64 forced, and waits
  // for its answer to a window of this test.
  std::optional<plat::WindowMessage> RunSibling(const std::string& library64, bool online,
                                                std::string& port) {
    auto window = plat::messages().CreateMessageWindow();
    if (!window) {
      ADD_FAILURE() << "no message window: error " << plat::sys().GetLastError();
      return std::nullopt;
    }
    ForcedWow64 forced(*saved_.system);
    plat::Backend b = saved_;
    b.system = &forced;
    plat::SetBackend(b);
    std::unique_ptr<plat::Process> process;
    services::StartInstaller64(window->Handle(), kSibling, kInf, online, port, process, kNoLib32,
                               library64, "LPTOFFLINE\\");
    const uint32_t error = plat::sys().GetLastError();
    plat::SetBackend(saved_);
    if (!setting::SixtyFourBitWindows()) {
      // A 32-bit Windows cannot run the x64 sibling at all.
      EXPECT_EQ(process, nullptr);
      EXPECT_EQ(error, plat::kErrorBadExeFormat);
      return std::nullopt;
    }
    if (!process) {
      ADD_FAILURE() << "sibling not started: error " << plat::sys().GetLastError();
      return std::nullopt;
    }
    auto msg = window->Receive(20000);
    EXPECT_EQ(process->Wait(20000), plat::kWaitObject0) << "the sibling ends after answering";
    return msg;
  }

  // The sibling stand-in where the installer starts it.
  static void PlaceSibling() {
    ASSERT_TRUE(StandIn("Quenset64.exe")) << "Quenset64.exe is not beside the test";
    ASSERT_TRUE(plat::files().CopyFile("Quenset64.exe", kSibling, false));
  }

  // The sibling that could not install reports |error| to the window; on
  // 64-bit Windows only, where it runs at all.
  static void ExpectFailureAnswer(const std::optional<plat::WindowMessage>& msg, uint32_t error) {
    if (!setting::SixtyFourBitWindows()) return;
    ASSERT_TRUE(msg) << "no answer from the sibling";
    EXPECT_EQ(msg->message, kWmInstallError);
    const auto code = static_cast<uint32_t>(msg->lParam);
    EXPECT_EQ(code, error) << contract::ErrorName(code);
  }

  plat::Backend saved_;
};

TEST_F(DriverInstallContract, MissingLibraryThrowsTheCatalogueText) {
  std::string port = "kept";
  int32_t code = 5;
  try {
    services::InstallDriverByDll(0, code, kInf, true, port, kNoLib32, "LPTOFFLINE\\");
    FAIL() << "no exception";
  } catch (const services::DllError& e) {
    EXPECT_STREQ(e.what(), "The DLL file is not found!");
  }
  EXPECT_EQ(port, "kept");
  EXPECT_THROW(services::ShowDllErrorCode(kNoLib32, false), services::DllError);
}

TEST_F(DriverInstallContract, ControlIsCopiedToTheSystemFolderAndRegistered) {
  ASSERT_TRUE(StandIn("WebPrnCtl.ocx")) << "WebPrnCtl.ocx is not beside the test";
  std::string copy = plat::sys().GetSystemDirectory() + "\\WebPrnCtl.ocx";
  EXPECT_TRUE(services::RegisterOcx("WebPrnCtl.ocx")) << contract::LastError();
  EXPECT_TRUE(plat::files().FileExists(copy));
  EXPECT_FALSE(services::RegisterOcx("QueueContract\\Missing.ocx"));
  EXPECT_FALSE(services::RegisterServerDll("QueueContract\\Missing.ocx"));
  plat::files().DeleteFile(copy);
  plat::files().DeleteFile(copy + ".log");
}

TEST_F(DriverInstallContract, SiblingWithoutItsLibraryAnswersTheWindowWithAnError) {
  ASSERT_NO_FATAL_FAILURE(PlaceSibling());
  std::string port;
  auto msg = RunSibling("QueueContract\\X64\\absent64.dll", true, port);
  EXPECT_EQ(port, "LPT1:");
  // Not found: the command line was understood.
  ExpectFailureAnswer(msg, plat::kErrorModNotFound);
}

TEST_F(DriverInstallContract, SiblingFindsItsLibraryRelativeToItsFolder) {
  ASSERT_NO_FATAL_FAILURE(PlaceSibling());
  ASSERT_TRUE(StandIn(setting::X64Control())) << setting::X64Control() << " is not beside the test";
  // A library that loads but has no FuncDrvKit.
  ASSERT_TRUE(
      plat::files().CopyFile(setting::X64Control(), "QueueContract\\X64\\control64.ocx", false));
  std::string port;
  auto msg = RunSibling("QueueContract\\X64\\control64.ocx", false, port);
  EXPECT_EQ(port, "LPT1:");
  ExpectFailureAnswer(msg, plat::kErrorProcNotFound);
}

TEST_F(DriverInstallContract, SiblingRefusesABadCommandLine) {
  ASSERT_TRUE(StandIn("Quenset64.exe"));
  auto window = plat::messages().CreateMessageWindow();
  ASSERT_TRUE(window);
  plat::StartInfo start;
  start.commandLine = "Quenset64.exe /Handle " + std::to_string(window->Handle()) + " /Dll x.dll";
  start.creationFlags = plat::kDetachedProcess;
  if (!setting::SixtyFourBitWindows()) {
    EXPECT_FAILS_WITH(plat::processes().CreateProcess(start), plat::kErrorBadExeFormat);
    return;
  }
  auto process = plat::processes().CreateProcess(start);
  ASSERT_TRUE(process) << contract::LastError();
  ExpectFailureAnswer(window->Receive(20000), plat::kErrorInvalidParameter);
  ASSERT_EQ(process->Wait(20000), plat::kWaitObject0);
  uint32_t exit = 0;
  ASSERT_TRUE(process->GetExitCode(exit));
  EXPECT_EQ(exit, 2u);
}

}  // namespace
