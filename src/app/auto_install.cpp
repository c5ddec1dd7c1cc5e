// The automatic install of a model marked AutoMode, the progress text while
// installing, and the watchdog of the 64-bit hand-off: the main window's
// three timers and the preparation that runs on every activation.
#include "app/main_form.h"
#include "i18n/catalogue.h"
#include "platform/errors.h"
#include "platform/platform.h"
#include "services/log.h"
#include "services/system_checks.h"

namespace app {
namespace {
// How long an automatic install waits for the 64-bit sibling's outcome.
constexpr uint64_t kAutoInstallPatienceMs = 15 * 60 * 1000;
}  // namespace

void TMainForm::PrepareAutoInstall() {
  AutoIndex = -1;
  for (int i = 0; IniOptions && i < IniOptions->Count; ++i) {
    if (!IniOptions->GetOption(i).AutoMode) continue;
    SetAlphaBlendValue(255);
    SetAlphaBlend(true);
    AutoIndex = i;
    LvPrinters->SetItemIndex(i);
    TmrAutoInstall->SetEnabled(true);
    break;
  }
  InstallState = TInstallState::Idle;
  InstalledPrinterName.clear();
}

void TMainForm::EndHiddenWithoutModels() {
  // install.ini missing or unreadable: nobody can see the window, nothing can
  // ever be installed, so the program does not wait unseen for good. The
  // code says why: the file is missing, the read's error, or none (the file
  // names no model).
  const char kIni[] = "install.ini";
  uint32_t code = 0;
  if (!plat::files().FileExists(kIni)) {
    code = plat::kErrorFileNotFound;
  } else if (!plat::files().ReadFile(kIni)) {
    code = plat::sys().GetLastError();
    if (code == 0) code = kErrorNoCode;
  }
  services::InstallOutcome o;
  o.result = "not installed";
  o.code = code;
  services::WriteInstallOutcome(o);
  Close();
}

void TMainForm::TmrAutoInstallTimer() {
  TmrAutoInstall->SetEnabled(false);
  TmrAutoInstall->SetInterval(50000);
  if (AutoIndex < 0) return;
  LvPrinters->SetItemIndex(AutoIndex);
  // An error that reaches the application (a missing helper library) keeps
  // a visible program open: BbtnStartClick reports it and the exit is
  // skipped. A hidden one would wait for ever where nobody can close it.
  if (!BbtnStartClick() && !HiddenMode) return;
  // On 64-bit Windows the sibling is still at work: leaving now would lose
  // its outcome, and with it the printer's queue.
  exitWhenSettled_ = true;
  waitingSince_ = plat::sys().TickCount();
  EndAutoInstallWhenSettled();
}

void TMainForm::EndAutoInstallWhenSettled() {
  if (!exitWhenSettled_) return;
  // It waits for the sibling, but not for ever: one that neither ends nor
  // answers leaves the attempt unfinished.
  const bool handedOff =
      InstallState == TInstallState::Running && attempt_ && attempt_->siblingStarted;
  if (handedOff && plat::sys().TickCount() - waitingSince_ < kAutoInstallPatienceMs) return;
  exitWhenSettled_ = false;
  BbtnExit->Click();
}

void TMainForm::TimerInstallingHintsTimer() {
  ++TimerInstallingHints->tag;
  std::string dots;
  for (int k = TimerInstallingHints->tag % 6; k > 0; --k) dots += " .";
  if (InstallState == TInstallState::Running) {
    StaBarInfo->SetCaption(i18n::StrInfos() + i18n::StrInstalling() + dots);
  } else {
    StaBarInfo->SetCaption("");
    TimerInstallingHints->SetEnabled(false);
  }
}

void TMainForm::TimerSetup64ErrorTimer() {
  // It watches an attempt that handed off to the sibling.
  if (!attempt_ || InstallState != TInstallState::Running || !attempt_->siblingStarted) return;
  InstallAttempt& attempt = *attempt_;
  // A sibling that never started has no exit code to wait for: it is over.
  uint32_t code = 0;
  const bool ended = !setup64_ || (setup64_->GetExitCode(code) && code != plat::kStillActive);
  if (!ended) {
    EndAutoInstallWhenSettled();
    return;
  }
  // It ended without a message (one it posted would have come before this
  // tick): nothing else will unlock the window, shown or not. Its exit code
  // says what went wrong; one that ended with 0 still failed to report.
  setup64_.reset();
  Setup64Process = 0;
  WmInstallError(attempt, code != 0 ? code : kErrorNoCode);
  EndAutoInstallWhenSettled();
}

}  // namespace app
