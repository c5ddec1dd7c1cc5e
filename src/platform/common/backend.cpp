#include "platform/platform.h"

namespace plat {

namespace {
unsigned generation = 0;

Backend& Slot() {
  static Backend current = DefaultBackend();
  return current;
}
}  // namespace

Backend& backend() { return Slot(); }
void SetBackend(const Backend& b) {
  Slot() = b;
  ++generation;
}
unsigned BackendGeneration() { return generation; }

}  // namespace plat
