// PLACEHOLDER until the library calls land.
#include "platform/win32/windows_lean.h"
#include "platform/win32/win32.h"
namespace plat::win32 {
namespace {
class Win32Libraries : public Libraries {
 public:
  std::unique_ptr<Library> Load(const std::string&) override { return nullptr; }
};
}  // namespace
std::unique_ptr<Libraries> MakeLibraries() { return std::make_unique<Win32Libraries>(); }
}  // namespace plat::win32
