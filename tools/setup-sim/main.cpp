// setup-sim: the installer on the simulated Windows with the headless UI.
//   setup-sim [--machine FILE] [--medium DIR] [--dump] [-- ARGS...]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "app/program.h"
#include "platform/sim/machine.h"
#include "tools/setup-sim/dump.h"
#include "tools/setup-sim/machine_file.h"

#ifndef SETUP_SIM_LOGO
#define SETUP_SIM_LOGO ""
#endif

namespace {

int Usage() {
  std::cerr << "usage: setup-sim [--machine FILE] [--medium DIR] [--dump] [-- ARGS...]\n";
  return 2;
}

bool ReadHostFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char buf[4096];
  return std::string(getcwd(buf, sizeof buf) ? buf : ".") + "/" + path;
}

}  // namespace

int main(int argc, char** argv) {
  std::string machineFile, medium = "out/medium";
  bool dump = false;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--machine" && i + 1 < argc) {
      machineFile = argv[++i];
    } else if (a == "--medium" && i + 1 < argc) {
      medium = argv[++i];
    } else if (a == "--dump") {
      dump = true;
    } else if (a == "--") {
      for (++i; i < argc; ++i) args.push_back(argv[i]);
    } else {
      return Usage();
    }
  }

  plat::sim::SimMachine machine;
  plat::SetBackend(machine.AsBackend());
  machine.Mount("C:\\Medium", Absolute(medium));
  machine.args = args;
  std::string logo;
  if (ReadHostFile(SETUP_SIM_LOGO, logo)) machine.bitmapResources["LOGOVELMAR"] = logo;

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
  }

  auto program = app::StartProgram();
  if (dump) {
    // Up to where the message loop would first wait: the main window shown.
    if (ui::app().showMainForm) program->mainForm->Show();
    for (const std::string& line : simtool::DumpState(*program, machine.codePage))
      std::cout << line << "\n";
    return 0;
  }
  app::RunProgram(*program);
  for (const auto& e : machine.transcript)
    std::cout << e.time << " " << e.kind << " " << simtool::ToUtf8(e.text, machine.codePage) << "\n";
  return 0;
}
