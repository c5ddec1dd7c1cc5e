// A language monitor for the library's tests (tests/gui/realdriver.sh): the
// spooler loads it when it is added and finds an entry table with no port
// functions, so it takes no part in printing.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

namespace {
MONITOR2 g_monitor;
}

extern "C" __declspec(dllexport) LPMONITOR2 WINAPI
    InitializePrintMonitor2(PMONITORINIT init, PHANDLE monitor) {
  if (!init || !monitor) return nullptr;
  g_monitor.cbSize = sizeof g_monitor;
  *monitor = reinterpret_cast<HANDLE>(&g_monitor);
  return &g_monitor;
}
