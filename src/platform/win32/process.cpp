// Processes and anonymous pipes over CreatePipe, CreateProcessA,
// PeekNamedPipe, ReadFile and WaitForSingleObject. Every handle is owned by
// a ScopedHandle; closing keeps the last error as it was.
#include <string>
#include <vector>

#include "platform/win32/windows_lean.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32.h"

namespace plat::win32 {
namespace {

class Win32Pipe : public Pipe {
 public:
  Win32Pipe(HANDLE read, HANDLE write) : read_(read), write_(write) {}

  bool Peek(uint32_t& available) override {
    char first = 0;
    DWORD peeked = 0, total = 0;
    if (!::PeekNamedPipe(read_.Get(), &first, 1, &peeked, &total, nullptr)) return false;
    available = total;
    return true;
  }

  bool Read(char* buffer, uint32_t size, uint32_t& read) override {
    DWORD got = 0;
    BOOL ok = ::ReadFile(read_.Get(), buffer, size, &got, nullptr);
    read = got;
    return ok != FALSE;
  }

  void CloseRead() override { read_.Close(); }
  void CloseWrite() override { write_.Close(); }
  HANDLE WriteEnd() const { return write_.Get(); }

 private:
  ScopedHandle read_, write_;
};

class Win32Process : public Process {
 public:
  Win32Process(HANDLE process, HANDLE thread) : process_(process), thread_(thread) {}

  uint32_t Wait(uint32_t ms) override {
    DWORD r = ::WaitForSingleObject(process_.Get(), ms);
    return r == WAIT_OBJECT_0 ? kWaitObject0 : kWaitTimeout;
  }
  bool GetExitCode(uint32_t& code) override {
    DWORD c = 0;
    if (!::GetExitCodeProcess(process_.Get(), &c)) return false;
    code = c;
    return true;
  }
  void CloseThread() override { thread_.Close(); }
  uintptr_t NativeHandle() override { return reinterpret_cast<uintptr_t>(process_.Get()); }

 private:
  ScopedHandle process_, thread_;
};

// The program of a command line that opens with a quoted full path
// ("\"C:\WINDOWS\system32\sc.exe\" query X"), given to CreateProcessA as the
// application name too, so that no search takes place; empty otherwise.
std::string QuotedProgram(const std::string& commandLine) {
  if (commandLine.size() < 4 || commandLine[0] != '"') return "";
  size_t end = commandLine.find('"', 1);
  if (end == std::string::npos) return "";
  std::string program = commandLine.substr(1, end - 1);
  bool full = (program.size() > 2 && program[1] == ':' && program[2] == '\\') ||
              program.compare(0, 2, "\\\\") == 0;
  return full ? program : "";
}

class Win32Processes : public Processes {
 public:
  std::unique_ptr<Pipe> CreatePipe(bool inheritable) override {
    SECURITY_ATTRIBUTES sa{};
    // 12 bytes on 32-bit Windows; the x64 structure is larger and takes its own size.
    sa.nLength = sizeof(sa);
    sa.lpSecurityDescriptor = nullptr;
    sa.bInheritHandle = inheritable ? TRUE : FALSE;
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, &sa, 0)) return nullptr;
    return std::make_unique<Win32Pipe>(read, write);
  }

  std::unique_ptr<Process> CreateProcess(const StartInfo& info) override {
    STARTUPINFOA si{};
    si.cb = sizeof(si);  // 68 on 32-bit Windows, 104 on x64
    si.dwFlags = info.startupFlags;
    si.wShowWindow = info.showWindow;
    if (auto* pipe = dynamic_cast<Win32Pipe*>(info.stdOutput)) si.hStdOutput = pipe->WriteEnd();
    // CreateProcessA may write into the command line: a buffer of its own, as long as the command.
    std::vector<char> cmd(info.commandLine.begin(), info.commandLine.end());
    cmd.push_back('\0');
    const std::string program = QuotedProgram(info.commandLine);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(program.empty() ? nullptr : program.c_str(), cmd.data(), nullptr, nullptr,
                          info.inheritHandles ? TRUE : FALSE, info.creationFlags, nullptr,
                          info.currentDirectory.empty() ? nullptr : info.currentDirectory.c_str(),
                          &si, &pi)) {
      return nullptr;
    }
    return std::make_unique<Win32Process>(pi.hProcess, pi.hThread);
  }

  bool WinExec(const std::string& commandLine, uint16_t show) override {
    return ::WinExec(commandLine.c_str(), show) > 31;
  }

  bool ShellExecute(uintptr_t window, const std::string& verb, const std::string& file,
                    const std::string& parameters, const std::string& directory,
                    uint16_t show) override {
    HINSTANCE r =
        ::ShellExecuteA(reinterpret_cast<HWND>(window), verb.empty() ? nullptr : verb.c_str(),
                        file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                        directory.empty() ? nullptr : directory.c_str(), show);
    return reinterpret_cast<uintptr_t>(r) > 32;
  }
};

}  // namespace

std::unique_ptr<Processes> MakeProcesses() { return std::make_unique<Win32Processes>(); }

}  // namespace plat::win32
