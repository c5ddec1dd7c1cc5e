// Installing the printer driver through the helper library: in-process on
// 32-bit Windows, or by starting the 64-bit sibling setup on 64-bit Windows,
// which answers the window with the install messages. Also the library's
// own error messages and the registration of the shipped ActiveX control.
//
//   int32_t code = 0;
//   std::string port;
//   bool ok = InstallDriverByDll(window, code, "VP210.inf", true, port,
//                                ".\\i386\\drvkit.dll", "LPTOFFLINE\\");  // port "USB001"
#pragma once
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/process.h"
#include "services/inf_reader.h"

namespace services {

// The helper library or its FuncDrvKit is missing; the message is the
// catalogue's text in the current language.
class DllError : public std::runtime_error {
 public:
  explicit DllError(const std::string& message) : std::runtime_error(message) {}
};

// True when FuncDrvKit answered 1 or less. port gets the port the driver
// went on ("LPT1:" offline or when nothing was found), errorCode the
// library's LastInstallErrorCode (1 when it has none). Throws DllError.
bool InstallDriverByDll(uintptr_t window, int32_t& errorCode, const std::string& infFile,
                        bool online, std::string& port, const std::string& libraryFile,
                        const std::string& offlinePrefix);
// The same with the INF's IDs already read: the INF is not read again.
bool InstallDriverByDll(uintptr_t window, int32_t& errorCode, const std::string& infFile,
                        const InfHardwareIds& ids, bool online, std::string& port,
                        const std::string& libraryFile, const std::string& offlinePrefix);

// On 64-bit Windows only (otherwise nothing is touched): detects the port as
// InstallDriverByDll does and starts the sibling detached and hidden in its
// own folder; process gets it, or null when it could not be started.
void StartInstaller64(uintptr_t window, const std::string& installer64File,
                      const std::string& infFile, bool online, std::string& port,
                      std::unique_ptr<plat::Process>& process, const std::string& libraryFile,
                      const std::string& library64File, const std::string& offlinePrefix);
// The same with the INF's IDs already read.
void StartInstaller64(uintptr_t window, const std::string& installer64File,
                      const std::string& infFile, const InfHardwareIds& ids, bool online,
                      std::string& port, std::unique_ptr<plat::Process>& process,
                      const std::string& libraryFile, const std::string& library64File,
                      const std::string& offlinePrefix);

// Switches the library's own error messages on or off. Throws DllError
// when the library cannot be loaded.
void ShowDllErrorCode(const std::string& libraryFile, bool show);

// Copies the control into the system folder and registers the copy there.
bool RegisterOcx(const std::string& ocxFile);
// DllRegisterServer of the library; true on a success code.
bool RegisterServerDll(const std::string& fileName);

// path expressed relative to baseFolder (both full paths), or path itself
// when they are on different drives: "C:\M\X64" and "C:\M\VP.inf" give "..\VP.inf".
std::string RelativePath(const std::string& baseFolder, const std::string& path);

}  // namespace services
