#include <gtest/gtest.h>

#include "platform/common/text.h"

using namespace plat::text;

TEST(Text, UpperTouchesOnlyAsciiLetters) {
  EXPECT_EQ(Upper("abc\xB4\xF2z"), "ABC\xB4\xF2Z");  // GBK bytes stay as they are
}

TEST(Text, TrimAndSplit) {
  EXPECT_EQ(Trim("  a b \t"), "a b");
  EXPECT_EQ(Split("a,,b", ','), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(Hex8(0xE000022F), "0xE000022F");
  EXPECT_EQ(Hex8(5), "0x00000005");
}

TEST(Text, EscapedWritesOnlyTheNamedCharactersAsText) {
  EXPECT_EQ(Escaped("a<b>&c", {{'<', "&lt;"}, {'>', "&gt;"}, {'&', "&amp;"}}), "a&lt;b&gt;&amp;c");
  // Each character once: a replacement is not escaped again.
  EXPECT_EQ(Escaped("\r\n\\", {{'\r', "\\r"}, {'\n', "\\n"}}), "\\r\\n\\");
  EXPECT_EQ(Escaped(std::string("a\0b", 3), {{'\0', "\\0"}}), "a\\0b");
  EXPECT_EQ(Escaped("", {{'x', "y"}}), "");
}
