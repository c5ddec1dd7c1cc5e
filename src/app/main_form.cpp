#include "app/main_form.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include "diag/diagnostics_form.h"
#include "i18n/catalogue.h"
#include "platform/platform.h"
#include "services/detection.h"
#include "services/inf_reader.h"
#include "services/printer_query.h"
#include "services/system_checks.h"

namespace app {

namespace {

constexpr const char* kDebugMarker = "d:\\Debug";
constexpr const char* kLogoResource = "LOGOVELMAR";
// "连接端口为" (connected port is), in the code page the debug output is read in (GBK).
constexpr const char kConnectedPortIs[] = "\xC1\xAC\xBD\xD3\xB6\xCB\xBF\xDA\xCE\xAA";

}  // namespace

int AutoSizeWidth(const std::string& caption, const ui::Font& font) {
  // An average Tahoma glyph is about half the font height wide; a double-byte
  // character takes two bytes and about one full height.
  int avg = std::max(1, font.height * 3 / 5 + (font.bold ? 1 : 0));
  return static_cast<int>(caption.size()) * avg;
}

TMainForm::TMainForm() : ui::Form("TMainForm") {
  SetCaption("Printer Installer");
  SetClientSize(627, 450);
  SetBounds(0, 0, 635, 477);
  position = ui::Position::ScreenCenter;
  SetAlphaBlend(true);
  SetAlphaBlendValue(255);

  PnlTitle = new ui::Panel(this, "PnlTitle");
  PnlTitle->SetAlign(ui::Align::Top);
  PnlTitle->SetBounds(0, 0, 627, 89);
  ImgLogo = new ui::Image(PnlTitle, "ImgLogo");
  ImgLogo->autoSize = true;
  ImgLogo->SetBounds(24, 9, 105, 105);
  LblMainTitle = new ui::Label(PnlTitle, "LblMainTitle");
  LblMainTitle->SetFont({"Tahoma", 21, true, ui::kPurple});
  LblMainTitle->wordWrap = true;
  LblMainTitle->SetBounds(160, 16, 400, 25);
  LblReadGuide = new ui::Label(PnlTitle, "LblReadGuide");
  LblReadManual = new ui::Label(PnlTitle, "LblReadManual");
  lblReadQuickGuide = new ui::Label(PnlTitle, "lblReadQuickGuide");
  for (ui::Label* l : {LblReadGuide, LblReadManual, lblReadQuickGuide}) {
    l->SetCursor(ui::Cursor::HandPoint);
    l->SetBounds(170, 48, 100, 13);
  }
  lblReadQuickGuide->SetBounds(480, 48, 100, 13);
  lblReadQuickGuide->SetVisible(false);

  PnlPrinters = new ui::Panel(this, "PnlPrinters");
  PnlPrinters->SetAlign(ui::Align::Client);
  PnlPrinters->SetBounds(0, 89, 627, 342);
  GrpBoxPort = new ui::GroupBox(PnlPrinters, "GrpBoxPort");
  GrpBoxPort->SetBounds(24, 16, 162, 264);
  GrpBoxPort->SetVisible(false);
  LsBoxPorts = new ui::ListBox(GrpBoxPort, "LsBoxPorts");
  LsBoxPorts->SetBounds(8, 16, 146, 240);
  GrpBoxPrinters = new ui::GroupBox(PnlPrinters, "GrpBoxPrinters");
  GrpBoxPrinters->SetBounds(192, 16, 404, 254);
  GrpBoxPrinters->SetAnchors(ui::kAnchorLeft | ui::kAnchorTop | ui::kAnchorRight |
                             ui::kAnchorBottom);
  LvPrinters = new ui::ListView(GrpBoxPrinters, "LvPrinters");
  LvPrinters->largeImages = "IMGLISTPRINTER";  // ImgListPrinter: one printer picture
  LvPrinters->SetBounds(8, 18, 388, 228);
  LvPrinters->SetAnchors(ui::kAnchorLeft | ui::kAnchorTop | ui::kAnchorRight | ui::kAnchorBottom);
  EdtInfos = new ui::Edit(PnlPrinters, "EdtInfos");
  EdtInfos->readOnly = true;
  EdtInfos->SetTabStop(false);
  EdtInfos->SetColor(ui::kInfoBk);
  EdtInfos->SetFont({"Tahoma", 13, true, ui::kTeal});
  EdtInfos->SetBounds(24, 282, 572, 21);
  EdtInfos->SetAnchors(ui::kAnchorLeft | ui::kAnchorRight | ui::kAnchorBottom);
  EdtInfos->SetCaption("Infos:");
  BbtnStart = new ui::Button(PnlPrinters, "BbtnStart");
  BbtnStart->hasPicture = true;
  BbtnStart->SetDefault(true);
  BbtnStart->SetBounds(364, 307, 113, 35);
  BbtnStart->SetAnchors(ui::kAnchorRight | ui::kAnchorBottom);
  BbtnStart->SetCaption("&Install");
  BbtnExit = new ui::Button(PnlPrinters, "BbtnExit");
  BbtnExit->hasPicture = true;
  BbtnExit->SetButtonKind(ui::ButtonKind::Close);
  BbtnExit->SetBounds(483, 307, 113, 35);
  BbtnExit->SetAnchors(ui::kAnchorRight | ui::kAnchorBottom);
  BbtnExit->SetCaption("&Exit");
  // Tab: the models, then the ports, then the buttons; the information line
  // only reports, so it is no stop. The form opens on the model list.
  GrpBoxPrinters->SetTabOrder(0);
  GrpBoxPort->SetTabOrder(1);
  EdtInfos->SetTabOrder(2);
  BbtnStart->SetTabOrder(3);
  BbtnExit->SetTabOrder(4);
  LvPrinters->SetFocus();
  StaBarInfo = new ui::StatusBar(this, "StaBarInfo");
  StaBarInfo->SetAlign(ui::Align::Bottom);
  StaBarInfo->SetBounds(0, 431, 627, 19);

  TmrAutoInstall = ui::MakeStoppedTimer(this, "TmrAutoInstall", 1000);
  TimerSetup64Error = ui::MakeStoppedTimer(this, "TimerSetup64Error", 5000);
  TimerInstallingHints = ui::MakeStoppedTimer(this, "TimerInstallingHints", 500);

  // The 64-bit sibling reports its outcome by these two messages.
  OnMessage = [this](uint32_t message, uintptr_t, intptr_t lParam) {
    if (message != kWmInstallError && message != kWmInstallSuccess) return false;
    std::optional<InstallAttempt> none;
    InstallAttempt& attempt = AttemptToSettle(none);
    if (message == kWmInstallError)
      WmInstallError(attempt, static_cast<uint32_t>(lParam));
    else
      WmInstallSuccess(attempt);
    EndAutoInstallWhenSettled();
    return true;
  };
  TmrAutoInstall->OnTimer = [this] { TmrAutoInstallTimer(); };
  TimerSetup64Error->OnTimer = [this] { TimerSetup64ErrorTimer(); };
  TimerInstallingHints->OnTimer = [this] { TimerInstallingHintsTimer(); };
  LvPrinters->OnSelectItem = [this] { LvPrintersSelectItem(); };
  LvPrinters->OnDblClick = [this] { LvPrintersDblClick(); };
  BbtnStart->OnClick = [this] {
    if (bbtnStartClick)
      bbtnStartClick(*this);
    else
      BbtnStartClick();
  };
  ImgLogo->OnDblClick = [this] { ImgLogoDblClick(); };
  PnlPrinters->OnDblClick = [this] { PnlPrintersDblClick(); };
  LblReadGuide->OnClick = [this] { LblReadGuideClick(); };
  LblReadManual->OnClick = [this] { LblReadManualClick(); };
  lblReadQuickGuide->OnClick = [this] { lblReadQuickGuideClick(); };
  LblReadGuide->OnMouseMove = [this](int, int) { LblReadGuideMouseMove(); };
  LblReadManual->OnMouseMove = [this](int, int) { LblReadManualMouseMove(); };
  lblReadQuickGuide->OnMouseMove = [this](int, int) { lblReadQuickGuideMouseMove(); };
  LblReadGuide->OnMouseLeave = [this] { LblReadGuideMouseLeave(); };
  LblReadManual->OnMouseLeave = [this] { LblReadManualMouseLeave(); };
  lblReadQuickGuide->OnMouseLeave = [this] { lblReadQuickGuideMouseLeave(); };

  OnActivate = [this] { FormActivate(); };
  OnResize = [this] { FormResize(); };
  OnClose = [this] { FormClose(); };
}

TMainForm::~TMainForm() = default;

void TMainForm::FormCreate() {
  // The logo bitmap of the brand, from the program's own resources; the
  // image takes the bitmap's size.
  if (auto bmp = plat::sys().LoadBitmapResource(kLogoResource)) ImgLogo->SetPicture(*bmp);

  // The debug marker is a file; its content is never read.
  DebugMode = plat::files().FileExists(kDebugMarker);

  // "/Hide", exactly and as a whole argument, keeps the window out of sight.
  HiddenMode = false;
  for (const std::string& arg : plat::sys().CommandArgs()) {
    if (arg == "/Hide") {
      SetAlphaBlendValue(0);
      SetAlphaBlend(true);
      HiddenMode = true;
      ui::app().showMainForm = false;
      break;
    }
  }

  // Only the maker's own brand greets with the splash.
  if (i18n::StrBrand() == kMakerBrand && !DebugMode && !HiddenMode && showWelcomeSplash) {
    ui::app().showMainForm = false;
    SetAlphaBlendValue(0);
    SetAlphaBlend(true);
    showWelcomeSplash(*this);
    ui::app().showMainForm = true;
  }

  // The options of install.ini, then the texts that depend on them.
  TimerSetup64Error->SetEnabled(false);
  IniOptions = std::make_unique<config::TIniOptions>();
  IniOptions->LoadFromFile("install.ini");
  ApplyCatalogueTexts();

  // The models; hidden, the automatic install or, without models, the end.
  FillModelList();
  if (HiddenMode) {
    PrepareAutoInstall();
    if (LvPrinters->Items().empty()) EndHiddenWithoutModels();
  }
}

void TMainForm::FillModelList() {
  std::vector<std::string> ports;
  if (services::GetPortNames(ports))
    for (const std::string& p : ports) LsBoxPorts->AddItem(p);
  LvPrinters->Clear();
  for (int i = 0; IniOptions && i < IniOptions->Count; ++i) {
    std::string name;
    services::ReadInfModelName(IniOptions->GetOption(i).InstallSettingFile2K, name);
    LvPrinters->AddItem(name);
  }
  if (!LvPrinters->Items().empty()) LvPrinters->SetItemIndex(0);
}

void TMainForm::FormResize() {
  int selected = LvPrinters->ItemIndex();
  FillModelList();
  if (!LvPrinters->Items().empty()) LvPrinters->SetItemIndex(selected);
}

void TMainForm::LvPrintersSelectItem() {
  int index = LvPrinters->ItemIndex();
  if (index < 0 || !IniOptions || index >= IniOptions->Count) {
    StaBarInfo->SetCaption("");
    GrpBoxPrinters->SetCaption(i18n::StrSelectDriver());
    EdtInfos->SetCaption(i18n::StrInfos() + i18n::StrSelectDriverHint());
    for (ui::Control* c : std::initializer_list<ui::Control*>{BbtnStart, LblReadGuide,
                                                              LblReadManual, lblReadQuickGuide})
      c->SetEnabled(false);
    return;
  }
  config::TOption option = IniOptions->GetOption(index);
  GrpBoxPrinters->SetCaption(i18n::StrSelectDriver() + LvPrinters->Items()[index]);
  EdtInfos->SetCaption(i18n::StrInfos() + i18n::StrClickInstall());
  BbtnStart->SetEnabled(true);
  LblReadGuide->SetEnabled(plat::files().FileExists(option.InstallGuide));
  lblReadQuickGuide->SetEnabled(plat::files().FileExists(option.QuickGuide));
  LblReadManual->SetEnabled(plat::files().FileExists(option.HandBook));
  StaBarInfo->SetCaption(option.Hint);
}

void TMainForm::PnlPrintersDblClick() {
  if (DebugMode && FormTest) FormTest->ShowModal();
}

void TMainForm::LvPrintersDblClick() { BbtnStart->Click(); }

services::PortFound TMainForm::DetectConnectedPort(std::string& port) {
  const config::TOption option = AttemptModel();
  // The attempt's IDs, once it has read them; the INF otherwise.
  const services::PortFound r =
      attempt_ && attempt_->ids
          ? services::DetectPrinterPort(*attempt_->ids, option.InstallDll2K, port)
          : services::DetectPrinterPort(option.InstallSettingFile2K, option.InstallDll2K, port);
  plat::sys().OutputDebugString(
      i18n::FormatText(std::string(kConnectedPortIs) + "%d", static_cast<int>(r)));
  plat::sys().OutputDebugString(i18n::FormatText(std::string(kConnectedPortIs) + "%s", port));
  return r;
}

// --- guide links: each opens one document of the selected model -----------

std::string TMainForm::SelectedDocument(std::string config::TOption::*field) const {
  int index = LvPrinters->ItemIndex();
  if (index < 0 || !IniOptions) return "";
  return IniOptions->GetOption(index).*field;
}

void TMainForm::OpenDocument(std::string config::TOption::*field) {
  if (LvPrinters->ItemIndex() < 0 || !IniOptions) return;
  // The shell's own error, if any, is all the user sees.
  plat::processes().ShellExecute(Handle(), "open", SelectedDocument(field), "", "",
                                 plat::kSwShowNormal);
}

void TMainForm::HoverLink(ui::Label* link, std::string config::TOption::*field) {
  link->SetFontColor(ui::kBlue);
  if (LvPrinters->ItemIndex() >= 0 && IniOptions) StaBarInfo->SetCaption(SelectedDocument(field));
}

void TMainForm::LeaveLink(ui::Label* link) {
  // The model's hint is not put back.
  link->SetFontColor(ui::kBlack);
  StaBarInfo->SetCaption("");
}

void TMainForm::LblReadGuideClick() { OpenDocument(&config::TOption::InstallGuide); }
void TMainForm::LblReadManualClick() { OpenDocument(&config::TOption::HandBook); }
void TMainForm::lblReadQuickGuideClick() { OpenDocument(&config::TOption::QuickGuide); }
void TMainForm::LblReadGuideMouseMove() { HoverLink(LblReadGuide, &config::TOption::InstallGuide); }
void TMainForm::LblReadManualMouseMove() { HoverLink(LblReadManual, &config::TOption::HandBook); }
void TMainForm::lblReadQuickGuideMouseMove() {
  HoverLink(lblReadQuickGuide, &config::TOption::QuickGuide);
}
void TMainForm::LblReadGuideMouseLeave() { LeaveLink(LblReadGuide); }
void TMainForm::LblReadManualMouseLeave() { LeaveLink(LblReadManual); }
void TMainForm::lblReadQuickGuideMouseLeave() { LeaveLink(lblReadQuickGuide); }

void TMainForm::ImgLogoDblClick() {
  if (!plat::files().FileExists(kDebugMarker) || !services::IsWow64()) return;
  char handle[32];
  snprintf(handle, sizeof handle, " %llXH", static_cast<unsigned long long>(Handle()));
  SetCaption(Caption() + " WOW64" + handle);
}

void TMainForm::FormActivate() { PrepareAutoInstall(); }

void TMainForm::FormClose() { IniOptions.reset(); }

void TMainForm::ApplyCatalogueTexts() {
  SetCaption(i18n::StrAppTitle());
  ui::app().SetTitle(i18n::StrAppTitle());

  // The model group takes the place of the hidden port group.
  GrpBoxPrinters->SetWidth(GrpBoxPrinters->Width() + GrpBoxPrinters->Left() - GrpBoxPort->Left());
  GrpBoxPrinters->SetLeft(GrpBoxPort->Left());

  GrpBoxPrinters->SetCaption(i18n::StrSelectDriver());
  BbtnStart->SetCaption(i18n::StrInstallButton());
  BbtnExit->SetCaption(i18n::StrExitButton());
  LblMainTitle->SetCaption(i18n::StrMainTitle());
  LblMainTitle->SetFontColor(i18n::TitleColor());

  LblMainTitle->SetLeft(ImgLogo->Left() + ImgLogo->Width() + 30);
  LblMainTitle->SetWidth(ClientWidth() - LblMainTitle->Left() - 3);

  LblReadGuide->SetCaption(i18n::StrInstallGuideLink());
  LblReadManual->SetCaption(i18n::StrUserManualLink());
  lblReadQuickGuide->SetCaption(i18n::StrQuickGuideLink());
  for (ui::Label* l : {LblReadGuide, LblReadManual, lblReadQuickGuide}) {
    l->SetWidth(AutoSizeWidth(l->Caption(), l->GetFont()));
    l->SetEnabled(false);
  }

  LblReadGuide->SetLeft(LblMainTitle->Left() + 10);
  LblReadManual->SetLeft(LblReadGuide->Left() + LblReadGuide->Width() + 80);
  LblReadGuide->SetTop(LblMainTitle->Top() + LblMainTitle->Height());
  LblReadManual->SetTop(LblMainTitle->Top() + LblMainTitle->Height());
  PnlTitle->SetHeight(ImgLogo->Top() + ImgLogo->Height() + 20);
  PnlPrinters->SetTop(PnlTitle->Top() + PnlTitle->Height());
  // The printer panel fills what the title and the status bar leave.
  PnlPrinters->SetHeight(ClientHeight() - StaBarInfo->Height() - PnlPrinters->Top());
}

}  // namespace app
