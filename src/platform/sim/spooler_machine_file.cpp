#include "platform/sim/spooler_machine_file.h"

#include <algorithm>
#include <cstdlib>

#include "platform/common/text.h"

namespace plat::sim {
namespace {

using Section = std::map<std::string, std::string>;

bool Fail(std::string& error, const std::string& text) {
  error = text;
  return false;
}

const std::string* Value(const Section& s, const std::string& key) {
  for (const auto& [k, v] : s)
    if (text::EqualNoCase(k, key)) return &v;
  return nullptr;
}

bool KnownKeys(const std::string& section, const Section& s,
               std::initializer_list<const char*> keys, std::string& error) {
  // Plain names rather than a structured binding: clang before 16 cannot
  // capture a binding in the lambda (the fuzz build uses clang).
  for (const auto& kv : s) {
    const auto& k = kv.first;
    bool known = std::any_of(keys.begin(), keys.end(),
                             [&](const char* key) { return text::EqualNoCase(k, key); });
    if (!known) return Fail(error, "[" + section + "]: unknown key " + k);
  }
  return true;
}

bool ParseCount(const std::string& value, uint32_t& out) {
  std::string v = text::Trim(value);
  if (v.empty() || v.size() > 6 || v.find_first_not_of("0123456789") != std::string::npos)
    return false;
  out = static_cast<uint32_t>(std::strtoul(v.c_str(), nullptr, 10));
  return true;
}

}  // namespace

bool LoadSpoolerSections(const std::map<std::string, std::map<std::string, std::string>>& ini,
                         SimMachine& m, std::string& error) {
  SpoolerState state = m.spooler;
  std::string defaultName;
  bool hasDefault = false;
  // Queues in the order of their numbers, not of the section names' text.
  std::map<long, std::pair<std::string, const Section*>> queues;

  for (const auto& [name, section] : ini) {
    if (text::EqualNoCase(name, "Spooler")) {
      if (!KnownKeys(name, section, {"Ports", "Default"}, error)) return false;
      if (const std::string* ports = Value(section, "Ports")) {
        state.ports.clear();
        for (const std::string& p : text::Split(*ports, ',')) {
          std::string port = text::Trim(p);
          if (port.empty()) return Fail(error, "[Spooler]: empty port name in Ports=" + *ports);
          for (const std::string& seen : state.ports)
            if (text::EqualNoCase(seen, port))
              return Fail(error, "[Spooler]: port listed twice: " + port);
          state.ports.push_back(port);
        }
      }
      if (const std::string* d = Value(section, "Default")) {
        defaultName = text::Trim(*d);
        hasDefault = true;
      }
    } else if (text::Upper(name).rfind("PRINTER.", 0) == 0) {
      std::string number = name.substr(8);
      if (number.empty() || number.size() > 6 ||
          number.find_first_not_of("0123456789") != std::string::npos)
        return Fail(error, "[" + name + "]: the section number must be a number");
      long n = std::strtol(number.c_str(), nullptr, 10);
      if (queues.count(n)) return Fail(error, "[" + name + "]: printer number used twice");
      queues[n] = {name, &section};
    }
  }

  for (const auto& [n, entry] : queues) {
    const auto& name = entry.first;
    const auto& section = entry.second;
    if (!KnownKeys(name, *section, {"Name", "Driver", "Port", "PrintProcessor", "Jobs"}, error))
      return false;
    auto get = [&](const char* key) {
      const std::string* v = Value(*section, key);
      return v ? text::Trim(*v) : std::string();
    };
    SimPrinter p;
    p.info.printerName = get("Name");
    p.info.driverName = get("Driver");
    p.info.portName = get("Port");
    p.info.printProcessor = get("PrintProcessor");
    if (p.info.printProcessor.empty()) p.info.printProcessor = "WinPrint";
    p.info.datatype = "RAW";
    if (p.info.printerName.empty()) return Fail(error, "[" + name + "]: Name is missing");
    if (p.info.driverName.empty()) return Fail(error, "[" + name + "]: Driver is missing");
    if (p.info.portName.empty()) return Fail(error, "[" + name + "]: Port is missing");
    bool portKnown = std::any_of(state.ports.begin(), state.ports.end(), [&](const std::string& s) {
      return text::EqualNoCase(s, p.info.portName);
    });
    if (!portKnown)
      return Fail(error, "[" + name + "]: Port " + p.info.portName + " is not in [Spooler] Ports");
    for (const SimPrinter& q : state.printers)
      if (text::EqualNoCase(q.info.printerName, p.info.printerName))
        return Fail(error,
                    "[" + name + "]: a printer named " + p.info.printerName + " exists already");
    uint32_t jobs = 0;
    if (Value(*section, "Jobs") && !ParseCount(get("Jobs"), jobs))
      return Fail(error, "[" + name + "]: Jobs must be a number, not " + get("Jobs"));
    for (uint32_t j = 0; j < jobs; ++j)
      p.jobs.push_back(SimJob{state.nextJobId++, "Document " + std::to_string(j + 1), 0});
    bool driverKnown =
        std::any_of(state.drivers.begin(), state.drivers.end(),
                    [&](const std::string& d) { return text::EqualNoCase(d, p.info.driverName); });
    if (!driverKnown) state.drivers.push_back(p.info.driverName);
    // A queue's print processor is installed with it.
    if (std::none_of(
            state.printProcessors.begin(), state.printProcessors.end(),
            [&](const std::string& q) { return text::EqualNoCase(q, p.info.printProcessor); }))
      state.printProcessors.push_back(p.info.printProcessor);
    state.printers.push_back(p);
  }

  if (hasDefault) {
    if (!defaultName.empty() &&
        std::none_of(state.printers.begin(), state.printers.end(), [&](const SimPrinter& p) {
          return text::EqualNoCase(p.info.printerName, defaultName);
        }))
      return Fail(error, "[Spooler]: Default names no [Printer.N]: " + defaultName);
    state.defaultPrinter = defaultName;
  }
  m.spooler = std::move(state);
  return true;
}

}  // namespace plat::sim
