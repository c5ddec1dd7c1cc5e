// setup-lint MEDIUM: checks an installation medium before it ships.
// Exit code 0 clean, 1 warnings only, 2 errors (or a bad command line).
#include <sys/stat.h>

#include <iostream>
#include <string>

#include "tools/setup-lint/lint.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]).rfind("-", 0) == 0) {
    std::cerr << "usage: setup-lint MEDIUM\n";
    return 2;
  }
  struct stat st;
  if (stat(argv[1], &st) != 0 || !S_ISDIR(st.st_mode)) {
    std::cerr << "setup-lint: " << argv[1] << " is no folder\n";
    return 2;
  }
  const auto findings = lint::CheckMedium(argv[1]);
  for (const auto& f : findings) std::cout << lint::Format(f) << "\n";
  return lint::ExitCode(findings);
}
