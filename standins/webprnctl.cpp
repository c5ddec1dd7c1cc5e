// Stand-in of the ActiveX control: DllRegisterServer appends a line to
// "<its own path>.log", so a test can see that, and where, it was registered.
#include <windows.h>

#include <cstdio>

namespace {
HMODULE g_self = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_self = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
  char path[MAX_PATH + 8] = {};
  DWORD n = GetModuleFileNameA(g_self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return E_FAIL;
  lstrcatA(path, ".log");
  FILE* f = fopen(path, "a");
  if (!f) return E_FAIL;
  fputs("DllRegisterServer\n", f);
  fclose(f);
  return S_OK;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() { return S_OK; }
