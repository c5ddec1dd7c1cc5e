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

#include "config/options.h"
#include "platform/common/profile_text.h"
#include "platform/common/text.h"

namespace lint {
namespace {

namespace text = plat::text;

// The device mode's name field holds 31 characters and a NUL.
constexpr size_t kDeviceNameChars = 31;

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
  static const std::vector<std::string> keys = {
      "InstallSettingFile2K", "InstallGuide0", "InstallGuide", "InstallGuide2", "QuickGuide0", "QuickGuide",
      "QuickGuide2", "HandBook0", "HandBook", "HandBook2", "Hint0", "Hint", "Hint2", "SelectPort",
      "DefaultPortName", "ForceOnlineCheck", "PromptCheck", "InstallDll2K", "UnInstallImage2K",
      "RegSetImage2000", "InstallImage64", "Installdll64", "AutoMode", "QuiteMode", "PrintProcess",
      "BeforeRun", "AfterRun", "ServiceName", "ServiceExe", "ForceUninstallService", "NTX86FilesPath",
      "NTX64FilesPath", "NTIA64FilesPath"};
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
      bool same = tolower(static_cast<unsigned char>(a[i - 1])) == tolower(static_cast<unsigned char>(b[j - 1]));
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

// Valid in the code page: every byte sequence converts.
bool ValidIn(const std::string& bytes, const char* codePage) {
  iconv_t cd = iconv_open("UTF-8", codePage);
  if (cd == reinterpret_cast<iconv_t>(-1)) return true;
  std::string in = bytes;
  char* ip = in.data();
  size_t il = in.size();
  bool ok = true;
  while (il > 0 && ok) {
    char buf[1024];
    char* op = buf;
    size_t ol = sizeof buf;
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) && errno != E2BIG) ok = false;
  }
  if (ok) {
    char buf[64];
    char* op = buf;
    size_t ol = sizeof buf;
    ok = iconv(cd, nullptr, nullptr, &op, &ol) != static_cast<size_t>(-1);
  }
  iconv_close(cd);
  return ok;
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
      sections.push_back({text::Trim(l.substr(1, end == std::string::npos ? std::string::npos : end - 1)),
                          number, {}});
      continue;
    }
    size_t eq = l.find('=');
    if (eq == std::string::npos || sections.empty()) continue;
    sections.back().lines.push_back({number, text::Trim(l.substr(0, eq)), Unquoted(l.substr(eq + 1))});
  }
  return sections;
}

// Port names every Windows has, or makes for a device it finds.
bool StandardPort(const std::string& port) {
  std::string p = text::Upper(port);
  auto digits = [&](size_t from, size_t count) {
    return p.size() == from + count &&
           std::all_of(p.begin() + static_cast<long>(from), p.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (p == "FILE:" || p == "NUL:") return true;
  if ((p.rfind("LPT", 0) == 0 || p.rfind("COM", 0) == 0) && p.size() == 5 && p[3] >= '1' && p[3] <= '9' &&
      p[4] == ':')
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
    if (sections.empty()) Add("install.ini", 0, Severity::Error, "install.ini has no model section");
    int autoLine = 0;
    std::map<std::string, int> seenSections;
    for (const Section& s : sections) {
      auto [it, added] = seenSections.emplace(text::Upper(s.name), s.number);
      if (!added) {
        Add("install.ini", s.number, Severity::Warning,
            "[" + s.name + "] is there twice; the program reads its keys from line " + std::to_string(it->second));
        continue;
      }
      CheckSection(s, autoLine);
    }
    std::stable_sort(findings_.begin(), findings_.end(), [](const Finding& a, const Finding& b) {
      return a.file != b.file ? a.file == "install.ini" : a.line < b.line;
    });
    return findings_;
  }

 private:
  void Add(const std::string& file, int line, Severity s, const std::string& message) {
    findings_.push_back({file, line, s, message});
  }

  void CheckBytes(const std::string& data) {
    int number = 0;
    for (const std::string& l : text::Split(data, '\n')) {
      ++number;
      if (std::all_of(l.begin(), l.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) continue;
      if (!ValidIn(l, "CP1252") && !ValidIn(l, "GBK") && !ValidIn(l, "BIG5"))
        Add("install.ini", number, Severity::Error,
            "bytes that are no text in Windows-1252, GBK or Big5: every language's system shows them garbled");
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
            "[" + s.name + "] unknown key '" + l.key + "'" + (best.empty() ? "" : " (did you mean " + best + "?)") +
                "; the program ignores it");
        continue;
      }
      auto [it, added] = keys.emplace(text::Upper(l.key), &l);
      if (!added) {
        Add("install.ini", l.number, Severity::Warning,
            "[" + s.name + "] " + l.key + " is set twice; the program takes line " + std::to_string(it->second->number));
        continue;
      }
      if (IsFlag(l.key) && !l.value.empty() && !config::ParseProfileInteger(l.value))
        Add("install.ini", l.number, Severity::Warning,
            "[" + s.name + "] " + l.key + "=" + l.value +
                " counts as false: only numbers are read (1 for true; a comment after the value is part of it)");
    }
    auto value = [&](const std::string& key, const std::string& def = "") -> std::pair<std::string, int> {
      auto it = keys.find(text::Upper(key));
      return it == keys.end() ? std::make_pair(def, s.number) : std::make_pair(it->second->value, it->second->number);
    };
    auto flag = [&](const std::string& key) {
      auto v = config::ParseProfileInteger(value(key).first);
      return v && *v != 0;
    };
    auto need = [&](const std::string& key, const std::string& def, Severity sev, const std::string& what) {
      auto [path, line] = value(key, def);
      if (path.empty() || Resolve(medium_, path)) return;
      Add("install.ini", line, sev, "[" + s.name + "] " + key + ": " + what + " '" + path + "' is not on the medium");
    };

    // The INF.
    auto [inf, infLine] = value("InstallSettingFile2K");
    if (inf.empty())
      Add("install.ini", s.number, Severity::Error, "[" + s.name + "] names no INF (InstallSettingFile2K)");
    else if (auto host = Resolve(medium_, inf))
      CheckInf(inf, *host);
    else
      Add("install.ini", infLine, Severity::Error,
          "[" + s.name + "] InstallSettingFile2K: the INF '" + inf + "' is not on the medium");

    need("InstallDll2K", "i386\\drvkit.dll", Severity::Error, "the helper library");
    need("InstallImage64", "X64\\Quenset64.exe", Severity::Warning, "the 64-bit setup (64-bit Windows cannot install)");
    need("Installdll64", "X64\\drvkit64.dll", Severity::Warning, "the 64-bit helper library");
    for (const char* devcon : {"i386\\devcon.exe", "X64\\devcon.exe"})
      if (!Resolve(medium_, devcon) && warnedDevcon_.insert(devcon).second)
        Add("install.ini", s.number, Severity::Warning,
            std::string("devcon '") + devcon + "' is not on the medium: online installs cannot rescan");
    for (const char* doc : {"InstallGuide", "QuickGuide", "HandBook"})
      for (const char* suffix : {"0", "", "2"}) {
        const std::string key = std::string(doc) + suffix;
        std::string def;
        if (std::string(doc) == "InstallGuide")
          def = *suffix == '0' ? "ReadmeCHT.txt" : *suffix == '2' ? "ReadmeEN.txt" : "ReadmeCN.txt";
        need(key, def, Severity::Warning, "the document");
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
              "' is no port a standard system has; the queue keeps the port found while installing");
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
          "is UTF-16 text: the installer reads INFs byte by byte and finds neither hardware IDs nor the model name");
      return;
    }
    int number = 0, lptLine = 0, stringsLine = 0;
    for (const std::string& l : text::Split(*data, '\n')) {
      ++number;
      if (!lptLine && l.find("LPTENUM\\") != std::string::npos) lptLine = number;
      std::string t = text::Trim(l);
      if (!stringsLine && text::EqualNoCase(t.substr(0, 9), "[Strings]")) stringsLine = number;
    }
    if (!lptLine)
      Add(name, 0, Severity::Warning, "no line holds \"LPTENUM\\\": the installer finds no hardware ID");
    const plat::profile_text::Text inf(*data);
    const std::string provider = inf.GetString("Strings", "ProviderName", "", 2048);
    if (provider.empty()) {
      Add(name, stringsLine, Severity::Error,
          stringsLine ? "[Strings] has no ProviderName: the installer finds no model name"
                      : "no [Strings] section with ProviderName: the installer finds no model name");
      return;
    }
    const std::vector<std::string> models = inf.KeyNames(provider, 16384);
    if (models.empty()) {
      Add(name, stringsLine, Severity::Error, "the models section [" + provider + "] is missing or empty");
      return;
    }
    const std::string model = Unquoted(models.front());
    if (model.size() > kDeviceNameChars)
      Add(name, LineOf(*data, models.front()), Severity::Warning,
          "the model name '" + model + "' has " + std::to_string(model.size()) +
              " characters; a device mode keeps only the first 31");
  }

  static int LineOf(const std::string& data, const std::string& needle) {
    size_t at = data.find(needle);
    return at == std::string::npos ? 0 : 1 + static_cast<int>(std::count(data.begin(), data.begin() + static_cast<long>(at), '\n'));
  }

  std::string medium_;
  std::vector<Finding> findings_;
  std::set<std::string> checkedInfs_, warnedDevcon_;
};

}  // namespace

std::vector<Finding> CheckMedium(const std::string& mediumDir) { return Checker(mediumDir).Run(); }

std::string Format(const Finding& f) {
  return f.file + (f.line > 0 ? ":" + std::to_string(f.line) : "") + ": " + (f.severity == Severity::Error ? "error" : "warning") +
         ": " + f.message;
}

int ExitCode(const std::vector<Finding>& findings) {
  int code = 0;
  for (const Finding& f : findings) code = std::max(code, f.severity == Severity::Error ? 2 : 1);
  return code;
}

}  // namespace lint
