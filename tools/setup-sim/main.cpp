// setup-sim: the installer on the simulated Windows with the headless UI.
//   setup-sim [--machine FILE] [--medium DIR] [--user FILE] [--show-search] [--dump] [--strict]
//             [-- ARGS...]
// Exit codes: 0 the run ended, 1 with --strict a script line or an
// installation went wrong, 2 bad input (medium, machine file, user script).
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "app/online_search.h"
#include "app/program.h"
#include "config/options.h"
#include "platform/common/text.h"
#include "platform/sim/machine.h"
#include "services/log.h"
#include "platform/sim/state_dump.h"
#include "tools/setup-sim/dump.h"
#include "tools/setup-sim/host_file.h"
#include "tools/setup-sim/machine_file.h"
#include "tools/setup-sim/matrix.h"
#include "tools/setup-sim/user_script.h"
#include "ui/headless/headless.h"

// The build's brand and the folder of the program's resources (what the
// Windows program carries in its .rc): NAME.bmp bitmaps, NAME.jpg data.
#ifndef SETUP_SIM_BRAND
#error "the build names the brand (SETUP_SIM_BRAND)"
#endif
#ifndef SETUP_SIM_RESOURCES
#define SETUP_SIM_RESOURCES ""
#endif

namespace {

int Usage() {
  std::cerr
      << "usage: setup-sim [--machine FILE] [--medium DIR] [--user FILE] [--show-search] [--dump]"
         " [--strict] [-- ARGS...]\n"
         "       setup-sim --matrix MEDIUM [--out DIR] [--user FILE]\n";
  return 2;
}

using simtool::ReadHostFile;

// The program's resources from a folder: NAME.bmp as bitmap resource NAME,
// NAME.jpg as data resource NAME.
void LoadResources(const std::string& folder, plat::sim::SimMachine& machine) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (dirent* e = readdir(dir)) {
    std::string file = e->d_name, bytes;
    if (file.size() < 5 || !ReadHostFile(folder + "/" + file, bytes)) continue;
    std::string name = file.substr(0, file.size() - 4), ext = file.substr(file.size() - 4);
    for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (ext == ".bmp") machine.bitmapResources[name] = bytes;
    if (ext == ".jpg") machine.dataResources[name] = bytes;
  }
  closedir(dir);
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char buf[4096];
  return std::string(getcwd(buf, sizeof buf) ? buf : ".") + "/" + path;
}

// The models the program would list for the medium, read on a machine of its
// own so that the machine file's faults do not come into it.
int CountModels(const std::string& medium) {
  plat::sim::SimMachine probe;
  plat::SetBackend(probe.AsBackend());
  probe.Mount("C:\\Medium", medium);
  config::TIniOptions options;
  options.LoadFromFile("install.ini");
  return options.Count;
}

// The port a present device's printer is really on: a USB port at the end of
// its port text, else the LPT or COM port its port text or instance ID names
// (the installer takes every parallel printer for LPT1:; one on LPT2 is not
// there). Empty when none can be told.
std::string PortOf(const plat::sim::SimDevice& d) {
  using plat::text::Contains;
  if (Contains(plat::text::Upper(d.deviceId), "USBPRINT"))
    return d.portInfo.size() > 6 ? d.portInfo.substr(d.portInfo.size() - 6) : d.portInfo;
  for (const std::string& text : {plat::text::Upper(d.portInfo), plat::text::Upper(d.deviceId)})
    for (const char* kind : {"LPT", "COM"})
      for (size_t at = text.find(kind); at != std::string::npos; at = text.find(kind, at + 1)) {
        size_t end = at + 3;
        while (end < text.size() && isdigit(static_cast<unsigned char>(text[end]))) ++end;
        if (end > at + 3) return text.substr(at, end - at) + ":";
      }
  return "";
}

// For --strict: each installation attempt of the log that did not succeed,
// and each queue made on a port no attached printer is on.
std::vector<std::string> InstallProblems(plat::sim::SimMachine& machine) {
  std::vector<std::string> out;
  auto log = plat::files().ReadFile(services::LogFilePath());
  if (!log) return out;
  std::vector<std::string> printerPorts;
  for (const plat::sim::SimDevice& d : machine.devices.devices)
    if (d.visible && !PortOf(d).empty()) printerPorts.push_back(PortOf(d));
  for (const std::string& line : plat::text::SplitLines(*log)) {
    const size_t at = line.find("OUTCOME\t");
    if (at == std::string::npos) continue;
    const std::vector<std::string> f = plat::text::Split(line.substr(at + 8), '\t');
    if (f.size() < 5) continue;
    const std::string model = simtool::ToUtf8(f[0], machine.codePage);
    if (f[3] != "success") {
      out.push_back("the installation of " + model + " ended " + f[3] + " (" + f[4] + ")");
      continue;
    }
    if (printerPorts.empty()) continue;
    for (const auto& p : machine.spooler.printers) {
      if (!plat::text::EqualNoCase(p.info.printerName, f[0])) continue;
      bool there = false;
      for (const std::string& port : printerPorts)
        there |= plat::text::EqualNoCase(port, p.info.portName);
      if (!there)
        out.push_back("the queue " + model + " is on port " + p.info.portName +
                      " but the printer is on port " + printerPorts.front() +
                      " (it will not print)");
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string machineFile, medium = "out/medium", userFile, matrix, outDir = "out/matrix";
  bool dump = false, showSearch = false, strict = false;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--machine" && i + 1 < argc) {
      machineFile = argv[++i];
    } else if (a == "--medium" && i + 1 < argc) {
      medium = argv[++i];
    } else if (a == "--user" && i + 1 < argc) {
      userFile = argv[++i];
    } else if (a == "--matrix" && i + 1 < argc) {
      matrix = argv[++i];
    } else if (a == "--out" && i + 1 < argc) {
      outDir = argv[++i];
    } else if (a == "--show-search") {
      showSearch = true;
    } else if (a == "--dump") {
      dump = true;
    } else if (a == "--strict") {
      strict = true;
    } else if (a == "--") {
      for (++i; i < argc; ++i) args.push_back(argv[i]);
    } else {
      return Usage();
    }
  }

  if (!matrix.empty()) {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return 2;
    self[n] = '\0';
    return simtool::RunMatrix(
        {self, Absolute(matrix), Absolute(outDir), userFile.empty() ? "" : Absolute(userFile)});
  }

  struct stat folder;
  if (stat(medium.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
    std::cerr << "setup-sim: no medium at " << medium
              << " (--medium DIR names the folder of install.ini)\n";
    return 2;
  }
  if (CountModels(Absolute(medium)) == 0) {
    std::cerr << "setup-sim: " << medium << " has no install.ini with a model\n";
    return 2;
  }

  plat::sim::SimMachine machine;
  plat::SetBackend(machine.AsBackend());
  machine.Mount("C:\\Medium", Absolute(medium));
  machine.args = args;
  LoadResources(SETUP_SIM_RESOURCES, machine);

  if (!machineFile.empty()) {
    std::string text, error;
    if (!ReadHostFile(machineFile, text)) {
      std::cerr << "setup-sim: cannot read machine file " << machineFile << "\n";
      return 2;
    }
    if (!simtool::LoadMachineFile(text, machine, error)) {
      std::cerr << "setup-sim: " << machineFile << ": " << error << "\n";
      return 2;
    }
    // What the machine file put on the disk is not the program's doing.
    machine.created.clear();
  }

  ui::headless::Headless& ui = *ui::headless::Default();
  std::vector<ui::headless::Step> steps;
  std::vector<int> stepLines;
  ui.machine = &machine;
  if (!userFile.empty()) {
    std::string text, error;
    if (!ReadHostFile(userFile, text)) {
      std::cerr << "setup-sim: cannot read user script " << userFile << "\n";
      return 2;
    }
    if (!simtool::ParseUserScript(text, machine.codePage, steps, error, &stepLines)) {
      std::cerr << "setup-sim: " << userFile << ": " << error << "\n";
      return 2;
    }
    for (const auto& step : steps) ui.Script(step);
  }

  auto program = app::StartProgram(SETUP_SIM_BRAND);
  std::vector<std::string> scriptProblems = simtool::CheckScriptTargets(steps, stepLines);
  // What went wrong, on stderr; with --strict, exit code 1.
  auto finish = [&] {
    // A line already refused for its target failed for that reason.
    const std::vector<std::string> known = scriptProblems;
    for (const std::string& p : simtool::FailedScriptSteps(machine.transcript, steps, stepLines)) {
      const std::string line = p.substr(0, p.find(':') + 1);
      bool seen = false;
      for (const std::string& k : known) seen |= k.rfind(line, 0) == 0;
      if (!seen) scriptProblems.push_back(p);
    }
    for (const std::string& p : scriptProblems)
      std::cerr << "setup-sim: " << userFile << ": " << simtool::ToUtf8(p, machine.codePage)
                << "\n";
    if (!strict) return 0;
    // The run is over: the machine file's faults must not hide its log.
    machine.faults.Clear();
    const std::vector<std::string> installs = InstallProblems(machine);
    for (const std::string& p : installs) std::cerr << "setup-sim: " << p << "\n";
    return scriptProblems.empty() && installs.empty() ? 0 : 1;
  };
  auto printTranscript = [&] {
    for (const auto& e : machine.transcript)
      // The program's fixed debug lines are Simplified Chinese (GBK) on every system.
      std::cout << e.time << " " << e.kind << " "
                << simtool::Escape(
                       simtool::ToUtf8(e.text, e.kind == "debug" ? 936 : machine.codePage))
                << "\n";
  };
  auto printDump = [&] {
    for (const std::string& line : simtool::DumpState(*program, machine.codePage))
      std::cout << line << "\n";
    for (const std::string& line : plat::sim::DescribeSystem(machine))
      std::cout << simtool::Escape(simtool::ToUtf8(line, machine.codePage)) << "\n";
    // The program's log file, where unattended runs leave their outcome.
    if (auto log = plat::files().ReadFile(services::LogFilePath())) {
      int n = 0;
      for (const std::string& line : plat::text::SplitLines(*log))
        std::cout << "Log[" << n++
                  << "]=" << simtool::Escape(simtool::ToUtf8(line, machine.codePage)) << "\n";
    }
  };
  if (showSearch) {
    // As the install sequence does for the selected model: what the user does
    // at time 0 (choosing a model) comes first, then the dialog, modally.
    if (ui::app().showMainForm) program->mainForm->Show();
    ui::app().ProcessMessages();
    ui::ModalResult r = app::ShowSearchDialog(*program->mainForm, *program->formSearching);
    machine.Record("result", std::to_string(static_cast<int>(r)));
    printTranscript();
    if (dump) printDump();
    return finish();
  }
  if (dump && userFile.empty()) {
    // Up to where the message loop would first wait: the main window shown.
    if (ui::app().showMainForm) program->mainForm->Show();
    printDump();
    return finish();
  }
  // The process's exit code, as a deployment tool would read it.
  machine.Record("exit", std::to_string(app::RunProgram(*program)));
  printTranscript();
  // With a user script, the state when the run ended.
  if (dump) printDump();
  return finish();
}
