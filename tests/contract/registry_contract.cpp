// The registry as both backends must answer it, in keys the tests make below
// SOFTWARE and remove again. A 32-bit run on 64-bit Windows sees the 32-bit
// view, stored under SOFTWARE\Wow6432Node; anywhere else no key goes there.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "check.h"
#include "platform/errors.h"
#include "platform/platform.h"
#include "setting.h"
#include "wine_departures.h"

namespace {

using Key = std::unique_ptr<plat::RegistryKey>;
using Names = std::vector<std::string>;

constexpr char kRootName[] = "RegistryContract 5e1c";
constexpr char kRoot[] = "SOFTWARE\\RegistryContract 5e1c";

plat::Registry& reg() { return plat::registry(); }

// A fresh test root below SOFTWARE, removed with all below it at the end.
class RegistryContract : public contract::ContractTest {
 protected:
  RegistryContract() { Drop(); }
  ~RegistryContract() override { Drop(); }

  static void Drop() {
    Key software;
    if (reg().OpenKey(nullptr, "SOFTWARE", plat::RegAccess::Read, software) == plat::kErrorSuccess)
      reg().DeleteKeyTree(*software, kRootName);
  }

  // Creates |sub| below the test root (with full access).
  static Key Make(const std::string& sub) {
    Key k;
    uint32_t e = reg().CreateKey(std::string(kRoot) + "\\" + sub, k);
    EXPECT_EQ(e, plat::kErrorSuccess) << sub;
    return k;
  }

  static uint32_t Open(const std::string& sub, plat::RegAccess access, Key& out) {
    return reg().OpenKey(nullptr, std::string(kRoot) + "\\" + sub, access, out);
  }
};

TEST_F(RegistryContract, ValuesReadBackOnlyAsTheirOwnType) {
  Key k = Make("Values");
  ASSERT_TRUE(k);
  ASSERT_EQ(reg().WriteString(*k, "Text", "C:\\Program Files\\Uninst.exe"), plat::kErrorSuccess);
  ASSERT_EQ(reg().WriteDword(*k, "Number", 0x12345678), plat::kErrorSuccess);
  ASSERT_EQ(reg().WriteValue(*k, "Expand", plat::kRegExpandSz, std::string("%WINDIR%\\x\0", 11)),
            plat::kErrorSuccess);
  ASSERT_EQ(reg().WriteValue(*k, "Binary4", plat::kRegBinary, std::string("\1\0\0\0", 4)),
            plat::kErrorSuccess);
  ASSERT_EQ(reg().WriteValue(*k, "ShortNumber", plat::kRegDword, std::string("\1\0", 2)),
            plat::kErrorSuccess);
  ASSERT_EQ(reg().WriteValue(*k, "Unterminated", plat::kRegSz, "abc"), plat::kErrorSuccess);

  std::string s = "sentinel";
  uint32_t n = 7;
  EXPECT_EQ(reg().ReadString(*k, "text", s), plat::kErrorSuccess) << "names match without case";
  EXPECT_EQ(s, "C:\\Program Files\\Uninst.exe");
  EXPECT_EQ(reg().ReadString(*k, "Expand", s), plat::kErrorSuccess);
  EXPECT_EQ(s, "%WINDIR%\\x") << "read as stored, not expanded";
  EXPECT_EQ(reg().ReadString(*k, "Unterminated", s), plat::kErrorSuccess);
  EXPECT_EQ(s, "abc");
  EXPECT_EQ(reg().ReadDword(*k, "Number", n), plat::kErrorSuccess);
  EXPECT_EQ(n, 0x12345678u);

  s = "sentinel";
  n = 7;
  EXPECT_EQ(reg().ReadString(*k, "Number", s), plat::kErrorUnsupportedType);
  EXPECT_EQ(reg().ReadDword(*k, "Text", n), plat::kErrorUnsupportedType);
  EXPECT_EQ(reg().ReadDword(*k, "Binary4", n), plat::kErrorUnsupportedType);
  EXPECT_EQ(reg().ReadDword(*k, "ShortNumber", n), plat::kErrorDatatypeMismatch);
  EXPECT_EQ(reg().ReadString(*k, "Missing", s), plat::kErrorFileNotFound);
  EXPECT_EQ(reg().ReadDword(*k, "Missing", n), plat::kErrorFileNotFound);
  EXPECT_EQ(s, "sentinel") << "untouched on failure";
  EXPECT_EQ(n, 7u);

  ASSERT_EQ(reg().DeleteValue(*k, "TEXT"), plat::kErrorSuccess);
  EXPECT_EQ(reg().ReadString(*k, "Text", s), plat::kErrorFileNotFound);
  EXPECT_EQ(reg().DeleteValue(*k, "Text"), plat::kErrorFileNotFound);
}

TEST_F(RegistryContract, NamesAreListedValuesAsWrittenSubkeysSorted) {
  Key k = Make("Lists");
  ASSERT_TRUE(k);
  for (const char* v : {"zeta", "Alpha", "mid"})
    ASSERT_EQ(reg().WriteString(*k, v, v), plat::kErrorSuccess);
  for (const char* sub : {"b", "C", "a"}) Make(std::string("Lists\\") + sub);

  Names values, subkeys;
  ASSERT_EQ(reg().ValueNames(*k, values), plat::kErrorSuccess);
  ASSERT_EQ(reg().SubKeyNames(*k, subkeys), plat::kErrorSuccess);
  if (wine::RegistryValuesListSorted())
    EXPECT_EQ(values, (Names{"Alpha", "mid", "zeta"}));
  else
    EXPECT_EQ(values, (Names{"zeta", "Alpha", "mid"}));
  EXPECT_EQ(subkeys, (Names{"a", "b", "C"}));

  Key empty = Make("Lists\\a");
  values = {"sentinel"};
  ASSERT_EQ(reg().ValueNames(*empty, values), plat::kErrorSuccess);
  EXPECT_TRUE(values.empty());
}

TEST_F(RegistryContract, PathsOpenWithATrailingBackslashAndFromTheRoot) {
  Make("Path\\Deep\\Down");  // missing levels are made
  Key k;
  EXPECT_EQ(Open("Path\\Deep\\", plat::RegAccess::Read, k), plat::kErrorSuccess);
  ASSERT_TRUE(k);
  Key child;
  EXPECT_EQ(reg().OpenKey(k.get(), "Down", plat::RegAccess::Read, child), plat::kErrorSuccess);
  EXPECT_TRUE(child);
  Key fromRoot;
  EXPECT_EQ(
      reg().OpenKey(nullptr, std::string("\\") + kRoot + "\\Path", plat::RegAccess::Read, fromRoot),
      plat::kErrorSuccess)
      << "a leading backslash means the root";

  Key missing;
  EXPECT_EQ(Open("Path\\Nowhere", plat::RegAccess::Read, missing), plat::kErrorFileNotFound);
  EXPECT_FALSE(missing);
  EXPECT_EQ(reg().OpenKey(k.get(), "Nowhere", plat::RegAccess::Full, missing),
            plat::kErrorFileNotFound);
  EXPECT_FALSE(missing);
}

TEST_F(RegistryContract, ReadOnlyKeyRefusesWritesButLetsSubkeysBeDeleted) {
  Make("RO\\Child\\Grandchild");
  Key ro;
  ASSERT_EQ(Open("RO", plat::RegAccess::Read, ro), plat::kErrorSuccess);
  EXPECT_EQ(reg().WriteString(*ro, "v", "x"), plat::kErrorAccessDenied);
  EXPECT_EQ(reg().DeleteValue(*ro, "v"), plat::kErrorAccessDenied);

  // RegDeleteKey refuses a key that has subkeys; the tree delete goes depth first.
  EXPECT_EQ(reg().DeleteKey(*ro, "Child"), plat::kErrorAccessDenied);
  EXPECT_EQ(reg().DeleteKeyTree(*ro, "Child"), plat::kErrorSuccess);
  Names left = {"sentinel"};
  ASSERT_EQ(reg().SubKeyNames(*ro, left), plat::kErrorSuccess);
  EXPECT_TRUE(left.empty());

  EXPECT_EQ(reg().DeleteKey(*ro, "Child"), plat::kErrorFileNotFound);
  EXPECT_EQ(reg().DeleteKeyTree(*ro, "Child"), plat::kErrorFileNotFound);
  EXPECT_EQ(reg().DeleteKeyTree(*ro, ""), plat::kErrorInvalidParameter) << "never the key itself";
}

TEST_F(RegistryContract, HandleOfADeletedKeyAnswersKeyDeleted) {
  Make("Gone");
  Key gone, parent;
  ASSERT_EQ(Open("Gone", plat::RegAccess::Full, gone), plat::kErrorSuccess);
  ASSERT_EQ(reg().OpenKey(nullptr, kRoot, plat::RegAccess::Read, parent), plat::kErrorSuccess);
  ASSERT_EQ(reg().DeleteKey(*parent, "Gone"), plat::kErrorSuccess);

  Names names;
  std::string s;
  EXPECT_EQ(reg().SubKeyNames(*gone, names), plat::kErrorKeyDeleted);
  EXPECT_EQ(reg().ValueNames(*gone, names), plat::kErrorKeyDeleted);
  EXPECT_EQ(reg().ReadString(*gone, "x", s), plat::kErrorKeyDeleted);
  EXPECT_EQ(reg().WriteString(*gone, "x", "y"), plat::kErrorKeyDeleted);

  Make("Gone");  // a new key of the same name is another key
  EXPECT_EQ(reg().SubKeyNames(*gone, names), plat::kErrorKeyDeleted);
}

TEST_F(RegistryContract, NameOfThreeHundredCharactersIsRefused) {
  const std::string name(300, 'n');
  Key k, parent;
  ASSERT_TRUE(Make("Long"));
  ASSERT_EQ(Open("Long", plat::RegAccess::Read, parent), plat::kErrorSuccess);
  const uint32_t expected =
      wine::RegistryLongPathIsMoreData() ? 234u : plat::kErrorInvalidParameter;
  EXPECT_EQ(reg().CreateKey(std::string(kRoot) + "\\Long\\" + name, k), expected);
  EXPECT_EQ(Open("Long\\" + name, plat::RegAccess::Read, k), expected);
  EXPECT_EQ(reg().OpenKey(parent.get(), name, plat::RegAccess::Read, k),
            wine::RegistryLongPathIsMoreData() ? 234u : plat::kErrorInvalidParameter);
  EXPECT_EQ(reg().DeleteKeyTree(*parent, name), expected);
  EXPECT_FALSE(k);
}

TEST_F(RegistryContract, SoftwareOfA32BitProcessOn64BitWindowsIsWow6432Node) {
  Key k = Make("View");
  ASSERT_TRUE(k);
  ASSERT_EQ(reg().WriteString(*k, "Where", "32-bit view"), plat::kErrorSuccess);

  Key stored;
  uint32_t e = reg().OpenKey(nullptr, std::string("SOFTWARE\\Wow6432Node\\") + kRootName + "\\View",
                             plat::RegAccess::Read, stored);
  if (setting::ExpectWow64()) {
    ASSERT_EQ(e, plat::kErrorSuccess) << "the 32-bit view is stored under Wow6432Node";
    std::string where;
    EXPECT_EQ(reg().ReadString(*stored, "Where", where), plat::kErrorSuccess);
    EXPECT_EQ(where, "32-bit view");
    // Naming Wow6432Node does not redirect a second time.
    Key twice;
    EXPECT_EQ(
        reg().OpenKey(nullptr, "SOFTWARE\\Wow6432Node\\Wow6432Node", plat::RegAccess::Read, twice),
        plat::kErrorFileNotFound);
  } else {
    EXPECT_EQ(e, plat::kErrorFileNotFound) << "no redirection without WOW64";
  }
}

TEST_F(RegistryContract, PathNamingWow6432NodeIsTakenAsItIs) {
  if (!setting::ExpectWow64()) {
    // Without WOW64 the name is an ordinary key; it is not there to begin with.
    Key k;
    EXPECT_EQ(
        reg().OpenKey(nullptr, "SOFTWARE\\Wow6432Node\\Wow6432Node", plat::RegAccess::Read, k),
        plat::kErrorFileNotFound);
    return;
  }
  const std::string path = std::string("SOFTWARE\\Wow6432Node\\") + kRootName + "\\Made\\Here";
  Key made;
  ASSERT_EQ(reg().CreateKey(path, made), plat::kErrorSuccess);
  Key seen;
  const uint32_t e = Open("Made\\Here", plat::RegAccess::Read, seen);
  if (wine::RegistryCreateBelowWow6432NodeGoesTwiceDeep()) {
    EXPECT_EQ(e, plat::kErrorFileNotFound);
    Key twice;
    if (reg().OpenKey(nullptr, "SOFTWARE\\Wow6432Node\\Wow6432Node", plat::RegAccess::Read,
                      twice) == plat::kErrorSuccess) {
      EXPECT_EQ(reg().DeleteKeyTree(*twice, kRootName), plat::kErrorSuccess) << "where Wine put it";
      Names left;
      if (reg().SubKeyNames(*twice, left) == plat::kErrorSuccess && left.empty()) {
        Key software;
        reg().OpenKey(nullptr, "SOFTWARE\\Wow6432Node", plat::RegAccess::Read, software);
        twice.reset();
        if (software) reg().DeleteKey(*software, "Wow6432Node");
      }
    }
  } else {
    EXPECT_EQ(e, plat::kErrorSuccess) << "the same key as the view's path";
  }
}

}  // namespace
