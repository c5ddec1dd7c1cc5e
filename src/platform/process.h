// Processes and anonymous pipes: the primitives the console runner polls,
// hidden and detached starts, WinExec and ShellExecute.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace plat {

// An anonymous pipe; both ends are owned and closed on destruction.
class Pipe {
 public:
  virtual ~Pipe() = default;
  // PeekNamedPipe on the read end (peeking at most one byte): bytes waiting.
  virtual bool Peek(uint32_t& available) = 0;
  // ReadFile from the read end.
  virtual bool Read(char* buffer, uint32_t size, uint32_t& read) = 0;
  virtual void CloseRead() = 0;
  virtual void CloseWrite() = 0;
};

// What a start takes: its creation flags, its startup flags (STARTF_*) and
// how its window shows (SW_*, also for WinExec and ShellExecute).
constexpr uint32_t kDetachedProcess = 0x8, kCreateNewConsole = 0x10, kNormalPriorityClass = 0x20;
constexpr uint32_t kStartfUseShowWindow = 0x1, kStartfUseStdHandles = 0x100;
constexpr uint16_t kSwHide = 0, kSwShowNormal = 1, kSwShowDefault = 10;

struct StartInfo {
  std::string commandLine;
  std::string currentDirectory;  // empty: the caller's
  bool inheritHandles = false;
  uint32_t creationFlags = 0;
  uint32_t startupFlags = 0;  // STARTF_*
  uint16_t showWindow = 0;
  Pipe* stdOutput = nullptr;  // the pipe whose write end becomes standard output
};

// A started process; process and thread handles are closed on destruction.
class Process {
 public:
  virtual ~Process() = default;
  // WaitForSingleObject on the process: kWaitObject0 or kWaitTimeout.
  virtual uint32_t Wait(uint32_t ms) = 0;
  virtual bool GetExitCode(uint32_t& code) = 0;
  virtual void CloseThread() = 0;
  virtual uintptr_t NativeHandle() = 0;
};

// What Process::Wait answers, and the exit code of a process still running.
constexpr uint32_t kWaitObject0 = 0;
constexpr uint32_t kWaitTimeout = 258;
constexpr uint32_t kStillActive = 259;

class Processes {
 public:
  virtual ~Processes() = default;
  virtual std::unique_ptr<Pipe> CreatePipe(bool inheritable) = 0;             // null on failure
  virtual std::unique_ptr<Process> CreateProcess(const StartInfo& info) = 0;  // null on failure
  virtual bool WinExec(const std::string& commandLine, uint16_t show) = 0;    // true: above 31
  virtual bool ShellExecute(uintptr_t window, const std::string& verb, const std::string& file,
                            const std::string& parameters, const std::string& directory,
                            uint16_t show) = 0;
};

}  // namespace plat
