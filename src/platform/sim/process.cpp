// PLACEHOLDER until the simulated processes land: nothing can be started.
#include "platform/sim/machine.h"
namespace plat::sim {
namespace {
class SimProcesses : public Processes {
 public:
  explicit SimProcesses(SimMachine& m) : m_(m) {}
  std::unique_ptr<Pipe> CreatePipe(bool) override { return nullptr; }
  std::unique_ptr<Process> CreateProcess(const StartInfo&) override { m_.lastError = 2; return nullptr; }
  bool WinExec(const std::string&, uint16_t) override { return false; }
  bool ShellExecute(uintptr_t, const std::string&, const std::string&, const std::string&,
                    const std::string&, uint16_t) override { return false; }
 private:
  SimMachine& m_;
};
}  // namespace
std::unique_ptr<Processes> MakeProcesses(SimMachine& m) { return std::make_unique<SimProcesses>(m); }
}  // namespace plat::sim
