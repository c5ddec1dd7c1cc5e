#include "app/deployment.h"

#include "platform/common/text.h"

namespace app {

DeploymentSwitches ReadDeploymentSwitches(const std::vector<std::string>& args) {
  static const std::string kOutcome = "/OutcomeFile=";
  DeploymentSwitches s;
  for (const std::string& arg : args) {
    if (plat::text::EqualNoCase(arg, "/ExitCodes"))
      s.exitCodes = true;
    else if (arg.size() > kOutcome.size() &&
             plat::text::EqualNoCase(arg.substr(0, kOutcome.size()), kOutcome))
      s.outcomeFile = arg.substr(kOutcome.size());
  }
  return s;
}

int ExitCodeFor(const services::InstallOutcome* last) {
  if (!last) return kExitUserCancelled;
  if (last->result == "success") return last->restart ? kExitRestartNeeded : kExitSuccess;
  if (last->result == "canceled") return kExitUserCancelled;
  return kExitFailed;
}

}  // namespace app
