#include "search/prompt_check_form.h"

#include "i18n/catalogue.h"
#include "search/dialog_title.h"

namespace search {

TFormPromptCheck::TFormPromptCheck() : ui::Form("TFormPromptCheck") {
  border = ui::BorderStyle::Dialog;
  position = ui::Position::ScreenCenter;
  SetClientSize(341, 143);
  SetBounds(0, 0, 347, 170);
  SetFont({"Tahoma", 13, false, ui::kBlack});

  lblPromptCheckLabel = MakeTitle(this, "lblPromptCheckLabel", false);

  lblPromprCheckInfo = new ui::Label(this, "lblPromprCheckInfo");
  lblPromprCheckInfo->wordWrap = true;
  lblPromprCheckInfo->SetFont(GetFont());
  lblPromprCheckInfo->SetBounds(8, 47, 325, 40);

  btnOK = new ui::Button(this, "btnOK");
  btnOK->SetDefault(true);
  btnOK->SetTabOrder(0);
  btnOK->SetFont(GetFont());
  btnOK->SetBounds(125, 102, 97, 33);

  OnShow = [this] { FormShow(); };
  btnOK->OnClick = [this] { btnOKClick(); };
}

void TFormPromptCheck::FormShow() {
  SetCaption(i18n::StrInfos());
  lblPromptCheckLabel->SetCaption(i18n::StrPrepareSearch());
  lblPromprCheckInfo->SetCaption(i18n::StrConnectPrinter());
  btnOK->SetCaption(i18n::StrOK());
}

void TFormPromptCheck::btnOKClick() { Close(); }

}  // namespace search
