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
// 64-bit sibling's answer.
struct InstallAttempt {
  int modelIndex = -1;
  std::string listedName;  // the model as the list shows it
  config::TOption model;
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

  // The install sequence (install_sequence.cpp). BbtnStartClick returns
  // false when an error reached the application (it has been shown).
  bool BbtnStartClick();
  void InstallSelectedPrinter(bool online);
  // True when the driver was installed (the 32-bit branch only).
  bool InstallDriver(int modelIndex, bool online, bool quiet);
  // The handlers of WM_INSTALL_SUCCESS (WM_USER + 2) and WM_INSTALL_ERROR (WM_USER + 1).
  void WmInstallSuccess();
  void WmInstallError(uint32_t code);

  // The automatic install, the progress text and the 64-bit watchdog (auto_install.cpp).
  void PrepareAutoInstall();
  // Hidden with no model to install: the outcome goes to the log and the program ends.
  void EndHiddenWithoutModels();
  void TmrAutoInstallTimer();
  void TimerInstallingHintsTimer();
  void TimerSetup64ErrorTimer();

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
  std::string RemovedDriverName;
  uintptr_t Setup64Process = 0;
  uint32_t LastErrorCode = 0;
  std::string ConnectedPort;
  std::string FinalPort;
  // The search dialog the sequence shows; set by the program.
  search::TFormSearching* FormSearching = nullptr;
  diag::TFormTest* FormTest = nullptr;

 private:
  config::TOption SelectedOption() const;
  void SetInstallControlsEnabled(bool on);
  std::unique_ptr<plat::Process> setup64_;  // Setup64Process is its handle
  std::optional<InstallAttempt> attempt_;
  bool attemptOnline_ = false;   // whether the last installation attempt was online
  bool siblingStarted_ = false;  // the attempt under way handed off to the 64-bit sibling
  // Whether the attempt under way took the 64-bit way, once it has chosen:
  // asked once, so that a failing query cannot leave the outcome to a
  // sibling that was never started. An attempt that ended before the
  // hand-off did not take it: its caller reports it, as on 32-bit Windows.
  std::optional<bool> wow64Attempt_;
  void EndBeforeHandOff(uint32_t code);
  // The sibling's process handle is kept only until its outcome arrives.
  void ReleaseSibling();
  std::string attemptPrinter_;  // its printer, kept through activations until its outcome
  std::string SelectedDocument(std::string config::TOption::*field) const;
  void OpenDocument(std::string config::TOption::*field);
  void HoverLink(ui::Label* link, std::string config::TOption::*field);
  void LeaveLink(ui::Label* link);

  // The outcome line of each installation attempt (install_outcome.cpp).
  void NoteInstallAttempt(bool online);
  void NoteInstallOutcome(const std::string& result, uint32_t code, const std::string& shown,
                          bool restart = false);
  void NoteInstallError(uint32_t code);
  void NoteInstallEnd();
  services::InstallOutcome OutcomeOf(const std::string& result, uint32_t code,
                                     const std::string& shown) const;
};

// Width of a label sized to its text (labels size themselves to their caption).
int AutoSizeWidth(const std::string& caption, const ui::Font& font);

}  // namespace app
