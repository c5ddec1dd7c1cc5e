// The console runner and the service operations against real processes
// (under Wine, with the test doubles of standins/ in the current folder)
// and against the simulated machine, which must behave alike.
#include <gtest/gtest.h>

#include <map>

#include "check.h"
#include "../../standins/emit_logic.h"
#include "platform/platform.h"
#include "services/runcmd.h"
#include "services/service_control.h"
#ifndef _WIN32
#include "platform/sim/programs.h"
#endif

using services::JoinOutput;
using services::RunCMD;

namespace {

#ifndef _WIN32
// The simulated twin of standins/emit.exe.
plat::sim::SimRun Emit(const std::string& cmd) {
  std::string args;
  plat::sim::ProgramOf(cmd, &args);
  plat::sim::SimRun run;
  uint64_t t = 0;
  for (const auto& s : emit::Parse(args)) {
    if (s.kind == emit::Step::kOut) run.outputs.push_back({t, emit::Pattern(s.count), ""});
    if (s.kind == emit::Step::kErr) run.outputs.push_back({t, "", emit::Pattern(s.count, 'a')});
    if (s.kind == emit::Step::kEcho) run.outputs.push_back({t, s.text, ""});
    if (s.kind == emit::Step::kSleep) t += s.count;
  }
  run.exitAt = t + 1;
  return run;
}
#endif

class RunCmdContract : public contract::ContractTest {
 protected:
  void SetUp() override {
#ifndef _WIN32
    plat::sim::RegisterProgram(plat::sim::DefaultMachine(), "emit", Emit);
#endif
  }
};

TEST_F(RunCmdContract, SilentCommandGivesZeroAndOneEmptyEntry) {
  std::vector<std::string> out;
  EXPECT_EQ(RunCMD("emit --sleep 100", out), 0);
  EXPECT_EQ(out, std::vector<std::string>{""});
}

TEST_F(RunCmdContract, LongOutputComesInChunksThatJoinToTheWhole) {
  std::vector<std::string> out = {"before"};
  ASSERT_EQ(RunCMD("emit --out 10000", out), 1);
  ASSERT_GE(out.size(), 4u);  // "before", at least two chunks, the closing entry
  EXPECT_EQ(out.front(), "before");
  EXPECT_EQ(out.back(), "");
  std::string whole;
  for (size_t i = 1; i + 1 < out.size(); ++i) {
    EXPECT_LE(out[i].size(), services::kRunChunk) << "entry " << i;
    EXPECT_FALSE(out[i].empty()) << "entry " << i;
    whole += out[i];
  }
  EXPECT_EQ(whole, emit::Pattern(10000));
  std::vector<std::string> chunks(out.begin() + 1, out.end() - 1);
  std::string joined = JoinOutput(chunks);
  EXPECT_EQ(joined.size(), 10000 + 2 * (chunks.size() - 1));
}

TEST_F(RunCmdContract, OutputJustBeforeTheEndIsKept) {
  std::vector<std::string> out;
  ASSERT_EQ(RunCMD("emit --sleep 150 --out 300", out), 1);
  std::string whole;
  for (const auto& e : out) whole += e;
  EXPECT_EQ(whole, emit::Pattern(300));
}

TEST_F(RunCmdContract, MissingProgramGivesMinusTwoAndLeavesTheList) {
  std::vector<std::string> out = {"a", "b"};
  EXPECT_EQ(RunCMD("no-such-program-here.exe /x", out), -2);
  EXPECT_EQ(out, (std::vector<std::string>{"a", "b"}));
}

TEST_F(RunCmdContract, StandardErrorIsNotCaptured) {
  std::vector<std::string> out;
  EXPECT_EQ(RunCMD("emit --err 500", out), 0);
  EXPECT_EQ(out, std::vector<std::string>{""});
}

TEST_F(RunCmdContract, CommandLineOf300CharactersRunsWhole) {
  std::string tail = emit::Pattern(400).substr(0, 300 - 12);
  for (char& c : tail)
    if (c == '\r' || c == '\n') c = '_';
  const std::string cmd = "emit --echo " + tail;
  ASSERT_EQ(cmd.size(), 300u);
  std::vector<std::string> out;
  ASSERT_EQ(RunCMD(cmd, out), 1);
  EXPECT_EQ(JoinOutput(out), tail + "\r\n");
}

// The services over the real tools' texts: the test doubles of sc, net and a
// service executable under Wine, the simulated ones here.
class ServiceContract : public RunCmdContract {
 protected:
  struct Svc {
    bool installed, running;
    int startFailures = 0, stopFailures = 0;
  };

  void SetUp() override {
    RunCmdContract::SetUp();
    exe_ = plat::files().GetFullPathName("PrnSvc.exe");
#ifndef _WIN32
    plat::files().CreateDirectory(plat::files().GetCurrentDirectory());
    ASSERT_TRUE(plat::files().WriteFile(exe_, "MZ"));
#endif
    ASSERT_TRUE(plat::files().FileExists(exe_))
        << "the service executable test double is missing: " << exe_;
  }
  void TearDown() override {
#ifndef _WIN32
    plat::sim::DefaultMachine().services.byName.clear();
#else
    plat::files().DeleteFile("services.state");
#endif
    ContractTest::TearDown();
  }

  void Set(const std::map<std::string, Svc>& all) {
#ifndef _WIN32
    auto& table = plat::sim::DefaultMachine().services.byName;
    table.clear();
    for (const auto& [name, s] : all) {
      std::string key = name;
      for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      table[key] = {name, s.installed, s.running, exe_, s.startFailures, s.stopFailures};
    }
#else
    std::string text;
    for (const auto& [name, s] : all)
      text += name + "|" + (s.installed ? "1" : "0") + "|" + (s.running ? "1" : "0") + "|" +
              std::to_string(s.startFailures) + "|" + std::to_string(s.stopFailures) + "|" + exe_ +
              "\n";
    ASSERT_TRUE(plat::files().WriteFile("services.state", text));
#endif
  }

  // installed and running, as "IR", "I-", "--".
  std::string Get(const std::string& name) {
#ifndef _WIN32
    for (const auto& [key, s] : plat::sim::DefaultMachine().services.byName)
      if (s.name == name) return std::string(s.installed ? "I" : "-") + (s.running ? "R" : "-");
#else
    std::string text = plat::files().ReadFile("services.state").value_or("");
    size_t at = text.find(name + "|");
    if (at != std::string::npos) {
      return std::string(text[at + name.size() + 1] == '1' ? "I" : "-") +
             (text[at + name.size() + 3] == '1' ? "R" : "-");
    }
#endif
    return "??";
  }

  std::string exe_;
};

TEST_F(ServiceContract, ScFamilyStopsAndStarts) {
  Set({{"PrnSvc", {false, false}}, {"Other", {true, true}}});
  services::ScStopService("PrnSvc", exe_, true);  // unknown to sc: nothing stopped, nothing deleted
  EXPECT_EQ(Get("Other"), "IR");
  EXPECT_EQ(Get("PrnSvc"), "--");

  EXPECT_TRUE(services::ScStartService("PrnSvc", exe_)) << "installed first, then started";
  EXPECT_EQ(Get("PrnSvc"), "IR");
  EXPECT_FALSE(services::ScStartService("PrnSvc", exe_)) << "already running";

  services::ScStopService("PrnSvc", exe_, false);
  EXPECT_EQ(Get("PrnSvc"), "I-");
  services::ScStopService("PrnSvc", exe_, true);
  EXPECT_EQ(Get("PrnSvc"), "--");
  EXPECT_EQ(Get("Other"), "IR");
}

TEST_F(ServiceContract, NetFamilyStopsAndStarts) {
  Set({{"PrnSvc", {false, false}}});
  EXPECT_TRUE(services::NetStartService("PrnSvc", exe_))
      << "installed after the first start failed";
  EXPECT_EQ(Get("PrnSvc"), "IR");

  services::NetStopService("PrnSvc", "Missing.exe", true);  // no executable: nothing runs
  EXPECT_EQ(Get("PrnSvc"), "IR");

  Set({{"PrnSvc", {true, true, 0, 1}}});  // the first stop fails
  services::NetStopService("PrnSvc", exe_, true);
  EXPECT_EQ(Get("PrnSvc"), "--");
}

}  // namespace
