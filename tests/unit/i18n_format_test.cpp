#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "i18n/format.h"

namespace {

using i18n::FormatText;

TEST(I18nFormat, DirectivesTakeTheirArgumentsInOrder) {
  EXPECT_EQ(FormatText("%s(%2d)", "Continue Setup", 9), "Continue Setup( 9)");
  EXPECT_EQ(FormatText("%s(%2d)", "Continue Setup", 10), "Continue Setup(10)");
  EXPECT_EQ(FormatText("%2d|%2d|%2d", 0, 123, -1), " 0|123|-1");
  EXPECT_EQ(FormatText("%d/%d", -7, 4000000000u), "-7/4000000000");
  EXPECT_EQ(FormatText("%d", std::numeric_limits<int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(FormatText("%s and %s", std::string("a"), "b"), "a and b");
  EXPECT_EQ(FormatText("port %s", 3), "port 3");
}

TEST(I18nFormat, HexIsEightUpperCaseDigitsOfTheLow32Bits) {
  EXPECT_EQ(FormatText("(0x%.8x)", 5u), "(0x00000005)");
  EXPECT_EQ(FormatText("0x%.8x", 3758096943u), "0xE000022F");
  EXPECT_EQ(FormatText("0x%.8x", 0xABCDEFu), "0x00ABCDEF");
  EXPECT_EQ(FormatText("0x%.8x", -1), "0xFFFFFFFF");
  EXPECT_EQ(FormatText("0x%.8x", 0x1FFFFFFFFull), "0xFFFFFFFF");
}

TEST(I18nFormat, UnknownDirectivesStayLiteral) {
  EXPECT_EQ(FormatText("100%% sure"), "100% sure");
  EXPECT_EQ(FormatText("%%s", "x"), "%s");
  EXPECT_EQ(FormatText("%x %5d %.8X %u %", 1, 2, 3, 4), "%x %5d %.8X %u %");
  EXPECT_EQ(FormatText("50%"), "50%");
  EXPECT_EQ(FormatText("%2", 1), "%2");
}

TEST(I18nFormat, MissingSurplusAndMismatchedArguments) {
  // Missing: the directive stays, nothing is read from elsewhere.
  EXPECT_EQ(FormatText("%s on %s", "USB001"), "USB001 on %s");
  EXPECT_EQ(FormatText("(0x%.8x)"), "(0x%.8x)");
  // Surplus arguments are ignored.
  EXPECT_EQ(FormatText("no placeholder", "USB001", 5), "no placeholder");
  // A text where a number belongs uses up the argument but prints nothing of it.
  EXPECT_EQ(FormatText("%d-%s", "seven", "x"), "%d-x");
}

TEST(I18nFormat, ArgumentTextsAreNotReadAsDirectives) {
  EXPECT_EQ(FormatText("[%s]", "%s%d%%", 5), "[%s%d%%]");
}

TEST(I18nFormat, EightBitTextsPassUnchanged) {
  // Big5 "功" (A5 5C) right before the placeholder, and a GBK text as argument.
  const std::string templ = "\xA6\xA8\xA5\x5C%s\xBA\xDD\xA4\x66";
  EXPECT_EQ(FormatText(templ, "\xB4\xF2\xD3\xA1"),
            "\xA6\xA8\xA5\x5C\xB4\xF2\xD3\xA1\xBA\xDD\xA4\x66");
  const std::string withNul("a\0%s", 4);
  EXPECT_EQ(FormatText(withNul, "b"), std::string("a\0b", 3));
}

}  // namespace
