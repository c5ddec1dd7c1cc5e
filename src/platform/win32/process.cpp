// PLACEHOLDER until the process primitives land.
#include "platform/win32/windows_lean.h"
#include "platform/win32/win32.h"
namespace plat::win32 {
namespace {
class Win32Processes : public Processes {
 public:
  std::unique_ptr<Pipe> CreatePipe(bool) override { return nullptr; }
  std::unique_ptr<Process> CreateProcess(const StartInfo&) override { return nullptr; }
  bool WinExec(const std::string&, uint16_t) override { return false; }
  bool ShellExecute(uintptr_t, const std::string&, const std::string&, const std::string&,
                    const std::string&, uint16_t) override { return false; }
};
}  // namespace
std::unique_ptr<Processes> MakeProcesses() { return std::make_unique<Win32Processes>(); }
}  // namespace plat::win32
