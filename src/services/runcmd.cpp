#include "services/runcmd.h"

#include "platform/platform.h"
#include "services/log.h"

namespace services {
namespace {

// GBK texts of the log.
const char kPipeFailed[] =
    "RunCMD "
    "\xb4\xb4\xbd\xa8\xb9\xdc\xb5\xc0\xca\xa7\xb0\xdc\xa3\xac\xba\xaf\xca\xfd\xbd\xab\xcd\xcb\xb3"
    "\xf6\xa3\xa1";
const char kProcessFailed[] =
    "RunCMD "
    "\xb4\xb4\xbd\xa8\xbd\xf8\xb3\xcc\xca\xa7\xb0\xdc\xa3\xac\xba\xaf\xca\xfd\xbd\xab\xcd\xcb\xb3"
    "\xf6\xa3\xa1";
const char kPeekFailed[] =
    "RunCMD PeekNamedPipe\xca\xa7\xb0\xdc\xa3\xac\xba\xaf\xca\xfd\xbd\xab\xcd\xcb\xb3\xf6\xa3\xa1";

// How long to wait on the process when the pipe is empty: short enough that
// output is read promptly, long enough not to keep a core busy.
constexpr uint32_t kIdleWaitMs = 20;

}  // namespace

int RunCMD(const std::string& cmdLine, std::vector<std::string>& output) {
  auto& procs = plat::processes();
  auto pipe = procs.CreatePipe(true);
  if (!pipe) {
    WriteLog(kPipeFailed, LogMode(), "");
    return -1;
  }

  plat::StartInfo info;
  info.commandLine = cmdLine;  // the backend copies it into a buffer of its own size
  info.inheritHandles = true;
  info.creationFlags = 0;
  info.startupFlags = plat::kStartfUseShowWindow | plat::kStartfUseStdHandles;
  info.showWindow = plat::kSwHide;
  info.stdOutput = pipe.get();
  auto process = procs.CreateProcess(info);
  if (!process) {
    WriteLog(kProcessFailed, LogMode(), "");
    return -2;  // the pipe closes both ends on leaving
  }

  int result = 0;
  std::string buffer(kRunChunk, '\0');
  bool ended = false;
  for (;;) {
    uint32_t waiting = 0;
    if (!pipe->Peek(waiting)) {
      WriteLog(kPeekFailed, LogMode(), "");
      break;
    }
    if (waiting > 0) {
      uint32_t got = 0;
      if (!pipe->Read(buffer.data(), static_cast<uint32_t>(kRunChunk), got)) break;
      output.emplace_back(buffer.data(), got);
      result = 1;
      continue;
    }
    // The process ended and a look at the pipe after that found it empty:
    // whatever it wrote has been read.
    if (ended) break;
    ended = process->Wait(kIdleWaitMs) == plat::kWaitObject0;
  }
  // The closing entry holds what the last look at the pipe took, which is
  // nothing: every byte read is already in its own entry.
  output.emplace_back();

  pipe->CloseRead();
  process->CloseThread();
  process.reset();
  pipe->CloseWrite();
  return result;
}

std::string JoinOutput(const std::vector<std::string>& output) {
  std::string text;
  for (size_t i = 0; i < output.size(); ++i) {
    if (i) text += "\r\n";
    text += output[i];
  }
  return text;
}

}  // namespace services
