// Profile files as both backends must read them: names without regard to
// case, trimmed and unquoted values, and every answer cut to the buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check.h"
#include "platform/common/profile_text.h"
#include "platform/platform.h"

namespace {

class ProfileContract : public contract::ContractTest {};

using Names = std::vector<std::string>;

// A profile file in the temporary folder, removed again at the end.
class TempIni {
 public:
  explicit TempIni(const std::string& content) {
    static int serial = 0;
    path_ = plat::sys().GetTempPath() + "pc" + std::to_string(plat::sys().TickCount() % 100000) +
            "_" + std::to_string(++serial) + ".ini";
    ok_ = plat::files().WriteFile(path_, content);
  }
  ~TempIni() { plat::files().DeleteFile(path_); }
  TempIni(const TempIni&) = delete;
  TempIni& operator=(const TempIni&) = delete;
  const std::string& path() const { return path_; }
  bool ok() const { return ok_; }

 private:
  std::string path_;
  bool ok_ = false;
};

const char kModels[] =
    "top=before the first section\r\n"
    "[Models]\r\n"
    "  Name  =   Velmar VP-210   \r\n"
    "Quoted=\"  in quotes  \"\r\n"
    "Single='single'\r\n"
    "Mixed=\"mixed'\r\n"
    "Lone=\"\r\n"
    "Empty=\r\n"
    "EmptyQuotes=\"\"\r\n"
    "NoEquals\r\n"
    ";Comment=hidden\r\n"
    "\r\n"
    "Dup=first\r\n"
    "Dup=second\r\n"
    "Tab=\tv\t\r\n"
    "[models]\r\n"
    "Late=in the second section of the name\r\n"
    "[ Spaced ]\r\n"
    "Inner=x\r\n";

struct StringCase {
  int line;
  const char* section;
  const char* key;
  const char* def;
  uint32_t size;
  const char* expected;
};

TEST_F(ProfileContract, ValuesFollowTheProfileRules) {
  TempIni ini(kModels);
  ASSERT_TRUE(ini.ok()) << ini.path();
  const StringCase cases[] = {
      {__LINE__, "Models", "Name", "d", 2048, "Velmar VP-210"},
      {__LINE__, "MODELS", "nAME", "d", 2048, "Velmar VP-210"},
      {__LINE__, " Models ", " Name ", "d", 2048, "Velmar VP-210"},
      {__LINE__, "Models", "Quoted", "d", 2048, "  in quotes  "},
      {__LINE__, "Models", "Single", "d", 2048, "single"},
      {__LINE__, "Models", "Mixed", "d", 2048, "\"mixed'"},
      {__LINE__, "Models", "Lone", "d", 2048, "\""},
      {__LINE__, "Models", "Empty", "d", 2048, ""},
      {__LINE__, "Models", "EmptyQuotes", "d", 2048, ""},
      {__LINE__, "Models", "NoEquals", "d", 2048, "d"},
      {__LINE__, "Models", ";Comment", "d", 2048, "hidden"},
      {__LINE__, "Models", "Dup", "d", 2048, "first"},
      {__LINE__, "Models", "Tab", "d", 2048, "v"},
      {__LINE__, "Models", "Late", "nf", 2048, "nf"},
      {__LINE__, "models", "Late", "nf", 2048, "nf"},
      {__LINE__, "Spaced", "Inner", "nf", 2048, "x"},
      {__LINE__, " spaced ", "Inner", "nf", 2048, "x"},
      {__LINE__, "", "top", "nf", 2048, "before the first section"},
      {__LINE__, "Models", "", "dflt", 2048, "dflt"},
      // defaults: trailing spaces go, quotes go as from the file
      {__LINE__, "Models", "Missing", "dflt  ", 2048, "dflt"},
      {__LINE__, "Models", "Missing", "  dflt", 2048, "  dflt"},
      {__LINE__, "Models", "Missing", "\"q\"", 2048, "q"},
      {__LINE__, "Models", "Missing", "   ", 2048, " "},
      {__LINE__, "Models", "Missing", "", 2048, ""},
      {__LINE__, "Nowhere", "Name", "dflt", 2048, "dflt"},
      // cut to the buffer
      {__LINE__, "Models", "Name", "d", 14, "Velmar VP-210"},
      {__LINE__, "Models", "Name", "d", 13, "Velmar VP-21"},
      {__LINE__, "Models", "Name", "d", 5, "Velm"},
      {__LINE__, "Models", "Name", "d", 2, "V"},
      {__LINE__, "Models", "Name", "d", 1, ""},
      {__LINE__, "Models", "Missing", "default", 4, "def"},
      // the closing quote is cut as the last character copied
      {__LINE__, "Models", "Single", "d", 9, "single"},
      {__LINE__, "Models", "Single", "d", 8, "single"},
      {__LINE__, "Models", "Single", "d", 7, "singl"},
      {__LINE__, "Models", "Single", "d", 6, "singl"},
      {__LINE__, "Models", "Single", "d", 3, "si"},
  };
  for (const StringCase& c : cases) {
    SCOPED_TRACE("row at line " + std::to_string(c.line));
    EXPECT_EQ(plat::profile().GetString(ini.path(), c.section, c.key, c.def, c.size), c.expected);
  }
}

TEST_F(ProfileContract, ValuesAtTheTwoKilobyteBuffer) {
  const std::string fits(2047, 'a'), over(2048, 'b'), far(5000, 'c'), quoted(2047, 'q');
  TempIni ini("[S]\nFits=" + fits + "\nOver=" + over + "\nFar=" + far + "\nQuoted=\"" + quoted +
              "\"\nShortQuoted=\"" + quoted.substr(0, 2046) + "\"\n");
  ASSERT_TRUE(ini.ok());
  EXPECT_EQ(plat::profile().GetString(ini.path(), "S", "Fits", "", 2048), fits);
  EXPECT_EQ(plat::profile().GetString(ini.path(), "S", "Over", "", 2048), over.substr(0, 2047));
  EXPECT_EQ(plat::profile().GetString(ini.path(), "S", "Far", "", 2048), far.substr(0, 2047));
  EXPECT_EQ(plat::profile().GetString(ini.path(), "S", "Quoted", "", 2048), quoted.substr(0, 2046));
  EXPECT_EQ(plat::profile().GetString(ini.path(), "S", "ShortQuoted", "", 2048),
            quoted.substr(0, 2046));
  EXPECT_EQ(plat::profile().GetString(ini.path(), "S", "Missing", far, 2048), far.substr(0, 2047));
}

struct ListCase {
  int line;
  uint32_t size;
  Names expected;
};

TEST_F(ProfileContract, SectionNamesCutToTheBuffer) {
  TempIni ini("[aa]\nk=1\n[bbb]\n[c]\nk=2\n");
  ASSERT_TRUE(ini.ok());
  // The whole list "aa\0bbb\0c\0\0" takes 11 bytes. A name that fills the
  // room up to the closing NUL exactly still ends the list.
  const ListCase cases[] = {
      {__LINE__, 100, {"aa", "bbb", "c"}},
      {__LINE__, 11, {"aa", "bbb", "c"}},
      {__LINE__, 10, {"aa", "bbb", "c"}},
      {__LINE__, 9, {"aa", "bbb"}},
      {__LINE__, 8, {"aa", "bbb"}},
      {__LINE__, 7, {"aa", "bb"}},
      {__LINE__, 5, {"aa"}},
      {__LINE__, 4, {"aa"}},
      {__LINE__, 3, {"a"}},
      {__LINE__, 2, {}},
      {__LINE__, 1, {}},
      {__LINE__, 0, {}},
  };
  for (const ListCase& c : cases) {
    SCOPED_TRACE("row at line " + std::to_string(c.line));
    EXPECT_EQ(plat::profile().GetSectionNames(ini.path(), c.size), c.expected);
  }
}

TEST_F(ProfileContract, ManySectionsFillSixteenKilobytes) {
  // 2000 names of 11 characters: 12 bytes each in the list, 24000 in all.
  std::string content;
  for (int i = 0; i < 2000; ++i) {
    char name[16];
    snprintf(name, sizeof name, "Section%04d", i);
    content += std::string("[") + name + "]\r\nKey=" + std::to_string(i) + "\r\n";
  }
  TempIni ini(content);
  ASSERT_TRUE(ini.ok());
  Names names = plat::profile().GetSectionNames(ini.path(), 16384);
  // 1365 whole names take 16380 bytes; the 1366th is cut to the two
  // characters that leave room for the closing NULs.
  ASSERT_EQ(names.size(), 1366u);
  EXPECT_EQ(names[0], "Section0000");
  EXPECT_EQ(names[1364], "Section1364");
  EXPECT_EQ(names[1365], "Se");
  EXPECT_EQ(plat::profile().GetSectionNames(ini.path(), 1 << 20).size(), 2000u);
  EXPECT_EQ(plat::profile().GetString(ini.path(), "section1999", "key", "", 2048), "1999");
}

TEST_F(ProfileContract, KeyNamesSkipCommentsBlankLinesAndBareNames) {
  TempIni ini(kModels);
  ASSERT_TRUE(ini.ok());
  EXPECT_EQ(plat::profile().GetKeyNames(ini.path(), "MODELS", 4096),
            (Names{"Name", "Quoted", "Single", "Mixed", "Lone", "Empty", "EmptyQuotes", "Dup",
                   "Dup", "Tab"}));
  EXPECT_EQ(plat::profile().GetKeyNames(ini.path(), "Nowhere", 4096), Names{});
  EXPECT_EQ(plat::profile().GetKeyNames(ini.path(), "", 4096), Names{"top"});
  EXPECT_EQ(plat::profile().GetKeyNames(ini.path(), "spaced", 4096), Names{"Inner"});
  // A repeated section name is listed each time; only the first is searched.
  EXPECT_EQ(plat::profile().GetSectionNames(ini.path(), 16384),
            (Names{"Models", "models", "Spaced"}));

  TempIni small("[S]\nk1=a\nkey2=b\nk3=c\n");
  ASSERT_TRUE(small.ok());
  const ListCase cases[] = {
      {__LINE__, 100, {"k1", "key2", "k3"}},
      {__LINE__, 12, {"k1", "key2", "k3"}},
      {__LINE__, 11, {"k1", "key2", "k"}},
      {__LINE__, 8, {"k1", "key"}},
      {__LINE__, 6, {"k1", "k"}},
      {__LINE__, 5, {"k1"}},
      {__LINE__, 3, {"k"}},
      {__LINE__, 2, {}},
      {__LINE__, 0, {}},
  };
  for (const ListCase& c : cases) {
    SCOPED_TRACE("row at line " + std::to_string(c.line));
    EXPECT_EQ(plat::profile().GetKeyNames(small.path(), "s", c.size), c.expected);
  }
}

TEST_F(ProfileContract, LineEndsOfBothKinds) {
  for (const char* eol : {"\n", "\r\n"}) {
    SCOPED_TRACE(eol[0] == '\n' ? "LF" : "CR LF");
    const std::string e = eol;
    TempIni ini("[One]" + e + "a=1" + e + "b = 2 " + e + "[Two]" + e + "a=3");
    ASSERT_TRUE(ini.ok());
    EXPECT_EQ(plat::profile().GetSectionNames(ini.path(), 16384), (Names{"One", "Two"}));
    EXPECT_EQ(plat::profile().GetKeyNames(ini.path(), "One", 2048), (Names{"a", "b"}));
    EXPECT_EQ(plat::profile().GetString(ini.path(), "One", "b", "", 2048), "2");
    EXPECT_EQ(plat::profile().GetString(ini.path(), "Two", "a", "", 2048), "3");
  }
}

TEST_F(ProfileContract, MissingFileGivesTheDefault) {
  const std::string path = plat::sys().GetTempPath() + "pc_no_such_file_here.ini";
  ASSERT_FALSE(plat::files().FileExists(path));
  EXPECT_EQ(plat::profile().GetString(path, "S", "K", "fallback  ", 2048), "fallback");
  EXPECT_EQ(plat::profile().GetString(path, "S", "K", "fallback", 5), "fall");
  EXPECT_EQ(plat::profile().GetSectionNames(path, 16384), Names{});
  EXPECT_EQ(plat::profile().GetKeyNames(path, "S", 2048), Names{});
}

TEST_F(ProfileContract, ChangedFileIsReadAgain) {
  TempIni ini("[S]\nK=old\n");
  ASSERT_TRUE(ini.ok());
  EXPECT_EQ(plat::profile().GetString(ini.path(), "S", "K", "", 2048), "old");
  ASSERT_TRUE(plat::files().WriteFile(ini.path(), "[S]\nK=a new value\n[T]\n"));
  EXPECT_EQ(plat::profile().GetString(ini.path(), "S", "K", "", 2048), "a new value");
  EXPECT_EQ(plat::profile().GetSectionNames(ini.path(), 16384), (Names{"S", "T"}));
  // Same size, written straight after the last read.
  ASSERT_TRUE(plat::files().WriteFile(ini.path(), "[S]\nK=A NEW VALUE\n[U]\n"));
  EXPECT_EQ(plat::profile().GetString(ini.path(), "S", "K", "", 2048), "A NEW VALUE");
  EXPECT_EQ(plat::profile().GetSectionNames(ini.path(), 16384), (Names{"S", "U"}));
}

TEST_F(ProfileContract, GarbageBytesAreSurvived) {
  std::string junk = "[Before]\r\nk=v\r\n";
  uint32_t x = 12345;
  for (int i = 0; i < 20000; ++i) {
    x = x * 1103515245u + 12345u;
    char c = static_cast<char>(x >> 16);
    junk.push_back(c);
  }
  junk += "\r\n[After]\r\nk=w\r\n";
  TempIni ini(junk);
  ASSERT_TRUE(ini.ok());
  Names sections = plat::profile().GetSectionNames(ini.path(), 16384);
  ASSERT_FALSE(sections.empty());
  EXPECT_EQ(sections.front(), "Before");
  EXPECT_EQ(sections.back(), "After");
  for (const std::string& s : sections) plat::profile().GetKeyNames(ini.path(), s, 2048);
  EXPECT_EQ(plat::profile().GetString(ini.path(), "Before", "k", "", 2048), "v");
  EXPECT_EQ(plat::profile().GetString(ini.path(), "After", "k", "", 2048), "w");
}

// install.ini and the INF files are read once and answered from memory;
// that reader must answer as the system's profile reader does, file by file.
void ExpectReadersAgree(const std::string& content) {
  TempIni ini(content);
  ASSERT_TRUE(ini.ok());
  const plat::profile_text::Text text(*plat::files().ReadFile(ini.path()));
  for (uint32_t size : {16384u, 12u, 3u}) {
    SCOPED_TRACE("section list in " + std::to_string(size) + " bytes");
    EXPECT_EQ(text.SectionNames(size), plat::profile().GetSectionNames(ini.path(), size));
  }
  Names sections = plat::profile().GetSectionNames(ini.path(), 1 << 20);
  sections.insert(sections.end(), {"", "Nowhere"});
  for (const std::string& s : sections) {
    SCOPED_TRACE("section [" + s + "]");
    EXPECT_EQ(text.KeyNames(s, 4096), plat::profile().GetKeyNames(ini.path(), s, 4096));
    EXPECT_EQ(text.KeyNames(s, 7), plat::profile().GetKeyNames(ini.path(), s, 7));
    Names keys = plat::profile().GetKeyNames(ini.path(), s, 1 << 20);
    keys.insert(keys.end(), {"Missing", "NoEquals"});
    for (const std::string& k : keys)
      for (uint32_t size : {2048u, 6u}) {
        SCOPED_TRACE("key " + k + " in " + std::to_string(size) + " bytes");
        EXPECT_EQ(text.GetString(s, k, "dflt", size),
                  plat::profile().GetString(ini.path(), s, k, "dflt", size));
      }
  }
}

TEST_F(ProfileContract, InMemoryReaderAnswersAsTheSystemDoes) {
#ifndef _WIN32
  // On the simulated machine both readers are the in-memory one: the
  // comparison would hold whatever it read.
  GTEST_SKIP() << "compares with the system's reader under Windows or Wine only";
#endif
  {
    SCOPED_TRACE("the rules' table");
    ExpectReadersAgree(kModels);
  }
  {
    SCOPED_TRACE("where headers are");
    ExpectReadersAgree(
        "lead=[not a header]\r\n  \t[Spaced]  \r\na=1 [x] [y]\r\n[NoClose\r\nb=2\r\n"
        "[Last]tail text\r\nd=4\r\n[ Trimmed\t]\r\ne=5");
  }
  {
    SCOPED_TRACE("line ends of one kind, no end at the end");
    ExpectReadersAgree("[One]\na=1\n[Two]\nb = 2 ");
    ExpectReadersAgree("[One]\r\na=1\r\n\r\n[Two]\r\nb=2\r\n");
  }
  {
    SCOPED_TRACE("carriage returns alone, and after the last line feed");
    ExpectReadersAgree("[One]\ra=1\r[Two]\rb=2\r");
    ExpectReadersAgree("[One]\na=1\r[Hidden]\nb=2\n[Tail]\rc=3\r[Two]\rd=4");
  }
  {
    SCOPED_TRACE("other blanks");
    ExpectReadersAgree("\v[One]\f\na\t=\v1\x1a\n\x1a[Two]\nb=2\n");
  }
  {
    SCOPED_TRACE("16-bit text");
    std::string wide = "\xFF\xFE";
    for (char c : std::string("[Wide]\r\nKey=Value\r\n[Two]\r\nk=v\r\n"))
      wide += std::string{c, '\0'};
    ExpectReadersAgree(wide);
  }
  {
    SCOPED_TRACE("an INF as the program reads it");
    ExpectReadersAgree(
        "; comment\r\n[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"
        "Provider=%ProviderName%\r\n\r\n[Manufacturer]\r\n%ProviderName%=Velmar\r\n\r\n"
        "[Velmar]\r\n\"Velmar VP-210\" = VP210, LPTENUM\\VelmarVP-2108E5C\r\n\r\n"
        "[Strings]\r\nProviderName=\"Velmar\"\r\n");
  }
  {
    SCOPED_TRACE("a long value and a long name");
    ExpectReadersAgree("[S]\r\n" + std::string(3000, 'k') + "=v\r\nlong=" + std::string(5000, 'v') +
                       "\r\n");
  }
}

}  // namespace
