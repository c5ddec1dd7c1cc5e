// setup-sim: the installer on the simulated Windows with the headless UI.
//   setup-sim [--machine FILE] [--medium DIR] [--user FILE] [--show-search] [--dump] [-- ARGS...]
#include <dirent.h>
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
  std::cerr << "usage: setup-sim [--machine FILE] [--medium DIR] [--user FILE] [--show-search] [--dump]"
               " [-- ARGS...]\n"
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

}  // namespace

int main(int argc, char** argv) {
  std::string machineFile, medium = "out/medium", userFile, matrix, outDir = "out/matrix";
  bool dump = false, showSearch = false;
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
    return simtool::RunMatrix({self, Absolute(matrix), Absolute(outDir), userFile.empty() ? "" : Absolute(userFile)});
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
    if (!simtool::ApplyMachineFile(simtool::ParseIni(text), machine, error)) {
      std::cerr << "setup-sim: " << machineFile << ": " << error << "\n";
      return 2;
    }
    // What the machine file put on the disk is not the program's doing.
    machine.created.clear();
  }

  ui::headless::Headless& ui = *ui::headless::Default();
  ui.machine = &machine;
  if (!userFile.empty()) {
    std::string text, error;
    std::vector<ui::headless::Step> steps;
    if (!ReadHostFile(userFile, text)) {
      std::cerr << "setup-sim: cannot read user script " << userFile << "\n";
      return 2;
    }
    if (!simtool::ParseUserScript(text, machine.codePage, steps, error)) {
      std::cerr << "setup-sim: " << userFile << ": " << error << "\n";
      return 2;
    }
    for (const auto& step : steps) ui.Script(step);
  }

  auto program = app::StartProgram(SETUP_SIM_BRAND);
  auto printTranscript = [&] {
    for (const auto& e : machine.transcript)
      // The program's fixed debug lines are Simplified Chinese (GBK) on every system.
      std::cout << e.time << " " << e.kind << " "
                << simtool::Escape(simtool::ToUtf8(e.text, e.kind == "debug" ? 936 : machine.codePage))
                << "\n";
  };
  auto printDump = [&] {
    for (const std::string& line : simtool::DumpState(*program, machine.codePage)) std::cout << line << "\n";
    for (const std::string& line : plat::sim::DescribeSystem(machine))
      std::cout << simtool::Escape(simtool::ToUtf8(line, machine.codePage)) << "\n";
    // The program's log file, where unattended runs leave their outcome.
    if (auto log = plat::files().ReadFile(services::LogFilePath())) {
      int n = 0;
      for (const std::string& line : plat::text::SplitLines(*log))
        std::cout << "Log[" << n++ << "]=" << simtool::Escape(simtool::ToUtf8(line, machine.codePage)) << "\n";
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
    return 0;
  }
  if (dump && userFile.empty()) {
    // Up to where the message loop would first wait: the main window shown.
    if (ui::app().showMainForm) program->mainForm->Show();
    printDump();
    return 0;
  }
  app::RunProgram(*program);
  printTranscript();
  // With a user script, the state when the run ended.
  if (dump) printDump();
  return 0;
}
