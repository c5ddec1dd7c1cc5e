// The install sequence of the main window: from a press of the install
// button to the reported outcome. Everything runs on the user-interface
// thread; on 64-bit Windows the sibling setup installs and reports back
// through the two window messages.
#include <exception>

#include "app/main_form.h"
#include "app/online_search.h"
#include "i18n/catalogue.h"
#include "platform/common/text.h"
#include "platform/errors.h"
#include "platform/platform.h"
#include "services/detection.h"
#include "services/driver_install.h"
#include "services/inf_reader.h"
#include "services/printer_query.h"
#include "services/printer_setup.h"
#include "services/service_control.h"
#include "services/system_checks.h"
#include "uninstall/printer_removal.h"

namespace app {
namespace {

// Debug lines, in GBK as the system's debug output carries them.
constexpr const char kInfPrinterNameIs[] = "INF\xB5\xC4PrinterName\xCE\xAA";  // INF的PrinterName为
constexpr const char kInfHardwareIdIs[] =
    "INF\xD3\xB2\xBC\xFE"
    "ID\xCE\xAA";  // INF硬件ID为
// 安装打印机的PrinterName为
constexpr const char kInstallPrinterNameIs[] =
    "\xB0\xB2\xD7\xB0\xB4\xF2\xD3\xA1\xBB\xFA\xB5\xC4PrinterName\xCE\xAA";
// 安装打印机的驱动名为
constexpr const char kInstallDriverNameIs[] =
    "\xB0\xB2\xD7\xB0\xB4\xF2\xD3\xA1\xBB\xFA\xB5\xC4\xC7\xFD\xB6\xAF\xC3\xFB\xCE\xAA";
constexpr const char kInstalledDriverNameIs[] = "Install Driver Name \xCE\xAA(";   // ...为(
constexpr const char kInstalledPrinterNameIs[] = "Install PrinterName \xCE\xAA(";  // ...为(
// 准备为打印机 %s 进行其它设置
constexpr const char kPreparePrinter[] = "\xD7\xBC\xB1\xB8\xCE\xAA\xB4\xF2\xD3\xA1\xBB\xFA ";
constexpr const char kFurtherSettings[] = " \xBD\xF8\xD0\xD0\xC6\xE4\xCB\xFC\xC9\xE8\xD6\xC3";
// 程序启动服务失败，点击确定后自动重新启动。
constexpr const char kServiceFailed[] =
    "\xB3\xCC\xD0\xF2\xC6\xF4\xB6\xAF\xB7\xFE\xCE\xF1\xCA\xA7\xB0\xDC\xA3\xAC\xB5\xE3\xBB\xF7"
    "\xC8\xB7\xB6\xA8\xBA\xF3\xD7\xD4\xB6\xAF\xD6\xD8\xD0\xC2\xC6\xF4\xB6\xAF\xA1\xA3";

// The fixed Chinese texts above are GBK on every system.
constexpr unsigned kGbk = 936;

void Debug(const std::string& line) { plat::sys().OutputDebugString(line); }

void Pause(uint32_t a, uint32_t b) {
  plat::sys().Sleep(a);
  plat::sys().Sleep(0);
  plat::sys().Sleep(b);
}

void Pause(uint32_t a, uint32_t b, uint32_t c) {
  Pause(a, b);
  plat::sys().Sleep(0);
  plat::sys().Sleep(c);
}

// SetupAPI's "the required line was not found in the INF": what an INF
// that names no printer fails with.
constexpr uint32_t kErrorLineNotFound = 0xE0000102;

// Why an INF names no printer: missing, unreadable (the read's error), or
// without the ProviderName line or the models section it names.
uint32_t InfError(const std::string& inf) {
  plat::Files& files = plat::files();
  if (!files.FileExists(inf)) return plat::kErrorFileNotFound;
  if (!files.ReadFile(inf)) {
    const uint32_t error = plat::sys().GetLastError();
    return error != 0 ? error : kErrorNoCode;
  }
  return kErrorLineNotFound;
}

// The program's folder with its trailing backslash.
std::string ProgramFolder() {
  const std::string exe = plat::sys().ModuleFileName();
  return exe.find_first_of("\\/") == std::string::npos ? std::string()
                                                       : plat::text::FolderOf(exe) + "\\";
}

}  // namespace

bool TMainForm::BbtnStartClick() {
  TmrAutoInstall->SetInterval(3600000);
  TmrAutoInstall->SetEnabled(false);
  if (!HiddenMode) BringToTop();
  const int index = LvPrinters->ItemIndex();
  if (index >= 0) {
    InstallAttempt made;
    made.modelIndex = index;
    made.listedName =
        index < static_cast<int>(LvPrinters->Items().size()) ? LvPrinters->Items()[index] : "";
    made.model = SelectedOption();
    made.infFile = made.model.InstallSettingFile2K;
    attempt_ = std::move(made);
    // An error of the helper library ends the installation; it is shown as
    // any error that reaches the application.
    try {
      services::RegisterOcx(ProgramFolder() + ".\\i386\\WebPrnCtl.ocx");
      ui::app().ProcessMessages();
      const std::string beforeRun = attempt_->model.BeforeRun;
      if (!beforeRun.empty() && plat::files().FileExists(beforeRun))
        plat::processes().ShellExecute(Handle(), "open", beforeRun, "", "", plat::kSwHide);
      InstallSelectedPrinter(true);
    } catch (const std::exception& e) {
      NoteInstallOutcome(*attempt_, "exception", 0, e.what());
      ui::app().ShowException(e.what());
      return false;
    }
  }
  if (!HiddenMode) SetTopmost(false);
  return true;
}

config::TOption TMainForm::SelectedOption() const {
  return IniOptions ? IniOptions->GetOption(LvPrinters->ItemIndex()) : config::TOption();
}

config::TOption TMainForm::AttemptModel() const {
  return attempt_ ? attempt_->model : SelectedOption();
}

void TMainForm::SetInstallControlsEnabled(bool on) {
  BbtnStart->SetEnabled(on);
  BbtnExit->SetEnabled(on);
  LvPrinters->SetEnabled(on);
}

InstallAttempt& TMainForm::AttemptToSettle(std::optional<InstallAttempt>& none) {
  if (attempt_) return *attempt_;
  none.emplace();
  none->model = SelectedOption();
  none->infFile = none->model.InstallSettingFile2K;
  return *none;
}

void TMainForm::InstallSelectedPrinter(bool online) {
  if (!attempt_) return;
  // The same record through the whole run: the handlers called from here
  // settle it, an offline retry among them.
  InstallAttempt& attempt = *attempt_;
  if (online && !attempt.model.QuiteMode &&
      ui::app().MessageBox(i18n::StrConfirmInstall(), i18n::StrNotice(),
                           ui::kMbYesNo | ui::kMbIconQuestion) !=
          static_cast<int>(ui::ModalResult::Yes))
    return;

  SetInstallControlsEnabled(false);
  NoteInstallAttempt(attempt, online);
  ui::app().ProcessMessages();
  SetCursor(ui::Cursor::HourGlass);
  TimerInstallingHints->SetEnabled(true);

  // The closing step runs whatever happens inside, an error of the helper
  // library included, which then goes on to the caller.
  struct Closing {
    TMainForm& m;
    const InstallAttempt& attempt;
    ~Closing() {
      // A running sibling's message unlocks the window. An attempt that ended
      // before the hand-off (an error, a queue that could not be replaced)
      // unlocks it here: no message can come to do it.
      if (attempt.siblingStarted) return;
      if (!m.HiddenMode) m.Show();
      m.InstallState = TInstallState::Ended;
      m.SetInstallControlsEnabled(true);
      m.SetCursor(ui::Cursor::Default);
      if (m.Showing()) m.BbtnExit->SetFocus();
    }
  } closing{*this, attempt};

  const std::string regSetImage = attempt.model.RegSetImage2000;
  services::RunRegSetImage(true, regSetImage);
  const bool ok = InstallDriver(attempt, online);
  services::RunRegSetImage(false, regSetImage);
  if (!(attempt.wow64 ? *attempt.wow64 : services::IsWow64())) {
    if (ok)
      WmInstallSuccess(attempt);
    else if (LastErrorCode != 0)
      WmInstallError(attempt, LastErrorCode);
  }
  NoteInstallEnd();
}

bool TMainForm::InstallDriver(InstallAttempt& attempt, bool online) {
  attempt.StartRun(online);
  InstallState = TInstallState::Running;
  if (services::GetOSVersion() < 50) return false;

  // Copies: a box of this run must not change them under it.
  const config::TOption model = attempt.model;
  const bool quiet = model.QuiteMode;
  const std::string inf = attempt.infFile;
  const std::string& dll = model.InstallDll2K;

  std::string name;
  services::ReadInfModelName(inf, name);
  Debug(kInfPrinterNameIs + name);
  // The INF is read for its IDs once an attempt; the retry keeps them.
  if (!attempt.ids) attempt.ids = services::ReadInfHardwareIds(inf);
  const services::InfHardwareIds ids = *attempt.ids;
  Debug(kInfHardwareIdIs + ids.hwId);
  // Without the printer's name there is no queue to set up: the attempt
  // fails before anything is installed, on either Windows.
  if (name.empty()) {
    EndBeforeHandOff(attempt, InfError(inf));
    return false;
  }
  services::ShowDllErrorCode(dll, false);
  if (online) DetectConnectedPort(attempt.connectedPort);

  if (services::PrinterExists(name)) {
    bool upgrade = true;
    bool asked = true;
    if (!quiet &&
        MessageBox(i18n::StrAlreadyInstalled() + "\r\n" + i18n::StrAskUpgrade(), i18n::StrNotice(),
                   ui::kMbYesNo | ui::kMbIconQuestion) != static_cast<int>(ui::ModalResult::Yes)) {
      // Declined: the user's own choice, so there is nothing to report, also
      // after an earlier failed attempt (its code would offer that attempt's
      // retry again, and be reported twice).
      WmInstallError(attempt, 0);
      asked = false;
    }
    if (asked) {
      std::string driver;
      services::GetPrinterDriverName(name, driver);
      Debug(kInstallPrinterNameIs + name);
      Debug(kInstallDriverNameIs + driver);
      const uint8_t r = uninstall::DeletePrinterByName(name);
      const uint32_t deleteError = plat::sys().GetLastError();
      if (r == uninstall::dprHasJobs && !quiet)
        MessageBox(i18n::StrPrinterBusy(), i18n::StrNotice(), ui::kMbIconError);
      // The user asked for the upgrade: a queue that cannot be removed is a
      // failure to report, not a silent end.
      if (r == uninstall::dprNotOpened || r == uninstall::dprDeleteFailed)
        EndBeforeHandOff(attempt, deleteError != 0 ? deleteError : kErrorNoCode);
      if (r == uninstall::dprDeleted) {
        upgrade = false;
        if (services::GetOSVersion() == 50) {
          uninstall::RemovePrinterDriver(driver, "");
          attempt.removedDriver = driver;
        }
      }
    }
    Pause(500, 100, 100);
    if (upgrade) return false;
  }

  if (online && model.ForceOnlineCheck && FormSearching &&
      ShowSearchDialog(*this, *FormSearching) == ui::ModalResult::Cancel)
    online = false;

  InstalledPrinterName = name;
  attempt.printer = name;
  attempt.online = online;
  Debug(kInstallPrinterNameIs + name);
  if (online) {
    plat::sys().Sleep(100);
    services::DevconRescanAndCheck(services::IsWow64() ? ".\\X64\\devcon.exe"
                                                       : ".\\i386\\devcon.exe");
    Pause(100, 50, 100);
  }

  attempt.wow64 = services::IsWow64();
  if (*attempt.wow64) {
    services::StartInstaller64(Handle(), model.InstallImage64, inf, ids, online,
                               attempt.connectedPort, setup64_, dll, model.Installdll64,
                               model.OfflinePrefix);
    const uint32_t startError = plat::sys().GetLastError();
    Setup64Process = setup64_ ? setup64_->NativeHandle() : 0;
    if (!setup64_) {
      // No sibling, no message: the failed start is the outcome.
      WmInstallError(attempt, startError != 0 ? startError : kErrorNoCode);
      return false;
    }
    attempt.siblingStarted = true;
    TimerSetup64Error->SetEnabled(true);
    return false;
  }

  services::StopServiceByCmd(model.ServiceName, model.ServiceExe, model.ForceUninstallService);
  Pause(100, 50, 100);
  services::ShowDllErrorCode(dll, false);
  int32_t code = static_cast<int32_t>(LastErrorCode);
  const bool ok = services::InstallDriverByDll(Handle(), code, inf, ids, online,
                                               attempt.connectedPort, dll, model.OfflinePrefix);
  LastErrorCode = static_cast<uint32_t>(code);
  if (ok) {
    Pause(100, 100);
    if (!model.AfterRun.empty() && plat::files().FileExists(model.AfterRun))
      plat::processes().WinExec(services::Quoted(model.AfterRun), plat::kSwHide);
    if (!model.ServiceName.empty() &&
        !services::StartServiceByCmd(model.ServiceName, model.ServiceExe)) {
      Pause(100, 100);
      if (!services::StartServiceByCmd(model.ServiceName, model.ServiceExe)) {
        ui::app().MessageBoxIn(kServiceFailed, kGbk, i18n::StrNotice(), 0,
                               ui::kMbOk | ui::kMbIconInformation);
        // Quoted: unquoted, a blank in the medium's folder name would let
        // a program named after the folder's first word run instead.
        plat::processes().WinExec(services::Quoted(ProgramFolder() + "Setup.bat"),
                                  plat::kSwShowNormal);
      }
    }
  }
  InstallState = TInstallState::Ended;
  return ok;
}

void TMainForm::EndBeforeHandOff(InstallAttempt& attempt, uint32_t code) {
  LastErrorCode = code;
  attempt.wow64 = false;
}

void TMainForm::ReleaseSibling() {
  setup64_.reset();
  Setup64Process = 0;
}

void TMainForm::WmInstallSuccess(InstallAttempt& attempt) {
  // An activation in between (a box of the sequence closing, the user
  // switching windows during the hand-off) cleared the name; the queue to
  // set up is still the attempt's.
  if (InstalledPrinterName.empty()) InstalledPrinterName = attempt.printer;
  attempt.printer.clear();
  ReleaseSibling();
  Debug(kInstalledDriverNameIs + InstalledPrinterName + ")");
  // Without its queue the printer cannot be used: not a success, whatever
  // the library said (a success with no printer named has no queue either).
  if (InstalledPrinterName.empty()) {
    WmInstallError(attempt, kErrorNoCode);
    return;
  }
  if (!services::PrinterExists(InstalledPrinterName) &&
      !services::AddPrinterQueue(InstalledPrinterName, InstalledPrinterName)) {
    const uint32_t error = plat::sys().GetLastError();
    if (!services::PrinterExists(InstalledPrinterName)) {
      WmInstallError(attempt, error != 0 ? error : kErrorNoCode);
      InstalledPrinterName.clear();
      return;
    }
  }
  if (!HiddenMode) Show();
  TimerSetup64Error->SetEnabled(false);
  InstallState = TInstallState::Ended;
  SetInstallControlsEnabled(true);

  const config::TOption model = attempt.model;
  std::string port = model.DefaultPortName;
  if (!services::PortExists(port)) port = attempt.connectedPort;
  services::TChangePrinterInfo info;
  info.printerName = InstalledPrinterName;
  info.portName = port;
  info.setDefault = true;
  info.printProcessor = model.PrintProcess.empty() ? "WinPrint" : model.PrintProcess;
  const bool restartNote = !model.PrintProcess.empty();
  Debug(kPreparePrinter + InstalledPrinterName + kFurtherSettings);
  services::ChangePrinterProperties(info);

  Debug(kInstalledPrinterNameIs + InstalledPrinterName + ")");
  std::string& finalPort = attempt.finalPort;
  if (!services::GetPrinterPort(InstalledPrinterName, finalPort) || finalPort.empty()) {
    // The queue is there but its port could not be read: the error number,
    // under the catalogue's caption so that every system can read it.
    const uint32_t error = plat::sys().GetLastError();
    MessageBox(std::to_string(error), i18n::StrNotice(), ui::kMbIconInformation);
    finalPort = port.empty() ? "LPT1:" : port;
  }
  std::string text = i18n::FormatText(i18n::StrInstallSuccess(), finalPort);
  if (restartNote) text += "\r\n" + i18n::StrRestartNotice();
  NoteInstallOutcome(attempt, "success", 0, AutoIndex < 0 ? text : "", restartNote);
  if (AutoIndex < 0) MessageBox(text, i18n::StrNotice(), ui::kMbIconInformation);
  InstalledPrinterName.clear();
  finalPort.clear();
}

void TMainForm::WmInstallError(InstallAttempt& attempt, uint32_t code) {
  ReleaseSibling();
  if (!HiddenMode) Show();
  InstallState = TInstallState::Ended;
  SetInstallControlsEnabled(true);
  TimerSetup64Error->SetEnabled(false);
  LastErrorCode = code;
  NoteInstallError(attempt, code);

  switch (code) {
    case plat::kErrorSetupNoDevice: {
      // A printer found on the parallel port goes offline at once - after an
      // online attempt only: an offline one that fails so would loop forever.
      if (attempt.connectedPort == "LPT1:" && attempt.online) {
        InstallSelectedPrinter(false);
        return;
      }
      const int answer =
          MessageBox(i18n::FormatText(i18n::StrOnlineInstallFailed(), attempt.connectedPort),
                     i18n::StrNotice(), ui::kMbYesNoCancel | ui::kMbIconWarning);
      if (answer == static_cast<int>(ui::ModalResult::Yes))
        InstallSelectedPrinter(true);
      else if (answer == static_cast<int>(ui::ModalResult::No))
        InstallSelectedPrinter(false);
      break;
    }
    case plat::kErrorSetupCanceled:
      MessageBox(i18n::StrCanceledByUser(), i18n::StrNotice(), ui::kMbOk);
      break;
    case 0: break;
    default:
      MessageBox(i18n::FormatText(i18n::StrInstallFailed(), code) + "\r\n" + i18n::StrRetryLater(),
                 i18n::StrNotice(), ui::kMbIconInformation);
      break;
  }

  // A Windows 2000 upgrade removed the old driver: its queue comes back.
  if (InstalledPrinterName.empty()) InstalledPrinterName = attempt.printer;
  attempt.printer.clear();
  if (!attempt.removedDriver.empty() && !services::PrinterExists(InstalledPrinterName)) {
    services::AddPrinterQueue(attempt.removedDriver, InstalledPrinterName);
    services::SetPrinterPort(InstalledPrinterName, attempt.model.DefaultPortName);
  }
}

}  // namespace app
