// Just enough of <windows.h> for the stand-ins' state-file reader to run
// on the simulated machine in the host fuzz build: profile reads go to the
// simulated profile reader, the module is C:\Medium\drvkit.dll.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/platform.h"

using DWORD = uint32_t;
using BOOL = int;
using HMODULE = void*;
constexpr DWORD MAX_PATH = 260;

inline DWORD GetModuleFileNameA(HMODULE, char* path, DWORD size) {
  const char name[] = "C:\\Medium\\drvkit.dll";
  const DWORD n = sizeof name - 1 < size ? sizeof name - 1 : size - 1;
  std::memcpy(path, name, n);
  path[n] = '\0';
  return n;
}

inline DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* def,
                                      char* buffer, DWORD size, const char* file) {
  const std::string v = plat::profile().GetString(file, section, key, def ? def : "", size);
  if (size == 0) return 0;
  const size_t n = v.size() < size - 1 ? v.size() : size - 1;
  std::memcpy(buffer, v.data(), n);
  buffer[n] = '\0';
  return static_cast<DWORD>(n);
}

inline BOOL WritePrivateProfileStringA(const char*, const char*, const char*, const char*) {
  return 1;
}
