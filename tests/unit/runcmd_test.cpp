// The console runner over the simulated pipes: chunking, the closing entry,
// failures, late output, waiting instead of spinning, and no handle leaks.
#include <gtest/gtest.h>

#include "platform/sim/programs.h"
#include "services/log.h"
#include "services/runcmd.h"
#include "sim_fixture.h"

using plat::sim::SimOutput;
using plat::sim::SimRun;
using services::RunCMD;

namespace {

class RunCmdTest : public SimTest {
 protected:
  void Program(const std::string& name, SimRun run) {
    plat::sim::RegisterProgram(machine, name, [run](const std::string&) { return run; });
  }
  int OpenHandles() const {
    return machine.handles.Count("pipe") + machine.handles.Count("process") +
           machine.handles.Count("thread");
  }
  // The messages go to the debug output here; the program's own mode (the
  // log file) has a test of its own below.
  void SetUp() override {
    services::ResetLog();
    services::SetLogMode(0);
  }
  void TearDown() override {
    services::SetLogMode(1);
    services::ResetLog();
    EXPECT_EQ(OpenHandles(), 0) << machine.handles.Describe();
  }
};

const std::string kPipeMsg =
    "<> RunCMD "
    "\xb4\xb4\xbd\xa8\xb9\xdc\xb5\xc0\xca\xa7\xb0\xdc\xa3\xac\xba\xaf\xca\xfd\xbd\xab\xcd\xcb\xb3"
    "\xf6\xa3\xa1";
const std::string kProcessMsg =
    "<> RunCMD "
    "\xb4\xb4\xbd\xa8\xbd\xf8\xb3\xcc\xca\xa7\xb0\xdc\xa3\xac\xba\xaf\xca\xfd\xbd\xab\xcd\xcb\xb3"
    "\xf6\xa3\xa1";
const std::string kPeekMsg =
    "<> RunCMD "
    "PeekNamedPipe\xca\xa7\xb0\xdc\xa3\xac\xba\xaf\xca\xfd\xbd\xab\xcd\xcb\xb3\xf6\xa3\xa1";

TEST_F(RunCmdTest, OutputIsAppendedInChunksWithAnEmptyClosingEntry) {
  Program("big", SimRun{{{5, std::string(10000, 'x'), ""}}, 50, 0});
  std::vector<std::string> out = {"kept"};
  EXPECT_EQ(RunCMD("big", out), 1);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0], "kept");
  EXPECT_EQ(out[1].size(), 4096u);
  EXPECT_EQ(out[2].size(), 4096u);
  EXPECT_EQ(out[3].size(), 10000u - 8192u);
  EXPECT_EQ(out[4], "");
}

TEST_F(RunCmdTest, OutputWrittenAtTheMomentOfExitIsNotLost) {
  // The pipe is empty when the wait begins; the last bytes arrive as the process ends.
  Program("late", SimRun{{{0, "early ", ""}, {3000, "late", ""}}, 3000, 0});
  std::vector<std::string> out;
  EXPECT_EQ(RunCMD("late", out), 1);
  EXPECT_EQ(services::JoinOutput(out), "early \r\nlate\r\n");
  EXPECT_GE(machine.now, 3000u);
}

TEST_F(RunCmdTest, SilentCommandWaitsInsteadOfPolling) {
  Program("quiet", SimRun{{}, 3000, 0});
  // Far fewer looks at the pipe than a busy loop would take: the 400th fails and is logged.
  machine.faults.Set("PeekNamedPipe", 400, 6);
  std::vector<std::string> out;
  EXPECT_EQ(RunCMD("quiet", out), 0);
  EXPECT_EQ(out, std::vector<std::string>{""});
  EXPECT_TRUE(machine.DebugLines().empty());
  EXPECT_GE(machine.now, 3000u);
}

TEST_F(RunCmdTest, StandardErrorIsNotCaptured) {
  Program("errs", SimRun{{{1, "", "oops\r\n"}}, 10, 1});
  std::vector<std::string> out;
  EXPECT_EQ(RunCMD("errs", out), 0);
  EXPECT_EQ(out, std::vector<std::string>{""});
}

TEST_F(RunCmdTest, PipeFailureLogsAndReturnsMinusOne) {
  machine.faults.Set("CreatePipe", 0, 8);
  std::vector<std::string> out = {"a"};
  EXPECT_EQ(RunCMD("sc query x", out), -1);
  EXPECT_EQ(out, std::vector<std::string>{"a"});
  EXPECT_EQ(machine.DebugLines(), std::vector<std::string>{kPipeMsg});
}

TEST_F(RunCmdTest, MissingProgramLogsAndLeavesTheListAlone) {
  std::vector<std::string> out = {"a"};
  EXPECT_EQ(RunCMD("no-such-program /x", out), -2);
  EXPECT_EQ(out, std::vector<std::string>{"a"});
  EXPECT_EQ(machine.DebugLines(), std::vector<std::string>{kProcessMsg});
}

TEST_F(RunCmdTest, LogFollowsTheCurrentMode) {
  services::SetLogMode(1);
  std::vector<std::string> out;
  EXPECT_EQ(RunCMD("no-such-program", out), -2);
  EXPECT_TRUE(machine.DebugLines().empty());
  auto log = plat::files().ReadFile(services::LogFilePath());
  ASSERT_TRUE(log.has_value());
  EXPECT_NE(log->find(kProcessMsg.substr(3)), std::string::npos) << *log;
}

TEST_F(RunCmdTest, PeekFailureEndsTheLoopWithTheClosingEntry) {
  Program("two", SimRun{{{0, "one", ""}, {100, "two", ""}}, 200, 0});
  machine.faults.Set("PeekNamedPipe", 3, 109);
  std::vector<std::string> out;
  EXPECT_EQ(RunCMD("two", out), 1);
  EXPECT_EQ(out, (std::vector<std::string>{"one", ""}));
  EXPECT_EQ(machine.DebugLines(), std::vector<std::string>{kPeekMsg});
}

TEST_F(RunCmdTest, ReadFailureEndsTheLoopSilently) {
  Program("one", SimRun{{{0, "one", ""}}, 200, 0});
  machine.faults.Set("ReadPipe", 1, 109);
  std::vector<std::string> out;
  EXPECT_EQ(RunCMD("one", out), 0);
  EXPECT_EQ(out, std::vector<std::string>{""});
  EXPECT_TRUE(machine.DebugLines().empty());
}

TEST_F(RunCmdTest, LongCommandLineReachesTheProgramWhole) {
  std::string seen;
  plat::sim::RegisterProgram(machine, "echo", [&seen](const std::string& cmd) {
    seen = cmd;
    return SimRun{{{1, cmd, ""}}, 5, 0};
  });
  const std::string cmd = "echo " + std::string(1000, 'q');
  std::vector<std::string> out;
  EXPECT_EQ(RunCMD(cmd, out), 1);
  EXPECT_EQ(seen, cmd);
  EXPECT_EQ(out.front(), cmd);
}

TEST_F(RunCmdTest, CmdRunsTheRestOfItsLine) {
  Program("devtool", SimRun{{{1, "found\r\n", ""}}, 5, 0});
  std::vector<std::string> out;
  EXPECT_EQ(RunCMD("cmd /C devtool rescan", out), 1);
  EXPECT_EQ(out.front(), "found\r\n");
  out.clear();
  EXPECT_EQ(RunCMD("cmd /C nothing-here", out), 0);  // cmd complains on standard error only
}

}  // namespace
