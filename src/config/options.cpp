// Loading install.ini into TOption records.
#include "config/options.h"

#include <map>

#include "platform/common/profile_text.h"
#include "platform/platform.h"
#include "services/inf_reader.h"

namespace config {
namespace {

constexpr uint32_t kValueBuffer = 2048;
constexpr uint32_t kSectionBuffer = 16384;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Texts of the system's language: key suffix and the installation guide's default.
struct Language {
  const char* suffix;
  const char* guide;
};

Language SystemLanguage() {
  switch (plat::sys().GetSystemDefaultLangID()) {
    case 0x0404:
    case 0x0C04: return {"0", "ReadmeCHT.txt"};
    case 0x0804:
    case 0x1404: return {"", "ReadmeCN.txt"};
    default: return {"2", "ReadmeEN.txt"};
  }
}

// install.ini is read once and answered from memory with the profile
// reader's rules: a few dozen keys per model through the system's profile
// functions would reopen the file each time.
class SectionReader {
 public:
  SectionReader(const plat::profile_text::Text& file, const std::string& section)
      : section_(file.SectionFor(section)) {}

  std::string Text(std::string_view key, std::string_view def) const {
    return plat::profile_text::Text::ValueIn(section_, key, def, kValueBuffer);
  }
  bool Flag(std::string_view key) const {
    std::optional<int32_t> v = ParseProfileInteger(Text(key, ""));
    return v.has_value() && *v != 0;
  }

 private:
  const plat::profile_text::Section* section_;  // nullptr: every key gives its default
};

// The whole INF is read for this; the model list names the models from the
// same bytes (services::ReadInfContent keeps the name).
std::string OfflinePrefixOf(const std::string& inf) {
  std::optional<std::string> bytes = services::ReadInfContent(inf);
  if (bytes && bytes->find("SERENUM") != std::string::npos) return "SERENUM\\";
  return "LPTOFFLINE\\";
}

// Files asked about once per load: every model tends to name the same helper
// libraries, and often the same INF, and a missing file is the slowest answer.
class AskedOnce {
 public:
  bool Exists(const std::string& path) {
    auto it = exists_.find(path);
    if (it == exists_.end()) it = exists_.emplace(path, plat::files().FileExists(path)).first;
    return it->second;
  }
  const std::string& OfflinePrefix(const std::string& inf) {
    auto it = prefix_.find(inf);
    if (it == prefix_.end()) it = prefix_.emplace(inf, OfflinePrefixOf(inf)).first;
    return it->second;
  }

 private:
  std::map<std::string, bool> exists_;
  std::map<std::string, std::string> prefix_;
};

TOption ReadSection(const plat::profile_text::Text& file, const std::string& section,
                    AskedOnce& asked) {
  SectionReader r(file, section);
  TOption o;
  o.InstallSettingFile2K = r.Text("InstallSettingFile2K", "");
  o.OfflinePrefix = asked.OfflinePrefix(o.InstallSettingFile2K);

  const Language lang = SystemLanguage();
  const std::string sfx = lang.suffix;
  o.InstallGuide = r.Text("InstallGuide" + sfx, lang.guide);
  o.QuickGuide = r.Text("QuickGuide" + sfx, "");
  o.HandBook = r.Text("HandBook" + sfx, "");
  o.Hint = r.Text("Hint" + sfx, "");

  o.SelectPort = r.Flag("SelectPort");
  o.DefaultPortName = r.Text("DefaultPortName", "");
  o.ForceOnlineCheck = r.Flag("ForceOnlineCheck");
  o.PromptCheck = r.Flag("PromptCheck");

  // A helper library that is not on the medium is left to the system's
  // library search under its bare name.
  o.InstallDll2K = r.Text("InstallDll2K", "i386\\drvkit.dll");
  if (!asked.Exists(o.InstallDll2K)) o.InstallDll2K = "drvkit.dll";

  o.UnInstallImage2K = r.Text("UnInstallImage2K", "i386\\PKPrnUni.exe");
  o.RegSetImage2000 = r.Text("RegSetImage2000", "i386\\Setup");
  o.InstallImage64 = r.Text("InstallImage64", "X64\\Quenset64.exe");

  o.Installdll64 = r.Text("Installdll64", "X64\\drvkit64.dll");
  if (!asked.Exists(o.Installdll64)) {
    o.Installdll64 = "drvkit64.dll";
    if (!asked.Exists(o.Installdll64)) o.Installdll64.clear();
  }

  o.UnInstallImageCopy = r.Text("UnInstallImage2K", o.UnInstallImage2K);

  o.AutoMode = r.Flag("AutoMode");
  o.QuiteMode = r.Flag("QuiteMode");
  o.PrintProcess = r.Text("PrintProcess", "WinPrint");
  o.BeforeRun = r.Text("BeforeRun", "");
  o.AfterRun = r.Text("AfterRun", "");
  o.ServiceName = r.Text("ServiceName", "");
  o.ServiceExe = r.Text("ServiceExe", "");
  o.ForceUninstallService = r.Flag("ForceUninstallService");
  o.NTX86FilesPath = r.Text("NTX86FilesPath", "I386");
  o.NTX64FilesPath = r.Text("NTX64FilesPath", "X64");
  o.NTIA64FilesPath = r.Text("NTIA64FilesPath", "IA64");
  return o;
}

}  // namespace

std::optional<int32_t> ParseProfileInteger(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= text.size()) return std::nullopt;
  // Hexadecimal takes the full 32 bits ("$FFFFFFFF" is -1); decimal stays
  // within the signed range.
  uint64_t v = 0;
  const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  for (; i < text.size(); ++i) {
    int d = hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (d < 0) return std::nullopt;
    v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
    if (v > limit) return std::nullopt;
  }
  uint32_t bits = static_cast<uint32_t>(v);
  if (negative) bits = 0u - bits;
  return static_cast<int32_t>(bits);
}

void TIniOptions::LoadFromFile(const std::string& fileName) {
  if (!plat::files().FileExists(fileName)) return;
  IniFile ini{plat::files().GetFullPathName(fileName)};
  LoadFromIni(&ini);
}

void TIniOptions::LoadFromIni(const IniFile* ini) {
  if (!ini) return;
  // A file that cannot be read has no sections, as the profile functions see it.
  const plat::profile_text::Text file(plat::files().ReadFile(ini->FileName).value_or(""));
  const std::vector<std::string> sections = file.SectionNames(kSectionBuffer);
  std::vector<TOption> records;
  records.reserve(sections.size());
  AskedOnce asked;
  for (const std::string& s : sections) records.push_back(ReadSection(file, s, asked));
  Options = std::move(records);
  Count = static_cast<int>(Options.size());
}

TOption TIniOptions::GetOption(int index) const {
  if (index < 0 || index >= Count || static_cast<size_t>(index) >= Options.size()) return {};
  return Options[static_cast<size_t>(index)];
}

}  // namespace config
