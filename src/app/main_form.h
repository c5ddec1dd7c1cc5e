// The main window: logo, title and guide links above, the model list, the
// information line, the install and exit buttons and the status bar below.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "config/options.h"
#include "platform/install_messages.h"
#include "platform/process.h"
#include "services/detection.h"
#include "services/log.h"
#include "ui/ui.h"

namespace search {
class TFormSearching;
}
namespace diag {
class TFormTest;
}

namespace app {

// The maker's own brand: the one whose program shows the welcome splash
// (the build names it, as it also decides which program carries the
// splash's pictures).
#ifndef MAKER_BRAND
#error "the build names the maker's brand (MAKER_BRAND)"
#endif
inline constexpr const char* kMakerBrand = MAKER_BRAND;

using plat::kWmInstallError;
using plat::kWmInstallSuccess;
// A failure that left no error code of its own, as the library's missing
// LastInstallErrorCode counts.
constexpr uint32_t kErrorNoCode = 1;

enum class TInstallState : uint8_t { Idle = 0, Running = 1, Ended = 2 };

// One installation attempt, made when Install is pressed (or the automatic
// install presses it): the model it installs stays the same whatever the
// list's selection does while it runs, through an offline retry and the
// 64-bit sibling's answer. What the sequence learns on the way is kept here
// for the handlers that settle the attempt, instead of being asked again.
struct InstallAttempt {
  int modelIndex = -1;
  std::string listedName;  // the model as the list shows it
  config::TOption model;
  std::string infFile;  // the model's INF
  // Its hardware IDs, read once when the sequence first needs them and
  // handed to detection and installation; an offline retry keeps them.
  std::optional<services::InfHardwareIds> ids;

  // Each run of the sequence (the offline retry is one) starts these again.
  bool online = false;  // as asked; the search dialog may still take it offline
  // Whether it took the 64-bit way, once it has chosen: asked once, so that
  // a failing query cannot leave the outcome to a sibling that was never
  // started. One that ended before the hand-off did not take it: its caller
  // reports it, as on 32-bit Windows.
  std::optional<bool> wow64;
  bool siblingStarted = false;  // handed off to the 64-bit sibling
  std::string connectedPort;    // where detection found the printer
  std::string finalPort;        // the queue's port as the success reports it
  std::string printer;          // its queue, kept through activations until its outcome
  // A Windows 2000 upgrade removed the replaced queue's driver: the queue
  // comes back on it when the attempt fails.
  std::string removedDriver;

  // Clears what one run learned, ahead of the next.
  void StartRun(bool asked) {
    online = asked;
    wow64.reset();
    siblingStarted = false;
    connectedPort.clear();
    printer.clear();
    removedDriver.clear();
  }
};

class TMainForm : public ui::Form {
 public:
  TMainForm();
  ~TMainForm() override;

  // Events
  void FormCreate();
  void FormActivate();
  void FormClose();
  void ApplyCatalogueTexts();

  // The model list, the information line and the guide links.
  void FillModelList();
  void FormResize();
  void LvPrintersSelectItem();
  void LvPrintersDblClick();
  // Port detection for the attempt's model, with its two debug lines.
  services::PortFound DetectConnectedPort(std::string& port);
  void ImgLogoDblClick();
  // In debug mode: the diagnostics form, modally.
  void PnlPrintersDblClick();
  void LblReadGuideClick();
  void LblReadManualClick();
  void lblReadQuickGuideClick();
  void LblReadGuideMouseMove();
  void LblReadManualMouseMove();
  void lblReadQuickGuideMouseMove();
  void LblReadGuideMouseLeave();
  void LblReadManualMouseLeave();
  void lblReadQuickGuideMouseLeave();

  // The model of the attempt under way (or the last one); before the first,
  // the selected one.
  config::TOption AttemptModel() const;
  // What the last attempt found and set up (empty before the first): the
  // port detection found, the port of the queue set up (until the success
  // has reported it), the driver a Windows 2000 upgrade removed.
  std::string ConnectedPort() const { return attempt_ ? attempt_->connectedPort : ""; }
  std::string FinalPort() const { return attempt_ ? attempt_->finalPort : ""; }
  std::string RemovedDriverName() const { return attempt_ ? attempt_->removedDriver : ""; }

  // The install sequence (install_sequence.cpp). BbtnStartClick returns
  // false when an error reached the application (it has been shown).
  bool BbtnStartClick();
  void InstallSelectedPrinter(bool online);
  // True when the driver was installed (the 32-bit branch only).
  bool InstallDriver(InstallAttempt& attempt, bool online);
  // The handlers of WM_INSTALL_SUCCESS (WM_USER + 2) and WM_INSTALL_ERROR
  // (WM_USER + 1), for the attempt they settle.
  void WmInstallSuccess(InstallAttempt& attempt);
  void WmInstallError(InstallAttempt& attempt, uint32_t code);

  // The automatic install, the progress text and the 64-bit watchdog (auto_install.cpp).
  void PrepareAutoInstall();
  // Hidden with no model to install: the outcome goes to the log and the program ends.
  void EndHiddenWithoutModels();
  void TmrAutoInstallTimer();
  void TimerInstallingHintsTimer();
  void TimerSetup64ErrorTimer();
  // An automatic install handed off to the sibling ends the program once its
  // outcome has been handled (queue and port set up, or the error shown).
  void EndAutoInstallWhenSettled();

  // Stands in for BbtnStartClick when set (tests). The welcome splash comes
  // with its own module; an empty hook does nothing.
  std::function<void(TMainForm&)> bbtnStartClick;
  std::function<void(TMainForm&)> showWelcomeSplash;

  // Components
  ui::Panel* PnlTitle;
  ui::Image* ImgLogo;
  ui::Label* LblMainTitle;
  ui::Label* LblReadGuide;
  ui::Label* LblReadManual;
  ui::Label* lblReadQuickGuide;
  ui::Panel* PnlPrinters;
  ui::GroupBox* GrpBoxPort;
  ui::ListBox* LsBoxPorts;
  ui::GroupBox* GrpBoxPrinters;
  ui::ListView* LvPrinters;
  ui::Edit* EdtInfos;
  ui::Button* BbtnStart;
  ui::Button* BbtnExit;
  ui::StatusBar* StaBarInfo;
  std::unique_ptr<ui::Timer> TmrAutoInstall;
  std::unique_ptr<ui::Timer> TimerSetup64Error;
  std::unique_ptr<ui::Timer> TimerInstallingHints;

  // State
  bool DebugMode = false;
  bool HiddenMode = false;
  std::unique_ptr<config::TIniOptions> IniOptions;
  int32_t AutoIndex = 0;
  // Idle (every activation), an installation under way (until its outcome,
  // or the sibling's message), the last one ended.
  TInstallState InstallState = TInstallState::Idle;
  std::string InstalledPrinterName;
  uintptr_t Setup64Process = 0;
  uint32_t LastErrorCode = 0;
  // The search dialog the sequence shows; set by the program.
  search::TFormSearching* FormSearching = nullptr;
  diag::TFormTest* FormTest = nullptr;

 private:
  config::TOption SelectedOption() const;
  void SetInstallControlsEnabled(bool on);
  std::unique_ptr<plat::Process> setup64_;  // Setup64Process is its handle
  std::optional<InstallAttempt> attempt_;
  bool exitWhenSettled_ = false;  // the automatic install waits for the sibling
  uint64_t waitingSince_ = 0;     // since when, by the system's tick count
  // The attempt a message of the sibling settles: the one under way, or,
  // before the first, one of the selected model.
  InstallAttempt& AttemptToSettle(std::optional<InstallAttempt>& none);
  void EndBeforeHandOff(InstallAttempt& attempt, uint32_t code);
  // The sibling's process handle is kept only until its outcome arrives.
  void ReleaseSibling();
  std::string SelectedDocument(std::string config::TOption::*field) const;
  void OpenDocument(std::string config::TOption::*field);
  void HoverLink(ui::Label* link, std::string config::TOption::*field);
  void LeaveLink(ui::Label* link);

  // The outcome line of each installation attempt (install_outcome.cpp).
  void NoteInstallAttempt(const InstallAttempt& attempt, bool online);
  void NoteInstallOutcome(const InstallAttempt& attempt, const std::string& result, uint32_t code,
                          const std::string& shown, bool restart = false);
  void NoteInstallError(const InstallAttempt& attempt, uint32_t code);
  void NoteInstallEnd();
  services::InstallOutcome OutcomeOf(const InstallAttempt& attempt, const std::string& result,
                                     uint32_t code, const std::string& shown) const;
};

// Width of a label sized to its text (labels size themselves to their caption).
int AutoSizeWidth(const std::string& caption, const ui::Font& font);

}  // namespace app
