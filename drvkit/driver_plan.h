// What installing one printer model from its INF takes: the model whose
// hardware ID matches, the driver's files by role, and where each file to
// copy into the printer driver directory comes from. Plain C++ over the INF
// texts, so that the choice is the same on every Windows and is tested on
// the host.
//
//   drvkit::PlanResult r = drvkit::MakePlan(infText, "VelmarVP-2104E1A", drvkit::Arch::kAmd64,
//   systemInfs); if (r.error == 0) r.plan.dataFile;  // "VP210.PPD"
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace drvkit {

// Win32 and SetupAPI codes the library answers with.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorMachineMismatch = 216;         // ERROR_EXE_MACHINE_TYPE_MISMATCH
constexpr uint32_t kErrorUnknownPrinterDriver = 1797;   // ERROR_UNKNOWN_PRINTER_DRIVER
constexpr uint32_t kErrorWrongInfStyle = 0xE0000100;    // ERROR_WRONG_INF_STYLE
constexpr uint32_t kErrorSectionNotFound = 0xE0000101;  // ERROR_SECTION_NOT_FOUND
constexpr uint32_t kErrorLineNotFound = 0xE0000102;     // ERROR_LINE_NOT_FOUND
constexpr uint32_t kErrorNoCompatDrivers = 0xE0000228;  // ERROR_NO_COMPAT_DRIVERS

enum class Arch { kX86, kAmd64 };

// The spooler's name of the environment ("Windows NT x86", "Windows x64").
const char* EnvironmentOf(Arch arch);
// The PE machine field of that architecture (0x14C, 0x8664).
uint16_t MachineOf(Arch arch);
// The machine field of a PE image's first bytes; nullopt when they are not one.
std::optional<uint16_t> PeMachine(const std::string& head);

struct PlannedFile {
  std::string name;    // in the driver directory
  std::string source;  // the medium's file relative to the INF's folder ("i386\VP210.PPD"),
                       // or the file name of a system INF's (fromSystem)
  bool fromSystem = false;
};

struct DriverPlan {
  std::string model;  // the driver's name: the model line's name
  std::string manufacturer, provider, hardwareId, driverVer;
  std::string catalog;  // the signed package's catalog ([Version] CatalogFile), or empty
  std::string driverFile, dataFile, configFile, helpFile, defaultDataType;
  // The language monitor (LanguageMonitor="NAME,DLL"): its name for the
  // driver, and its DLL in the system folder; both empty when there is none.
  std::string monitor, monitorDll;
  std::vector<std::string> dependentFiles;
  std::vector<PlannedFile> files;         // every file to put into the driver directory
  std::vector<PlannedFile> monitorFiles;  // the monitor's DLL, bound for the system folder (66002)
  std::vector<std::string> skipped;       // copy lists bound for other folders, and files
                                          // other than the monitor's for the system folder
};

struct PlanResult {
  uint32_t error = 0;  // 0, or what failed (one of the codes above)
  std::string detail;  // a line for the debug output
  DriverPlan plan;
};

// The text of an INF the model's INF includes (Include=), looked for in
// the system's INF folder; nullopt when there is none.
using IncludeReader = std::function<std::optional<std::string>(const std::string& name)>;

// The plan for |hwid| (a hardware-ID tail, or a full ID whose enumerator
// is not compared) on |arch|.
PlanResult MakePlan(const std::string& infText, const std::string& hwid, Arch arch,
                    const IncludeReader& includes);

}  // namespace drvkit
