// Test doubles of sc.exe, net.exe and a service executable for the Wine
// tests (Wine's own sc prints nothing for "query"). One source: the program
// acts by its own file name. They print what the real tools print, over a
// state file "services.state" in the current folder, one service a line:
//   NAME|installed|running|startFailures|stopFailures|EXE
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/common/tool_texts.h"
#include "console.h"

namespace {

struct Service {
  std::string name;
  bool installed = false, running = false;
  int startFailures = 0, stopFailures = 0;
  std::string exe;
};

const char kState[] = "services.state";
using plat::tooltext::kCrLf;

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::vector<Service> Load() {
  std::vector<Service> all;
  std::ifstream in(kState);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string part;
    while (std::getline(ss, part, '|')) f.push_back(part);
    if (f.size() < 5) continue;
    all.push_back({f[0], f[1] == "1", f[2] == "1", std::atoi(f[3].c_str()), std::atoi(f[4].c_str()),
                   f.size() > 5 ? f[5] : ""});
  }
  return all;
}

void Save(const std::vector<Service>& all) {
  std::ofstream out(kState, std::ios::trunc);
  for (const auto& s : all)
    out << s.name << '|' << s.installed << '|' << s.running << '|' << s.startFailures << '|'
        << s.stopFailures << '|' << s.exe << '\n';
}

Service* Find(std::vector<Service>& all, const std::string& name) {
  for (auto& s : all)
    if (s.installed && Upper(s.name) == Upper(name)) return &s;
  return nullptr;
}

bool TakeFailure(int& budget) {
  if (budget == 0) return false;
  if (budget > 0) --budget;
  return true;
}

void Out(const std::string& t) { console::Write(STD_OUTPUT_HANDLE, t); }
void Err(const std::string& t) { console::Write(STD_ERROR_HANDLE, t); }

using plat::tooltext::kNoSuchService;
using plat::tooltext::Lines;
using plat::tooltext::ScFailed;
using plat::tooltext::StatusBlock;

int Sc(std::vector<Service>& all, const std::string& verb, const std::string& name) {
  Service* s = Find(all, name);
  if (!s) {
    Out(ScFailed(verb == "query" ? "EnumQueryServicesStatus:OpenService" : "OpenService", 1060,
                 kNoSuchService));
    return 1060;
  }
  if (verb == "query") {
    Out(s->running ? StatusBlock(s->name, "4  RUNNING",
                                 "(STOPPABLE, NOT_PAUSABLE, ACCEPTS_SHUTDOWN)", false)
                   : StatusBlock(s->name, "1  STOPPED ",
                                 "(NOT_STOPPABLE, NOT_PAUSABLE, IGNORES_SHUTDOWN)", false));
    return 0;
  }
  if (verb == "stop") {
    if (!s->running)
      return Out(ScFailed("ControlService", 1062, "The service has not been started.")), 1062;
    if (TakeFailure(s->stopFailures))
      return Out(ScFailed("ControlService", 1061,
                          "The service cannot accept control messages at this time.")),
             1061;
    s->running = false;
    Out(StatusBlock(s->name, "3  STOP_PENDING", "(STOPPABLE, NOT_PAUSABLE, ACCEPTS_SHUTDOWN)",
                    false));
    return 0;
  }
  if (verb == "start") {
    if (s->running)
      return Out(ScFailed("StartService", 1056, "An instance of the service is already running.")),
             1056;
    if (TakeFailure(s->startFailures)) {
      Out(ScFailed(
          "StartService", 1053,
          "The service did not respond to the start or control request in a timely fashion."));
      return 1053;
    }
    s->running = true;
    Out(StatusBlock(s->name, "2  START_PENDING", "(NOT_STOPPABLE, NOT_PAUSABLE, IGNORES_SHUTDOWN)",
                    true));
    return 0;
  }
  if (verb == "delete") {
    s->installed = s->running = false;
    Out(Lines({"[SC] DeleteService SUCCESS"}));
    return 0;
  }
  Out(Lines(
      {"DESCRIPTION:", "        SC is a command line program used for communicating with the"}));
  return 1639;
}

int Net(std::vector<Service>& all, const std::string& verb, const std::string& name) {
  Service* s = Find(all, name);
  if (verb != "stop" && verb != "start") return Err(Lines({"The syntax of this command is:"})), 1;
  if (!s)
    return Err(Lines({"The service name is invalid.", "",
                      "More help is available by typing NET HELPMSG 2185.", ""})),
           2;
  const std::string who = "The " + s->name + " service";
  const bool stop = verb == "stop";
  if (stop && !s->running)
    return Err(who + " is not started." + kCrLf + kCrLf +
               "More help is available by typing NET HELPMSG 3521." + kCrLf + kCrLf),
           2;
  if (!stop && s->running)
    return Err(Lines({"The requested service has already been started.", "",
                      "More help is available by typing NET HELPMSG 2182.", ""})),
           2;
  const std::string done = stop ? "stopped" : "started";
  Out(who + (stop ? " is stopping." : " is starting.") + kCrLf);
  Sleep(100);
  if (TakeFailure(stop ? s->stopFailures : s->startFailures))
    return Out(who + " could not be " + done + "." + kCrLf + kCrLf), 2;
  s->running = !stop;
  Out(who + " was " + done + " successfully." + kCrLf + kCrLf);
  return 0;
}

// A service executable: registers or removes the services that name it.
int ServiceExe(std::vector<Service>& all, const std::string& self, const std::string& args) {
  bool install = args.find("/install") != std::string::npos;
  bool uninstall = args.find("/uninstall") != std::string::npos;
  for (auto& s : all) {
    char full[MAX_PATH] = {};
    GetFullPathNameA(s.exe.c_str(), MAX_PATH, full, nullptr);
    if (s.exe.empty() || Upper(full) != Upper(self)) continue;
    if (install && !s.installed) s.installed = true, s.running = false;
    if (uninstall) s.installed = s.running = false;
  }
  return 0;
}

std::string Word(const std::string& s, size_t& i) {
  while (i < s.size() && s[i] == ' ') ++i;
  size_t b = i;
  while (i < s.size() && s[i] != ' ') ++i;
  return s.substr(b, i - b);
}

}  // namespace

int main() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string self = path;
  std::string base = Upper(self.substr(self.find_last_of("\\/") + 1));
  std::string args = console::Arguments();
  std::vector<Service> all = Load();
  int code;
  if (base == "SC.EXE" || base == "NET.EXE") {
    size_t j = 0;
    std::string verb = Word(args, j);
    for (char& c : verb) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string name = Word(args, j);
    code = base == "SC.EXE" ? Sc(all, verb, name) : Net(all, verb, name);
  } else {
    code = ServiceExe(all, self, args);
  }
  Save(all);
  return code;
}
