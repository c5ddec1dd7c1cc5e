#include "platform/sim/service_machine_file.h"

#include "platform/common/text.h"

namespace plat::sim {
namespace {

bool Fail(std::string& error, const std::string& text) {
  error = text;
  return false;
}

bool Flag(const std::string& section, const std::string& key, const std::string& value, bool& out,
          std::string& error) {
  std::string v = text::Trim(value);
  if (v != "0" && v != "1")
    return Fail(error, "[" + section + "] " + key + " must be 0 or 1, not '" + value + "'");
  out = v == "1";
  return true;
}

// "never"/0, "once"/1, a count, or "always"/-1.
bool Failures(const std::string& section, const std::string& key, const std::string& value,
              int& out, std::string& error) {
  std::string v = text::Lower(text::Trim(value));
  if (v == "never") v = "0";
  if (v == "once") v = "1";
  if (v == "always") v = "-1";
  if (v == "-1") {
    out = -1;
    return true;
  }
  if (v.empty() || v.size() > 4 || v.find_first_not_of("0123456789") != std::string::npos)
    return Fail(error, "[" + section + "] " + key +
                           " must be never, once, always or a count, not '" + value + "'");
  out = std::stoi(v);
  return true;
}

}  // namespace

bool LoadServiceSections(const std::map<std::string, std::map<std::string, std::string>>& ini,
                         SimMachine& m, std::string& error) {
  ServiceTable table = m.services;
  for (const auto& [name, section] : ini) {
    if (text::Lower(name).rfind("service.", 0) != 0) continue;
    std::string service = text::Trim(name.substr(8));
    if (service.empty() || service.find_first_of(" \t\"") != std::string::npos)
      return Fail(error, "[" + name + "]: a service name without blanks or quotes is needed");
    SimService s;
    s.name = service;
    bool installedGiven = false;
    for (const auto& [key, value] : section) {
      if (text::EqualNoCase(key, "Installed")) {
        if (!Flag(name, key, value, s.installed, error)) return false;
        installedGiven = true;
      } else if (text::EqualNoCase(key, "Running")) {
        if (!Flag(name, key, value, s.running, error)) return false;
      } else if (text::EqualNoCase(key, "Exe")) {
        s.exe = text::Trim(value);
      } else if (text::EqualNoCase(key, "StartFails")) {
        if (!Failures(name, key, value, s.startFailures, error)) return false;
      } else if (text::EqualNoCase(key, "StopFails")) {
        if (!Failures(name, key, value, s.stopFailures, error)) return false;
      } else {
        return Fail(error, "[" + name + "]: unknown key " + key);
      }
    }
    if (!installedGiven) s.installed = true;  // a section describes an installed service
    if (s.running && !s.installed)
      return Fail(error, "[" + name + "]: a service that is not installed cannot run");
    std::string key = text::Upper(service);
    if (table.byName.count(key))
      return Fail(error, "[" + name + "]: the service is described twice");
    table.byName[key] = s;
  }
  m.services = std::move(table);
  return true;
}

}  // namespace plat::sim
