// Forms and the application object: state here, windows and loops in the backend.
#include <algorithm>

#include "ui/backend.h"
#include "ui/ui.h"

namespace ui {

// --- Form ----------------------------------------------------------------

Form::Form(std::string name) : Control(nullptr, std::move(name)) {}

Form::~Form() {
  while (!timers_.empty()) delete timers_.back();
  // The children go while this is still a Form, so that they find their owner.
  while (!Children().empty()) delete Children().back();
  app().RemoveForm(this);
}

void Form::SetClientSize(int w, int h) {
  clientWidth_ = std::max(0, w), clientHeight_ = std::max(0, h);
  Changed(Prop::Bounds);
}

void Form::SetAlphaBlend(bool on) {
  alphaBlend_ = on;
  Changed(Prop::Alpha);
}

void Form::SetAlphaBlendValue(uint8_t v) {
  alphaValue_ = v;
  Changed(Prop::Alpha);
}

void Form::SetModalResult(ModalResult r) { modalResult_ = r; }

void Form::Show() {
  if (!showing_) {
    showing_ = true;
    if (OnShow) OnShow();
    backend().ShowForm(*this, true);
  }
  Activate();
}

void Form::Hide() {
  if (!showing_) return;
  showing_ = false;
  backend().ShowForm(*this, false);
}

ModalResult Form::ShowModal() {
  if (modal_ || showing_) return ModalResult::None;  // already up: not shown twice
  modalResult_ = ModalResult::None;
  modal_ = true;
  // Also when a handler throws: the form must not stay modal and on screen.
  struct Down {
    Form* f;
    ~Down() {
      f->modal_ = false;
      f->Hide();
    }
  } down{this};
  Show();
  return backend().RunModal(*this);
}

void Form::Close() {
  if (OnClose) OnClose();
  if (modal_) {
    // The modal loop ends and hides the form.
    if (modalResult_ == ModalResult::None) modalResult_ = ModalResult::Cancel;
    return;
  }
  Hide();
  if (app().MainForm() == this) app().Terminate();
}

void Form::Activate() { backend().ActivateForm(*this); }

void Form::BringToTop() { backend().ZOrder(*this, true, topmost_); }

void Form::SetTopmost(bool on) {
  topmost_ = on;
  backend().ZOrder(*this, false, on);
}

uintptr_t Form::Handle() { return backend().Handle(*this); }

int Form::MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  return backend().MessageBox(this, text, caption, flags);
}

int Form::MessageBoxIn(const std::string& text, unsigned textCodePage, const std::string& caption,
                       unsigned captionCodePage, uint32_t flags) {
  return backend().MessageBoxIn(this, text, textCodePage, caption, captionCodePage, flags);
}

void Form::Repaint() { Changed(Prop::Other); }

Control* Form::FindControl(const std::string& name) {
  std::vector<Control*> todo(Children().begin(), Children().end());
  while (!todo.empty()) {
    Control* c = todo.back();
    todo.pop_back();
    if (c->Name() == name) return c;
    todo.insert(todo.end(), c->Children().begin(), c->Children().end());
  }
  return nullptr;
}

Button* Form::DefaultButton(bool cancel) {
  std::vector<Control*> todo(Children().rbegin(), Children().rend());
  while (!todo.empty()) {
    Control* c = todo.back();
    todo.pop_back();
    if (!c->Visible() || !c->Enabled()) continue;
    if (auto* b = dynamic_cast<Button*>(c); b && (cancel ? b->IsCancel() : b->IsDefault())) return b;
    todo.insert(todo.end(), c->Children().rbegin(), c->Children().rend());
  }
  return nullptr;
}

// Lays out the children of |parent| after its client area went from
// (ow, oh) to (w, h): aligned children share the area in order, the others
// keep the distances to the edges they are anchored to. A child whose size
// changes lays out its own children (Control::SetBounds).
void LayoutChildren(Control& parent, int ow, int oh, int w, int h) {
  int top = 0, bottom = h, left = 0, right = w;
  for (Control* c : parent.Children()) {
    switch (c->GetAlign()) {
      case Align::Top: c->SetBounds(left, top, right - left, c->Height()), top += c->Height(); break;
      case Align::Bottom:
        bottom -= c->Height(), c->SetBounds(left, bottom, right - left, c->Height());
        break;
      case Align::Left: c->SetBounds(left, top, c->Width(), bottom - top), left += c->Width(); break;
      case Align::Right:
        right -= c->Width(), c->SetBounds(right, top, c->Width(), bottom - top);
        break;
      case Align::Client: break;  // after the others
      case Align::None: {
        int dx = w - ow, dy = h - oh, x = c->Left(), y = c->Top(), cw = c->Width(), ch = c->Height();
        uint8_t a = c->GetAnchors();
        if (a & kAnchorRight) {
          if (a & kAnchorLeft) cw += dx; else x += dx;
        }
        if (a & kAnchorBottom) {
          if (a & kAnchorTop) ch += dy; else y += dy;
        }
        c->SetBounds(x, y, cw, ch);
        break;
      }
    }
  }
  for (Control* c : parent.Children())
    if (c->GetAlign() == Align::Client) c->SetBounds(left, top, right - left, bottom - top);
}

void Form::ClientResized(int w, int h) {
  int ow = clientWidth_, oh = clientHeight_;
  clientWidth_ = w, clientHeight_ = h;
  if (ow == w && oh == h) return;
  LayoutChildren(*this, ow, oh, w, h);
  if (OnResize) OnResize();
}

// --- Application ---------------------------------------------------------

Application& app() {
  static Application a;
  return a;
}

void Application::SetTitle(const std::string& t) {
  title_ = t;
  backend().ApplicationTitleChanged(t);
}

void Application::AddForm(Form* f) {
  if (!f || std::find(forms_.begin(), forms_.end(), f) != forms_.end()) return;
  forms_.push_back(f);
  if (!mainForm_) mainForm_ = f;
}

void Application::RemoveForm(Form* f) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), f), forms_.end());
  if (mainForm_ == f) mainForm_ = nullptr;
}

void Application::Reset() {
  forms_.clear();
  mainForm_ = nullptr;
  terminated_ = false;
}

void Application::Run() {
  if (terminated_) return;
  if (mainForm_ && showMainForm) mainForm_->Show();
  // A hidden main form has its window all the same: other programs find it
  // and post it messages.
  else if (mainForm_) mainForm_->Handle();
  backend().RunLoop();
}

void Application::ProcessMessages() { backend().ProcessMessages(); }

int Application::MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  return backend().MessageBox(nullptr, text, caption, flags);
}

int Application::MessageBoxIn(const std::string& text, unsigned textCodePage, const std::string& caption,
                              unsigned captionCodePage, uint32_t flags) {
  return backend().MessageBoxIn(nullptr, text, textCodePage, caption, captionCodePage, flags);
}

void Application::Terminate() {
  terminated_ = true;
  backend().Quit();
}

void Application::SetScreenCursor(Cursor c) { backend().SetScreenCursor(c); }

void Application::ShowException(const std::string& message) { backend().ShowException(message); }

}  // namespace ui
