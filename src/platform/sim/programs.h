// Simulated console programs: the built-in tools (sc, net, cmd, service
// executables) and the ones a test registers.
//
//   plat::sim::RegisterProgram(m, "emit", [](const std::string&) {
//     return plat::sim::SimRun{{{5, "hello\r\n", ""}}, 20, 0};
//   });
#pragma once
#include <optional>
#include <string>

#include "platform/sim/machine.h"
#include "platform/sim/state.h"

namespace plat::sim {

// |name| is matched against the program part of a command line without
// folder and ".exe", case-insensitively.
void RegisterProgram(SimMachine& m, const std::string& name, SimProgram program);

// The program part of a command line (quoted or up to the first blank) and the rest.
std::string ProgramOf(const std::string& commandLine, std::string* rest = nullptr);

// What the command line does on |m| (changing the service table as the
// real tools would), or nullopt when there is no such program. Records a
// "command" event for every command that runs.
std::optional<SimRun> RunProgram(SimMachine& m, const std::string& commandLine);

// The device console (devcon.exe) at |program|; nullopt when that file is
// not there.
std::optional<SimRun> RunDevcon(SimMachine& m, const std::string& program, const std::string& args);

// |commandLine| as typed at a console: a system tool started by its full path
// in the system folder shows its bare name ("sc query Spooler"); any other
// command line is returned as it is. Records and state dumps show this form.
std::string TypedCommand(const SimMachine& m, const std::string& commandLine);

// The built-in console tools; nullopt when |commandLine| is none of them.
std::optional<SimRun> RunConsoleTool(SimMachine& m, const std::string& commandLine);

}  // namespace plat::sim
