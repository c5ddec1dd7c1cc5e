#include "services/service_control.h"

#include <vector>

#include "platform/platform.h"
#include "services/runcmd.h"
#include "services/system_checks.h"

namespace services {
namespace {

constexpr int kWindows2000 = 50;

// Whether the joined output shows |marker| (or |other|).
bool Shows(const std::vector<std::string>& out, const char* marker, const char* other = nullptr) {
  std::string text = JoinOutput(out);
  return text.find(marker) != std::string::npos || (other && text.find(other) != std::string::npos);
}

// The service controller and net, from the system folder.
std::string Sc(const std::string& arguments) { return SystemToolCommand("sc.exe", arguments); }
std::string Net(const std::string& arguments) { return SystemToolCommand("net.exe", arguments); }

int Rerun(const std::string& cmd, std::vector<std::string>& out) {
  out.clear();
  return RunCMD(cmd, out);
}

}  // namespace

void ScStopService(const std::string& serviceName, const std::string&, bool remove) {
  if (serviceName.empty()) return;
  std::vector<std::string> out;
  if (RunCMD(Sc("query " + serviceName), out) > 0 && Shows(out, "SERVICE_NAME: ")) {
    Rerun(Sc("stop " + serviceName), out);
    plat::sys().Sleep(100);
    if (remove) Rerun(Sc("delete " + serviceName), out);
  }
}

void NetStopService(const std::string& serviceName, const std::string& serviceExe, bool remove) {
  if (serviceName.empty() || !plat::files().FileExists(serviceExe)) return;
  std::vector<std::string> out;
  const std::string stop = Net("stop " + serviceName);
  if (RunCMD(stop, out) > 0 && Shows(out, "could not be stopped")) {
    Rerun(stop, out);
    plat::sys().Sleep(300);
  }
  if (remove) Rerun(Quoted(serviceExe) + " /uninstall /silent ", out);
}

bool ScStartService(const std::string& serviceName, const std::string& serviceExe) {
  if (serviceName.empty()) return false;
  std::vector<std::string> out;
  if (RunCMD(Sc("query " + serviceName), out) <= 0) return false;
  if (Shows(out, "FAILED 1060")) RunCMD(Quoted(serviceExe) + " /install /silent", out);
  Rerun(Sc("start " + serviceName), out);
  return Shows(out, ": 4  RUNNING", ": 2  START_PENDING");
}

bool NetStartService(const std::string& serviceName, const std::string& serviceExe) {
  if (serviceName.empty()) return false;
  std::vector<std::string> out;
  const std::string start = Net("start " + serviceName);
  if (RunCMD(start, out) > 0 && Shows(out, "started successfully", ": 2  START_PENDING"))
    return true;
  RunCMD(Quoted(serviceExe) + " /install /silent", out);
  Rerun(start, out);
  return Shows(out, "started successfully", ": 2  START_PENDING");
}

void StopServiceByCmd(const std::string& serviceName, const std::string& serviceExe, bool remove) {
  if (serviceName.empty()) return;
  if (GetOSVersion() <= kWindows2000) {
    NetStopService(serviceName, serviceExe, remove);
  } else {
    ScStopService(serviceName, serviceExe, remove);
  }
}

bool StartServiceByCmd(const std::string& serviceName, const std::string& serviceExe) {
  if (serviceName.empty()) return false;
  return GetOSVersion() <= kWindows2000 ? NetStartService(serviceName, serviceExe)
                                        : ScStartService(serviceName, serviceExe);
}

void RunRegSetImage(bool enable, const std::string& imageFile) {
  if (GetOSVersion() != kWindows2000 || !plat::files().FileExists(imageFile)) return;
  plat::StartInfo info;
  info.commandLine =
      Quoted(plat::files().GetFullPathName(imageFile)) + (enable ? " Auto" : " Auto Disable");
  info.inheritHandles = false;
  info.creationFlags = plat::kCreateNewConsole | plat::kNormalPriorityClass;
  info.startupFlags = plat::kStartfUseShowWindow;
  info.showWindow = plat::kSwShowDefault;
  auto process = plat::processes().CreateProcess(info);
  if (!process) return;
  process->CloseThread();
  process->Wait(3000);
}

std::string SystemToolCommand(const std::string& tool, const std::string& arguments) {
  std::string folder = plat::sys().GetSystemDirectory();
  if (folder.empty()) return "";
  if (folder.back() != '\\') folder += '\\';
  return Quoted(folder + tool) + " " + arguments;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace services
