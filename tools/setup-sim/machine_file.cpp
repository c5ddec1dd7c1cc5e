#include "tools/setup-sim/machine_file.h"

#include <cstdlib>

#include "platform/common/text.h"
#include "platform/sim/handoff_machine_file.h"
#include "platform/sim/service_machine_file.h"
#include "platform/sim/spooler_machine_file.h"

namespace simtool {

IniData ParseIni(const std::string& text) {
  IniData out;
  std::string section;
  for (std::string line : plat::text::Split(text, '\n')) {
    line = plat::text::Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      size_t end = line.find(']');
      section = plat::text::Trim(line.substr(1, end == std::string::npos ? std::string::npos : end - 1));
      out[section];
      continue;
    }
    // A ';' after a blank starts a comment to the end of the line.
    for (size_t i = 1; i < line.size(); ++i)
      if (line[i] == ';' && (line[i - 1] == ' ' || line[i - 1] == '\t')) {
        line = plat::text::Trim(line.substr(0, i));
        break;
      }
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    out[section][plat::text::Trim(line.substr(0, eq))] = plat::text::Trim(line.substr(eq + 1));
  }
  return out;
}

namespace {

bool ParseNumber(const std::string& s, long& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  v = strtol(s.c_str(), &end, 0);
  return end && *end == '\0';
}

bool ApplySystem(const std::map<std::string, std::string>& keys, plat::sim::SimMachine& m,
                 std::string& error) {
  for (const auto& [key, value] : keys) {
    std::string k = plat::text::Lower(key);
    long n = 0;
    if (k == "version") {
      size_t dot = value.find('.');
      long major, minor;
      if (dot == std::string::npos || !ParseNumber(value.substr(0, dot), major) ||
          !ParseNumber(value.substr(dot + 1), minor)) {
        error = "[System] Version must be major.minor, not '" + value + "'";
        return false;
      }
      m.version.major = static_cast<uint32_t>(major);
      m.version.minor = static_cast<uint32_t>(minor);
    } else if (k == "wow64" || k == "debugmarker") {
      if (!ParseNumber(value, n) || (n != 0 && n != 1)) {
        error = "[System] " + key + " must be 0 or 1, not '" + value + "'";
        return false;
      }
      if (k == "wow64") m.wow64 = n == 1;
      else if (n == 1) plat::files().WriteFile("D:\\Debug", "");
    } else if (k == "langid") {
      if (!ParseNumber(value, n) || n < 0 || n > 0xFFFF) {
        error = "[System] LangID must be a 16-bit number, not '" + value + "'";
        return false;
      }
      m.langId = static_cast<uint16_t>(n);
      // The ANSI code page goes with the system's language.
      if (n == 0x0804 || n == 0x1404) m.codePage = 936;
      else if (n == 0x0404 || n == 0x0C04) m.codePage = 950;
      else m.codePage = 1252;
    } else {
      error = "[System] has no key '" + key + "'";
      return false;
    }
  }
  return true;
}

}  // namespace

bool ApplyMachineFile(const IniData& ini, plat::sim::SimMachine& m, std::string& error) {
  for (const auto& [section, keys] : ini) {
    std::string s = plat::text::Lower(section);
    if (s == "system") {
      if (!ApplySystem(keys, m, error)) return false;
    } else if (s != "spooler" && s.rfind("printer.", 0) != 0 && s.rfind("service.", 0) != 0 &&
               s != "handoff64") {
      error = "unknown section [" + section + "]";
      return false;
    }
  }
  return plat::sim::LoadSpoolerSections(ini, m, error) && plat::sim::LoadServiceSections(ini, m, error) &&
         plat::sim::LoadHandOffSection(ini, m, error);
}

}  // namespace simtool
