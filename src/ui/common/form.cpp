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

void Form::SetAlphaBlend(bool on) { Store(alphaBlend_, on, Prop::Alpha); }
void Form::SetAlphaBlendValue(uint8_t v) { Store(alphaValue_, v, Prop::Alpha); }

void Form::SetModalResult(ModalResult r) { modalResult_ = r; }

void Form::Show() {
  const bool first = !showing_;
  if (first) {
    showing_ = true;
    if (OnShow) OnShow();
    backend().ShowForm(*this, true);
  }
  Activate();
  // A form opens with the focus where the keyboard can use it: the control
  // chosen before, else the first tab stop.
  if (first && showing_) {
    if (activeControl_ && activeControl_->CanFocus())
      backend().SetFocus(*activeControl_);
    else if (Control* c = NextTabStop(nullptr, false))
      c->SetFocus();
  }
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
    if (auto* b = dynamic_cast<Button*>(c); b && (cancel ? b->IsCancel() : b->IsDefault()))
      return b;
    todo.insert(todo.end(), c->Children().rbegin(), c->Children().rend());
  }
  return nullptr;
}

// --- keyboard ----------------------------------------------------------

char Mnemonic(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    const char c = caption[i + 1];
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    return 0;
  }
  return 0;
}

namespace {

void CollectTabStops(Control& parent, std::vector<Control*>& out) {
  std::vector<Control*> kids(parent.Children());
  std::stable_sort(kids.begin(), kids.end(),
                   [](Control* a, Control* b) { return a->TabOrder() < b->TabOrder(); });
  for (Control* c : kids) {
    if (!c->Visible() || !c->Enabled()) continue;
    if (c->CanFocus()) out.push_back(c);
    CollectTabStops(*c, out);
  }
}

}  // namespace

std::vector<Control*> Form::TabStops() {
  std::vector<Control*> out;
  CollectTabStops(*this, out);
  return out;
}

Control* Form::NextTabStop(Control* from, bool backward) {
  const std::vector<Control*> stops = TabStops();
  if (stops.empty()) return nullptr;
  auto it = std::find(stops.begin(), stops.end(), from);
  if (it == stops.end()) return backward ? stops.back() : stops.front();
  const size_t i = static_cast<size_t>(it - stops.begin()), n = stops.size();
  return stops[backward ? (i + n - 1) % n : (i + 1) % n];
}

bool Form::PressKey(Key k, bool shift) {
  Control* focused = activeControl_ && activeControl_->CanFocus() ? activeControl_ : nullptr;
  auto* button = dynamic_cast<Button*>(focused);
  switch (k) {
    case Key::Tab:
      if (Control* next = NextTabStop(focused, shift)) {
        next->SetFocus();
        return true;
      }
      return false;
    case Key::Enter: {
      if (auto* e = dynamic_cast<Edit*>(focused); e && e->multiLine) return false;
      if (dynamic_cast<RichEdit*>(focused)) return false;
      Button* b = button ? button : DefaultButton(false);
      if (!b) return false;
      b->Click();
      return true;
    }
    case Key::Escape:
      if (Button* b = DefaultButton(true)) {
        b->Click();
        return true;
      }
      return false;
    case Key::Space:
      if (!button) return false;
      button->Click();
      return true;
    case Key::Up:
    case Key::Down:
    case Key::Left:
    case Key::Right:
    case Key::Home:
    case Key::End: {
      auto* list = dynamic_cast<ListBase*>(focused);
      if (!list || list->Items().empty()) return false;
      const int last = static_cast<int>(list->Items().size()) - 1, at = list->ItemIndex();
      int to = at;
      if (k == Key::Home)
        to = 0;
      else if (k == Key::End)
        to = last;
      else if (at < 0)
        to = 0;  // the first arrow picks the first item
      else if (k == Key::Up || k == Key::Left)
        to = std::max(0, at - 1);
      else
        to = std::min(last, at + 1);
      list->SetItemIndex(to);
      return true;
    }
  }
  return false;
}

Control* Form::MnemonicTarget(char letter) {
  const char want = Mnemonic(std::string("&") + letter);
  if (!want) return nullptr;
  std::vector<Control*> todo(Children().rbegin(), Children().rend());
  while (!todo.empty()) {
    Control* c = todo.back();
    todo.pop_back();
    if (!c->Visible() || !c->Enabled()) continue;
    const bool pressable = dynamic_cast<Button*>(c) || (dynamic_cast<Label*>(c) && c->OnClick);
    if (pressable && Mnemonic(c->Caption()) == want) return c;
    todo.insert(todo.end(), c->Children().rbegin(), c->Children().rend());
  }
  return nullptr;
}

bool Form::PressMnemonic(char letter) {
  Control* c = MnemonicTarget(letter);
  if (!c) return false;
  if (c->CanFocus()) c->SetFocus();
  c->Click();
  return true;
}

// Lays out the children of |parent| after its client area went from
// (ow, oh) to (w, h): aligned children share the area in order, the others
// keep the distances to the edges they are anchored to. A child whose size
// changes lays out its own children (Control::SetBounds).
void LayoutChildren(Control& parent, int ow, int oh, int w, int h) {
  int top = 0, bottom = h, left = 0, right = w;
  for (Control* c : parent.Children()) {
    switch (c->GetAlign()) {
      case Align::Top:
        c->SetBounds(left, top, right - left, c->Height()), top += c->Height();
        break;
      case Align::Bottom:
        bottom -= c->Height(), c->SetBounds(left, bottom, right - left, c->Height());
        break;
      case Align::Left:
        c->SetBounds(left, top, c->Width(), bottom - top), left += c->Width();
        break;
      case Align::Right:
        right -= c->Width(), c->SetBounds(right, top, c->Width(), bottom - top);
        break;
      case Align::Client: break;  // after the others
      case Align::None: {
        int dx = w - ow, dy = h - oh, x = c->Left(), y = c->Top(), cw = c->Width(),
            ch = c->Height();
        uint8_t a = c->GetAnchors();
        if (a & kAnchorRight) {
          if (a & kAnchorLeft)
            cw += dx;
          else
            x += dx;
        }
        if (a & kAnchorBottom) {
          if (a & kAnchorTop)
            ch += dy;
          else
            y += dy;
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
  else if (mainForm_)
    mainForm_->Handle();
  backend().RunLoop();
}

void Application::ProcessMessages() { backend().ProcessMessages(); }

int Application::MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  return backend().MessageBox(nullptr, text, caption, flags);
}

int Application::MessageBoxIn(const std::string& text, unsigned textCodePage,
                              const std::string& caption, unsigned captionCodePage,
                              uint32_t flags) {
  return backend().MessageBoxIn(nullptr, text, textCodePage, caption, captionCodePage, flags);
}

void Application::Terminate() {
  terminated_ = true;
  backend().Quit();
}

void Application::SetScreenCursor(Cursor c) { backend().SetScreenCursor(c); }

void Application::ShowException(const std::string& message) { backend().ShowException(message); }

}  // namespace ui
