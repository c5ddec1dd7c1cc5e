#include "app/online_search.h"

#include <exception>

namespace app {

ui::ModalResult ShowSearchDialog(TMainForm& main, search::TFormSearching& dialog) {
  int index = main.LvPrinters->ItemIndex();
  dialog.ShowPrompt = main.IniOptions && main.IniOptions->GetOption(index).PromptCheck;
  main.Hide();
  try {
    return dialog.ShowModal();
  } catch (const std::exception&) {
  } catch (...) {
  }
  return dialog.GetModalResult();
}

}  // namespace app
