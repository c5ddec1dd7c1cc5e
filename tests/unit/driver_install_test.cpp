// Driver installation through the simulated helper library, the start of
// the 64-bit sibling with its answer, and the ActiveX registration.
#include <gtest/gtest.h>

#include "i18n/catalogue.h"
#include "platform/errors.h"
#include "platform/install_messages.h"
#include "platform/sim/handoff.h"
#include "platform/sim/handoff_machine_file.h"
#include "services/driver_install.h"
#include "sim_fixture.h"

namespace {

const char kLib[] = ".\\i386\\drvkit.dll";
const char kLib64[] = ".\\X64\\drvkit64.dll";
const char kSibling[] = "X64\\Quenset64.exe";
const char kInf[] = "VP210\\VP210.inf";
const uintptr_t kWindow = 4242;

class DriverInstall : public SimTest {
 protected:
  DriverInstall() {
    i18n::FillCatalogueFor(0x0409);
    for (const char* dir : {"C:\\Medium\\i386", "C:\\Medium\\X64", "C:\\Medium\\VP210"})
      plat::files().CreateDirectory(dir);
    Write(kLib, "MZ");
    Write(kLib64, "MZ");
    Write(kSibling, "MZ");
    Write(kInf,
          "[Velmar]\r\n\"Velmar VP-210\" = VP210, LPTENUM\\VelmarVP-2108E5C, "
          "USBPRINT\\VelmarVP-210\r\n");
  }

  void AttachUsb() {
    AttachDevice("VelmarVP-2108E5C", "USBPRINT\\VELMARVP-210\\7&1A2B&0&USB001",
                 "Virtual printer port USB001");
  }

  std::vector<std::string> Events(const std::string& kind, const std::string& prefix = "") const {
    std::vector<std::string> out;
    for (const auto& e : machine.transcript)
      if (e.kind == kind && e.text.rfind(prefix, 0) == 0) out.push_back(e.text);
    return out;
  }
  std::string DrvKitCall() const {
    auto calls = Events("library", "FuncDrvKit(");
    return calls.size() == 1 ? calls[0] : "calls: " + std::to_string(calls.size());
  }

  bool Install(bool online, std::string& port, int32_t& code) {
    return services::InstallDriverByDll(kWindow, code, kInf, online, port, kLib, "LPTOFFLINE\\");
  }

  // The 64-bit sibling started for the model: its process, null when none started.
  std::unique_ptr<plat::Process> StartSibling(bool online, std::string& port,
                                              const char* offlinePrefix = "LPTOFFLINE\\",
                                              const char* sibling = kSibling) {
    std::unique_ptr<plat::Process> process;
    services::StartInstaller64(kWindow, sibling, kInf, online, port, process, kLib, kLib64,
                               offlinePrefix);
    return process;
  }
  // What the sibling posted once its hand-off delay has passed.
  std::vector<plat::sim::PostedMessage> AnswersAfterTheDelay() {
    machine.now += machine.handOff.delay;
    return plat::sim::TakeDueMessages(machine);
  }
};

TEST_F(DriverInstall, MissingLibraryOrFunctionThrowsTheCatalogueText) {
  std::string port = "kept";
  int32_t code = 77;
  try {
    services::InstallDriverByDll(kWindow, code, kInf, true, port, ".\\i386\\none.dll", "");
    FAIL() << "no exception";
  } catch (const services::DllError& e) {
    EXPECT_STREQ(e.what(), "The DLL file is not found!");
  }
  machine.devices.missingExports = {"FuncDrvKit"};
  try {
    Install(true, port, code);
    FAIL() << "no exception";
  } catch (const services::DllError& e) {
    EXPECT_STREQ(e.what(), "Function is incorrect in the DLL file.");
  }
  EXPECT_EQ(port, "kept");
  EXPECT_EQ(code, 77);

  i18n::FillCatalogueFor(0x0804);
  try {
    Install(true, port, code);
    FAIL() << "no exception";
  } catch (const services::DllError& e) {
    EXPECT_EQ(std::string(e.what()), i18n::StrDllBadFunction());
    EXPECT_NE(std::string(e.what()), "Function is incorrect in the DLL file.");
  }
}

TEST_F(DriverInstall, OnlineUsbPrinterGetsItsPortAfterARescan) {
  AttachUsb();
  machine.devices.devices.back().afterRefresh = true;
  std::string port;
  int32_t code = -5;
  machine.devices.lastErrorCode = 0;
  EXPECT_TRUE(Install(true, port, code));
  EXPECT_EQ(port, "USB001");
  EXPECT_EQ(code, 0);
  EXPECT_EQ(DrvKitCall(), "FuncDrvKit(VP210\\VP210.inf, VelmarVP-2108E5C, USB001, 4242)");
  EXPECT_EQ(Events("library", "RefreshHW").size(), 1u);
}

TEST_F(DriverInstall, OfflineUsesThePrefixAndLpt1EvenWithAPrinterAttached) {
  AttachUsb();
  std::string port;
  int32_t code = 0;
  EXPECT_TRUE(Install(false, port, code));
  EXPECT_EQ(port, "LPT1:");
  EXPECT_EQ(DrvKitCall(),
            "FuncDrvKit(VP210\\VP210.inf, LPTOFFLINE\\VelmarVP-2108E5C, LPT1:, 4242)");
}

TEST_F(DriverInstall, NoPrinterOnlineGoesToLpt1AndOnlyTheCompatibleTailSwapsTheId) {
  std::string port = "stale";
  int32_t code = 0;
  EXPECT_TRUE(Install(true, port, code));
  EXPECT_EQ(port, "LPT1:");
  EXPECT_EQ(DrvKitCall(), "FuncDrvKit(VP210\\VP210.inf, VelmarVP-2108E5C, LPT1:, 4242)");

  machine.transcript.clear();
  AttachDevice("VelmarVP-210", "USBPRINT\\VELMARVP-210\\7&1A2B&0&USB003",
               "Virtual printer port USB003");
  EXPECT_TRUE(Install(true, port, code));
  EXPECT_EQ(port, "USB003");
  EXPECT_EQ(DrvKitCall(), "FuncDrvKit(VP210\\VP210.inf, VelmarVP-210, USB003, 4242)");
}

TEST_F(DriverInstall, AnswerOfOneOrLessIsSuccessAndTheErrorCodeIsPassedOn) {
  struct Row {
    int32_t answer;
    bool ok;
  } rows[] = {{0, true}, {1, true}, {2, false}, {-1, true}, {INT32_MIN, true}, {INT32_MAX, false}};
  for (const Row& r : rows) {
    SCOPED_TRACE("FuncDrvKit answers " + std::to_string(r.answer));
    machine.devices.installResult = r.answer;
    machine.devices.lastErrorCode = 0xE0000203;
    std::string port;
    int32_t code = 0;
    EXPECT_EQ(Install(true, port, code), r.ok);
    EXPECT_EQ(static_cast<uint32_t>(code), 0xE0000203u);
  }
  machine.devices.missingExports = {"LastInstallErrorCode"};
  std::string port;
  int32_t code = 0;
  EXPECT_FALSE(Install(true, port, code));
  EXPECT_EQ(code, 1);
}

TEST_F(DriverInstall, SuccessfulInstallPutsTheDriverIntoTheSpooler) {
  machine.devices.installsDriver = "Velmar VP-210";
  machine.devices.installResult = 2;
  std::string port;
  int32_t code = 0;
  EXPECT_FALSE(Install(true, port, code));
  EXPECT_TRUE(machine.spooler.drivers.empty());
  machine.devices.installResult = 1;
  EXPECT_TRUE(Install(true, port, code));
  EXPECT_EQ(machine.spooler.drivers, std::vector<std::string>{"Velmar VP-210"});
}

TEST_F(DriverInstall, ShowDllErrorCodePassesAllBitsForTrue) {
  services::ShowDllErrorCode(kLib, true);
  services::ShowDllErrorCode(kLib, false);
  EXPECT_EQ(Events("library", "ShowErrorCode"),
            (std::vector<std::string>{"ShowErrorCode(-1)", "ShowErrorCode(0)"}));
  EXPECT_EQ(Events("library", "LoadLibrary")[0], "LoadLibrary(C:\\Medium\\i386\\drvkit.dll)");
  machine.devices.missingExports = {"ShowErrorCode"};
  EXPECT_NO_THROW(services::ShowDllErrorCode(kLib, true));
  EXPECT_THROW(services::ShowDllErrorCode("gone.dll", false), services::DllError);
}

// --- the 64-bit sibling

TEST_F(DriverInstall, SiblingIsNotStartedOn32BitWindows) {
  AttachUsb();
  std::string port = "kept";
  auto process = StartSibling(true, port);
  EXPECT_EQ(port, "kept");
  EXPECT_FALSE(process);
  EXPECT_TRUE(machine.transcript.empty());
}

// The sibling on 64-bit Windows; |port| is where the model was found.
class SiblingOn64Bit : public DriverInstall {
 protected:
  SiblingOn64Bit() { machine.wow64 = true; }
  std::unique_ptr<plat::Process> StartForUsbPrinter(bool online) {
    AttachUsb();
    return StartSibling(online, port);
  }
  std::string port;
};

TEST_F(SiblingOn64Bit, GetsTheCommandLineAndAnswersTheWindowLater) {
  machine.handOff.delay = 4000;
  machine.devices.lastErrorCode = 0;
  auto process = StartForUsbPrinter(true);
  ASSERT_TRUE(process);
  uint64_t started = machine.now;  // after the rescan's pause
  EXPECT_EQ(port, "USB001");
  EXPECT_EQ(Events("command"),
            std::vector<std::string>{"X64\\Quenset64.exe /Handle 4242 /Dll \"drvkit64.dll\" /Inf "
                                     "\"..\\VP210\\VP210.inf\" /HWID VelmarVP-2108E5C"});
  EXPECT_EQ(Events("start"), std::vector<std::string>{
                                 "flags=0x8 startup=0x101 show=0 inherit=1 dir=C:\\Medium\\X64"});
  // The sibling ran the 64-bit library in its own folder.
  EXPECT_EQ(Events("library", "LoadLibrary(C:\\Medium\\X64\\drvkit64.dll)").size(), 1u);
  EXPECT_EQ(DrvKitCall(), "FuncDrvKit(..\\VP210\\VP210.inf, VelmarVP-2108E5C, USB001, 4242)");
  EXPECT_EQ(machine.handles.Count("thread"), 0) << "thread handle closed at once";
  EXPECT_EQ(machine.handles.Count("process"), 1);

  EXPECT_TRUE(plat::sim::TakeDueMessages(machine).empty());
  EXPECT_EQ(process->Wait(1000), plat::kWaitTimeout);
  EXPECT_TRUE(plat::sim::TakeDueMessages(machine).empty());
  EXPECT_EQ(process->Wait(5000), plat::kWaitObject0);
  auto due = plat::sim::TakeDueMessages(machine);
  ASSERT_EQ(due.size(), 1u);
  EXPECT_EQ(due[0].window, kWindow);
  EXPECT_EQ(due[0].message, plat::kWmInstallSuccess);
  EXPECT_EQ(due[0].at, started + 4000);
  process.reset();
}

TEST_F(SiblingOn64Bit, InAFolderWithABlankStartsQuoted) {
  AttachUsb();
  for (const char* dir : {"C:\\My Medium", "C:\\My Medium\\X64"})
    plat::files().CreateDirectory(dir);
  Write("C:\\My Medium\\X64\\Quenset64.exe", "MZ");
  auto process = StartSibling(true, port, "LPTOFFLINE\\", "C:\\My Medium\\X64\\Quenset64.exe");
  const auto commands = Events("command");
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].rfind("\"C:\\My Medium\\X64\\Quenset64.exe\" /Handle 4242 ", 0), 0u)
      << commands[0];
}

TEST_F(SiblingOn64Bit, OfflineFailureCarriesTheLibrarysCode) {
  machine.devices.installResult = 2;
  machine.devices.lastErrorCode = 0xE000020B;
  auto process = StartForUsbPrinter(false);
  ASSERT_TRUE(process);
  EXPECT_EQ(port, "LPT1:");
  EXPECT_EQ(DrvKitCall(),
            "FuncDrvKit(..\\VP210\\VP210.inf, LPTOFFLINE\\VelmarVP-2108E5C, LPT1:, 4242)");
  auto due = AnswersAfterTheDelay();
  ASSERT_EQ(due.size(), 1u);
  EXPECT_EQ(due[0].message, plat::kWmInstallError);
  EXPECT_EQ(static_cast<uint32_t>(due[0].lParam), 0xE000020Bu);
  uint32_t exit = 0;
  ASSERT_TRUE(process->GetExitCode(exit));
  EXPECT_EQ(exit, 1u);
}

TEST_F(SiblingOn64Bit, WithoutItsLibraryReportsAnError) {
  machine.devices.present64 = false;
  auto process = StartSibling(true, port, "");
  ASSERT_TRUE(process);
  auto due = AnswersAfterTheDelay();
  ASSERT_EQ(due.size(), 1u);
  EXPECT_EQ(due[0].message, plat::kWmInstallError);
  EXPECT_EQ(due[0].lParam, plat::kErrorModNotFound);
}

TEST_F(SiblingOn64Bit, ThatCannotStartLeavesNoProcess) {
  EXPECT_FALSE(StartSibling(true, port, "", "X64\\Missing.exe"));
  EXPECT_EQ(port, "LPT1:");
  machine.faults.Set("CreateProcess", 0, 1450);
  EXPECT_FALSE(StartSibling(true, port, ""));
  EXPECT_TRUE(plat::sim::TakeDueMessages(machine).empty());
}

TEST(RelativePath, FromTheSiblingsFolder) {
  EXPECT_EQ(services::RelativePath("C:\\Medium\\X64", "C:\\Medium\\X64\\drvkit64.dll"),
            "drvkit64.dll");
  EXPECT_EQ(services::RelativePath("C:\\Medium\\X64", "C:\\Medium\\VP\\VP.inf"), "..\\VP\\VP.inf");
  EXPECT_EQ(services::RelativePath("C:\\medium\\x64", "C:\\Medium\\VP.inf"), "..\\VP.inf");
  EXPECT_EQ(services::RelativePath("C:\\A\\B\\C", "C:\\D.inf"), "..\\..\\..\\D.inf");
  EXPECT_EQ(services::RelativePath("C:\\Medium\\X64", "D:\\VP.inf"), "D:\\VP.inf");
  EXPECT_EQ(services::RelativePath("C:\\Med", "C:\\Medium\\VP.inf"), "..\\Medium\\VP.inf");
}

// --- ActiveX registration

TEST_F(DriverInstall, OcxIsCopiedToTheSystemFolderAndRegisteredThere) {
  Write("i386\\WebPrnCtl.ocx", "MZ control");
  plat::files().CreateDirectory("C:\\WINDOWS");
  plat::files().CreateDirectory("C:\\WINDOWS\\system32");
  EXPECT_TRUE(services::RegisterOcx("C:\\Medium\\.\\i386\\WebPrnCtl.ocx"));
  EXPECT_EQ(plat::files().ReadFile("C:\\WINDOWS\\system32\\WebPrnCtl.ocx").value_or(""),
            "MZ control");
  EXPECT_EQ(Events("library", "DllRegisterServer"),
            std::vector<std::string>{"DllRegisterServer(C:\\WINDOWS\\system32\\WebPrnCtl.ocx)"});

  machine.faults.Set("DllRegisterServer", 0, 0x80070005);
  EXPECT_FALSE(services::RegisterOcx("i386\\WebPrnCtl.ocx"));
  machine.faults.Clear();
  EXPECT_FALSE(services::RegisterOcx("i386\\Missing.ocx"));
  // A helper library has no DllRegisterServer.
  EXPECT_FALSE(services::RegisterServerDll(kLib));
}

}  // namespace

namespace {

TEST(HandOffMachineFile, SetsTheDelayAndTheDriverOrStopsOnABadValue) {
  plat::sim::SimMachine m;
  std::string error;
  ASSERT_TRUE(plat::sim::LoadHandOffSection(
      {{"handoff64", {{"delay", "1500"}, {"InstallsDriver", " VP "}}}}, m, error))
      << error;
  EXPECT_EQ(m.handOff.delay, 1500u);
  EXPECT_EQ(m.devices.installsDriver, "VP");
  for (const auto& [key, value] :
       std::vector<std::pair<std::string, std::string>>{{"Delay", ""},
                                                        {"Delay", "-5"},
                                                        {"Delay", "1e3"},
                                                        {"Delay", "123456789"},
                                                        {"Speed", "1"}}) {
    EXPECT_FALSE(plat::sim::LoadHandOffSection({{"HandOff64", {{key, value}}}}, m, error))
        << key << "=" << value;
    EXPECT_NE(error.find("HandOff64"), std::string::npos) << error;
  }
  EXPECT_EQ(m.handOff.delay, 1500u) << "a failed load changes nothing";
}

}  // namespace
