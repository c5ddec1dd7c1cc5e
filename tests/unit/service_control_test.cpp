// The service operations over the simulated sc, net and service executable,
// for both families: which commands run, in which order, and what they decide.
#include <gtest/gtest.h>

#include "platform/sim/service_machine_file.h"
#include "services/service_control.h"
#include "sim_fixture.h"

using namespace services;

namespace {

const char kExe[] = "C:\\Medium\\Svc\\PrnSvc.exe";
// The service program as the commands name it: quoted, for folders with blanks.
const std::string kQuotedExe = std::string("\"") + kExe + "\"";

class ServiceControlTest : public SimTest {
 protected:
  void SetUp() override {
    plat::files().CreateDirectory("C:\\Medium");
    plat::files().CreateDirectory("C:\\Medium\\Svc");
    plat::files().CreateDirectory("C:\\Medium\\Tools");
    Write(kExe, "MZ");
  }
  void TearDown() override {
    EXPECT_EQ(machine.handles.Count("pipe") + machine.handles.Count("process") +
                  machine.handles.Count("thread"),
              0)
        << machine.handles.Describe();
  }

  void Windows2000() { machine.version = {5, 0, 2195}; }
  plat::sim::SimService& Service(bool installed, bool running) {
    auto& s = machine.services.byName["PRNSVC"];
    s = {"PrnSvc", installed, running, kExe, 0, 0};
    return s;
  }
  std::vector<std::string> Commands() const {
    std::vector<std::string> c;
    for (const auto& e : machine.transcript)
      if (e.kind == "command") c.push_back(e.text);
    return c;
  }
  using Lines = std::vector<std::string>;
};

TEST_F(ServiceControlTest, EmptyNameRunsNothingInEitherFamily) {
  for (bool w2k : {false, true}) {
    if (w2k) Windows2000();
    StopServiceByCmd("", kExe, true);
    EXPECT_FALSE(StartServiceByCmd("", kExe));
    EXPECT_FALSE(ScStartService("", kExe));
    EXPECT_FALSE(NetStartService("", kExe));
    NetStopService("", kExe, true);
  }
  EXPECT_TRUE(Commands().empty());
}

TEST_F(ServiceControlTest, ScStopLeavesAnUnknownServiceAlone) {
  auto& other = machine.services.byName["OTHER"];
  other = {"Other", true, true, kExe, 0, 0};
  StopServiceByCmd("PrnSvc", kExe, true);
  EXPECT_EQ(Commands(), Lines{"sc query PrnSvc"});
  EXPECT_TRUE(other.running);
}

TEST_F(ServiceControlTest, ScStopStopsThenDeletesAfterAPause) {
  auto& s = Service(true, true);
  StopServiceByCmd("PrnSvc", kExe, true);
  EXPECT_EQ(Commands(), (Lines{"sc query PrnSvc", "sc stop PrnSvc", "sc delete PrnSvc"}));
  EXPECT_FALSE(s.installed);
  EXPECT_GE(machine.now, 100u);
}

TEST_F(ServiceControlTest, ScStopWithoutRemoveKeepsTheService) {
  auto& s = Service(true, true);
  ScStopService("PrnSvc", "", false);
  EXPECT_EQ(Commands(), (Lines{"sc query PrnSvc", "sc stop PrnSvc"}));
  EXPECT_TRUE(s.installed);
  EXPECT_FALSE(s.running);
}

TEST_F(ServiceControlTest, ScStartInstallsAMissingServiceFirst) {
  auto& s = Service(false, false);
  EXPECT_TRUE(StartServiceByCmd("PrnSvc", kExe));
  EXPECT_EQ(Commands(),
            (Lines{"sc query PrnSvc", kQuotedExe + " /install /silent", "sc start PrnSvc"}));
  EXPECT_TRUE(s.installed);
  EXPECT_TRUE(s.running);
}

TEST_F(ServiceControlTest, ScStartOfARunningServiceIsFalse) {
  Service(true, true);
  EXPECT_FALSE(ScStartService("PrnSvc", kExe));
  EXPECT_EQ(Commands(), (Lines{"sc query PrnSvc", "sc start PrnSvc"}));
}

TEST_F(ServiceControlTest, ScStartThatFailsIsFalse) {
  Service(true, false).startFailures = -1;
  EXPECT_FALSE(ScStartService("PrnSvc", kExe));
  machine.services.byName["PRNSVC"].startFailures = 0;
  EXPECT_TRUE(ScStartService("PrnSvc", kExe));
}

TEST_F(ServiceControlTest, ScStartGivesUpWhenQueryCannotRun) {
  Service(true, false);
  machine.faults.Set("CreateProcess", 0, 2);
  EXPECT_FALSE(ScStartService("PrnSvc", kExe));
  EXPECT_TRUE(Commands().empty());
}

TEST_F(ServiceControlTest, NetStopWithMissingExecutableRunsNothing) {
  Windows2000();
  Service(true, true);
  StopServiceByCmd("PrnSvc", "C:\\Medium\\Svc\\Gone.exe", true);
  EXPECT_TRUE(Commands().empty());
  EXPECT_TRUE(machine.services.byName["PRNSVC"].running);
}

TEST_F(ServiceControlTest, NetStopRetriesOnceThenUninstalls) {
  Windows2000();
  auto& s = Service(true, true);
  s.stopFailures = 1;
  StopServiceByCmd("PrnSvc", kExe, true);
  EXPECT_EQ(Commands(),
            (Lines{"net stop PrnSvc", "net stop PrnSvc", kQuotedExe + " /uninstall /silent "}));
  EXPECT_FALSE(s.installed);
}

TEST_F(ServiceControlTest, NetStopUninstallsEvenAStoppedService) {
  Windows2000();
  auto& s = Service(true, false);
  NetStopService("PrnSvc", kExe, true);
  EXPECT_EQ(Commands(), (Lines{"net stop PrnSvc", kQuotedExe + " /uninstall /silent "}));
  EXPECT_FALSE(s.installed);
}

TEST_F(ServiceControlTest, NetStartInstallsAndRetries) {
  Windows2000();
  auto& s = Service(false, false);
  EXPECT_TRUE(StartServiceByCmd("PrnSvc", kExe));
  EXPECT_EQ(Commands(),
            (Lines{"net start PrnSvc", kQuotedExe + " /install /silent", "net start PrnSvc"}));
  EXPECT_TRUE(s.running);
}

TEST_F(ServiceControlTest, NetStartOfAStoppedServiceNeedsOneCommand) {
  Windows2000();
  Service(true, false);
  EXPECT_TRUE(NetStartService("PrnSvc", kExe));
  EXPECT_EQ(Commands(), Lines{"net start PrnSvc"});
}

TEST_F(ServiceControlTest, NetStartOfARunningServiceIsFalse) {
  Windows2000();
  Service(true, true);
  EXPECT_FALSE(NetStartService("PrnSvc", kExe));
  EXPECT_EQ(Commands().size(), 3u);
}

TEST_F(ServiceControlTest, RegSetImageRunsOnlyOnWindows2000) {
  Write("C:\\Medium\\Tools\\RegSetImage2000.exe", "MZ");
  RunRegSetImage(true, "Tools\\RegSetImage2000.exe");
  EXPECT_TRUE(Commands().empty());
  Windows2000();
  RunRegSetImage(true, "Tools\\RegSetImage2000.exe");
  RunRegSetImage(false, "Tools\\RegSetImage2000.exe");
  RunRegSetImage(true, "Tools\\Missing.exe");
  EXPECT_EQ(Commands(), (Lines{"\"C:\\Medium\\Tools\\RegSetImage2000.exe\" Auto",
                               "\"C:\\Medium\\Tools\\RegSetImage2000.exe\" Auto Disable"}));
}

// The machine file describes the same table the tools work on: a start that
// fails once succeeds on the retry of the net family.
TEST_F(ServiceControlTest, MachineFileServiceFailsItsFirstStart) {
  std::map<std::string, std::map<std::string, std::string>> ini = {
      {"Service.PrnSvc", {{"Exe", kExe}, {"StartFails", "once"}}},
      {"service.Other", {{"running", "1"}}}};
  std::string error;
  ASSERT_TRUE(plat::sim::LoadServiceSections(ini, machine, error)) << error;
  EXPECT_TRUE(machine.services.byName.at("OTHER").installed);
  Windows2000();
  EXPECT_TRUE(StartServiceByCmd("PrnSvc", kExe));
  EXPECT_EQ(Commands(),
            (Lines{"net start PrnSvc", kQuotedExe + " /install /silent", "net start PrnSvc"}));
  EXPECT_TRUE(machine.services.byName.at("PRNSVC").running);
  // "always" keeps failing
  machine.services.byName.at("PRNSVC").running = false;
  ini = {{"Service.PrnSvc", {{"Exe", kExe}, {"StartFails", "always"}}}};
  machine.services.byName.clear();
  ASSERT_TRUE(plat::sim::LoadServiceSections(ini, machine, error)) << error;
  EXPECT_FALSE(StartServiceByCmd("PrnSvc", kExe));
}

TEST_F(ServiceControlTest, MachineFileStopsLoudlyOnBadServiceSections) {
  using Ini = std::map<std::string, std::map<std::string, std::string>>;
  struct Case {
    Ini ini;
    const char* mentions;
  } cases[] = {
      {{{"Service.", {}}}, "service name"},
      {{{"Service.A", {{"Running", "yes"}}}}, "Running"},
      {{{"Service.A", {{"StartFails", "twice"}}}}, "StartFails"},
      {{{"Service.A", {{"Installed", "0"}, {"Running", "1"}}}}, "not installed"},
      {{{"Service.A", {{"Exe", "x"}}}, {"SERVICE.a", {}}}, "twice"},
      {{{"Service.A", {{"Exec", "x"}}}}, "unknown key"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    std::string error;
    EXPECT_FALSE(plat::sim::LoadServiceSections(cases[i].ini, machine, error)) << "row " << i;
    EXPECT_NE(error.find(cases[i].mentions), std::string::npos) << "row " << i << ": " << error;
    EXPECT_TRUE(machine.services.byName.empty()) << "row " << i << " changed the machine";
  }
}

}  // namespace
