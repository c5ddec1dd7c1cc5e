// PLACEHOLDER until the profile reader lands: answers as for a missing file.
#include "platform/sim/machine.h"
namespace plat::sim {
namespace {
class SimProfile : public Profile {
 public:
  std::string GetString(const std::string&, const std::string&, const std::string&,
                        const std::string& def, uint32_t) override { return def; }
  std::vector<std::string> GetSectionNames(const std::string&, uint32_t) override { return {}; }
  std::vector<std::string> GetKeyNames(const std::string&, const std::string&, uint32_t) override { return {}; }
};
}  // namespace
std::unique_ptr<Profile> MakeProfile(SimMachine&) { return std::make_unique<SimProfile>(); }
}  // namespace plat::sim
