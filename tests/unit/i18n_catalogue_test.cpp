#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bytes.h"
#include "i18n/catalogue.h"
#include "platform/platform.h"
#include "platform/sim/machine.h"

namespace {

using i18n::Entry;
using i18n::Language;

std::string Hex(const std::string& s) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (!out.empty()) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 0xF];
  }
  return out;
}

constexpr uint16_t kTaiwan = 0x0404, kHongKong = 0x0C04, kPrc = 0x0804, kMacao = 0x1404,
                   kSingapore = 0x1004, kUs = 0x0409;

uint16_t IdOf(Language language) {
  switch (language) {
    case Language::Traditional: return kTaiwan;
    case Language::Simplified: return kPrc;
    default: return kUs;
  }
}

const Language kAllLanguages[] = {Language::English, Language::Simplified, Language::Traditional};

std::vector<Entry> AllEntries() {
  std::vector<Entry> all;
  for (size_t i = 0; i < i18n::kEntryCount; ++i) all.push_back(static_cast<Entry>(i));
  return all;
}

TEST(I18nCatalogue, LanguageIsChosenByTheWholeIdentifier) {
  struct Case {
    uint16_t id;
    Language language;
  } const cases[] = {
      {kTaiwan, Language::Traditional}, {kHongKong, Language::Traditional},
      {kPrc, Language::Simplified},     {kMacao, Language::Simplified},
      {kSingapore, Language::English},  {kUs, Language::English},
      {0x0004, Language::English},      {0x7C04, Language::English},
      {0x8404, Language::English},      {0x0000, Language::English},
      {0x0407, Language::English},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "id 0x" << std::hex << c.id);
    EXPECT_EQ(i18n::LanguageFor(c.id), c.language);
    i18n::FillCatalogueFor(c.id);
    EXPECT_TRUE(i18n::CatalogueFilled());
    EXPECT_EQ(i18n::CurrentLanguage(), c.language);
    EXPECT_EQ(i18n::SystemLangId(), c.id);
  }
  i18n::FillCatalogueFor(kHongKong);
  EXPECT_EQ(Hex(i18n::StrAppTitle()), "A6 4C AA ED BE F7 A6 77 B8 CB B5 7B A6 A1");
  i18n::FillCatalogueFor(kMacao);
  EXPECT_EQ(Hex(i18n::StrAppTitle()), "B4 F2 D3 A1 BB FA B0 B2 D7 B0 B3 CC D0 F2");
  i18n::FillCatalogueFor(kSingapore);
  EXPECT_EQ(i18n::StrAppTitle(), "Printer Installer");
}

TEST(I18nCatalogue, FillCatalogueAsksTheSystem) {
  plat::Backend saved = plat::backend();
  {
    plat::sim::SimMachine machine;
    machine.langId = kHongKong;
    plat::SetBackend(machine.AsBackend());
    i18n::FillCatalogue();
    plat::SetBackend(saved);
  }
  EXPECT_EQ(i18n::SystemLangId(), kHongKong);
  EXPECT_EQ(i18n::CurrentLanguage(), Language::Traditional);
  EXPECT_EQ(Hex(i18n::StrNotice()), "AA 60 B7 4E");
}

TEST(I18nCatalogue, ExactBytesInEachCodePage) {
  struct Case {
    Language language;
    Entry entry;
    const char* hex;
  } const cases[] = {
      // GBK
      {Language::Simplified, Entry::StrAppTitle, "B4 F2 D3 A1 BB FA B0 B2 D7 B0 B3 CC D0 F2"},
      {Language::Simplified, Entry::StrOK, "C8 B7 B6 A8"},
      {Language::Simplified, Entry::StrInfos, "CC E1 CA BE 3A"},
      {Language::Simplified, Entry::StrContinueSetup, "BC CC D0 F8 B0 B2 D7 B0"},
      {Language::Simplified, Entry::StrPortFound,
       "D5 D2 B5 BD BD D3 BF DA D0 C5 CF A2 A3 BA 25 73"},
      {Language::Simplified, Entry::StrWelcomeBanner,
       "BB B6 D3 AD CA B9 D3 C3 56 65 6C 6D 61 72 0D 0A B4 F2 D3 A1 BB FA B2 FA C6 B7"},
      // Big5 (code page 950); 确 is the Big5 variant character DA CC
      {Language::Traditional, Entry::StrAppTitle, "A6 4C AA ED BE F7 A6 77 B8 CB B5 7B A6 A1"},
      {Language::Traditional, Entry::StrOK, "DA CC A9 77"},
      {Language::Traditional, Entry::StrClickInstall,
       "BD D0 B3 E6 C0 BB A1 40 B6 7D A9 6C A6 77 B8 CB A1 40 AB F6 B6 73"},
      {Language::Traditional, Entry::StrRetryLater, "A1 41 BD D0 B5 79 AD D4 A6 41 B8 CB A1 49"},
      {Language::Traditional, Entry::StrContinueSetup, "C4 7E C4 F2 A6 77 B8 CB"},
      {Language::Traditional, Entry::StrWelcomeBanner,
       "C5 77 AA EF A8 CF A5 CE 56 65 6C 6D 61 72 0D 0A A6 4C AA ED BE F7 B2 A3 AB 7E"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(i18n::EntryName(c.entry));
    i18n::FillCatalogueFor(IdOf(c.language));
    EXPECT_EQ(Hex(i18n::Text(c.entry)), Hex(Bytes(c.hex)));
  }
}

TEST(I18nCatalogue, EnglishTextsKeepTheirBlanksAndCarryTheBrand) {
  i18n::FillCatalogueFor(kUs);
  EXPECT_EQ(i18n::StrBrand(), "Velmar");
  EXPECT_EQ(i18n::TitleColor(), 0u);
  EXPECT_EQ(i18n::StrQuickGuideLink(), " Quick Index");
  EXPECT_EQ(i18n::StrSelectDriver(), "Select Printer Driver: ");
  EXPECT_EQ(i18n::StrPrepareSearch(), "Preparing to search online printer\r\n");
  EXPECT_EQ(i18n::StrWelcomeBanner(), "Welcome To Use Velmar Printer");
  EXPECT_EQ(i18n::StrMainTitle(), "Welcome To Use Velmar Printer");
  EXPECT_EQ(i18n::StrUninstallerTitle(), "Velmar Printer UnInstaller");
  EXPECT_EQ(i18n::StrInstallSuccess(),
            "The printer driver has been installed successfully. \r\nAnd the printer port is set "
            "to %s !");
}

// Every text is there in every language, English is plain ASCII, and each
// Chinese text is a sound sequence of single bytes and double-byte characters.
TEST(I18nCatalogue, EveryEntryIsFilledInEveryLanguage) {
  for (Language language : kAllLanguages) {
    i18n::FillCatalogueFor(IdOf(language));
    for (Entry e : AllEntries()) {
      const std::string& text = i18n::Text(e);
      SCOPED_TRACE(testing::Message() << i18n::EntryName(e) << " in language "
                                      << static_cast<int>(language) << ": " << Hex(text));
      ASSERT_FALSE(text.empty());
      for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
          EXPECT_TRUE(c >= 0x20 || c == '\r' || c == '\n') << "control byte at " << i;
          continue;
        }
        ASSERT_NE(language, Language::English) << "non-ASCII byte at " << i;
        ASSERT_TRUE(c >= 0x81 && c <= 0xFE) << "bad lead byte at " << i;
        ASSERT_LT(i + 1, text.size()) << "cut character at the end";
        unsigned char t = static_cast<unsigned char>(text[++i]);
        EXPECT_TRUE(t >= 0x40 && t <= 0xFE && t != 0x7F) << "bad trail byte at " << i;
      }
    }
  }
}

// Only the four templates hold directives, each exactly its placeholder, so
// no other text can be mistaken for a format.
TEST(I18nCatalogue, OnlyTheFourTemplatesHoldPlaceholders) {
  struct Template {
    Entry entry;
    const char* en;  // nullptr: none in English
    const char* zh;
  } const templates[] = {
      {Entry::StrInstallSuccess, "%s", "%s"},
      {Entry::StrInstallFailed, "0x%.8x", "0x%.8x"},
      {Entry::StrOnlineInstallFailed, nullptr, "%s"},
      {Entry::StrPortFound, "%s", "%s"},
  };
  for (Language language : kAllLanguages) {
    i18n::FillCatalogueFor(IdOf(language));
    for (Entry e : AllEntries()) {
      const std::string& text = i18n::Text(e);
      SCOPED_TRACE(testing::Message()
                   << i18n::EntryName(e) << " in language " << static_cast<int>(language));
      const char* expected = nullptr;
      for (const Template& t : templates) {
        if (t.entry == e) expected = language == Language::English ? t.en : t.zh;
      }
      size_t percent = text.find('%');
      if (!expected) {
        EXPECT_EQ(percent, std::string::npos);
        continue;
      }
      size_t at = text.find(expected);
      ASSERT_NE(at, std::string::npos);
      EXPECT_EQ(text.find('%', percent + 1), std::string::npos) << "more than one '%'";
    }
  }
}

TEST(I18nCatalogue, TemplatesFormatAsTheMessagesNeedThem) {
  i18n::FillCatalogueFor(kUs);
  EXPECT_EQ(i18n::FormatText(i18n::StrInstallFailed(), 5u),
            "Driver install is Failed (0x00000005).");
  EXPECT_EQ(i18n::FormatText(i18n::StrInstallFailed(), 3758096943u),
            "Driver install is Failed (0xE000022F).");
  EXPECT_EQ(i18n::FormatText(i18n::StrOnlineInstallFailed(), "USB001"),
            i18n::StrOnlineInstallFailed());
  EXPECT_EQ(i18n::FormatText("%s(%2d)", i18n::StrContinueSetup(), 9), "Continue Setup( 9)");
  EXPECT_EQ(i18n::FormatText(i18n::StrPortFound(), "USB001"),
            "Having discover printer port: USB001");
  // The failure message: template, line break, code, then the retry note.
  EXPECT_EQ(i18n::FormatText(i18n::StrInstallFailed() + "\r\n", 0xAu) + i18n::StrRetryLater(),
            "Driver install is Failed (0x0000000A).\r\nPlease retry later!");

  // Traditional: 功 (A5 5C) stands right before the port.
  i18n::FillCatalogueFor(kTaiwan);
  EXPECT_EQ(Hex(i18n::FormatText(i18n::StrInstallSuccess(), "LPT1:")),
            "A6 4C AA ED BE F7 C5 58 B0 CA B5 7B A6 A1 A4 77 B8 67 A6 A8 A5 5C A6 77 B8 CB A8 EC "
            "4C 50 54 31 3A BA DD A4 66 A1 49");
  EXPECT_NE(i18n::FormatText(i18n::StrOnlineInstallFailed(), "USB001").find("USB001"),
            std::string::npos);
  EXPECT_EQ(Hex(i18n::FormatText(i18n::StrInstallFailed(), 5u)),
            "A6 4C AA ED BE F7 C5 58 B0 CA B5 7B A6 A1 A6 77 B8 CB B9 4C B5 7B A4 A4 B5 6F A5 CD "
            "28 30 78 30 30 30 30 30 30 30 35 29");
}

}  // namespace
