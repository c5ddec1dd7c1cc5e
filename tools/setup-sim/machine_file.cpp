#include "tools/setup-sim/machine_file.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/common/text.h"
#include "platform/sim/handoff_machine_file.h"
#include "platform/sim/registry_machine_file.h"
#include "platform/sim/service_machine_file.h"
#include "platform/sim/spooler_machine_file.h"

namespace simtool {

namespace {

// One pass over the lines; the first error is kept, and the line it is on is
// skipped, so that the lenient reader can go on.
void Parse(const std::string& text, MachineFileText& out, std::string& firstError) {
  std::string section;
  bool inSection = false;
  std::map<std::pair<std::string, std::string>, int> seen;  // lower-cased names
  int number = 0;
  auto refuse = [&](const std::string& why) {
    if (firstError.empty()) firstError = "line " + std::to_string(number) + ": " + why;
  };
  for (std::string line : plat::text::Split(text, '\n')) {
    ++number;
    line = plat::text::Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      const size_t end = line.find(']');
      if (end == std::string::npos) {
        refuse("the section header " + line + " has no closing ']'");
        inSection = false;  // its keys belong to no section we know
        continue;
      }
      const std::string name = plat::text::Trim(line.substr(1, end - 1));
      const std::string rest = plat::text::Trim(line.substr(end + 1));
      if (name.empty() || (!rest.empty() && rest[0] != ';' && rest[0] != '#')) {
        refuse(name.empty() ? "a section header without a name"
                            : "text after the section header: " + line);
        inSection = false;
        continue;
      }
      section = name;
      inSection = true;
      out.ini[section];
      out.sectionLine.emplace(section, number);
      continue;
    }
    // A ';' after a blank starts a comment to the end of the line.
    for (size_t i = 1; i < line.size(); ++i)
      if (line[i] == ';' && (line[i - 1] == ' ' || line[i - 1] == '\t')) {
        line = plat::text::Trim(line.substr(0, i));
        break;
      }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) {
      refuse("'" + line + "' is no KEY=VALUE line");
      continue;
    }
    const std::string key = plat::text::Trim(line.substr(0, eq));
    if (key.empty()) {
      refuse("a value without a key name: " + line);
      continue;
    }
    if (!inSection) {
      refuse(key + "= stands before any [Section] header (or under a broken one)");
      continue;
    }
    auto [first, added] =
        seen.emplace(std::make_pair(plat::text::Lower(section), plat::text::Lower(key)), number);
    if (!added) {
      refuse("[" + section + "] " + key + " is set twice (first on line " +
             std::to_string(first->second) + ")");
      continue;
    }
    out.ini[section][key] = plat::text::Trim(line.substr(eq + 1));
    out.keyLine[{section, key}] = number;
  }
}

bool IsNameChar(char c) { return isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The line an apply error is about. Every message begins with the section
// in brackets, and names the key it is about, if any, as a word of its own:
// the key's line, else the header's.
int LineOf(const MachineFileText& f, const std::string& error) {
  if (error.empty() || error[0] != '[') return 0;
  const size_t close = error.find(']');
  if (close == std::string::npos) return 0;
  const std::string section = error.substr(1, close - 1);
  const std::string* name = nullptr;
  int line = 0;
  for (const auto& [s, at] : f.sectionLine)
    if (s == section || (!name && plat::text::EqualNoCase(s, section))) name = &s, line = at;
  if (!name) return 0;
  const std::string rest = plat::text::Lower(error.substr(close + 1));
  size_t best = std::string::npos, bestLength = 0;
  for (const auto& [written, value] : f.ini.at(*name)) {
    const std::string key = plat::text::Lower(written);
    for (size_t at = rest.find(key); at != std::string::npos; at = rest.find(key, at + 1)) {
      const size_t end = at + key.size();
      if ((at > 0 && IsNameChar(rest[at - 1])) || (end < rest.size() && IsNameChar(rest[end])))
        continue;
      if (at < best || (at == best && key.size() > bestLength)) {
        best = at, bestLength = key.size();
        line = f.keyLine.at({*name, written});
      }
      break;
    }
  }
  return line;
}

}  // namespace

bool ParseMachineFile(const std::string& text, MachineFileText& out, std::string& error) {
  out = {};
  error.clear();
  Parse(text, out, error);
  return error.empty();
}

IniData ParseIni(const std::string& text) {
  MachineFileText f;
  std::string ignored;
  Parse(text, f, ignored);
  return f.ini;
}

bool LoadMachineFile(const std::string& text, plat::sim::SimMachine& m, std::string& error) {
  MachineFileText f;
  if (!ParseMachineFile(text, f, error)) return false;
  if (ApplyMachineFile(f.ini, m, error)) return true;
  const int line = LineOf(f, error);
  // Each message names its section, so the line is found; a file without
  // sections has nothing to be wrong in.
  error = "line " + std::to_string(line > 0 ? line : 1) + ": " + error;
  return false;
}

namespace {

bool ParseNumber(const std::string& s, long& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  v = strtol(s.c_str(), &end, 0);
  return end && *end == '\0';
}

bool ApplySystem(const std::map<std::string, std::string>& keys, plat::sim::SimMachine& m,
                 bool& debugMarker, std::string& error) {
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
      if (k == "wow64")
        m.wow64 = n == 1;
      else if (n == 1)
        debugMarker = true;
    } else if (k == "langid") {
      if (!ParseNumber(value, n) || n < 0 || n > 0xFFFF) {
        error = "[System] LangID must be a 16-bit number, not '" + value + "'";
        return false;
      }
      m.langId = static_cast<uint16_t>(n);
      // The ANSI code page goes with the system's language.
      if (n == 0x0804 || n == 0x1404)
        m.codePage = 936;
      else if (n == 0x0404 || n == 0x0C04)
        m.codePage = 950;
      else
        m.codePage = 1252;
    } else {
      error = "[System] has no key '" + key + "'";
      return false;
    }
  }
  return true;
}

// --- [Device.N] and [HelperLibrary]: the present devices and the helper library.

bool ApplyDevice(const std::string& section, const std::map<std::string, std::string>& keys,
                 plat::sim::SimMachine& m, std::string& error) {
  long number = 0;
  if (!ParseNumber(section.substr(7), number) || number < 1) {
    error = "[" + section + "] needs a positive number";
    return false;
  }
  plat::sim::SimDevice d;
  for (const auto& [key, value] : keys) {
    std::string k = plat::text::Lower(key);
    long n = 0;
    if (k == "hardwareid")
      d.hardwareId = value;
    else if (k == "deviceid")
      d.deviceId = value;
    else if (k == "portinfo")
      d.portInfo = value;
    else if (k == "name")
      d.name = value;
    else if (k == "afterrefresh") {
      if (!ParseNumber(value, n) || (n != 0 && n != 1)) {
        error = "[" + section + "] AfterRefresh must be 0 or 1, not '" + value + "'";
        return false;
      }
      d.afterRefresh = n == 1;
    } else {
      error = "[" + section + "] has no key '" + key + "'";
      return false;
    }
  }
  if (d.hardwareId.empty() || d.deviceId.empty()) {
    error = "[" + section + "] needs a " + (d.hardwareId.empty() ? "HardwareId" : "DeviceId");
    return false;
  }
  m.devices.devices.push_back(d);
  return true;
}

bool ApplyHelperLibrary(const std::map<std::string, std::string>& keys, plat::sim::SimMachine& m,
                        std::string& error) {
  for (const auto& [key, value] : keys) {
    std::string k = plat::text::Lower(key);
    long n = 0;
    if (k == "installsdriver") {
      // Where the stand-ins' state file has it; [HandOff64] takes it too.
      m.devices.installsDriver = value;
      continue;
    }
    if (k == "missingexports") {
      m.devices.missingExports.clear();
      for (const std::string& e : plat::text::Split(value, ','))
        if (!plat::text::Trim(e).empty()) m.devices.missingExports.push_back(plat::text::Trim(e));
      continue;
    }
    if (!ParseNumber(value, n)) {
      error = "[HelperLibrary] " + key + " must be a number, not '" + value + "'";
      return false;
    }
    if (k == "present32" || k == "present64") {
      if (n != 0 && n != 1) {
        error = "[HelperLibrary] " + key + " must be 0 or 1, not '" + value + "'";
        return false;
      }
      (k == "present32" ? m.devices.present32 : m.devices.present64) = n == 1;
    } else if (k == "installresult") {
      m.devices.installResult = static_cast<int32_t>(n);
    } else if (k == "lasterrorcode") {
      m.devices.lastErrorCode = static_cast<uint32_t>(n);
    } else {
      error = "[HelperLibrary] has no key '" + key + "'";
      return false;
    }
  }
  return true;
}

// Devices in the order of their numbers, so [Device.2] comes before [Device.10].
bool ApplyDeviceSections(const IniData& ini, plat::sim::SimMachine& m, std::string& error) {
  std::map<long, std::string> devices;
  for (const auto& [section, keys] : ini) {
    std::string s = plat::text::Lower(section);
    if (s == "helperlibrary" && !ApplyHelperLibrary(keys, m, error)) return false;
    if (s.rfind("device.", 0) != 0) continue;
    long number = strtol(section.c_str() + 7, nullptr, 10);
    // [Device.1] and [Device.01] (or [device.1]) would otherwise drop one of them.
    auto [it, added] = devices.emplace(number, section);
    if (!added) {
      error = "[" + section + "] and [" + it->second + "] are the same device number";
      return false;
    }
  }
  for (const auto& [number, section] : devices)
    if (!ApplyDevice(section, ini.at(section), m, error)) return false;
  return true;
}

// --- [Faults]: NAME=always,ERROR or NAME=N,ERROR (the Nth call fails).
bool ApplyFaults(const std::map<std::string, std::string>& keys, plat::sim::SimMachine& m,
                 std::string& error) {
  for (const auto& [key, value] : keys) {
    const auto& names = plat::sim::FaultableCalls();
    const std::string& wanted = key;
    auto name = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
      return plat::text::EqualNoCase(n, wanted);
    });
    if (name == names.end()) {
      error = "[Faults] no call is named '" + key + "'";
      return false;
    }
    std::vector<std::string> parts = plat::text::Split(value, ',');
    long nth = 0, code = 0;
    const bool always =
        parts.size() == 2 && plat::text::EqualNoCase(plat::text::Trim(parts[0]), "always");
    if (parts.size() != 2 ||
        (!always && (!ParseNumber(plat::text::Trim(parts[0]), nth) || nth < 1)) ||
        !ParseNumber(plat::text::Trim(parts[1]), code) || code < 0 || code > 0xFFFFFFFFL) {
      error =
          "[Faults] " + key + " must be always,ERROR or N,ERROR (N from 1), not '" + value + "'";
      return false;
    }
    m.faults.Set(*name, always ? 0 : static_cast<int>(nth), static_cast<uint32_t>(code));
  }
  return true;
}

}  // namespace

namespace {

bool ApplyAll(const IniData& ini, plat::sim::SimMachine& m, bool& debugMarker, std::string& error) {
  for (const auto& [section, keys] : ini) {
    std::string s = plat::text::Lower(section);
    if (s == "system") {
      if (!ApplySystem(keys, m, debugMarker, error)) return false;
    } else if (s == "faults") {
      if (!ApplyFaults(keys, m, error)) return false;
    } else if (s != "spooler" && s.rfind("printer.", 0) != 0 && s.rfind("service.", 0) != 0 &&
               s != "handoff64" && s != "helperlibrary" && s.rfind("device.", 0) != 0 &&
               s != "registry" && s.rfind("registry\\", 0) != 0) {
      error = "[" + section + "] is no section of a machine file";
      return false;
    }
  }
  if (!ApplyDeviceSections(ini, m, error)) return false;
  // One driver is installed, by the 32- or the 64-bit library: two names
  // would leave one of them unused without a word.
  const std::string* named[2] = {nullptr, nullptr};
  for (const auto& [section, keys] : ini)
    for (const auto& [key, value] : keys)
      if (plat::text::EqualNoCase(key, "InstallsDriver")) {
        if (plat::text::EqualNoCase(section, "HelperLibrary")) named[0] = &value;
        if (plat::text::EqualNoCase(section, "HandOff64")) named[1] = &value;
      }
  if (named[0] && named[1] && *named[0] != *named[1]) {
    error = "[HandOff64] InstallsDriver=" + *named[1] +
            " differs from [HelperLibrary] InstallsDriver=" + *named[0] +
            " (one key, in either section, names the driver)";
    return false;
  }
  return plat::sim::LoadSpoolerSections(ini, m, error) &&
         plat::sim::LoadServiceSections(ini, m, error) &&
         plat::sim::LoadHandOffSection(ini, m, error) &&
         plat::sim::LoadRegistrySections(ini, m, error);
}

}  // namespace

// All or nothing: a file that fails part-way leaves the machine as it was.
bool ApplyMachineFile(const IniData& ini, plat::sim::SimMachine& m, std::string& error) {
  const plat::sim::SimVersion version = m.version;
  const bool wow64 = m.wow64;
  const uint16_t langId = m.langId;
  const uint32_t codePage = m.codePage;
  plat::sim::DeviceState devices = m.devices;
  plat::sim::SpoolerState spooler = m.spooler;
  plat::sim::ServiceTable services = m.services;
  plat::sim::HandOffState handOff = m.handOff;
  plat::sim::RegistryState registry = m.registry;
  plat::sim::Faults faults = m.faults;
  bool debugMarker = false;
  bool ok = ApplyAll(ini, m, debugMarker, error);
  if (ok && debugMarker && !plat::files().WriteFile("D:\\Debug", "")) {
    error = "[System] DebugMarker: cannot create D:\\Debug";
    ok = false;
  }
  if (!ok) {
    m.version = version;
    m.wow64 = wow64;
    m.langId = langId;
    m.codePage = codePage;
    m.devices = std::move(devices);
    m.spooler = std::move(spooler);
    m.services = std::move(services);
    m.handOff = std::move(handOff);
    m.registry = std::move(registry);
    m.faults = std::move(faults);
  }
  return ok;
}

}  // namespace simtool
