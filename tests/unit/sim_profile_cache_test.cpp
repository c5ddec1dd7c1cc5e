// The simulated profile reader keeps parsed files; a rewrite must never be
// answered from what it kept of the old content.
#include <string>

#include "sim_fixture.h"

namespace {

using ProfileCacheTest = SimTest;

// Same size, same inode, rewritten within one time-stamp tick: nothing in
// the file's attributes changes, only its bytes.
TEST_F(ProfileCacheTest, RewriteOfTheSameSizeIsSeenAtOnce) {
  const std::string ini = "C:\\Medium\\install.ini";
  for (char c = 'a'; c <= 'z'; ++c) {
    Write(ini, std::string("[S]\nKey=") + c + "\n");
    ASSERT_EQ(plat::profile().GetString(ini, "S", "Key", "", 2048), std::string(1, c));
    ASSERT_EQ(plat::profile().GetKeyNames(ini, "S", 2048).size(), 1u);
  }
  Write(ini, "[T]\nKey=z\n");
  EXPECT_EQ(plat::profile().GetSectionNames(ini, 2048), std::vector<std::string>{"T"});
}

}  // namespace
