// Simulated message windows: what simulated processes post (PostedMessage
// in the hand-off state) is received once the virtual clock reaches it;
// waiting moves the clock, never beyond the wait. Open windows are counted.
#include <algorithm>

#include "platform/sim/machine.h"

namespace plat::sim {
namespace {

class SimMessageWindow : public MessageWindow {
 public:
  SimMessageWindow(SimMachine& m, uintptr_t handle)
      : m_(m), counted_(m.handles, "window", "CreateWindow"), handle_(handle) {}
  ~SimMessageWindow() override {
    auto& posted = m_.handOff.posted;
    posted.erase(std::remove_if(posted.begin(), posted.end(),
                                [&](const PostedMessage& p) { return p.window == handle_; }),
                 posted.end());
  }

  uintptr_t Handle() override { return handle_; }

  std::optional<WindowMessage> Receive(uint32_t ms) override {
    if (auto e = m_.faults.Check("PeekMessage")) {
      m_.lastError = *e;
      return std::nullopt;
    }
    auto& posted = m_.handOff.posted;
    auto first = posted.end();
    for (auto it = posted.begin(); it != posted.end(); ++it)
      if (it->window == handle_ && (first == posted.end() || it->at < first->at)) first = it;
    if (first == posted.end() || first->at > m_.now + ms) {
      m_.now += ms;
      return std::nullopt;
    }
    m_.now = std::max(m_.now, first->at);
    WindowMessage msg{first->message, first->wParam, first->lParam};
    posted.erase(first);
    return msg;
  }

 private:
  SimMachine& m_;
  CountedHandle counted_;
  uintptr_t handle_;
};

class SimMessages : public Messages {
 public:
  explicit SimMessages(SimMachine& m) : m_(m) {}
  std::unique_ptr<MessageWindow> CreateMessageWindow() override {
    if (auto e = m_.faults.Check("CreateWindow")) {
      m_.lastError = *e;
      return nullptr;
    }
    // Window handles are small even numbers on Windows too.
    return std::make_unique<SimMessageWindow>(m_, next_ += 4);
  }

 private:
  SimMachine& m_;
  uintptr_t next_ = 0x10000;
};

}  // namespace

std::unique_ptr<Messages> MakeMessages(SimMachine& m) { return std::make_unique<SimMessages>(m); }

}  // namespace plat::sim
