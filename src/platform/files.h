// Files with Windows paths: existence, whole-file read and write, copy,
// delete, find by pattern, full paths and the current directory.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plat {

// What tells one version of a file from the next: its size and last write
// time, and where the file system keeps more (an identity, a change time),
// that too. Equal stamps mean unchanged as far as the system can tell.
struct FileStamp {
  uint64_t size = 0, writeTime = 0, extra = 0;
  bool operator==(const FileStamp&) const = default;
};

class Files {
 public:
  virtual ~Files() = default;

  virtual bool FileExists(const std::string& path) = 0;  // a file, not a folder
  virtual bool DirectoryExists(const std::string& path) = 0;
  // With |stamp|, also the stamp of the bytes read; nullopt there when the
  // file changed while it was read.
  virtual std::optional<std::string> ReadFile(const std::string& path,
                                              std::optional<FileStamp>* stamp = nullptr) = 0;
  // nullopt for a folder or a missing file.
  virtual std::optional<FileStamp> GetFileStamp(const std::string& path) = 0;
  virtual bool WriteFile(const std::string& path, const std::string& data) = 0;
  virtual bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  virtual bool CreateDirectory(const std::string& path) = 0;
  virtual bool RemoveDirectory(const std::string& path) = 0;  // an empty one
  // Names (no folder) of the files matching a pattern such as "C:\WINDOWS\inf\oem*.inf".
  virtual std::vector<std::string> FindFiles(const std::string& pattern) = 0;
  virtual std::string GetFullPathName(const std::string& path) = 0;
  virtual std::string GetCurrentDirectory() = 0;
};

}  // namespace plat
