#include "services/inf_reader.h"

#include <map>
#include <vector>

#include "platform/common/profile_text.h"
#include "platform/common/text.h"
#include "platform/platform.h"
#include "services/system_checks.h"

namespace services {

namespace {

constexpr const char* kLptEnum = "LPTENUM\\";

std::string After(const std::string& s, char sep) {
  size_t p = s.find(sep);
  return p == std::string::npos ? s : s.substr(p + 1);
}

struct ModelName {
  bool found = false;
  std::string name;
};

ModelName ModelNameIn(const std::string& bytes) {
  const plat::profile_text::Text inf(bytes);
  ModelName m;
  const std::string provider = inf.GetString("Strings", "ProviderName", "", 2048);
  if (provider.empty()) return m;
  const std::vector<std::string> keys = inf.KeyNames(provider, 16384);
  if (keys.empty()) return m;
  m.name = keys.front();
  if (!m.name.empty() && m.name.front() == '"') m.name.erase(0, 1);
  if (!m.name.empty() && m.name.back() == '"') m.name.pop_back();
  m.found = true;
  return m;
}

// Model names by full path, with the stamp of the bytes they came from.
struct Remembered {
  plat::FileStamp stamp;
  ModelName model;
};
std::map<std::string, Remembered>& Memo() {
  static std::map<std::string, Remembered> memo;
  static unsigned generation = 0;
  if (generation != plat::BackendGeneration()) {
    memo.clear();
    generation = plat::BackendGeneration();
  }
  return memo;
}
constexpr size_t kMemoLimit = 4096;

// Reads the file and keeps the name in it, provided it did not change while
// it was read.
std::optional<std::string> ReadAndRemember(const std::string& full, ModelName* model) {
  std::optional<plat::FileStamp> stamp;
  std::optional<std::string> bytes = plat::files().ReadFile(full, &stamp);
  if (!bytes) return bytes;
  ModelName m = ModelNameIn(*bytes);
  if (stamp) {
    if (Memo().size() >= kMemoLimit) Memo().clear();
    Memo()[full] = {*stamp, m};
  } else {
    Memo().erase(full);
  }
  if (model) *model = std::move(m);
  return bytes;
}

}  // namespace

std::optional<std::string> ReadInfContent(const std::string& infFile) {
  if (!plat::files().FileExists(infFile)) return std::nullopt;
  return ReadAndRemember(plat::files().GetFullPathName(infFile), nullptr);
}

int ReadInfHardwareIds(const std::string& infFile, std::string& hwId, std::string& compatId) {
  hwId.clear();
  compatId.clear();
  if (!plat::files().FileExists(infFile)) return 0;
  auto content = plat::files().ReadFile(infFile);
  if (!content) return 0;

  std::string a, ca, b, cb;
  int counter = 0;
  for (const std::string& line : plat::text::SplitLines(*content)) {
    if ((!line.empty() && line[0] == ';') || (line.size() > 1 && line[1] == ';')) continue;
    size_t at = line.find(kLptEnum);
    if (at == std::string::npos) continue;
    std::string t = line.substr(at + 8);
    size_t comma = t.find(',');
    std::string id = comma == std::string::npos ? std::string() : t.substr(0, comma);
    std::string compat = After(After(t, ','), '\\');
    if (a.empty()) {
      a = plat::text::Trim(id);
      ca = plat::text::Trim(compat);
      ++counter;
      continue;
    }
    if (compat != ca) cb = plat::text::Trim(compat);
    if (id != a) {
      b = plat::text::Trim(id);
      ++counter;
    }
  }

  // A later ID competes only when one was found: a first line without a
  // comma is counted but leaves no ID, and an empty ID installs nothing.
  if (counter == 1 || b.empty()) {
    hwId = a;
  } else if (counter >= 2) {
    if (GetOSVersion() <= 50)
      hwId = a.size() > b.size() ? a : b;
    else
      hwId = b.size() < a.size() ? b : a;
  }
  if (counter > 0) compatId = ca;
  return counter;
}

InfHardwareIds ReadInfHardwareIds(const std::string& infFile) {
  InfHardwareIds ids;
  ReadInfHardwareIds(infFile, ids.hwId, ids.compatId);
  return ids;
}

bool ReadInfModelName(const std::string& infFile, std::string& printerName) {
  printerName.clear();
  if (!plat::files().FileExists(infFile)) return false;
  const std::string full = plat::files().GetFullPathName(infFile);
  auto kept = Memo().find(full);
  if (kept != Memo().end()) {
    const std::optional<plat::FileStamp> now = plat::files().GetFileStamp(full);
    if (now && *now == kept->second.stamp) {
      printerName = kept->second.model.name;
      return kept->second.model.found;
    }
  }
  ModelName m;
  if (!ReadAndRemember(full, &m)) return false;
  printerName = m.name;
  return m.found;
}

}  // namespace services
