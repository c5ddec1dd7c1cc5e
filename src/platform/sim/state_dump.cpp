#include "platform/sim/state_dump.h"

#include <cstdio>

namespace plat::sim {
namespace {

std::string Hex(uint32_t v) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%.8X", v);
  return buf;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& s : items) out += (out.empty() ? "" : ",") + s;
  return out;
}

}  // namespace

std::vector<std::string> DescribeSystem(const SimMachine& m) {
  std::vector<std::string> lines;
  auto add = [&](const std::string& what, const std::string& value) {
    lines.push_back("System." + what + "=" + value);
  };
  add("Version", std::to_string(m.version.major) + "." + std::to_string(m.version.minor));
  add("Wow64", m.wow64 ? "1" : "0");
  add("Printers", std::to_string(m.spooler.printers.size()));
  for (size_t i = 0; i < m.spooler.printers.size(); ++i) {
    const SimPrinter& p = m.spooler.printers[i];
    const std::string at = "Printer[" + std::to_string(i) + "].";
    add(at + "Name", p.info.printerName);
    add(at + "Driver", p.info.driverName);
    add(at + "Port", p.info.portName);
    add(at + "PrintProcessor", p.info.printProcessor);
    add(at + "Attributes", Hex(p.info.attributes));
    add(at + "Jobs", std::to_string(p.jobs.size()));
  }
  add("DefaultPrinter", m.spooler.defaultPrinter);
  add("Ports", Joined(m.spooler.ports));
  add("Drivers", Joined(m.spooler.drivers));
  add("PrintProcessors", Joined(m.spooler.printProcessors));
  for (const auto& [key, s] : m.services.byName)
    add("Service[" + s.name + "]", !s.installed ? "not installed"
                                   : s.running  ? "running"
                                                : "stopped");
  int calls = 0;
  for (const Event& e : m.transcript)
    if (e.kind == "library" && e.text.rfind("LoadLibrary(", 0) != 0 &&
        e.text.rfind("FreeLibrary(", 0) != 0)
      add("HelperLibrary.Call[" + std::to_string(calls++) + "]", e.text);
  for (size_t i = 0; i < m.started.size(); ++i)
    add("Started[" + std::to_string(i) + "]", m.started[i]);
  for (size_t i = 0; i < m.created.size(); ++i)
    add("Created[" + std::to_string(i) + "]", m.created[i]);
  add("OpenHandles", std::to_string(m.handles.Total()));
  const std::vector<std::string> open = m.handles.List();
  for (size_t i = 0; i < open.size(); ++i) add("OpenHandle[" + std::to_string(i) + "]", open[i]);
  return lines;
}

}  // namespace plat::sim
