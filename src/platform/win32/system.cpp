// System facts and primitives over the A functions of kernel32 and user32.
#include "platform/win32/windows_lean.h"

#include <vector>

#include "platform/win32/win32.h"

namespace plat::win32 {
namespace {

class Win32System : public System {
 public:
  uint16_t GetSystemDefaultLangID() override { return ::GetSystemDefaultLangID(); }

  bool GetVersionEx(VersionInfo& out, uint32_t recordSize) override {
    OSVERSIONINFOEXA v;
    ZeroMemory(&v, sizeof v);
    if (recordSize > sizeof v) return false;
    v.dwOSVersionInfoSize = recordSize;
    if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&v))) return false;
    out.major = v.dwMajorVersion;
    out.minor = v.dwMinorVersion;
    out.build = v.dwBuildNumber;
    out.platformId = v.dwPlatformId;
    return true;
  }

  std::optional<bool> IsWow64Process() override {
    using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE k = ::GetModuleHandleA("kernel32");
    if (!k) return std::nullopt;
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(k, "IsWow64Process")));
    if (!fn) return std::nullopt;
    BOOL wow = FALSE;
    fn(::GetCurrentProcess(), &wow);
    return wow != FALSE;
  }

  std::string GetSystemDirectory() override {
    char buf[MAX_PATH + 1] = {};
    UINT n = ::GetSystemDirectoryA(buf, MAX_PATH);
    return std::string(buf, n < MAX_PATH ? n : 0);
  }

  std::string GetTempPath() override {
    char buf[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathA(MAX_PATH, buf);
    return std::string(buf, n < MAX_PATH ? n : 0);
  }

  void Sleep(uint32_t ms) override { ::Sleep(ms); }
  uint64_t TickCount() override { return ::GetTickCount(); }

  void OutputDebugString(const std::string& text) override { ::OutputDebugStringA(text.c_str()); }
  uint32_t GetLastError() override { return ::GetLastError(); }
  void SetLastError(uint32_t code) override { ::SetLastError(code); }

  std::string ShortDateString() override {
    char buf[128] = {};
    int n =
        ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buf, sizeof buf);
    return n > 0 ? std::string(buf) : std::string();
  }

  std::string LongTimeString() override {
    char buf[128] = {};
    int n = ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, buf, sizeof buf);
    return n > 0 ? std::string(buf) : std::string();
  }

  std::string ModuleFileName() override {
    char buf[MAX_PATH + 1] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return std::string(buf, n);
  }

  std::vector<std::string> CommandArgs() override {
    // Split as the C runtime does: blanks separate, double quotes group.
    std::vector<std::string> args;
    const char* p = ::GetCommandLineA();
    bool first = true;
    while (*p) {
      while (*p == ' ' || *p == '\t') ++p;
      if (!*p) break;
      std::string a;
      bool quoted = false;
      while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
        if (*p == '"') {
          quoted = !quoted;
        } else {
          a += *p;
        }
        ++p;
      }
      if (!first) args.push_back(a);
      first = false;
    }
    return args;
  }

  std::optional<std::string> LoadBitmapResource(const std::string& name) override {
    HRSRC r = ::FindResourceA(nullptr, name.c_str(), MAKEINTRESOURCEA(2));  // RT_BITMAP
    if (!r) return std::nullopt;
    HGLOBAL g = ::LoadResource(nullptr, r);
    DWORD size = ::SizeofResource(nullptr, r);
    const char* data = static_cast<const char*>(::LockResource(g));
    if (!data || size < sizeof(BITMAPINFOHEADER)) return std::nullopt;
    // A bitmap resource is the file without its 14-byte header: put one back.
    const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(data);
    DWORD colours =
        info->biClrUsed ? info->biClrUsed : (info->biBitCount <= 8 ? (1u << info->biBitCount) : 0);
    DWORD offset = 14 + info->biSize + colours * 4;
    std::string file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    DWORD total = 14 + size;
    memcpy(&file[2], &total, 4);
    memcpy(&file[10], &offset, 4);
    file.append(data, size);
    return file;
  }

  std::optional<std::string> LoadDataResource(const std::string& name) override {
    HRSRC r = ::FindResourceA(nullptr, name.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!r) return std::nullopt;
    HGLOBAL g = ::LoadResource(nullptr, r);
    const char* data = g ? static_cast<const char*>(::LockResource(g)) : nullptr;
    if (!data) return std::nullopt;
    return std::string(data, ::SizeofResource(nullptr, r));
  }

  uint32_t AnsiCodePage() override { return ::GetACP(); }
};

}  // namespace

std::unique_ptr<System> MakeSystem() { return std::make_unique<Win32System>(); }

}  // namespace plat::win32
