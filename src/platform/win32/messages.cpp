// Message-only windows (a "STATIC" window under HWND_MESSAGE) that another
// process can post to; Receive polls the thread's queue for that window.
#include "platform/win32/windows_lean.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32.h"

namespace plat::win32 {
namespace {

class Win32MessageWindow : public MessageWindow {
 public:
  explicit Win32MessageWindow(HWND window) : window_(window) {}

  uintptr_t Handle() override { return reinterpret_cast<uintptr_t>(window_.Get()); }

  std::optional<WindowMessage> Receive(uint32_t ms) override {
    DWORD start = ::GetTickCount();
    for (;;) {
      MSG msg;
      if (::PeekMessageA(&msg, window_.Get(), 0, 0, PM_REMOVE))
        return WindowMessage{msg.message, static_cast<uintptr_t>(msg.wParam),
                             static_cast<intptr_t>(msg.lParam)};
      if (::GetTickCount() - start >= ms) return std::nullopt;
      ::Sleep(10);
    }
  }

 private:
  ScopedWindow window_;
};

class Win32Messages : public Messages {
 public:
  std::unique_ptr<MessageWindow> CreateMessageWindow() override {
    HWND w = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               ::GetModuleHandleA(nullptr), nullptr);
    if (!w) return nullptr;
    return std::make_unique<Win32MessageWindow>(w);
  }
};

}  // namespace

std::unique_ptr<Messages> MakeMessages() { return std::make_unique<Win32Messages>(); }

}  // namespace plat::win32
