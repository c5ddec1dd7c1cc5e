// The log routine's three modes, the repeated-message rule, the line cut,
// the file's place, and the system checks.
#include <gtest/gtest.h>

#include "platform/common/text.h"
#include "services/log.h"
#include "services/system_checks.h"
#include "sim_fixture.h"

namespace {

class LogTest : public SimTest {
 protected:
  LogTest() {
    services::ResetLog();
    machine.shortDate = "12/7/2026";
    machine.longTime = "9:05:01 AM";
  }
  ~LogTest() override {
    services::ResetLog();
    services::SetLogMessageBox(nullptr);
    services::SetLogMode(1);
  }
  std::string LogText() {
    return plat::files().ReadFile(services::LogFilePath()).value_or("<none>");
  }
};

TEST_F(LogTest, FileIsInTheTempFolderNamedAfterTheProgram) {
  EXPECT_EQ(services::LogFilePath(), "C:\\Temp\\Setup.log");
  machine.modulePath = "D:\\Disk1\\QuickSetup.EXE";
  machine.tempPath = "C:\\Users\\me\\Temp";
  EXPECT_EQ(services::LogFilePath(), "C:\\Users\\me\\Temp\\QuickSetup.log");
  EXPECT_EQ(services::LogMode(), 1);
}

TEST_F(LogTest, DebugModeWritesTagAndMessage) {
  services::WriteLog("abc", 0, "X");
  services::WriteLog("abc", 0, "");
  EXPECT_EQ(machine.DebugLines(), (std::vector<std::string>{"<X> abc", "<> abc"}));
  EXPECT_FALSE(plat::files().FileExists(services::LogFilePath()));
}

TEST_F(LogTest, FileModeTagsWithDateAndTimeAndShortensRepeats) {
  services::WriteLog("pipe failed", 1, "");
  services::WriteLog("pipe failed", 1, "");
  services::WriteLog("Pipe failed", 1, "T");
  EXPECT_EQ(LogText(), "<12/7/2026 9:05:01 AM> pipe failed\r\n..\r\n<T> Pipe failed\r\n");
}

TEST_F(LogTest, LastMessageCountsAcrossModes) {
  services::WriteLog("same", 0, "x");
  services::WriteLog("same", 1, "x");
  EXPECT_EQ(LogText(), "..\r\n");
  services::WriteLog("other", 7, "x");  // unknown mode: nothing written, still remembered
  services::WriteLog("other", 1, "x");
  EXPECT_EQ(LogText(), "..\r\n..\r\n");
}

TEST_F(LogTest, LongFileKeepsItsLast32767LinesAndTheNewOne) {
  // Just below, at and just above the cut, and far above it.
  for (int count : {32767, 32768, 32769, 40000}) {
    SCOPED_TRACE(count);
    std::string data;
    for (int i = 0; i < count; ++i) data += "line " + std::to_string(i) + "\r\n";
    Write(services::LogFilePath(), data);
    services::WriteLog("new " + std::to_string(count), 1, "t");
    auto lines = plat::text::Split(LogText(), '\n');
    ASSERT_EQ(lines.back(), "");
    lines.pop_back();
    ASSERT_EQ(lines.size(), 32768u);
    EXPECT_EQ(lines.front(), "line " + std::to_string(count - 32767) + "\r");
    EXPECT_EQ(lines[lines.size() - 2], "line " + std::to_string(count - 1) + "\r");
    EXPECT_EQ(lines.back(), "<t> new " + std::to_string(count) + "\r");
  }
}

// No folder for the file, a file that cannot be read or written: the line
// goes to the debug output, and the old log stays as it was.
TEST_F(LogTest, LineTheFileCannotTakeGoesToTheDebugOutput) {
  Write(services::LogFilePath(), "old\r\n");
  const auto failNext = [&](const std::string& call) { machine.faults.Set(call, 1, 5); };
  failNext("ReadFile");
  services::WriteLog("a", 1, "t");
  failNext("WriteFile");
  services::WriteLog("b", 1, "t");
  failNext("GetTempPath");
  services::WriteLog("c", 1, "t");
  EXPECT_EQ(LogText(), "old\r\n");
  EXPECT_EQ(machine.DebugLines(), (std::vector<std::string>{"<t> a", "<t> b", "<t> c"}));
  services::WriteLog("d", 1, "t");
  EXPECT_EQ(LogText(), "old\r\n<t> d\r\n");
}

TEST_F(LogTest, FileWithBareLineFeedsIsRewrittenWithCrLf) {
  Write(services::LogFilePath(), "a\nb\rc");
  services::WriteLog("d", 1, "t");
  EXPECT_EQ(LogText(), "a\r\nb\r\nc\r\n<t> d\r\n");
}

TEST_F(LogTest, MessageBoxModeGoesThroughTheSeam) {
  std::vector<std::pair<std::string, std::string>> shown;
  services::WriteLog("before any box", 2, "Notice");  // nothing wired: nothing shown, no crash
  services::SetLogMessageBox([&](const std::string& text, const std::string& caption) {
    shown.emplace_back(text, caption);
  });
  services::WriteLog("hello", 2, "Notice");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, "hello");
  EXPECT_EQ(shown[0].second, "Notice");
}

TEST_F(LogTest, OsVersionAndWow64) {
  machine.version = {5, 0, 2195};
  EXPECT_EQ(services::GetOSVersion(), 50);
  machine.version = {6, 0, 6000};
  EXPECT_EQ(services::GetOSVersion(), 60);
  machine.wow64 = true;
  EXPECT_TRUE(services::IsWow64());
  machine.hasIsWow64Process = false;
  EXPECT_FALSE(services::IsWow64());
}

}  // namespace
