// Simulated processes and anonymous pipes. A started process follows the
// SimRun its program gave: its output reaches the pipe as the virtual clock
// passes the output's time, and it ends at its exit time. Waiting on a
// process moves the clock on, never beyond the next thing the program does.
#include <algorithm>
#include <cstdio>

#include "platform/errors.h"
#include "platform/sim/handoff.h"
#include "platform/sim/machine.h"
#include "platform/sim/programs.h"

namespace plat::sim {
namespace {

// The two ends of a pipe, as an open handle names its maker.
constexpr const char kReadEnd[] = "CreatePipe, read end";
constexpr const char kWriteEnd[] = "CreatePipe, write end";

// What is in flight between a running program and the pipe it writes to.
struct Feed {
  SimRun run;
  uint64_t start = 0;
  size_t next = 0;  // first output not yet written

  uint64_t ExitTime() const { return start + run.exitAt; }
  // The time of the next output not yet written, or the exit time.
  uint64_t NextEventTime() const {
    return next < run.outputs.size() ? std::min(start + run.outputs[next].at, ExitTime())
                                     : ExitTime();
  }
};

// The bytes in a pipe and the programs writing into it. A process keeps
// only a weak reference, so it may outlive the pipe.
struct PipeData {
  std::string bytes;
  std::vector<std::shared_ptr<Feed>> feeds;

  // Writes what the attached programs have written by |now|.
  void Pump(uint64_t now) {
    for (auto& f : feeds) {
      while (f->next < f->run.outputs.size() && f->start + f->run.outputs[f->next].at <= now &&
             f->start + f->run.outputs[f->next].at <= f->ExitTime()) {
        bytes += f->run.outputs[f->next].out;
        ++f->next;
      }
    }
  }
};

class SimPipe : public Pipe {
 public:
  explicit SimPipe(SimMachine& m) : m_(m) {
    m_.handles.Open("pipe", kReadEnd);
    m_.handles.Open("pipe", kWriteEnd);
  }
  ~SimPipe() override {
    CloseRead();
    CloseWrite();
  }

  bool Peek(uint32_t& available) override {
    if (!readOpen_) return Fail(6);
    if (auto e = m_.faults.Check("PeekNamedPipe")) return Fail(*e);
    data_->Pump(m_.now);
    available = static_cast<uint32_t>(data_->bytes.size());
    return true;
  }

  bool Read(char* buffer, uint32_t size, uint32_t& read) override {
    read = 0;
    if (!readOpen_) return Fail(6);
    if (auto e = m_.faults.Check("ReadPipe")) return Fail(*e);
    data_->Pump(m_.now);
    std::string& bytes = data_->bytes;
    if (bytes.empty()) return Fail(kErrorBrokenPipe);  // a real read would block here
    read = std::min<uint32_t>(size, static_cast<uint32_t>(bytes.size()));
    std::copy(bytes.begin(), bytes.begin() + read, buffer);
    bytes.erase(0, read);
    return true;
  }

  void CloseRead() override {
    if (readOpen_) m_.handles.Close("pipe", kReadEnd);
    readOpen_ = false;
  }
  void CloseWrite() override {
    if (writeOpen_) m_.handles.Close("pipe", kWriteEnd);
    writeOpen_ = false;
  }

  bool WriteOpen() const { return writeOpen_; }
  std::shared_ptr<PipeData> Data() { return data_; }

 private:
  bool Fail(uint32_t error) {
    m_.lastError = error;
    return false;
  }

  SimMachine& m_;
  bool readOpen_ = true, writeOpen_ = true;
  std::shared_ptr<PipeData> data_ = std::make_shared<PipeData>();
};

class SimProcess : public Process {
 public:
  SimProcess(SimMachine& m, std::shared_ptr<Feed> feed, std::weak_ptr<PipeData> pipe,
             const std::string& commandLine)
      : m_(m),
        feed_(std::move(feed)),
        pipe_(std::move(pipe)),
        madeBy_("CreateProcess(" + commandLine + ")") {
    m_.handles.Open("process", madeBy_);
    m_.handles.Open("thread", madeBy_);
  }
  ~SimProcess() override {
    CloseThread();
    m_.handles.Close("process", madeBy_);
  }

  uint32_t Wait(uint32_t ms) override {
    if (auto e = m_.faults.Check("WaitForSingleObject")) {
      m_.lastError = *e;
      return 0xFFFFFFFFu;  // WAIT_FAILED
    }
    if (m_.now >= feed_->ExitTime()) return kWaitObject0;
    uint64_t until = m_.now + ms;
    uint64_t next = feed_->NextEventTime();
    if (next > m_.now) until = std::min(until, next);
    m_.now = std::max(m_.now, until);
    if (auto p = pipe_.lock()) p->Pump(m_.now);
    return m_.now >= feed_->ExitTime() ? kWaitObject0 : kWaitTimeout;
  }

  bool GetExitCode(uint32_t& code) override {
    if (auto e = m_.faults.Check("GetExitCodeProcess")) {
      m_.lastError = *e;
      return false;
    }
    code = m_.now >= feed_->ExitTime() ? feed_->run.exitCode : kStillActive;
    return true;
  }

  void CloseThread() override {
    if (threadOpen_) m_.handles.Close("thread", madeBy_);
    threadOpen_ = false;
  }

  uintptr_t NativeHandle() override { return reinterpret_cast<uintptr_t>(this); }

 private:
  SimMachine& m_;
  std::shared_ptr<Feed> feed_;
  std::weak_ptr<PipeData> pipe_;
  std::string madeBy_;
  bool threadOpen_ = true;
};

class SimProcesses : public Processes {
 public:
  explicit SimProcesses(SimMachine& m) : m_(m) {}

  std::unique_ptr<Pipe> CreatePipe(bool) override {
    if (auto e = m_.faults.Check("CreatePipe")) {
      m_.lastError = *e;
      return nullptr;
    }
    return std::make_unique<SimPipe>(m_);
  }

  std::unique_ptr<Process> CreateProcess(const StartInfo& info) override {
    if (auto e = m_.faults.Check("CreateProcess")) {
      m_.lastError = *e;
      return nullptr;
    }
    m_.Record("start", StartText(info));
    m_.started.push_back(TypedCommand(m_, info.commandLine));
    auto run = IsSibling64(info.commandLine, m_) ? RunSibling64(m_, info) : Start(info.commandLine);
    if (!run) return nullptr;
    auto feed = std::make_shared<Feed>();
    feed->run = std::move(*run);
    feed->start = m_.now;
    auto* pipe = dynamic_cast<SimPipe*>(info.stdOutput);
    // Standard output goes to the pipe only when its handle is inherited.
    std::weak_ptr<PipeData> data;
    if (pipe && info.inheritHandles && (info.startupFlags & kStartfUseStdHandles) &&
        pipe->WriteOpen()) {
      pipe->Data()->feeds.push_back(feed);
      data = pipe->Data();
    }
    return std::make_unique<SimProcess>(m_, feed, data, info.commandLine);
  }

  bool WinExec(const std::string& commandLine, uint16_t show) override {
    if (auto e = m_.faults.Check("WinExec")) {
      m_.lastError = *e;
      return false;
    }
    const bool started = Start(commandLine).has_value();
    m_.Record("winexec", TypedCommand(m_, commandLine) + " show=" + ShowName(show) +
                             (started ? "" : " (not found)"));
    if (started) m_.started.push_back(TypedCommand(m_, commandLine));
    return started;
  }

  bool ShellExecute(uintptr_t, const std::string& verb, const std::string& file,
                    const std::string& parameters, const std::string&, uint16_t show) override {
    if (auto e = m_.faults.Check("ShellExecute")) {
      m_.lastError = *e;
      return false;
    }
    m_.Record("shell", (verb.empty() ? "open" : verb) + " " + file +
                           (parameters.empty() ? "" : " " + parameters) +
                           " show=" + ShowName(show));
    m_.started.push_back(file + (parameters.empty() ? "" : " " + parameters));
    return true;
  }

 private:
  static std::string ShowName(uint16_t show) {
    static const char* const names[] = {
        "SW_HIDE",           "SW_SHOWNORMAL", "SW_SHOWMINIMIZED", "SW_SHOWMAXIMIZED",
        "SW_SHOWNOACTIVATE", "SW_SHOW",       "SW_MINIMIZE",      "SW_SHOWMINNOACTIVE",
        "SW_SHOWNA",         "SW_RESTORE",    "SW_SHOWDEFAULT"};
    return show < 11 ? names[show] : std::to_string(show);
  }

  // How the process is started, for tests: "flags=0x8 startup=0x101 show=0 inherit=1 dir=C:\X64".
  static std::string StartText(const StartInfo& info) {
    char buf[96];
    snprintf(buf, sizeof buf, "flags=0x%x startup=0x%x show=%u inherit=%d dir=", info.creationFlags,
             info.startupFlags, static_cast<unsigned>(info.showWindow),
             info.inheritHandles ? 1 : 0);
    return buf + info.currentDirectory;
  }

  std::optional<SimRun> Start(const std::string& commandLine) {
    auto run = RunProgram(m_, commandLine);
    if (!run) m_.lastError = kErrorFileNotFound;
    return run;
  }

  SimMachine& m_;
};

}  // namespace

std::unique_ptr<Processes> MakeProcesses(SimMachine& m) {
  return std::make_unique<SimProcesses>(m);
}

}  // namespace plat::sim
