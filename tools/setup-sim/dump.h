// The state dump of setup-sim: one "Form.Control.Property=value" line per
// property, UTF-8, sorted.
#pragma once
#include <string>
#include <vector>

#include "app/program.h"

namespace simtool {

// Converts 8-bit text of a code page (1252, 936, 950) to UTF-8.
std::string ToUtf8(const std::string& text, unsigned codePage);
// Writes carriage returns and line feeds as \r and \n.
std::string Escape(const std::string& utf8);
std::vector<std::string> DumpState(app::Program& p, unsigned codePage);

}  // namespace simtool
