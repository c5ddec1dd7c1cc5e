// Libraries loaded by path, their exports, and typed calls of the helper
// library's functions and of DllRegisterServer.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace plat {

constexpr uint32_t kHelperTextSize = 260;  // the helper library's text buffers

// A loaded library, released on destruction. A typed call of an export
// that HasExport denies is a programming error.
class Library {
 public:
  virtual ~Library() = default;
  virtual bool HasExport(const std::string& name) = 0;

  // BOOL __stdcall FuncFindExistDevice(LPCSTR hwid, LPSTR deviceId[260], LPSTR portInfo[260])
  virtual uint32_t FuncFindExistDevice(const std::string& hwid, char* deviceId, char* portInfo) = 0;
  virtual void RefreshHW() = 0;
  // int __stdcall FuncDrvKit(LPCSTR inf, LPCSTR hwid, LPCSTR port, HWND window)
  virtual int32_t FuncDrvKit(const std::string& inf, const std::string& hwid,
                             const std::string& port, uintptr_t window) = 0;
  virtual uint32_t LastInstallErrorCode() = 0;
  virtual void ShowErrorCode(int32_t show) = 0;
  virtual int32_t DllRegisterServer() = 0;  // HRESULT
};

class Libraries {
 public:
  virtual ~Libraries() = default;
  virtual std::unique_ptr<Library> Load(const std::string& path) = 0;  // null on failure
};

}  // namespace plat
