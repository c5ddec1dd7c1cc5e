// A file planted where the installer must not look: built as a DLL (named in
// the test after a system DLL) and as a program (named sc.exe, net.exe,
// cmd.exe). Whichever way it is loaded or started, it appends its own path
// to C:\planted.log, the line the plant test looks for.
#include <windows.h>

namespace {

void Mark(HMODULE self) {
  char path[MAX_PATH + 2] = {};
  DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
  path[n++] = '\r';
  path[n++] = '\n';
  HANDLE f = CreateFileA("C:\\planted.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, path, n, &written, nullptr);
  CloseHandle(f);
}

}  // namespace

#ifdef PLANTED_DLL
extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) Mark(self);
  return TRUE;
}
#else
int main() {
  Mark(nullptr);
  return 0;
}
#endif
