// The simulated registry beyond what the contract suite holds it to: the
// WOW64 view, open keys counted, faults, and its machine-file sections.
#include <gtest/gtest.h>

#include "platform/errors.h"
#include "sim_fixture.h"
#include "tools/setup-sim/machine_file.h"

namespace {

using Key = std::unique_ptr<plat::RegistryKey>;

class SimRegistry : public SimTest {
 protected:
  plat::Registry& reg() { return plat::registry(); }
  int Open() const { return machine.handles.Count("registry"); }
  bool Load(const std::string& text) {
    error.clear();
    return simtool::ApplyMachineFile(simtool::ParseIni(text), machine, error);
  }
  std::string error;
};

TEST_F(SimRegistry, KeysAreCountedUntilTheirObjectGoes) {
  {
    Key a, b;
    ASSERT_EQ(reg().CreateKey("SOFTWARE\\A", a), plat::kErrorSuccess);
    ASSERT_EQ(reg().OpenKey(a.get(), "", plat::RegAccess::Read, b), plat::kErrorSuccess);
    EXPECT_EQ(Open(), 2);
    Key missing;
    EXPECT_EQ(reg().OpenKey(nullptr, "SOFTWARE\\B", plat::RegAccess::Read, missing),
              plat::kErrorFileNotFound);
    EXPECT_EQ(Open(), 2) << "a failed open holds nothing";
    ASSERT_EQ(reg().CreateKey("SOFTWARE\\A\\B\\C", b), plat::kErrorSuccess);
    EXPECT_EQ(Open(), 2) << "the replaced key closed";
    EXPECT_EQ(reg().DeleteKeyTree(*a, "B"), plat::kErrorSuccess);
    EXPECT_EQ(Open(), 2) << "the tree delete closes what it opened";
  }
  EXPECT_EQ(Open(), 0);
}

TEST_F(SimRegistry, Wow64RedirectsSoftwareOnceAndNothingElse) {
  machine.wow64 = true;
  Key k;
  ASSERT_EQ(reg().CreateKey("\\Software\\Vendor\\App", k), plat::kErrorSuccess);
  ASSERT_EQ(reg().WriteString(*k, "v", "x"), plat::kErrorSuccess);
  EXPECT_NE(machine.registry.Find("SOFTWARE\\Wow6432Node\\Vendor\\App"), nullptr);
  EXPECT_EQ(machine.registry.Find("SOFTWARE\\Vendor"), nullptr);

  ASSERT_EQ(reg().CreateKey("SOFTWARE\\Wow6432Node\\Vendor\\Other\\Deep", k), plat::kErrorSuccess);
  EXPECT_NE(machine.registry.Find("SOFTWARE\\Wow6432Node\\Vendor\\Other\\Deep"), nullptr)
      << "a path naming Wow6432Node is not redirected again";
  ASSERT_EQ(reg().CreateKey("SYSTEM\\Thing", k), plat::kErrorSuccess);
  EXPECT_NE(machine.registry.Find("SYSTEM\\Thing"), nullptr);
  EXPECT_NE(
      machine.registry.Find("SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce"),
      nullptr)
      << "64-bit Windows has the standard keys in both views";

  machine.wow64 = false;
  EXPECT_EQ(reg().OpenKey(nullptr, "SOFTWARE\\Vendor\\App", plat::RegAccess::Read, k),
            plat::kErrorFileNotFound);
}

TEST_F(SimRegistry, FaultsAnswerTheirErrorAndLeaveTheTreeAlone) {
  machine.registry.Make("SOFTWARE\\T\\Child");
  Key t;
  ASSERT_EQ(reg().OpenKey(nullptr, "SOFTWARE\\T", plat::RegAccess::Full, t), plat::kErrorSuccess);
  machine.faults.Set("RegDeleteKey", 1, 1234);
  EXPECT_EQ(reg().DeleteKeyTree(*t, "Child"), 1234u);
  EXPECT_NE(machine.registry.Find("SOFTWARE\\T\\Child"), nullptr);
  EXPECT_EQ(reg().DeleteKeyTree(*t, "Child"), plat::kErrorSuccess) << "only the first call failed";
  machine.faults.Set("RegSetValueEx", 0, 1450);
  EXPECT_EQ(reg().WriteString(*t, "v", "x"), 1450u);
  EXPECT_TRUE(machine.registry.Find("SOFTWARE\\T")->values.empty());
}

TEST_F(SimRegistry, MachineFileDescribesKeysAndTypedValues) {
  ASSERT_TRUE(
      Load("[System]\nWow64=1\n"
           "[Registry\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
           "Velmar Printer Utilities]\n"
           "UninstallString=C:\\Program Files\\Velmar\\Uninst.exe\n"
           "[Registry\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
           "Velmar Printer Utilities\\PrinterDrivers\\Velmar VP-210]\n"
           "Leave OEM INF=dword:0x0\n"
           "[Registry\\SYSTEM\\Empty]\n"
           "[Registry\\SOFTWARE\\Values]\nBin=hex:01,ff\nNone=hex:\nPath=expand:%WINDIR%\\x\n"
           "Literal=str:dword:1\nBig=dword:4294967295\n"))
      << error;
  Key k;
  ASSERT_EQ(reg().OpenKey(nullptr,
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmar Printer "
                          "Utilities\\PrinterDrivers\\Velmar VP-210",
                          plat::RegAccess::Read, k),
            plat::kErrorSuccess)
      << "the 32-bit program finds it through its view";
  uint32_t n = 9;
  EXPECT_EQ(reg().ReadDword(*k, "Leave OEM INF", n), plat::kErrorSuccess);
  EXPECT_EQ(n, 0u);
  EXPECT_NE(machine.registry.Find("SYSTEM\\Empty"), nullptr);

  EXPECT_EQ(reg().OpenKey(nullptr, "SOFTWARE\\Values", plat::RegAccess::Read, k),
            plat::kErrorFileNotFound)
      << "stored in the 64-bit view";
  machine.wow64 = false;
  ASSERT_EQ(reg().OpenKey(nullptr, "SOFTWARE\\Values", plat::RegAccess::Read, k),
            plat::kErrorSuccess);
  std::string s;
  EXPECT_EQ(reg().ReadString(*k, "Literal", s), plat::kErrorSuccess);
  EXPECT_EQ(s, "dword:1");
  EXPECT_EQ(reg().ReadString(*k, "Path", s), plat::kErrorSuccess);
  EXPECT_EQ(s, "%WINDIR%\\x");
  EXPECT_EQ(reg().ReadDword(*k, "Big", n), plat::kErrorSuccess);
  EXPECT_EQ(n, 0xFFFFFFFFu);
  EXPECT_EQ(reg().ReadString(*k, "Bin", s), plat::kErrorUnsupportedType);
  for (const auto& v : machine.registry.Find("SOFTWARE\\Values")->values)
    if (v.name == "Bin") {
      EXPECT_EQ(v.data, "\x01\xff");
    }
}

TEST_F(SimRegistry, BadRegistrySectionsStopTheLoadAndChangeNothing) {
  const char* bad[] = {
      "[Registry]\nA=1\n",
      "[Registry\\SOFTWARE\\\\Gap]\n",
      "[Registry\\SOFTWARE\\X]\nN=dword:4294967296\n",
      "[Registry\\SOFTWARE\\X]\nN=dword:-1\n",
      "[Registry\\SOFTWARE\\X]\nN=dword:\n",
      "[Registry\\SOFTWARE\\X]\nN=hex:1,2g\n",
      "[Registry\\SOFTWARE\\X]\nN=hex:100\n",
  };
  for (const char* text : bad) {
    EXPECT_FALSE(Load(std::string("[Registry\\SOFTWARE\\Fine]\nA=1\n") + text)) << text;
    EXPECT_FALSE(error.empty()) << text;
    EXPECT_EQ(machine.registry.Find("SOFTWARE\\Fine"), nullptr) << text;
    EXPECT_EQ(machine.registry.Find("SOFTWARE\\X"), nullptr) << text;
  }
  const std::string tooLong = "[Registry\\SOFTWARE\\" + std::string(257, 'L') + "]\n";
  EXPECT_FALSE(Load(tooLong));
  EXPECT_TRUE(Load("[Registry\\SOFTWARE\\" + std::string(256, 'L') + "]\n")) << error;
}

}  // namespace
