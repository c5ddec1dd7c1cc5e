// The library's test probe under Wine: calls the library as the program does
// and reads back what the spooler holds of a driver.
//   drvkit_probe install LIBRARY INF HWID [PORT]  -> "answer=N" "code=0x..."
//   drvkit_probe install-shown LIBRARY INF HWID    -> the same with the library's error box on
//   drvkit_probe driver NAME                      -> environment=, driver=, data=, config=, files=,
//                                                    monitor=
//   drvkit_probe monitor NAME                     -> "dll=" of the monitor the spooler registered
//   drvkit_probe find LIBRARY HWID                -> "found=N" "device=" "port="
//   drvkit_probe delete-driver NAME               -> the driver of the caller's environment removed
//   drvkit_probe print QUEUE FILE                 -> one page through the queue's driver into FILE
//   drvkit_probe sibling PROGRAM ARGS             -> PROGRAM started as the installer starts the
//                                                    sibling, "%W" in ARGS replaced by a window of
//                                                    the probe's: "message=success|error|none",
//                                                    "code=0x...", "exit=N"
// Exit code 0 when the call could be made (and, for driver, the driver exists).
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/install_messages.h"

namespace {

using DrvKitFn = int(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, HWND);
using LastCodeFn = DWORD(WINAPI*)();
using FindFn = DWORD(WINAPI*)(LPCSTR, LPSTR, LPSTR);
using ShowFn = void(WINAPI*)(BOOL);

template <typename Fn>
Fn Proc(HMODULE m, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

int Install(const char* library, const char* inf, const char* hwid, const char* port, bool shown) {
  HMODULE m = LoadLibraryA(library);
  auto drvKit = Proc<DrvKitFn>(m, "FuncDrvKit");
  auto last = Proc<LastCodeFn>(m, "LastInstallErrorCode");
  if (!m || !drvKit || !last) {
    fprintf(stderr, "cannot load %s (%lu)\n", library, GetLastError());
    return 2;
  }
  if (shown) {
    auto show = Proc<ShowFn>(m, "ShowErrorCode");
    if (!show) return 2;
    show(TRUE);
  }
  int answer = drvKit(inf, hwid, port, nullptr);
  printf("answer=%d\ncode=0x%08lX\n", answer, static_cast<unsigned long>(last()));
  FreeLibrary(m);
  return 0;
}

int Find(const char* library, const char* hwid) {
  HMODULE m = LoadLibraryA(library);
  auto find = Proc<FindFn>(m, "FuncFindExistDevice");
  if (!m || !find) return 2;
  char device[260] = "unset", port[260] = "unset";
  DWORD found = find(hwid, device, port);
  printf("found=%lu\ndevice=%s\nport=%s\n", static_cast<unsigned long>(found), device, port);
  FreeLibrary(m);
  return 0;
}

int Driver(const char* name) {
  DWORD needed = 0, count = 0;
  EnumPrinterDriversA(nullptr, nullptr, 3, nullptr, 0, &needed, &count);
  std::vector<BYTE> buf(needed + 1);
  if (!EnumPrinterDriversA(nullptr, nullptr, 3, buf.data(), needed, &needed, &count)) return 2;
  const auto* d = reinterpret_cast<const DRIVER_INFO_3A*>(buf.data());
  for (DWORD i = 0; i < count; ++i) {
    if (lstrcmpiA(d[i].pName, name) != 0) continue;
    printf("environment=%s\ndriver=%s\ndata=%s\nconfig=%s\nhelp=%s\n", d[i].pEnvironment,
           d[i].pDriverPath, d[i].pDataFile, d[i].pConfigFile,
           d[i].pHelpFile ? d[i].pHelpFile : "");
    std::string files;
    for (const char* p = d[i].pDependentFiles; p && *p; p += strlen(p) + 1)
      files += std::string(p) + ";";
    printf("files=%s\nmonitor=%s\n", files.c_str(), d[i].pMonitorName ? d[i].pMonitorName : "");
    return 0;
  }
  printf("no driver %s\n", name);
  return 1;
}

int Monitor(const char* name) {
  const std::string key =
      std::string("SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\") + name;
  char dll[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), "Driver", RRF_RT_REG_SZ, nullptr, dll, &size) !=
      ERROR_SUCCESS) {
    printf("no monitor %s\n", name);
    return 1;
  }
  printf("dll=%s\n", dll);
  return 0;
}

int Print(const char* queue, const char* file) {
  HDC dc = CreateDCA(nullptr, queue, nullptr, nullptr);
  if (!dc) {
    fprintf(stderr, "no device context for %s (%lu)\n", queue, GetLastError());
    return 1;
  }
  DOCINFOA doc;
  ZeroMemory(&doc, sizeof doc);
  doc.cbSize = sizeof doc;
  doc.lpszDocName = "drvkit test page";
  doc.lpszOutput = file;
  bool ok = StartDocA(dc, &doc) > 0 && StartPage(dc) > 0 &&
            TextOutA(dc, 100, 100, "Test page", 9) && EndPage(dc) > 0 && EndDoc(dc) > 0;
  DeleteDC(dc);
  printf("printed=%d\n", ok ? 1 : 0);
  return ok ? 0 : 1;
}

// Starts PROGRAM ARGS hidden and detached, as the installer does, and waits
// up to a minute for its exit and the message it posts to the probe's window.
int Sibling(const char* program, std::string args) {
  HWND window = CreateWindowA("STATIC", "drvkit probe", 0, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  if (!window) return 2;
  for (size_t at; (at = args.find("%W")) != std::string::npos;)
    args.replace(at, 2, std::to_string(reinterpret_cast<uintptr_t>(window)));
  std::string line = std::string("\"") + program + "\" " + args;
  STARTUPINFOA si;
  ZeroMemory(&si, sizeof si);
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                      nullptr, &si, &pi)) {
    fprintf(stderr, "cannot start %s (%lu)\n", program, GetLastError());
    return 2;
  }
  CloseHandle(pi.hThread);
  const char* message = "none";
  unsigned long code = 0;
  // What it posted is in the queue by the time it has ended; a short grace
  // after the end all the same, then the answer.
  const DWORD start = GetTickCount();
  DWORD endedAt = 0;
  while (GetTickCount() - start < 60000) {
    MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 100, QS_ALLPOSTMESSAGE);
    MSG m;
    while (PeekMessageA(&m, window, 0, 0, PM_REMOVE)) {
      if (m.message == plat::kWmInstallSuccess) message = "success";
      if (m.message == plat::kWmInstallError) {
        message = "error";
        code = static_cast<unsigned long>(m.lParam);
      }
    }
    if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) continue;
    if (strcmp(message, "none") != 0) break;
    if (!endedAt)
      endedAt = GetTickCount();
    else if (GetTickCount() - endedAt > 500)
      break;
  }
  DWORD exitCode = STILL_ACTIVE;
  GetExitCodeProcess(pi.hProcess, &exitCode);
  CloseHandle(pi.hProcess);
  DestroyWindow(window);
  printf("message=%s\ncode=0x%08lX\nexit=%lu\n", message, code,
         static_cast<unsigned long>(exitCode));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string cmd = argc > 1 ? argv[1] : "";
  if (cmd == "install" && (argc == 5 || argc == 6))
    return Install(argv[2], argv[3], argv[4], argc == 6 ? argv[5] : "LPT1:", false);
  if (cmd == "install-shown" && argc == 5) return Install(argv[2], argv[3], argv[4], "LPT1:", true);
  if (cmd == "find" && argc == 4) return Find(argv[2], argv[3]);
  if (cmd == "driver" && argc == 3) return Driver(argv[2]);
  if (cmd == "monitor" && argc == 3) return Monitor(argv[2]);
  if (cmd == "print" && argc == 4) return Print(argv[2], argv[3]);
  if (cmd == "sibling" && argc == 4) return Sibling(argv[2], argv[3]);
  if (cmd == "delete-driver" && argc == 3)
    return DeletePrinterDriverA(nullptr, nullptr, argv[2]) ? 0 : 1;
  fprintf(stderr,
          "usage: drvkit_probe install LIBRARY INF HWID [PORT] | install-shown LIBRARY INF HWID | "
          "find LIBRARY HWID | driver NAME | monitor NAME | "
          "delete-driver NAME | print QUEUE FILE | sibling PROGRAM ARGS\n");
  return 2;
}
