#include "services/driver_install.h"
#include "services/service_control.h"

#include <vector>

#include "i18n/catalogue.h"
#include "platform/common/text.h"
#include "platform/platform.h"
#include "services/detection.h"
#include "services/inf_reader.h"
#include "services/system_checks.h"

namespace services {
namespace {

constexpr const char kNoPort[] = "LPT1:";

// The IDs to install for and the port, as the detection finds them; offline
// the prefixed ID on "LPT1:". DetectPrinterPort starts from the port
// information of the search, or from nothing.
struct Target {
  std::string hwid, port;
};

Target FindTarget(const InfHardwareIds& ids, const std::string& libraryFile, bool online,
                  const std::string& offlinePrefix, bool startFromPortInfo) {
  Target t;
  t.hwid = ids.hwId;
  std::string deviceId, portInfo;
  FindExistDevice(libraryFile, t.hwid, deviceId, true, portInfo);
  t.port = startFromPortInfo ? portInfo : std::string();
  if (DetectPrinterPort(ids, libraryFile, t.port) == PortFound::ByCompatibleId)
    t.hwid = ids.compatId;
  if (t.port.empty()) t.port = kNoPort;
  if (!online) {
    t.hwid = offlinePrefix + t.hwid;
    t.port = kNoPort;
  }
  return t;
}

std::vector<std::string> Parts(const std::string& path) {
  std::vector<std::string> out;
  for (const std::string& p : plat::text::Split(path, '\\'))
    if (!p.empty()) out.push_back(p);
  return out;
}

std::string FileNameOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// InstallDriverByDll; without the IDs, the INF is read once the library
// has been found.
bool InstallWithLibrary(uintptr_t window, int32_t& errorCode, const std::string& infFile,
                        const InfHardwareIds* ids, bool online, std::string& port,
                        const std::string& libraryFile, const std::string& offlinePrefix) {
  auto library = plat::libraries().Load(libraryFile);
  if (!library) throw DllError(i18n::StrDllNotFound());
  if (!library->HasExport("FuncDrvKit")) throw DllError(i18n::StrDllBadFunction());

  Target t = FindTarget(ids ? *ids : ReadInfHardwareIds(infFile), libraryFile, online,
                        offlinePrefix, true);
  port = t.port;
  int32_t answer = library->FuncDrvKit(infFile, t.hwid, port, window);
  errorCode = library->HasExport("LastInstallErrorCode")
                  ? static_cast<int32_t>(library->LastInstallErrorCode())
                  : 1;
  return answer <= 1;
}

// StartInstaller64 once it is known to run on 64-bit Windows.
void StartSibling(uintptr_t window, const std::string& installer64File, const std::string& infFile,
                  const InfHardwareIds& ids, bool online, std::string& port,
                  std::unique_ptr<plat::Process>& process, const std::string& libraryFile,
                  const std::string& library64File, const std::string& offlinePrefix) {
  // The device search runs on the 32-bit library; the sibling loads the 64-bit one.
  Target t = FindTarget(ids, libraryFile, online, offlinePrefix, false);
  port = t.port;

  plat::Files& files = plat::files();
  std::string folder = plat::text::FolderOf(files.GetFullPathName(installer64File));
  // Quoted where it has a blank: unquoted, the system would start a program
  // named after the path's first word ("C:\My.exe" for "C:\My Medium\...").
  const std::string program =
      installer64File.find(' ') != std::string::npos ? Quoted(installer64File) : installer64File;
  std::string commandLine = program + " /Handle " + std::to_string(window) + " /Dll \"" +
                            RelativePath(folder, files.GetFullPathName(library64File)) +
                            "\" /Inf \"" + RelativePath(folder, files.GetFullPathName(infFile)) +
                            "\" /HWID " + t.hwid;
  plat::StartInfo start;
  start.commandLine = commandLine;
  start.currentDirectory = folder;
  start.inheritHandles = true;
  start.creationFlags = plat::kDetachedProcess;
  start.startupFlags = plat::kStartfUseShowWindow | plat::kStartfUseStdHandles;
  start.showWindow = plat::kSwHide;
  process = plat::processes().CreateProcess(start);
  if (process) process->CloseThread();
}

}  // namespace

std::string RelativePath(const std::string& baseFolder, const std::string& path) {
  std::vector<std::string> base = Parts(baseFolder), target = Parts(path);
  if (base.empty() || target.empty() || !plat::text::EqualNoCase(base[0], target[0])) return path;
  size_t same = 0;
  while (same < base.size() && same + 1 < target.size() &&
         plat::text::EqualNoCase(base[same], target[same]))
    ++same;
  std::string out;
  for (size_t i = same; i < base.size(); ++i) out += "..\\";
  for (size_t i = same; i < target.size(); ++i)
    out += target[i] + (i + 1 < target.size() ? "\\" : "");
  return out;
}

bool InstallDriverByDll(uintptr_t window, int32_t& errorCode, const std::string& infFile,
                        bool online, std::string& port, const std::string& libraryFile,
                        const std::string& offlinePrefix) {
  return InstallWithLibrary(window, errorCode, infFile, nullptr, online, port, libraryFile,
                            offlinePrefix);
}

bool InstallDriverByDll(uintptr_t window, int32_t& errorCode, const std::string& infFile,
                        const InfHardwareIds& ids, bool online, std::string& port,
                        const std::string& libraryFile, const std::string& offlinePrefix) {
  return InstallWithLibrary(window, errorCode, infFile, &ids, online, port, libraryFile,
                            offlinePrefix);
}

void StartInstaller64(uintptr_t window, const std::string& installer64File,
                      const std::string& infFile, bool online, std::string& port,
                      std::unique_ptr<plat::Process>& process, const std::string& libraryFile,
                      const std::string& library64File, const std::string& offlinePrefix) {
  if (!IsWow64()) return;
  StartSibling(window, installer64File, infFile, ReadInfHardwareIds(infFile), online, port, process,
               libraryFile, library64File, offlinePrefix);
}

void StartInstaller64(uintptr_t window, const std::string& installer64File,
                      const std::string& infFile, const InfHardwareIds& ids, bool online,
                      std::string& port, std::unique_ptr<plat::Process>& process,
                      const std::string& libraryFile, const std::string& library64File,
                      const std::string& offlinePrefix) {
  if (!IsWow64()) return;
  StartSibling(window, installer64File, infFile, ids, online, port, process, libraryFile,
               library64File, offlinePrefix);
}

void ShowDllErrorCode(const std::string& libraryFile, bool show) {
  auto library = plat::libraries().Load(plat::files().GetFullPathName(libraryFile));
  if (!library) throw DllError(i18n::StrDllNotFound());
  // The library's Boolean is 32 bits wide; true is all bits set.
  if (library->HasExport("ShowErrorCode")) library->ShowErrorCode(show ? -1 : 0);
}

bool RegisterOcx(const std::string& ocxFile) {
  plat::Files& files = plat::files();
  if (!files.FileExists(ocxFile)) return false;
  std::string copy = plat::sys().GetSystemDirectory() + "\\" + FileNameOf(ocxFile);
  files.CopyFile(ocxFile, copy, false);
  if (!files.FileExists(copy)) return false;
  return RegisterServerDll(copy);
}

bool RegisterServerDll(const std::string& fileName) {
  auto library = plat::libraries().Load(fileName);
  if (!library || !library->HasExport("DllRegisterServer")) return false;
  return library->DllRegisterServer() >= 0;
}

}  // namespace services
