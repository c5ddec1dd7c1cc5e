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

// Traits of a kind: the handle type, its closing function, and whether
// INVALID_HANDLE_VALUE also means none (the kernel's functions differ in
// what they answer on failure).
template <typename H, auto CloseFn, bool invalidValueIsNone = false>
struct CloseTraits {
  using Handle = H;
  static bool IsNone(H h) {
    return h == nullptr ||
           (invalidValueIsNone && reinterpret_cast<HANDLE>(h) == INVALID_HANDLE_VALUE);
  }
  static void Close(H h) { CloseFn(h); }
};

using KernelHandleTraits = CloseTraits<HANDLE, ::CloseHandle, true>;  // files, processes, pipes
using FindHandleTraits = CloseTraits<HANDLE, ::FindClose, true>;
// ClosePrinter of winspool.drv from the system folder (spooler.cpp).
BOOL WINAPI ClosePrinterHandle(HANDLE printer);
using PrinterHandleTraits = CloseTraits<HANDLE, ClosePrinterHandle>;
using LibraryTraits = CloseTraits<HMODULE, ::FreeLibrary>;
using RegistryKeyTraits = CloseTraits<HKEY, ::RegCloseKey>;
using WindowTraits = CloseTraits<HWND, ::DestroyWindow>;
// Fonts, brushes, bitmaps: deleted once nothing selects them any more.
using GdiObjectTraits = CloseTraits<HGDIOBJ, ::DeleteObject>;
using IconTraits = CloseTraits<HICON, ::DestroyIcon>;

using ScopedHandle = ScopedObject<KernelHandleTraits>;
using ScopedFindHandle = ScopedObject<FindHandleTraits>;
using ScopedPrinter = ScopedObject<PrinterHandleTraits>;
using ScopedLibrary = ScopedObject<LibraryTraits>;
using ScopedKey = ScopedObject<RegistryKeyTraits>;
using ScopedWindow = ScopedObject<WindowTraits>;
using ScopedGdiObject = ScopedObject<GdiObjectTraits>;
using ScopedIcon = ScopedObject<IconTraits>;

// A seam object that is one owned handle and nothing more (a registry key, an
// open printer): the seam's interface with the handle kept behind it.
template <typename Interface, typename Traits>
class HandleObject : public Interface {
 public:
  using Handle = typename Traits::Handle;
  explicit HandleObject(Handle h) : h_(h) {}
  Handle Get() const { return h_.Get(); }
  // The handle behind an object this backend made.
  static Handle Of(Interface& object) { return static_cast<HandleObject&>(object).Get(); }

 private:
  ScopedObject<Traits> h_;
};

}  // namespace plat::win32
