// The program entry shared by the Windows program and setup-sim: module
// start-up, the forms in their order, the application title, the loop.
#pragma once
#include <memory>

#include "app/main_form.h"
#include "diag/test_form.h"
#include "search/prompt_check_form.h"
#include "search/searching_form.h"

namespace app {

// The forms of the program, created at start-up and living until the end.
struct Program {
  std::unique_ptr<TMainForm> mainForm;
  std::unique_ptr<search::TFormSearching> formSearching;
  std::unique_ptr<search::TFormPromptCheck> formPromptCheck;
  std::unique_ptr<diag::TFormTest> formTest;
};

// Module start-up and the creation of the forms, up to the message loop.
std::unique_ptr<Program> StartProgram();
// Shows the main window (unless told not to) and runs the loop until it closes.
void RunProgram(Program& p);
// Both; always returns 0.
int ProgramMain();

}  // namespace app
