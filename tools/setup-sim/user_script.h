// The user script of setup-sim (--user FILE): one action of the scripted
// user a line, acting at a virtual time or when a window or message box with
// a given text is up. The format is described in docs/setup-sim-scripts.md.
//
//   at 12000 press TFormSearching.btnReSearch
//   when "Restart" answer no
#pragma once
#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "tools/setup-sim/codepage.h"
#include "ui/headless/headless.h"

namespace simtool {

// Parses the script. Texts in quotes are UTF-8 and are converted to the
// simulated machine's code page, so that they match what the windows show.
// False with "line N: ..." in error on the first line that does not parse.
// |lines|, when given, receives the line of each step.
bool ParseUserScript(const std::string& text, unsigned codePage,
                     std::vector<ui::headless::Step>& steps, std::string& error,
                     std::vector<int>* lines = nullptr);

// The steps that name a window or control the program does not have, or
// pick an item of a control that is no list: "line N: why" each. Asked of the
// program's forms, all of which exist from its start.
std::vector<std::string> CheckScriptTargets(const std::vector<ui::headless::Step>& steps,
                                            const std::vector<int>& lines);

// The steps the scripted user could not carry out in a run, read from the
// run's transcript (a "ui-user" or scripted "ui-answer" event for each step
// run, a "ui-script-error" after one that failed): "line N: why" each.
std::vector<std::string> FailedScriptSteps(const std::vector<plat::sim::Event>& transcript,
                                           const std::vector<ui::headless::Step>& steps,
                                           const std::vector<int>& lines);

}  // namespace simtool
