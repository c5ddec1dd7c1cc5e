// System facts and primitives: version, language, WOW64, clock, debug output,
// last error, date/time texts, the program's own path, arguments and resources.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plat {

struct VersionInfo {
  uint32_t major = 0, minor = 0, build = 0, platformId = 0;
};

class System {
 public:
  virtual ~System() = default;

  virtual uint16_t GetSystemDefaultLangID() = 0;
  // GetVersionExA with a record of |recordSize| bytes; false when refused.
  virtual bool GetVersionEx(VersionInfo& out, uint32_t recordSize) = 0;
  // IsWow64Process for this process, looked up at run time in "kernel32";
  // nullopt when the function does not exist.
  virtual std::optional<bool> IsWow64Process() = 0;
  virtual std::string GetSystemDirectory() = 0;
  virtual std::string GetTempPath() = 0;  // with trailing backslash

  virtual void Sleep(uint32_t ms) = 0;
  virtual uint64_t TickCount() = 0;  // milliseconds

  virtual void OutputDebugString(const std::string& text) = 0;
  virtual uint32_t GetLastError() = 0;
  virtual void SetLastError(uint32_t code) = 0;

  // Current date in the system's short date format, time in its long time format.
  virtual std::string ShortDateString() = 0;
  virtual std::string LongTimeString() = 0;

  virtual std::string ModuleFileName() = 0;            // full path of the program
  virtual std::vector<std::string> CommandArgs() = 0;  // arguments 1..N
  // A bitmap resource of the program (the .bmp file bytes, header included).
  virtual std::optional<std::string> LoadBitmapResource(const std::string& name) = 0;
  // A data resource (RT_RCDATA) of the program, its bytes as stored.
  virtual std::optional<std::string> LoadDataResource(const std::string& name) = 0;
  // The ANSI code page the 8-bit texts are in (1252, 936, 950, ...).
  virtual uint32_t AnsiCodePage() = 0;
};

}  // namespace plat
