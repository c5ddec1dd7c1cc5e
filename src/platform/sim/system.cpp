// The simulated system facts, clock and debug output.
#include <cstdio>

#include "platform/sim/machine.h"

namespace plat::sim {
namespace {

class SimSystem : public System {
 public:
  explicit SimSystem(SimMachine& m) : m_(m) {}

  uint16_t GetSystemDefaultLangID() override { return m_.langId; }

  bool GetVersionEx(VersionInfo& out, uint32_t recordSize) override {
    // OSVERSIONINFOA is 148 bytes, OSVERSIONINFOEXA 156; anything else is refused.
    if (recordSize != 148 && recordSize != 156) {
      m_.lastError = 122;  // ERROR_INSUFFICIENT_BUFFER
      return false;
    }
    if (Faulted("GetVersionEx")) return false;
    out.major = m_.version.major;
    out.minor = m_.version.minor;
    out.build = m_.version.build;
    out.platformId = 2;
    return true;
  }

  std::optional<bool> IsWow64Process() override {
    if (!m_.hasIsWow64Process) return std::nullopt;
    if (Faulted("IsWow64Process")) return false;
    return m_.wow64;
  }

  std::string GetSystemDirectory() override {
    return Faulted("GetSystemDirectory") ? std::string() : m_.systemDirectory;
  }
  std::string GetTempPath() override {
    return Faulted("GetTempPath") ? std::string() : m_.tempPath;
  }

  void Sleep(uint32_t ms) override { m_.now += ms; }
  uint64_t TickCount() override { return m_.now; }

  void OutputDebugString(const std::string& text) override { m_.Record("debug", text); }
  uint32_t GetLastError() override { return m_.lastError; }
  void SetLastError(uint32_t code) override { m_.lastError = code; }

  std::string ShortDateString() override {
    if (Faulted("GetDateFormat")) return std::string();
    if (!m_.shortDate.empty()) return m_.shortDate;
    // Day 0 of the virtual clock is 2026-12-07, in the US short date format.
    uint64_t day = m_.now / 86400000;
    char buf[32];
    snprintf(buf, sizeof buf, "12/%d/2026", static_cast<int>(7 + day % 24));
    return buf;
  }

  std::string LongTimeString() override {
    if (Faulted("GetTimeFormat")) return std::string();
    if (!m_.longTime.empty()) return m_.longTime;
    uint64_t s = m_.now / 1000;
    int h = static_cast<int>((s / 3600) % 24), min = static_cast<int>((s / 60) % 60),
        sec = static_cast<int>(s % 60);
    char buf[32];
    snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h % 12 == 0 ? 12 : h % 12, min, sec,
             h < 12 ? "AM" : "PM");
    return buf;
  }

  std::string ModuleFileName() override {
    return Faulted("GetModuleFileName") ? std::string() : m_.modulePath;
  }
  std::vector<std::string> CommandArgs() override { return m_.args; }

  std::optional<std::string> LoadBitmapResource(const std::string& name) override {
    if (Faulted("LoadBitmap")) return std::nullopt;
    return Find(m_.bitmapResources, name);
  }
  std::optional<std::string> LoadDataResource(const std::string& name) override {
    if (Faulted("LoadResource")) return std::nullopt;
    return Find(m_.dataResources, name);
  }

  uint32_t AnsiCodePage() override { return m_.codePage; }

 private:
  // Resource names are not case-sensitive; the maps hold them upper case.
  static std::optional<std::string> Find(const std::map<std::string, std::string>& resources,
                                         const std::string& name) {
    std::string key;
    for (char c : name) key += static_cast<char>(toupper(static_cast<unsigned char>(c)));
    auto it = resources.find(key);
    if (it == resources.end()) return std::nullopt;
    return it->second;
  }

  bool Faulted(const char* call) {
    auto e = m_.faults.Check(call);
    if (e) m_.lastError = *e;
    return e.has_value();
  }

  SimMachine& m_;
};

}  // namespace

std::unique_ptr<System> MakeSystem(SimMachine& m) { return std::make_unique<SimSystem>(m); }

}  // namespace plat::sim
