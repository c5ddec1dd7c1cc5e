// The Win32 backend's painting and pictures: the form's background with its
// shapes and coloured panels, the colours of labels and edits, fonts, the
// glyphs of bitmap buttons, image controls and the list view's icon.
#include "ui/win32/win32_backend.h"

#include <commctrl.h>

#include <cstring>
#include <utility>

#include "platform/win32/system_library.h"

namespace ui::win32 {
namespace {

// A function of the common controls (loaded at run time, see Register);
// zero when the DLL or the function cannot be had.
template <typename Fn, typename... Args>
auto CallCommonControls(const char* name, Args... args) {
  using Result = decltype(std::declval<Fn>()(args...));
  Fn fn = plat::win32::ProcOf<Fn>(plat::win32::CommonControls(), name);
  return fn ? fn(args...) : Result{};
}

const char* GlyphResource(ButtonKind k) {
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

}  // namespace

// --- backgrounds -------------------------------------------------------------

LRESULT CALLBACK Win32Backend::GroupProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_ERASEBKGND) {
    RECT r;
    ::GetClientRect(h, &r);
    ::FillRect(reinterpret_cast<HDC>(w), &r, ::GetSysColorBrush(COLOR_BTNFACE));
    return 1;
  }
  return ::CallWindowProcA(Self().groupProc_, h, m, w, l);
}

bool Win32Backend::ControlColours(HWND control, HDC dc, LRESULT& brush) {
  auto it = controls_.find(control);
  if (it == controls_.end()) return false;
  Control& c = *it->second;
  // In high contrast the user's colours win over the designed ones
  // (purple titles, teal on light yellow would be unreadable there).
  if (HighContrast()) {
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    brush = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    return true;
  }
  ::SetTextColor(dc, c.GetFont().color);
  Color bg = c.GetColor();
  // A transparent label or image shows what lies beneath it.
  auto* label = dynamic_cast<Label*>(&c);
  auto* image = dynamic_cast<Image*>(&c);
  if ((label && label->transparent) || (image && image->transparent)) bg = ColourBeneath(c);
  ::SetBkColor(dc, bg == kBtnFace ? ::GetSysColor(COLOR_BTNFACE) : bg);
  brush = reinterpret_cast<LRESULT>(Brush(bg));
  return true;
}

// The form's colour, then its shapes and coloured panels in creation
// order (a later one lies above an earlier one).
void Win32Backend::PaintBackground(Form& f, HWND h, HDC dc) {
  RECT r;
  ::GetClientRect(h, &r);
  ::FillRect(dc, &r, Brush(f.GetColor()));
  PaintWindowless(f, dc);
}

void Win32Backend::PaintWindowless(Control& parent, HDC dc) {
  for (Control* c : parent.Children()) {
    RECT r;
    if (!FormRect(*c, r)) continue;
    if (Windowless(*c)) ::FillRect(dc, &r, Brush(c->GetColor()));
    PaintWindowless(*c, dc);
  }
}

// The colour painted beneath the middle of |c|: the last shape or coloured
// panel that holds the point, else the form's colour.
Color Win32Backend::ColourBeneath(Control& c) {
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
bool Win32Backend::FindBeneath(Control& parent, Control& c, POINT mid, Color& found) {
  for (Control* child : parent.Children()) {
    if (child == &c) return false;
    RECT r;
    if (FormRect(*child, r) && Windowless(*child) && mid.x >= r.left && mid.x < r.right &&
        mid.y >= r.top && mid.y < r.bottom)
      found = child->GetColor();
    if (!FindBeneath(*child, c, mid, found)) return false;
  }
  return true;
}

// Whether a control paints itself without a window: shapes, and panels
// given a colour of their own.
bool Win32Backend::Windowless(const Control& c) {
  std::string kind = c.Kind();
  return kind == "Shape" || (kind == "Panel" && c.GetColor() != kBtnFace);
}

bool Win32Backend::HighContrast() {
  HIGHCONTRASTA hc = {sizeof hc, 0, nullptr};
  return ::SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) &&
         (hc.dwFlags & HCF_HIGHCONTRASTON);
}

HBRUSH Win32Backend::Brush(Color c) {
  if (c == kBtnFace) return ::GetSysColorBrush(COLOR_BTNFACE);
  plat::win32::ScopedGdiObject& b = brushes_[c];
  if (!b) b.Set(::CreateSolidBrush(c));
  return static_cast<HBRUSH>(b.Get());
}

// --- fonts, glyphs and pictures ------------------------------------------------

void Win32Backend::ApplyFont(Control& c, HWND h) {
  UI_ASSERT(::IsWindow(h));
  const Font& f = c.GetFont();
  std::string key = f.name + "/" + std::to_string(f.height) + (f.bold ? "b" : "");
  plat::win32::ScopedGdiObject& font = fonts_[key];
  if (!font)
    font.Set(::CreateFontA(-f.height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, f.name.c_str()));
  ::SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
}

// A bitmap button shows its kind's glyph beside the caption. The glyph's
// grey (192, 192, 192) becomes the button face of the user's colours, also
// in high contrast. Windows before XP draw the caption alone. A disabled
// button shows none: greyed, the glyph's square would turn into a block.
void Win32Backend::ApplyGlyph(Button& b, HWND h) {
  if (!b.hasPicture) return;
  UI_ASSERT(::IsWindow(h));
  if (!b.Enabled()) {
    ::SendMessageA(h, BM_SETIMAGE, IMAGE_BITMAP, 0);
    return;
  }
  const char* name = GlyphResource(b.GetButtonKind());
  plat::win32::ScopedGdiObject& glyph = glyphs_[name];
  if (!glyph)
    glyph.Set(
        ::LoadImageA(::GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
  if (glyph) ::SendMessageA(h, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph.Get()));
}

void Win32Backend::ApplyPicture(Control& c, HWND h) {
  auto* img = dynamic_cast<Image*>(&c);
  const std::string& bmp = img ? img->Picture() : std::string();
  if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') return;
  UI_ASSERT(::IsWindow(h));
  DWORD offset;
  memcpy(&offset, bmp.data() + 10, 4);
  if (offset >= bmp.size()) return;
  const auto* info = reinterpret_cast<const BITMAPINFO*>(bmp.data() + 14);
  HDC dc = ::GetDC(h);
  HBITMAP b =
      ::CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT, bmp.data() + offset, info, DIB_RGB_COLORS);
  ::ReleaseDC(h, dc);
  HBITMAP old = reinterpret_cast<HBITMAP>(
      ::SendMessageA(h, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(b)));
  plat::win32::ScopedGdiObject& mine = pictures_[h];
  // A control that drew a copy hands that back: it is ours to delete too.
  if (old && old != mine.Get()) plat::win32::ScopedGdiObject copy(old);
  mine.Set(b);
}

// The icon view's image list: the view's icon resource, or the system's
// application icon.
void Win32Backend::ApplyLargeImages(ListView& v, HWND h) {
  // 24-bit colour and a mask: the 256-colour pictures as drawn, on any display.
  HIMAGELIST il = CallCommonControls<decltype(&::ImageList_Create)>("ImageList_Create", 32, 32,
                                                                    ILC_COLOR24 | ILC_MASK, 1, 1);
  const std::string& images = v.largeImages;
  // The image list keeps a copy of the picture.
  const plat::win32::ScopedIcon picture(
      images.empty() ? nullptr
                     : static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), images.c_str(),
                                                       IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
  if (il)
    CallCommonControls<decltype(&::ImageList_ReplaceIcon)>(
        "ImageList_ReplaceIcon", il, -1,
        picture ? picture.Get() : ::LoadIconA(nullptr, IDI_APPLICATION));
  ::SendMessageA(h, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(il));
}

HICON Win32Backend::ProgramIcon(int size) {
  HANDLE icon = ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), IMAGE_ICON, size,
                             size, LR_DEFAULTCOLOR);
  return icon ? static_cast<HICON>(icon) : ::LoadIconA(nullptr, IDI_APPLICATION);
}

}  // namespace ui::win32
