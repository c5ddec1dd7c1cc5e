// The search dialog: looks for the connected printer once a second for ten
// seconds, then tells whether one was found and, if so, continues by itself
// after a ten-second countdown. Modal result 2 means the user gave up the
// search (the installation goes on offline); 1 and 6 let it go on online.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "services/detection.h"
#include "ui/ui.h"

namespace search {

class TFormPromptCheck;

class TFormSearching : public ui::Form {
 public:
  TFormSearching();
  ~TFormSearching() override;

  // What the dialog needs of the main window, wired at start-up: the port
  // detection for the selected model (0 nothing found, the port cleared) and
  // whether the debug marker existed. Unset hooks find nothing / mean false.
  std::function<services::PortFound(std::string& port)> detectConnectedPort;
  std::function<bool()> debugMode;
  // Shown first when ShowPrompt is set; may be null.
  TFormPromptCheck* promptCheck = nullptr;

  // Events
  void FormCreate();
  void FormShow();
  void FormActivate();
  void FormClose();
  void btnReSearchClick();
  void btnCancelSearchClick();
  void tmrStepsTimer();
  void tmrClickOKTimer();

  // Operations
  void StartSearch();
  void FinishSearch();

  // Components
  ui::Label* lblSearch;
  ui::ProgressBar* pbSteps;
  ui::Label* lblNotFound;
  ui::Button* btnReSearch;
  ui::Button* btnCancelSearch;
  std::unique_ptr<ui::Timer> tmrSteps;
  std::unique_ptr<ui::Timer> tmrClickOK;

  // State
  bool Found = false;
  std::string FoundPort;
  int32_t Countdown = 0;
  bool ShowPrompt = false;
};

}  // namespace search
