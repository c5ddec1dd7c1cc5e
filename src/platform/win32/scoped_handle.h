// One owner for every Win32 handle the program opens: a move-only template
// whose traits say what counts as no handle and how a kind is closed.
// Closing keeps the caller's last error, so a failure can still be read
// after the handle is gone.
//
//   ScopedHandle file(::CreateFileA(...));   // INVALID_HANDLE_VALUE: none
//   if (!file) return false;                 // GetLastError() is CreateFile's
//   ::ReadFile(file.Get(), ...);             // closed when file goes
#pragma once
#include "platform/win32/windows_lean.h"

namespace plat::win32 {

template <typename Traits>
class ScopedObject {
 public:
  using Handle = typename Traits::Handle;

  // Constructors
  ScopedObject() = default;
  explicit ScopedObject(Handle h) { Set(h); }
  ~ScopedObject() { Close(); }
  ScopedObject(ScopedObject&& other) noexcept : h_(other.Take()) {}
  ScopedObject& operator=(ScopedObject&& other) noexcept {
    if (this != &other) Set(other.Take());
    return *this;
  }
  ScopedObject(const ScopedObject&) = delete;
  ScopedObject& operator=(const ScopedObject&) = delete;

  // Attributes
  Handle Get() const { return h_; }
  bool IsValid() const { return h_ != Handle(); }
  explicit operator bool() const { return IsValid(); }

  // Operations
  void Set(Handle h) {
    Close();
    h_ = Traits::IsNone(h) ? Handle() : h;
  }
  // Gives the handle up without closing it.
  [[nodiscard]] Handle Take() {
    Handle h = h_;
    h_ = Handle();
    return h;
  }
  void Close() {
    if (!IsValid()) return;
    const DWORD error = ::GetLastError();
    Traits::Close(h_);
    h_ = Handle();
    ::SetLastError(error);
  }

 private:
  Handle h_ = Handle();
};

// Kernel objects: files, processes, threads, pipes. Both NULL and
// INVALID_HANDLE_VALUE mean none, as the functions that make them differ.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static bool IsNone(HANDLE h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
  using Handle = HANDLE;
  static bool IsNone(HANDLE h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindClose(h); }
};

struct PrinterHandleTraits {
  using Handle = HANDLE;
  static bool IsNone(HANDLE h) { return h == nullptr; }
  static void Close(HANDLE h) { ::ClosePrinter(h); }
};

struct LibraryTraits {
  using Handle = HMODULE;
  static bool IsNone(HMODULE h) { return h == nullptr; }
  static void Close(HMODULE h) { ::FreeLibrary(h); }
};

struct RegistryKeyTraits {
  using Handle = HKEY;
  static bool IsNone(HKEY h) { return h == nullptr; }
  static void Close(HKEY h) { ::RegCloseKey(h); }
};

struct WindowTraits {
  using Handle = HWND;
  static bool IsNone(HWND h) { return h == nullptr; }
  static void Close(HWND h) { ::DestroyWindow(h); }
};

// Fonts, brushes, bitmaps: deleted once nothing selects them any more.
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static bool IsNone(HGDIOBJ h) { return h == nullptr; }
  static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};

using ScopedHandle = ScopedObject<KernelHandleTraits>;
using ScopedFindHandle = ScopedObject<FindHandleTraits>;
using ScopedPrinter = ScopedObject<PrinterHandleTraits>;
using ScopedLibrary = ScopedObject<LibraryTraits>;
using ScopedKey = ScopedObject<RegistryKeyTraits>;
using ScopedWindow = ScopedObject<WindowTraits>;
using ScopedGdiObject = ScopedObject<GdiObjectTraits>;

}  // namespace plat::win32
