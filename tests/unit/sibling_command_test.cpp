// The 64-bit sibling's command line: what it accepts, and that anything
// else is refused (with the window known when the handle was readable).
#include <gtest/gtest.h>

#include "platform/sibling_command.h"

namespace {

TEST(SiblingCommand, ParsesTheInstallersCommandLine) {
  sibling::Command c;
  std::string line =
      "X64\\Quenset64.exe /Handle 65714 /Dll \"drvkit64.dll\" /Inf \"..\\Drivers\\My "
      "Model\\VP.inf\" "
      "/HWID LPTOFFLINE\\VelmarVP-210";
  ASSERT_TRUE(sibling::Parse(sibling::ArgumentsOf(line), c));
  EXPECT_EQ(c.window, 65714u);
  EXPECT_EQ(c.dll, "drvkit64.dll");
  EXPECT_EQ(c.inf, "..\\Drivers\\My Model\\VP.inf");
  EXPECT_EQ(c.hwid, "LPTOFFLINE\\VelmarVP-210");

  // A program path with blanks, passed unquoted, and a quoted one.
  ASSERT_TRUE(sibling::Parse(
      sibling::ArgumentsOf(
          "C:\\My Medium\\X64\\Quenset64.exe /Handle 7 /Dll \"a.dll\" /Inf \"b.inf\" /HWID X"),
      c));
  EXPECT_EQ(c.window, 7u);
  ASSERT_TRUE(sibling::Parse(
      sibling::ArgumentsOf(
          "\"C:\\My Medium\\Quenset64.exe\" /Handle 7 /Dll \"a.dll\" /Inf \"b.inf\" /HWID X"),
      c));
  EXPECT_EQ(c.inf, "b.inf");
}

TEST(SiblingCommand, RefusesAnythingElseWithoutCrashing) {
  struct Row {
    const char* args;
    bool window;
  } rows[] = {
      {"", false},
      {" /Handle", false},
      {" /Handle ", false},
      {" /Handle x12 /Dll \"a\" /Inf \"b\" /HWID c", false},
      {" /Handle 123456789012345678901234 /Dll \"a\" /Inf \"b\" /HWID c", false},
      {" /handle 12 /Dll \"a\" /Inf \"b\" /HWID c", false},
      {" /Handle 12", true},
      {" /Handle 12 /Dll a /Inf \"b\" /HWID c", true},
      {" /Handle 12 /Dll \"a /Inf \"b\" /HWID c", true},
      {" /Handle 12 /Dll \"\" /Inf \"b\" /HWID c", true},
      {" /Handle 12 /Dll \"a\" /Inf \"b\" /HWID ", true},
      {" /Handle 12 /Dll \"a\" /Inf \"b\"", true},
      {" /Handle 12 /Dll \"a\"  /Inf \"b\" /HWID c", true},
      {" /Handle 12 /Dll \"a\" /Inf \"b\" /HWID c d", true},
      {" /Handle 12 /Inf \"b\" /Dll \"a\" /HWID c", true},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    sibling::Command c;
    EXPECT_FALSE(sibling::Parse(rows[i].args, c)) << "row " << i << ": " << rows[i].args;
    EXPECT_EQ(c.hasWindow, rows[i].window) << "row " << i;
    if (c.hasWindow) {
      EXPECT_EQ(c.window, 12u) << "row " << i;
    }
  }
}

TEST(SiblingCommand, PortFollowsTheDeviceFound) {
  EXPECT_EQ(sibling::PortFor(true, "USBPRINT\\VELMAR\\7&1&0&USB001", "Port USB003"), "USB003");
  EXPECT_EQ(sibling::PortFor(true, "USBPRINT\\VELMAR", "USB1"), "USB1");
  EXPECT_EQ(sibling::PortFor(true, "LPTENUM\\VELMARVP-210\\1", "LPT1"), "LPT1:");
  EXPECT_EQ(sibling::PortFor(false, "", ""), "LPT1:");
  EXPECT_EQ(sibling::PortFor(false, "USBPRINT\\X", "USB002"), "LPT1:");
  EXPECT_TRUE(sibling::Succeeded(1));
  EXPECT_TRUE(sibling::Succeeded(-1));
  EXPECT_FALSE(sibling::Succeeded(2));
}

}  // namespace
