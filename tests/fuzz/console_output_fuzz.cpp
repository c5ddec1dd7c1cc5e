// Fuzz target of what the installer reads from sc, net and devcon: the
// console programs of the simulated machine write the input (in pieces at
// times the input chooses) and the service and printer checks read it.
// Every pipe, process and thread handle is closed afterwards.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/machine.h"
#include "platform/sim/programs.h"
#include "services/detection.h"
#include "services/log.h"
#include "services/runcmd.h"
#include "services/service_control.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One machine for every input: making its sandbox on disk costs more than a run.
  static plat::sim::SimMachine machine;
  plat::SetBackend(machine.AsBackend());
  // The log grows with every input otherwise.
  plat::files().DeleteFile(services::LogFilePath());
  // The first byte: the Windows version; then pieces split at 0xFF bytes,
  // each written 1 ms after the one before (a second 0xFF: 100 ms later);
  // from the 64th piece on, 0xFF is just a byte of output.
  machine.version =
      size && (data[0] & 1) ? plat::sim::SimVersion{5, 0, 2195} : plat::sim::SimVersion{5, 1, 2600};
  plat::sim::SimRun run;
  uint64_t at = 0;
  std::string piece;
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == 0xFF && run.outputs.size() < 64) {
      run.outputs.push_back({at, piece, ""});
      piece.clear();
      at += (i + 1 < size && data[i + 1] == 0xFF) ? 100 : 1;
    } else {
      piece += static_cast<char>(data[i]);
    }
  }
  run.outputs.push_back({at, piece, ""});
  run.exitAt = at + 1;
  size_t bytes = 0;
  for (const auto& o : run.outputs) bytes += o.out.size();
  for (const char* name : {"sc", "net", "cmd", "PrnSvc"})
    plat::sim::RegisterProgram(machine, name, [run](const std::string&) { return run; });
  plat::files().WriteFile("C:\\Svc\\PrnSvc.exe", "MZ");

  std::vector<std::string> out;
  if (services::RunCMD("sc query PrnSvc", out) != (bytes ? 1 : 0)) __builtin_trap();
  if (services::JoinOutput(out).size() < bytes) __builtin_trap();
  services::StartServiceByCmd("PrnSvc", "C:\\Svc\\PrnSvc.exe");
  services::StopServiceByCmd("PrnSvc", "C:\\Svc\\PrnSvc.exe", true);
  services::NetStartService("PrnSvc", "C:\\Svc\\PrnSvc.exe");
  services::NetStopService("PrnSvc", "C:\\Svc\\PrnSvc.exe", true);
  const int r = static_cast<int>(services::DevconRescanAndCheck("C:\\Svc\\devcon.exe"));
  if (r < -1 || r > 2) __builtin_trap();
  if (machine.handles.Total() != 0) __builtin_trap();
  // What the run made goes before it ends: memory still held when a run
  // returns makes the fuzzer run it again to look for a leak.
  machine.transcript.clear();
  machine.transcript.shrink_to_fit();
  machine.started.clear();
  machine.started.shrink_to_fit();
  machine.services.programs.clear();
  return 0;
}
