#include "platform/win32/win32.h"
#include "platform/win32/windows_lean.h"

namespace plat {

Backend DefaultBackend() {
  static auto system = win32::MakeSystem();
  static auto files = win32::MakeFiles();
  static auto profile = win32::MakeProfile();
  static auto processes = win32::MakeProcesses();
  static auto libraries = win32::MakeLibraries();
  static auto spooler = win32::MakeSpooler();
  static auto messages = win32::MakeMessages();
  static auto registry = win32::MakeRegistry();
  return {system.get(),    files.get(),   profile.get(),  processes.get(),
          libraries.get(), spooler.get(), messages.get(), registry.get()};
}

bool RunningUnderWine() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace plat
