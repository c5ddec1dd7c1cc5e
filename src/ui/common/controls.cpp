// Control state shared by both backends; every change is passed on to the
// backend so that a real window can follow it.
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "ui/backend.h"
#include "ui/picture.h"
#include "ui/ui.h"

namespace ui {

namespace {
Backend* g_backend = nullptr;
}

Backend& backend() {
  if (!g_backend) g_backend = DefaultBackend();
  return *g_backend;
}
void SetBackend(Backend* b) { g_backend = b; }

// --- Control -------------------------------------------------------------

Control::Control(Control* parent, std::string name) : name_(std::move(name)), parent_(parent) {
  if (parent_) parent_->children_.push_back(this);
}

Control::~Control() {
  // Children first, each leaving this list as it goes.
  while (!children_.empty()) delete children_.back();
  backend().ControlDestroyed(*this);
  if (parent_) {
    if (Form* f = parent_->OwnerForm(); f && f->activeControl_ == this) f->activeControl_ = nullptr;
    auto& v = parent_->children_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
}

Form* Control::OwnerForm() {
  Control* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<Form*>(c);
}

void Control::Changed(Prop p) { backend().ControlChanged(*this, p); }

void Control::SetBounds(int left, int top, int width, int height) {
  width = std::max(0, width), height = std::max(0, height);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const int ow = width_, oh = height_;
  left_ = left, top_ = top, width_ = width, height_ = height;
  Changed(Prop::Bounds);
  if ((ow != width || oh != height) && ChildrenFollowBounds())
    LayoutChildren(*this, ow, oh, width, height);
}

void Control::SetCaption(const std::string& text) {
  if (text == caption_) return;
  caption_ = text;
  Changed(Prop::Caption);
}

void Control::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Changed(Prop::Enabled);
}

void Control::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Changed(Prop::Visible);
}

void Control::SetFont(const Font& f) { Store(font_, f, Prop::Font); }
void Control::SetFontColor(Color c) { Store(font_.color, c, Prop::Font); }
void Control::SetColor(Color c) { Store(color_, c, Prop::Color); }
void Control::SetCursor(Cursor c) { Store(cursor_, c, Prop::Cursor); }

bool Control::Focused() const {
  Form* f = const_cast<Control*>(this)->OwnerForm();
  return f && f->ActiveControl() == this;
}

bool Control::CanFocus() const {
  if (!TakesFocus() || !tabStop_) return false;
  for (const Control* c = this; c; c = c->parent_)
    if (!c->visible_ || !c->enabled_) return false;
  return true;
}

void Control::SetFocus() {
  if (Form* f = OwnerForm()) f->activeControl_ = this;
  backend().SetFocus(*this);
}

void Control::Click() {
  if (OnClick) OnClick();
}

// --- Button --------------------------------------------------------------

void Button::SetButtonKind(ButtonKind k) {
  kind_ = k;
  switch (k) {
    case ButtonKind::OK: modalResult_ = ModalResult::OK; break;
    case ButtonKind::Cancel: modalResult_ = ModalResult::Cancel; break;
    case ButtonKind::Yes: modalResult_ = ModalResult::Yes; break;
    case ButtonKind::No: modalResult_ = ModalResult::No; break;
    case ButtonKind::Close:
    case ButtonKind::Custom: modalResult_ = ModalResult::None; break;
  }
  // A kind decides alone which key presses the button: a button that turns
  // from cancel into OK no longer answers Escape.
  if (k != ButtonKind::Custom) {
    default_ = k == ButtonKind::OK || k == ButtonKind::Yes;
    cancel_ = k == ButtonKind::Cancel || k == ButtonKind::No;
  }
  Changed(Prop::Kind);
}

void Button::SetDefault(bool v) { Store(default_, v, Prop::Kind); }
void Button::SetCancel(bool v) { Store(cancel_, v, Prop::Kind); }

void Button::Click() {
  Form* f = OwnerForm();
  // The form takes the result before the handler runs, so a handler that
  // changes the button's kind does not change what this press meant.
  if (f && kind_ != ButtonKind::Close && modalResult_ != ModalResult::None)
    f->SetModalResult(modalResult_);
  Control::Click();
  if (f && kind_ == ButtonKind::Close) f->Close();
}

// --- RichEdit ------------------------------------------------------------

std::vector<std::string> RichEdit::Lines() const {
  std::vector<std::string> out;
  const std::string& t = Caption();
  if (t.empty()) return out;
  size_t start = 0;
  for (;;) {
    size_t end = t.find("\r\n", start);
    if (end == std::string::npos) {
      out.push_back(t.substr(start));
      return out;
    }
    out.push_back(t.substr(start, end - start));
    start = end + 2;
  }
}

void RichEdit::SetLines(const std::vector<std::string>& lines) {
  std::string t;
  for (size_t i = 0; i < lines.size(); ++i) t += (i ? "\r\n" : "") + lines[i];
  SetCaption(t);
}

void RichEdit::AppendLine(const std::string& line) {
  SetCaption(Caption().empty() ? line : Caption() + "\r\n" + line);
}

// --- lists ---------------------------------------------------------------

void ListBase::AddItem(const std::string& text) {
  items_.push_back(text);
  Changed(Prop::Items);
}

void ListBase::Clear() {
  items_.clear();
  itemIndex_ = -1;
  Changed(Prop::Items);
}

void ListBase::SetItemIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  Changed(Prop::ItemIndex);
  if (OnSelectItem) OnSelectItem();
}

void ListBase::UserSelect(int index) {
  // The window already shows the choice: only the state and the event follow.
  if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  if (OnSelectItem) OnSelectItem();
}

// --- ProgressBar ---------------------------------------------------------

void ProgressBar::SetRange(int min, int max) {
  if (max < min) std::swap(min, max);
  min_ = min, max_ = max;
  position_ = std::clamp(position_, min_, max_);
  Changed(Prop::Position);
}

void ProgressBar::SetPosition(int p) {
  p = std::clamp(p, min_, max_);
  if (p == position_) return;
  position_ = p;
  Changed(Prop::Position);
}

// --- Image ---------------------------------------------------------------

bool Image::SetPicture(const std::string& data) {
  const bool bitmap = data.size() >= 26 && data[0] == 'B' && data[1] == 'M';
  picture_ = bitmap ? data : std::string();
  // A .bmp file: "BM", then a BITMAPINFOHEADER at offset 14 (width at 18, height at 22).
  if (autoSize && bitmap) {
    auto le32 = [&](size_t at) {
      uint32_t v = 0;
      for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(data[at + i]);
      return static_cast<int32_t>(v);
    };
    int32_t w = le32(18), h = le32(22);
    if (w > 0 && w < 10000 && h != INT32_MIN && std::abs(h) < 10000)
      SetBounds(Left(), Top(), w, std::abs(h));
  }
  Changed(Prop::Picture);
  return bitmap || data.empty();
}

// --- Timer ---------------------------------------------------------------

Timer::Timer(Form* owner, std::string name) : owner_(owner), name_(std::move(name)) {
  if (owner_) owner_->timers_.push_back(this);
  backend().TimerChanged(*this);
}

Timer::~Timer() {
  backend().TimerDestroyed(*this);
  if (owner_) {
    auto& v = owner_->timers_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
}

std::unique_ptr<Timer> MakeStoppedTimer(Form* owner, std::string name, uint32_t ms) {
  auto t = std::make_unique<Timer>(owner, std::move(name));
  t->SetEnabled(false);
  t->SetInterval(ms);
  return t;
}

void Timer::SetInterval(uint32_t ms) {
  interval_ = ms;
  backend().TimerChanged(*this);
}

void Timer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  backend().TimerChanged(*this);
}

}  // namespace ui
