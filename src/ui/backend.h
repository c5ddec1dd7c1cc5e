// What a UI backend provides to the form runtime. One backend per build:
// win32 (real windows) or headless (state only, virtual clock).
#pragma once
#include <cstdint>
#include <string>

#include "ui/ui.h"

namespace ui {

class Backend {
 public:
  virtual ~Backend() = default;

  virtual void ControlChanged(Control& c, Prop p) = 0;
  virtual void ControlDestroyed(Control& c) = 0;
  virtual void TimerChanged(Timer& t) = 0;  // interval or enabled changed
  virtual void TimerDestroyed(Timer& t) = 0;

  virtual void ShowForm(Form& f, bool show) = 0;
  virtual void ActivateForm(Form& f) = 0;
  // Runs a modal loop until the form's modal result is set (or it is hidden).
  virtual ModalResult RunModal(Form& f) = 0;
  // The application's message loop, until Quit.
  virtual void RunLoop() = 0;
  virtual void Quit() = 0;
  virtual void ProcessMessages() = 0;
  virtual int MessageBox(Form* owner, const std::string& text, const std::string& caption,
                         uint32_t flags) = 0;
  // As MessageBox, for fixed texts written in one code page whatever the
  // system's, so that they read right on every system language; each text
  // names its code page (0: the system's ANSI code page).
  virtual int MessageBoxIn(Form* owner, const std::string& text, unsigned textCodePage,
                           const std::string& caption, unsigned captionCodePage, uint32_t flags) {
    (void)textCodePage, (void)captionCodePage;
    return MessageBox(owner, text, caption, flags);
  }
  virtual uintptr_t Handle(Form& f) = 0;
  virtual void SetFocus(Control& c) = 0;
  virtual void ZOrder(Form& f, bool top, bool topmost) = 0;
  virtual void SetScreenCursor(Cursor c) = 0;
  virtual void ApplicationTitleChanged(const std::string& title) = 0;
  virtual void ShowException(const std::string& message) = 0;

 protected:
  // The user moved the focus by the mouse or the window manager: the form
  // learns it without being asked to move it.
  static void NoteFocus(Form& f, Control* c) { f.activeControl_ = c; }
};

// The backend in use (the build's default unless replaced, e.g. by a test).
Backend& backend();
void SetBackend(Backend* b);
Backend* DefaultBackend();

}  // namespace ui
