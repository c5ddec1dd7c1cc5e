// Factories of the real Win32 interfaces, one per concept (each in its own file).
#pragma once
#include <memory>

#include "platform/platform.h"

namespace plat::win32 {
std::unique_ptr<System> MakeSystem();
std::unique_ptr<Files> MakeFiles();
std::unique_ptr<Profile> MakeProfile();
std::unique_ptr<Processes> MakeProcesses();
std::unique_ptr<Libraries> MakeLibraries();
std::unique_ptr<Spooler> MakeSpooler();
std::unique_ptr<Messages> MakeMessages();
std::unique_ptr<Registry> MakeRegistry();
}  // namespace plat::win32
