// Window messages another process posts to this program: a message-only
// window with a handle to pass on, and a bounded wait for what arrives.
//
//   auto w = plat::messages().CreateMessageWindow();
//   ... start a program with w->Handle() on its command line ...
//   if (auto m = w->Receive(10000)) ...   // m->message, m->lParam
#pragma once
#include <cstdint>
#include <memory>
#include <optional>

namespace plat {

struct WindowMessage {
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

// Destroyed with its owner; messages still queued are dropped.
class MessageWindow {
 public:
  virtual ~MessageWindow() = default;
  virtual uintptr_t Handle() = 0;
  // The next message posted to the window, waiting up to ms for one.
  virtual std::optional<WindowMessage> Receive(uint32_t ms) = 0;
};

class Messages {
 public:
  virtual ~Messages() = default;
  virtual std::unique_ptr<MessageWindow> CreateMessageWindow() = 0;  // null on failure
};

}  // namespace plat
