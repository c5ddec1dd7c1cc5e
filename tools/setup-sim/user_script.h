// The user script of setup-sim (--user FILE): one action of the scripted
// user a line, acting at a virtual time or when a window or message box with
// a given text is up. The format is described in docs/setup-sim-scripts.md.
//
//   at 12000 press TFormSearching.btnReSearch
//   when "Restart" answer no
#pragma once
#include <string>
#include <vector>

#include "tools/setup-sim/codepage.h"
#include "ui/headless/headless.h"

namespace simtool {

// Parses the script. Texts in quotes are UTF-8 and are converted to the
// simulated machine's code page, so that they match what the windows show.
// False with "line N: ..." in error on the first line that does not parse.
bool ParseUserScript(const std::string& text, unsigned codePage,
                     std::vector<ui::headless::Step>& steps, std::string& error);

}  // namespace simtool
