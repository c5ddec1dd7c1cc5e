// The switches for deployment tools: exit codes they read and a file of
// outcome lines of the administrator's choosing. Without them the program
// ends with 0, whatever happened.
//
//   Setup.exe /Hide /ExitCodes "/OutcomeFile=C:\Deploy Logs\printer.txt"
#pragma once
#include <string>
#include <vector>

#include "services/log.h"

namespace app {

// Windows Installer's codes, which deployment tools know.
constexpr int kExitSuccess = 0;
constexpr int kExitRestartNeeded = 3010;
constexpr int kExitUserCancelled = 1602;
constexpr int kExitFailed = 1603;

struct DeploymentSwitches {
  bool exitCodes = false;   // "/ExitCodes"
  std::string outcomeFile;  // "/OutcomeFile=PATH", as given
};

// The switches among the program's arguments; their names in any case.
DeploymentSwitches ReadDeploymentSwitches(const std::vector<std::string>& args);

// The code for the last attempt's outcome: none at all (the user left
// without installing) counts as cancelled.
int ExitCodeFor(const services::InstallOutcome* last);

}  // namespace app
