// The outcome line of each installation attempt (services/log): what the
// install sequence reports, put into the terms a deployment script reads.
#include "app/main_form.h"
#include "i18n/catalogue.h"
#include "platform/errors.h"
#include "services/log.h"
#include "services/printer_query.h"
#include "services/system_checks.h"

namespace app {
namespace {}  // namespace

void TMainForm::NoteInstallAttempt(const InstallAttempt& attempt, bool online) {
  services::BeginInstallAttempt(attempt.listedName, online);
}

services::InstallOutcome TMainForm::OutcomeOf(const InstallAttempt& attempt,
                                              const std::string& result, uint32_t code,
                                              const std::string& shown) const {
  services::InstallOutcome o;
  o.model = !InstalledPrinterName.empty() ? InstalledPrinterName : attempt.listedName;
  o.online = attempt.online;
  o.port = !attempt.finalPort.empty() ? attempt.finalPort : attempt.connectedPort;
  o.result = result;
  o.code = code;
  o.shown = shown;
  return o;
}

void TMainForm::NoteInstallOutcome(const InstallAttempt& attempt, const std::string& result,
                                   uint32_t code, const std::string& shown, bool restart) {
  // A script reading the log must not take a queue gone since the success
  // handler found it for an installed printer. A spooler that cannot be
  // asked proves nothing: the queue found there stands.
  services::InstallOutcome o = OutcomeOf(attempt, result, code, shown);
  o.restart = restart;
  bool exists = true;
  if (result == "success" && services::AskPrinterExists(o.model, exists) && !exists)
    o.result = "no queue";
  services::WriteInstallOutcome(o);
}

// The texts are those WmInstallError shows for the code.
void TMainForm::NoteInstallError(const InstallAttempt& attempt, uint32_t code) {
  switch (code) {
    case plat::kErrorSetupNoDevice:
      if (attempt.connectedPort == "LPT1:" && attempt.online)
        NoteInstallOutcome(attempt, "online failed, retried offline", code, "");
      else
        NoteInstallOutcome(attempt, "online failed", code,
                           i18n::FormatText(i18n::StrOnlineInstallFailed(), attempt.connectedPort));
      break;
    case plat::kErrorSetupCanceled:
      NoteInstallOutcome(attempt, "canceled", code, i18n::StrCanceledByUser());
      break;
    case 0: NoteInstallOutcome(attempt, "not installed", 0, ""); break;
    default:
      NoteInstallOutcome(
          attempt, "failed", code,
          i18n::FormatText(i18n::StrInstallFailed(), code) + "\r\n" + i18n::StrRetryLater());
      break;
  }
}

// An attempt that reached no handler (the printer to replace kept its jobs,
// Windows too old); on 64-bit Windows the sibling's message still settles it.
void TMainForm::NoteInstallEnd() {
  if (services::IsWow64() && setup64_) return;
  services::EndInstallAttempt("not installed");
}

}  // namespace app
