// Test program for the console runner: writes to standard output and
// standard error and pauses, as its arguments say (see emit_logic.h).
#include "console.h"
#include "emit_logic.h"

using console::Write;

int main() {
  for (const auto& step : emit::Parse(console::Arguments())) {
    switch (step.kind) {
      case emit::Step::kOut: Write(STD_OUTPUT_HANDLE, emit::Pattern(step.count)); break;
      case emit::Step::kErr: Write(STD_ERROR_HANDLE, emit::Pattern(step.count, 'a')); break;
      case emit::Step::kSleep: Sleep(step.count); break;
      case emit::Step::kEcho: Write(STD_OUTPUT_HANDLE, step.text); break;
    }
  }
  return 0;
}
