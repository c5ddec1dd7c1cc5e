#include "platform/sim/registry_machine_file.h"

#include <cerrno>
#include <cstdlib>

#include "platform/common/text.h"

namespace plat::sim {
namespace {

constexpr char kPrefix[] = "registry\\";
constexpr size_t kMaxKeyName = 256;

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && text::EqualNoCase(s.substr(0, prefix.size()), prefix);
}

// One value as written after the '=': its type and raw bytes.
bool ParseValue(const std::string& v, uint32_t& type, std::string& data, std::string& why) {
  if (StartsWithNoCase(v, "dword:")) {
    const std::string n = text::Trim(v.substr(6));
    char* end = nullptr;
    errno = 0;
    const unsigned long long x = n.empty() ? 0 : strtoull(n.c_str(), &end, 0);
    if (n.empty() || *end || n[0] == '-' || errno || x > 0xFFFFFFFFull) {
      why = "dword: needs a 32-bit number";
      return false;
    }
    type = kRegDword;
    data.assign(4, '\0');
    for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((x >> (8 * i)) & 0xFF);
    return true;
  }
  if (StartsWithNoCase(v, "hex:")) {
    type = kRegBinary;
    data.clear();
    const std::string bytes = text::Trim(v.substr(4));
    if (bytes.empty()) return true;
    for (const std::string& part : text::Split(bytes, ',')) {
      const std::string b = text::Trim(part);
      char* end = nullptr;
      const long x = b.empty() ? -1 : strtol(b.c_str(), &end, 16);
      if (b.empty() || b.size() > 2 || *end || x < 0) {
        why = "hex: needs bytes like 01,ff";
        return false;
      }
      data += static_cast<char>(x);
    }
    return true;
  }
  std::string textValue = v;
  type = kRegSz;
  if (StartsWithNoCase(v, "expand:")) {
    type = kRegExpandSz;
    textValue = v.substr(7);
  } else if (StartsWithNoCase(v, "str:")) {
    textValue = v.substr(4);
  }
  data = textValue + '\0';
  return true;
}

}  // namespace

bool LoadRegistrySections(const std::map<std::string, std::map<std::string, std::string>>& ini,
                          SimMachine& m, std::string& error) {
  for (const auto& [section, keys] : ini) {
    if (text::EqualNoCase(section, "Registry")) {
      error = "[Registry] needs a key path: [Registry\\SOFTWARE\\...]";
      return false;
    }
    if (!StartsWithNoCase(section, kPrefix)) continue;
    const std::string path = section.substr(sizeof kPrefix - 1);
    const std::vector<std::string> parts = text::Split(path, '\\');
    for (const std::string& p : parts) {
      if (p.empty() || p.size() > kMaxKeyName) {
        error = "[" + section + "]: each name in the path must have 1 to 256 characters";
        return false;
      }
    }
    m.registry.Make(path);
    for (const auto& [name, value] : keys) {
      uint32_t type = 0;
      std::string data, why;
      if (!ParseValue(value, type, data, why)) {
        error = "[" + section + "] " + name + ": " + why + ", not '" + value + "'";
        return false;
      }
      m.registry.SetValue(path, name, type, data);
    }
  }
  return true;
}

}  // namespace plat::sim
