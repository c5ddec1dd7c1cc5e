#include "app/online_search.h"

#include <exception>

namespace app {

ui::ModalResult ShowSearchDialog(TMainForm& main, search::TFormSearching& dialog) {
  dialog.ShowPrompt = main.IniOptions && main.AttemptModel().PromptCheck;
  main.Hide();
  try {
    return dialog.ShowModal();
  } catch (const std::exception&) {
  } catch (...) {
  }
  return dialog.GetModalResult();
}

}  // namespace app
