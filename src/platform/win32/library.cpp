// Libraries loaded by path (their own DLLs found beside them), their exports
// looked up with GetProcAddress and called with the helper library's
// __stdcall signatures. The library is freed with its object, the last error
// kept as it was.
#include "platform/win32/windows_lean.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32.h"

namespace plat::win32 {
namespace {

using FindExistDeviceFn = DWORD(WINAPI*)(LPCSTR, LPSTR, LPSTR);
using RefreshHWFn = void(WINAPI*)();
using DrvKitFn = int(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, HWND);
using LastInstallErrorCodeFn = DWORD(WINAPI*)();
using ShowErrorCodeFn = void(WINAPI*)(BOOL);
using DllRegisterServerFn = LONG(WINAPI*)();

class Win32Library : public Library {
 public:
  explicit Win32Library(HMODULE module) : module_(module) {}

  bool HasExport(const std::string& name) override { return Proc(name.c_str()) != nullptr; }

  uint32_t FuncFindExistDevice(const std::string& hwid, char* deviceId, char* portInfo) override {
    auto fn = reinterpret_cast<FindExistDeviceFn>(Proc("FuncFindExistDevice"));
    return fn ? fn(hwid.c_str(), deviceId, portInfo) : 0;
  }

  void RefreshHW() override {
    if (auto fn = reinterpret_cast<RefreshHWFn>(Proc("RefreshHW"))) fn();
  }

  int32_t FuncDrvKit(const std::string& inf, const std::string& hwid, const std::string& port,
                     uintptr_t window) override {
    auto fn = reinterpret_cast<DrvKitFn>(Proc("FuncDrvKit"));
    return fn ? fn(inf.c_str(), hwid.c_str(), port.c_str(), reinterpret_cast<HWND>(window)) : 0;
  }

  uint32_t LastInstallErrorCode() override {
    auto fn = reinterpret_cast<LastInstallErrorCodeFn>(Proc("LastInstallErrorCode"));
    return fn ? fn() : 0;
  }

  void ShowErrorCode(int32_t show) override {
    if (auto fn = reinterpret_cast<ShowErrorCodeFn>(Proc("ShowErrorCode"))) fn(show);
  }

  int32_t DllRegisterServer() override {
    auto fn = reinterpret_cast<DllRegisterServerFn>(Proc("DllRegisterServer"));
    return fn ? fn() : static_cast<int32_t>(0x80004001);  // E_NOTIMPL
  }

 private:
  // GetProcAddress answers FARPROC; the casts above give each export its own type.
  void* Proc(const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(module_.Get(), name));
  }

  ScopedLibrary module_;
};

class Win32Libraries : public Libraries {
 public:
  std::unique_ptr<Library> Load(const std::string& path) override {
    HMODULE module = nullptr;
    if (path.find_first_of("\\/:") == std::string::npos) {
      // A bare name (the library-path fallback).
      module = LoadByBareName(path.c_str());
    } else {
      // A library on the medium, whose own DLLs lie beside it: its folder is
      // searched for them, which needs the full path.
      char full[MAX_PATH + 1] = {};
      DWORD n = ::GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
      const std::string file = n > 0 && n <= MAX_PATH ? std::string(full, n) : path;
      module = ::LoadLibraryExA(file.c_str(), nullptr, BesideLibraryFlags());
    }
    if (!module) return nullptr;
    return std::make_unique<Win32Library>(module);
  }
};

}  // namespace

std::unique_ptr<Libraries> MakeLibraries() { return std::make_unique<Win32Libraries>(); }

}  // namespace plat::win32
