// The state dump of setup-sim: one "Form.Control.Property=value" line per
// property, UTF-8, sorted.
#pragma once
#include <string>
#include <vector>

#include "app/program.h"
#include "tools/setup-sim/codepage.h"

namespace simtool {

// Writes carriage returns and line feeds as \r and \n.
std::string Escape(const std::string& utf8);
std::vector<std::string> DumpState(app::Program& p, unsigned codePage);

}  // namespace simtool
