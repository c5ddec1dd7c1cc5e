// PLACEHOLDER until the simulated helper library lands: nothing loads.
#include "platform/sim/machine.h"
namespace plat::sim {
namespace {
class SimLibraries : public Libraries {
 public:
  explicit SimLibraries(SimMachine& m) : m_(m) {}
  std::unique_ptr<Library> Load(const std::string&) override { m_.lastError = 126; return nullptr; }
 private:
  SimMachine& m_;
};
}  // namespace
std::unique_ptr<Libraries> MakeLibraries(SimMachine& m) { return std::make_unique<SimLibraries>(m); }
}  // namespace plat::sim
