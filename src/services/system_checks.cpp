#include "services/system_checks.h"

#include "platform/platform.h"

namespace services {

int GetOSVersion() {
  plat::VersionInfo v;
  if (!plat::sys().GetVersionEx(v, 148)) return 0;  // OSVERSIONINFOA
  return static_cast<int>(v.major * 10 + v.minor);
}

bool IsWow64() { return plat::sys().IsWow64Process().value_or(false); }

}  // namespace services
