#include "services/inf_reader.h"

#include <vector>

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

}  // namespace

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

bool ReadInfModelName(const std::string& infFile, std::string& printerName) {
  printerName.clear();
  if (!plat::files().FileExists(infFile)) return false;
  std::string full = plat::files().GetFullPathName(infFile);
  std::string provider = plat::profile().GetString(full, "Strings", "ProviderName", "", 2048);
  if (provider.empty()) return false;
  std::vector<std::string> keys = plat::profile().GetKeyNames(full, provider, 16384);
  if (keys.empty()) return false;
  std::string name = keys.front();
  if (!name.empty() && name.front() == '"') name.erase(0, 1);
  if (!name.empty() && name.back() == '"') name.pop_back();
  printerName = name;
  return true;
}

}  // namespace services
