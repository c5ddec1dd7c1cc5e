// The form runtime on real windows. Every control of a form is a child
// window of the form itself (placed at its offset in the form), so that all
// notifications reach one window procedure.
#include "platform/win32/windows_lean.h"

#include <commctrl.h>

#include <map>
#include <utility>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/system_library.h"
#include "ui/backend.h"

namespace ui {
namespace {

constexpr const char* kFormClass = "InstallerForm";
constexpr const char* kPanelClass = "InstallerPanel";
constexpr UINT kFirstId = 1000;

// A function of the common controls (loaded at run time, see Register);
// zero when the DLL or the function cannot be had.
template <typename Fn, typename... Args>
auto CallCommonControls(const char* name, Args... args) {
  using Result = decltype(std::declval<Fn>()(args...));
  Fn fn = plat::win32::ProcOf<Fn>(plat::win32::CommonControls(), name);
  return fn ? fn(args...) : Result{};
}

class Win32Backend : public Backend {
 public:
  static Win32Backend& Self();

  // --- control state to windows
  void ControlChanged(Control& c, Prop p) override {
    HWND h = static_cast<HWND>(c.peer);
    if (!h) {
      // Panels and shapes are painted by their form.
      Form* f = c.OwnerForm();
      if (f && f->peer && (p == Prop::Color || p == Prop::Visible || p == Prop::Bounds))
        ::InvalidateRect(static_cast<HWND>(f->peer), nullptr, TRUE);
      return;
    }
    if (auto* f = dynamic_cast<Form*>(&c)) {
      FormChanged(*f, h, p);
      return;
    }
    switch (p) {
      case Prop::Bounds:
      case Prop::Visible:
        Place(c);
        for (Control* child : c.Children()) ControlChanged(*child, Prop::Bounds);
        break;
      case Prop::Caption:
        if (std::string(c.Kind()) == "StatusBar")
          ::SendMessageA(h, SB_SETTEXTA, 255 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(c.Caption().c_str()));
        else
          ::SetWindowTextA(h, c.Caption().c_str());
        break;
      case Prop::Enabled:
        ::EnableWindow(h, c.Enabled());
        if (auto* b = dynamic_cast<Button*>(&c)) ApplyGlyph(*b, h);
        break;
      case Prop::Font: ApplyFont(c, h); ::InvalidateRect(h, nullptr, TRUE); break;
      case Prop::Items:
      case Prop::ItemIndex: FillList(c, h); break;
      case Prop::Position:
        if (auto* b = dynamic_cast<ProgressBar*>(&c)) ::SendMessageA(h, PBM_SETPOS, b->Position(), 0);
        break;
      case Prop::Picture: ApplyPicture(c, h); break;
      case Prop::Kind:
        // The default button carries the heavy frame that tells which one Enter presses.
        if (auto* b = dynamic_cast<Button*>(&c)) {
          ::SendMessageA(h, BM_SETSTYLE, b->IsDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
          ApplyGlyph(*b, h);
        }
        break;
      default: ::InvalidateRect(h, nullptr, TRUE); break;
    }
  }

  void ControlDestroyed(Control& c) override {
    if (HWND h = static_cast<HWND>(c.peer)) {
      controls_.erase(h);
      ::DestroyWindow(h);
      pictures_.erase(h);  // its bitmap goes once the window is gone
      c.peer = nullptr;
    }
  }

  void TimerChanged(Timer& t) override {
    HWND w = TimerWindow();
    UINT_PTR id = reinterpret_cast<UINT_PTR>(&t);
    ::KillTimer(w, id);
    timers_.erase(id);
    if (t.Enabled() && t.Interval() > 0) {
      timers_[id] = &t;
      ::SetTimer(w, id, t.Interval(), nullptr);
    }
  }

  void TimerDestroyed(Timer& t) override {
    UINT_PTR id = reinterpret_cast<UINT_PTR>(&t);
    if (timerWindow_) ::KillTimer(timerWindow_, id);
    timers_.erase(id);
  }

  // --- forms
  void ShowForm(Form& f, bool show) override {
    HWND h = Realize(f);
    if (show) {
      if (f.position != Position::Designed) Centre(f, h);
      ::ShowWindow(h, SW_SHOW);
      ::UpdateWindow(h);
    } else {
      ::ShowWindow(h, SW_HIDE);
    }
  }

  void ActivateForm(Form& f) override {
    if (HWND h = static_cast<HWND>(f.peer)) ::SetForegroundWindow(h);
  }

  ModalResult RunModal(Form& f) override {
    std::vector<HWND> disabled;
    for (Form* other : app().Forms()) {
      HWND h = static_cast<HWND>(other->peer);
      if (other != &f && h && ::IsWindowEnabled(h)) {
        ::EnableWindow(h, FALSE);
        disabled.push_back(h);
      }
    }
    MSG msg;
    while (f.GetModalResult() == ModalResult::None && f.Showing()) {
      if (::GetMessageA(&msg, nullptr, 0, 0) <= 0) {
        ::PostQuitMessage(0);
        break;
      }
      Dispatch(msg);
    }
    for (HWND h : disabled) ::EnableWindow(h, TRUE);
    return f.GetModalResult();
  }

  void RunLoop() override {
    MSG msg;
    while (!app().Terminated() && ::GetMessageA(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
  }

  void Quit() override { ::PostQuitMessage(0); }

  void ProcessMessages() override {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      Dispatch(msg);
    }
  }

  int MessageBox(Form* owner, const std::string& text, const std::string& caption,
                 uint32_t flags) override {
    HWND h = owner ? static_cast<HWND>(owner->peer) : nullptr;
    return ::MessageBoxA(h, text.c_str(), caption.c_str(), flags);
  }

  int MessageBoxIn(Form* owner, const std::string& text, unsigned textCodePage,
                   const std::string& caption, unsigned captionCodePage, uint32_t flags) override {
    HWND h = owner ? static_cast<HWND>(owner->peer) : nullptr;
    const unsigned acp = ::GetACP();
    if ((textCodePage == 0 || textCodePage == acp) && (captionCodePage == 0 || captionCodePage == acp))
      return MessageBox(owner, text, caption, flags);
    std::wstring wtext, wcaption;
    // Without that code page on the system (an old Windows without East Asian
    // support, which has no font for the text either) the bytes go as they are.
    if (!Widen(text, textCodePage ? textCodePage : CP_ACP, wtext) ||
        !Widen(caption, captionCodePage ? captionCodePage : CP_ACP, wcaption))
      return MessageBox(owner, text, caption, flags);
    return ::MessageBoxW(h, wtext.c_str(), wcaption.c_str(), flags);
  }

  uintptr_t Handle(Form& f) override { return reinterpret_cast<uintptr_t>(Realize(f)); }

  void SetFocus(Control& c) override {
    HWND h = static_cast<HWND>(c.peer);
    if (!h) return;
    ::SetFocus(h);
    // Enter presses a focused button, so that one wears the default frame;
    // elsewhere the form's default button has it back.
    if (Form* f = c.OwnerForm()) {
      Button* pressed = dynamic_cast<Button*>(&c);
      if (!pressed) pressed = f->DefaultButton(false);
      for (auto& [hwnd, control] : controls_)
        if (auto* b = dynamic_cast<Button*>(control); b && b->OwnerForm() == f)
          ::SendMessageA(hwnd, BM_SETSTYLE, b == pressed ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    }
  }

  void ZOrder(Form& f, bool top, bool topmost) override {
    HWND h = Realize(f);
    HWND after = top ? (topmost ? HWND_TOPMOST : HWND_TOP) : (topmost ? HWND_TOPMOST : HWND_NOTOPMOST);
    ::SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }

  void SetScreenCursor(Cursor c) override {
    ::SetCursor(::LoadCursorA(nullptr, c == Cursor::HourGlass ? IDC_WAIT : IDC_ARROW));
  }

  void ApplicationTitleChanged(const std::string&) override {}

  void ShowException(const std::string& message) override {
    ::MessageBoxA(nullptr, message.c_str(), app().Title().c_str(), MB_ICONERROR | MB_OK);
  }

 private:
  static bool Widen(const std::string& bytes, unsigned codePage, std::wstring& out) {
    out.clear();
    if (bytes.empty()) return true;
    const int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                        static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return false;
    out.resize(static_cast<size_t>(n));
    return ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                 static_cast<int>(bytes.size()), &out[0], n) == n;
  }

  static LRESULT CALLBACK FormProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return Self().HandleFormMessage(h, m, w, l);
  }
  static LRESULT CALLBACK TimerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_TIMER) {
      auto it = Self().timers_.find(static_cast<UINT_PTR>(w));
      if (it != Self().timers_.end() && it->second->OnTimer) it->second->OnTimer();
      return 0;
    }
    return ::DefWindowProcA(h, m, w, l);
  }
  static LRESULT CALLBACK LabelProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    Win32Backend& self = Self();
    auto it = self.controls_.find(h);
    Control* c = it == self.controls_.end() ? nullptr : it->second;
    if (c) {
      if (m == WM_MOUSEMOVE) {
        TRACKMOUSEEVENT t = {sizeof t, TME_LEAVE, h, 0};
        ::TrackMouseEvent(&t);
        if (c->OnMouseMove) c->OnMouseMove(LOWORD(l), HIWORD(l));
      } else if (m == WM_MOUSELEAVE) {
        if (c->OnMouseLeave) c->OnMouseLeave();
      } else if (m == WM_SETCURSOR && c->GetCursor() == Cursor::HandPoint) {
        ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
        return TRUE;
      }
    }
    return ::CallWindowProcA(self.staticProc_, h, m, w, l);
  }

  static LRESULT CALLBACK GroupProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_ERASEBKGND) {
      RECT r;
      ::GetClientRect(h, &r);
      ::FillRect(reinterpret_cast<HDC>(w), &r, ::GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    return ::CallWindowProcA(Self().groupProc_, h, m, w, l);
  }

  LRESULT HandleFormMessage(HWND h, UINT m, WPARAM w, LPARAM l) {
    auto it = controls_.find(h);
    Form* f = it == controls_.end() ? nullptr : dynamic_cast<Form*>(it->second);
    switch (m) {
      case WM_COMMAND: {
        Control* c = FindById(LOWORD(w));
        if (!c) break;
        if (HIWORD(w) == BN_CLICKED || HIWORD(w) == STN_CLICKED) {
          if (c->Enabled()) c->Click();
        } else if (HIWORD(w) == STN_DBLCLK && c->OnDblClick) {
          c->OnDblClick();
        } else if (HIWORD(w) == LBN_SELCHANGE) {
          if (auto* lb = dynamic_cast<ListBase*>(c))
            lb->UserSelect(static_cast<int>(::SendMessageA(reinterpret_cast<HWND>(l), LB_GETCURSEL, 0, 0)));
        }
        return 0;
      }
      case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(l);
        Control* c = FindById(static_cast<UINT>(hdr->idFrom));
        auto* list = dynamic_cast<ListBase*>(c);
        if (!list || filling_) break;
        if (hdr->code == LVN_ITEMCHANGED) {
          auto* nm = reinterpret_cast<NMLISTVIEW*>(l);
          if ((nm->uChanged & LVIF_STATE) && ((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED)) {
            int sel = static_cast<int>(::SendMessageA(hdr->hwndFrom, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
            list->UserSelect(sel);
          }
        } else if (hdr->code == NM_DBLCLK && list->OnDblClick) {
          list->OnDblClick();
        }
        return 0;
      }
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLOREDIT: {
        auto cit = controls_.find(reinterpret_cast<HWND>(l));
        if (cit == controls_.end()) break;
        HDC dc = reinterpret_cast<HDC>(w);
        // In high contrast the user's colours win over the designed ones
        // (purple titles, teal on light yellow would be unreadable there).
        if (HighContrast()) {
          ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
          ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
          return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        }
        ::SetTextColor(dc, cit->second->GetFont().color);
        Color bg = cit->second->GetColor();
        // A transparent label or image shows what lies beneath it.
        auto* label = dynamic_cast<Label*>(cit->second);
        auto* image = dynamic_cast<Image*>(cit->second);
        if ((label && label->transparent) || (image && image->transparent))
          bg = ColourBeneath(*cit->second);
        ::SetBkColor(dc, bg == kBtnFace ? ::GetSysColor(COLOR_BTNFACE) : bg);
        return reinterpret_cast<LRESULT>(Brush(bg));
      }
      case WM_ERASEBKGND:
        if (!f) break;
        PaintBackground(*f, h, reinterpret_cast<HDC>(w));
        return 1;
      case WM_ACTIVATE:
        if (!f) break;
        if (LOWORD(w) == WA_INACTIVE) {
          // Kept, so that the focus comes back where it was.
          if (Control* c = FocusedControl(*f)) NoteFocus(*f, c);
          break;
        }
        if (f->OnActivate) f->OnActivate();
        if (Control* c = f->ActiveControl(); c && c->peer && c->CanFocus() && !HIWORD(w)) {
          ::SetFocus(static_cast<HWND>(c->peer));
          return 0;
        }
        break;
      case WM_SIZE:
        if (f && w != SIZE_MINIMIZED) f->ClientResized(LOWORD(l), HIWORD(l));
        return 0;
      case WM_CLOSE:
        if (f) f->Close();
        return 0;
      case WM_LBUTTONDBLCLK:
        // Panels have no window of their own: the innermost visible panel
        // under the pointer takes the double-click.
        if (f) {
          Control* panel = PanelAt(*f, static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)), 0, 0);
          if (panel && panel->OnDblClick) panel->OnDblClick();
        }
        return 0;
      default:
        if (f && m >= WM_USER && m < 0x8000 && f->OnMessage &&
            f->OnMessage(m, static_cast<uintptr_t>(w), static_cast<intptr_t>(l)))
          return 0;
        break;
    }
    return ::DefWindowProcA(h, m, w, l);
  }

  // The form's keyboard rules (ui::Form::PressKey) ahead of the controls:
  // Tab and Shift+Tab, Enter, Escape and Alt+letter. Space and the arrows stay
  // with the focused button or list, which handle them themselves.
  void Dispatch(MSG& msg) {
    if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && HandleKey(msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }

  bool HandleKey(const MSG& msg) {
    HWND top = ::GetAncestor(msg.hwnd, GA_ROOT);
    auto it = controls_.find(top);
    auto* f = it == controls_.end() ? nullptr : dynamic_cast<Form*>(it->second);
    if (!f || !::IsWindowEnabled(top)) return false;
    NoteFocus(*f, FocusedControl(*f));
    const WPARAM vk = msg.wParam;
    if (msg.message == WM_SYSKEYDOWN) {
      const bool alt = (msg.lParam & (1L << 29)) != 0;
      if (!alt || !((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))) return false;
      ShowKeyboardCues(top);
      return f->PressMnemonic(static_cast<char>(vk));
    }
    if (::GetKeyState(VK_MENU) < 0 || ::GetKeyState(VK_CONTROL) < 0) return false;
    switch (vk) {
      case VK_TAB:
        ShowKeyboardCues(top);
        f->PressKey(Key::Tab, ::GetKeyState(VK_SHIFT) < 0);
        return true;  // never a tab character in an edit
      case VK_RETURN: return f->PressKey(Key::Enter);
      case VK_ESCAPE: return f->PressKey(Key::Escape);
      default: return false;
    }
  }

  // Focus rectangles and key letters show once the keyboard is in use, as
  // the dialog manager does.
  static void ShowKeyboardCues(HWND form) {
    ::SendMessageA(form, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  }

  // The control of |f| that has the keyboard focus now, or nullptr.
  Control* FocusedControl(Form& f) {
    auto it = controls_.find(::GetFocus());
    if (it == controls_.end() || it->second == &f || it->second->OwnerForm() != &f) return nullptr;
    return it->second;
  }

  Control* FindById(UINT id) {
    auto it = ids_.find(id);
    return it == ids_.end() ? nullptr : it->second;
  }

  void Register() {
    if (registered_) return;
    registered_ = true;
    // Neither DLL is pinned to the system folder: both come from there (the
    // common controls as the manifest resolves them), never by a bare name.
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    if (auto init = plat::win32::ProcOf<InitFn>(plat::win32::CommonControls(), "InitCommonControlsEx"))
      init(&icc);
    plat::win32::SystemLibrary("riched20.dll");
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FormProc;
    wc.style = CS_DBLCLKS;  // a double-click on a panel reaches the form's window
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    // The program's own icon (resource 1) on every form, in the sizes the
    // title bar and Alt+Tab ask for.
    wc.hIcon = ProgramIcon(::GetSystemMetrics(SM_CXICON));
    wc.hIconSm = ProgramIcon(::GetSystemMetrics(SM_CXSMICON));
    wc.lpszClassName = kFormClass;
    ::RegisterClassExA(&wc);
    wc.lpszClassName = kPanelClass;
    wc.hIcon = wc.hIconSm = nullptr;
    ::RegisterClassExA(&wc);
  }

  static bool HighContrast() {
    HIGHCONTRASTA hc = {sizeof hc, 0, nullptr};
    return ::SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
  }

  static HICON ProgramIcon(int size) {
    HANDLE icon = ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), IMAGE_ICON, size,
                               size, LR_DEFAULTCOLOR);
    return icon ? static_cast<HICON>(icon) : ::LoadIconA(nullptr, IDI_APPLICATION);
  }

  static const char* GlyphResource(ButtonKind k) {
    switch (k) {
      case ButtonKind::OK: return "BBOK";
      case ButtonKind::Yes: return "BBYES";
      case ButtonKind::Cancel: return "BBCANCEL";
      case ButtonKind::No: return "BBNO";
      case ButtonKind::Close: return "BBCLOSE";
      case ButtonKind::Custom: break;
    }
    return "BBCUSTOM";
  }

  // A bitmap button shows its kind's glyph beside the caption. The glyph's
  // grey (192, 192, 192) becomes the button face of the user's colours, also
  // in high contrast. Windows before XP draw the caption alone. A disabled
  // button shows none: greyed, the glyph's square would turn into a block.
  void ApplyGlyph(Button& b, HWND h) {
    if (!b.hasPicture) return;
    if (!b.Enabled()) {
      ::SendMessageA(h, BM_SETIMAGE, IMAGE_BITMAP, 0);
      return;
    }
    const char* name = GlyphResource(b.GetButtonKind());
    plat::win32::ScopedGdiObject& glyph = glyphs_[name];
    if (!glyph)
      glyph.Set(::LoadImageA(::GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
    if (glyph) ::SendMessageA(h, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph.Get()));
  }

  HWND TimerWindow() {
    if (!timerWindow_) {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = TimerProc;
      wc.hInstance = ::GetModuleHandleA(nullptr);
      wc.lpszClassName = "InstallerTimers";
      ::RegisterClassA(&wc);
      timerWindow_ = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       wc.hInstance, nullptr);
    }
    return timerWindow_;
  }

  HWND Realize(Form& f) {
    if (f.peer) return static_cast<HWND>(f.peer);
    Register();
    DWORD style = WS_CLIPCHILDREN;
    if (f.border == BorderStyle::Sizeable)
      style |= WS_OVERLAPPEDWINDOW;
    else if (f.border == BorderStyle::Dialog)
      style |= WS_POPUP | WS_CAPTION | WS_DLGFRAME | (f.systemMenu ? WS_SYSMENU : 0);
    else
      style |= WS_POPUP | WS_BORDER;
    RECT r = {0, 0, f.ClientWidth(), f.ClientHeight()};
    ::AdjustWindowRectEx(&r, style, FALSE, 0);
    HWND owner = f.owner ? Realize(*f.owner) : nullptr;
    HWND h = ::CreateWindowExA(0, kFormClass, f.Caption().c_str(), style, f.Left(), f.Top(),
                               r.right - r.left, r.bottom - r.top, owner, nullptr,
                               ::GetModuleHandleA(nullptr), nullptr);
    f.peer = h;
    controls_[h] = &f;
    for (Control* c : f.Children()) RealizeTree(*c, h);
    // A frame lies beneath the controls it holds; later windows would go below it.
    for (auto& [hwnd, c] : controls_)
      if (c != &f && std::string(c->Kind()) == "GroupBox" && ::GetParent(hwnd) == h)
        ::SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    FormChanged(f, h, Prop::Alpha);
    return h;
  }

  void RealizeTree(Control& c, HWND form) {
    CreateControl(c, form);
    for (Control* child : c.Children()) RealizeTree(*child, form);
  }

  void CreateControl(Control& c, HWND form) {
    std::string kind = c.Kind();
    // Panels only group and place their children, which are windows of the
    // form; they and shapes are painted by the form (PaintBackground).
    if (kind == "Panel" || kind == "Shape") return;
    const char* cls = "STATIC";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD ex = 0;
    if (kind == "Label") {
      auto& l = static_cast<Label&>(c);
      style |= SS_NOTIFY | (l.alignment == TextAlign::Center ? SS_CENTER : SS_LEFT);
      if (!l.wordWrap) style |= SS_LEFTNOWORDWRAP * (l.alignment == TextAlign::Left);
    } else if (kind == "Button") {
      cls = "BUTTON";
      style |= static_cast<Button&>(c).IsDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    } else if (kind == "Edit" || kind == "Memo") {
      cls = "EDIT";
      ex = WS_EX_CLIENTEDGE;
      auto& e = static_cast<Edit&>(c);
      style |= ES_AUTOHSCROLL | (e.readOnly ? ES_READONLY : 0);
      if (e.multiLine) style |= ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | ES_WANTRETURN;
    } else if (kind == "RichEdit") {
      cls = "RichEdit20A";
      ex = WS_EX_CLIENTEDGE;
      style |= ES_MULTILINE | WS_VSCROLL | WS_HSCROLL | ES_NOHIDESEL;
    } else if (kind == "ListView") {
      cls = WC_LISTVIEWA;
      ex = WS_EX_CLIENTEDGE;
      style |= LVS_ICON | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE;
    } else if (kind == "ListBox") {
      cls = "LISTBOX";
      ex = WS_EX_CLIENTEDGE;
      style |= LBS_NOTIFY | WS_VSCROLL;
    } else if (kind == "StatusBar") {
      cls = STATUSCLASSNAMEA;
    } else if (kind == "ProgressBar") {
      cls = PROGRESS_CLASSA;
    } else if (kind == "GroupBox") {
      cls = "BUTTON";
      style |= BS_GROUPBOX;
    } else if (kind == "Panel") {
      cls = kPanelClass;
    } else if (kind == "Image") {
      style |= SS_BITMAP | SS_NOTIFY;
    }
    // Each control that takes the focus is a tab stop and a group of its own:
    // Tab follows the form's order, and arrows stay inside the control.
    if (c.TakesFocus() && c.TabStop()) style |= WS_TABSTOP | WS_GROUP;
    UINT id = nextId_++;
    HWND h = ::CreateWindowExA(ex, cls, kind == "Image" ? "" : c.Caption().c_str(), style, 0, 0,
                               c.Width(), c.Height(), form, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                               ::GetModuleHandleA(nullptr), nullptr);
    if (!h) return;
    c.peer = h;
    controls_[h] = &c;
    ids_[id] = &c;
    if (kind == "Label") {
      staticProc_ = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LabelProc)));
    } else if (kind == "StatusBar") {
      ::SendMessageA(h, SB_SIMPLE, TRUE, 0);
      ControlChanged(c, Prop::Caption);
    } else if (kind == "ProgressBar") {
      auto& b = static_cast<ProgressBar&>(c);
      ::SendMessageA(h, PBM_SETRANGE32, b.Min(), b.Max());
      ::SendMessageA(h, PBM_SETPOS, b.Position(), 0);
    } else if (kind == "ListView") {
      // 24-bit colour and a mask: the 256-colour pictures as drawn, on any display.
      HIMAGELIST il = CallCommonControls<decltype(&::ImageList_Create)>("ImageList_Create", 32, 32,
                                                                         ILC_COLOR24 | ILC_MASK, 1, 1);
      const std::string& images = static_cast<ListView&>(c).largeImages;
      // The image list keeps a copy of the picture.
      const plat::win32::ScopedIcon picture(
          images.empty() ? nullptr
                         : static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), images.c_str(),
                                                           IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
      if (il)
        CallCommonControls<decltype(&::ImageList_ReplaceIcon)>(
            "ImageList_ReplaceIcon", il, -1, picture ? picture.Get() : ::LoadIconA(nullptr, IDI_APPLICATION));
      ::SendMessageA(h, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(il));
      ::SendMessageA(h, LVM_SETBKCOLOR, 0, ::GetSysColor(COLOR_WINDOW));
      ::SendMessageA(h, LVM_SETTEXTBKCOLOR, 0, ::GetSysColor(COLOR_WINDOW));
      ::SendMessageA(h, LVM_SETTEXTCOLOR, 0, ::GetSysColor(COLOR_WINDOWTEXT));
    }
    ApplyFont(c, h);
    if (kind == "Button") ApplyGlyph(static_cast<Button&>(c), h);
    if (kind == "ListView" || kind == "ListBox") FillList(c, h);
    if (kind == "Image") ApplyPicture(c, h);
    ::EnableWindow(h, c.Enabled());
    Place(c);
    // The form clips its children, so a frame fills its own background.
    if (kind == "GroupBox")
      groupProc_ = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GroupProc)));
  }

  // The innermost visible panel below |parent| (at form offset ox, oy) that
  // holds the point, or nullptr.
  static Control* PanelAt(Control& parent, int x, int y, int ox, int oy) {
    Control* found = nullptr;
    for (Control* c : parent.Children()) {
      if (!c->Visible() || std::string(c->Kind()) != "Panel") continue;
      const int left = ox + c->Left(), top = oy + c->Top();
      if (x < left || y < top || x >= left + c->Width() || y >= top + c->Height()) continue;
      Control* inner = PanelAt(*c, x, y, left, top);
      found = inner ? inner : c;
    }
    return found;
  }

  HBRUSH Brush(Color c) {
    if (c == kBtnFace) return ::GetSysColorBrush(COLOR_BTNFACE);
    plat::win32::ScopedGdiObject& b = brushes_[c];
    if (!b) b.Set(::CreateSolidBrush(c));
    return static_cast<HBRUSH>(b.Get());
  }

  // Whether a control paints itself without a window: shapes, and panels
  // given a colour of their own.
  static bool Windowless(const Control& c) {
    std::string kind = c.Kind();
    return kind == "Shape" || (kind == "Panel" && c.GetColor() != kBtnFace);
  }

  // Form coordinates of a control; false when it or a parent is hidden.
  static bool FormRect(const Control& c, RECT& r) {
    int x = c.Left(), y = c.Top();
    bool visible = c.Visible();
    for (Control* p = c.Parent(); p && !dynamic_cast<Form*>(p); p = p->Parent()) {
      x += p->Left();
      y += p->Top();
      visible = visible && p->Visible();
    }
    r = {x, y, x + c.Width(), y + c.Height()};
    return visible;
  }

  // The form's colour, then its shapes and coloured panels in creation
  // order (a later one lies above an earlier one).
  void PaintBackground(Form& f, HWND h, HDC dc) {
    RECT r;
    ::GetClientRect(h, &r);
    ::FillRect(dc, &r, Brush(f.GetColor()));
    PaintWindowless(f, dc);
  }
  void PaintWindowless(Control& parent, HDC dc) {
    for (Control* c : parent.Children()) {
      RECT r;
      if (!FormRect(*c, r)) continue;
      if (Windowless(*c)) ::FillRect(dc, &r, Brush(c->GetColor()));
      PaintWindowless(*c, dc);
    }
  }

  // The colour painted beneath the middle of |c|: the last shape or coloured
  // panel that holds the point, else the form's colour.
  Color ColourBeneath(Control& c) {
    Form* f = c.OwnerForm();
    if (!f) return kBtnFace;
    RECT mine;
    FormRect(c, mine);
    POINT mid = {(mine.left + mine.right) / 2, (mine.top + mine.bottom) / 2};
    Color found = f->GetColor();
    FindBeneath(*f, c, mid, found);
    return found;
  }
  // Walks the tree in painting order up to |c|; false once |c| is reached.
  static bool FindBeneath(Control& parent, Control& c, POINT mid, Color& found) {
    for (Control* child : parent.Children()) {
      if (child == &c) return false;
      RECT r;
      if (FormRect(*child, r) && Windowless(*child) && mid.x >= r.left &&
          mid.x < r.right && mid.y >= r.top && mid.y < r.bottom)
        found = child->GetColor();
      if (!FindBeneath(*child, c, mid, found)) return false;
    }
    return true;
  }

  // The control's window at its form coordinates, shown while it and all
  // its parents are visible.
  void Place(Control& c) {
    HWND h = static_cast<HWND>(c.peer);
    if (!h) return;
    RECT r;
    const bool visible = FormRect(c, r);
    ::MoveWindow(h, r.left, r.top, c.Width(), c.Height(), TRUE);
    ::ShowWindow(h, visible ? SW_SHOWNA : SW_HIDE);
  }

  void ApplyFont(Control& c, HWND h) {
    const Font& f = c.GetFont();
    std::string key = f.name + "/" + std::to_string(f.height) + (f.bold ? "b" : "");
    plat::win32::ScopedGdiObject& font = fonts_[key];
    if (!font)
      font.Set(::CreateFontA(-f.height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, f.name.c_str()));
    ::SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
  }

  void FillList(Control& c, HWND h) {
    auto* list = dynamic_cast<ListBase*>(&c);
    if (!list) return;
    filling_ = true;
    if (std::string(c.Kind()) == "ListView") {
      ::SendMessageA(h, LVM_DELETEALLITEMS, 0, 0);
      for (size_t i = 0; i < list->Items().size(); ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(list->Items()[i].c_str());
        ::SendMessageA(h, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
      }
      if (list->ItemIndex() >= 0) {
        LVITEMA state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(h, LVM_SETITEMSTATE, list->ItemIndex(), reinterpret_cast<LPARAM>(&state));
      }
    } else {
      ::SendMessageA(h, LB_RESETCONTENT, 0, 0);
      for (const std::string& s : list->Items())
        ::SendMessageA(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
      ::SendMessageA(h, LB_SETCURSEL, list->ItemIndex(), 0);
    }
    filling_ = false;
  }

  void ApplyPicture(Control& c, HWND h) {
    auto* img = dynamic_cast<Image*>(&c);
    const std::string& bmp = img ? img->Picture() : std::string();
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') return;
    DWORD offset;
    memcpy(&offset, bmp.data() + 10, 4);
    if (offset >= bmp.size()) return;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(bmp.data() + 14);
    HDC dc = ::GetDC(h);
    HBITMAP b = ::CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT, bmp.data() + offset, info, DIB_RGB_COLORS);
    ::ReleaseDC(h, dc);
    HBITMAP old = reinterpret_cast<HBITMAP>(::SendMessageA(h, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(b)));
    plat::win32::ScopedGdiObject& mine = pictures_[h];
    // A control that drew a copy hands that back: it is ours to delete too.
    if (old && old != mine.Get()) plat::win32::ScopedGdiObject copy(old);
    mine.Set(b);
  }

  void FormChanged(Form& f, HWND h, Prop p) {
    switch (p) {
      case Prop::Caption: ::SetWindowTextA(h, f.Caption().c_str()); break;
      case Prop::Enabled: ::EnableWindow(h, f.Enabled()); break;
      case Prop::Alpha: {
        // Layered windows exist from Windows 2000 on; looked up so the call is optional.
        using Fn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
        auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("user32"), "SetLayeredWindowAttributes")));
        LONG ex = ::GetWindowLongA(h, GWL_EXSTYLE);
        if (f.AlphaBlend() && fn) {
          ::SetWindowLongA(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
          fn(h, 0, f.AlphaBlendValue(), LWA_ALPHA);
        } else if (ex & WS_EX_LAYERED) {
          // A window that stops being layered has to be painted anew.
          ::SetWindowLongA(h, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
          ::RedrawWindow(h, nullptr, nullptr,
                         RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        }
        break;
      }
      case Prop::Other:  // Repaint: at once, not when the loop gets to it
        ::RedrawWindow(h, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        break;
      case Prop::Bounds: {
        RECT r = {0, 0, f.ClientWidth(), f.ClientHeight()};
        ::AdjustWindowRectEx(&r, ::GetWindowLongA(h, GWL_STYLE), FALSE, ::GetWindowLongA(h, GWL_EXSTYLE));
        ::SetWindowPos(h, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
        break;
      }
      default: break;
    }
  }

  void Centre(Form& f, HWND h) {
    RECT r;
    ::GetWindowRect(h, &r);
    int w = r.right - r.left, ht = r.bottom - r.top;
    RECT area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (f.position == Position::OwnerCenter && f.owner && f.owner->peer)
      ::GetWindowRect(static_cast<HWND>(f.owner->peer), &area);
    ::SetWindowPos(h, nullptr, area.left + (area.right - area.left - w) / 2,
                   area.top + (area.bottom - area.top - ht) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }

  bool registered_ = false, filling_ = false;
  UINT nextId_ = kFirstId;
  HWND timerWindow_ = nullptr;
  WNDPROC staticProc_ = nullptr;
  WNDPROC groupProc_ = nullptr;
  std::map<HWND, Control*> controls_;
  std::map<UINT, Control*> ids_;
  std::map<UINT_PTR, Timer*> timers_;
  // The GDI objects the windows use, deleted with the backend.
  std::map<std::string, plat::win32::ScopedGdiObject> fonts_;
  std::map<Color, plat::win32::ScopedGdiObject> brushes_;
  std::map<std::string, plat::win32::ScopedGdiObject> glyphs_;
  std::map<HWND, plat::win32::ScopedGdiObject> pictures_;  // an image control's bitmap
};

Win32Backend& Win32Backend::Self() {
  static Win32Backend backend;
  return backend;
}

}  // namespace

Backend* DefaultBackend() { return &Win32Backend::Self(); }

}  // namespace ui
