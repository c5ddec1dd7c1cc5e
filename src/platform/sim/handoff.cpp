#include "platform/sim/handoff.h"

#include "platform/common/text.h"
#include "platform/errors.h"
#include "platform/sibling_command.h"
#include "platform/sim/programs.h"

namespace plat::sim {
namespace {

std::string BaseName(const std::string& program) {
  size_t slash = program.find_last_of("\\/:");
  std::string name = text::Lower(slash == std::string::npos ? program : program.substr(slash + 1));
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
    name.resize(name.size() - 4);
  return name;
}

// The sibling's own program path: quoted, or everything before " /Handle ".
std::string ProgramPath(const std::string& commandLine) {
  if (!commandLine.empty() && commandLine[0] == '"') return ProgramOf(commandLine);
  size_t at = commandLine.find(" /Handle ");
  return at == std::string::npos ? ProgramOf(commandLine) : commandLine.substr(0, at);
}

// Runs the library as the sibling does; the message and the exit code.
PostedMessage Install(SimMachine& m, const sibling::Command& c, uint32_t& exitCode) {
  PostedMessage msg;
  msg.window = static_cast<uintptr_t>(c.window);
  msg.message = sibling::kWmInstallError;
  exitCode = 1;
  auto library = m.AsBackend().libraries->Load(c.dll);
  if (!library) {
    msg.lParam = sibling::kErrorNoLibrary;
    return msg;
  }
  if (!library->HasExport("FuncDrvKit")) {
    msg.lParam = sibling::kErrorNoFunction;
    return msg;
  }
  library->RefreshHW();
  char deviceId[kHelperTextSize] = {}, portInfo[kHelperTextSize] = {};
  bool found = (library->FuncFindExistDevice(c.hwid, deviceId, portInfo) & 0xFF) != 0;
  std::string port = sibling::PortFor(found, deviceId, portInfo);
  int32_t answer = library->FuncDrvKit(c.inf, c.hwid, port, msg.window);
  uint32_t code = library->HasExport("LastInstallErrorCode") ? library->LastInstallErrorCode() : 1;
  if (sibling::Succeeded(answer)) {
    msg.message = sibling::kWmInstallSuccess;
    exitCode = 0;
  } else {
    msg.lParam = static_cast<intptr_t>(code);
  }
  return msg;
}

}  // namespace

bool IsSibling64(const std::string& commandLine, const SimMachine& m) {
  return BaseName(ProgramPath(commandLine)) == m.handOff.program;
}

std::optional<SimRun> RunSibling64(SimMachine& m, const StartInfo& info) {
  // Started whatever the WOW64 flag says: the installer asks that itself,
  // and a 64-bit test process runs the sibling as natively as Windows does.
  if (!m.AsBackend().files->FileExists(ProgramPath(info.commandLine))) {
    m.lastError = kErrorFileNotFound;
    return std::nullopt;
  }
  m.Record("command", info.commandLine);
  SimRun run;
  run.exitAt = m.handOff.delay;
  sibling::Command c;
  if (!sibling::Parse(sibling::ArgumentsOf(info.commandLine), c)) {
    run.exitCode = 2;
    if (c.hasWindow)
      m.handOff.posted.push_back({m.now + m.handOff.delay, static_cast<uintptr_t>(c.window),
                                  sibling::kWmInstallError, 0, sibling::kErrorBadCommandLine});
    return run;
  }
  // The sibling's relative paths are relative to its own working folder.
  std::string parentDirectory = m.currentDirectory;
  if (!info.currentDirectory.empty()) m.currentDirectory = m.FullPath(info.currentDirectory);
  PostedMessage msg = Install(m, c, run.exitCode);
  m.currentDirectory = parentDirectory;
  msg.at = m.now + m.handOff.delay;
  m.handOff.posted.push_back(msg);
  return run;
}

std::vector<PostedMessage> TakeDueMessages(SimMachine& m) {
  std::vector<PostedMessage> due, later;
  for (const PostedMessage& p : m.handOff.posted) (p.at <= m.now ? due : later).push_back(p);
  m.handOff.posted = std::move(later);
  return due;
}

}  // namespace plat::sim
