/* The least a Win32 program does to show a window: the yardstick for the
   shipped program's time to its main window (bench/shipped-start). */
#include <windows.h>

static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(h, m, w, l);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev, LPSTR cmd, int show) {
  WNDCLASSA wc = {0};
  MSG msg;
  (void)prev, (void)cmd;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.lpszClassName = "MinimalWindow";
  wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  RegisterClassA(&wc);
  ShowWindow(CreateWindowA("MinimalWindow", "Minimal Window", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300,
                           NULL, NULL, instance, NULL),
             show);
  while (GetMessageA(&msg, NULL, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
