// Stopping, removing, installing and starting a printer model's Windows
// service through the console tools (sc on XP and newer, net on 2000).
#pragma once
#include <string>

namespace services {

// Stops the service and, when |remove|, removes it. Nothing when |serviceName| is empty.
void StopServiceByCmd(const std::string& serviceName, const std::string& serviceExe, bool remove);
// Installs the service if needed and starts it; true when it is running or starting.
bool StartServiceByCmd(const std::string& serviceName, const std::string& serviceExe);

void ScStopService(const std::string& serviceName, const std::string& serviceExe, bool remove);
void NetStopService(const std::string& serviceName, const std::string& serviceExe, bool remove);
bool ScStartService(const std::string& serviceName, const std::string& serviceExe);
bool NetStartService(const std::string& serviceName, const std::string& serviceExe);

// Windows 2000 only: runs |imageFile| with " Auto" (|enable|) or " Auto Disable"
// and waits up to 3 seconds for it. The outcome is not reported.
void RunRegSetImage(bool enable, const std::string& imageFile);

// The command line that starts the system tool |tool| ("sc.exe") by its full
// path in the system folder, quoted, then |arguments|:
//   SystemToolCommand("sc.exe", "query Spooler")
//     == "\"C:\\WINDOWS\\system32\\sc.exe\" query Spooler"
// A bare name would be looked for in the program's folder and the current
// directory first. Empty (nothing can start) when the system folder is unknown.
std::string SystemToolCommand(const std::string& tool, const std::string& arguments);

// |path| in quotes, so that a folder name with blanks stays one argument.
std::string Quoted(const std::string& path);

}  // namespace services
