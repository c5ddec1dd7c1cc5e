// setup-lint: checks an installation medium (install.ini, the files it names,
// the INFs) for what makes the installer fail or quietly do less than meant.
//
//   auto findings = lint::CheckMedium("/media/oem");
//   // {"install.ini", 12, Severity::Warning, "AutoMode=yes counts as false ..."}
#pragma once
#include <string>
#include <vector>

namespace lint {

enum class Severity { Warning, Error };

struct Finding {
  std::string file;  // relative to the medium, as install.ini names it
  int line = 0;      // 1-based; 0 for the file as a whole
  Severity severity = Severity::Warning;
  std::string message;
};

std::vector<Finding> CheckMedium(const std::string& mediumDir);

// "install.ini:12: warning: ..." (the form compilers use); no line for the file as a whole.
std::string Format(const Finding& f);
// 0 clean, 1 warnings only, 2 errors.
int ExitCode(const std::vector<Finding>& findings);

}  // namespace lint
