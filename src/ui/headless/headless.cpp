// The headless backend: loops over a virtual clock, timers, and the scripted user.
#include "ui/headless/headless.h"

#include <algorithm>

#include "platform/platform.h"
#include "platform/sim/handoff.h"
#include "platform/sim/machine.h"

namespace ui {

Backend* DefaultBackend() { return headless::Default(); }

namespace headless {

Headless* Default() {
  static Headless h;
  return &h;
}

namespace {

bool Running(const Timer& t) { return t.Enabled() && t.Interval() > 0 && t.OnTimer; }

bool Contains(const std::string& hay, const std::string& needle) {
  return hay.find(needle) != std::string::npos;
}

const char* StepName(Step::Do d) {
  switch (d) {
    case Step::Do::Answer: return "answer";
    case Step::Do::Press: return "press";
    case Step::Do::Select: return "select";
    case Step::Do::Enter: return "enter";
    case Step::Do::Escape: return "escape";
    case Step::Do::Close: return "close";
    case Step::Do::DblClick: return "dblclick";
    case Step::Do::Hover: return "hover";
    case Step::Do::Activate: return "activate";
    case Step::Do::Key: return "key";
    case Step::Do::Alt: return "alt";
  }
  return "?";
}

std::string PathOf(Control& c) {
  Form* f = c.OwnerForm();
  return f && f != &c ? f->Name() + "." + c.Name() : c.Name();
}

// The first button of a message box: what Enter takes when nobody answers.
int FirstButton(uint32_t flags) {
  switch (flags & 0xF) {
    case kMbYesNo:
    case kMbYesNoCancel: return kIdYes;
    default: return kIdOk;
  }
}

const char* ButtonsName(uint32_t flags) {
  switch (flags & 0xF) {
    case kMbOk: return "OK";
    case kMbOkCancel: return "OKCancel";
    case 0x2: return "AbortRetryIgnore";
    case kMbYesNoCancel: return "YesNoCancel";
    case kMbYesNo: return "YesNo";
    case 0x5: return "RetryCancel";
  }
  return "?";
}

const char* IconName(uint32_t flags) {
  switch (flags & 0xF0) {
    case 0: return "none";
    case kMbIconError: return "Error";
    case kMbIconQuestion: return "Question";
    case kMbIconWarning: return "Warning";
    case kMbIconInformation: return "Information";
  }
  return "?";
}

}  // namespace

uint64_t Headless::Now() { return plat::sys().TickCount(); }

void Headless::Record(const std::string& kind, const std::string& text) {
  transcript_.push_back(std::to_string(Now()) + " " + kind + " " + text);
  if (machine) machine->Record("ui-" + kind, text);
}

void Headless::Reset() {
  script_.clear();
  errors_.clear();
  transcript_.clear();
  boxes_.clear();
  openBoxes_.clear();
  modal_.clear();
  shown_.clear();
  active_ = nullptr;
  cursor_ = Cursor::Default;
  depth_ = 0;
  timedOut_ = false;
  lastStep_ = 0;
  hovered_ = nullptr;
}

std::string Headless::ScreenCursor() const {
  switch (cursor_) {
    case Cursor::HourGlass: return "HourGlass";
    case Cursor::HandPoint: return "HandPoint";
    default: return "Default";
  }
}

// --- state ---------------------------------------------------------------

void Headless::ControlChanged(Control& c, Prop p) {
  Form* f = c.OwnerForm();
  // Captions while a form is up are what a user sees change; set-up is not recorded.
  if (p == Prop::Caption && f && f->Showing()) Record("caption", PathOf(c) + " = " + c.Caption());
  if (p == Prop::Visible && f && f != &c && f->Showing())
    Record("visible", PathOf(c) + " = " + (c.Visible() ? "1" : "0"));
  if (p == Prop::Alpha && f == &c && f->Showing())
    Record("alpha", f->Name() + " = " + std::to_string(f->AlphaBlendValue()) +
                        (f->AlphaBlend() ? " on" : " off"));
  if (p == Prop::Position && f && f->Showing())
    if (auto* bar = dynamic_cast<ProgressBar*>(&c))
      Record("position", PathOf(c) + " = " + std::to_string(bar->Position()));
}

void Headless::ControlDestroyed(Control& c) {
  // Called from ~Control, where a form is no longer a Form: compare addresses.
  auto same = [&](Form* f) { return static_cast<Control*>(f) == &c; };
  modal_.erase(std::remove_if(modal_.begin(), modal_.end(), same), modal_.end());
  shown_.erase(std::remove_if(shown_.begin(), shown_.end(), same), shown_.end());
  if (active_ && same(active_)) active_ = nullptr;
  if (hovered_ == &c) hovered_ = nullptr;
  handles_.erase(&c);
}

void Headless::TimerChanged(Timer& t) {
  auto it = std::find_if(timers_.begin(), timers_.end(),
                         [&](const TimerState& s) { return s.timer == &t; });
  if (it == timers_.end()) it = timers_.insert(it, {&t, 0});
  // Windows restarts a timer whose interval or state is set anew.
  it->dueAt = Now() + t.Interval();
}

void Headless::TimerDestroyed(Timer& t) {
  std::erase_if(timers_, [&](const TimerState& s) { return s.timer == &t; });
}

void Headless::ShowForm(Form& f, bool show) {
  Record(show ? "show" : "hide",
         f.Name() + (f.Caption().empty() ? "" : " \"" + f.Caption() + "\""));
  shown_.erase(std::remove(shown_.begin(), shown_.end(), &f), shown_.end());
  if (show) shown_.push_back(&f);
  if (show || active_ != &f) return;
  // The next window up becomes active and hears of it, as on Windows: the
  // modal form below, or another one on the screen. A form whose OnShow is
  // still running is not on the screen yet.
  active_ = nullptr;
  Form* next = nullptr;
  for (auto it = modal_.rbegin(); it != modal_.rend() && !next; ++it)
    if (*it != &f && OnScreen(*it)) next = *it;
  for (Form* o : app().Forms())
    if (!next && o != &f && OnScreen(o)) next = o;
  if (next) ActivateForm(*next);
}

uintptr_t Headless::Handle(Form& f) {
  auto [it, added] = handles_.emplace(&f, 0);
  if (added) it->second = lastHandle_ += 4;
  return it->second;
}

bool Headless::OnScreen(Form* f) const {
  return f->Showing() && std::find(shown_.begin(), shown_.end(), f) != shown_.end();
}

void Headless::ActivateForm(Form& f) {
  if (active_ == &f) return;
  active_ = &f;
  if (f.OnActivate) f.OnActivate();
}

void Headless::ApplicationTitleChanged(const std::string& title) {
  title_ = title;
  Record("title", title);
}

void Headless::ShowException(const std::string& message) {
  Record("exception", message);
  MessageBox(nullptr, message, app().Title(), kMbOk | kMbIconError);
}

// --- loops ---------------------------------------------------------------

template <class Done>
void Headless::Pump(Done done, bool advance) {
  if (depth_++ == 0) {
    deadline_ = Now() + timeLimit;
    timedOut_ = false;
  }
  while (!done()) {
    if (Now() >= deadline_ || timedOut_) {
      if (!timedOut_) Record("timeout", "virtual time limit reached");
      timedOut_ = true;
      break;
    }
    if (DeliverPostedMessage() || RunReadyStep() || FireDueTimer()) continue;
    uint64_t next;
    if (!advance || !NextEventTime(next)) break;  // nothing can happen any more
    next = std::min(next, deadline_);
    if (next > Now()) plat::sys().Sleep(static_cast<uint32_t>(next - Now()));
  }
  --depth_;
}

// Messages simulated programs posted to the program's windows, once due; a
// message to a window that no longer exists is lost, as on Windows.
bool Headless::DeliverPostedMessage() {
  if (!machine) return false;
  std::vector<plat::sim::PostedMessage> due = plat::sim::TakeDueMessages(*machine);
  for (const auto& m : due) {
    Record("message", std::to_string(m.message) + " to " + std::to_string(m.window));
    for (Form* f : app().Forms())
      if (Handle(*f) == m.window && f->OnMessage) f->OnMessage(m.message, m.wParam, m.lParam);
  }
  return !due.empty();
}

bool Headless::FireDueTimer() {
  TimerState* due = nullptr;
  for (TimerState& s : timers_)
    if (Running(*s.timer) && s.dueAt <= Now() && (!due || s.dueAt < due->dueAt)) due = &s;
  if (!due) return false;
  // Rescheduled first: a handler that processes messages does not meet itself again at once.
  Timer& t = *due->timer;
  due->dueAt = Now() + t.Interval();
  t.OnTimer();
  return true;
}

bool Headless::NextEventTime(uint64_t& t) {
  bool any = false;
  for (const TimerState& s : timers_)
    if (Running(*s.timer)) t = any ? std::min(t, s.dueAt) : s.dueAt, any = true;
  if (machine)
    for (const auto& m : machine->handOff.posted) t = any ? std::min(t, m.at) : m.at, any = true;
  // A step waiting only for its time; one waiting for a state needs a timer to change it.
  if (!script_.empty() && NotBefore(script_.front()) > Now()) {
    uint64_t at = NotBefore(script_.front());
    t = any ? std::min(t, at) : at;
    any = true;
  }
  return any;
}

void Headless::RunLoop() {
  // As GetMessage does: a hidden main window keeps the loop going.
  Pump([] { return app().Terminated() || !app().MainForm(); }, true);
}

ModalResult Headless::RunModal(Form& f) {
  modal_.push_back(&f);
  Record("modal", f.Name());
  Pump(
      [&] { return !f.Showing() || f.GetModalResult() != ModalResult::None || app().Terminated(); },
      true);
  modal_.erase(std::remove(modal_.begin(), modal_.end(), &f), modal_.end());
  Record("modal-result", f.Name() + " " + std::to_string(static_cast<int>(f.GetModalResult())));
  return f.GetModalResult();
}

void Headless::ProcessMessages() {
  Pump([] { return false; }, false);
}

int Headless::MessageBox(Form*, const std::string& text, const std::string& caption,
                         uint32_t flags) {
  boxes_.push_back({caption, text, flags, 0, false, boxTextCodePage_, boxCaptionCodePage_});
  boxTextCodePage_ = boxCaptionCodePage_ = 0;
  openBoxes_.push_back({boxes_.size() - 1});
  Record("msgbox", caption + " | " + text + " | " + ButtonsName(flags) + " " + IconName(flags));
  size_t level = openBoxes_.size();
  Pump([&] { return openBoxes_[level - 1].answered; }, true);
  if (!openBoxes_[level - 1].answered) AnswerTop(FirstButton(flags), false);
  BoxRecord& r = boxes_[openBoxes_[level - 1].record];
  openBoxes_.resize(level - 1);
  return r.answer;
}

int Headless::MessageBoxIn(Form* owner, const std::string& text, unsigned textCodePage,
                           const std::string& caption, unsigned captionCodePage, uint32_t flags) {
  boxTextCodePage_ = textCodePage;
  boxCaptionCodePage_ = captionCodePage;
  return MessageBox(owner, text, caption, flags);
}

void Headless::AnswerTop(int id, bool scripted) {
  OpenBox& b = openBoxes_.back();
  BoxRecord& r = boxes_[b.record];
  r.answer = id, r.scripted = scripted, b.answered = true;
  Record("answer", std::to_string(id) + (scripted ? "" : " (default)"));
}

// --- the scripted user ---------------------------------------------------

Form* Headless::FindForm(const std::string& name) const {
  if (name.empty()) return active_;
  for (Form* f : app().Forms())
    if (f->Name() == name) return f;
  return nullptr;
}

// A form the user can reach: showing, and not below a modal form.
bool Headless::Usable(Form* f) const {
  return f && f->Showing() && f->Enabled() && (modal_.empty() || modal_.back() == f);
}

uint64_t Headless::NotBefore(const Step& s) const { return std::max(s.at, lastStep_ + s.after); }

bool Headless::StepReady(const Step& s) {
  if (NotBefore(s) > Now()) return false;
  if (s.what == Step::Do::Answer) {
    if (openBoxes_.empty() || openBoxes_.back().answered) return false;
    const BoxRecord& r = boxes_[openBoxes_.back().record];
    return s.when.empty() || Contains(r.text, s.when) || Contains(r.caption, s.when);
  }
  if (!s.when.empty()) {
    bool seen = false;
    for (Form* f : app().Forms())
      seen |= OnScreen(f) && (Contains(f->Name(), s.when) || Contains(f->Caption(), s.when));
    if (!seen) return false;
  }
  return Usable(FindForm(s.form));
}

bool Headless::RunReadyStep() {
  if (!openBoxes_.empty() && !openBoxes_.back().answered) {
    // A box is up: only an answer can reach it. One still to come is waited
    // for; without one (or with one meant for another box) it takes its default.
    if (!script_.empty() && script_.front().what == Step::Do::Answer) {
      if (NotBefore(script_.front()) > Now()) return false;
      if (!StepReady(script_.front())) {
        AnswerTop(FirstButton(boxes_[openBoxes_.back().record].flags), false);
        return true;
      }
    } else {
      AnswerTop(FirstButton(boxes_[openBoxes_.back().record].flags), false);
      return true;
    }
  }
  if (script_.empty() || !StepReady(script_.front())) return false;
  Step s = script_.front();
  script_.pop_front();
  lastStep_ = Now();
  if (!RunStep(s)) {
    std::string e = std::string(StepName(s.what)) + " " + s.form + "." + s.control;
    errors_.push_back(e);
    Record("script-error", e);
  }
  return true;
}

bool Headless::RunStep(const Step& s) {
  if (s.what == Step::Do::Answer) {
    AnswerTop(s.value, true);
    return true;
  }
  Form* f = FindForm(s.form);
  Record("user", std::string(StepName(s.what)) + " " + f->Name() +
                     (s.control.empty() ? "" : "." + s.control));
  switch (s.what) {
    case Step::Do::Press: {
      auto* c = f->FindControl(s.control);
      if (!c || !c->Visible() || !c->Enabled()) return false;
      c->Click();
      return true;
    }
    case Step::Do::Select: {
      auto* l = dynamic_cast<ListBase*>(f->FindControl(s.control));
      if (!l || !l->Enabled() || s.value < 0 || s.value >= static_cast<int>(l->Items().size()))
        return false;
      l->UserSelect(s.value);
      return true;
    }
    case Step::Do::Enter:
    case Step::Do::Escape:
      // With no such button the key does nothing, as on a real form.
      f->PressKey(s.what == Step::Do::Escape ? Key::Escape : Key::Enter);
      return true;
    case Step::Do::Close: f->Close(); return true;
    case Step::Do::Key:
      // An unused key goes nowhere, as on a real form.
      f->PressKey(static_cast<Key>(s.value), s.shift);
      return true;
    case Step::Do::Alt: f->PressMnemonic(static_cast<char>(s.value)); return true;
    case Step::Do::DblClick: {
      Control* c = f->FindControl(s.control);
      if (!c || !c->Visible() || !c->Enabled()) return false;
      if (s.value >= 0) {
        // The first click of the two picks the item under the pointer.
        auto* l = dynamic_cast<ListBase*>(c);
        if (!l || s.value >= static_cast<int>(l->Items().size())) return false;
        l->UserSelect(s.value);
      }
      if (c->OnDblClick) c->OnDblClick();
      return true;
    }
    case Step::Do::Hover: {
      Control* c = f->FindControl(s.control);
      if (!c || !c->Visible()) return false;
      if (hovered_ && hovered_ != c && hovered_->OnMouseLeave) hovered_->OnMouseLeave();
      hovered_ = c;
      if (c->OnMouseMove) c->OnMouseMove(1, 1);
      return true;
    }
    case Step::Do::Activate:
      // Away and back: the form hears of its activation even if it was active.
      active_ = nullptr;
      ActivateForm(*f);
      return true;
    case Step::Do::Answer: break;
  }
  return false;
}

}  // namespace headless
}  // namespace ui
