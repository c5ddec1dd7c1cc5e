// Start-up load of a medium, beside reading its bytes once:
//   startup_load [FOLDER]   prints   load_ms=... read_ms=... ratio=... models=...
// The load is what the main form does before it shows: install.ini into the
// option records, then every model's name from its INF. The read is every
// byte of install.ini and of the INFs it names, read once.
// The host build reads FOLDER through the simulated machine (as C:\Medium);
// the Windows builds read the current directory.
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "config/options.h"
#include "platform/platform.h"
#include "services/inf_reader.h"
#ifndef _WIN32
#include "platform/sim/machine.h"
#endif

namespace {

double Now() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// Returns the number of models, or -1 when a name could not be read;
// |optionsMs| is the part spent loading install.ini.
int Load(double& optionsMs) {
  const double t0 = Now();
  config::TIniOptions ini;
  ini.LoadFromFile("install.ini");
  optionsMs = Now() - t0;
  for (int i = 0; i < ini.Count; ++i) {
    std::string name;
    if (!services::ReadInfModelName(ini.GetOption(i).InstallSettingFile2K, name)) return -1;
  }
  return ini.Count;
}

size_t ReadAll(const std::vector<std::string>& files) {
  size_t total = 0;
  for (const std::string& f : files) {
    std::optional<std::string> bytes = plat::files().ReadFile(f);
    if (bytes) total += bytes->size();
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
  plat::sim::SimMachine machine;
  if (argc > 1) machine.Mount("C:\\Medium", argv[1]);
  plat::SetBackend(machine.AsBackend());
#else
  (void)argc;
  (void)argv;
#endif
  std::vector<std::string> files = {"install.ini"};
  {
    config::TIniOptions ini;
    ini.LoadFromFile("install.ini");
    for (int i = 0; i < ini.Count; ++i) files.push_back(ini.GetOption(i).InstallSettingFile2K);
  }
  const size_t bytes = ReadAll(files);  // also warms the file cache for both timings
  if (bytes == 0) {
    std::printf("no install.ini here\n");
    return 1;
  }
  // One load per process: the profile reader keeps what it parsed, and a
  // program starting up has nothing kept. bench/startup runs this a few times.
  const double t0 = Now();
  ReadAll(files);
  const double t1 = Now();
  double options = 0;
  const int models = Load(options);
  const double t2 = Now();
  const double read = t1 - t0, load = t2 - t1;
  std::printf("load_ms=%.1f read_ms=%.1f ratio=%.2f models=%d bytes=%zu options_ms=%.1f\n", load,
              read, read > 0 ? load / read : 0.0, models, bytes, options);
  return models > 0 ? 0 : 1;
}
