// The diagnostics form: runs single services of the installer by hand and
// shows what they return. The main window opens it modally on a double-click
// of its printer panel when the debug marker existed at start-up.
#pragma once
#include <string>
#include <vector>

#include "ui/ui.h"

namespace diag {

class TFormTest : public ui::Form {
 public:
  TFormTest();

  // Events
  void FormCreate() {}
  void btn1Click();
  void BtnReadIniClick();
  void BtnInstallPrinterClick();
  void BtnSetPrinterPropertyClick();
  void btnRunClick();

  // Components, in tab order
  ui::Button* btn1;
  ui::RichEdit* RedtResults;
  ui::Button* BtnReadIni;
  ui::Button* BtnInstallPrinter;
  ui::Button* btnClose;
  ui::Button* BtnSetPrinterProperty;
  ui::Edit* mmo1;
  ui::Button* btnRun;

 private:
  // Runs a console command and adds what it writes to |lines|, one item per
  // read and one after the end; the hourglass shows meanwhile. A command that
  // cannot be run is reported in a message box.
  void CaptureCommandOutput(const std::string& command, std::vector<std::string>& lines);
};

// The longest command line the runner takes: it is held in 255 bytes with
// its terminating zero. A longer one is refused, not cut.
constexpr size_t kMaxTestCommand = 254;

}  // namespace diag
