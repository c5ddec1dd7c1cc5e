// fault-sweep: whole installations on the simulated machine, each run once
// to count its system calls and then once more for every call it made, with
// that one call failing. Every run is a child process of this one (forked,
// not started anew), so a crash or a hang ends only that run.
//
//   fault-sweep --medium DIR --scenarios DIR [--silent FILE] [--only NAME] [--verbose]
//               [--limit RUNS] [--wall SECONDS] [--inject crash|hang|leak|wrong]
// --inject makes every run with a fault fail that way after the
// installation ("wrong": the queue removed and a "success" line logged), so that
// the sweep's own checks can be seen to work; --limit stops each scenario
// after that many runs with a fault.
//
// A scenario is NAME.ini (a machine file), NAME.script (a user script) and
// optionally NAME.args (the program's command line, one argument a line) and
// NAME.medium (the folder below --medium it runs from; default "default").
// Each run must end without a crash, within its time (a program that is
// still running with no window on screen has hung as well), with every
// handle closed (as its message loop ends, and after), and with something
// the user sees: a message box; with "/Hide", the outcome line recorded and
// the program ended; or, where no outcome was recorded, the installation
// found in place as the run without a fault leaves it; or a silent case
// listed in the --silent file. What the user and the log are told must
// agree with the machine's end state: a success box or a "success" line
// only with the model's queue there, on the port they name, and the
// default printer; a "no queue" line only without the queue; no success
// box beside a failure line. The outcome line is the log's last, or the
// debug output's where the log could not take it. The last lines are
//   N runs, C crashes, H hangs, L leaks, S silent, W wrong
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
#include "i18n/catalogue.h"
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

// What the run without a fault ended with: the model its outcome line names
// and the port of that model's queue (empty: none).
struct Base {
  std::string result, model, port;
};

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
  std::string result;            // of the last outcome line ("none": there is none)
  std::string model, queuePort;  // the outcome's model and its queue's port ("" without one)
  bool verified = false;         // the queue, its port and the default printer as without the fault
  bool hiddenAlive = false;      // the program still runs with nothing on screen
  bool ended = false;            // the program ended itself
  std::vector<std::string> wrong;  // what contradicts the end state
};

using simtool::ReadHostFile;

// The error a failing call reports: what Windows gives for such a failure.
uint32_t ErrorFor(const std::string& call) {
  static const std::map<std::string, uint32_t> errors = {
      {"GetFileAttributes", 2},   {"GetFileAttributesEx", 2},
      {"FindFirstFile", 2},       {"LoadLibrary", 126},
      {"GetProcAddress", 127},    {"CreateProcess", 2},
      {"WaitForSingleObject", 6}, {"PeekNamedPipe", 109},
      {"ReadPipe", 109},          {"DllRegisterServer", 0x80004005},
      {"FuncDrvKit", 0xE0000247}, {"LastInstallErrorCode", 0xE0000247},
      {"OpenPrinter", 1801},      {"RegOpenKeyEx", 2},
      {"RegQueryValueEx", 2},     {"WriteFile", 112},
      {"CopyFile", 112},          {"CreateDirectory", 5}};
  auto it = errors.find(call);
  return it == errors.end() ? 5 : it->second;
}

// The run itself, in the child: the report goes to |fd|.
// The last outcome line's fields (model, online, port, result, ...) in |text|.
std::vector<std::string> LastOutcome(const std::vector<std::string>& lines) {
  std::vector<std::string> last;
  for (const std::string& line : lines) {
    const size_t at = line.find("OUTCOME\t");
    if (at != std::string::npos) last = plat::text::Split(line.substr(at + 8), '\t');
  }
  return last;
}

const plat::sim::SimPrinter* QueueOf(const plat::sim::SimMachine& m, const std::string& model) {
  for (const auto& q : m.spooler.printers)
    if (!model.empty() && plat::text::Upper(q.info.printerName) == plat::text::Upper(model))
      return &q;
  return nullptr;
}

void RunInChild(const Scenario& s, const std::string& medium, const Fault& fault, const Base& base,
                int fd) {
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
  size_t mark = 0, boxMark = 0;
  bool fired = false;
  ui::headless::Headless& ui = *ui::headless::Default();
  if (fault.nth > 0) {
    machine.faults.Set(fault.call, fault.nth, ErrorFor(fault.call));
    machine.faults.onFail = [&] {
      if (!fired) mark = machine.transcript.size(), boxMark = ui.MessageBoxes().size();
      fired = true;
    };
  }
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
  Report r;
  {
    auto program = app::StartProgram();
    app::RunProgram(*program);
    heldAtEnd = machine.handles.List();
    // The loop ran out of things to do: with a window on screen a user can
    // go on; with none, on Windows the process would wait unseen for good.
    r.ended = ui::app().Terminated();
    bool onScreen = false;
    for (ui::Form* f : ui::app().Forms()) onScreen |= f->Showing();
    r.hiddenAlive = !r.ended && !onScreen;
  }
  if (fault.nth > 0 && inject == "crash") abort();
  if (fault.nth > 0 && inject == "hang")
    for (;;) plat::sys().Sleep(1000);
  if (fault.nth > 0 && inject == "leak") machine.handles.Open("injected");
  std::ostringstream out;
  for (const auto& [call, n] : machine.faults.Counts()) out << "count " << call << " " << n << "\n";
  machine.faults.Clear();
  // A line saying "success" with the queue gone: the end-state checks must see it.
  if (fault.nth > 0 && inject == "wrong") {
    std::erase_if(machine.spooler.printers, [&](const plat::sim::SimPrinter& q) {
      return plat::text::Upper(q.info.printerName) == plat::text::Upper(base.model);
    });
    services::InstallOutcome o;
    o.model = base.model;
    o.port = base.port;
    o.result = "success";
    services::WriteInstallOutcome(o);
  }
  // The outcome line: the log's last, else the debug output's.
  std::vector<std::string> outcome;
  if (auto log = plat::files().ReadFile(services::LogFilePath()))
    outcome = LastOutcome(plat::text::SplitLines(*log));
  if (outcome.size() < 4) {
    std::vector<std::string> debug;
    for (const auto& e : machine.transcript)
      if (e.kind == "debug") debug.push_back(e.text);
    outcome = LastOutcome(debug);
  }
  const std::string result = outcome.size() > 3 ? outcome[3] : "none";
  r.model = outcome.size() > 3 && !outcome[0].empty() ? outcome[0] : base.model;
  out << "result " << result << "\nmodel " << r.model << "\n";

  // The end state against what the user and the log were told.
  // A default-printer change that fails is reported on the debug output
  // only: the driver and the queue are in place, and the success box says
  // nothing about the default.
  const plat::sim::SimPrinter* queue = QueueOf(machine, r.model);
  const bool isDefault =
      queue && plat::text::Upper(machine.spooler.defaultPrinter) == plat::text::Upper(r.model);
  const bool inPlace = isDefault || (queue && fired && fault.call == "SetDefaultPrinter");
  if (queue) out << "queue " << queue->info.portName << "\n";
  out << "verified "
      << (isDefault && !base.model.empty() &&
          plat::text::Upper(r.model) == plat::text::Upper(base.model) &&
          queue->info.portName == base.port)
      << "\n";
  const std::string where = queue ? "the queue is on " + queue->info.portName : "there is no queue";
  const std::string success = i18n::StrInstallSuccess();
  const size_t hole = success.find("%s");
  const std::string head = success.substr(0, hole), tail = success.substr(hole + 2);
  bool successBox = false;
  for (size_t i = boxMark; i < ui.MessageBoxes().size(); ++i) {
    const std::string& text = ui.MessageBoxes()[i].text;
    if (text.compare(0, head.size(), head) != 0) continue;
    successBox = true;
    const size_t end = text.find(tail, head.size());
    const std::string port =
        text.substr(head.size(), end == std::string::npos ? std::string::npos : end - head.size());
    if (!inPlace)
      out << "wrong the success box came but " << (queue ? "the queue is not the default" : where)
          << "\n";
    else if (port != queue->info.portName)
      out << "wrong the success box names " << port << " but " << where << "\n";
  }
  if (result == "success" && !inPlace)
    out << "wrong the log says success but " << (queue ? "the queue is not the default" : where)
        << "\n";
  else if (result == "success" && outcome[2] != queue->info.portName)
    out << "wrong the log says success on " << outcome[2] << " but " << where << "\n";
  if (result == "no queue" && queue) out << "wrong the log says no queue but " << where << "\n";
  if (successBox && result != "success")
    out << "wrong a success box but the log says " << result << "\n";
  out << "ended " << r.ended << "\nhiddenalive " << r.hiddenAlive << "\n";
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
      << "\nfailed " << machine.faults.Failed() << "\ntimeout "
      << (r.timedOut || machine.now > kVirtualLimitMs) << "\nnow " << machine.now << "\nlist"
      << list << "\n";
  const std::string text = out.str();
  for (size_t at = 0; at < text.size();) {
    ssize_t n = write(fd, text.data() + at, text.size() - at);
    if (n <= 0) break;
    at += static_cast<size_t>(n);
  }
  close(fd);
}

[[noreturn]] void RunChild(const Scenario& s, const std::string& medium, const Fault& fault,
                           const Base& base, int fd) {
  alarm(wallSeconds);
  // The machine's sandbox folder goes with it; _exit then skips the
  // parent's copies of everything else.
  RunInChild(s, medium, fault, base, fd);
  _exit(0);
}

enum class Verdict { Ok, Crash, Hang, Leak, Wrong, Silent };

struct Outcome {
  Verdict verdict = Verdict::Ok;
  Report report;
  std::string detail;
};

// The child's report, a line each: a key and its value.
Report ReadReport(const std::string& text) {
  static const std::pair<const char*, int Report::*> kNumbers[] = {
      {"boxes", &Report::boxes}, {"handles", &Report::handles}, {"failed", &Report::failed}};
  static const std::pair<const char*, bool Report::*> kFlags[] = {
      {"timeout", &Report::timedOut},
      {"verified", &Report::verified},
      {"ended", &Report::ended},
      {"hiddenalive", &Report::hiddenAlive}};
  // The rest of the line, blanks after the key skipped.
  static const std::pair<const char*, std::string Report::*> kTexts[] = {
      {"result", &Report::result}, {"model", &Report::model}, {"queue", &Report::queuePort}};
  Report r;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream w(line);
    std::string key;
    w >> key;
    for (const auto& [name, field] : kNumbers)
      if (key == name) w >> r.*field;
    for (const auto& [name, field] : kFlags)
      if (key == name) w >> r.*field;
    for (const auto& [name, field] : kTexts)
      if (key == name) std::getline(w >> std::ws, r.*field);
    if (key == "count") {
      std::string call;
      int n = 0;
      w >> call >> n;
      r.counts[call] = n;
    } else if (key == "now") {
      w >> r.now;
    } else if (key == "wrong") {
      std::string rest;
      std::getline(w >> std::ws, rest);
      r.wrong.push_back(rest);
    } else if (key == "box") {
      std::string rest;
      std::getline(w, rest);
      r.boxTexts.push_back(rest);
    } else if (key == "list") {
      std::getline(w, r.handleList);
    }
  }
  return r;
}

Outcome Run(const Scenario& s, const std::string& medium, const Fault& fault, const Base& base) {
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
    RunChild(s, medium, fault, base, fds[1]);
  }
  close(fds[1]);
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
    text.append(buf, static_cast<size_t>(n));
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
  o.report = ReadReport(text);
  const bool hidden = std::find(s.args.begin(), s.args.end(), "/Hide") != s.args.end();
  const bool installed = base.result == "success" && o.report.verified;
  if (o.report.timedOut) {
    o.verdict = Verdict::Hang;
    o.detail = "virtual time limit reached at " + std::to_string(o.report.now) + " ms";
  } else if (o.report.hiddenAlive) {
    o.verdict = Verdict::Hang;
    o.detail = "the program still runs with no window on screen (outcome " + o.report.result + ")";
  } else if (o.report.handles != 0) {
    o.verdict = Verdict::Leak;
    o.detail = "open handles:" + o.report.handleList;
  } else if (!o.report.wrong.empty()) {
    o.verdict = Verdict::Wrong;
    for (const std::string& w : o.report.wrong) o.detail += (o.detail.empty() ? "" : "; ") + w;
  } else if (o.report.boxes == 0 &&
             !((o.report.result == "success" || o.report.result == "none") && installed) &&
             !(hidden && o.report.ended && o.report.result != "none")) {
    // Without a box the user learns nothing, unless the installation is in
    // place as the run without a fault leaves it (an automatic install ends
    // without a box; a lost log line then loses nothing), or a hidden
    // program ended with its outcome recorded for the administrator.
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

const SilentCase* Listed(const std::vector<SilentCase>& list, const std::string& scenario,
                         const Fault& f) {
  const std::string withNth = f.call + "#" + std::to_string(f.nth);
  const std::string call = f.nth > 0 ? f.call : "-";
  for (const SilentCase& c : list)
    if ((c.scenario == "*" || c.scenario == scenario) &&
        (c.call == "*" || c.call == call || c.call == withNth))
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
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".ini") == 0)
      names.push_back(n.substr(0, n.size() - 4));
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
    if (a == "--medium" && i + 1 < argc)
      medium = argv[++i];
    else if (a == "--scenarios" && i + 1 < argc)
      scenarios = argv[++i];
    else if (a == "--silent" && i + 1 < argc)
      silentFile = argv[++i];
    else if (a == "--only" && i + 1 < argc)
      only = argv[++i];
    else if (a == "--verbose")
      verbose = true;
    else if (a == "--limit" && i + 1 < argc)
      limit = atoi(argv[++i]);
    else if (a == "--wall" && i + 1 < argc)
      wallSeconds = static_cast<unsigned>(atoi(argv[++i]));
    else if (a == "--inject" && i + 1 < argc)
      inject = argv[++i];
    else {
      std::cerr << "usage: fault-sweep --medium DIR --scenarios DIR [--silent FILE] [--only NAME] "
                   "[--verbose]\n";
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

  // Failed runs by verdict (Ok stays 0; a silent run listed as by design is no failure).
  int runs = 0, byDesign = 0, scenarioFailures = 0;
  std::map<Verdict, int> failed;
  auto judge = [&](const Scenario& s, const Fault& f, const Outcome& o) {
    ++runs;
    const std::string what =
        s.name + " " + (f.nth ? f.call + "#" + std::to_string(f.nth) : "(no fault)");
    if (o.verdict == Verdict::Ok) {
      if (verbose) std::cout << "ok   " << what << "\n";
      return;
    }
    if (o.verdict == Verdict::Silent)
      if (const SilentCase* c = Listed(silent, s.name, f)) {
        ++byDesign;
        if (verbose) std::cout << "ok   " << what << ": silent by design:" << c->reason << "\n";
        return;
      }
    ++failed[o.verdict];
    std::cout << "FAIL " << what << ": " << o.detail << "\n";
  };

  for (const Scenario& s : all) {
    const Outcome base = Run(s, medium, Fault{}, Base{});
    judge(s, Fault{}, base);
    const Base reference{base.report.result, base.report.model, base.report.queuePort};
    if (verbose)
      for (const std::string& b : base.report.boxTexts)
        std::cout << "     " << s.name << " shows:" << b << "\n";
    if (base.verdict == Verdict::Crash || base.verdict == Verdict::Hang) {
      ++scenarioFailures;
      continue;
    }
    int scenarioRuns = 0;
    for (const auto& [call, n] : base.report.counts) {
      if (std::find(faultable.begin(), faultable.end(), call) == faultable.end()) continue;
      for (int k = 1; k <= n && scenarioRuns < limit; ++k) {
        const Fault f{call, k};
        const Outcome o = Run(s, medium, f, reference);
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
    std::cout << s.name << ": " << calls << " calls of " << base.report.counts.size() << " kinds, "
              << scenarioRuns << " runs with a fault\n";
  }
  std::cout << byDesign << " runs silent by design (" << silentFile << ")\n";
  std::cout << runs << " runs, " << failed[Verdict::Crash] << " crashes, " << failed[Verdict::Hang]
            << " hangs, " << failed[Verdict::Leak] << " leaks, " << failed[Verdict::Silent]
            << " silent, " << failed[Verdict::Wrong] << " wrong\n";
  nftw(sandboxes.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
  int failedRuns = 0;
  for (const auto& [verdict, n] : failed) failedRuns += n;
  const int bad = failedRuns + scenarioFailures;
  std::cout << (runs - failedRuns) << " passed, " << bad << " failed\n";
  return bad == 0 ? 0 : 1;
}
