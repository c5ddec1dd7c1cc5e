// The form runtime: forms, controls, timers, message boxes and the
// application object, written once and shown by a backend (real windows on
// Win32, or the headless backend with a virtual clock for tests).
//
//   ui::Button* b = new ui::Button(form, "BbtnStart");
//   b->SetCaption("&Install");
//   b->OnClick = [this] { BbtnStartClick(); };
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

using Color = uint32_t;  // 0x00BBGGRR, as COLORREF
constexpr Color kBlack = 0x000000;
constexpr Color kBlue = 0xFF0000;
constexpr Color kRed = 0x0000FF;
constexpr Color kPurple = 0x800080;
constexpr Color kTeal = 0x808000;
constexpr Color kWhite = 0xFFFFFF;
constexpr Color kSkyBlue = 0xF0CAA6;
constexpr Color kInfoBk = 0xE1FFFF;
constexpr Color kBtnFace = 0xFF000000u;  // system colour marker: the default background

// A modal form's answer; OK to No have the numbers of IDOK (1) to IDNO (7).
enum class ModalResult : int { None, OK, Cancel, Abort, Retry, Ignore, Yes, No };

// Message box flags and answers, as MessageBoxA has them.
constexpr uint32_t kMbOk = 0x0, kMbOkCancel = 0x1, kMbYesNoCancel = 0x3, kMbYesNo = 0x4;
constexpr uint32_t kMbIconError = 0x10, kMbIconQuestion = 0x20, kMbIconWarning = 0x30,
                   kMbIconInformation = 0x40;
constexpr int kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7;

enum class Cursor { Default, HourGlass, HandPoint };
enum class Align { None, Top, Bottom, Left, Right, Client };
enum Anchors : uint8_t { kAnchorLeft = 1, kAnchorTop = 2, kAnchorRight = 4, kAnchorBottom = 8 };
enum class TextAlign { Left, Center, Right };
// The keys a form handles itself (the rest go to the focused control).
enum class Key { Tab, Enter, Escape, Space, Up, Down, Left, Right, Home, End };

// The key letter of a caption: the upper-case character after a single "&"
// ("&Install" -> 'I', "Save && &Quit" -> 'Q'); 0 when it has none.
char Mnemonic(const std::string& caption);

struct Font {
  std::string name = "Tahoma";
  int height = 13;  // pixels
  bool bold = false;
  Color color = kBlack;
};

// What changed on a control, so that a backend can bring its window up to date.
enum class Prop {
  Bounds,
  Caption,
  Enabled,
  Visible,
  Font,
  Color,
  Items,
  ItemIndex,
  Position,
  Picture,
  Alpha,
  Kind,
  Cursor,
  Focus,
  Other
};

class Form;
class Control;
// Moves the children of |parent| after its (client) size went from (ow, oh) to (w, h).
void LayoutChildren(Control& parent, int ow, int oh, int w, int h);
class Backend;

// Ownership: a control belongs to its parent and a timer to its form; deleting
// a form deletes its controls and timers.
class Control {
 public:
  Control(Control* parent, std::string name);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // Attributes
  virtual const char* Kind() const = 0;  // "Label", "Button", ...
  const std::string& Name() const { return name_; }
  Control* Parent() const { return parent_; }
  Form* OwnerForm();
  const std::vector<Control*>& Children() const { return children_; }

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // A new size moves the children by their Align and Anchors, as a resized
  // window does (a form's children follow its client area instead).
  void SetBounds(int left, int top, int width, int height);
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& text);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  const Font& GetFont() const { return font_; }
  void SetFont(const Font& f);
  void SetFontColor(Color c);
  Color GetColor() const { return color_; }
  void SetColor(Color c);
  Align GetAlign() const { return align_; }
  void SetAlign(Align a) { align_ = a; }
  uint8_t GetAnchors() const { return anchors_; }
  void SetAnchors(uint8_t a) { anchors_ = a; }
  Cursor GetCursor() const { return cursor_; }
  void SetCursor(Cursor c);
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int t) { tabOrder_ = t; }
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool v) { tabStop_ = v; }
  bool Focused() const;
  // The keyboard can reach it: a kind that takes the focus, a tab stop, and
  // visible and enabled together with its parents.
  bool CanFocus() const;
  virtual bool TakesFocus() const { return false; }

  // Events
  std::function<void()> OnClick;
  std::function<void()> OnDblClick;
  std::function<void(int x, int y)> OnMouseMove;
  std::function<void()> OnMouseLeave;

  // Operations
  virtual void Click();  // what a press of the control does
  virtual bool ChildrenFollowBounds() const { return true; }
  void SetFocus();

 protected:
  void Changed(Prop p);
  // Stores a property and tells the backend.
  template <typename T, typename V>
  void Store(T& field, const V& value, Prop p) {
    field = value;
    Changed(p);
  }

 private:
  std::string name_;
  Control* parent_;
  std::vector<Control*> children_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::string caption_;
  bool enabled_ = true, visible_ = true;
  Font font_;
  Color color_ = kBtnFace;
  Align align_ = Align::None;
  uint8_t anchors_ = kAnchorLeft | kAnchorTop;
  Cursor cursor_ = Cursor::Default;
  int tabOrder_ = 0;
  bool tabStop_ = true;
};

class Label : public Control {
 public:
  using Control::Control;
  const char* Kind() const override { return "Label"; }
  bool wordWrap = false;
  bool transparent = false;
  TextAlign alignment = TextAlign::Left;
};

// Push button; a kind gives it a modal result, a standard picture and a key.
enum class ButtonKind { Custom, OK, Cancel, Yes, No, Close };

class Button : public Control {
 public:
  using Control::Control;
  const char* Kind() const override { return "Button"; }
  ButtonKind GetButtonKind() const { return kind_; }
  void SetButtonKind(ButtonKind k);  // also sets the modal result, Default and Cancel
  ModalResult GetModalResult() const { return modalResult_; }
  void SetModalResult(ModalResult r) { modalResult_ = r; }
  bool IsDefault() const { return default_; }  // pressed by Enter
  void SetDefault(bool v);
  bool IsCancel() const { return cancel_; }  // pressed by Escape
  void SetCancel(bool v);
  // Bitmap button: a glyph by kind beside the caption, the program's bitmap
  // resource BBOK, BBYES, BBCANCEL, BBNO, BBCLOSE or BBCUSTOM.
  bool hasPicture = false;
  bool TakesFocus() const override { return true; }
  void Click() override;  // OnClick, then the modal result or close of the kind

 private:
  ButtonKind kind_ = ButtonKind::Custom;
  ModalResult modalResult_ = ModalResult::None;
  bool default_ = false, cancel_ = false;
};

class Edit : public Control {  // single- or multi-line edit; the text is the caption
 public:
  using Control::Control;
  const char* Kind() const override { return multiLine ? "Memo" : "Edit"; }
  bool readOnly = false;
  bool multiLine = false;
  bool TakesFocus() const override { return true; }
};

class RichEdit : public Control {  // the text is the caption, lines joined by CR LF
 public:
  using Control::Control;
  const char* Kind() const override { return "RichEdit"; }
  bool TakesFocus() const override { return true; }
  std::vector<std::string> Lines() const;
  void SetLines(const std::vector<std::string>& lines);
  void AppendLine(const std::string& line);
};

class ListBase : public Control {
 public:
  using Control::Control;
  const std::vector<std::string>& Items() const { return items_; }
  void AddItem(const std::string& text);
  void Clear();  // also sets ItemIndex to -1
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);  // raises OnSelectItem when it changes
  std::function<void()> OnSelectItem;
  void UserSelect(int index);  // a user's choice, as a backend reports it
  bool TakesFocus() const override { return true; }

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

class ListView : public ListBase {
 public:
  using ListBase::ListBase;
  const char* Kind() const override { return "ListView"; }
  // The image list of the icon view: an icon resource of the program whose
  // 32 x 32 image every item shows (empty: the system's application icon).
  std::string largeImages;
};

class ListBox : public ListBase {
 public:
  using ListBase::ListBase;
  const char* Kind() const override { return "ListBox"; }
};

class StatusBar : public Control {  // simple-text mode: the caption is the text
 public:
  using Control::Control;
  const char* Kind() const override { return "StatusBar"; }
};

class ProgressBar : public Control {
 public:
  using Control::Control;
  const char* Kind() const override { return "ProgressBar"; }
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetRange(int min, int max);
  void SetPosition(int p);  // clamped to the range

 private:
  int min_ = 0, max_ = 100, position_ = 0;
};

class Panel : public Control {
 public:
  using Control::Control;
  const char* Kind() const override { return "Panel"; }
};

class GroupBox : public Control {
 public:
  using Control::Control;
  const char* Kind() const override { return "GroupBox"; }
};

// A filled rectangle without a window of its own (the brush is the colour).
class Shape : public Control {
 public:
  using Control::Control;
  const char* Kind() const override { return "Shape"; }
};

class Image : public Control {
 public:
  using Control::Control;
  const char* Kind() const override { return "Image"; }
  // A Windows bitmap (.bmp bytes); auto-size takes its size. False, and no
  // picture, when the data is not a bitmap (empty data clears the picture).
  bool SetPicture(const std::string& data);
  // JPEG data, decoded here (ui/picture.h) into the bitmap that is shown.
  // False, and no picture, when it does not decode cleanly.
  bool SetJpeg(const std::string& jpeg);
  const std::string& Picture() const { return picture_; }  // .bmp bytes
  bool autoSize = false;
  bool transparent = false;

 private:
  std::string picture_;
};

class Timer {
 public:
  Timer(Form* owner, std::string name);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  const std::string& Name() const { return name_; }
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t ms);  // restarts a running timer
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  std::function<void()> OnTimer;
  int tag = 0;

 private:
  friend class Form;
  Form* owner_;
  std::string name_;
  uint32_t interval_ = 1000;
  bool enabled_ = true;
};

// A timer of |owner| made stopped: it ticks every |ms| once it is enabled.
std::unique_ptr<Timer> MakeStoppedTimer(Form* owner, std::string name, uint32_t ms);

enum class BorderStyle { Sizeable, Dialog, None };
enum class Position { Designed, ScreenCenter, OwnerCenter };

class Form : public Control {
 public:
  explicit Form(std::string name);
  ~Form() override;
  const char* Kind() const override { return "Form"; }

  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void SetClientSize(int w, int h);
  bool AlphaBlend() const { return alphaBlend_; }
  uint8_t AlphaBlendValue() const { return alphaValue_; }
  void SetAlphaBlend(bool on);
  void SetAlphaBlendValue(uint8_t v);
  BorderStyle border = BorderStyle::Sizeable;
  Position position = Position::Designed;
  bool systemMenu = true;
  Form* owner = nullptr;  // centred over it (OwnerCenter); disabled while modal

  ModalResult GetModalResult() const { return modalResult_; }
  void SetModalResult(ModalResult r);  // a modal form closes when this becomes non-zero
  bool Showing() const { return showing_; }
  bool IsModal() const { return modal_; }

  // Events
  std::function<void()> OnCreate, OnShow, OnActivate, OnResize, OnClose;
  // A window message from WM_USER (0x400) up that another program sent or
  // posted to this form's window; true when handled.
  std::function<bool(uint32_t message, uintptr_t wParam, intptr_t lParam)> OnMessage;

  // Operations
  void Show();
  void Hide();
  ModalResult ShowModal();
  void Close();     // OnClose, then hidden; closing the main form ends the program
  void Activate();  // the form becomes the active window (raises OnActivate)
  void BringToTop();
  void SetTopmost(bool on);
  uintptr_t Handle();
  // A message box owned by this form: MessageBoxA's flags and answers.
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags);
  // The same for fixed texts written in a code page of their own whatever
  // the system's (0: the system's ANSI code page).
  int MessageBoxIn(const std::string& text, unsigned textCodePage, const std::string& caption,
                   unsigned captionCodePage, uint32_t flags);
  void Repaint();
  const std::vector<Timer*>& Timers() const { return timers_; }
  Control* FindControl(const std::string& name);
  Control* ActiveControl() const { return activeControl_; }
  // The button Enter or Escape presses: the first visible, enabled default
  // (or cancel) button; nullptr when there is none.
  Button* DefaultButton(bool cancel);

  // Keyboard, the same in every backend. Tab visits the controls that can be
  // focused: siblings by tab order (ties in creation order), a container's
  // children where the container stands. Enter presses the focused button,
  // else the default one (a multi-line edit keeps it); Escape the cancel
  // button; Space the focused button; arrows, Home and End move in a focused
  // list. True when the form used the key.
  std::vector<Control*> TabStops();
  Control* NextTabStop(Control* from, bool backward);  // wraps round; nullptr: none
  bool PressKey(Key k, bool shift = false);
  // Alt+letter: the first usable button or clickable label whose caption
  // carries that key letter is pressed (a button takes the focus first).
  Control* MnemonicTarget(char letter);
  bool PressMnemonic(char letter);

  // Backend bookkeeping: the client area got a new size; moves the children
  // by their Align and Anchors and raises OnResize.
  void ClientResized(int w, int h);
  // The outer bounds alone move no child.
  bool ChildrenFollowBounds() const override { return false; }

 private:
  friend class Control;
  friend class Timer;
  friend class Backend;
  int clientWidth_ = 0, clientHeight_ = 0;
  bool alphaBlend_ = false;
  uint8_t alphaValue_ = 255;
  ModalResult modalResult_ = ModalResult::None;
  bool showing_ = false, modal_ = false, topmost_ = false;
  std::vector<Timer*> timers_;
  Control* activeControl_ = nullptr;
};

class Application {
 public:
  std::string Title() const { return title_; }
  void SetTitle(const std::string& t);
  bool showMainForm = true;
  Form* MainForm() const { return mainForm_; }
  // Registers a form created by the program; the first becomes the main form.
  void AddForm(Form* f);
  void Run();  // shows the main form (when showMainForm) and runs the loop until it closes
  void ProcessMessages();
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags);
  int MessageBoxIn(const std::string& text, unsigned textCodePage, const std::string& caption,
                   unsigned captionCodePage, uint32_t flags);
  void Terminate();
  bool Terminated() const { return terminated_; }
  void SetScreenCursor(Cursor c);
  // Shows an exception's message as the default handler does.
  void ShowException(const std::string& message);
  const std::vector<Form*>& Forms() const { return forms_; }
  void RemoveForm(Form* f);  // a form being deleted leaves the application
  void Reset();              // forgets forms, main form and Terminate (tests)

 private:
  std::string title_;
  Form* mainForm_ = nullptr;
  std::vector<Form*> forms_;
  bool terminated_ = false;
};

Application& app();

}  // namespace ui
