// The simulated console tools: sc, net, cmd /C and service executables,
// printing what the real tools print, over the simulated service table. The
// system tools answer by their bare names and by their full paths in the
// system folder.
#include <sys/stat.h>

#include "platform/common/text.h"
#include "platform/common/tool_texts.h"
#include "platform/sim/programs.h"

namespace plat::sim {
namespace {

using tooltext::kCrLf;

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

// The name a command line is matched by: no folder, no ".exe", lower case.
std::string BareName(const std::string& program) {
  std::string name = program;
  size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  name = text::Lower(name);
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
    name.resize(name.size() - 4);
  return name;
}

// Whether |program| names a file of the system folder ("C:\WINDOWS\system32\sc.exe").
bool InSystemFolder(const SimMachine& m, const std::string& program) {
  size_t slash = program.find_last_of("\\/");
  if (slash == std::string::npos) return false;
  return text::Lower(program.substr(0, slash)) == text::Lower(m.systemDirectory);
}

// A built-in tool as the program part names it: bare ("sc") as typed at a
// console, or by its full path in the system folder.
bool IsSystemTool(const SimMachine& m, const std::string& program, const char* tool) {
  bool bare = program.find_first_of("\\/:") == std::string::npos;
  return (bare || InSystemFolder(m, program)) && BareName(program) == tool;
}

// What cmd runs of the text after /C: a text that opens with a quote loses
// it and its last quote, unless it holds just one quoted name with blanks
// (cmd /C ""C:\My Medium\devcon.exe" rescan" runs the quoted path).
std::string CmdInner(const std::string& text) {
  std::string r = Trim(text);
  if (r.empty() || r[0] != '"') return r;
  size_t quotes = 0;
  for (char c : r) quotes += c == '"';
  size_t last = r.rfind('"');
  if (quotes == 2 && r.substr(1, last - 1).find(' ') != std::string::npos) return r;
  return r.substr(1, last - 1) + r.substr(last + 1);
}

SimService* FindService(SimMachine& m, const std::string& name) {
  auto it = m.services.byName.find(text::Upper(name));
  if (it == m.services.byName.end() || !it->second.installed) return nullptr;
  return &it->second;
}

// Counts down a failure budget (-1: fails every time).
bool TakeFailure(int& budget) {
  if (budget == 0) return false;
  if (budget > 0) --budget;
  return true;
}

SimRun Out(const std::string& text, uint64_t at = 20, uint64_t exitAt = 30, uint32_t code = 0) {
  return SimRun{{{at, text, ""}}, exitAt, code};
}
SimRun Err(const std::string& text, uint32_t code) { return SimRun{{{20, "", text}}, 30, code}; }

using tooltext::kNoSuchService;
using tooltext::Lines;
using tooltext::ScFailed;
using tooltext::StatusBlock;

SimRun Sc(SimMachine& m, const std::string& args) {
  std::string verb;
  std::string name = Trim(args);
  size_t blank = name.find(' ');
  verb = text::Lower(name.substr(0, blank));
  name = blank == std::string::npos ? "" : Trim(name.substr(blank + 1));
  if (name.empty() || (verb != "query" && verb != "stop" && verb != "start" && verb != "delete")) {
    return Out(Lines({"DESCRIPTION:",
                      "        SC is a command line program used for communicating with the",
                      "        Service Control Manager and services."}),
               20, 30, 1639);
  }
  SimService* s = FindService(m, name);
  if (!s) {
    if (verb == "query")
      return Out(ScFailed("EnumQueryServicesStatus:OpenService", 1060, kNoSuchService), 20, 30,
                 1060);
    return Out(ScFailed("OpenService", 1060, kNoSuchService), 20, 30, 1060);
  }
  if (verb == "query") {
    return Out(s->running ? StatusBlock(s->name, "4  RUNNING",
                                        "(STOPPABLE, NOT_PAUSABLE, ACCEPTS_SHUTDOWN)", false)
                          : StatusBlock(s->name, "1  STOPPED ",
                                        "(NOT_STOPPABLE, NOT_PAUSABLE, IGNORES_SHUTDOWN)", false));
  }
  if (verb == "stop") {
    if (!s->running)
      return Out(ScFailed("ControlService", 1062, "The service has not been started."), 20, 30,
                 1062);
    if (TakeFailure(s->stopFailures))
      return Out(ScFailed("ControlService", 1061,
                          "The service cannot accept control messages at this time."),
                 20, 30, 1061);
    s->running = false;
    return Out(StatusBlock(s->name, "3  STOP_PENDING",
                           "(STOPPABLE, NOT_PAUSABLE, ACCEPTS_SHUTDOWN)", false));
  }
  if (verb == "start") {
    if (s->running)
      return Out(ScFailed("StartService", 1056, "An instance of the service is already running."),
                 20, 30, 1056);
    if (TakeFailure(s->startFailures))
      return Out(
          ScFailed(
              "StartService", 1053,
              "The service did not respond to the start or control request in a timely fashion."),
          500, 510, 1053);
    s->running = true;
    return Out(StatusBlock(s->name, "2  START_PENDING",
                           "(NOT_STOPPABLE, NOT_PAUSABLE, IGNORES_SHUTDOWN)", true));
  }
  // delete: marked for deletion; a stopped service goes at once.
  s->installed = false;
  s->running = false;
  return Out(Lines({"[SC] DeleteService SUCCESS"}));
}

// net writes its error messages to standard error, except the failed
// stop and start of a service that exists.
SimRun Net(SimMachine& m, const std::string& args) {
  std::string rest = Trim(args);
  size_t blank = rest.find(' ');
  std::string verb = text::Lower(rest.substr(0, blank));
  std::string name = blank == std::string::npos ? "" : Trim(rest.substr(blank + 1));
  if (name.empty() || (verb != "stop" && verb != "start"))
    return Err(Lines({"The syntax of this command is:", "", "NET [ ACCOUNTS | COMPUTER | ... ]"}),
               1);
  SimService* s = FindService(m, name);
  if (!s)
    return Err(Lines({"The service name is invalid.", "",
                      "More help is available by typing NET HELPMSG 2185.", ""}),
               2);
  const std::string who = "The " + s->name + " service";
  // "... is stopping." at once, then how it ended |ms| later.
  auto progress = [&who](const char* doing, const char* ended, uint64_t ms, uint32_t code) {
    return SimRun{{{10, who + " is " + doing + "." + kCrLf, ""},
                   {ms, who + " " + ended + "." + kCrLf + kCrLf, ""}},
                  ms + 10,
                  code};
  };
  if (verb == "stop") {
    if (!s->running)
      return Err(Lines({(who + " is not started.").c_str(), "",
                        "More help is available by typing NET HELPMSG 3521.", ""}),
                 2);
    if (TakeFailure(s->stopFailures)) return progress("stopping", "could not be stopped", 600, 2);
    s->running = false;
    return progress("stopping", "was stopped successfully", 300, 0);
  }
  if (s->running)
    return Err(Lines({"The requested service has already been started.", "",
                      "More help is available by typing NET HELPMSG 2182.", ""}),
               2);
  if (TakeFailure(s->startFailures)) return progress("starting", "could not be started", 800, 2);
  s->running = true;
  return progress("starting", "was started successfully", 800, 0);
}

bool HostFileExists(SimMachine& m, const std::string& path) {
  struct stat st;
  return stat(m.HostPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A service executable: " /install /silent" registers the services that
// name it, " /uninstall /silent " removes them. Silent: prints nothing.
std::optional<SimRun> ServiceExe(SimMachine& m, const std::string& program,
                                 const std::string& args) {
  if (!HostFileExists(m, program)) return std::nullopt;
  std::string full = text::Upper(m.FullPath(program));
  std::string a = text::Lower(Trim(args));
  bool install = a.find("/install") != std::string::npos;
  bool uninstall = a.find("/uninstall") != std::string::npos;
  for (auto& [key, s] : m.services.byName) {
    if (s.exe.empty() || text::Upper(m.FullPath(s.exe)) != full) continue;
    if (install && !s.installed) {
      s.installed = true;
      s.running = false;
    } else if (uninstall) {
      s.installed = false;
      s.running = false;
    }
  }
  return SimRun{{}, 200, 0};
}

}  // namespace

std::string ProgramOf(const std::string& commandLine, std::string* rest) {
  size_t i = commandLine.find_first_not_of(' ');
  if (i == std::string::npos) {
    if (rest) rest->clear();
    return "";
  }
  size_t end;
  std::string program;
  if (commandLine[i] == '"') {
    end = commandLine.find('"', i + 1);
    program = commandLine.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
    end = end == std::string::npos ? commandLine.size() : end + 1;
  } else {
    end = commandLine.find(' ', i);
    if (end == std::string::npos) end = commandLine.size();
    program = commandLine.substr(i, end - i);
  }
  if (rest) *rest = commandLine.substr(end);
  return program;
}

void RegisterProgram(SimMachine& m, const std::string& name, SimProgram program) {
  m.services.programs[BareName(name)] = std::move(program);
}

std::optional<SimRun> RunConsoleTool(SimMachine& m, const std::string& commandLine) {
  std::string rest;
  std::string program = ProgramOf(commandLine, &rest);
  if (program.empty()) return std::nullopt;
  std::string name = BareName(program);
  if (IsSystemTool(m, program, "sc")) return Sc(m, rest);
  if (IsSystemTool(m, program, "net")) return Net(m, rest);
  if (IsSystemTool(m, program, "cmd")) {
    std::string r = Trim(rest);
    if (r.size() >= 2 && (r[0] == '/') && (r[1] == 'C' || r[1] == 'c')) {
      std::string inner = CmdInner(r.substr(2));
      if (auto run = RunProgram(m, inner)) return run;
      std::string what = ProgramOf(inner);
      return Err("'" + what + "' is not recognized as an internal or external command," + kCrLf +
                     "operable program or batch file." + kCrLf,
                 1);
    }
    return Out(Lines({"Microsoft Windows XP [Version 5.1.2600]"}));
  }
  if (name == "devcon") return RunDevcon(m, program, rest);
  return ServiceExe(m, program, rest);
}

std::optional<SimRun> RunProgram(SimMachine& m, const std::string& commandLine) {
  std::string program = ProgramOf(commandLine);
  auto reg = m.services.programs.find(BareName(program));
  std::optional<SimRun> run;
  if (reg != m.services.programs.end()) {
    run = reg->second(commandLine);
  } else {
    run = RunConsoleTool(m, commandLine);
  }
  if (run) m.Record("command", TypedCommand(m, commandLine));
  return run;
}

std::string TypedCommand(const SimMachine& m, const std::string& commandLine) {
  std::string rest;
  std::string program = ProgramOf(commandLine, &rest);
  for (const char* tool : {"sc", "net", "cmd"})
    if (InSystemFolder(m, program) && BareName(program) == tool) return tool + rest;
  return commandLine;
}

}  // namespace plat::sim
