// The simulated Windows machine behind the host build: system facts, a
// virtual clock, a sandboxed file system with Windows paths, and the state
// of the spooler, services, devices and helper library. Any call can be
// made to fail, and open handles are counted so tests can check for leaks.
//
//   plat::sim::SimMachine m;          // Windows XP, English, 32-bit
//   m.version = {5, 0};               // now Windows 2000
//   plat::SetBackend(m.AsBackend());
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/state.h"

namespace plat::sim {

// One line of what the simulated program did: debug output, a command, a
// helper-library call, a message box (written by the headless UI).
struct Event {
  uint64_t time;
  std::string kind;  // "debug", "command", "library", "msgbox", "window", ...
  std::string text;
};

// Makes a named call fail: always, or only on its nth call (1-based).
struct Fault {
  int nth = 0;  // 0: every call
  uint32_t error = 0;
  int64_t calls = 0;
};

// The names a fault can be set on: the system calls the installer makes
// (without the A/W suffix), and the helper library's functions.
const std::vector<std::string>& FaultableCalls();

class Faults {
 public:
  void Set(const std::string& call, int nth, uint32_t error);
  void Clear() { faults_.clear(); }
  // Counts the call; true (with the error to report) when it must fail.
  std::optional<uint32_t> Check(std::string_view call);
  // How often each call was made, failed or not, by name; and how many were failed.
  // A machine that lives as long as a fuzzing process makes billions of
  // calls, so the counts do not stop at 32 bits.
  std::map<std::string, int64_t> Counts() const { return {counts_.begin(), counts_.end()}; }
  int64_t Failed() const { return failed_; }
  // Tests of a long-lived machine start a count where billions of calls would leave it.
  void StartCountAt(std::string_view call, int64_t n) { counts_[std::string(call)] = n; }
  // Called as a fault fires (the sweep marks where the run went astray).
  std::function<void()> onFail;

 private:
  // Looked up by the caller's name as it stands: every call of the machine
  // passes here, and making a string of each name, or comparing it with
  // half the names, cost more than the call.
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::map<std::string, Fault, std::less<>> faults_;
  std::unordered_map<std::string, int64_t, NameHash, std::equal_to<>> counts_;
  int64_t failed_ = 0;
};

// The handles the simulated program holds, each by its kind ("process",
// "printer", ...) and the call that made it, so that a leak names its maker:
//   handles.Open("process", "CreateProcess(X64\Quenset64.exe ...)");
//   handles.List();  // {"process from CreateProcess(X64\Quenset64.exe ...)"}
class Handles {
 public:
  void Open(const std::string& kind, const std::string& madeBy = "") { ++open_[{kind, madeBy}]; }
  void Close(const std::string& kind, const std::string& madeBy = "") { --open_[{kind, madeBy}]; }
  int Count(const std::string& kind) const;
  int Total() const;
  // One "KIND from CALL" per handle still open (a kind closed more often
  // than opened says so), in the order of kind and call.
  std::vector<std::string> List() const;
  std::string Describe() const;  // List() on one line, for failure messages

 private:
  std::map<std::pair<std::string, std::string>, int> open_;
};

// One handle of |kind| counted open for as long as this lives: what a
// simulated key, printer, library or window holds, so that a leak shows.
class CountedHandle {
 public:
  CountedHandle(Handles& handles, std::string kind, std::string madeBy = "")
      : handles_(handles), kind_(std::move(kind)), madeBy_(std::move(madeBy)) {
    handles_.Open(kind_, madeBy_);
  }
  ~CountedHandle() { handles_.Close(kind_, madeBy_); }
  CountedHandle(const CountedHandle&) = delete;
  CountedHandle& operator=(const CountedHandle&) = delete;

 private:
  Handles& handles_;
  std::string kind_, madeBy_;
};

struct SimVersion {
  uint32_t major = 5, minor = 1, build = 2600;
};

class SimMachine {
 public:
  // The sandbox root holds the simulated drives (root/C, root/D, ...).
  // An empty root makes a fresh temporary folder that is removed at the end.
  explicit SimMachine(const std::string& sandboxRoot = "");
  ~SimMachine();
  SimMachine(const SimMachine&) = delete;
  SimMachine& operator=(const SimMachine&) = delete;

  plat::Backend AsBackend();

  // --- system facts
  SimVersion version;
  bool wow64 = false;
  bool hasIsWow64Process = true;
  uint16_t langId = 0x0409;
  uint32_t codePage = 1252;
  std::string systemDirectory = "C:\\WINDOWS\\system32";
  std::string tempPath = "C:\\Temp\\";
  std::string modulePath = "C:\\Medium\\Setup.exe";
  std::vector<std::string> args;
  std::map<std::string, std::string> bitmapResources;  // name (upper case) -> .bmp bytes
  std::map<std::string, std::string> dataResources;    // name (upper case) -> bytes
  // Fixed date/time texts if set; otherwise formed from the virtual clock.
  std::string shortDate, longTime;

  // --- the virtual clock (milliseconds since start)
  uint64_t now = 0;

  // --- files: Windows paths mapped below the sandbox
  std::string currentDirectory = "C:\\Medium";
  // Maps a Windows folder (e.g. "C:\Medium") onto a host folder.
  void Mount(const std::string& windowsFolder, const std::string& hostFolder);
  // The host path for a Windows path (relative paths against the current directory).
  std::string HostPath(const std::string& windowsPath);
  std::string FullPath(const std::string& windowsPath);  // absolute Windows path

  // --- diagnostics
  std::vector<Event> transcript;
  void Record(const std::string& kind, const std::string& text);
  std::vector<std::string> DebugLines() const;
  uint32_t lastError = 0;
  Faults faults;
  Handles handles;
  // Command lines of every program started (CreateProcess, WinExec, ShellExecute).
  std::vector<std::string> started;
  // Files and folders the program created (full Windows paths, first creation only).
  std::vector<std::string> created;
  void NoteCreated(const std::string& windowsPath);

  // --- simulated subsystems
  SpoolerState spooler;
  ServiceTable services;
  DeviceState devices;
  HandOffState handOff;
  RegistryState registry;

 private:
  std::string root_;
  bool ownsRoot_ = false;
  std::vector<std::pair<std::string, std::string>> mounts_;  // windows prefix (upper) -> host
  std::unique_ptr<System> system_;
  std::unique_ptr<Files> files_;
  std::unique_ptr<Profile> profile_;
  std::unique_ptr<Processes> processes_;
  std::unique_ptr<Libraries> libraries_;
  std::unique_ptr<Spooler> spoolerApi_;
  std::unique_ptr<Messages> messages_;
  std::unique_ptr<Registry> registryApi_;
};

// Factories of the simulated interfaces, one per concept (each in its own file).
std::unique_ptr<System> MakeSystem(SimMachine& m);
std::unique_ptr<Files> MakeFiles(SimMachine& m);
std::unique_ptr<Profile> MakeProfile(SimMachine& m);
std::unique_ptr<Processes> MakeProcesses(SimMachine& m);
std::unique_ptr<Libraries> MakeLibraries(SimMachine& m);
std::unique_ptr<Spooler> MakeSpooler(SimMachine& m);
std::unique_ptr<Messages> MakeMessages(SimMachine& m);
std::unique_ptr<Registry> MakeRegistry(SimMachine& m);

// The machine behind DefaultBackend() in the host build.
SimMachine& DefaultMachine();

}  // namespace plat::sim
