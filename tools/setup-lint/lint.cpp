#include "tools/setup-lint/lint.h"

#include <dirent.h>
#include <iconv.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>

#include "app/main_form.h"
#include "config/options.h"
#include "platform/common/profile_text.h"
#include "platform/common/text.h"
#include "ui/ui.h"

namespace lint {
namespace {

namespace text = plat::text;

// The device mode's name field holds 31 characters and a NUL.
constexpr size_t kDeviceNameChars = 31;
// The main window's status bar, where a model's hint is shown.
constexpr int kStatusBarWidth = 627;

// The languages of install.ini's texts. The key's suffix picks the language
// the program reads it for (Hint0 on a Traditional Chinese system, Hint on a
// Simplified one, Hint2 on every other), and that system shows its bytes in
// its own code page. English keys are read by Japanese, Korean, Russian ...
// systems alike, so only ASCII shows right on all of them.
struct Language {
  const char* suffix;
  const char* name;
  const char* codePage;  // iconv's name; nullptr for ASCII
  const char* shown;     // the code page as a message names it
  const char* other;     // the other Chinese code page, the usual mix-up
  const char* otherName;
  const char* guide;  // InstallGuide's default
};
constexpr Language kLanguages[] = {
    {"0", "Traditional Chinese", "CP950", "Big5 (code page 950)", "CP936", "GBK", "ReadmeCHT.txt"},
    {"", "Simplified Chinese", "CP936", "GBK (code page 936)", "CP950", "Big5", "ReadmeCN.txt"},
    {"2", "English", nullptr, "ASCII", nullptr, nullptr, "ReadmeEN.txt"},
};
constexpr const char* kLanguageKeys[] = {"Hint", "InstallGuide", "QuickGuide", "HandBook"};

// The language a key is read for; nullptr for a key of every language.
const Language* LanguageOf(const std::string& key) {
  for (const char* base : kLanguageKeys)
    for (const Language& lang : kLanguages)
      if (text::EqualNoCase(key, std::string(base) + lang.suffix)) return &lang;
  return nullptr;
}

// Characters common in Chinese text, above all in a printer's hints and
// guides, in both scripts. Bytes read in the wrong Chinese code page still
// convert, but to characters hardly any text uses: the reading that finds
// many of these is the one the text was written in.
constexpr std::string_view kCommonChinese =
    "的一是不了在人有我这個个们們中来來上大为為和到以说說时時要就出会會可也对對生能而子那得于着下自"
    "之年过"
    "過发發后後作里裡用道行所然家种種事成方多经經么麼去法同现現当當没沒动動面起看定天分还還进進好小"
    "部其些主"
    "样樣理心本前开開但因只从從想实實者意无無力与與长長把机機十公此已工使情明知全关關点點正业業外两"
    "兩高间間"
    "由问問最重并並物手应應向文体體相见見被利新等产產或制製果加合回特代内內信表化给給位次度门門常先"
    "通原东東"
    "声聲提立及比名真处處各入口认認条條平系統统气題题更别別打变變总總何电電数數安少报報才结結反受目"
    "量再建务務"
    "做接必件计計管期直指保至形便空决決展改收根造言持组組每快办辦往元证證近失转轉准準布始存单單具字"
    "备備连連"
    "调調深算质質集需价價级級整离離况況请請技际際示复復息线線器容照须須增写寫称稱功包片查轻輕易除找"
    "装裝显顯"
    "图圖首局费費号號另较較注语語仅僅考选選列响響推参參构構半节節某案维維划劃致护護验驗责責够夠章音"
    "跟底站例"
    "供效续續留讲講型料终終答紧緊按网網助属屬限速刻否状狀率般普创創错錯承印试試拿预預送急素适適初源"
    "待述置排"
    "获獲模充负負停层層略范範简簡判担擔静靜退既您积積余餘检檢差灵靈协協角占配修降审審读讀超免压壓买"
    "買执執副"
    "帮幫优優控左右份块塊守托款靠评評版座释釋景顾顧登货貨互付换換闻聞核介讨討良序升监監临臨亮永架域"
    "掉括误誤"
    "减減编編测測败敗封缺移画畫短遇均销銷端探录錄附吸输輸招补補材逐笔筆词詞择擇寻尋厂廠载載健借禁避"
    "束跳顶頂"
    "练練篇遍础礎卷纸紙训訓私翻握隐隱熟访訪软軟典盘盤扩擴盖蓋稳穩忘齐齊趣曲迎虚虛析窗透购購替途套唯"
    "轮輪库庫"
    "延弃棄缓緩闪閃售灯燈针針络絡抵页頁折混振盛措残殘伸末拍缆纜串口端驱驅启啟断斷插闭閉运運张張脑腦"
    "确確络"
    "统户戶册冊档檔设設埠请先开机並谢謝欢歡迎光临您好本光盘盤包含型号驱动程序说明书手册说明步骤驟";

// Strict UTF-8 with at least one character beyond ASCII: text a Chinese or
// Western system would show as a run of odd characters.
bool IsUtf8(const std::string& bytes) {
  bool wide = false;
  for (size_t i = 0; i < bytes.size();) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    size_t n = c < 0x80                 ? 1
               : c >= 0xC2 && c <= 0xDF ? 2
               : c >= 0xE0 && c <= 0xEF ? 3
               : c >= 0xF0 && c <= 0xF4 ? 4
                                        : 0;
    if (n == 0 || i + n > bytes.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    if (n == 3) {  // no overlong forms, no surrogates
      const unsigned char d = static_cast<unsigned char>(bytes[i + 1]);
      if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d >= 0xA0)) return false;
    } else if (n == 4) {
      const unsigned char d = static_cast<unsigned char>(bytes[i + 1]);
      if ((c == 0xF0 && d < 0x90) || (c == 0xF4 && d >= 0x90)) return false;
    }
    wide |= n > 1;
    i += n;
  }
  return wide;
}

bool IsAscii(const std::string& bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

struct Line {
  int number;
  std::string key, value;  // value trimmed, quotes removed as the profile reader does
};
struct Section {
  std::string name;
  int number;
  std::vector<Line> lines;
};

const std::vector<std::string>& KnownKeys() {
  static const std::vector<std::string> keys = {"InstallSettingFile2K",
                                                "InstallGuide0",
                                                "InstallGuide",
                                                "InstallGuide2",
                                                "QuickGuide0",
                                                "QuickGuide",
                                                "QuickGuide2",
                                                "HandBook0",
                                                "HandBook",
                                                "HandBook2",
                                                "Hint0",
                                                "Hint",
                                                "Hint2",
                                                "SelectPort",
                                                "DefaultPortName",
                                                "ForceOnlineCheck",
                                                "PromptCheck",
                                                "InstallDll2K",
                                                "UnInstallImage2K",
                                                "RegSetImage2000",
                                                "InstallImage64",
                                                "Installdll64",
                                                "AutoMode",
                                                "QuiteMode",
                                                "PrintProcess",
                                                "BeforeRun",
                                                "AfterRun",
                                                "ServiceName",
                                                "ServiceExe",
                                                "ForceUninstallService",
                                                "NTX86FilesPath",
                                                "NTX64FilesPath",
                                                "NTIA64FilesPath"};
  return keys;
}

bool IsFlag(const std::string& key) {
  for (const char* k : {"SelectPort", "ForceOnlineCheck", "PromptCheck", "AutoMode", "QuiteMode",
                        "ForceUninstallService"})
    if (text::EqualNoCase(key, k)) return true;
  return false;
}

size_t Distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diag = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t up = row[j];
      bool same = tolower(static_cast<unsigned char>(a[i - 1])) ==
                  tolower(static_cast<unsigned char>(b[j - 1]));
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (same ? 0 : 1)});
      diag = up;
    }
  }
  return row[b.size()];
}

std::optional<std::string> ReadHost(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A Windows path relative to the medium, found on a case-sensitive host the
// way Windows finds it: every component without regard to case.
std::optional<std::string> Resolve(const std::string& medium, const std::string& windowsPath) {
  if (windowsPath.empty()) return std::nullopt;
  if (windowsPath.size() > 1 && windowsPath[1] == ':') return std::nullopt;  // not on the medium
  std::string at = medium;
  for (const std::string& part : text::Split(windowsPath, '\\')) {
    if (part.empty() || part == ".") continue;
    std::optional<std::string> found;
    if (DIR* d = opendir(at.c_str())) {
      while (dirent* e = readdir(d))
        if (text::EqualNoCase(e->d_name, part)) {
          found = at + "/" + e->d_name;
          break;
        }
      closedir(d);
    }
    if (!found) return std::nullopt;
    at = *found;
  }
  return IsRegularFile(at) ? std::optional<std::string>(at) : std::nullopt;
}

// The bytes read in a code page, as UTF-8; nullopt when some byte sequence
// is no text in it. A host without the converter reads everything as text.
std::optional<std::string> Decode(const std::string& bytes, const char* codePage) {
  iconv_t cd = iconv_open("UTF-8", codePage);
  if (cd == reinterpret_cast<iconv_t>(-1)) return bytes;
  std::string in = bytes, out;
  char* ip = in.data();
  size_t il = in.size();
  bool ok = true;
  while (il > 0 && ok) {
    char buf[1024];
    char* op = buf;
    size_t ol = sizeof buf;
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) && errno != E2BIG) ok = false;
    out.append(buf, static_cast<size_t>(op - buf));
  }
  if (ok) {
    char buf[64];
    char* op = buf;
    size_t ol = sizeof buf;
    ok = iconv(cd, nullptr, nullptr, &op, &ol) != static_cast<size_t>(-1);
  }
  iconv_close(cd);
  return ok ? std::optional<std::string>(out) : std::nullopt;
}

bool ValidIn(const std::string& bytes, const char* codePage) {
  return Decode(bytes, codePage).has_value();
}

// How many characters of a reading (UTF-8) are common Chinese ones.
int CommonChinese(const std::string& utf8) {
  int n = 0;
  for (size_t i = 0; i + 3 <= utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if ((c & 0xF0) == 0xE0 && kCommonChinese.find(utf8.substr(i, 3)) != std::string_view::npos) ++n;
  }
  return n;
}

// What is wrong with a text read in a language's code page.
enum class Misread {
  None,
  Utf8,          // UTF-8 where a code page is read
  OtherChinese,  // GBK where Big5 is read, or the other way round
  Chinese,       // Chinese text where English (ASCII) is read
  NotText,       // bytes that are no text in the code page
  NotAscii,      // Western letters in an English text: right only on some systems
};

// The other code page's reading wins when it finds clearly more common
// characters (a short text in the right code page may find few or none).
bool ReadsBetterIn(const std::string& bytes, const char* codePage, int ownScore) {
  const std::optional<std::string> reading = Decode(bytes, codePage);
  if (!reading) return false;
  const int score = CommonChinese(*reading);
  return score >= 2 && score > 2 * ownScore;
}

Misread Judge(const std::string& bytes, const Language& lang) {
  if (IsAscii(bytes)) return Misread::None;
  if (IsUtf8(bytes)) return Misread::Utf8;
  if (!lang.codePage) {
    for (const char* cp : {"CP936", "CP950"})
      if (ReadsBetterIn(bytes, cp, 0)) return Misread::Chinese;
    return Misread::NotAscii;
  }
  const std::optional<std::string> own = Decode(bytes, lang.codePage);
  if (ReadsBetterIn(bytes, lang.other, own ? CommonChinese(*own) : 0)) return Misread::OtherChinese;
  return own ? Misread::None : Misread::NotText;
}

// "is UTF-8 text: Simplified Chinese systems read it in GBK (code page 936) and show it garbled"
std::string Explain(Misread m, const Language& lang) {
  const std::string garbled = lang.codePage ? std::string(lang.name) + " systems read it in " +
                                                  lang.shown + " and show it garbled"
                                            : "every system but a Chinese one reads this English "
                                              "text in its own code page, and shows it"
                                              " garbled unless it is ASCII";
  switch (m) {
    case Misread::Utf8: return "is UTF-8 text: " + garbled;
    case Misread::OtherChinese: return std::string("is ") + lang.otherName + " text: " + garbled;
    case Misread::Chinese: return "is Chinese text: " + garbled;
    case Misread::NotText:
      return std::string("has bytes that are no text in ") + lang.shown + ": " + lang.name +
             " systems show them garbled";
    case Misread::NotAscii:
      return "is not ASCII: every system but a Chinese one reads this English text in its own code "
             "page, and"
             " only those whose code page has these letters show them";
    case Misread::None: break;
  }
  return "";
}

Severity SeverityOf(Misread m) {
  return m == Misread::NotAscii ? Severity::Warning : Severity::Error;
}

// The 1-based line of a byte offset.
int LineAt(const std::string& data, size_t offset) {
  const auto end = data.begin() + static_cast<long>(std::min(offset, data.size()));
  return 1 + static_cast<int>(std::count(data.begin(), end, '\n'));
}

std::string Unquoted(std::string v) {
  v = text::Trim(v);
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  return v;
}

std::vector<Section> ParseIni(const std::string& data) {
  std::vector<Section> sections;
  int number = 0;
  for (std::string raw : text::Split(data, '\n')) {
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::string l = text::Trim(raw);
    if (l.empty() || l[0] == ';') continue;
    if (l[0] == '[') {
      size_t end = l.find(']');
      sections.push_back(
          {text::Trim(l.substr(1, end == std::string::npos ? std::string::npos : end - 1)),
           number,
           {}});
      continue;
    }
    size_t eq = l.find('=');
    if (eq == std::string::npos || sections.empty()) continue;
    sections.back().lines.push_back(
        {number, text::Trim(l.substr(0, eq)), Unquoted(l.substr(eq + 1))});
  }
  return sections;
}

// An INF's sections: as install.ini's, with a comment after a value cut off.
std::vector<Section> ParseInf(const std::string& data) {
  std::vector<Section> sections = ParseIni(data);
  for (Section& s : sections)
    for (Line& l : s.lines) l.value = text::Trim(l.value.substr(0, l.value.find(';')));
  return sections;
}

const Section* FindSection(const std::vector<Section>& sections, const std::string& name) {
  if (name.empty()) return nullptr;
  for (const Section& s : sections)
    if (text::EqualNoCase(s.name, name)) return &s;
  return nullptr;
}

// The hardware IDs of a model line: "VP210,LPTENUM\X,USBPRINT\X" -> {"LPTENUM\X", "USBPRINT\X"}.
std::vector<std::string> IdsOf(const std::string& value) {
  std::vector<std::string> ids;
  const std::vector<std::string> parts = text::Split(value, ',');
  for (size_t i = 1; i < parts.size(); ++i)
    if (std::string id = text::Trim(parts[i]); !id.empty()) ids.push_back(id);
  return ids;
}

// Port names every Windows has, or makes for a device it finds.
bool StandardPort(const std::string& port) {
  std::string p = text::Upper(port);
  auto digits = [&](size_t from, size_t count) {
    return p.size() == from + count && std::all_of(p.begin() + static_cast<long>(from), p.end(),
                                                   [](char c) { return c >= '0' && c <= '9'; });
  };
  if (p == "FILE:" || p == "NUL:") return true;
  if ((p.rfind("LPT", 0) == 0 || p.rfind("COM", 0) == 0) && p.size() == 5 && p[3] >= '1' &&
      p[3] <= '9' && p[4] == ':')
    return true;
  return (p.rfind("USB", 0) == 0 && digits(3, 3)) || (p.rfind("DOT4_", 0) == 0 && digits(5, 3));
}

class Checker {
 public:
  explicit Checker(std::string medium) : medium_(std::move(medium)) {}

  std::vector<Finding> Run() {
    std::optional<std::string> iniPath = Resolve(medium_, "install.ini");
    std::optional<std::string> data = iniPath ? ReadHost(*iniPath) : std::nullopt;
    if (!data) {
      Add("install.ini", 0, Severity::Error, "there is no install.ini on the medium");
      return findings_;
    }
    CheckBytes(*data);
    const std::vector<Section> sections = ParseIni(*data);
    if (sections.empty())
      Add("install.ini", 0, Severity::Error, "install.ini has no model section");
    int autoLine = 0;
    std::map<std::string, int> seenSections;
    for (const Section& s : sections) {
      auto [it, added] = seenSections.emplace(text::Upper(s.name), s.number);
      if (!added) {
        Add("install.ini", s.number, Severity::Warning,
            "[" + s.name +
                "] is there twice: the model list shows the model twice, both times with the keys" +
                " from line " + std::to_string(it->second));
        continue;
      }
      CheckSection(s, autoLine);
    }
    // install.ini first, then the other files by name, each by line.
    std::stable_sort(findings_.begin(), findings_.end(), [](const Finding& a, const Finding& b) {
      return std::make_tuple(a.file != "install.ini", a.file, a.line) <
             std::make_tuple(b.file != "install.ini", b.file, b.line);
    });
    return findings_;
  }

 private:
  void Add(const std::string& file, int line, Severity s, const std::string& message) {
    findings_.push_back({file, line, s, message});
  }

  // Lines that are no text in any code page; a language's own keys are
  // held to that language's code page instead (CheckLanguageText).
  void CheckBytes(const std::string& data) {
    int number = 0;
    for (const std::string& l : text::Split(data, '\n')) {
      ++number;
      if (IsAscii(l)) continue;
      const size_t eq = l.find('=');
      if (eq != std::string::npos && l.find('[') > eq && LanguageOf(text::Trim(l.substr(0, eq))))
        continue;
      if (!ValidIn(l, "CP1252") && !ValidIn(l, "GBK") && !ValidIn(l, "BIG5"))
        Add("install.ini", number, Severity::Error,
            "bytes that are no text in Windows-1252, GBK or Big5: every language's system shows "
            "them garbled");
    }
  }

  void CheckSection(const Section& s, int& autoLine) {
    std::map<std::string, const Line*> keys;  // upper-case key -> its first line
    for (const Line& l : s.lines) {
      auto known = std::find_if(KnownKeys().begin(), KnownKeys().end(),
                                [&](const std::string& k) { return text::EqualNoCase(k, l.key); });
      if (known == KnownKeys().end()) {
        std::string best;
        size_t bestDistance = 3;
        for (const std::string& k : KnownKeys())
          if (size_t d = Distance(l.key, k); d < bestDistance) best = k, bestDistance = d;
        Add("install.ini", l.number, Severity::Warning,
            "[" + s.name + "] unknown key '" + l.key + "'" +
                (best.empty() ? "" : " (did you mean " + best + "?)") + "; the program ignores it");
        continue;
      }
      auto [it, added] = keys.emplace(text::Upper(l.key), &l);
      if (!added) {
        Add("install.ini", l.number, Severity::Warning,
            "[" + s.name + "] " + l.key + " is set twice; the program takes line " +
                std::to_string(it->second->number));
        continue;
      }
      if (const Language* lang = LanguageOf(l.key)) CheckLanguageText(s, l, *lang);
      if (IsFlag(l.key) && !l.value.empty() && !config::ParseProfileInteger(l.value))
        Add("install.ini", l.number, Severity::Warning,
            "[" + s.name + "] " + l.key + "=" + l.value +
                " counts as false: only numbers are read (1 for true; a comment after the value is "
                "part of it)");
    }
    auto value = [&](const std::string& key,
                     const std::string& def = "") -> std::pair<std::string, int> {
      auto it = keys.find(text::Upper(key));
      return it == keys.end() ? std::make_pair(def, s.number)
                              : std::make_pair(it->second->value, it->second->number);
    };
    auto flag = [&](const std::string& key) {
      auto v = config::ParseProfileInteger(value(key).first);
      return v && *v != 0;
    };
    auto need = [&](const std::string& key, const std::string& def, Severity sev,
                    const std::string& what) {
      auto [path, line] = value(key, def);
      if (path.empty() || Resolve(medium_, path)) return;
      Add("install.ini", line, sev,
          "[" + s.name + "] " + key + ": " + what + " '" + path + "' is not on the medium");
    };

    // The INF.
    auto [inf, infLine] = value("InstallSettingFile2K");
    if (inf.empty())
      Add("install.ini", s.number, Severity::Error,
          "[" + s.name + "] names no INF (InstallSettingFile2K)");
    else if (auto host = Resolve(medium_, inf))
      CheckInf(inf, *host);
    else
      Add("install.ini", infLine, Severity::Error,
          "[" + s.name + "] InstallSettingFile2K: the INF '" + inf + "' is not on the medium");

    need("InstallDll2K", "i386\\drvkit.dll", Severity::Error, "the helper library");
    need("InstallImage64", "X64\\Quenset64.exe", Severity::Warning,
         "the 64-bit setup (64-bit Windows cannot install)");
    need("Installdll64", "X64\\drvkit64.dll", Severity::Warning, "the 64-bit helper library");
    for (const char* devcon : {"i386\\devcon.exe", "X64\\devcon.exe"})
      if (!Resolve(medium_, devcon) && warnedDevcon_.insert(devcon).second)
        Add("install.ini", s.number, Severity::Warning,
            std::string("devcon '") + devcon +
                "' is not on the medium: online installs cannot rescan");
    for (const char* doc : {"InstallGuide", "QuickGuide", "HandBook"})
      for (const Language& lang : kLanguages) {
        const std::string key = std::string(doc) + lang.suffix;
        need(key, std::string(doc) == "InstallGuide" ? lang.guide : "", Severity::Warning,
             "the document");
        if (auto path = value(key, std::string(doc) == "InstallGuide" ? lang.guide : "").first;
            !path.empty())
          if (auto host = Resolve(medium_, path))
            CheckDocument(path, *host, lang, "[" + s.name + "] " + key);
      }
    need("BeforeRun", "", Severity::Warning, "the program run before installing");
    need("AfterRun", "", Severity::Warning, "the program run after installing");
    if (!value("ServiceName").first.empty())
      need("ServiceExe", "", Severity::Error, "the service executable");

    if (flag("AutoMode")) {
      if (autoLine)
        Add("install.ini", value("AutoMode").second, Severity::Warning,
            "[" + s.name + "] AutoMode is ignored: the model at line " + std::to_string(autoLine) +
                " is installed automatically first");
      else
        autoLine = value("AutoMode").second;
    }
    auto [port, portLine] = value("DefaultPortName");
    if (!port.empty() && !StandardPort(port))
      Add("install.ini", portLine, Severity::Warning,
          "[" + s.name + "] DefaultPortName '" + port +
              "' is no port a standard system has; the queue keeps the port found while "
              "installing");
  }

  // A hint or a document's name, in its language's code page; a hint, in
  // the width of the status bar that shows it.
  void CheckLanguageText(const Section& s, const Line& l, const Language& lang) {
    const Misread m = Judge(l.value, lang);
    if (m != Misread::None)
      Add("install.ini", l.number, SeverityOf(m),
          "[" + s.name + "] " + l.key + " " + Explain(m, lang));
    if (text::Upper(l.key).rfind("HINT", 0) != 0) return;
    // The host build has no glyph metrics: the text is measured the way the
    // main window sizes its labels, in the status bar's font.
    const ui::Font font;
    const int width = app::AutoSizeWidth(l.value, font);
    if (width <= kStatusBarWidth) return;
    const int perByte = app::AutoSizeWidth("x", font);
    Add("install.ini", l.number, Severity::Warning,
        "[" + s.name + "] " + l.key + " is " + std::to_string(l.value.size()) + " bytes, about " +
            std::to_string(width) + " pixels in the status bar's font (" + font.name + " " +
            std::to_string(font.height) + ", " + std::to_string(perByte) +
            " pixels a byte); the status bar is " + std::to_string(kStatusBarWidth) +
            " pixels wide and shows about the first " + std::to_string(kStatusBarWidth / perByte) +
            " bytes (a Chinese character takes two)");
  }

  // A text document opens in Notepad, which reads it in the system's code
  // page unless it starts with a byte-order mark.
  void CheckDocument(const std::string& name, const std::string& host, const Language& lang,
                     const std::string& by) {
    const std::string ext = text::Lower(name.size() >= 4 ? name.substr(name.size() - 4) : "");
    if (ext != ".txt" || !checkedDocuments_.insert(text::Upper(name) + "/" + lang.suffix).second)
      return;
    const std::optional<std::string> data = ReadHost(host);
    if (!data) return;
    auto firstWide = [](const std::string& d, size_t from) {
      return static_cast<size_t>(
          std::find_if(d.begin() + static_cast<long>(from), d.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; }) -
          d.begin());
    };
    const std::string what = std::string("a ") + lang.name + " document (" + by + ")";
    if (data->rfind("\xFF\xFE", 0) == 0 || data->rfind("\xFE\xFF", 0) == 0)
      return;  // UTF-16: Notepad reads it
    if (data->rfind("\xEF\xBB\xBF", 0) == 0) {
      if (!lang.codePage || IsAscii(data->substr(3)) || !IsUtf8(data->substr(3))) return;
      Add(name, LineAt(*data, firstWide(*data, 3)), Severity::Warning,
          what +
              ", in UTF-8 with a byte-order mark: Notepad shows it right, a viewer that reads the "
              "system's " +
              lang.shown + " shows it garbled");
      return;
    }
    const Misread m = Judge(*data, lang);
    if (m == Misread::None) return;
    size_t at = firstWide(*data, 0);
    if (m == Misread::NotText) {  // the first line that is no text
      size_t begin = 0;
      for (const std::string& l : text::Split(*data, '\n')) {
        if (!ValidIn(l, lang.codePage)) {
          at = begin;
          break;
        }
        begin += l.size() + 1;
      }
    }
    Add(name, LineAt(*data, at), SeverityOf(m), what + " " + Explain(m, lang));
  }

  void CheckInf(const std::string& name, const std::string& host) {
    if (!checkedInfs_.insert(text::Upper(name)).second) return;
    std::optional<std::string> data = ReadHost(host);
    if (!data) {
      Add(name, 0, Severity::Error, "cannot be read");
      return;
    }
    const size_t nuls = static_cast<size_t>(std::count(data->begin(), data->end(), '\0'));
    const bool bom = data->size() >= 2 && ((static_cast<unsigned char>((*data)[0]) == 0xFF &&
                                            static_cast<unsigned char>((*data)[1]) == 0xFE) ||
                                           (static_cast<unsigned char>((*data)[0]) == 0xFE &&
                                            static_cast<unsigned char>((*data)[1]) == 0xFF));
    if (bom || nuls * 8 > data->size()) {
      Add(name, 1, Severity::Error,
          "is UTF-16 text: the installer reads INFs byte by byte and finds neither hardware IDs "
          "nor the model name");
      return;
    }
    int number = 0, lptLine = 0, stringsLine = 0;
    for (const std::string& l : text::Split(*data, '\n')) {
      ++number;
      const bool comment =
          (!l.empty() && l[0] == ';') || (l.size() > 1 && l[1] == ';');  // the installer skips it
      if (!lptLine && !comment && l.find("LPTENUM\\") != std::string::npos) lptLine = number;
      std::string t = text::Trim(l);
      if (!stringsLine && text::EqualNoCase(t.substr(0, 9), "[Strings]")) stringsLine = number;
    }
    const plat::profile_text::Text inf(*data);
    const std::string provider = inf.GetString("Strings", "ProviderName", "", 2048);
    const std::vector<Section> sections = ParseInf(*data);
    const Section* modelsSection = FindSection(sections, provider);
    if (!lptLine)
      Add(name, modelsSection ? modelsSection->number : 0, Severity::Warning,
          "no line holds \"LPTENUM\\\": the installer finds no hardware ID");
    if (provider.empty()) {
      Add(name, stringsLine, Severity::Error,
          stringsLine
              ? "[Strings] has no ProviderName: the installer finds no model name"
              : "no [Strings] section with ProviderName: the installer finds no model name");
      return;
    }
    const std::vector<std::string> models = inf.KeyNames(provider, 16384);
    if (models.empty()) {
      Add(name, stringsLine, Severity::Error,
          "the models section [" + provider + "] is missing or empty");
      return;
    }
    const std::string model = Unquoted(models.front());
    if (model.size() > kDeviceNameChars)
      Add(name, LineOf(*data, models.front()), Severity::Warning,
          "the model name '" + model + "' has " + std::to_string(model.size()) +
              " characters; a device mode keeps only the first 31");
    CheckHardwareIds(name, *data, sections, provider);
  }

  // The IDs the installer reads, the IDs of one line, and those of the 32-bit
  // and 64-bit model sections: one printer, one ID.
  void CheckHardwareIds(const std::string& name, const std::string& data,
                        const std::vector<Section>& inf, const std::string& provider) {
    // The installer takes the ID after "LPTENUM\" up to the next comma, from
    // the first line where that is not empty.
    int number = 0, emptyLine = 0;
    bool found = false;
    for (const std::string& l : text::Split(data, '\n')) {
      ++number;
      if ((!l.empty() && l[0] == ';') || (l.size() > 1 && l[1] == ';')) continue;
      const size_t at = l.find("LPTENUM\\");
      if (at == std::string::npos) continue;
      const size_t comma = l.find(',', at);
      if (comma != std::string::npos && !text::Trim(l.substr(at + 8, comma - at - 8)).empty()) {
        found = true;
        break;
      }
      if (!emptyLine) emptyLine = number;
    }
    if (!found && emptyLine)
      Add(name, emptyLine, Severity::Error,
          "the installer reads the hardware ID from \"LPTENUM\\\" to the next comma and finds none "
          "here (nor on a"
          " later line): put the LPTENUM ID first on the line, followed by a comma and the line's "
          "other IDs");

    // The sections [Manufacturer] names for the provider: [Velmar] or
    // [Velmar.NTx86] for 32-bit Windows, [Velmar.NTamd64] for 64-bit.
    std::string x86 = provider, x64;
    int manufacturerLine = 0;
    if (const Section* m = FindSection(inf, "Manufacturer"))
      for (const Line& l : m->lines) {
        std::vector<std::string> parts = text::Split(l.value, ',');
        if (parts.empty() || !text::EqualNoCase(Unquoted(parts[0]), provider)) continue;
        manufacturerLine = l.number;
        for (size_t i = 1; i < parts.size(); ++i) {
          const std::string d = text::Trim(parts[i]), upper = text::Upper(d);
          if (upper.rfind("NTX86", 0) == 0) x86 = provider + "." + d;
          if (upper.rfind("NTAMD64", 0) == 0 && x64.empty()) x64 = provider + "." + d;
        }
        break;
      }
    std::vector<const Section*> checked;
    for (const std::string& n : {provider, x86, x64}) {
      if (n.empty()) continue;
      const Section* s = FindSection(inf, n);
      if (!s) {
        if (n != provider)
          Add(name, manufacturerLine, Severity::Error,
              "[Manufacturer] names the models section [" + n + "], which is not there: " +
                  (n == x64 ? "64" : "32") + "-bit Windows finds no model");
        continue;
      }
      if (std::find(checked.begin(), checked.end(), s) != checked.end()) continue;
      checked.push_back(s);
      for (const Line& l : s->lines) CheckIdsOfLine(name, *s, l);
    }
    const Section* s86 = FindSection(inf, x86);
    const Section* s64 = x64.empty() ? nullptr : FindSection(inf, x64);
    if (s86 && s64) CompareModelSections(name, *s86, *s64);
  }

  // A model line names one printer on every connection: the parts of its
  // port IDs after the enumerator are one device ID.
  void CheckIdsOfLine(const std::string& name, const Section& s, const Line& l) {
    std::string first;
    for (const std::string& id : IdsOf(l.value)) {
      const size_t slash = id.find('\\');
      if (slash == std::string::npos) continue;
      const std::string bus = text::Upper(id.substr(0, slash));
      if (bus != "LPTENUM" && bus != "USBPRINT" && bus != "SERENUM") continue;
      if (first.empty()) {
        first = id;
      } else if (!text::EqualNoCase(id.substr(slash + 1), first.substr(first.find('\\') + 1))) {
        Add(name, l.number, Severity::Error,
            "[" + s.name + "] '" + Unquoted(l.key) + "': " + first + " and " + id +
                " name different printers; one line names one printer on each connection, so one "
                "of them is"
                " mistyped and Windows does not match that connection's printer to this model");
        return;
      }
    }
  }

  // 64-bit Windows installs from the x64 section what 32-bit Windows installs
  // from the x86 one: the same models, each with the same IDs, line by line.
  void CompareModelSections(const std::string& name, const Section& s86, const Section& s64) {
    auto byModel = [](const Section& s) {
      std::map<std::string, std::vector<const Line*>> m;
      for (const Line& l : s.lines) m[text::Upper(Unquoted(l.key))].push_back(&l);
      return m;
    };
    auto idsText = [](const Line& l) { return text::Join(IdsOf(l.value), ","); };
    auto sorted = [](const Line& l) {
      std::vector<std::string> ids = IdsOf(l.value);
      for (std::string& id : ids) id = text::Upper(id);
      std::sort(ids.begin(), ids.end());
      return ids;
    };
    const auto m86 = byModel(s86), m64 = byModel(s64);
    for (const auto& [model, lines64] : m64) {
      auto it = m86.find(model);
      const size_t n86 = it == m86.end() ? 0 : it->second.size();
      for (size_t i = 0; i < lines64.size(); ++i) {
        const Line& l = *lines64[i];
        if (i >= n86) {
          Add(name, l.number, Severity::Error,
              "[" + s64.name + "] '" + Unquoted(l.key) + "' " + idsText(l) + " has no line in [" +
                  s86.name + "]: 32-bit Windows does not know this printer");
        } else if (const Line& o = *it->second[i]; sorted(l) != sorted(o)) {
          Add(name, l.number, Severity::Error,
              "[" + s64.name + "] '" + Unquoted(l.key) + "' names " + idsText(l) + " where [" +
                  s86.name + "] line " + std::to_string(o.number) + " names " + idsText(o) +
                  ": 64-bit Windows looks for another printer than 32-bit Windows");
        }
      }
    }
    for (const auto& [model, lines86] : m86) {
      auto it = m64.find(model);
      for (size_t i = it == m64.end() ? 0 : it->second.size(); i < lines86.size(); ++i)
        Add(name, lines86[i]->number, Severity::Error,
            "[" + s86.name + "] '" + Unquoted(lines86[i]->key) + "' " + idsText(*lines86[i]) +
                " has no line in [" + s64.name + "]: 64-bit Windows does not know this printer");
    }
  }

  static int LineOf(const std::string& data, const std::string& needle) {
    size_t at = data.find(needle);
    return at == std::string::npos ? 0 : LineAt(data, at);
  }

  std::string medium_;
  std::vector<Finding> findings_;
  std::set<std::string> checkedInfs_, checkedDocuments_, warnedDevcon_;
};

}  // namespace

std::vector<Finding> CheckMedium(const std::string& mediumDir) { return Checker(mediumDir).Run(); }

std::string Format(const Finding& f) {
  return f.file + (f.line > 0 ? ":" + std::to_string(f.line) : "") + ": " +
         (f.severity == Severity::Error ? "error" : "warning") + ": " + f.message;
}

int ExitCode(const std::vector<Finding>& findings) {
  int code = 0;
  for (const Finding& f : findings) code = std::max(code, f.severity == Severity::Error ? 2 : 1);
  return code;
}

}  // namespace lint
