#include "search/searching_form.h"

#include "i18n/catalogue.h"
#include "search/dialog_title.h"
#include "search/prompt_check_form.h"

namespace search {

namespace {
constexpr int kStep = 10;           // progress per one-second step: ten steps
constexpr int32_t kCountdown = 10;  // seconds before the Found state continues

// One of the two picture buttons along the bottom, in the form's font,
// disabled until the search has an outcome.
ui::Button* BottomButton(ui::Form* form, const char* name, int tabOrder, int left) {
  auto* b = new ui::Button(form, name);
  b->hasPicture = true;
  b->SetTabOrder(tabOrder);
  b->SetFont(form->GetFont());
  b->SetBounds(left, 186, 165, 36);
  b->SetEnabled(false);
  return b;
}
}  // namespace

TFormSearching::TFormSearching() : ui::Form("TFormSearching") {
  border = ui::BorderStyle::Dialog;
  systemMenu = false;
  position = ui::Position::OwnerCenter;
  SetCaption("Search");
  SetClientSize(367, 230);
  SetBounds(0, 0, 373, 257);
  SetFont({"Tahoma", 16, false, ui::kBlack});

  lblSearch = MakeTitle(this, "lblSearch", true);

  pbSteps = new ui::ProgressBar(this, "pbSteps");
  pbSteps->SetRange(0, 100);
  pbSteps->SetBounds(8, 32, 347, 49);

  lblNotFound = new ui::Label(this, "lblNotFound");
  lblNotFound->wordWrap = true;
  lblNotFound->SetFont({"Tahoma", 13, false, ui::kBlack});
  lblNotFound->SetBounds(8, 87, 347, 93);
  lblNotFound->SetVisible(false);

  btnReSearch = BottomButton(this, "btnReSearch", 0, 8);
  btnCancelSearch = BottomButton(this, "btnCancelSearch", 1, 190);
  btnCancelSearch->SetButtonKind(ui::ButtonKind::Cancel);

  tmrSteps = ui::MakeStoppedTimer(this, "tmrSteps", 1000);
  tmrClickOK = ui::MakeStoppedTimer(this, "tmrClickOK", 1000);

  OnShow = [this] { FormShow(); };
  OnActivate = [this] { FormActivate(); };
  OnClose = [this] { FormClose(); };
  btnReSearch->OnClick = [this] { btnReSearchClick(); };
  btnCancelSearch->OnClick = [this] { btnCancelSearchClick(); };
  tmrSteps->OnTimer = [this] { tmrStepsTimer(); };
  tmrClickOK->OnTimer = [this] { tmrClickOKTimer(); };
}

TFormSearching::~TFormSearching() = default;

void TFormSearching::FormCreate() {
  tmrSteps->SetEnabled(false);
  tmrClickOK->SetEnabled(false);
  pbSteps->SetPosition(0);
  lblNotFound->SetVisible(false);
  btnReSearch->SetEnabled(false);
  btnCancelSearch->SetEnabled(false);
  btnCancelSearch->SetCaption(i18n::StrCancelSearch());
  lblSearch->SetCaption(i18n::StrSearching());
  btnReSearch->SetCaption(i18n::StrReSearch());
}

void TFormSearching::FormShow() {
  // The prompt comes before the dialog is visible; how it was closed does not matter.
  if (ShowPrompt && promptCheck) promptCheck->ShowModal();
}

void TFormSearching::FormActivate() { StartSearch(); }

void TFormSearching::FormClose() {
  // A closed dialog neither searches nor counts down, however it was closed.
  tmrSteps->SetEnabled(false);
  tmrClickOK->SetEnabled(false);
  if (ui::Form* main = ui::app().MainForm(); main && main != this && !main->Showing()) main->Show();
}

void TFormSearching::btnReSearchClick() { StartSearch(); }

void TFormSearching::btnCancelSearchClick() {
  // The result is the kind the button had when it was pressed; FinishSearch
  // below gives it another kind, which must not change the result.
  SetModalResult(btnCancelSearch->GetModalResult());
  FinishSearch();
  tmrClickOK->SetEnabled(false);
  Close();
}

void TFormSearching::StartSearch() {
  Found = false;
  btnReSearch->SetEnabled(false);
  btnCancelSearch->SetButtonKind(ui::ButtonKind::Cancel);
  btnCancelSearch->SetCaption(i18n::StrCancelSearch());
  btnCancelSearch->SetEnabled(true);
  lblSearch->SetCaption(i18n::StrSearching());
  lblNotFound->SetCaption(i18n::StrCancelSearchHint());
  lblNotFound->SetFontColor(ui::kRed);
  lblNotFound->SetVisible(true);
  pbSteps->SetPosition(0);
  tmrClickOK->SetEnabled(false);
  tmrSteps->SetEnabled(true);
}

void TFormSearching::tmrStepsTimer() {
  if (debugMode && debugMode()) {
    pbSteps->SetPosition(pbSteps->Position() + 100);
    tmrSteps->SetEnabled(false);
  } else {
    pbSteps->SetPosition(pbSteps->Position() + kStep);
  }
  // Every detection overwrites the port: only the last one counts.
  if (detectConnectedPort)
    detectConnectedPort(FoundPort);
  else
    FoundPort.clear();
  if (pbSteps->Position() >= pbSteps->Max()) {
    Found = !FoundPort.empty();
    FinishSearch();
  }
}

void TFormSearching::FinishSearch() {
  tmrSteps->SetEnabled(false);
  btnReSearch->SetEnabled(true);
  btnCancelSearch->SetEnabled(true);
  lblSearch->SetCaption(i18n::StrSearchEnd());
  Countdown = kCountdown;
  if (Found) {
    lblNotFound->SetCaption(i18n::FormatText(i18n::StrPortFound(), FoundPort));
    lblNotFound->SetFontColor(ui::kBlack);
    lblNotFound->SetVisible(true);
    tmrClickOK->SetEnabled(true);
    btnCancelSearch->SetButtonKind(ui::ButtonKind::OK);
    btnCancelSearch->SetCaption(i18n::StrContinueSetup());
  } else {
    lblNotFound->SetCaption(i18n::StrPortNotFound());
    lblNotFound->SetFontColor(ui::kRed);
    lblNotFound->SetVisible(true);
    tmrClickOK->SetEnabled(false);
    btnCancelSearch->SetButtonKind(ui::ButtonKind::Yes);
    btnCancelSearch->SetCaption(i18n::StrContinueSetup());
  }
  btnCancelSearch->SetFocus();
}

void TFormSearching::tmrClickOKTimer() {
  if (Countdown > 0) {
    --Countdown;
    btnCancelSearch->SetCaption(i18n::FormatText("%s(%2d)", i18n::StrContinueSetup(), Countdown));
    return;
  }
  tmrClickOK->SetEnabled(false);
  btnCancelSearch->Click();
}

}  // namespace search
