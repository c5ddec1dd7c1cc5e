#include "platform/platform.h"

namespace plat {

namespace {
Backend& Slot() {
  static Backend current = DefaultBackend();
  return current;
}
}  // namespace

Backend& backend() { return Slot(); }
void SetBackend(const Backend& b) { Slot() = b; }

}  // namespace plat
