// What the "emit" test program does, read from its arguments, so that the
// real program and its simulated twin behave alike:
//   emit --out 10000 --sleep 200 --err 50 --echo rest of the line
// runs each step in order: N bytes to standard output, a pause of N ms,
// N bytes to standard error, and the rest of the line echoed to standard output.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace emit {

struct Step {
  enum Kind { kOut, kErr, kSleep, kEcho } kind;
  uint32_t count = 0;
  std::string text;  // kEcho: what to write
};

// Printable bytes with CR LF after every 62, the same for every run.
inline std::string Pattern(uint32_t n, char first = '0') {
  std::string s;
  s.reserve(n);
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t col = i % 64;
    s += col == 62 ? '\r' : col == 63 ? '\n' : static_cast<char>(first + (i / 64 + col) % 40);
  }
  return s;
}

// |args|: the command line after the program name.
inline std::vector<Step> Parse(const std::string& args) {
  std::vector<Step> steps;
  size_t i = 0;
  auto word = [&]() {
    while (i < args.size() && args[i] == ' ') ++i;
    size_t b = i;
    while (i < args.size() && args[i] != ' ') ++i;
    return args.substr(b, i - b);
  };
  for (;;) {
    std::string w = word();
    if (w.empty()) break;
    if (w == "--echo") {
      if (i < args.size()) ++i;  // the one blank after the switch
      steps.push_back({Step::kEcho, 0, args.substr(i)});
      break;
    }
    Step::Kind k = w == "--out" ? Step::kOut : w == "--err" ? Step::kErr : Step::kSleep;
    if (w != "--out" && w != "--err" && w != "--sleep") continue;
    steps.push_back({k, static_cast<uint32_t>(std::strtoul(word().c_str(), nullptr, 10)), ""});
  }
  return steps;
}

}  // namespace emit
