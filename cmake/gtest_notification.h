// GoogleTest's Notification needs std::mutex, which the win32 thread model of
// mingw-w64 lacks. Only GoogleTest's own thread tests use it; a flag will do.
#pragma once
#ifdef __cplusplus
namespace testing {
namespace internal {
class Notification {
 public:
  Notification() : notified_(false) {}
  void Notify() { notified_ = true; }
  void WaitForNotification() {
    while (!notified_) {
    }
  }

 private:
  volatile bool notified_;
};
}  // namespace internal
}  // namespace testing
#endif
