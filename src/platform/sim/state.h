// State of the simulated subsystems, as data that tests and machine files set.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/spooler.h"

namespace plat::sim {

struct SimJob {
  uint32_t id = 0;
  std::string document;
  uint32_t status = 0;
};

struct SimPrinter {
  PrinterInfo2 info;  // name, driver, port, print processor, attributes, device mode ...
  std::vector<SimJob> jobs;
};

struct SpoolerState {
  std::vector<std::string> ports = {"LPT1:", "LPT2:", "COM1:", "FILE:"};
  std::vector<std::string> drivers;  // installed driver names
  std::vector<SimPrinter> printers;
  std::string defaultPrinter;
  // Functions of "winspool.drv" that this Windows lacks.
  bool hasGetDefaultPrinter = true, hasSetDefaultPrinter = true, hasDeletePrinterDriverEx = true;
  uint32_t nextJobId = 1;
};

struct SimService {
  std::string name;
  bool installed = false;
  bool running = false;
  std::string exe;
  int startFailures = 0;  // how many starts fail from now on (-1: every one)
  int stopFailures = 0;   // how many stops fail from now on (-1: every one)
};

// What a simulated console program does once started: output at virtual
// times (milliseconds after the start) and when it ends.
struct SimOutput {
  uint64_t at = 0;
  std::string out;  // written to standard output
  std::string err;  // written to standard error (never captured)
};
struct SimRun {
  std::vector<SimOutput> outputs;
  uint64_t exitAt = 0;
  uint32_t exitCode = 0;
};
using SimProgram = std::function<SimRun(const std::string& commandLine)>;

struct ServiceTable {
  std::map<std::string, SimService> byName;  // key: upper-cased name
  // Extra programs tests register (key: lower-cased name without ".exe");
  // they are found before the built-in console tools.
  std::map<std::string, SimProgram> programs;
};

struct SimDevice {
  std::string hardwareId;  // tail, e.g. "VelmarVP-210" or "USB\VID_..."
  std::string deviceId;    // e.g. "USBPRINT\VELMARVP-210\7&1A2B&0&USB001"
  std::string portInfo;    // ends with the six-character port name for USB
  bool afterRefresh = false;  // appears only after RefreshHW (or a devcon rescan)
  bool visible = true;        // false: unplugged
  std::string name;           // friendly name, shown by devcon's status listing
};

struct DeviceState {
  std::vector<SimDevice> devices;
  // The simulated helper library: present per architecture, missing exports,
  // what FuncDrvKit answers, the code LastInstallErrorCode gives.
  bool present32 = true, present64 = true;
  std::vector<std::string> missingExports;
  int32_t installResult = 0;
  uint32_t lastErrorCode = 0;
  bool showErrors = true;
  // Or'ed into FuncFindExistDevice's answer: only its lowest byte means found.
  uint32_t answerHighBits = 0;
  bool devconFails = false;  // devcon prints nothing
};

}  // namespace plat::sim
