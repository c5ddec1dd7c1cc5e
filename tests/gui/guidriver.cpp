// guidriver: reads and drives the windows of another program for the GUI
// test scripts (run under Wine, or on Windows).
//
//   guidriver [-u] [-b] COMMAND ARGS...
//
// Commands (WINDOW is the exact caption of a top-level window; among several
// with that caption a visible one is taken first):
//   wait-window WINDOW [TIMEOUT_MS]   wait until the window exists and is visible
//   wait-gone WINDOW [TIMEOUT_MS]     wait until no window has that caption
//   wait-hidden WINDOW [TIMEOUT_MS]   wait until a window of that caption exists and none
//                                     is visible (a hidden form keeps its window); 6 when,
//                                     at the end, there is no such window at all
//   exists WINDOW                     0 if such a window exists (visible or not)
//   dump WINDOW                       the window and every descendant, one line each
//   rect WINDOW                       "LEFT TOP WIDTH HEIGHT" of the whole window on the screen
//   wtexts WINDOW                     the texts of the window and its descendants, read
//                                     as Unicode, in UTF-8, one a line
//   xid WINDOW                        the X11 window Wine shows it in (for a capture of
//                                     that window alone)
//   alpha WINDOW                      "VISIBLE on ALPHA" for a layered window with alpha
//                                     blending, "VISIBLE off" for any other (VISIBLE 0 or 1)
//   click WINDOW TEXT                 press the visible button whose text is TEXT
//                                     ("#N": whose control ID is N, as IDYES 6)
//   select WINDOW INDEX               select item INDEX of the first visible list view
//                                     or list box, as a user's click would
//   key WINDOW ENTER|ESCAPE|TAB|SPACE post the key to the window's focused control
//   focus WINDOW                      "CLASS<TAB>TEXT" of the control that has the keyboard
//                                     focus in that window ("-" when none of its controls has)
//   close WINDOW                      ask the window to close (WM_CLOSE)
//   dblclick WINDOW X Y               a double-click at client point X, Y of the window itself
//   delete-printer NAME               delete the printer queue NAME (1: no such queue)
//   printer NAME                      the queue NAME as the spooler has it, one
//                                     "key=value" line each: driver, port, processor,
//                                     attributes (hexadecimal), default (0 or 1)
//                                     (1: no such queue)
//   is-wow64                          "1" when this 32-bit program runs under WoW64, else "0"
// TIMEOUT_MS defaults to 10000.
//
// Texts: read and printed in the ANSI code page, byte for byte (GBK, Big5 or
// Western, as the system is set up). With -u they are printed as UTF-8 instead.
// With -b only message boxes (dialog class #32770) match WINDOW: a box may
// carry the caption of the main window.
// Arguments reach the program in the ANSI code page (Wine converts them from the
// Unix locale). A button's TEXT matches its text as it stands or with the
// mnemonic '&' removed ("&Install" or "Install").
//
// dump lines, fields separated by one TAB, the text always last:
//   window  CLASS ENABLED VISIBLE X,Y,W,H TEXT      the window itself (screen coordinates)
//   control CLASS ENABLED VISIBLE X,Y,W,H TEXT      each descendant (client coordinates of WINDOW)
//   item    CLASS INDEX   SELECTED        TEXT      each item of a list view or list box,
//                                                   after the line of its control
// ENABLED, VISIBLE and SELECTED are 0 or 1. VISIBLE is the window's own style
// (a control in a hidden window can still be 1). A status bar's text is its
// simple text; a progress bar's text is "pos=N range=MIN..MAX". In texts, CR,
// LF and TAB are written as \r, \n and \t; nothing else is escaped.
//
// Exit codes:
//   0  done
//   1  the window was not found (or did not appear / go away in time)
//   2  bad command line
//   3  the control or item was not found
//   4  the control is disabled
//   5  the target did not answer in time or an operation failed
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/common/text.h"

namespace {

constexpr DWORD kAnswerMs = 3000;  // per message to the target
constexpr int kDefaultTimeoutMs = 10000;

enum Exit {
  kOk = 0,
  kNoWindow = 1,
  kUsage = 2,
  kNoControl = 3,
  kDisabled = 4,
  kFailed = 5,
  kGone = 6
};

bool g_utf8 = false;
bool g_boxesOnly = false;  // -b: only message boxes and dialogs (class #32770) count

void Write(const std::string& s) { std::fwrite(s.data(), 1, s.size(), stdout); }

// The ANSI bytes as they are to be printed.
std::string Out(const std::string& ansi) {
  if (!g_utf8 || ansi.empty()) return ansi;
  int n = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &w[0], n);
  int m = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), n, nullptr, 0, nullptr, nullptr);
  std::string u(static_cast<size_t>(m), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, w.data(), n, &u[0], m, nullptr, nullptr);
  return u;
}

std::string Escape(const std::string& s) {
  return plat::text::Escaped(s, {{'\r', "\\r"}, {'\n', "\\n"}, {'\t', "\\t"}});
}

bool Ask(HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  DWORD_PTR r = 0;
  if (!::SendMessageTimeoutA(h, msg, w, l, SMTO_ABORTIFHUNG, kAnswerMs, &r)) return false;
  if (result) *result = static_cast<LRESULT>(r);
  return true;
}

std::string ClassOf(HWND h) {
  char buf[256] = {};
  ::GetClassNameA(h, buf, sizeof buf);
  return buf;
}

// WM_GETTEXT is carried across processes by the system.
std::string TextOf(HWND h) {
  LRESULT len = 0;
  if (!Ask(h, WM_GETTEXTLENGTH, 0, 0, &len) || len <= 0) return "";
  std::vector<char> buf(static_cast<size_t>(len) + 1, '\0');
  LRESULT got = 0;
  if (!Ask(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), &got)) return "";
  return std::string(buf.data(), static_cast<size_t>(got < 0 ? 0 : got));
}

// Memory inside the target process, for the control messages whose
// pointers the system does not carry across (list view, status bar).
class RemoteBuffer {
 public:
  RemoteBuffer(HWND h, size_t size) : size_(size) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    process_ = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_)
      remote_ = ::VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (remote_) ::VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
    if (process_) ::CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool ok() const { return remote_ != nullptr; }
  char* at(size_t offset) const { return static_cast<char*>(remote_) + offset; }
  bool Put(size_t offset, const void* data, size_t n) {
    SIZE_T done = 0;
    return offset + n <= size_ && ::WriteProcessMemory(process_, at(offset), data, n, &done) &&
           done == n;
  }
  bool Get(size_t offset, void* data, size_t n) {
    SIZE_T done = 0;
    return offset + n <= size_ && ::ReadProcessMemory(process_, at(offset), data, n, &done) &&
           done == n;
  }

 private:
  HANDLE process_ = nullptr;
  void* remote_ = nullptr;
  size_t size_;
};

constexpr size_t kItemText = 4096;

std::string ListViewItemText(HWND h, int index) {
  RemoteBuffer mem(h, sizeof(LVITEMA) + kItemText);
  if (!mem.ok()) return "";
  LVITEMA item = {};
  item.iSubItem = 0;
  item.pszText = mem.at(sizeof(LVITEMA));
  item.cchTextMax = static_cast<int>(kItemText);
  char zero = 0;
  if (!mem.Put(0, &item, sizeof item) || !mem.Put(sizeof(LVITEMA), &zero, 1)) return "";
  LRESULT n = 0;
  if (!Ask(h, LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(mem.at(0)),
           &n))
    return "";
  std::vector<char> buf(kItemText, '\0');
  if (!mem.Get(sizeof(LVITEMA), buf.data(), buf.size())) return "";
  buf.back() = '\0';
  return buf.data();
}

std::string StatusText(HWND h) {
  RemoteBuffer mem(h, kItemText);
  if (!mem.ok()) return "";
  LRESULT len = 0;
  if (!Ask(h, SB_GETTEXTLENGTHA, 0, 0, &len) || LOWORD(len) >= kItemText) return "";
  char zero = 0;
  mem.Put(0, &zero, 1);
  if (!Ask(h, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(mem.at(0)), nullptr)) return "";
  std::vector<char> buf(kItemText, '\0');
  if (!mem.Get(0, buf.data(), buf.size())) return "";
  buf.back() = '\0';
  return buf.data();
}

// Asked in UTF-16 and converted here: Wine hands the ANSI form of
// LB_GETTEXT back from another process in UTF-16 all the same.
std::string ListBoxItemText(HWND h, int index) {
  DWORD_PTR len = 0;
  if (!::SendMessageTimeoutW(h, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG,
                             kAnswerMs, &len) ||
      static_cast<LRESULT>(len) <= 0)
    return "";
  std::vector<wchar_t> buf(len + 1, L'\0');
  DWORD_PTR got = 0;
  if (!::SendMessageTimeoutW(h, LB_GETTEXT, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG, kAnswerMs,
                             &got) ||
      static_cast<LRESULT>(got) <= 0)
    return "";
  int n = static_cast<int>(got < buf.size() ? got : buf.size() - 1);
  int m = ::WideCharToMultiByte(CP_ACP, 0, buf.data(), n, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(m), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, buf.data(), n, &s[0], m, nullptr, nullptr);
  return s;
}

bool Is(const std::string& cls, const char* name) { return ::lstrcmpiA(cls.c_str(), name) == 0; }

std::string ControlText(HWND h, const std::string& cls) {
  if (Is(cls, STATUSCLASSNAMEA)) return StatusText(h);
  if (Is(cls, PROGRESS_CLASSA)) {
    LRESULT pos = 0, lo = 0, hi = 0;
    Ask(h, PBM_GETPOS, 0, 0, &pos);
    Ask(h, PBM_GETRANGE, TRUE, 0, &lo);
    Ask(h, PBM_GETRANGE, FALSE, 0, &hi);
    return "pos=" + std::to_string(pos) + " range=" + std::to_string(lo) + ".." +
           std::to_string(hi);
  }
  return TextOf(h);
}

struct Item {
  std::string text;
  bool selected;
};

std::vector<Item> ListItems(HWND h, const std::string& cls) {
  std::vector<Item> items;
  LRESULT n = 0;
  if (Is(cls, WC_LISTVIEWA)) {
    if (!Ask(h, LVM_GETITEMCOUNT, 0, 0, &n)) return items;
    for (int i = 0; i < n; ++i) {
      LRESULT state = 0;
      Ask(h, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED, &state);
      items.push_back({ListViewItemText(h, i), (state & LVIS_SELECTED) != 0});
    }
  } else if (Is(cls, "ListBox")) {
    if (!Ask(h, LB_GETCOUNT, 0, 0, &n)) return items;
    LRESULT cur = -1;
    Ask(h, LB_GETCURSEL, 0, 0, &cur);
    for (int i = 0; i < n; ++i) {
      items.push_back({ListBoxItemText(h, i), cur == i});
    }
  }
  return items;
}

// --- finding windows

struct Search {
  const std::string* caption;
  HWND visible = nullptr;
  HWND any = nullptr;
};

BOOL CALLBACK MatchTop(HWND h, LPARAM l) {
  auto* s = reinterpret_cast<Search*>(l);
  // GetWindowText of a window of another process reads the stored caption
  // without sending a message, so a busy target cannot block us here.
  char buf[1024] = {};
  ::GetWindowTextA(h, buf, sizeof buf);
  if (*s->caption != buf) return TRUE;
  if (g_boxesOnly) {
    char cls[64] = {};
    ::GetClassNameA(h, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0) return TRUE;
  }
  if (!s->any) s->any = h;
  if (::IsWindowVisible(h)) {
    s->visible = h;
    return FALSE;
  }
  return TRUE;
}

HWND FindTop(const std::string& caption, bool visibleOnly) {
  Search s{&caption};
  ::EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&s));
  return s.visible ? s.visible : (visibleOnly ? nullptr : s.any);
}

BOOL CALLBACK Collect(HWND h, LPARAM l) {
  reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
  return TRUE;
}

std::vector<HWND> Descendants(HWND top) {
  std::vector<HWND> all;
  ::EnumChildWindows(top, Collect, reinterpret_cast<LPARAM>(&all));
  return all;
}

std::string StripMnemonic(const std::string& s) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&') {
      if (i + 1 < s.size() && s[i + 1] == '&')
        r += '&';
      else
        continue;
      ++i;
    } else {
      r += s[i];
    }
  }
  return r;
}

// --- commands

int ParseTimeout(int argc, char** argv, int at) {
  if (at >= argc) return kDefaultTimeoutMs;
  char* end = nullptr;
  long v = std::strtol(argv[at], &end, 10);
  return (end && *end == '\0' && v >= 0) ? static_cast<int>(v) : -1;
}

// wanted: the window shown (visible), gone altogether, or hidden (no visible one).
enum class Wanted { kVisible, kGone, kHidden };

int WaitWindow(const std::string& caption, int timeoutMs, Wanted wanted) {
  DWORD start = ::GetTickCount();
  for (;;) {
    HWND h = FindTop(caption, wanted != Wanted::kGone);
    // Hidden is not gone: a hidden window must still be there.
    const bool hiddenOne = wanted == Wanted::kHidden && !h && FindTop(caption, false);
    if (wanted == Wanted::kHidden ? hiddenOne : (wanted == Wanted::kVisible) == (h != nullptr))
      return kOk;
    if (static_cast<int>(::GetTickCount() - start) >= timeoutMs)
      return wanted == Wanted::kHidden && !FindTop(caption, false) ? kGone : kNoWindow;
    ::Sleep(100);
  }
}

std::string Bounds(HWND h, HWND relativeTo) {
  RECT r;
  ::GetWindowRect(h, &r);
  if (relativeTo) ::MapWindowPoints(HWND_DESKTOP, relativeTo, reinterpret_cast<POINT*>(&r), 2);
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top);
}

std::string Flag(bool b) { return b ? "1" : "0"; }

void DumpLine(const char* what, HWND h, HWND relativeTo) {
  std::string cls = ClassOf(h);
  bool visible = (::GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE) != 0;
  Write(std::string(what) + "\t" + cls + "\t" + Flag(::IsWindowEnabled(h)) + "\t" + Flag(visible) +
        "\t" + Bounds(h, relativeTo) + "\t" + Out(Escape(ControlText(h, cls))) + "\n");
  int index = 0;
  for (const Item& item : ListItems(h, cls))
    Write("item\t" + cls + "\t" + std::to_string(index++) + "\t" + Flag(item.selected) + "\t" +
          Out(Escape(item.text)) + "\n");
}

int Dump(HWND top) {
  DumpLine("window", top, nullptr);
  for (HWND h : Descendants(top)) DumpLine("control", h, top);
  std::fflush(stdout);
  return kOk;
}

int Click(HWND top, const std::string& text) {
  for (HWND h : Descendants(top)) {
    // The button's own visibility: in a hidden window ("/Hide") it can
    // still be pressed from outside, as another program would.
    if (!Is(ClassOf(h), "Button") || !(::GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE)) continue;
    std::string t = TextOf(h);
    // "#6": the button of that control ID, whatever its text (a message
    // box's buttons carry the answer's ID in every language).
    const bool byId = text.size() > 1 && text[0] == '#';
    if (byId ? std::to_string(::GetDlgCtrlID(h)) != text.substr(1)
             : (t != text && StripMnemonic(t) != text))
      continue;
    if (!::IsWindowEnabled(h)) return kDisabled;
    // Posted as the button itself would notify its parent, so that a modal
    // box opened by the handler does not keep us waiting.
    int id = ::GetDlgCtrlID(h);
    HWND parent = ::GetParent(h);
    return ::PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                          reinterpret_cast<LPARAM>(h))
               ? kOk
               : kFailed;
  }
  return kNoControl;
}

int Select(HWND top, int index) {
  for (HWND h : Descendants(top)) {
    // Lists a user cannot see are passed over.
    if (!::IsWindowVisible(h)) continue;
    std::string cls = ClassOf(h);
    if (Is(cls, WC_LISTVIEWA)) {
      LRESULT n = 0;
      if (!Ask(h, LVM_GETITEMCOUNT, 0, 0, &n)) return kFailed;
      if (index < 0 || index >= n) return kNoControl;
      if (!::IsWindowEnabled(h)) return kDisabled;
      RemoteBuffer mem(h, sizeof(LVITEMA));
      LVITEMA item = {};
      item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      item.state = LVIS_SELECTED | LVIS_FOCUSED;
      if (!mem.ok() || !mem.Put(0, &item, sizeof item)) return kFailed;
      // The list view tells its parent through LVN_ITEMCHANGED, as for a click.
      LRESULT done = 0;
      if (!Ask(h, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(mem.at(0)),
               &done))
        return kFailed;
      return done ? kOk : kFailed;
    }
    if (Is(cls, "ListBox")) {
      LRESULT n = 0;
      if (!Ask(h, LB_GETCOUNT, 0, 0, &n)) return kFailed;
      if (index < 0 || index >= n) return kNoControl;
      if (!::IsWindowEnabled(h)) return kDisabled;
      if (!Ask(h, LB_SETCURSEL, static_cast<WPARAM>(index), 0, nullptr)) return kFailed;
      // LB_SETCURSEL does not notify; a user's click would.
      ::PostMessageA(::GetParent(h), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(h), LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(h));
      return kOk;
    }
  }
  return kNoControl;
}

int Key(HWND top, const std::string& name) {
  WPARAM vk;
  if (name == "ENTER")
    vk = VK_RETURN;
  else if (name == "ESCAPE")
    vk = VK_ESCAPE;
  else if (name == "TAB")
    vk = VK_TAB;
  else if (name == "SPACE")
    vk = VK_SPACE;
  else
    return kUsage;
  // The key goes where the keyboard would send it: the focused control of
  // the window, or the window itself when the focus is elsewhere.
  HWND target = top;
  GUITHREADINFO gui = {};
  gui.cbSize = sizeof gui;
  DWORD thread = ::GetWindowThreadProcessId(top, nullptr);
  if (::GetGUIThreadInfo(thread, &gui) && gui.hwndFocus &&
      (gui.hwndFocus == top || ::IsChild(top, gui.hwndFocus)))
    target = gui.hwndFocus;
  UINT scan = ::MapVirtualKeyA(static_cast<UINT>(vk), 0);
  LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
  LPARAM up = down | (1u << 30) | (1u << 31);
  if (!::PostMessageA(target, WM_KEYDOWN, vk, down)) return kFailed;
  if (vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_SPACE)
    ::PostMessageA(target, WM_CHAR, vk == VK_SPACE ? ' ' : (vk == VK_RETURN ? '\r' : 0x1B), down);
  ::PostMessageA(target, WM_KEYUP, vk, up);
  return kOk;
}

// Deletes the printer queue NAME (its jobs with it): a test resets the
// spooler to what it was before an installation.
int DeletePrinterNamed(const std::string& name) {
  PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE h = nullptr;
  if (!::OpenPrinterA(const_cast<char*>(name.c_str()), &h, &defaults)) return kNoWindow;
  const BOOL deleted = ::DeletePrinter(h);
  ::ClosePrinter(h);
  return deleted ? kOk : kFailed;
}

// The window's own text and those of its descendants, read through the
// Unicode messages: what the user sees whatever the system's code page.
int UnicodeTexts(HWND top) {
  std::vector<HWND> all = Descendants(top);
  all.insert(all.begin(), top);
  for (HWND h : all) {
    DWORD_PTR len = 0;
    if (!::SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &len) ||
        !len)
      continue;
    std::vector<wchar_t> w(len + 1, L'\0');
    DWORD_PTR got = 0;
    if (!::SendMessageTimeoutW(h, WM_GETTEXT, w.size(), reinterpret_cast<LPARAM>(w.data()),
                               SMTO_ABORTIFHUNG, kAnswerMs, &got))
      continue;
    int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(got), nullptr, 0, nullptr,
                                  nullptr);
    std::string u(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(got), &u[0], n, nullptr, nullptr);
    Write(Escape(u) + "\n");
  }
  return kOk;
}

int ShowPrinter(const std::string& name) {
  HANDLE h = nullptr;
  if (!::OpenPrinterA(const_cast<char*>(name.c_str()), &h, nullptr)) return kNoWindow;
  DWORD needed = 0;
  ::GetPrinterA(h, 2, nullptr, 0, &needed);
  std::vector<BYTE> buf(needed ? needed : 1);
  const BOOL got = needed && ::GetPrinterA(h, 2, buf.data(), needed, &needed);
  ::ClosePrinter(h);
  if (!got) return kFailed;
  const auto* p = reinterpret_cast<const PRINTER_INFO_2A*>(buf.data());
  auto text = [](const char* s) { return Out(s ? s : ""); };
  char def[512] = {0};
  DWORD size = sizeof def;
  const std::string current = ::GetDefaultPrinterA(def, &size) ? def : "";
  std::printf("driver=%s\nport=%s\nprocessor=%s\nattributes=0x%lX\ndefault=%d\n",
              text(p->pDriverName).c_str(), text(p->pPortName).c_str(),
              text(p->pPrintProcessor).c_str(), static_cast<unsigned long>(p->Attributes),
              current == name ? 1 : 0);
  return kOk;
}

int IsWow64() {
  using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
  BOOL wow = FALSE;
  if (fn && !fn(::GetCurrentProcess(), &wow)) wow = FALSE;
  std::printf("%d\n", wow ? 1 : 0);
  return kOk;
}

// Starts a program with the arguments given, each quoted, in the current
// directory, waits for it and prints its whole exit code (the shell under
// Wine sees only its low eight bits).
int RunForExitCode(int argc, char** argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) line += (i ? " \"" : "\"") + std::string(argv[i]) + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
    return kFailed;
  ::CloseHandle(pi.hThread);
  ::WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  const BOOL got = ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hProcess);
  if (!got) return kFailed;
  std::printf("%lu\n", static_cast<unsigned long>(code));
  return kOk;
}

int Usage() {
  std::fputs(
      "usage: guidriver [-u] wait-window|wait-gone|wait-hidden WINDOW [TIMEOUT_MS]\n"
      "       guidriver delete-printer NAME | printer NAME | is-wow64 | dblclick WINDOW X Y\n"
      "       guidriver run PROGRAM [ARGS...]  (prints the program's exit code)\n"
      "       guidriver [-u] [-b] exists|dump|rect|xid|alpha|close WINDOW\n"
      "       guidriver [-u] click WINDOW TEXT | select WINDOW INDEX | key WINDOW "
      "ENTER|ESCAPE|TAB|SPACE\n",
      stderr);
  return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
  // Lines end in LF only; texts pass unchanged.
  _setmode(_fileno(stdout), _O_BINARY);
  int a = 1;
  for (; a < argc && argv[a][0] == '-' && argv[a][1] && !argv[a][2]; ++a) {
    if (argv[a][1] == 'u')
      g_utf8 = true;
    else if (argv[a][1] == 'b')
      g_boxesOnly = true;
    else
      return Usage();
  }
  if (argc - a == 1 && std::strcmp(argv[a], "is-wow64") == 0) return IsWow64();
  if (argc - a >= 2 && std::strcmp(argv[a], "run") == 0)
    return RunForExitCode(argc - a - 1, argv + a + 1);
  if (argc - a < 2) return Usage();
  const std::string cmd = argv[a];
  const std::string caption = argv[a + 1];
  const int rest = argc - a - 2;
  char** args = argv + a + 2;

  if (cmd == "delete-printer") return rest == 0 ? DeletePrinterNamed(caption) : Usage();
  if (cmd == "printer") return rest == 0 ? ShowPrinter(caption) : Usage();
  if (cmd == "wait-window" || cmd == "wait-gone" || cmd == "wait-hidden") {
    if (rest > 1) return Usage();
    int timeout = ParseTimeout(rest, args, 0);
    if (timeout < 0) return Usage();
    return WaitWindow(caption, timeout,
                      cmd == "wait-window"
                          ? Wanted::kVisible
                          : (cmd == "wait-gone" ? Wanted::kGone : Wanted::kHidden));
  }
  if (cmd != "exists" && cmd != "dump" && cmd != "rect" && cmd != "xid" && cmd != "wtexts" &&
      cmd != "alpha" && cmd != "focus" && cmd != "close" && cmd != "click" && cmd != "select" &&
      cmd != "key" && cmd != "dblclick")
    return Usage();
  const bool oneArg = cmd == "click" || cmd == "select" || cmd == "key";
  if (rest != (cmd == "dblclick" ? 2 : oneArg ? 1 : 0)) return Usage();

  HWND top = FindTop(caption, false);
  if (!top) {
    std::fprintf(stderr, "guidriver: no window \"%s\"\n", caption.c_str());
    return kNoWindow;
  }
  if (cmd == "exists") return kOk;
  if (cmd == "dump") return Dump(top);
  if (cmd == "wtexts") return UnicodeTexts(top);
  if (cmd == "xid") {
    // Wine keeps the X11 window of a top-level window as this property.
    HANDLE x = ::GetPropA(top, "__wine_x11_whole_window");
    if (!x) return kFailed;
    std::printf("0x%lx\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(x)));
    return kOk;
  }
  if (cmd == "rect") {
    RECT r;
    ::GetWindowRect(top, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return kOk;
  }
  if (cmd == "alpha") {
    // GetLayeredWindowAttributes came with Windows XP.
    using Fn = BOOL(WINAPI*)(HWND, COLORREF*, BYTE*, DWORD*);
    auto get = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("user32"), "GetLayeredWindowAttributes")));
    const int visible = ::IsWindowVisible(top) ? 1 : 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    if ((::GetWindowLongA(top, GWL_EXSTYLE) & WS_EX_LAYERED) && get &&
        get(top, nullptr, &alpha, &flags) && (flags & LWA_ALPHA))
      std::printf("%d on %u\n", visible, static_cast<unsigned>(alpha));
    else
      std::printf("%d off\n", visible);
    return kOk;
  }
  if (cmd == "focus") {
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    if (::GetGUIThreadInfo(::GetWindowThreadProcessId(top, nullptr), &gui) && gui.hwndFocus &&
        ::IsChild(top, gui.hwndFocus))
      std::printf("%s\t%s\n", ClassOf(gui.hwndFocus).c_str(), Out(TextOf(gui.hwndFocus)).c_str());
    else
      std::printf("-\n");
    return kOk;
  }
  if (cmd == "close") return ::PostMessageA(top, WM_CLOSE, 0, 0) ? kOk : kFailed;
  if (cmd == "dblclick") {
    char* endX = nullptr;
    char* endY = nullptr;
    const long x = std::strtol(args[0], &endX, 10), y = std::strtol(args[1], &endY, 10);
    if (*endX || *endY) return Usage();
    const LPARAM at = MAKELPARAM(x, y);
    ::PostMessageA(top, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(top, WM_LBUTTONUP, 0, at);
    return ::PostMessageA(top, WM_LBUTTONDBLCLK, MK_LBUTTON, at) ? kOk : kFailed;
  }
  if (cmd == "click") {
    int rc = Click(top, args[0]);
    if (rc == kNoControl) std::fprintf(stderr, "guidriver: no button \"%s\"\n", args[0]);
    if (rc == kDisabled) std::fprintf(stderr, "guidriver: button \"%s\" is disabled\n", args[0]);
    return rc;
  }
  if (cmd == "select") {
    char* end = nullptr;
    long index = std::strtol(args[0], &end, 10);
    if (!end || *end != '\0') return Usage();
    return Select(top, static_cast<int>(index));
  }
  int rc = Key(top, args[0]);
  return rc == kUsage ? Usage() : rc;
}
