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

// Takes the current directory out of the process's DLL search and, where the
// system can, limits a bare name to the system folder.
// Called first thing at start-up; functions missing on older systems are skipped.
void NarrowDllSearch();
}  // namespace plat::win32
