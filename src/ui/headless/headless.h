// The headless UI backend: the form state without windows, a virtual clock
// (plat::sys().TickCount(), moved by plat::sys().Sleep) and a scripted user.
//
//   ui::headless::Headless h;  ui::SetBackend(&h);
//   h.Script(ui::headless::Step::Answer(ui::kIdNo).When("Restart"));
//   h.Script(ui::headless::Step::Press("frmMain", "BbtnStart").At(5000));
//   ui::app().Run();           // returns when the main form closes or nothing is pending
//   h.Transcript();            // {"0 msgbox Setup | Restart now? -> 7", ...}
//
// Timers fire only where a real UI thread processes messages: in the message
// loop, in modal loops, inside an unanswered message box and in
// ProcessMessages (which fires only what is already due). Sleep fires none.
// The message loop runs until the program ends (Application::Terminate, as
// the main form's close does), also while the main window is hidden.
// Where a real program would wait for ever (no timer, no scripted step that
// can still happen), the loops return instead; a virtual time limit ends any
// loop that runs too long.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "ui/backend.h"

namespace plat::sim {
class SimMachine;
}

namespace ui::headless {

// One action of the scripted user. Steps run in order; a step waits until its
// time (At) has come, its condition (When) holds and its target can be used.
struct Step {
  enum class Do {
    Answer,
    Press,
    Select,
    Enter,
    Escape,
    Close,
    DblClick,
    Hover,
    Activate,
    Key,
    Alt
  };
  Do what = Do::Answer;
  std::string form, control;  // Press, Select, Close; Enter/Escape: empty = the active form
  int value = 0;              // Answer: IDOK..IDNO; Select, DblClick: the item index (-1: none);
                              // Key: the ui::Key; Alt: the letter
  bool shift = false;         // Key: with Shift held
  uint64_t at = 0;            // not before this virtual time
  uint64_t after = 0;         // and not before this long after the previous step ran
  std::string when;           // Answer: the box's text or caption contains it;
                              // others: a showing form's name or caption contains it

  static Step Make(Do d, std::string form = "", std::string control = "", int value = 0) {
    Step s;
    s.what = d, s.form = std::move(form), s.control = std::move(control), s.value = value;
    return s;
  }
  static Step Answer(int id) { return Make(Do::Answer, "", "", id); }
  static Step Press(std::string form, std::string control) {
    return Make(Do::Press, form, control);
  }
  static Step Select(std::string form, std::string control, int index) {
    return Make(Do::Select, form, control, index);
  }
  static Step Enter(std::string form = "") { return Make(Do::Enter, form); }
  static Step Escape(std::string form = "") { return Make(Do::Escape, form); }
  static Step Close(std::string form) { return Make(Do::Close, form); }
  // A double-click on a control; on a list, on item |index| first (-1: where it is).
  static Step DblClick(std::string form, std::string control, int index = -1) {
    return Make(Do::DblClick, form, control, index);
  }
  // The mouse moves onto a control; the one it was on hears that it left.
  static Step Hover(std::string form, std::string control) {
    return Make(Do::Hover, form, control);
  }
  // The user switches to another program and back to |form|: it is activated anew.
  static Step Activate(std::string form) { return Make(Do::Activate, form); }
  // A key pressed on |form| (empty: the active form), handled as the form's
  // keyboard rules say; Alt(letter) is Alt with a key letter.
  static Step Press(Key k, std::string form = "", bool shift = false) {
    Step s = Make(Do::Key, std::move(form), "", static_cast<int>(k));
    s.shift = shift;
    return s;
  }
  static Step Alt(char letter, std::string form = "") {
    return Make(Do::Alt, std::move(form), "", letter);
  }
  Step At(uint64_t t) const {
    Step s = *this;
    s.at = t;
    return s;
  }
  Step When(std::string text) const {
    Step s = *this;
    s.when = std::move(text);
    return s;
  }
  Step After(uint64_t ms) const {
    Step s = *this;
    s.after = ms;
    return s;
  }
};

struct BoxRecord {
  std::string caption, text;
  uint32_t flags = 0;
  int answer = 0;
  bool scripted = false;  // false: nobody answered, the default button was taken
  // The code page of a fixed text or caption (0: the system's).
  unsigned textCodePage = 0, captionCodePage = 0;
};

class Headless : public Backend {
 public:
  // --- the scripted user
  void Script(const Step& s) { script_.push_back(s); }
  // Steps that could not be run (unknown form or control); each also in the transcript.
  const std::vector<std::string>& ScriptErrors() const { return errors_; }

  // --- what a test reads
  const std::vector<std::string>& Transcript() const { return transcript_; }  // "time kind text"
  const std::vector<BoxRecord>& MessageBoxes() const { return boxes_; }
  bool MessageBoxOpen() const { return !openBoxes_.empty(); }
  const std::vector<Form*>& ModalStack() const { return modal_; }
  Form* ActiveForm() const { return active_; }
  bool TimedOut() const { return timedOut_; }
  std::string ScreenCursor() const;
  const std::string& Title() const { return title_; }

  // --- configuration
  uint64_t timeLimit = 3600 * 1000;  // virtual ms one outermost loop may run
  // Also records every transcript line there (kind "ui-...").
  plat::sim::SimMachine* machine = nullptr;
  void Reset();  // forgets script, transcript, boxes and loop state

  // --- Backend
  void ControlChanged(Control& c, Prop p) override;
  void ControlDestroyed(Control& c) override;
  void TimerChanged(Timer& t) override;
  void TimerDestroyed(Timer& t) override;
  void ShowForm(Form& f, bool show) override;
  void ActivateForm(Form& f) override;
  ModalResult RunModal(Form& f) override;
  void RunLoop() override;
  void Quit() override {}
  void ProcessMessages() override;
  int MessageBox(Form* owner, const std::string& text, const std::string& caption,
                 uint32_t flags) override;
  int MessageBoxIn(Form* owner, const std::string& text, unsigned textCodePage,
                   const std::string& caption, unsigned captionCodePage, uint32_t flags) override;
  // Small numbers handed out in order, so that transcripts repeat run after run.
  uintptr_t Handle(Form& f) override;
  void SetFocus(Control&) override {}
  void ZOrder(Form&, bool, bool) override {}
  void SetScreenCursor(Cursor c) override { cursor_ = c; }
  void ApplicationTitleChanged(const std::string& title) override;
  void ShowException(const std::string& message) override;

 private:
  struct OpenBox {
    size_t record;  // index into boxes_
    bool answered = false;
  };
  template <class Done>
  void Pump(Done done, bool advance);
  bool RunReadyStep();
  bool StepReady(const Step& s);
  uint64_t NotBefore(const Step& s) const;
  bool RunStep(const Step& s);
  bool FireDueTimer();
  bool DeliverPostedMessage();
  bool NextEventTime(uint64_t& t);
  bool Usable(Form* f) const;
  bool OnScreen(Form* f) const;  // shown by the backend, not only flagged showing
  Form* FindForm(const std::string& name) const;
  void AnswerTop(int id, bool scripted);
  void Record(const std::string& kind, const std::string& text);
  static uint64_t Now();

  std::deque<Step> script_;
  std::vector<std::string> errors_, transcript_;
  std::vector<BoxRecord> boxes_;
  unsigned boxTextCodePage_ = 0, boxCaptionCodePage_ = 0;  // for the next box
  std::vector<OpenBox> openBoxes_;
  std::vector<Form*> modal_;
  std::vector<Form*> shown_;
  struct TimerState {
    Timer* timer;
    uint64_t dueAt;  // the virtual time of the next tick
  };
  std::vector<TimerState> timers_;  // in the order they were first set
  Form* active_ = nullptr;
  Cursor cursor_ = Cursor::Default;
  std::string title_;
  int depth_ = 0;
  uint64_t deadline_ = 0;
  bool timedOut_ = false;
  uint64_t lastStep_ = 0;       // when the previous scripted step ran
  Control* hovered_ = nullptr;  // the control under the scripted mouse
  std::map<const Control*, uintptr_t> handles_;
  uintptr_t lastHandle_ = 0x30000;
};

// The build's default backend when it is the headless one; nullptr otherwise.
Headless* Default();

}  // namespace ui::headless
