// The Win32 backend's loops and messages: the message and modal loops, the
// form's window procedure, the keyboard rules ahead of the controls, timers
// and message boxes.
#include "ui/win32/win32_backend.h"

#include <commctrl.h>

#include <vector>

namespace ui {

Backend* DefaultBackend() { return &win32::Win32Backend::Self(); }

namespace win32 {
namespace {

bool Widen(const std::string& bytes, unsigned codePage, std::wstring& out) {
  out.clear();
  if (bytes.empty()) return true;
  const int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                      static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return false;
  out.resize(static_cast<size_t>(n));
  return ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                               static_cast<int>(bytes.size()), &out[0], n) == n;
}

// Focus rectangles and key letters show once the keyboard is in use, as
// the dialog manager does.
void ShowKeyboardCues(HWND form) {
  ::SendMessageA(form, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

}  // namespace

Win32Backend& Win32Backend::Self() {
  static Win32Backend backend;
  return backend;
}

// --- loops -----------------------------------------------------------------

ModalResult Win32Backend::RunModal(Form& f) {
  UI_ASSERT(::IsWindow(WindowOf(f)));  // Form::ShowModal shows it first
  std::vector<HWND> disabled;
  for (Form* other : app().Forms()) {
    HWND h = WindowOf(*other);
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

void Win32Backend::RunLoop() {
  MSG msg;
  while (!app().Terminated() && ::GetMessageA(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
}

void Win32Backend::Quit() { ::PostQuitMessage(0); }

void Win32Backend::ProcessMessages() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    Dispatch(msg);
  }
}

// The form's keyboard rules (ui::Form::PressKey) ahead of the controls:
// Tab and Shift+Tab, Enter, Escape and Alt+letter. Space and the arrows stay
// with the focused button or list, which handle them themselves.
void Win32Backend::Dispatch(MSG& msg) {
  if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && HandleKey(msg)) return;
  ::TranslateMessage(&msg);
  ::DispatchMessageA(&msg);
}

bool Win32Backend::HandleKey(const MSG& msg) {
  HWND top = ::GetAncestor(msg.hwnd, GA_ROOT);
  Form* f = FormOf(top);
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

// --- window procedures -------------------------------------------------------

LRESULT CALLBACK Win32Backend::FormProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  return Self().HandleFormMessage(h, m, w, l);
}

LRESULT Win32Backend::HandleFormMessage(HWND h, UINT m, WPARAM w, LPARAM l) {
  Form* f = FormOf(h);
  switch (m) {
    case WM_COMMAND:
      if (OnCommand(w, l)) return 0;
      break;
    case WM_NOTIFY:
      if (OnNotify(*reinterpret_cast<NMHDR*>(l), l)) return 0;
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
      LRESULT brush;
      if (ControlColours(reinterpret_cast<HWND>(l), reinterpret_cast<HDC>(w), brush)) return brush;
      break;
    }
    case WM_ERASEBKGND:
      if (!f) break;
      PaintBackground(*f, h, reinterpret_cast<HDC>(w));
      return 1;
    case WM_ACTIVATE:
      if (f && OnActivate(*f, w)) return 0;
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
        Control* panel =
            PanelAt(*f, static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)), 0, 0);
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

bool Win32Backend::OnCommand(WPARAM w, LPARAM l) {
  Control* c = FindById(LOWORD(w));
  if (!c) return false;
  if (HIWORD(w) == BN_CLICKED || HIWORD(w) == STN_CLICKED) {
    if (c->Enabled()) c->Click();
  } else if (HIWORD(w) == STN_DBLCLK && c->OnDblClick) {
    c->OnDblClick();
  } else if (HIWORD(w) == LBN_SELCHANGE) {
    if (auto* lb = dynamic_cast<ListBase*>(c)) {
      const int sel =
          static_cast<int>(::SendMessageA(reinterpret_cast<HWND>(l), LB_GETCURSEL, 0, 0));
      // The window holds the items of the state (FillList): a choice is one of them.
      UI_ASSERT(sel >= -1 && sel < static_cast<int>(lb->Items().size()));
      lb->UserSelect(sel);
    }
  }
  return true;
}

bool Win32Backend::OnNotify(const NMHDR& hdr, LPARAM l) {
  auto* list = dynamic_cast<ListBase*>(FindById(static_cast<UINT>(hdr.idFrom)));
  if (!list || filling_) return false;
  if (hdr.code == LVN_ITEMCHANGED) {
    auto* nm = reinterpret_cast<NMLISTVIEW*>(l);
    if ((nm->uChanged & LVIF_STATE) && ((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED)) {
      const int sel = static_cast<int>(
          ::SendMessageA(hdr.hwndFrom, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
      UI_ASSERT(sel >= -1 && sel < static_cast<int>(list->Items().size()));
      list->UserSelect(sel);
    }
  } else if (hdr.code == NM_DBLCLK && list->OnDblClick) {
    list->OnDblClick();
  }
  return true;
}

bool Win32Backend::OnActivate(Form& f, WPARAM w) {
  if (LOWORD(w) == WA_INACTIVE) {
    // Kept, so that the focus comes back where it was.
    if (Control* c = FocusedControl(f)) NoteFocus(f, c);
    return false;
  }
  if (f.OnActivate) f.OnActivate();
  Control* c = f.ActiveControl();
  HWND h = c ? WindowOf(*c) : nullptr;
  if (!h || !c->CanFocus() || HIWORD(w)) return false;
  ::SetFocus(h);
  return true;
}

LRESULT CALLBACK Win32Backend::LabelProc(HWND h, UINT m, WPARAM w, LPARAM l) {
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

// The innermost visible panel below |parent| (at form offset ox, oy) that
// holds the point, or nullptr.
Control* Win32Backend::PanelAt(Control& parent, int x, int y, int ox, int oy) {
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

// The control of |f| that has the keyboard focus now, or nullptr.
Control* Win32Backend::FocusedControl(Form& f) {
  auto it = controls_.find(::GetFocus());
  if (it == controls_.end() || it->second == &f || it->second->OwnerForm() != &f) return nullptr;
  return it->second;
}

Control* Win32Backend::FindById(UINT id) {
  auto it = ids_.find(id);
  return it == ids_.end() ? nullptr : it->second;
}

Form* Win32Backend::FormOf(HWND h) {
  auto it = controls_.find(h);
  return it == controls_.end() ? nullptr : dynamic_cast<Form*>(it->second);
}

// --- timers ------------------------------------------------------------------

void Win32Backend::TimerChanged(Timer& t) {
  HWND w = TimerWindow();
  UINT_PTR id = reinterpret_cast<UINT_PTR>(&t);
  ::KillTimer(w, id);
  timers_.erase(id);
  if (t.Enabled() && t.Interval() > 0) {
    timers_[id] = &t;
    ::SetTimer(w, id, t.Interval(), nullptr);
  }
}

void Win32Backend::TimerDestroyed(Timer& t) {
  UINT_PTR id = reinterpret_cast<UINT_PTR>(&t);
  if (timerWindow_) ::KillTimer(timerWindow_, id);
  timers_.erase(id);
}

LRESULT CALLBACK Win32Backend::TimerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_TIMER) {
    auto it = Self().timers_.find(static_cast<UINT_PTR>(w));
    if (it != Self().timers_.end() && it->second->OnTimer) it->second->OnTimer();
    return 0;
  }
  return ::DefWindowProcA(h, m, w, l);
}

HWND Win32Backend::TimerWindow() {
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

// --- message boxes and the rest ----------------------------------------------

int Win32Backend::MessageBox(Form* owner, const std::string& text, const std::string& caption,
                             uint32_t flags) {
  HWND h = owner ? WindowOf(*owner) : nullptr;
  UI_ASSERT(!h || ::IsWindow(h));
  return ::MessageBoxA(h, text.c_str(), caption.c_str(), flags);
}

int Win32Backend::MessageBoxIn(Form* owner, const std::string& text, unsigned textCodePage,
                               const std::string& caption, unsigned captionCodePage,
                               uint32_t flags) {
  HWND h = owner ? WindowOf(*owner) : nullptr;
  const unsigned acp = ::GetACP();
  if ((textCodePage == 0 || textCodePage == acp) &&
      (captionCodePage == 0 || captionCodePage == acp))
    return MessageBox(owner, text, caption, flags);
  std::wstring wtext, wcaption;
  // Without that code page on the system (an old Windows without East Asian
  // support, which has no font for the text either) the bytes go as they are.
  if (!Widen(text, textCodePage ? textCodePage : CP_ACP, wtext) ||
      !Widen(caption, captionCodePage ? captionCodePage : CP_ACP, wcaption))
    return MessageBox(owner, text, caption, flags);
  return ::MessageBoxW(h, wtext.c_str(), wcaption.c_str(), flags);
}

void Win32Backend::SetScreenCursor(Cursor c) {
  ::SetCursor(::LoadCursorA(nullptr, c == Cursor::HourGlass ? IDC_WAIT : IDC_ARROW));
}

void Win32Backend::ShowException(const std::string& message) {
  ::MessageBoxA(nullptr, message.c_str(), app().Title().c_str(), MB_ICONERROR | MB_OK);
}

}  // namespace win32
}  // namespace ui
