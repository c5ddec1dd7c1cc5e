// The release engineer's tools on the simulated machine: the outcome line of
// each installation attempt, "/Hide" with and without an automatic model in
// the headless loop, the end-state description, the new scripted-user
// actions, and what setup-sim says of script lines that cannot run.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/common/text.h"
#include "platform/sim/state_dump.h"
#include "program_fixture.h"
#include "services/log.h"
#include "tools/setup-sim/user_script.h"

namespace {

using ui::headless::Step;

class ReleaseTools : public ProgramTest {
 protected:
  ReleaseTools() {
    services::ResetLog();
    for (const char* dir : {"C:\\Medium\\i386", "C:\\Medium\\X64"})
      plat::files().CreateDirectory(dir);
    Write("C:\\Medium\\i386\\drvkit.dll", "MZ");
    Write("C:\\Medium\\vp210.inf",
          "[Strings]\r\nProviderName=Velmar\r\n[Velmar]\r\n\"Velmar VP-210\" = VP210, "
          "LPTENUM\\VelmarVP-2108E5C, USBPRINT\\VelmarVP-210\r\n");
    machine.devices.installsDriver = "Velmar VP-210";
    machine.spooler.ports.push_back("USB001");
    machine.devices.devices.push_back(
        {"USBPRINT\\VelmarVP-2108E5C", "USBPRINT\\VELMARVP-2108E5C\\7&1&0&USB001",
         "Virtual printer port for USB001", false, true, "Velmar VP-210"});
  }
  ~ReleaseTools() override { services::ResetLog(); }

  void Start(const std::string& extra = "") {
    Write("C:\\Medium\\install.ini",
          "[VP210]\r\nInstallSettingFile2K=vp210.inf\r\nDefaultPortName=USB001\r\n" + extra);
    p = app::StartProgram();
  }
  // The outcome lines of the log file, each split into its fields after "OUTCOME".
  std::vector<std::vector<std::string>> Outcomes() {
    std::vector<std::vector<std::string>> out;
    for (const std::string& l :
         plat::text::SplitLines(plat::files().ReadFile(services::LogFilePath()).value_or("")))
      if (size_t at = l.find("> OUTCOME\t"); at != std::string::npos)
        out.push_back(plat::text::Split(l.substr(at + 10), '\t'));
    return out;
  }
  bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

TEST_F(ReleaseTools, EachAttemptLeavesOneOutcomeLine) {
  Start();
  h.Script(Step::Press("TMainForm", "BbtnStart"));
  h.Script(Step::Answer(ui::kIdYes).When("sure"));
  ui::app().Run();
  auto o = Outcomes();
  ASSERT_EQ(o.size(), 1u) << "no log file before; one line after the install";
  EXPECT_EQ(o[0][0], "Velmar VP-210");
  EXPECT_EQ(o[0][1], "online");
  EXPECT_EQ(o[0][2], "USB001");
  EXPECT_EQ(o[0][3], "success");
  EXPECT_EQ(o[0][4], "0x00000000");
  EXPECT_NE(o[0][5].find("USB001"), std::string::npos)
      << "the success text, line breaks made blanks";
  EXPECT_EQ(o[0][5].find('\r'), std::string::npos);

  // A failing library: its code and the text shown.
  machine.devices.installResult = 2;
  machine.devices.lastErrorCode = 0x1234;
  h.Script(Step::Press("TMainForm", "BbtnStart"));
  h.Script(Step::Answer(ui::kIdYes).When("upgrade"));
  ui::app().Run();
  o = Outcomes();
  ASSERT_EQ(o.size(), 2u);
  EXPECT_EQ(o[1][3], "failed");
  EXPECT_EQ(o[1][4], "0x00001234");
  EXPECT_NE(o[1][5].find("0x00001234"), std::string::npos) << o[1][5];
}

TEST_F(ReleaseTools, AttemptsWithoutAHandlerAndExceptionsAreLoggedToo) {
  // The queue to replace still prints: no handler runs, the attempt still counts.
  plat::sim::SimPrinter q;
  q.info.printerName = q.info.driverName = "Velmar VP-210";
  q.info.portName = "USB001";
  q.jobs.push_back({1, "doc", 0});
  machine.spooler.printers.push_back(q);
  machine.spooler.drivers.push_back("Velmar VP-210");
  Start("QuiteMode=1\r\n");
  p->mainForm->Show();
  p->mainForm->BbtnStart->Click();
  auto o = Outcomes();
  ASSERT_EQ(o.size(), 1u);
  EXPECT_EQ(o[0][3], "not installed");

  // The helper library gone: the exception's text is the outcome.
  machine.spooler.printers.clear();
  machine.devices.present32 = false;
  p->mainForm->BbtnStart->Click();
  o = Outcomes();
  ASSERT_EQ(o.size(), 2u);
  EXPECT_EQ(o[1][3], "exception");
  EXPECT_FALSE(o[1][5].empty());
}

TEST_F(ReleaseTools, HiddenAutomaticInstallRunsInTheLoopAndEnds) {
  machine.args = {"/Hide"};
  Start("AutoMode=1\r\n");
  app::RunProgram(*p);
  EXPECT_TRUE(ui::app().Terminated()) << "the automatic install closed the program";
  EXPECT_FALSE(p->mainForm->Showing());
  ASSERT_EQ(machine.spooler.printers.size(), 1u);
  EXPECT_EQ(machine.spooler.printers[0].info.portName, "USB001");
  auto o = Outcomes();
  ASSERT_EQ(o.size(), 1u);
  EXPECT_EQ(o[0][3], "success");
  EXPECT_EQ(o[0][5], "") << "no box in an automatic install";

  // The end state names what happened.
  auto lines = plat::sim::DescribeSystem(machine);
  EXPECT_TRUE(Has(lines, "System.Printer[0].Port=USB001"));
  EXPECT_TRUE(Has(lines, "System.DefaultPrinter=Velmar VP-210"));
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("System.Created[", 0) == 0 &&
           l.find("]=" + services::LogFilePath()) != std::string::npos;
  })) << "the log file is among the files created";
  EXPECT_TRUE(Has(lines, "System.OpenHandles=0"));
}

TEST_F(ReleaseTools, AnAttemptStillOwedWhenTheProgramEndsOrTheNextBegins) {
  // 64-bit Windows: the automatic install hands over, and the program is
  // closed from outside while the sibling is still at work.
  machine.wow64 = true;
  Write("C:\\Medium\\X64\\Quenset64.exe", "MZ");
  Write("C:\\Medium\\X64\\drvkit64.dll", "MZ");
  machine.args = {"/Hide"};
  Start("AutoMode=1\r\n");
  p->mainForm->TmrAutoInstallTimer();
  p->mainForm->Close();
  app::RunProgram(*p);
  auto o = Outcomes();
  ASSERT_EQ(o.size(), 1u);
  EXPECT_EQ(o[0][3], "unfinished") << "the sibling was still at work";

  services::BeginInstallAttempt("A", true);
  services::BeginInstallAttempt("B", false);
  services::EndInstallAttempt("not installed");
  services::EndInstallAttempt("not installed");  // nothing owed any more
  o = Outcomes();
  ASSERT_EQ(o.size(), 3u);
  EXPECT_EQ(o[1][0] + " " + o[1][1] + " " + o[1][3], "A online unfinished");
  EXPECT_EQ(o[2][0] + " " + o[2][1] + " " + o[2][3], "B offline not installed");
}

// What a deployment tool reads of an unattended run: the exit code only
// with "/ExitCodes", and the outcome file it names.
TEST_F(ReleaseTools, WithoutTheSwitchEveryRunEndsWithZero) {
  machine.devices.installResult = 2;
  machine.devices.lastErrorCode = 0x1234;
  machine.args = {"/Hide"};
  Start("AutoMode=1\r\n");
  EXPECT_EQ(app::RunProgram(*p), 0);
  ASSERT_EQ(Outcomes().size(), 1u);
  EXPECT_EQ(Outcomes()[0][3], "failed");
}

TEST_F(ReleaseTools, FailedUnattendedRunEnds1603WithItsLineInTheOutcomeFile) {
  machine.devices.installResult = 2;
  machine.devices.lastErrorCode = 0x1234;
  machine.args = {"/Hide", "/exitcodes", "/OUTCOMEFILE=C:\\Deploy Logs\\pc 1\\printer.txt"};
  Start("AutoMode=1\r\n");
  EXPECT_EQ(app::RunProgram(*p), 1603);
  auto file = plat::files().ReadFile("C:\\Deploy Logs\\pc 1\\printer.txt");
  ASSERT_TRUE(file) << "made with its folders";
  auto lines = plat::text::SplitLines(*file);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("\tfailed\t0x00001234\t"), std::string::npos) << lines[0];
}

TEST_F(ReleaseTools, SuccessEndsZeroOr3010WhenItsMessageAsksForARestart) {
  machine.args = {"/Hide", "/ExitCodes"};
  Start("AutoMode=1\r\nPrintProcess=\r\n");
  EXPECT_EQ(app::RunProgram(*p), 0);
  machine.spooler.printers.clear();
  ui::app().Reset();
  Start("AutoMode=1\r\nPrintProcess=WinPrint\r\n");
  EXPECT_EQ(app::RunProgram(*p), 3010);
}

TEST_F(ReleaseTools, LeavingWithoutInstallingCountsAsCancelled) {
  machine.args = {"/ExitCodes"};
  Start();
  h.Script(Step::Press("TMainForm", "BbtnStart"));
  h.Script(Step::Answer(ui::kIdNo).When("sure"));
  h.Script(Step::Press("TMainForm", "BbtnExit"));
  EXPECT_EQ(app::RunProgram(*p), 1602);
  EXPECT_TRUE(machine.spooler.printers.empty());
}

TEST(OutcomeLine, FieldsKeepToOneLineAndTheirTabs) {
  services::InstallOutcome o;
  o.model = "M\tX";
  o.port = "USB001";
  o.result = "failed";
  o.code = 0xE000020B;
  o.shown = "Driver install failed.\r\nPlease retry later!";
  EXPECT_EQ(services::FormatOutcomeLine(o, "T"),
            "<T> OUTCOME\tM X\toffline\tUSB001\tfailed\t0xE000020B\tDriver install failed. Please "
            "retry later!");
}

TEST_F(ReleaseTools, HiddenWithoutAutomaticModelWaitsForTheScript) {
  machine.args = {"/Hide"};
  Start();
  // Nothing can happen: the loop returns as a real one would wait for ever.
  app::RunProgram(*p);
  EXPECT_FALSE(ui::app().Terminated());
  EXPECT_TRUE(machine.spooler.printers.empty());
  EXPECT_TRUE(Outcomes().empty()) << "no attempt, no line";
}

// A form that hides the main window; the loop keeps running until Close.
TEST_F(ReleaseTools, HiddenMainWindowKeepsTheLoopRunning) {
  Start();
  ui::Timer t(p->mainForm.get(), "tmrTest");
  int ticks = 0;
  t.OnTimer = [&] {
    if (++ticks == 1) p->mainForm->Hide();
    if (ticks == 3) p->mainForm->Close();
  };
  t.SetInterval(1000);
  t.SetEnabled(true);
  ui::app().Run();
  EXPECT_EQ(ticks, 3) << "ticks went on while the main window was hidden";
  EXPECT_TRUE(ui::app().Terminated());
}

TEST_F(ReleaseTools, ScriptedDoubleClickHoverAndActivate) {
  Write("C:\\Medium\\ReadmeEN.txt", "read me");
  Start("QuiteMode=1\r\n");
  h.Script(Step::Hover("TMainForm", "LblReadGuide"));
  ui::app().Run();
  EXPECT_EQ(p->mainForm->LblReadGuide->GetFont().color, ui::kBlue) << "a link under the mouse";
  h.Script(Step::Hover("TMainForm", "LblMainTitle"));
  h.Script(Step::Activate("TMainForm"));
  h.Script(Step::DblClick("TMainForm", "LvPrinters", 0));
  h.Script(Step::DblClick("TMainForm", "LvPrinters", 5));  // no such item
  ui::app().Run();
  EXPECT_NE(p->mainForm->LblReadGuide->GetFont().color, ui::kBlue) << "left again";
  EXPECT_EQ(machine.spooler.printers.size(), 1u) << "the double-click installed";
  ASSERT_EQ(h.ScriptErrors().size(), 1u);
  bool hovered = false, activated = false, boxWithButtons = false;
  for (const auto& line : h.Transcript()) {
    hovered |= line.find("user hover TMainForm.LblReadGuide") != std::string::npos;
    activated |= line.find("user activate TMainForm") != std::string::npos;
    boxWithButtons |= line.find("msgbox") != std::string::npos &&
                      line.find(" | OK Information") != std::string::npos;
  }
  EXPECT_TRUE(hovered && activated && boxWithButtons);
}

// What setup-sim reports of a script: targets the program does not have
// before the run, and after it each line that could not be carried out, by
// its line number (scripted answers count as lines, default ones do not).
TEST_F(ReleaseTools, ScriptLinesThatCannotRunAreNamedWithTheirReason) {
  Start();
  h.machine = &machine;
  std::vector<Step> steps;
  std::vector<int> lines;
  std::string error;
  ASSERT_TRUE(
      simtool::ParseUserScript("# the user\n"
                               "select TMainForm.LvPrinters 3\n"
                               "press TMainForm.BbtnStart\n"
                               "when \"sure\" answer no\n"
                               "press TMainForm.NoSuchButton\n"
                               "select TMainForm.BbtnStart 0\n"
                               "press TMainForm.lblReadQuickGuide\n"
                               "select TMainForm.LvPrinters 0\n",
                               1252, steps, error, &lines))
      << error;
  EXPECT_EQ(lines, (std::vector<int>{2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(simtool::CheckScriptTargets(steps, lines),
            (std::vector<std::string>{"line 5: TMainForm has no control NoSuchButton",
                                      "line 6: TMainForm.BbtnStart is no list"}));
  for (const Step& s : steps) h.Script(s);
  ui::app().Run();
  const std::vector<std::string> failed =
      simtool::FailedScriptSteps(machine.transcript, steps, lines);
  ASSERT_EQ(failed.size(), 4u);
  EXPECT_EQ(failed[0], "line 2: TMainForm.LvPrinters has no item 3 (it lists 1)");
  EXPECT_EQ(failed[1].rfind("line 5: TMainForm.NoSuchButton could not be used", 0), 0u)
      << failed[1];
  EXPECT_EQ(failed[2].rfind("line 6: ", 0), 0u) << failed[2];
  EXPECT_EQ(failed[3].rfind("line 7: TMainForm.lblReadQuickGuide could not be used at ", 0), 0u)
      << failed[3];
  EXPECT_TRUE(machine.spooler.printers.empty()) << "the user said no";
}

TEST(UserScriptActions, DoubleClickHoverAndActivate) {
  std::vector<Step> steps;
  std::string error;
  ASSERT_TRUE(
      simtool::ParseUserScript("dblclick TMainForm.LvPrinters 1\ndblclick TMainForm.ImgLogo\n"
                               "hover TMainForm.LblReadGuide\nactivate TMainForm\n",
                               1252, steps, error))
      << error;
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[0].what, Step::Do::DblClick);
  EXPECT_EQ(steps[0].value, 1);
  EXPECT_EQ(steps[1].value, -1) << "no item: the control itself";
  EXPECT_EQ(steps[2].what, Step::Do::Hover);
  EXPECT_EQ(steps[3].what, Step::Do::Activate);
  EXPECT_EQ(steps[3].form, "TMainForm");
  for (const char* bad : {"dblclick TMainForm", "dblclick TMainForm.LvPrinters x", "hover",
                          "activate A.B", "activate", "hover TMainForm.A extra"}) {
    steps.clear();
    EXPECT_FALSE(simtool::ParseUserScript(bad, 1252, steps, error)) << bad;
    EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << error;
  }
}

}  // namespace

// The fault sweep counts every call of a run and fails the nth of one kind:
// the counts include calls that were failed, and only the chosen one fails.
TEST(FaultCounts, EveryCallIsCountedAndOnlyTheNthFails) {
  plat::sim::SimMachine m;
  const plat::Backend saved = plat::backend();
  plat::SetBackend(m.AsBackend());
  ASSERT_TRUE(plat::files().WriteFile("C:\\a.txt", "x"));
  m.faults.Set("ReadFile", 2, 5);
  EXPECT_TRUE(plat::files().ReadFile("C:\\a.txt"));
  EXPECT_FALSE(plat::files().ReadFile("C:\\a.txt"));
  EXPECT_TRUE(plat::files().ReadFile("C:\\a.txt"));
  EXPECT_EQ(m.faults.Counts().at("ReadFile"), 3);
  EXPECT_EQ(m.faults.Failed(), 1);
  EXPECT_EQ(m.faults.Counts().count("DeleteFile"), 0u);
  plat::SetBackend(saved);
}

// A fuzzing process keeps one machine for millions of inputs: a call made a
// thousand times an input passed two billion within half an hour, and the
// count overflowed. Counts, a fault's calls and the failed count keep going.
TEST(FaultCounts, GoOnPastTwoBillionCalls) {
  plat::sim::Faults f;
  const int64_t past = int64_t{INT32_MAX} + 1;
  f.StartCountAt("ReadFile", INT32_MAX);
  EXPECT_FALSE(f.Check("ReadFile"));
  EXPECT_EQ(f.Counts().at("ReadFile"), past);
  f.Set("ReadFile", 0, 5);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(f.Check("ReadFile"), 5u);
  EXPECT_EQ(f.Counts().at("ReadFile"), past + 3);
  EXPECT_EQ(f.Failed(), 3);
}
