#include "app/program.h"

#include "i18n/catalogue.h"
#include "platform/platform.h"
#include "services/log.h"
#include "ui/ui.h"

namespace app {

std::unique_ptr<Program> StartProgram(const std::string& brand, SplashShower splash) {
  // Module start-up: the catalogue in the system's default language.
  i18n::FillCatalogue(brand);
  services::ResetLog();
  // The outcome file is named before the first outcome can be written (a
  // hidden program without models ends in the main window's creation). A
  // relative name is taken from where the program was started.
  DeploymentSwitches deployment = ReadDeploymentSwitches(plat::sys().CommandArgs());
  if (!deployment.outcomeFile.empty())
    deployment.outcomeFile = plat::files().GetFullPathName(deployment.outcomeFile);
  services::SetOutcomeFile(deployment.outcomeFile);
  // The log's message-box mode shows an ownerless box with the information icon.
  services::SetLogMessageBox([](const std::string& text, const std::string& caption) {
    ui::app().MessageBox(text, caption, ui::kMbIconInformation);
  });

  auto p = std::make_unique<Program>();
  p->deployment = deployment;
  p->mainForm = std::make_unique<TMainForm>();
  Program* program = p.get();
  if (splash)
    p->mainForm->showWelcomeSplash = [program, splash](TMainForm&) {
      splash(program->welcomeForm);
    };
  ui::app().AddForm(p->mainForm.get());
  p->mainForm->FormCreate();

  // The search dialog and its prompt, reused by every installation.
  p->formSearching = std::make_unique<search::TFormSearching>();
  ui::app().AddForm(p->formSearching.get());
  p->formSearching->owner = p->mainForm.get();
  TMainForm* main = p->mainForm.get();
  p->formSearching->debugMode = [main] { return main->DebugMode; };
  p->formSearching->detectConnectedPort = [main](std::string& port) {
    return main->DetectConnectedPort(port);
  };
  p->formSearching->FormCreate();
  p->formPromptCheck = std::make_unique<search::TFormPromptCheck>();
  ui::app().AddForm(p->formPromptCheck.get());
  p->formPromptCheck->FormCreate();
  p->formSearching->promptCheck = p->formPromptCheck.get();
  p->mainForm->FormSearching = p->formSearching.get();
  p->formTest = std::make_unique<diag::TFormTest>();
  ui::app().AddForm(p->formTest.get());
  p->formTest->FormCreate();
  p->mainForm->FormTest = p->formTest.get();
  ui::app().SetTitle(i18n::StrAppTitle());
  return p;
}

int RunProgram(Program& p) {
  ui::app().Run();
  // An attempt still waiting for its outcome when the program ends says so.
  services::EndInstallAttempt("unfinished");
  return p.deployment.exitCodes ? ExitCodeFor(services::LastInstallOutcome()) : 0;
}

int ProgramMain(const std::string& brand, SplashShower splash) {
  auto p = StartProgram(brand, splash);
  return RunProgram(*p);
}

}  // namespace app
