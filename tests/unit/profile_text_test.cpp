// The in-memory profile reader finds section headers by searching for '[';
// whatever the bytes, it must find the ones a walk over every line finds.
#include "platform/common/profile_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using plat::profile_text::Scan;
using plat::profile_text::Text;
using Names = std::vector<std::string>;

// Every answer the two scans give for |bytes|, side by side.
void ExpectSameAnswers(const std::string& bytes) {
  const Text fast(bytes), walked(bytes, Scan::EveryLine);
  ASSERT_EQ(fast.SectionNames(1u << 30), walked.SectionNames(1u << 30));
  Names sections = walked.SectionNames(1u << 30);
  sections.push_back("");
  for (const std::string& s : sections) {
    ASSERT_EQ(fast.KeyNames(s, 1u << 30), walked.KeyNames(s, 1u << 30)) << "section " << s;
    for (const std::string& k : walked.KeyNames(s, 1u << 30))
      ASSERT_EQ(fast.GetString(s, k, "-", 4096), walked.GetString(s, k, "-", 4096))
          << s << "/" << k;
  }
}

TEST(ProfileText, HeadersOnlyAtTheStartOfALine) {
  const std::string bytes =
      "lead=[not a header]\r\n"
      "  \t[Spaced]  \r\n"
      "a=1 [x] [y]\r\n"
      "[NoClose\r\n"
      "b=2\r\n"
      "\r[AfterCR]\n"
      "c=3\n"
      "[ ]\n"
      "hidden=in an unnamed section\n"
      "[Last]tail text\n"
      "d=4";
  const Text t(bytes);
  EXPECT_EQ(t.SectionNames(16384), (Names{"Spaced", "AfterCR", "Last"}));
  EXPECT_EQ(t.GetString("", "lead", "", 2048), "[not a header]");
  EXPECT_EQ(t.KeyNames("Spaced", 2048), (Names{"a", "b"}))
      << "a '[' line without ']' is an entry of the section it stands in";
  EXPECT_EQ(t.GetString("Spaced", "a", "", 2048), "1 [x] [y]");
  EXPECT_EQ(t.GetString("AfterCR", "c", "", 2048), "3");
  EXPECT_EQ(t.GetString("Last", "d", "", 2048), "4");
  EXPECT_EQ(t.GetString("AfterCR", "hidden", "none", 2048), "none");
  ExpectSameAnswers(bytes);
}

// A carriage return ends a line wherever it stands, alone or beside a line feed.
TEST(ProfileText, CarriageReturnsEndLines) {
  const std::string crOnly = "[One]\ra=1\r[Two]\rb=2\r";
  const Text t(crOnly);
  EXPECT_EQ(t.SectionNames(16384), (Names{"One", "Two"}));
  EXPECT_EQ(t.GetString("Two", "b", "", 2048), "2");
  ExpectSameAnswers(crOnly);

  const std::string mixed = "[One]\na=1\r[Two]\n\rb=2\n\n[Three]\r\n\r\nc=3";
  const Text m(mixed);
  EXPECT_EQ(m.SectionNames(16384), (Names{"One", "Two", "Three"}));
  EXPECT_EQ(m.GetString("One", "a", "", 2048), "1");
  EXPECT_EQ(m.GetString("Two", "b", "", 2048), "2");
  EXPECT_EQ(m.GetString("Three", "c", "", 2048), "3");
  ExpectSameAnswers(mixed);
}

TEST(ProfileText, ByteOrderMarks) {
  const Text utf8(std::string("\xEF\xBB\xBF[S]\r\nk=v\r\n"));
  EXPECT_EQ(utf8.SectionNames(16384), Names{"S"});

  std::string le = "\xFF\xFE", be = "\xFE\xFF";
  auto add = [&](const std::string& chars) {
    for (char c : chars) {
      le += c;
      le += '\0';
      be += '\0';
      be += c;
    }
  };
  add("[S]\r\nk=v\xE9");
  le += "\x34\x12";  // a character beyond 8 bits
  be += "\x12\x34";
  add("\r\n");
  for (const std::string& bytes : {le, be}) {
    const Text t(bytes);
    EXPECT_EQ(t.SectionNames(16384), Names{"S"});
    EXPECT_EQ(t.GetString("s", "K", "", 2048), "v\xE9?");
  }
}

TEST(ProfileText, OnlyTheFirstSectionOfANameIsRead) {
  const Text t(std::string("[A]\nk=1\n[a]\nk=2\nj=3\n[B]\n"));
  EXPECT_EQ(t.SectionNames(16384), (Names{"A", "a", "B"}));
  EXPECT_EQ(t.GetString("A", "j", "none", 2048), "none");
  EXPECT_EQ(t.KeyNames("a", 2048), Names{"k"});
  EXPECT_EQ(t.KeyNames("B", 2048), Names{});
  EXPECT_EQ(t.Find("C"), nullptr);
}

// Short random texts over the characters that matter to the line and header
// rules, with fixed seeds: both scans must agree on every one.
TEST(ProfileText, SearchAgreesWithTheLineWalkOnRandomTexts) {
  const char alphabet[] = {'[', ']', '\n', '\r', ' ', '\t', '=', 'a', 'B', ';', '\0', '\x1a', '"'};
  uint32_t x = 2024;
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    x = x * 1103515245u + 12345u;
    const int length = static_cast<int>(x >> 16) % 60;
    for (int i = 0; i < length; ++i) {
      x = x * 1103515245u + 12345u;
      bytes.push_back(alphabet[(x >> 16) % sizeof alphabet]);
    }
    SCOPED_TRACE(testing::Message() << "round " << round);
    ExpectSameAnswers(bytes);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
