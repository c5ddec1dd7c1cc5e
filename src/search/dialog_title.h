// What the two search dialogs share: the title line centred across the top.
#pragma once
#include <string>

#include "ui/ui.h"

namespace search {

inline ui::Label* MakeTitle(ui::Form* form, std::string name, bool bold) {
  auto* title = new ui::Label(form, std::move(name));
  title->SetAlign(ui::Align::Top);
  title->alignment = ui::TextAlign::Center;
  title->SetFont({"Tahoma", 16, bold, ui::kBlack});
  title->SetBounds(0, 0, form->ClientWidth(), 25);
  return title;
}

}  // namespace search
