#include "platform/win32/system_library.h"

#include <map>

#include "platform/win32/win32.h"

namespace plat::win32 {
namespace {

// The loader flags of Windows 8 (and 7 with its loader update); the build
// targets Windows 2000, whose headers do not name them.
constexpr DWORD kSearchDllLoadDir = 0x100;      // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
constexpr DWORD kSearchApplicationDir = 0x200;  // LOAD_LIBRARY_SEARCH_APPLICATION_DIR
constexpr DWORD kSearchSystem32 = 0x800;        // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD kSearchDefaultDirs = 0x1000;    // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
constexpr ULONG kDllRedirectionSection = 2;     // ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION

// ACTCTX_SECTION_KEYED_DATA as XP knows it (the later fields are optional).
struct ActCtxKeyedData {
  ULONG cbSize;
  ULONG ulDataFormatVersion;
  PVOID lpData;
  ULONG ulLength;
  PVOID lpSectionGlobalData;
  ULONG ulSectionGlobalDataLength;
  PVOID lpSectionBase;
  ULONG ulSectionTotalLength;
  HANDLE hActCtx;
  ULONG ulAssemblyRosterIndex;
};

HMODULE Kernel32() { return ::GetModuleHandleA("kernel32.dll"); }

// Whether LoadLibraryEx takes the LOAD_LIBRARY_SEARCH flags.
bool HasSearchFlags() { return ProcOf<FARPROC>(Kernel32(), "SetDefaultDllDirectories") != nullptr; }

// Whether the activation context in effect (the manifest's, XP and later)
// maps the bare name |dll| to an assembly of the side-by-side store.
bool RedirectedByManifest(const wchar_t* dll) {
  using FindFn = BOOL(WINAPI*)(DWORD, const GUID*, ULONG, LPCWSTR, ActCtxKeyedData*);
  auto find = ProcOf<FindFn>(Kernel32(), "FindActCtxSectionStringW");
  if (!find) return false;
  const DWORD kept = ::GetLastError();
  ActCtxKeyedData data{};
  data.cbSize = sizeof data;
  const bool found = find(0, nullptr, kDllRedirectionSection, dll, &data) != FALSE;
  ::SetLastError(kept);
  return found;
}

}  // namespace

std::string SystemFolder() {
  char dir[MAX_PATH + 1] = {};
  UINT n = ::GetSystemDirectoryA(dir, MAX_PATH);
  if (n == 0 || n > MAX_PATH) return "";
  std::string folder(dir, n);
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

HMODULE SystemLibrary(const char* name) {
  // Loaded once for the life of the process: the spooler's printer handles
  // and the common controls' windows outlive any one call.
  static std::map<std::string, HMODULE> loaded;
  auto it = loaded.find(name);
  if (it != loaded.end()) return it->second;
  const std::string folder = SystemFolder();
  if (folder.empty()) return nullptr;  // GetSystemDirectoryA's error stands
  // The system DLL's own imports resolve from the system folder too.
  HMODULE module =
      ::LoadLibraryExA((folder + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module) loaded[name] = module;
  return module;
}

HMODULE CommonControls() {
  static HMODULE module = nullptr;
  if (module) return module;
  // A load by full path bypasses the manifest, which would give version 5
  // where the manifest asks for 6. The bare name is safe only where the
  // activation context answers it before any folder is searched.
  if (!RedirectedByManifest(L"comctl32.dll")) {
    module = SystemLibrary("comctl32.dll");
  } else if (HasSearchFlags()) {
    // Its own imports (msimg32.dll, uxtheme.dll) from the system folder too.
    module = ::LoadLibraryExA("comctl32.dll", nullptr, kSearchSystem32);
  } else {
    module = ::LoadLibraryA("comctl32.dll");
  }
  return module;
}

HMODULE LoadByBareName(const char* name) {
  if (HasSearchFlags())
    return ::LoadLibraryExA(name, nullptr, kSearchApplicationDir | kSearchSystem32);
  return ::LoadLibraryA(name);
}

DWORD BesideLibraryFlags() {
  return HasSearchFlags() ? kSearchDllLoadDir | kSearchDefaultDirs : LOAD_WITH_ALTERED_SEARCH_PATH;
}

void NarrowDllSearch() {
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const DWORD kept = ::GetLastError();
  // XP SP1 and later: the current directory leaves the search.
  if (auto set = ProcOf<SetDllDirectoryFn>(Kernel32(), "SetDllDirectoryW")) set(L"");
  // Windows 8 (7 with its loader update) and later: a bare name is looked for
  // in the system folder only. The program's folder stays out too: the
  // system's own DLLs load their helpers (uxtheme.dll, the spooler's) by
  // bare names, which that folder would otherwise answer first.
  if (auto set = ProcOf<SetDefaultDllDirectoriesFn>(Kernel32(), "SetDefaultDllDirectories"))
    set(kSearchSystem32);
  ::SetLastError(kept);
}

}  // namespace plat::win32
