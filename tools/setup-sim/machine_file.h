// The machine file of setup-sim: an INI file describing the simulated Windows.
//
//   std::string error;
//   if (!simtool::LoadMachineFile(text, machine, error))  // error: "line 7: [System] LangID ..."
#pragma once
#include <map>
#include <string>
#include <utility>

#include "platform/sim/machine.h"

namespace simtool {

using IniData = std::map<std::string, std::map<std::string, std::string>>;

// A machine file read line by line: its sections and keys as written, and
// the line of each header and key, so that an error can name its line.
struct MachineFileText {
  IniData ini;
  std::map<std::string, int> sectionLine;                      // first header of each section
  std::map<std::pair<std::string, std::string>, int> keyLine;  // (section, key)
};

// Reads sections, KEY=VALUE lines and ';' comments. False with "line N: ..."
// for a header without its "]" or name, a line without "=", a key before any
// section or a key set twice in a section (names compared without case).
bool ParseMachineFile(const std::string& text, MachineFileText& out, std::string& error);
// Reads and applies a machine file, all or nothing; every error begins with
// "line N: ".
bool LoadMachineFile(const std::string& text, plat::sim::SimMachine& m, std::string& error);

// The same reading, skipping the lines ParseMachineFile refuses.
IniData ParseIni(const std::string& text);
// Applies every section to the machine; false with a message on a bad value
// (naming section and key, but no line). A failed load changes nothing.
bool ApplyMachineFile(const IniData& ini, plat::sim::SimMachine& m, std::string& error);

}  // namespace simtool
