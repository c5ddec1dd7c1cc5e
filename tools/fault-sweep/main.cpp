// fault-sweep: whole installations on the simulated machine, each run once
// to count its system calls and then once more for every call it made, with
// that one call failing. Every run is a child process of this one (forked,
// not started anew), so a crash or a hang ends only that run.
//
//   fault-sweep --medium DIR --scenarios DIR [--silent FILE] [--only NAME] [--verbose]
//               [--limit RUNS] [--wall SECONDS] [--inject crash|hang|leak]
// --inject makes every run fail that way after the installation, so that
// the sweep's own checks can be seen to work; --limit stops each scenario
// after that many runs with a fault.
//
// A scenario is NAME.ini (a machine file), NAME.script (a user script) and
// optionally NAME.args (the program's command line, one argument a line) and
// NAME.medium (the folder below --medium it runs from; default "default").
// Each run must end without a crash, within its time, with every handle
// closed (as its message loop ends, and after), and with something the user sees: a message box, or a silent
// case listed in the --silent file. The last lines are
//   N runs, C crashes, H hangs, L leaks, S silent
//   P passed, F failed
#include <ftw.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/common/text.h"
#include "platform/sim/machine.h"
#include "services/log.h"
#include "tools/setup-sim/machine_file.h"
#include "tools/setup-sim/host_file.h"
#include "tools/setup-sim/user_script.h"
#include "ui/headless/headless.h"

namespace {

// Wall-clock seconds one run may take before it counts as a hang, and the
// virtual time after which a run that is still going counts as one.
unsigned wallSeconds = 60;
constexpr uint64_t kVirtualLimitMs = 6 * 3600 * 1000ull;

std::string inject;  // --inject

struct Scenario {
  std::string name, machine, script, medium = "default";
  std::vector<std::string> args;
};

struct Fault {
  std::string call;
  int nth = 0;  // 0: none (the counting run)
};

// What a run reports back through its pipe.
struct Report {
  std::map<std::string, int> counts;
  int boxes = 0, handles = 0, failed = 0;
  bool timedOut = false;
  uint64_t now = 0;
  std::string handleList;
  std::vector<std::string> boxTexts;
  std::string result;  // of the log's outcome line
};

using simtool::ReadHostFile;

// The error a failing call reports: what Windows gives for such a failure.
uint32_t ErrorFor(const std::string& call) {
  static const std::map<std::string, uint32_t> errors = {
      {"GetFileAttributes", 2},         {"GetFileAttributesEx", 2},      {"FindFirstFile", 2},
      {"LoadLibrary", 126},             {"GetProcAddress", 127},         {"CreateProcess", 2},
      {"WaitForSingleObject", 6},       {"PeekNamedPipe", 109},          {"ReadPipe", 109},
      {"DllRegisterServer", 0x80004005}, {"FuncDrvKit", 0xE0000247},     {"LastInstallErrorCode", 0xE0000247},
      {"OpenPrinter", 1801},            {"RegOpenKeyEx", 2},             {"RegQueryValueEx", 2},
      {"WriteFile", 112},               {"CopyFile", 112},               {"CreateDirectory", 5}};
  auto it = errors.find(call);
  return it == errors.end() ? 5 : it->second;
}

// The run itself, in the child: the report goes to |fd|.
void RunInChild(const Scenario& s, const std::string& medium, const Fault& fault, int fd) {
  plat::sim::SimMachine machine;
  plat::SetBackend(machine.AsBackend());
  machine.Mount("C:\\Medium", medium + "/" + s.medium);
  machine.args = s.args;
  std::string error;
  if (!simtool::LoadMachineFile(s.machine, machine, error)) {
    std::cerr << s.name << ".ini: " << error << "\n";
    _exit(3);
  }
  // Only what the user sees from the failing call on counts as its outcome.
  size_t mark = 0;
  bool fired = false;
  if (fault.nth > 0) {
    machine.faults.Set(fault.call, fault.nth, ErrorFor(fault.call));
    machine.faults.onFail = [&] {
      if (!fired) mark = machine.transcript.size();
      fired = true;
    };
  }
  ui::headless::Headless& ui = *ui::headless::Default();
  ui.machine = &machine;
  ui.timeLimit = kVirtualLimitMs;
  std::vector<ui::headless::Step> steps;
  if (!simtool::ParseUserScript(s.script, machine.codePage, steps, error)) {
    std::cerr << s.name << ".script: " << error << "\n";
    _exit(3);
  }
  for (const auto& step : steps) ui.Script(step);
  // Handles are counted where setup-sim's dump counts them, as the program's
  // loop ends (one kept by a form until the program goes is a leak all the
  // same), and again once the program is gone.
  std::vector<std::string> heldAtEnd;
  {
    auto program = app::StartProgram();
    app::RunProgram(*program);
    heldAtEnd = machine.handles.List();
  }
  if (fault.nth > 0 && inject == "crash") abort();
  if (fault.nth > 0 && inject == "hang")
    for (;;) plat::sys().Sleep(1000);
  if (fault.nth > 0 && inject == "leak") machine.handles.Open("injected");
  Report r;
  std::ostringstream out;
  for (const auto& [call, n] : machine.faults.Counts()) out << "count " << call << " " << n << "\n";
  // The result field of the log's last outcome line ("success", "failed", ...).
  std::string result = "none";
  machine.faults.Clear();
  if (auto log = plat::files().ReadFile(services::LogFilePath()))
    for (const std::string& line : plat::text::SplitLines(*log)) {
      const size_t at = line.find("OUTCOME\t");
      if (at == std::string::npos) continue;
      const std::vector<std::string> f = plat::text::Split(line.substr(at + 8), '\t');
      if (f.size() > 3) result = f[3];
    }
  out << "result " << result << "\n";
  for (size_t i = mark; i < machine.transcript.size(); ++i) {
    const auto& e = machine.transcript[i];
    if (e.kind == "ui-msgbox") {
      ++r.boxes;
      std::string oneLine = e.text;
      std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
      out << "box " << oneLine << "\n";
    }
    if (e.kind == "ui-timeout") r.timedOut = true;
  }
  const std::vector<std::string> leftAfter = machine.handles.List();
  std::string list;
  for (const std::string& h : heldAtEnd) list += " " + h + " (held when the program ended);";
  for (const std::string& h : leftAfter) list += " " + h + " (left after it);";
  out << "boxes " << r.boxes << "\nhandles " << std::max(heldAtEnd.size(), leftAfter.size())
      << "\nfailed " << machine.faults.Failed() << "\ntimeout " << (r.timedOut || machine.now > kVirtualLimitMs)
      << "\nnow " << machine.now << "\nlist" << list << "\n";
  const std::string text = out.str();
  for (size_t at = 0; at < text.size();) {
    ssize_t n = write(fd, text.data() + at, text.size() - at);
    if (n <= 0) break;
    at += static_cast<size_t>(n);
  }
  close(fd);
}

[[noreturn]] void RunChild(const Scenario& s, const std::string& medium, const Fault& fault, int fd) {
  alarm(wallSeconds);
  // The machine's sandbox folder goes with it; _exit then skips the
  // parent's copies of everything else.
  RunInChild(s, medium, fault, fd);
  _exit(0);
}

enum class Verdict { Ok, Crash, Hang, Leak, Silent, SilentByDesign };

struct Outcome {
  Verdict verdict = Verdict::Ok;
  Report report;
  std::string detail;
};

Outcome Run(const Scenario& s, const std::string& medium, const Fault& fault, const std::string& baseResult) {
  int fds[2];
  Outcome o;
  if (pipe(fds) != 0) {
    o.verdict = Verdict::Crash;
    o.detail = "no pipe";
    return o;
  }
  std::cout.flush();
  std::cerr.flush();
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    RunChild(s, medium, fault, fds[1]);
  }
  close(fds[1]);
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) {
    o.verdict = Verdict::Hang;
    o.detail = "still running after " + std::to_string(wallSeconds) + " s";
    return o;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    o.verdict = Verdict::Crash;
    o.detail = WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                   : "exit " + std::to_string(WEXITSTATUS(status));
    return o;
  }
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream w(line);
    std::string key;
    w >> key;
    if (key == "count") {
      std::string call;
      int n = 0;
      w >> call >> n;
      o.report.counts[call] = n;
    } else if (key == "boxes") {
      w >> o.report.boxes;
    } else if (key == "handles") {
      w >> o.report.handles;
    } else if (key == "failed") {
      w >> o.report.failed;
    } else if (key == "timeout") {
      w >> o.report.timedOut;
    } else if (key == "now") {
      w >> o.report.now;
    } else if (key == "result") {
      std::getline(w >> std::ws, o.report.result);
    } else if (key == "box") {
      std::string rest;
      std::getline(w, rest);
      o.report.boxTexts.push_back(rest);
    } else if (key == "list") {
      std::getline(w, o.report.handleList);
    }
  }
  if (o.report.timedOut) {
    o.verdict = Verdict::Hang;
    o.detail = "virtual time limit reached at " + std::to_string(o.report.now) + " ms";
  } else if (o.report.handles != 0) {
    o.verdict = Verdict::Leak;
    o.detail = "open handles:" + o.report.handleList;
  } else if (o.report.boxes == 0 && !(o.report.result == "success" && baseResult == "success")) {
    // Silent is right only where the installation still succeeded as it
    // does without the fault (an automatic install ends without a box).
    o.verdict = Verdict::Silent;
    o.detail = "no message box after the fault (outcome " + o.report.result + ")";
  }
  return o;
}

// "SCENARIO CALL reason..." lines; either name may be "*", CALL may be CALL#N.
struct SilentCase {
  std::string scenario, call, reason;
};

std::vector<SilentCase> ReadSilentList(const std::string& path) {
  std::vector<SilentCase> out;
  std::string text;
  if (path.empty() || !ReadHostFile(path, text)) return out;
  for (const std::string& raw : plat::text::SplitLines(text)) {
    const std::string line = plat::text::Trim(raw);
    if (line.empty() || line[0] == '#') continue;
    std::istringstream w(line);
    SilentCase c;
    w >> c.scenario >> c.call;
    std::getline(w, c.reason);
    out.push_back(c);
  }
  return out;
}

const SilentCase* Listed(const std::vector<SilentCase>& list, const std::string& scenario, const Fault& f) {
  const std::string withNth = f.call + "#" + std::to_string(f.nth);
  const std::string call = f.nth > 0 ? f.call : "-";
  for (const SilentCase& c : list)
    if ((c.scenario == "*" || c.scenario == scenario) && (c.call == "*" || c.call == call || c.call == withNth))
      return &c;
  return nullptr;
}

std::vector<Scenario> ReadScenarios(const std::string& dir, const std::string& only) {
  std::vector<Scenario> out;
  DIR* d = opendir(dir.c_str());
  if (!d) return out;
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".ini") == 0) names.push_back(n.substr(0, n.size() - 4));
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    if (!only.empty() && n != only) continue;
    Scenario s;
    s.name = n;
    ReadHostFile(dir + "/" + n + ".ini", s.machine);
    ReadHostFile(dir + "/" + n + ".script", s.script);
    std::string args, folder;
    if (ReadHostFile(dir + "/" + n + ".medium", folder)) s.medium = plat::text::Trim(folder);
    if (ReadHostFile(dir + "/" + n + ".args", args))
      for (const std::string& a : plat::text::SplitLines(args))
        if (!plat::text::Trim(a).empty()) s.args.push_back(plat::text::Trim(a));
    out.push_back(s);
  }
  return out;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

}  // namespace

int main(int argc, char** argv) {
  std::string medium, scenarios, silentFile, only;
  bool verbose = false;
  int limit = 1 << 30;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--medium" && i + 1 < argc) medium = argv[++i];
    else if (a == "--scenarios" && i + 1 < argc) scenarios = argv[++i];
    else if (a == "--silent" && i + 1 < argc) silentFile = argv[++i];
    else if (a == "--only" && i + 1 < argc) only = argv[++i];
    else if (a == "--verbose") verbose = true;
    else if (a == "--limit" && i + 1 < argc) limit = atoi(argv[++i]);
    else if (a == "--wall" && i + 1 < argc) wallSeconds = static_cast<unsigned>(atoi(argv[++i]));
    else if (a == "--inject" && i + 1 < argc) inject = argv[++i];
    else {
      std::cerr << "usage: fault-sweep --medium DIR --scenarios DIR [--silent FILE] [--only NAME] [--verbose]\n";
      return 2;
    }
  }
  const std::vector<Scenario> all = ReadScenarios(scenarios, only);
  if (all.empty() || medium.empty()) {
    std::cerr << "fault-sweep: no scenarios in " << scenarios << "\n";
    return 2;
  }
  const std::vector<SilentCase> silent = ReadSilentList(silentFile);
  // Every simulated machine's sandbox (the runs' own and the default one
  // each child makes) lands in one folder, removed at the end.
  const char* base = getenv("TMPDIR");
  std::string sandboxes = std::string(base && *base ? base : "/tmp") + "/fault-sweep.XXXXXX";
  if (!mkdtemp(sandboxes.data())) {
    std::cerr << "fault-sweep: cannot make " << sandboxes << "\n";
    return 2;
  }
  setenv("TMPDIR", sandboxes.c_str(), 1);
  const std::vector<std::string>& faultable = plat::sim::FaultableCalls();

  int runs = 0, crashes = 0, hangs = 0, leaks = 0, silentRuns = 0, byDesign = 0, scenarioFailures = 0;
  auto judge = [&](const Scenario& s, const Fault& f, const Outcome& o) {
    ++runs;
    const std::string what = s.name + " " + (f.nth ? f.call + "#" + std::to_string(f.nth) : "(no fault)");
    switch (o.verdict) {
      case Verdict::Ok:
        if (verbose) std::cout << "ok   " << what << "\n";
        return;
      case Verdict::Crash: ++crashes; break;
      case Verdict::Hang: ++hangs; break;
      case Verdict::Leak: ++leaks; break;
      case Verdict::Silent:
        if (const SilentCase* c = Listed(silent, s.name, f)) {
          ++byDesign;
          if (verbose) std::cout << "ok   " << what << ": silent by design:" << c->reason << "\n";
          return;
        }
        ++silentRuns;
        break;
      case Verdict::SilentByDesign: return;
    }
    std::cout << "FAIL " << what << ": " << o.detail << "\n";
  };

  for (const Scenario& s : all) {
    const Outcome base = Run(s, medium, Fault{}, "");
    judge(s, Fault{}, base);
    if (verbose)
      for (const std::string& b : base.report.boxTexts) std::cout << "     " << s.name << " shows:" << b << "\n";
    if (base.verdict == Verdict::Crash || base.verdict == Verdict::Hang) {
      ++scenarioFailures;
      continue;
    }
    int scenarioRuns = 0;
    for (const auto& [call, n] : base.report.counts) {
      if (std::find(faultable.begin(), faultable.end(), call) == faultable.end()) continue;
      for (int k = 1; k <= n && scenarioRuns < limit; ++k) {
        const Fault f{call, k};
        const Outcome o = Run(s, medium, f, base.report.result);
        if (o.verdict != Verdict::Crash && o.verdict != Verdict::Hang && o.report.failed != 1) {
          // The calls before the failing one are the counting run's; it must be reached.
          std::cout << "FAIL " << s.name << " " << call << "#" << k << ": the fault did not fire\n";
          ++scenarioFailures;
        }
        judge(s, f, o);
        ++scenarioRuns;
      }
    }
    int calls = 0;
    for (const auto& [call, n] : base.report.counts) calls += n;
    std::cout << s.name << ": " << calls << " calls of " << base.report.counts.size() << " kinds, " << scenarioRuns
              << " runs with a fault\n";
  }
  std::cout << byDesign << " runs silent by design (" << silentFile << ")\n";
  std::cout << runs << " runs, " << crashes << " crashes, " << hangs << " hangs, " << leaks << " leaks, "
            << silentRuns << " silent\n";
  nftw(sandboxes.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
  const int bad = crashes + hangs + leaks + silentRuns + scenarioFailures;
  std::cout << (runs - crashes - hangs - leaks - silentRuns) << " passed, " << bad << " failed\n";
  return bad == 0 ? 0 : 1;
}
