// The 64-bit sibling setup on the simulated machine, and the window
// messages simulated processes post to the program's windows.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/machine.h"

namespace plat::sim {

// True when the command line's program is the sibling (m.handOff.program).
bool IsSibling64(const std::string& commandLine, const SimMachine& m);

// What the sibling started with |info| does: parses its command line, runs
// the 64-bit helper library in its own folder and posts its answer after
// m.handOff.delay, when it also ends. nullopt (last error set) when there
// is no such file.
std::optional<SimRun> RunSibling64(SimMachine& m, const StartInfo& info);

// The messages due by the virtual clock, taken out in the order posted.
std::vector<PostedMessage> TakeDueMessages(SimMachine& m);

}  // namespace plat::sim
