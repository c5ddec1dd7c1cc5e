#include "services/log.h"

#include "platform/common/text.h"

#include <vector>

#include "platform/platform.h"

namespace services {
namespace {

constexpr size_t kMaxLines = 0x8000;

int g_mode = 1;
std::string g_lastMessage;
std::function<void(const std::string&, const std::string&)> g_messageBox;

void WriteFileLine(const std::string& msg, std::string tag) {
  std::string path = LogFilePath();
  std::vector<std::string> lines;
  if (plat::files().FileExists(path)) {
    if (auto data = plat::files().ReadFile(path)) lines = plat::text::SplitLines(*data);
  }
  if (lines.size() >= kMaxLines) lines.erase(lines.begin(), lines.end() - (kMaxLines - 1));
  if (tag.empty()) tag = plat::sys().ShortDateString() + " " + plat::sys().LongTimeString();
  lines.push_back(msg != g_lastMessage ? "<" + tag + "> " + msg : "..");
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  plat::files().WriteFile(path, out);
}

}  // namespace

void WriteLog(const std::string& msg, int mode, const std::string& tag) {
  switch (mode) {
    case 0:
      plat::sys().OutputDebugString("<" + tag + "> " + msg);
      break;
    case 1:
      WriteFileLine(msg, tag);
      break;
    case 2:
      if (g_messageBox) g_messageBox(msg, tag);
      break;
    default:
      break;
  }
  g_lastMessage = msg;
}

int LogMode() { return g_mode; }
void SetLogMode(int mode) { g_mode = mode; }

std::string LogFilePath() {
  std::string module = plat::sys().ModuleFileName();
  size_t slash = module.find_last_of("\\/:");
  std::string base = slash == std::string::npos ? module : module.substr(slash + 1);
  size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  if (base.empty()) base = "Setup";
  std::string dir = plat::sys().GetTempPath();
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir + base + ".log";
}

void SetLogMessageBox(std::function<void(const std::string&, const std::string&)> show) {
  g_messageBox = std::move(show);
}

void ResetLog() { g_lastMessage.clear(); }

}  // namespace services
