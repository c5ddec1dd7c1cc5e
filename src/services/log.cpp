#include "services/log.h"

#include "platform/common/text.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "platform/errors.h"
#include "platform/platform.h"

namespace services {
namespace {

constexpr size_t kMaxLines = 0x8000;

int g_mode = 1;
std::string g_lastMessage;
std::function<void(const std::string&, const std::string&)> g_messageBox;

InstallOutcome g_pending;
bool g_attemptPending = false;
std::optional<InstallOutcome> g_last;
std::string g_outcomeFile;

// "<tag> ", the time stamp when there is no tag. Appended piece by piece:
// GCC 12 warns wrongly about a prefix added to a temporary.
std::string Stamp(const std::string& tag) {
  std::string out = "<";
  if (tag.empty()) {
    out += plat::sys().ShortDateString();
    out += ' ';
    out += plat::sys().LongTimeString();
  } else {
    out += tag;
  }
  out += "> ";
  return out;
}

// The temporary folder with its trailing backslash; empty when the system
// cannot name it.
std::string LogFolder() {
  std::string dir = plat::sys().GetTempPath();
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir;
}

// Appends |line| to the file at |path|, keeping its last lines only. A line
// the file cannot take (a file that cannot be read or written) goes to the
// debug output, where a debug-output viewer shows it; a file that exists but
// cannot be read is never replaced by the new line alone.
void AppendLineTo(const std::string& path, const std::string& line) {
  std::vector<std::string> lines;
  if (auto data = plat::files().ReadFile(path)) {
    lines = plat::text::SplitLines(*data);
  } else if (plat::sys().GetLastError() != plat::kErrorFileNotFound) {
    plat::sys().OutputDebugString(line);
    return;
  }
  if (lines.size() >= kMaxLines) lines.erase(lines.begin(), lines.end() - (kMaxLines - 1));
  lines.push_back(line);
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  if (!plat::files().WriteFile(path, out)) plat::sys().OutputDebugString(line);
}

// The log file is in the temporary folder; without one, the debug output.
void AppendLine(const std::string& line) {
  const std::string folder = LogFolder();
  if (folder.empty()) {
    plat::sys().OutputDebugString(line);
    return;
  }
  AppendLineTo(folder + LogFileName(), line);
}

// Makes the missing folders above |path|, from the top down. The root
// ("C:\", "\\server\share\") is never made.
void MakeFoldersAbove(const std::string& path) {
  size_t start = 0;
  if (path.rfind("\\\\", 0) == 0) {
    start = path.find('\\', 2);
    if (start != std::string::npos) start = path.find('\\', start + 1);
  } else if (path.size() > 2 && path[1] == ':') {
    start = 2;
  }
  if (start == std::string::npos) return;
  for (size_t slash = path.find('\\', start + 1); slash != std::string::npos;
       slash = path.find('\\', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (!plat::files().DirectoryExists(folder)) plat::files().CreateDirectory(folder);
  }
}

// One field of the outcome line: no tabs or line breaks inside.
std::string Field(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\r') continue;
    out += c == '\n' || c == '\t' ? ' ' : c;
  }
  return out;
}

void WriteFileLine(const std::string& msg, const std::string& tag) {
  AppendLine(msg != g_lastMessage ? Stamp(tag) + msg : "..");
}

}  // namespace

void WriteLog(const std::string& msg, int mode, const std::string& tag) {
  switch (mode) {
    case 0: plat::sys().OutputDebugString("<" + tag + "> " + msg); break;
    case 1: WriteFileLine(msg, tag); break;
    case 2:
      if (g_messageBox) g_messageBox(msg, tag);
      break;
    default: break;
  }
  g_lastMessage = msg;
}

int LogMode() { return g_mode; }
void SetLogMode(int mode) { g_mode = mode; }

std::string LogFileName() {
  std::string module = plat::sys().ModuleFileName();
  size_t slash = module.find_last_of("\\/:");
  std::string base = slash == std::string::npos ? module : module.substr(slash + 1);
  size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  if (base.empty()) base = "Setup";
  return base + ".log";
}

std::string LogFilePath() { return LogFolder() + LogFileName(); }

void SetLogMessageBox(std::function<void(const std::string&, const std::string&)> show) {
  g_messageBox = std::move(show);
}

void ResetLog() {
  g_lastMessage.clear();
  g_attemptPending = false;
  g_last.reset();
  g_outcomeFile.clear();
}

std::string FormatOutcomeLine(const InstallOutcome& o, const std::string& tag) {
  char code[16];
  snprintf(code, sizeof code, "0x%.8X", static_cast<unsigned>(o.code));
  return Stamp(tag) + "OUTCOME\t" + Field(o.model) + "\t" + (o.online ? "online" : "offline") +
         "\t" + Field(o.port) + "\t" + Field(o.result) + "\t" + code + "\t" + Field(o.shown);
}

void BeginInstallAttempt(const std::string& model, bool online) {
  // One still owed (a 64-bit hand-off that never answered) gets its line first.
  EndInstallAttempt("unfinished");
  g_pending = InstallOutcome{};
  g_pending.model = model;
  g_pending.online = online;
  g_attemptPending = true;
}

bool InstallAttemptPending() { return g_attemptPending; }

void WriteInstallOutcome(const InstallOutcome& o) {
  g_attemptPending = false;
  g_last = o;
  const std::string line = FormatOutcomeLine(o, "");
  AppendLine(line);
  if (!g_outcomeFile.empty()) {
    MakeFoldersAbove(g_outcomeFile);
    AppendLineTo(g_outcomeFile, line);
  }
}

const InstallOutcome* LastInstallOutcome() { return g_last ? &*g_last : nullptr; }

void SetOutcomeFile(const std::string& path) { g_outcomeFile = path; }

void EndInstallAttempt(const std::string& result) {
  if (!g_attemptPending) return;
  InstallOutcome o = g_pending;
  o.result = result;
  WriteInstallOutcome(o);
}

}  // namespace services
