// The Win32 backend's windows: made for a form and its controls when the
// form is first shown or asked for its handle, then kept up to date with
// their state.
#include "ui/win32/win32_backend.h"

#include <commctrl.h>

#include "platform/win32/system_library.h"

namespace ui::win32 {
namespace {

constexpr const char* kFormClass = "InstallerForm";
constexpr const char* kPanelClass = "InstallerPanel";

// The window class and styles of a control's kind.
struct WindowKind {
  const char* cls = "STATIC";
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD ex = 0;
};

WindowKind KindOf(Control& c, const std::string& kind) {
  WindowKind k;
  if (kind == "Label") {
    auto& l = static_cast<Label&>(c);
    k.style |= SS_NOTIFY | (l.alignment == TextAlign::Center ? SS_CENTER : SS_LEFT);
    if (!l.wordWrap) k.style |= SS_LEFTNOWORDWRAP * (l.alignment == TextAlign::Left);
  } else if (kind == "Button") {
    k.cls = "BUTTON";
    k.style |= static_cast<Button&>(c).IsDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  } else if (kind == "Edit" || kind == "Memo") {
    k.cls = "EDIT";
    k.ex = WS_EX_CLIENTEDGE;
    auto& e = static_cast<Edit&>(c);
    k.style |= ES_AUTOHSCROLL | (e.readOnly ? ES_READONLY : 0);
    if (e.multiLine) k.style |= ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | ES_WANTRETURN;
  } else if (kind == "RichEdit") {
    k.cls = "RichEdit20A";
    k.ex = WS_EX_CLIENTEDGE;
    k.style |= ES_MULTILINE | WS_VSCROLL | WS_HSCROLL | ES_NOHIDESEL;
  } else if (kind == "ListView") {
    k.cls = WC_LISTVIEWA;
    k.ex = WS_EX_CLIENTEDGE;
    k.style |= LVS_ICON | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE;
  } else if (kind == "ListBox") {
    k.cls = "LISTBOX";
    k.ex = WS_EX_CLIENTEDGE;
    k.style |= LBS_NOTIFY | WS_VSCROLL;
  } else if (kind == "StatusBar") {
    k.cls = STATUSCLASSNAMEA;
  } else if (kind == "ProgressBar") {
    k.cls = PROGRESS_CLASSA;
  } else if (kind == "GroupBox") {
    k.cls = "BUTTON";
    k.style |= BS_GROUPBOX;
  } else if (kind == "Panel") {
    k.cls = kPanelClass;
  } else if (kind == "Image") {
    k.style |= SS_BITMAP | SS_NOTIFY;
  }
  // Each control that takes the focus is a tab stop and a group of its own:
  // Tab follows the form's order, and arrows stay inside the control.
  if (c.TakesFocus() && c.TabStop()) k.style |= WS_TABSTOP | WS_GROUP;
  return k;
}

}  // namespace

// --- control state to windows --------------------------------------------------

void Win32Backend::ControlChanged(Control& c, Prop p) {
  HWND h = WindowOf(c);
  if (!h) {
    // Panels and shapes are painted by their form.
    Form* f = c.OwnerForm();
    HWND fh = f ? WindowOf(*f) : nullptr;
    if (fh && (p == Prop::Color || p == Prop::Visible || p == Prop::Bounds))
      ::InvalidateRect(fh, nullptr, TRUE);
    return;
  }
  UI_ASSERT(::IsWindow(h));
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
        ::SendMessageA(h, SB_SETTEXTA, 255 | SBT_NOBORDERS,
                       reinterpret_cast<LPARAM>(c.Caption().c_str()));
      else
        ::SetWindowTextA(h, c.Caption().c_str());
      break;
    case Prop::Enabled:
      ::EnableWindow(h, c.Enabled());
      if (auto* b = dynamic_cast<Button*>(&c)) ApplyGlyph(*b, h);
      break;
    case Prop::Font:
      ApplyFont(c, h);
      ::InvalidateRect(h, nullptr, TRUE);
      break;
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

void Win32Backend::ControlDestroyed(Control& c) {
  HWND h = WindowOf(c);
  if (!h) return;
  controls_.erase(h);
  ::DestroyWindow(h);
  pictures_.erase(h);  // its bitmap goes once the window is gone
}

void Win32Backend::FormChanged(Form& f, HWND h, Prop p) {
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
      ::RedrawWindow(h, nullptr, nullptr,
                     RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      break;
    case Prop::Bounds: {
      RECT r = {0, 0, f.ClientWidth(), f.ClientHeight()};
      ::AdjustWindowRectEx(&r, ::GetWindowLongA(h, GWL_STYLE), FALSE,
                           ::GetWindowLongA(h, GWL_EXSTYLE));
      ::SetWindowPos(h, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER);
      break;
    }
    default: break;
  }
}

// The control's window at its form coordinates, shown while it and all
// its parents are visible.
void Win32Backend::Place(Control& c) {
  HWND h = WindowOf(c);
  if (!h) return;
  UI_ASSERT(::IsWindow(h));
  RECT r;
  const bool visible = FormRect(c, r);
  ::MoveWindow(h, r.left, r.top, c.Width(), c.Height(), TRUE);
  ::ShowWindow(h, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Backend::FillList(Control& c, HWND h) {
  auto* list = dynamic_cast<ListBase*>(&c);
  if (!list) return;
  UI_ASSERT(::IsWindow(h));
  const int count = static_cast<int>(list->Items().size());
  UI_ASSERT(list->ItemIndex() >= -1 && list->ItemIndex() < count);
  filling_ = true;
  if (std::string(c.Kind()) == "ListView") {
    ::SendMessageA(h, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < count; ++i) {
      LVITEMA item = {};
      item.mask = LVIF_TEXT | LVIF_IMAGE;
      item.iItem = i;
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

// --- forms -----------------------------------------------------------------------

void Win32Backend::ShowForm(Form& f, bool show) {
  HWND h = Realize(f);
  if (show) {
    if (f.position != Position::Designed) Centre(f, h);
    ::ShowWindow(h, SW_SHOW);
    ::UpdateWindow(h);
  } else {
    ::ShowWindow(h, SW_HIDE);
  }
}

void Win32Backend::ActivateForm(Form& f) {
  if (HWND h = WindowOf(f)) ::SetForegroundWindow(h);
}

uintptr_t Win32Backend::Handle(Form& f) { return reinterpret_cast<uintptr_t>(Realize(f)); }

void Win32Backend::SetFocus(Control& c) {
  HWND h = WindowOf(c);
  if (!h) return;
  UI_ASSERT(::IsWindow(h));
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

void Win32Backend::ZOrder(Form& f, bool top, bool topmost) {
  HWND h = Realize(f);
  HWND after =
      top ? (topmost ? HWND_TOPMOST : HWND_TOP) : (topmost ? HWND_TOPMOST : HWND_NOTOPMOST);
  ::SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void Win32Backend::Centre(Form& f, HWND h) {
  RECT r;
  ::GetWindowRect(h, &r);
  int w = r.right - r.left, ht = r.bottom - r.top;
  RECT area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  HWND owner = f.owner ? WindowOf(*f.owner) : nullptr;
  if (f.position == Position::OwnerCenter && owner) ::GetWindowRect(owner, &area);
  ::SetWindowPos(h, nullptr, area.left + (area.right - area.left - w) / 2,
                 area.top + (area.bottom - area.top - ht) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// --- making the windows --------------------------------------------------------

HWND Win32Backend::WindowOf(const Control& c) const {
  for (const auto& [h, control] : controls_)
    if (control == &c && h) return h;
  return nullptr;
}

void Win32Backend::Register() {
  if (registered_) return;
  registered_ = true;
  // Neither DLL is pinned to the system folder: both come from there (the
  // common controls as the manifest resolves them), never by a bare name.
  INITCOMMONCONTROLSEX icc = {sizeof icc,
                              ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
  using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  if (auto init =
          plat::win32::ProcOf<InitFn>(plat::win32::CommonControls(), "InitCommonControlsEx"))
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

HWND Win32Backend::Realize(Form& f) {
  if (HWND h = WindowOf(f)) return h;
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
  controls_[h] = &f;
  for (Control* c : f.Children()) RealizeTree(*c, h);
  // A frame lies beneath the controls it holds; later windows would go below it.
  for (auto& [hwnd, c] : controls_)
    if (c != &f && std::string(c->Kind()) == "GroupBox" && ::GetParent(hwnd) == h)
      ::SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  FormChanged(f, h, Prop::Alpha);
  return h;
}

void Win32Backend::RealizeTree(Control& c, HWND form) {
  CreateControl(c, form);
  for (Control* child : c.Children()) RealizeTree(*child, form);
}

void Win32Backend::CreateControl(Control& c, HWND form) {
  std::string kind = c.Kind();
  // Panels only group and place their children, which are windows of the
  // form; they and shapes are painted by the form (PaintBackground).
  if (kind == "Panel" || kind == "Shape") return;
  UI_ASSERT(::IsWindow(form));
  const WindowKind k = KindOf(c, kind);
  UINT id = nextId_++;
  HWND h = ::CreateWindowExA(k.ex, k.cls, kind == "Image" ? "" : c.Caption().c_str(), k.style, 0, 0,
                             c.Width(), c.Height(), form,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                             ::GetModuleHandleA(nullptr), nullptr);
  if (!h) return;
  controls_[h] = &c;
  ids_[id] = &c;
  SetUpControl(c, h, kind);
}

// What a new window needs beyond its styles to show its control's state.
void Win32Backend::SetUpControl(Control& c, HWND h, const std::string& kind) {
  if (kind == "Label") {
    staticProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LabelProc)));
  } else if (kind == "StatusBar") {
    ::SendMessageA(h, SB_SIMPLE, TRUE, 0);
    ControlChanged(c, Prop::Caption);
  } else if (kind == "ProgressBar") {
    auto& b = static_cast<ProgressBar&>(c);
    ::SendMessageA(h, PBM_SETRANGE32, b.Min(), b.Max());
    ::SendMessageA(h, PBM_SETPOS, b.Position(), 0);
  } else if (kind == "ListView") {
    ApplyLargeImages(static_cast<ListView&>(c), h);
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
    groupProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GroupProc)));
}

// --- geometry ------------------------------------------------------------------

// Form coordinates of a control; false when it or a parent is hidden.
bool Win32Backend::FormRect(const Control& c, RECT& r) {
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

}  // namespace ui::win32
