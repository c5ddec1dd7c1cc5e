// The simulated device console: "rescan" and "status PATTERN" over the
// machine's present devices, printing what devcon prints. It runs only when
// its file is there: a path names the file, a bare name is looked for in the
// current directory and then the system directory, as cmd searches.
#include <sys/stat.h>

#include "platform/sim/device_rules.h"
#include "platform/sim/programs.h"

namespace plat::sim {
namespace {

bool IsFile(SimMachine& m, const std::string& path) {
  struct stat st;
  return stat(m.HostPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Findable(SimMachine& m, const std::string& program) {
  if (program.find_first_of("\\/:") != std::string::npos) return IsFile(m, program);
  std::string file = program;
  if (file.size() < 4 || file.compare(file.size() - 4, 4, ".exe") != 0) file += ".exe";
  return IsFile(m, m.currentDirectory + "\\" + file) || IsFile(m, m.systemDirectory + "\\" + file);
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

}  // namespace

std::optional<SimRun> RunDevcon(SimMachine& m, const std::string& program,
                                const std::string& args) {
  if (!Findable(m, program)) return std::nullopt;
  if (m.devices.devconFails) return SimRun{{}, 50, 1};
  std::string rest = Trim(args);
  size_t blank = rest.find(' ');
  std::string verb = rest.substr(0, blank);
  std::string pattern = blank == std::string::npos ? "" : Trim(rest.substr(blank + 1));
  if (devrules::EqualNoCase(verb, "rescan")) {
    for (SimDevice& d : m.devices.devices) d.afterRefresh = false;
    return SimRun{{{400, devrules::RescanOutput(), ""}}, 410, 0};
  }
  if (devrules::EqualNoCase(verb, "status") && !pattern.empty()) {
    std::vector<devrules::ListedDevice> present;
    for (const SimDevice& d : m.devices.devices)
      if (d.visible && !d.afterRefresh) present.push_back({d.deviceId, d.name});
    return SimRun{{{30, devrules::StatusListing(present, pattern), ""}}, 40, 0};
  }
  return SimRun{{{10, devrules::UsageText(), ""}}, 20, 1};
}

}  // namespace plat::sim
