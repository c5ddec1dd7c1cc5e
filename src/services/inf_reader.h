// What the installer reads from a model's INF file: the parallel-port
// hardware IDs with their compatible tail, and the printer (model) name.
//
//   std::string id, compat;
//   if (ReadInfHardwareIds("VP210.inf", id, compat) > 0) ...   // id "VelmarVP-2108E5C"
#pragma once
#include <optional>
#include <string>

namespace services {

// Counts the INF lines with distinct "LPTENUM\" IDs; HwId gets the ID for this
// Windows version (the longer one up to Windows 2000, the shorter one later),
// CompatId the compatible tail of the first line. 0 and both empty when the
// file is missing or has no such line.
int ReadInfHardwareIds(const std::string& infFile, std::string& hwId, std::string& compatId);

// The same two IDs as one value, for a caller that reads them once and hands
// them on (an installation attempt passes them to detection and installation).
struct InfHardwareIds {
  std::string hwId, compatId;
};
InfHardwareIds ReadInfHardwareIds(const std::string& infFile);

// The first entry of the provider's models section, without its quotes.
// The file is read with the profile reader's rules; the name of an INF read
// before and unchanged since (same stamp) is not read again.
bool ReadInfModelName(const std::string& infFile, std::string& printerName);

// An INF's bytes, for callers that look at the whole file (start-up does,
// for every model, just before it names them): the model name in them is
// kept for ReadInfModelName. nullopt when the file cannot be read.
std::optional<std::string> ReadInfContent(const std::string& infFile);

}  // namespace services
