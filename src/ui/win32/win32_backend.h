// The form runtime on real windows, one backend object in three files:
// messages.cpp (loops, window procedures, keyboard, timers, message boxes),
// controls.cpp (the windows of forms and controls, kept up to date with their
// state) and paint.cpp (backgrounds, colours, fonts, glyphs and pictures).
// Every control of a form is a child window of the form itself (placed at
// its offset in the form), so that all notifications reach one window procedure.
#pragma once
#include "platform/win32/windows_lean.h"

#include <map>
#include <string>

#include "platform/win32/scoped_handle.h"
#include "ui/backend.h"
#include "ui/debug_check.h"

namespace ui::win32 {

class Win32Backend final : public Backend {
 public:
  static Win32Backend& Self();

  // --- Backend: controls.cpp
  void ControlChanged(Control& c, Prop p) override;
  void ControlDestroyed(Control& c) override;
  void ShowForm(Form& f, bool show) override;
  void ActivateForm(Form& f) override;
  uintptr_t Handle(Form& f) override;
  void SetFocus(Control& c) override;
  void ZOrder(Form& f, bool top, bool topmost) override;

  // --- Backend: messages.cpp
  void TimerChanged(Timer& t) override;
  void TimerDestroyed(Timer& t) override;
  ModalResult RunModal(Form& f) override;
  void RunLoop() override;
  void Quit() override;
  void ProcessMessages() override;
  int MessageBox(Form* owner, const std::string& text, const std::string& caption,
                 uint32_t flags) override;
  int MessageBoxIn(Form* owner, const std::string& text, unsigned textCodePage,
                   const std::string& caption, unsigned captionCodePage, uint32_t flags) override;
  void SetScreenCursor(Cursor c) override;
  void ApplicationTitleChanged(const std::string&) override {}
  void ShowException(const std::string& message) override;

 private:
  // --- messages.cpp
  static LRESULT CALLBACK FormProc(HWND h, UINT m, WPARAM w, LPARAM l);
  static LRESULT CALLBACK TimerProc(HWND h, UINT m, WPARAM w, LPARAM l);
  static LRESULT CALLBACK LabelProc(HWND h, UINT m, WPARAM w, LPARAM l);
  LRESULT HandleFormMessage(HWND h, UINT m, WPARAM w, LPARAM l);
  // Each true when it handled the message (else DefWindowProc has it).
  bool OnCommand(WPARAM w, LPARAM l);
  bool OnNotify(const NMHDR& hdr, LPARAM l);
  bool OnActivate(Form& f, WPARAM w);
  void Dispatch(MSG& msg);
  bool HandleKey(const MSG& msg);
  Control* FocusedControl(Form& f);
  Control* FindById(UINT id);
  Form* FormOf(HWND h);
  static Control* PanelAt(Control& parent, int x, int y, int ox, int oy);
  HWND TimerWindow();

  // --- controls.cpp
  void Register();
  HWND Realize(Form& f);
  void RealizeTree(Control& c, HWND form);
  void CreateControl(Control& c, HWND form);
  void SetUpControl(Control& c, HWND h, const std::string& kind);
  void FormChanged(Form& f, HWND h, Prop p);
  void Centre(Form& f, HWND h);
  void Place(Control& c);
  void FillList(Control& c, HWND h);
  // The window the backend made for |c|, or nullptr (none yet, or none at
  // all: panels and shapes are painted by their form).
  HWND WindowOf(const Control& c) const;
  static bool FormRect(const Control& c, RECT& r);

  // --- paint.cpp
  static LRESULT CALLBACK GroupProc(HWND h, UINT m, WPARAM w, LPARAM l);
  // WM_CTLCOLOR*: the colours of one of our controls; false for another window.
  bool ControlColours(HWND control, HDC dc, LRESULT& brush);
  void PaintBackground(Form& f, HWND h, HDC dc);
  void PaintWindowless(Control& parent, HDC dc);
  Color ColourBeneath(Control& c);
  static bool FindBeneath(Control& parent, Control& c, POINT mid, Color& found);
  static bool Windowless(const Control& c);
  static bool HighContrast();
  HBRUSH Brush(Color c);
  void ApplyFont(Control& c, HWND h);
  void ApplyGlyph(Button& b, HWND h);
  void ApplyPicture(Control& c, HWND h);
  void ApplyLargeImages(ListView& v, HWND h);
  static HICON ProgramIcon(int size);

  bool registered_ = false, filling_ = false;
  UINT nextId_ = 1000;
  HWND timerWindow_ = nullptr;
  WNDPROC staticProc_ = nullptr;
  WNDPROC groupProc_ = nullptr;
  // Each window the backend made and its control (the other way round:
  // WindowOf, a search, since a form has a few dozen controls at most).
  std::map<HWND, Control*> controls_;
  std::map<UINT, Control*> ids_;
  std::map<UINT_PTR, Timer*> timers_;
  // The GDI objects the windows use, deleted with the backend.
  std::map<std::string, plat::win32::ScopedGdiObject> fonts_;
  std::map<Color, plat::win32::ScopedGdiObject> brushes_;
  std::map<std::string, plat::win32::ScopedGdiObject> glyphs_;
  std::map<HWND, plat::win32::ScopedGdiObject> pictures_;  // an image control's bitmap
};

}  // namespace ui::win32
