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
  std::vector<std::string> drivers;                         // installed driver names
  std::vector<std::string> printProcessors = {"WinPrint"};  // installed print processors
  std::vector<SimPrinter> printers;
  std::string defaultPrinter;
  // Functions of "winspool.drv" that this Windows lacks.
  bool hasGetDefaultPrinter = true, hasSetDefaultPrinter = true, hasDeletePrinterDriverEx = true;
  uint32_t nextJobId = 1;
  // How often each spooler function was called (key: the name faults use).
  std::map<std::string, int64_t> calls;
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
  std::string hardwareId;     // tail, e.g. "VelmarVP-210" or "USB\VID_..."
  std::string deviceId;       // e.g. "USBPRINT\VELMARVP-210\7&1A2B&0&USB001"
  std::string portInfo;       // ends with the six-character port name for USB
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
  // The printer driver a successful FuncDrvKit puts into the spooler (empty: none).
  std::string installsDriver;
};

// A window message a simulated process posted to one of the program's
// windows; it is due when the virtual clock reaches |at|.
struct PostedMessage {
  uint64_t at = 0;
  uintptr_t window = 0;
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

// The 64-bit sibling setup on a 64-bit machine: started, it runs the 64-bit
// helper library and answers the window |delay| ms later, then ends.
struct HandOffState {
  std::string program = "quenset64";  // its file name without ".exe", lower case
  uint64_t delay = 3000;
  std::vector<PostedMessage> posted;  // in the order posted
};

// The simulated registry below HKEY_LOCAL_MACHINE, stored as 64-bit Windows
// stores it: the 32-bit view of SOFTWARE lives in SOFTWARE\Wow6432Node.
// Paths given here are stored paths; no view is applied.
struct SimRegValue {
  std::string name;
  uint32_t type = 1;  // REG_SZ
  std::string data;   // raw bytes (a string with its NUL)
};

struct SimRegKey {
  std::string name;                 // as created
  uint64_t id = 0;                  // tells a re-created key from the one a handle was opened on
  std::vector<SimRegValue> values;  // in the order written
  std::vector<SimRegKey> subkeys;   // sorted without regard to case, as the registry lists them
};

struct RegistryState {
  SimRegKey hklm;
  uint64_t nextId = 1;
  bool wow64ViewSeeded = false;

  // The key at a stored path (backslash-separated), made with its missing levels.
  SimRegKey& Make(const std::string& path);
  SimRegKey* Find(const std::string& path);
  void SetValue(const std::string& path, const std::string& name, uint32_t type,
                const std::string& data);
  void SetString(const std::string& path, const std::string& name, const std::string& text);
  void SetDword(const std::string& path, const std::string& name, uint32_t value);
  // Removes the key with everything below it; false when there is none.
  bool Remove(const std::string& path);
};

}  // namespace plat::sim
