#include "app/welcome_form.h"

#include "i18n/catalogue.h"
#include "platform/platform.h"

namespace app {

TWelcomeForm::TWelcomeForm() : ui::Form("TWelcomeForm") {
  SetCaption("Welcome");
  border = ui::BorderStyle::None;
  SetClientSize(602, 365);
  SetBounds(0, 0, 604, 367);  // a one-pixel border
  position = ui::Position::ScreenCenter;

  ShpBack = new ui::Shape(this, "ShpBack");
  ShpBack->SetAlign(ui::Align::Client);
  ShpBack->SetBounds(0, 0, 602, 365);
  ShpBack->SetColor(ui::kSkyBlue);
  LblTitle = new ui::Label(this, "LblTitle");
  LblTitle->alignment = ui::TextAlign::Center;
  LblTitle->transparent = true;
  LblTitle->SetFont({"Tahoma", 21, false, ui::kBlack});
  LblTitle->SetBounds(8, 32, 586, 97);
  LblTitle->SetCaption("Welcome To Use Our Printers");
  LblStarting = new ui::Label(this, "LblStarting");
  LblStarting->transparent = true;
  LblStarting->SetFont({"Tahoma", 16, false, ui::kBlack});
  LblStarting->SetBounds(216, 160, 216, 25);
  LblStarting->SetCaption("Loading");
  PnlShow = new ui::Panel(this, "PnlShow");
  PnlShow->SetColor(ui::kWhite);
  PnlShow->SetBounds(1, 208, 600, 105);
  PnlShow->SetAnchors(ui::kAnchorLeft | ui::kAnchorRight | ui::kAnchorBottom);

  struct Place {
    ui::Image*& image;
    const char* name;
    int left, top, width, height;
  };
  const Place places[] = {{Img01, "Img01", 56, 24, 80, 53},
                          {Img02, "Img02", 176, 16, 100, 67},
                          {Img03, "Img03", 312, 16, 80, 69},
                          {Img04, "Img04", 456, 16, 70, 73}};
  for (size_t i = 0; i < 4; ++i) {
    const Place& p = places[i];
    p.image = new ui::Image(PnlShow, p.name);
    p.image->autoSize = true;
    p.image->transparent = true;
    p.image->SetVisible(false);
    p.image->SetBounds(p.left, p.top, p.width, p.height);
    // The pictures are part of the window: decoded as it is made.
    if (auto jpeg = plat::sys().LoadDataResource(kWelcomePictures[i])) p.image->SetJpeg(*jpeg);
  }

  TimerShow = std::make_unique<ui::Timer>(this, "TimerShow");
  TimerShow->SetEnabled(false);  // started by FormShow
  TimerShow->OnTimer = [this] { TimerShowTimer(); };
  OnShow = [this] { FormShow(); };
  OnClose = [this] { FormClose(); };
}

void TWelcomeForm::FormCreate() {
  LblTitle->SetFontColor(i18n::TitleColor());
  LblTitle->SetCaption(i18n::StrWelcomeBanner());
  LblStarting->SetCaption(i18n::StrLoading());
}

void TWelcomeForm::FormShow() {
  step_ = 1;
  TimerShow->SetInterval(kWelcomeStepMs);
  TimerShow->SetEnabled(true);
}

void TWelcomeForm::TimerShowTimer() {
  ui::Image* const pictures[] = {Img01, Img02, Img03, Img04};
  if (step_ >= 1 && step_ <= 4) {
    pictures[step_ - 1]->SetVisible(true);
    LblStarting->SetCaption(LblStarting->Caption() + " .");
    ++step_;
  } else if (step_ == 5) {
    Finish();
  }
}

void TWelcomeForm::Finish() {
  step_ = 0;
  Hide();
  TimerShow->SetEnabled(false);
  ui::app().showMainForm = true;
  if (ui::Form* main = ui::app().MainForm()) {
    main->SetAlphaBlend(false);
    main->SetAlphaBlendValue(200);
  }
}

void TWelcomeForm::FormClose() {
  // Closed before its end (Alt+F4), the splash must still give the main
  // window back: otherwise it would stay transparent for good.
  if (step_ != 0) Finish();
}

void ShowWelcomeSplash(std::unique_ptr<TWelcomeForm>& slot) {
  slot = std::make_unique<TWelcomeForm>();
  // Its window belongs to the main window's, so that it stays above it: the
  // main window comes up after it, transparent, and where the system cannot
  // blend (an X server without a compositor) it would cover the splash.
  slot->owner = ui::app().MainForm();
  ui::app().AddForm(slot.get());
  slot->FormCreate();
  slot->Show();
  slot->Repaint();
}

}  // namespace app
