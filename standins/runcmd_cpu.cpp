// Measures the CPU time this process spends in RunCMD while a command runs:
//   runcmd_cpu "emit --sleep 3000"   prints   cpu_ms=... wall_ms=... ratio=...
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "services/runcmd.h"

namespace {
double Ms(const FILETIME& t) {
  ULARGE_INTEGER u;
  u.LowPart = t.dwLowDateTime;
  u.HighPart = t.dwHighDateTime;
  return static_cast<double>(u.QuadPart) / 10000.0;
}
double CpuMs() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  return Ms(kernel) + Ms(user);
}
}  // namespace

int main(int argc, char** argv) {
  std::string cmd = argc > 1 ? argv[1] : "emit --sleep 3000";
  std::vector<std::string> out;
  double cpu0 = CpuMs();
  DWORD t0 = GetTickCount();
  int r = services::RunCMD(cmd, out);
  double wall = GetTickCount() - t0;
  double cpu = CpuMs() - cpu0;
  std::printf("cpu_ms=%.0f wall_ms=%.0f ratio=%.4f result=%d\n", cpu, wall,
              wall > 0 ? cpu / wall : 0.0, r);
  return 0;
}
