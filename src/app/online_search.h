// The online search of an installation: the search dialog shown modally for
// the model selected in the main window, with the main window out of sight.
//
//   if (ShowSearchDialog(main, dialog) == ui::ModalResult::Cancel) online = false;
#pragma once
#include "app/main_form.h"
#include "search/searching_form.h"

namespace app {

// Sets the dialog's ShowPrompt from the selected model's PromptCheck, hides
// the main window and shows the dialog modally. Returns its modal result:
// Cancel (2) when the user gave up the search. An exception inside the dialog
// is swallowed; the result is then whatever the dialog had reached.
ui::ModalResult ShowSearchDialog(TMainForm& main, search::TFormSearching& dialog);

}  // namespace app
