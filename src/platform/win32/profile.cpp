// PLACEHOLDER until the profile reader lands.
#include "platform/win32/windows_lean.h"
#include "platform/win32/win32.h"
namespace plat::win32 {
namespace {
class Win32Profile : public Profile {
 public:
  std::string GetString(const std::string&, const std::string&, const std::string&,
                        const std::string& def, uint32_t) override { return def; }
  std::vector<std::string> GetSectionNames(const std::string&, uint32_t) override { return {}; }
  std::vector<std::string> GetKeyNames(const std::string&, const std::string&, uint32_t) override { return {}; }
};
}  // namespace
std::unique_ptr<Profile> MakeProfile() { return std::make_unique<Win32Profile>(); }
}  // namespace plat::win32
