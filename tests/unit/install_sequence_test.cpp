// The install sequence end to end on the simulated machine and the headless
// UI: the press of the install button, the questions, the upgrade of an
// existing queue, the helper library's answer and the reported outcome.
#include <algorithm>
#include <memory>

#include "i18n/catalogue.h"
#include "platform/sim/state_dump.h"
#include "services/log.h"
#include "program_fixture.h"

namespace {

using ui::headless::Step;

const char kModel[] = "Velmar VP-210";

class InstallSequence : public ProgramTest {
 protected:
  InstallSequence() {
    for (const char* dir : {"C:\\Medium\\i386", "C:\\Medium\\X64"})
      plat::files().CreateDirectory(dir);
    Write("C:\\Medium\\i386\\drvkit.dll", "MZ");
    Write("C:\\Medium\\X64\\drvkit64.dll", "MZ");
    Write("C:\\Medium\\X64\\Quenset64.exe", "MZ");
    Write("C:\\Medium\\vp210.inf",
          "[Strings]\r\nProviderName=Velmar\r\n[Velmar]\r\n\"Velmar VP-210\" = VP210, "
          "LPTENUM\\VelmarVP-2108E5C, USBPRINT\\VelmarVP-210\r\n");
    machine.devices.installsDriver = kModel;
    machine.spooler.ports.push_back("USB001");
  }

  void Start(const std::string& extra = "") {
    Write("C:\\Medium\\install.ini",
          "[VP210]\r\nInstallSettingFile2K=vp210.inf\r\nDefaultPortName=USB001\r\n" + extra);
    p = app::StartProgram();
    p->mainForm->Show();
    main().PrepareAutoInstall();
  }
  app::TMainForm& main() { return *p->mainForm; }
  // The machine's WOW64 answer; the headless loop delivers what the sibling
  // posts, as a 64-bit run needs.
  void SetWow64(bool wow64) {
    machine.wow64 = wow64;
    h.machine = &machine;
  }
  void Press() { main().BbtnStart->Click(); }

  // The message boxes shown, as "caption | text".
  std::vector<std::string> Boxes() const {
    std::vector<std::string> out;
    for (const auto& b : h.MessageBoxes()) out.push_back(b.caption + " | " + b.text);
    return out;
  }
  int LibraryCalls(const std::string& prefix) const {
    int n = 0;
    for (const auto& e : machine.transcript)
      if (e.kind == "library" && e.text.rfind(prefix, 0) == 0) ++n;
    return n;
  }
  void AddQueue(const std::string& name, const std::string& driver, int jobs = 0) {
    plat::sim::SimPrinter q;
    q.info.printerName = name;
    q.info.driverName = driver;
    q.info.portName = "LPT1:";
    q.info.printProcessor = "WinPrint";
    for (int i = 0; i < jobs; ++i) q.jobs.push_back({machine.spooler.nextJobId++, "doc", 0});
    machine.spooler.printers.push_back(q);
    machine.spooler.drivers.push_back(driver);
  }
  const plat::sim::SimPrinter* Queue(const std::string& name) const {
    for (const auto& q : machine.spooler.printers)
      if (q.info.printerName == name) return &q;
    return nullptr;
  }
  bool InTranscript(const std::string& text) const {
    for (const std::string& l : h.Transcript())
      if (l.find(text) != std::string::npos) return true;
    return false;
  }
  bool Unlocked() {
    return main().BbtnStart->Enabled() && main().BbtnExit->Enabled() &&
           main().LvPrinters->Enabled();
  }
};

// The attempt is fixed when Install is pressed: another model selected while
// the confirmation box is open, or while the 64-bit sibling works, changes
// neither the model nor the port of what is installed.
class SelectionDuringAnAttempt : public InstallSequence {
 protected:
  void StartTwoModels(const std::string& extra) {
    Write("C:\\Medium\\vp350.inf",
          "[Strings]\r\nProviderName=Velmar\r\n[Velmar]\r\n\"Velmar VP-350S\" = VP350, "
          "LPTENUM\\VelmarVP-350S1234, USBPRINT\\VelmarVP-350S\r\n");
    Start(extra +
          "[VP350]\r\nInstallSettingFile2K=vp350.inf\r\nDefaultPortName=LPT1:\r\nQuiteMode=0\r\n");
    ASSERT_EQ(main().LvPrinters->Items().size(), 2u);
  }
  void ExpectTheFirstModelOnItsPort() {
    const auto* q = Queue(kModel);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->info.portName, "USB001");
    EXPECT_EQ(Queue("Velmar VP-350S"), nullptr);
    ASSERT_FALSE(Boxes().empty());
    EXPECT_NE(Boxes().back().find("set to USB001 !"), std::string::npos) << Boxes().back();
  }
};

TEST_F(SelectionDuringAnAttempt, WhileTheConfirmationIsOpen) {
  StartTwoModels("");
  ui::Timer select(&main(), "tmrSelect");
  select.SetInterval(100);
  select.OnTimer = [&] {
    select.SetEnabled(false);
    main().LvPrinters->SetItemIndex(1);
  };
  select.SetEnabled(true);
  h.Script(Step::Answer(ui::kIdYes).When("Are you sure").At(plat::sys().TickCount() + 500));
  h.Script(Step::Answer(ui::kIdOk).When("successfully"));
  Press();
  EXPECT_EQ(main().LvPrinters->ItemIndex(), 1) << "the selection did change";
  ExpectTheFirstModelOnItsPort();
}

TEST_F(SelectionDuringAnAttempt, WhileTheSiblingWorks) {
  SetWow64(true);
  StartTwoModels("QuiteMode=1\r\n");
  Press();
  ASSERT_EQ(machine.handOff.posted.size(), 1u);
  main().LvPrinters->SetItemIndex(1);
  h.Script(Step::Answer(ui::kIdOk).When("successfully"));
  plat::sys().Sleep(static_cast<uint32_t>(machine.handOff.delay));
  ui::app().ProcessMessages();
  ExpectTheFirstModelOnItsPort();
}

TEST_F(InstallSequence, ConfirmedInstallSetsUpTheQueueAndReportsItsPort) {
  Start();
  h.Script(Step::Answer(ui::kIdYes).When("Are you sure"));
  h.Script(Step::Answer(ui::kIdOk).When("successfully"));
  Press();
  ASSERT_EQ(LibraryCalls("FuncDrvKit("), 1);
  const auto* q = Queue(kModel);
  ASSERT_NE(q, nullptr) << "the queue is created after the driver";
  EXPECT_EQ(q->info.driverName, kModel);
  EXPECT_EQ(q->info.portName, "USB001") << "the model's port, as the spooler lists it";
  EXPECT_EQ(machine.spooler.defaultPrinter, kModel);
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1],
            "Notice | The printer driver has been installed successfully. \r\nAnd the printer port "
            "is set to USB001 !\r\nNotice: Please restart your computer !")
      << "the default print processor is named, so the restart note follows";
  EXPECT_TRUE(Unlocked());
  EXPECT_EQ(main().InstallState, app::TInstallState::Ended);
  EXPECT_EQ(main().InstalledPrinterName, "");
  EXPECT_EQ(main().GetCursor(), ui::Cursor::Default);
}

TEST_F(InstallSequence, NothingHappensWithoutAModelOrAYes) {
  Start();
  main().LvPrinters->SetItemIndex(-1);
  Press();
  EXPECT_TRUE(Boxes().empty());

  main().LvPrinters->SetItemIndex(0);
  h.Script(Step::Answer(ui::kIdNo).When("Are you sure"));
  Press();
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(LibraryCalls("FuncDrvKit("), 0);
  EXPECT_EQ(Queue(kModel), nullptr);
  EXPECT_TRUE(Unlocked());
  EXPECT_FALSE(main().TmrAutoInstall->Enabled());
  EXPECT_EQ(main().TmrAutoInstall->Interval(), 3600000u) << "a press cancels the automatic install";
}

TEST_F(InstallSequence, ExistingQueueIsReplacedOnlyWhenTheUserAgreesAndItIsIdle) {
  Start();
  AddQueue(kModel, "Old Driver");
  // Declined: nothing removed, nothing installed, nothing reported.
  h.Script(Step::Answer(ui::kIdYes).When("Are you sure"));
  h.Script(Step::Answer(ui::kIdNo).When("upgrade"));
  Press();
  EXPECT_EQ(Boxes().size(), 2u);
  ASSERT_NE(Queue(kModel), nullptr);
  EXPECT_EQ(Queue(kModel)->info.driverName, "Old Driver");
  EXPECT_EQ(LibraryCalls("FuncDrvKit("), 0);
  EXPECT_TRUE(Unlocked());

  // Busy: the queue keeps its jobs and its driver.
  machine.spooler.printers.clear();
  AddQueue(kModel, "Old Driver", 1);
  h.Script(Step::Answer(ui::kIdYes).When("Are you sure"));
  h.Script(Step::Answer(ui::kIdYes).When("upgrade"));
  h.Script(Step::Answer(ui::kIdOk).When("still printing"));
  Press();
  ASSERT_EQ(Boxes().size(), 5u);
  EXPECT_EQ(Boxes()[4], "Notice | " + i18n::StrPrinterBusy());
  EXPECT_EQ(Queue(kModel)->jobs.size(), 1u);
  EXPECT_EQ(LibraryCalls("FuncDrvKit("), 0);
  EXPECT_TRUE(Unlocked());

  // Idle: replaced by the new driver's queue.
  machine.spooler.printers.clear();
  AddQueue(kModel, "Old Driver");
  h.Script(Step::Answer(ui::kIdYes).When("Are you sure"));
  h.Script(Step::Answer(ui::kIdYes).When("upgrade"));
  h.Script(Step::Answer(ui::kIdOk).When("successfully"));
  Press();
  ASSERT_NE(Queue(kModel), nullptr);
  EXPECT_EQ(Queue(kModel)->info.driverName, kModel);
  EXPECT_EQ(LibraryCalls("FuncDrvKit("), 1);
}

TEST_F(InstallSequence, QuietModelAsksNothing) {
  Start("QuiteMode=1\r\nPrintProcess=\r\n");
  AddQueue(kModel, "Old Driver");
  h.Script(Step::Answer(ui::kIdOk).When("successfully"));
  Press();
  ASSERT_EQ(Boxes().size(), 1u) << "only the outcome";
  EXPECT_EQ(Boxes()[0],
            "Notice | The printer driver has been installed successfully. \r\nAnd the printer port "
            "is set to USB001 !")
      << "an empty print processor means WinPrint and no restart note";
  EXPECT_EQ(Queue(kModel)->info.driverName, kModel);
}

TEST_F(InstallSequence, LibraryFailuresAreReportedByTheirCode) {
  Start("QuiteMode=1\r\n");
  machine.devices.installResult = 3;
  machine.devices.lastErrorCode = 5;
  h.Script(Step::Answer(ui::kIdOk).When("Failed"));
  Press();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0], "Notice | Driver install is Failed (0x00000005).\r\nPlease retry later!");
  EXPECT_EQ(main().LastErrorCode, 5u);
  EXPECT_EQ(Queue(kModel), nullptr);
  EXPECT_TRUE(Unlocked());

  // Cancelled in the library: its own text.
  machine.devices.lastErrorCode = 0xE000022F;
  h.Script(Step::Answer(ui::kIdOk).When("canceled"));
  Press();
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1], "Notice | Installation has been canceled by user !");
}

TEST_F(InstallSequence, OnlineFailureOnTheParallelPortGoesOfflineAtOnce) {
  Start("QuiteMode=1\r\n");
  AttachDevice("VelmarVP-2108E5C", "LPTENUM\\VELMARVP-2108E5C\\1", "LPT1");
  machine.devices.installResult = 3;
  machine.devices.lastErrorCode = 0xE000020B;
  // The offline attempt that follows at once fails the same way: it is not
  // retried offline again and again, the user is asked.
  h.Script(Step::Answer(ui::kIdCancel).When("Online Installation"));
  Press();
  EXPECT_EQ(LibraryCalls("FuncDrvKit("), 2) << "the online attempt, then the offline one";
  EXPECT_EQ(main().ConnectedPort(), "LPT1:");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_TRUE(Unlocked());
}

// The INF is read for its hardware IDs once an attempt: an INF changed while
// the online failure is being asked about does not change what the offline
// retry installs.
TEST_F(InstallSequence, TheOfflineRetryInstallsTheIdsTheAttemptRead) {
  AttachDevice("VelmarVP-2108E5C", "USBPRINT\\VELMARVP-210\\7&1A2B3C4D&0&USB001",
               "Virtual printer port for USB001");
  machine.devices.installResult = 3;
  machine.devices.lastErrorCode = 0xE000020B;
  Start("QuiteMode=1\r\n");
  ui::Timer rewrite(&main(), "tmrRewrite");
  rewrite.SetInterval(100);
  rewrite.OnTimer = [&] {
    rewrite.SetEnabled(false);
    Write("C:\\Medium\\vp210.inf",
          "[Strings]\r\nProviderName=Velmar\r\n[Velmar]\r\n\"Velmar VP-210\" = VP210, "
          "LPTENUM\\OtherID, USBPRINT\\Other\r\n");
  };
  rewrite.SetEnabled(true);
  h.Script(Step::Answer(ui::kIdNo).When("Online Installation").At(plat::sys().TickCount() + 500));
  h.Script(Step::Answer(ui::kIdCancel).When("Online Installation"));
  Press();
  std::vector<std::string> installs;
  for (const auto& e : machine.transcript)
    if (e.kind == "library" && e.text.rfind("FuncDrvKit(", 0) == 0) installs.push_back(e.text);
  ASSERT_EQ(installs.size(), 2u) << "the online run, then the offline one";
  EXPECT_NE(installs[0].find(", VelmarVP-2108E5C, USB001, "), std::string::npos) << installs[0];
  EXPECT_NE(installs[1].find(", LPTOFFLINE\\VelmarVP-2108E5C, LPT1:, "), std::string::npos)
      << installs[1];
  EXPECT_TRUE(Unlocked());
}

TEST_F(InstallSequence, MissingHelperLibraryIsShownAndUnlocks) {
  Start("QuiteMode=1\r\nInstallDll2K=i386\\none.dll\r\n");
  machine.devices.present32 = false;
  Press();
  EXPECT_TRUE(InTranscript("The DLL file is not found!"));
  EXPECT_TRUE(Unlocked());
  EXPECT_EQ(LibraryCalls("FuncDrvKit("), 0);
}

TEST_F(InstallSequence, SixtyFourBitWindowsHandsOffAndWaitsForTheSiblingsMessage) {
  SetWow64(true);
  Start("QuiteMode=1\r\n");
  Press();
  // The sibling installs and answers the main window later.
  ASSERT_EQ(machine.handOff.posted.size(), 1u);
  EXPECT_EQ(machine.handOff.posted[0].window, main().Handle());
  EXPECT_NE(main().Setup64Process, 0u);
  EXPECT_TRUE(main().TimerSetup64Error->Enabled());
  EXPECT_EQ(main().InstallState, app::TInstallState::Running);
  EXPECT_FALSE(main().BbtnStart->Enabled()) << "locked until the answer";

  h.Script(Step::Answer(ui::kIdOk).When("successfully"));
  plat::sys().Sleep(static_cast<uint32_t>(machine.handOff.delay));
  ui::app().ProcessMessages();
  EXPECT_TRUE(Unlocked());
  EXPECT_FALSE(main().TimerSetup64Error->Enabled());
  EXPECT_EQ(main().InstallState, app::TInstallState::Ended);
  ASSERT_NE(Queue(kModel), nullptr) << "the queue is set up on this side";
  EXPECT_EQ(Boxes().size(), 1u);
}

// Every activation forgets the printer's name; the outcome that follows must
// still set up that printer's queue, not report a success without one.
TEST_F(InstallSequence, ActivationsBeforeTheOutcomeDoNotLoseThePrinter) {
  SetWow64(true);
  Start("QuiteMode=1\r\n");
  Press();
  main().PrepareAutoInstall();  // the user switches away and back, twice
  main().PrepareAutoInstall();
  EXPECT_TRUE(main().InstalledPrinterName.empty());
  h.Script(Step::Answer(ui::kIdOk).When("successfully"));
  plat::sys().Sleep(static_cast<uint32_t>(machine.handOff.delay));
  ui::app().ProcessMessages();
  ASSERT_NE(Queue(kModel), nullptr);
  EXPECT_EQ(Queue(kModel)->info.portName, "USB001");
  ASSERT_EQ(Boxes().size(), 1u) << "no bare error number";
  EXPECT_NE(Boxes()[0].find("set to USB001 !"), std::string::npos) << Boxes()[0];
}

TEST_F(InstallSequence, WatchdogReportsASiblingThatEndedSilently) {
  SetWow64(true);
  Start("QuiteMode=1\r\n");
  Press();
  plat::sys().Sleep(1000);
  ui::app().ProcessMessages();
  EXPECT_EQ(main().InstallState, app::TInstallState::Running)
      << "a sibling still running is waited for";
  EXPECT_FALSE(main().BbtnStart->Enabled());

  // It ends without a word, the window in sight: no message can come now.
  machine.handOff.posted.clear();
  h.Script(Step::Answer(ui::kIdOk).When("Failed"));
  plat::sys().Sleep(machine.handOff.delay + 5000);
  ui::app().ProcessMessages();
  EXPECT_EQ(main().InstallState, app::TInstallState::Ended);
  EXPECT_TRUE(Unlocked());
  EXPECT_EQ(main().Setup64Process, 0u);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0], "Notice | Driver install is Failed (0x00000001).\r\nPlease retry later!")
      << "its exit code 0 still means no outcome";

  // Hidden, with a sibling that failed by its exit code.
  machine.handOff.posted.clear();
  machine.devices.installResult = 3;
  Press();
  machine.handOff.posted.clear();
  main().Hide();
  h.Script(Step::Answer(ui::kIdOk).When("Failed"));
  plat::sys().Sleep(machine.handOff.delay + 5000);
  ui::app().ProcessMessages();
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1], "Notice | Driver install is Failed (0x00000001).\r\nPlease retry later!");
  EXPECT_TRUE(Unlocked());
}

// On 64-bit Windows only the sibling's message used to unlock the window: an
// attempt that never reached the sibling left it locked for good.
TEST_F(InstallSequence, SixtyFourBitAttemptThatEndsBeforeTheHandOffUnlocks) {
  SetWow64(true);

  // The helper library is missing: the error is shown, the window usable.
  Start("QuiteMode=1\r\nInstallDll2K=i386\\none.dll\r\n");
  machine.devices.present32 = false;
  Press();
  EXPECT_TRUE(InTranscript("The DLL file is not found!"));
  EXPECT_TRUE(Unlocked());
  EXPECT_EQ(main().InstallState, app::TInstallState::Ended);
  EXPECT_TRUE(machine.handOff.posted.empty());

  // The sibling cannot be started: its start's error code, and unlocked.
  machine.devices.present32 = true;
  p.reset();
  Start("QuiteMode=1\r\n");
  plat::files().DeleteFile("C:\\Medium\\X64\\Quenset64.exe");
  h.Script(Step::Answer(ui::kIdOk).When("Failed"));
  Press();
  ASSERT_FALSE(Boxes().empty());
  EXPECT_EQ(Boxes().back(),
            "Notice | Driver install is Failed (0x00000002).\r\nPlease retry later!");
  EXPECT_TRUE(Unlocked());
  EXPECT_FALSE(main().TimerSetup64Error->Enabled());
  EXPECT_EQ(main().InstallState, app::TInstallState::Ended);

  // The queue to replace still prints (a quiet model is not told): usable again.
  plat::files().WriteFile("C:\\Medium\\X64\\Quenset64.exe", "MZ");
  AddQueue(kModel, "Old Driver", 1);
  const size_t boxes = Boxes().size();
  Press();
  EXPECT_EQ(Boxes().size(), boxes);
  EXPECT_TRUE(Unlocked());
  EXPECT_TRUE(machine.handOff.posted.empty());
}

TEST_F(InstallSequence, QueueThatCannotBeCreatedIsAFailureNotASuccess) {
  Start("QuiteMode=1\r\n");
  machine.faults.Set("AddPrinter", 0, 1797);  // ERROR_UNKNOWN_PRINTER_DRIVER
  h.Script(Step::Answer(ui::kIdOk).When("Failed"));
  Press();
  ASSERT_EQ(Boxes().size(), 1u) << "no bare number, no success";
  EXPECT_EQ(Boxes()[0], "Notice | Driver install is Failed (0x00000705).\r\nPlease retry later!");
  EXPECT_EQ(main().LastErrorCode, 1797u);
  EXPECT_EQ(Queue(kModel), nullptr);
  EXPECT_TRUE(Unlocked());
  EXPECT_TRUE(main().InstalledPrinterName.empty());
}

TEST_F(InstallSequence, UpgradeWhoseOldQueueCannotBeDeletedSaysSo) {
  Start("QuiteMode=1\r\n");
  AddQueue(kModel, "Old Driver");
  machine.faults.Set("DeletePrinter", 0, 5);  // ERROR_ACCESS_DENIED
  h.Script(Step::Answer(ui::kIdOk).When("Failed"));
  Press();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0], "Notice | Driver install is Failed (0x00000005).\r\nPlease retry later!");
  EXPECT_EQ(Queue(kModel)->info.driverName, "Old Driver") << "nothing was replaced";
  EXPECT_EQ(LibraryCalls("FuncDrvKit("), 0);
  EXPECT_TRUE(Unlocked());
}

// An INF that names no printer can give no queue: the attempt fails with the
// failure box before the library or the sibling is asked, never "installed
// successfully" after a bare number.
TEST_F(InstallSequence, InfThatNamesNoPrinterFailsBeforeInstalling) {
  struct Case {
    const char* inf;  // nullptr: no INF
    bool wow64;
    const char* box;
  };
  const Case cases[] = {
      {nullptr, false, "Notice | Driver install is Failed (0x00000002).\r\nPlease retry later!"},
      {nullptr, true, "Notice | Driver install is Failed (0x00000002).\r\nPlease retry later!"},
      {"[Strings]\r\n[Velmar]\r\n\"Velmar VP-210\" = VP210, LPTENUM\\VelmarVP-2108E5C\r\n", false,
       "Notice | Driver install is Failed (0xE0000102).\r\nPlease retry later!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.inf ? c.inf : "no INF") + (c.wow64 ? ", 64-bit" : ", 32-bit"));
    p.reset();
    const size_t before = Boxes().size();
    machine.transcript.clear();
    SetWow64(c.wow64);
    if (c.inf)
      Write("C:\\Medium\\vp210.inf", c.inf);
    else
      plat::files().DeleteFile("C:\\Medium\\vp210.inf");
    Start();
    h.Script(Step::Answer(ui::kIdYes).When("Are you sure"));
    h.Script(Step::Answer(ui::kIdOk).When("Failed"));
    Press();
    plat::sys().Sleep(static_cast<uint32_t>(machine.handOff.delay));
    ui::app().ProcessMessages();
    ASSERT_EQ(Boxes().size(), before + 2);
    EXPECT_EQ(Boxes().back(), c.box);
    EXPECT_EQ(LibraryCalls("FuncDrvKit("), 0);
    EXPECT_TRUE(machine.handOff.posted.empty() && machine.started.empty())
        << "no sibling, no devcon";
    EXPECT_TRUE(machine.spooler.printers.empty());
    EXPECT_TRUE(Unlocked());
    EXPECT_EQ(main().InstallState, app::TInstallState::Ended);
  }
}

// The queue is there but its port cannot be read: the error number comes
// under the catalogue's caption, which every system can show.
TEST_F(InstallSequence, UnreadablePortIsShownUnderAReadableCaption) {
  Start("QuiteMode=1\r\n");
  machine.faults.Set("GetPrinter", 0, 5);
  Press();
  ASSERT_EQ(h.MessageBoxes().size(), 2u);
  const ui::headless::BoxRecord& number = h.MessageBoxes()[0];
  EXPECT_EQ(number.caption, "Notice");
  EXPECT_EQ(number.captionCodePage, 0u);
  EXPECT_EQ(number.text, "5");
  EXPECT_NE(h.MessageBoxes()[1].text.find("successfully"), std::string::npos);
}

// The sibling's process handle goes once its answer is in: nothing is left
// open after a hand-off (the simulated machine names what is).
TEST_F(InstallSequence, HandOffLeavesNoHandleOpen) {
  SetWow64(true);
  Start("QuiteMode=1\r\n");
  machine.devices.lastErrorCode = 5;
  for (int32_t installResult : {0, 3}) {
    machine.devices.installResult = installResult;
    Press();
    // Watched while the sibling runs; the end-state dump names it by its maker.
    const std::vector<std::string> dump = plat::sim::DescribeSystem(machine);
    EXPECT_NE(std::find(dump.begin(), dump.end(), "System.OpenHandles=1"), dump.end());
    EXPECT_EQ(dump.back().rfind(
                  "System.OpenHandle[0]=process from CreateProcess(X64\\Quenset64.exe /Handle ", 0),
              0u)
        << dump.back();
    plat::sys().Sleep(static_cast<uint32_t>(machine.handOff.delay));
    ui::app().ProcessMessages();
    EXPECT_EQ(main().InstallState, app::TInstallState::Ended);
    EXPECT_EQ(machine.handles.Total(), 0) << machine.handles.Describe();
    EXPECT_EQ(main().Setup64Process, 0u);
  }
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_NE(Boxes()[1].find("Failed"), std::string::npos)
      << "the failure's answer releases it as well";
}

// A printer on the serial enumerator is installed on the COM port the
// library reports, by this program and by the 64-bit sibling alike.
TEST_F(InstallSequence, SerialPrinterIsInstalledOnItsComPort) {
  machine.spooler.ports = {"LPT1:", "COM1:", "COM2:", "FILE:"};
  AttachDevice("SERENUM\\VelmarVP-2108E5C", "SERENUM\\VELMARVP-2108E5C\\4&2E7D&0&0000",
               "Communications Port (COM2)");
  for (bool wow64 : {false, true}) {
    SCOPED_TRACE(wow64 ? "64-bit" : "32-bit");
    p.reset();
    machine.spooler.printers.clear();
    machine.transcript.clear();
    SetWow64(wow64);
    Start("QuiteMode=1\r\n");
    Press();
    plat::sys().Sleep(static_cast<uint32_t>(machine.handOff.delay));
    ui::app().ProcessMessages();
    ASSERT_EQ(LibraryCalls("FuncDrvKit("), 1);
    for (const auto& e : machine.transcript) {
      if (e.text.rfind("FuncDrvKit(", 0) != 0) continue;
      EXPECT_NE(e.text.find(", VelmarVP-2108E5C, COM2:, "), std::string::npos) << e.text;
    }
    ASSERT_NE(Queue(kModel), nullptr);
    EXPECT_EQ(Queue(kModel)->info.portName, "COM2:");
  }
}

// The model's default port is not on this machine: the queue, which the
// library first makes on LPT1:, goes to the port the printer was found on.
TEST_F(InstallSequence, MissingDefaultPortGivesWayToThePrintersPort) {
  machine.spooler.ports = {"LPT1:", "USB002", "FILE:"};
  AttachDevice("USBPRINT\\VelmarVP-210", "USBPRINT\\VELMARVP-210\\7&1A2B3C4D&0&USB002",
               "Virtual printer port for USB002");
  Start("QuiteMode=1\r\n");  // DefaultPortName=USB001
  h.Script(Step::Answer(ui::kIdOk).When("successfully"));
  Press();
  ASSERT_NE(Queue(kModel), nullptr);
  EXPECT_EQ(Queue(kModel)->info.portName, "USB002");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("is set to USB002 !"), std::string::npos) << Boxes()[0];
}

TEST_F(InstallSequence, FixedChineseTextsKeepTheirCodePageOnEverySystem) {
  // The service does not come up: the fixed text, marked as GBK whatever
  // the system's code page, so that an English system shows it right.
  Start("QuiteMode=1\r\nServiceName=NoSuchService\r\n");
  h.Script(Step::Answer(ui::kIdOk).When("successfully"));
  Press();
  const ui::headless::BoxRecord* service = nullptr;
  for (const auto& b : h.MessageBoxes())
    if (b.text.find("\xB7\xFE\xCE\xF1") != std::string::npos) service = &b;  // 服务
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(service->textCodePage, 936u);
  EXPECT_EQ(service->captionCodePage, 0u) << "the caption is the catalogue's";
  EXPECT_EQ(service->caption, "Notice");
}

TEST_F(InstallSequence, HiddenAutomaticInstallThatFailsEndsTheProgram) {
  Write("C:\\Medium\\install.ini",
        "[A]\r\nInstallSettingFile2K=vp210.inf\r\nAutoMode=1\r\nQuiteMode=1\r\n"
        "InstallDll2K=i386\\none.dll\r\n");
  machine.devices.present32 = false;
  machine.args = {"/Hide"};
  p = app::StartProgram();
  ASSERT_TRUE(main().HiddenMode);
  EXPECT_TRUE(main().TmrAutoInstall->Enabled());
  main().TmrAutoInstallTimer();
  EXPECT_TRUE(InTranscript("The DLL file is not found!")) << "the error is still shown";
  EXPECT_TRUE(ui::app().Terminated()) << "no invisible process left waiting";
}

// Hidden, with no install.ini, nothing could ever happen: the log says so
// and the program ends instead of waiting unseen.
TEST_F(InstallSequence, HiddenProgramWithoutInstallIniRecordsItAndEnds) {
  machine.args = {"/Hide"};
  p = app::StartProgram();
  EXPECT_TRUE(ui::app().Terminated());
  const std::string log = plat::files().ReadFile(services::LogFilePath()).value_or("");
  EXPECT_NE(log.find("OUTCOME\t\toffline\t\tnot installed\t0x00000002\t\r\n"), std::string::npos)
      << log;
}

// A spooler query that fails once never makes the log deny a queue that is there.
TEST_F(InstallSequence, FailedSpoolerQueryDoesNotDenyTheQueue) {
  int calls = 0;
  for (int k = 0; k == 0 || k <= calls; ++k) {
    SCOPED_TRACE(k);
    p.reset();
    machine.spooler.printers.clear();
    plat::files().DeleteFile(services::LogFilePath());
    const auto counts = machine.faults.Counts();
    const int before =
        counts.count("EnumPrinters") ? static_cast<int>(counts.at("EnumPrinters")) : 0;
    machine.faults.Set("EnumPrinters", k, 5);  // the k-th call from here; none with 0
    Start("QuiteMode=1\r\n");
    Press();
    if (k == 0) calls = static_cast<int>(machine.faults.Counts().at("EnumPrinters")) - before;
    const std::string log = plat::files().ReadFile(services::LogFilePath()).value_or("");
    ASSERT_NE(Queue(kModel), nullptr);
    EXPECT_NE(log.find("\tsuccess\t"), std::string::npos) << log;
  }
}

TEST_F(InstallSequence, ProgressTextCountsDotsWhileInstalling) {
  Start();
  main().InstallState = app::TInstallState::Running;
  main().TimerInstallingHints->SetEnabled(true);
  std::vector<std::string> seen;
  for (int i = 0; i < 7; ++i) {
    main().TimerInstallingHintsTimer();
    seen.push_back(main().StaBarInfo->Caption());
  }
  const std::string base = i18n::StrInfos() + i18n::StrInstalling();
  EXPECT_EQ(seen[0], base + " .");
  EXPECT_EQ(seen[4], base + " . . . . .");
  EXPECT_EQ(seen[5], base);
  EXPECT_EQ(seen[6], base + " .");
  main().InstallState = app::TInstallState::Ended;
  main().TimerInstallingHintsTimer();
  EXPECT_EQ(main().StaBarInfo->Caption(), "");
  EXPECT_FALSE(main().TimerInstallingHints->Enabled());
}

TEST_F(InstallSequence, FirstAutomaticModelIsInstalledAndTheProgramCloses) {
  Write("C:\\Medium\\install.ini",
        "[A]\r\nInstallSettingFile2K=vp210.inf\r\nDefaultPortName=USB001\r\nQuiteMode=1\r\n"
        "[B]\r\nInstallSettingFile2K=vp210.inf\r\nAutoMode=1\r\nQuiteMode=1\r\n"
        "[C]\r\nInstallSettingFile2K=vp210.inf\r\nAutoMode=1\r\n");
  p = app::StartProgram();
  p->mainForm->Show();
  main().PrepareAutoInstall();
  EXPECT_EQ(main().AutoIndex, 1);
  EXPECT_EQ(main().LvPrinters->ItemIndex(), 1);
  EXPECT_TRUE(main().TmrAutoInstall->Enabled());
  main().TmrAutoInstallTimer();
  EXPECT_NE(Queue(kModel), nullptr);
  EXPECT_TRUE(Boxes().empty()) << "no success box during an automatic install";
  EXPECT_FALSE(main().Showing()) << "the exit button closed the window";
}

// On 64-bit Windows the automatic install hands off to the sibling: the
// program ends once the outcome has set up the queue, not at the hand-off.
TEST_F(InstallSequence, HiddenAutomaticInstallOn64BitWindowsEndsAfterTheSiblingsOutcome) {
  SetWow64(true);
  Write("C:\\Medium\\install.ini",
        "[A]\r\nInstallSettingFile2K=vp210.inf\r\nDefaultPortName=USB001\r\nAutoMode=1\r\n"
        "QuiteMode=1\r\n");
  machine.args = {"/Hide"};
  p = app::StartProgram();
  main().TmrAutoInstallTimer();
  ASSERT_EQ(machine.handOff.posted.size(), 1u);
  EXPECT_EQ(main().InstallState, app::TInstallState::Running);
  EXPECT_FALSE(ui::app().Terminated()) << "the sibling is still at work";
  plat::sys().Sleep(static_cast<uint32_t>(machine.handOff.delay));
  ui::app().ProcessMessages();
  EXPECT_NE(Queue(kModel), nullptr);
  EXPECT_TRUE(ui::app().Terminated());
}

// A sibling that neither ends nor answers keeps it waiting a quarter of an hour.
TEST_F(InstallSequence, HiddenAutomaticInstallGivesUpOnASiblingThatNeverAnswers) {
  SetWow64(true);
  machine.handOff.delay = 3600000;
  Write("C:\\Medium\\install.ini",
        "[A]\r\nInstallSettingFile2K=vp210.inf\r\nAutoMode=1\r\nQuiteMode=1\r\n");
  machine.args = {"/Hide"};
  p = app::StartProgram();
  main().TmrAutoInstallTimer();
  plat::sys().Sleep(14 * 60 * 1000);
  main().TimerSetup64ErrorTimer();
  EXPECT_FALSE(ui::app().Terminated());
  plat::sys().Sleep(60 * 1000);
  main().TimerSetup64ErrorTimer();
  EXPECT_TRUE(ui::app().Terminated());
}

TEST_F(InstallSequence, OlderThanWindows2000DoesNothing) {
  machine.version = {4, 0};
  Start("QuiteMode=1\r\n");
  Press();
  EXPECT_EQ(LibraryCalls("FuncDrvKit("), 0);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Unlocked());
  EXPECT_EQ(main().InstallState, app::TInstallState::Ended);
}

}  // namespace

// On 64-bit Windows a failing IsWow64Process makes one call answer "32-bit"
// while the others answer "64-bit": the attempt still ends with a box.
class InstallSequenceWow64Fault : public InstallSequence,
                                  public testing::WithParamInterface<int> {};

TEST_P(InstallSequenceWow64Fault, AFailingWow64QueryStillEndsWithABox) {
  SetWow64(true);
  Start("QuiteMode=1\r\n");
  const auto& counts = machine.faults.Counts();
  const int before = counts.count("IsWow64Process") ? counts.at("IsWow64Process") : 0;
  machine.faults.Set("IsWow64Process", before + GetParam(), 5);
  h.Script(Step::Answer(ui::kIdOk).When("successfully"));
  Press();
  plat::sys().Sleep(static_cast<uint32_t>(machine.handOff.delay));
  ui::app().ProcessMessages();
  EXPECT_EQ(machine.faults.Failed(), 1);
  EXPECT_FALSE(Boxes().empty()) << "the user is told how the attempt ended";
  EXPECT_TRUE(Unlocked());
}

INSTANTIATE_TEST_SUITE_P(EachCallOfTheAttempt, InstallSequenceWow64Fault,
                         testing::Values(1, 2, 3, 4));

namespace {

// The program run after installing, in a medium folder whose name has a
// blank: it is the one started, not one named after the first word.
TEST_F(InstallSequence, AfterRunInAFolderWithABlankRunsItself) {
  plat::files().CreateDirectory("C:\\Medium\\Tools Dir");
  Write("C:\\Medium\\Tools Dir\\after.exe", "MZ");
  Write("C:\\Medium\\Tools.exe", "MZ");
  Start("QuiteMode=1\r\nAfterRun=Tools Dir\\after.exe\r\n");
  h.Script(Step::Answer(ui::kIdOk).When("successfully"));
  Press();
  bool ranAfter = false;
  for (const auto& c : machine.started) {
    EXPECT_EQ(c.find("Tools.exe"), std::string::npos) << c;
    ranAfter |= c.find("after.exe") != std::string::npos;
  }
  EXPECT_TRUE(ranAfter);
}

}  // namespace
