// The program entry shared by the Windows program and setup-sim: module
// start-up, the forms in their order, the application title, the loop.
#pragma once
#include <memory>
#include <string>

#include "app/deployment.h"
#include "app/main_form.h"
#include "app/welcome_form.h"
#include "diag/diagnostics_form.h"
#include "i18n/catalogue.h"
#include "search/prompt_check_form.h"
#include "search/searching_form.h"

namespace app {

// The forms of the program, created at start-up and living until the end.
struct Program {
  std::unique_ptr<TMainForm> mainForm;
  std::unique_ptr<search::TFormSearching> formSearching;
  std::unique_ptr<search::TFormPromptCheck> formPromptCheck;
  std::unique_ptr<diag::TFormTest> formTest;
  // Only when the main window's creation showed it.
  std::unique_ptr<TWelcomeForm> welcomeForm;
  DeploymentSwitches deployment;
};

// Shows the welcome splash in the slot given; null where the program cannot
// show it (a brand's program that never does leaves the splash, its
// pictures and the JPEG decoder out).
using SplashShower = void (*)(std::unique_ptr<TWelcomeForm>& slot);

// Module start-up and the creation of the forms, up to the message loop.
// |brand| is the program's brand key, fixed by the build (tests take the
// default one).
std::unique_ptr<Program> StartProgram(const std::string& brand = i18n::kDefaultBrand,
                                      SplashShower splash = &ShowWelcomeSplash);
// Shows the main window (unless told not to) and runs the loop until it
// closes. Returns the process's exit code: 0, or with "/ExitCodes" the code
// of the last attempt's outcome.
int RunProgram(Program& p);
// Both.
int ProgramMain(const std::string& brand, SplashShower splash);

}  // namespace app
