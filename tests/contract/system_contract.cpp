// System facts as both backends must report them.
#include <gtest/gtest.h>

#include "check.h"
#include "platform/platform.h"
#include "setting.h"

class SystemContract : public contract::ContractTest {};

TEST_F(SystemContract, VersionRecordOf148BytesIsAccepted) {
  plat::VersionInfo v;
  ASSERT_TRUE(plat::sys().GetVersionEx(v, 148)) << contract::LastError();
  EXPECT_GE(v.major, 5u);
  EXPECT_EQ(v.platformId, 2u);  // VER_PLATFORM_WIN32_NT
}

TEST_F(SystemContract, Wow64AnswerIsTheSettingsOwn) {
  auto wow = plat::sys().IsWow64Process();
  ASSERT_TRUE(wow.has_value()) << "IsWow64Process exists on every system we test on";
  EXPECT_EQ(*wow, setting::ExpectWow64()) << "setting " << setting::Name();
}

TEST_F(SystemContract, LastErrorRoundTrips) {
  plat::sys().SetLastError(0xDEADBEEF);
  EXPECT_EQ(plat::sys().GetLastError(), 0xDEADBEEFu);
  plat::sys().SetLastError(0);
}

TEST_F(SystemContract, TempPathEndsWithBackslash) {
  std::string t = plat::sys().GetTempPath();
  ASSERT_FALSE(t.empty());
  EXPECT_EQ(t.back(), '\\');
}
