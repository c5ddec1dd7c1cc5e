#include "diag/diagnostics_form.h"

#include "config/options.h"
#include "i18n/catalogue.h"
#include "services/driver_install.h"
#include "services/inf_reader.h"
#include "services/printer_setup.h"
#include "services/runcmd.h"

namespace diag {
namespace {

// 运行命令 (run command), in GBK.
constexpr const char kRunCommand[] = "\xD4\xCB\xD0\xD0\xC3\xFC\xC1\xEE";

ui::Button* NewButton(ui::Form* form, const char* name, const std::string& caption, int left,
                      int top, int width, int height, int tab) {
  auto* b = new ui::Button(form, name);
  b->SetCaption(caption);
  b->SetBounds(left, top, width, height);
  b->SetTabOrder(tab);
  b->SetFont(form->GetFont());
  return b;
}

// The options of install.ini in the current directory, read afresh.
config::TIniOptions ReadOptions() {
  config::TIniOptions ini;
  ini.LoadFromFile("install.ini");
  return ini;
}

}  // namespace

TFormTest::TFormTest() : ui::Form("TFormTest") {
  SetCaption("FormTest");
  position = ui::Position::ScreenCenter;
  SetClientSize(549, 438);
  SetBounds(0, 0, 557, 465);
  SetFont({"Tahoma", 11, false, ui::kBlack});

  btn1 = NewButton(this, "btn1", "Find HWID", 8, 18, 177, 25, 0);
  RedtResults = new ui::RichEdit(this, "RedtResults");
  RedtResults->SetBounds(192, 18, 349, 412);
  RedtResults->SetTabOrder(1);
  RedtResults->SetFont(GetFont());
  RedtResults->SetCaption("RedtResults");
  BtnReadIni = NewButton(this, "BtnReadIni", "BtnReadIni", 8, 56, 177, 25, 2);
  BtnInstallPrinter = NewButton(this, "BtnInstallPrinter", "BtnInstallPrinter", 8, 96, 177, 25, 3);
  btnClose = NewButton(this, "btnClose", "&Close", 5, 400, 180, 30, 4);
  btnClose->hasPicture = true;
  btnClose->SetButtonKind(ui::ButtonKind::Close);
  BtnSetPrinterProperty =
      NewButton(this, "BtnSetPrinterProperty", "BtnSetPrinterProperty", 8, 136, 178, 25, 5);
  mmo1 = new ui::Edit(this, "mmo1");
  mmo1->multiLine = true;
  mmo1->SetBounds(1, 296, 185, 89);
  mmo1->SetTabOrder(6);
  mmo1->SetFont(GetFont());
  mmo1->SetCaption("cmd /c sc query PKPrnMon");
  btnRun = NewButton(this, "btnRun", kRunCommand, 1, 265, 178, 25, 7);

  btn1->OnClick = [this] { btn1Click(); };
  BtnReadIni->OnClick = [this] { BtnReadIniClick(); };
  BtnInstallPrinter->OnClick = [this] { BtnInstallPrinterClick(); };
  BtnSetPrinterProperty->OnClick = [this] { BtnSetPrinterPropertyClick(); };
  btnRun->OnClick = [this] { btnRunClick(); };
}

// With no model in install.ini the first-model buttons do nothing.
void TFormTest::btn1Click() {
  const config::TIniOptions ini = ReadOptions();
  if (ini.Count == 0) return;
  const std::string inf = ini.GetOption(0).InstallSettingFile2K;
  std::string hwId, compatId, name;
  if (services::ReadInfHardwareIds(inf, hwId, compatId) > 0)
    RedtResults->AppendLine("HWID=" + hwId);
  if (services::ReadInfModelName(inf, name)) RedtResults->AppendLine("PrinterName=" + name);
}

void TFormTest::BtnReadIniClick() {
  const config::TIniOptions ini = ReadOptions();
  for (int i = 0; i < ini.Count; ++i)
    RedtResults->AppendLine(ini.GetOption(i).InstallSettingFile2K);
}

void TFormTest::BtnInstallPrinterClick() {
  const config::TIniOptions ini = ReadOptions();
  if (ini.Count == 0) return;
  const config::TOption model = ini.GetOption(0);
  int32_t code = 0;
  std::string port;
  try {
    services::InstallDriverByDll(Handle(), code, model.InstallSettingFile2K, false, port,
                                 model.InstallDll2K, model.OfflinePrefix);
  } catch (const std::exception& e) {
    ui::app().ShowException(e.what());
  }
}

void TFormTest::BtnSetPrinterPropertyClick() {
  services::TChangePrinterInfo info;
  info.printerName = "Pellacor FQ-210K+";
  info.portName = "LPT1:";
  services::ChangePrinterProperties(info);
}

void TFormTest::btnRunClick() {
  std::vector<std::string> lines;
  CaptureCommandOutput(mmo1->Caption(), lines);
  std::string joined;
  for (const std::string& l : lines) joined += l + "\r\n";
  const size_t at = joined.find("FAILED 1060");
  if (at != std::string::npos)
    ui::app().MessageBox(std::to_string(at + 1), i18n::StrAppTitle(), ui::kMbOk);
  RedtResults->SetLines(lines);
}

// Boxes as the application shows a plain message: its title as caption.
// The installer's command runner does the work: it waits for the command
// instead of polling the pipe without pause.
void TFormTest::CaptureCommandOutput(const std::string& command, std::vector<std::string>& lines) {
  ui::app().SetScreenCursor(ui::Cursor::HourGlass);
  struct Restore {
    ~Restore() { ui::app().SetScreenCursor(ui::Cursor::Default); }
  } restore;
  if (command.empty() || command.size() > kMaxTestCommand) {
    ui::app().MessageBox("can not create process", i18n::StrAppTitle(), ui::kMbOk);
    return;
  }
  std::vector<std::string> out;
  const int r = services::RunCMD(command, out);
  if (r == -1) {
    ui::app().MessageBox("Can not create pipe!", i18n::StrAppTitle(), ui::kMbOk);
    return;
  }
  if (r == -2) {
    ui::app().MessageBox("can not create process", i18n::StrAppTitle(), ui::kMbOk);
    return;
  }
  lines.insert(lines.end(), out.begin(), out.end());
}

}  // namespace diag
