// Fuzz target of setup-sim's user-script reader: any input either parses
// into steps a scripted user can carry out, or is refused with the number
// of a line that exists.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/setup-sim/user_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (unsigned cp : {1252u, 936u}) {
    std::vector<ui::headless::Step> steps;
    std::string error;
    if (simtool::ParseUserScript(text, cp, steps, error)) {
      if (!error.empty()) __builtin_trap();
      for (const auto& s : steps) {
        using Do = ui::headless::Step::Do;
        if ((s.what == Do::Press || s.what == Do::Select || s.what == Do::DblClick ||
             s.what == Do::Hover) &&
            (s.form.empty() || s.control.empty()))
          __builtin_trap();
        if ((s.what == Do::Close || s.what == Do::Activate) && s.form.empty()) __builtin_trap();
        if (s.what == Do::Answer && (s.value < 1 || s.value > 7)) __builtin_trap();
        if ((s.what == Do::Select && s.value < 0) || s.value > 100000) __builtin_trap();
      }
    } else {
      // "line N: reason", N within the text; or the closing-wait message.
      if (error.rfind("line ", 0) == 0) {
        size_t n = std::strtoul(error.c_str() + 5, nullptr, 10);
        size_t lines = 1;
        for (char c : text) lines += c == '\n';
        if (n < 1 || n > lines) __builtin_trap();
      } else if (error.find("wait") == std::string::npos) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
