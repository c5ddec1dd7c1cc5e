// The connection prompt: asks the user to connect and switch on the printer
// before the search dialog looks for it. One button; however it is closed,
// the search follows.
#pragma once
#include "ui/ui.h"

namespace search {

class TFormPromptCheck : public ui::Form {
 public:
  TFormPromptCheck();

  // Events
  void FormCreate() {}
  void FormShow();
  void btnOKClick();

  // Components
  ui::Label* lblPromptCheckLabel;
  ui::Label* lblPromprCheckInfo;
  ui::Button* btnOK;
};

}  // namespace search
