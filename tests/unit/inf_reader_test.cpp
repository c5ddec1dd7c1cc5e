#include "services/inf_reader.h"

#include "sim_fixture.h"

namespace {

class InfReader : public SimTest {
 protected:
  int Read(const std::string& inf, std::string& id, std::string& compat) {
    Write("C:\\Medium\\t.inf", inf);
    return services::ReadInfHardwareIds("t.inf", id, compat);
  }
};

TEST_F(InfReader, CommentLinesAreSkippedEvenWithAnId) {
  std::string id, compat;
  EXPECT_EQ(Read(";x=LPTENUM\\AAAA,USBPRINT\\Q\r\n ;y=LPTENUM\\BBBB,USBPRINT\\R\r\n"
                 "z=Install,LPTENUM\\CCCC,USBPRINT\\VelmarCCCC\r\n",
                 id, compat),
            1);
  EXPECT_EQ(id, "CCCC");
  EXPECT_EQ(compat, "VelmarCCCC");
}

TEST_F(InfReader, TheSameIdOnEveryLineCountsOnce) {
  std::string id, compat;
  for (uint32_t minor : {0u, 1u}) {
    machine.version = {5, minor};
    EXPECT_EQ(Read("a=s,LPTENUM\\VelmarVP210,USBPRINT\\X\nb=s,LPTENUM\\VelmarVP210,USBPRINT\\Y\n",
                   id, compat),
              1);
    EXPECT_EQ(id, "VelmarVP210");
    EXPECT_EQ(compat, "X") << "the compatible tail of the first line is kept";
  }
}

TEST_F(InfReader, TwoIdsPickedByWindowsVersion) {
  const std::string inf =
      "a=s,LPTENUM\\ABCDEFGHIJ,USBPRINT\\U1\nb=s,LPTENUM\\ABCDEFGHIJKL,USBPRINT\\U2\n";
  std::string id, compat;
  machine.version = {5, 0};
  EXPECT_EQ(Read(inf, id, compat), 2);
  EXPECT_EQ(id, "ABCDEFGHIJKL");
  machine.version = {5, 1};
  Read(inf, id, compat);
  EXPECT_EQ(id, "ABCDEFGHIJ");
  machine.version = {6, 1};
  Read(inf, id, compat);
  EXPECT_EQ(id, "ABCDEFGHIJ");

  const std::string same = "a=s,LPTENUM\\FIRST1,USBPRINT\\U1\nb=s,LPTENUM\\LATER2,USBPRINT\\U2\n";
  machine.version = {5, 0};
  Read(same, id, compat);
  EXPECT_EQ(id, "LATER2") << "a tie goes to the later ID up to Windows 2000";
  machine.version = {5, 1};
  Read(same, id, compat);
  EXPECT_EQ(id, "FIRST1") << "and to the first one after it";
}

TEST_F(InfReader, LineWithoutCommaGivesAnEmptyFirstIdAndCounts) {
  std::string id, compat;
  for (uint32_t minor : {0u, 1u}) {
    machine.version = {5, minor};
    EXPECT_EQ(Read("a=LPTENUM\\NOCOMMA\nb=s,LPTENUM\\REAL01,USBPRINT\\U\n", id, compat), 2);
    EXPECT_EQ(id, "REAL01") << "the next matching line is taken as the first again";
    EXPECT_EQ(compat, "U");
  }
}

TEST_F(InfReader, MissingFileOrNoLptLine) {
  std::string id = "x", compat = "y";
  EXPECT_EQ(services::ReadInfHardwareIds("absent.inf", id, compat), 0);
  EXPECT_EQ(id, "");
  EXPECT_EQ(compat, "");
  EXPECT_EQ(Read("[Version]\nlptenum\\lower,case\n", id, compat), 0)
      << "the marker is case-sensitive";
}

TEST_F(InfReader, ModelNameIsTheFirstEntryWithoutQuotes) {
  Write("C:\\Medium\\m.inf",
        "[Version]\nClass=Printer\n[Strings]\nProviderName = Velmar\n"
        "[Velmar]\n\"Velmar VP-210\" = VP210, LPTENUM\\X\n\"Second\" = s\n");
  std::string name;
  ASSERT_TRUE(services::ReadInfModelName("m.inf", name));
  EXPECT_EQ(name, "Velmar VP-210");
}

TEST_F(InfReader, ModelNameFailsWithoutProviderOrSection) {
  std::string name = "old";
  EXPECT_FALSE(services::ReadInfModelName("none.inf", name));
  EXPECT_EQ(name, "");
  Write("C:\\Medium\\n.inf", "[Strings]\nOther=1\n");
  EXPECT_FALSE(services::ReadInfModelName("n.inf", name));
  Write("C:\\Medium\\e.inf", "[Strings]\nProviderName=Nowhere\n");
  EXPECT_FALSE(services::ReadInfModelName("e.inf", name));
}

// Start-up reads each INF once: the name found in the bytes read for the
// content scan is used, and dropped as soon as the file changes.
TEST_F(InfReader, ModelNameFromTheBytesAlreadyReadUntilTheFileChanges) {
  const std::string inf = "[Strings]\nProviderName=V\n[V]\n\"Velmar VP-210\"=a\n";
  Write("C:\\Medium\\m.inf", inf);
  ASSERT_TRUE(services::ReadInfContent("m.inf").has_value());
  machine.faults.Set("ReadFile", 0, 5);
  std::string name;
  EXPECT_TRUE(services::ReadInfModelName("m.inf", name)) << "named without reading again";
  EXPECT_EQ(name, "Velmar VP-210");

  // Rewritten with another name of the same length: never answered from before.
  machine.faults.Clear();
  Write("C:\\Medium\\m.inf", "[Strings]\nProviderName=V\n[V]\n\"Velmar VP-310\"=a\n");
  machine.faults.Set("ReadFile", 0, 5);
  EXPECT_FALSE(services::ReadInfModelName("m.inf", name));
  machine.faults.Clear();
  EXPECT_TRUE(services::ReadInfModelName("m.inf", name));
  EXPECT_EQ(name, "Velmar VP-310");

  // A file that cannot be read keeps nothing.
  machine.faults.Set("ReadFile", 0, 5);
  EXPECT_FALSE(services::ReadInfContent("m.inf").has_value());
  machine.faults.Clear();
}

TEST_F(InfReader, ModelNamesAreNotCarriedToAnotherMachine) {
  Write("C:\\Medium\\m.inf", "[Strings]\nProviderName=V\n[V]\nFirst=a\n");
  std::string name;
  ASSERT_TRUE(services::ReadInfModelName("m.inf", name));
  plat::sim::SimMachine other;
  const plat::Backend saved = plat::backend();
  plat::SetBackend(other.AsBackend());
  EXPECT_FALSE(services::ReadInfModelName("m.inf", name)) << "no such file on the other machine";
  EXPECT_TRUE(
      plat::files().WriteFile("C:\\Medium\\m.inf", "[Strings]\nProviderName=V\n[V]\nOther=a\n"));
  EXPECT_TRUE(services::ReadInfModelName("m.inf", name));
  EXPECT_EQ(name, "Other");
  plat::SetBackend(saved);
}

}  // namespace
