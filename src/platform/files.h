// Files with Windows paths: existence, whole-file read and write, copy,
// delete, find by pattern, full paths and the current directory.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace plat {

class Files {
 public:
  virtual ~Files() = default;

  virtual bool FileExists(const std::string& path) = 0;  // a file, not a folder
  virtual bool DirectoryExists(const std::string& path) = 0;
  virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
  virtual bool WriteFile(const std::string& path, const std::string& data) = 0;
  virtual bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  virtual bool CreateDirectory(const std::string& path) = 0;
  // Names (no folder) of the files matching a pattern such as "C:\WINDOWS\inf\oem*.inf".
  virtual std::vector<std::string> FindFiles(const std::string& pattern) = 0;
  virtual std::string GetFullPathName(const std::string& path) = 0;
  virtual std::string GetCurrentDirectory() = 0;
};

}  // namespace plat
