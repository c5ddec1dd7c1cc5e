// The welcome splash of the maker's own brand: a title, a "Loading" line
// that grows by " ." a step, and four product pictures one after another;
// after the last it hides and lets the (until then transparent) main window
// be seen, opaque.
#pragma once
#include <cstdint>
#include <memory>

#include "ui/ui.h"

namespace app {

// The data resources (RCDATA) of the four JPEG pictures, Img01 to Img04.
inline constexpr const char* kWelcomePictures[4] = {"TWELCOMEFORM_IMG01", "TWELCOMEFORM_IMG02",
                                                    "TWELCOMEFORM_IMG03", "TWELCOMEFORM_IMG04"};
inline constexpr uint32_t kWelcomeStepMs = 800;

class TWelcomeForm : public ui::Form {
 public:
  // Lays the window out and decodes its pictures; one that does not decode
  // stays empty and the splash goes on without it.
  TWelcomeForm();

  // Events
  void FormCreate();
  void FormShow();
  void TimerShowTimer();
  void FormClose();

  // The next step of the timer: 1 to 4 show a picture, 5 ends the splash.
  int Step() const { return step_; }

  // Components
  ui::Shape* ShpBack;
  ui::Label* LblTitle;
  ui::Label* LblStarting;
  ui::Panel* PnlShow;
  ui::Image* Img01;
  ui::Image* Img02;
  ui::Image* Img03;
  ui::Image* Img04;
  std::unique_ptr<ui::Timer> TimerShow;

 private:
  void Finish();
  int step_ = 0;
};

// Creates the splash (kept in |slot| until the program ends), shows it and
// paints it at once, as the main window's creation does for the maker's brand.
void ShowWelcomeSplash(std::unique_ptr<TWelcomeForm>& slot);

}  // namespace app
