// Simulated files: real files below the sandbox, reached by Windows paths.
#include <dirent.h>
#include <errno.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/common/text.h"
#include "platform/errors.h"
#include "platform/sim/machine.h"

namespace plat::sim {
namespace {

class SimFiles : public Files {
 public:
  explicit SimFiles(SimMachine& m) : m_(m) {}

  bool FileExists(const std::string& path) override {
    if (Faulted("GetFileAttributes")) return false;
    return IsFile(path);
  }

  bool DirectoryExists(const std::string& path) override {
    if (Faulted("GetFileAttributes")) return false;
    if (path.empty()) return false;
    struct stat st;
    return stat(m_.HostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  std::optional<std::string> ReadFile(const std::string& path,
                                      std::optional<FileStamp>* stamp = nullptr) override {
    if (auto e = m_.faults.Check("ReadFile")) {
      m_.lastError = *e;
      return std::nullopt;
    }
    if (!IsFile(path)) {
      m_.lastError = kErrorFileNotFound;
      return std::nullopt;
    }
    std::ifstream in(m_.HostPath(path), std::ios::binary);
    if (!in) {
      m_.lastError = 5;  // ERROR_ACCESS_DENIED
      return std::nullopt;
    }
    const std::optional<FileStamp> before = stamp ? Stamp(path) : std::nullopt;
    std::string data;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0)
      data.append(buf, static_cast<size_t>(in.gcount()));
    if (stamp) {
      const std::optional<FileStamp> after = Stamp(path);
      *stamp = before && after && *before == *after ? after : std::nullopt;
    }
    return data;
  }

  std::optional<FileStamp> GetFileStamp(const std::string& path) override {
    if (Faulted("GetFileAttributesEx")) return std::nullopt;
    return Stamp(path);
  }

  std::optional<FileStamp> Stamp(const std::string& path) {
    if (path.empty()) return std::nullopt;
    struct stat st;
    if (stat(m_.HostPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    FileStamp s;
    s.size = static_cast<uint64_t>(st.st_size);
    s.writeTime = static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
                  static_cast<uint64_t>(st.st_mtim.tv_nsec);
    // A rewrite within one tick of the clock still moves the change time or the inode.
    s.extra = (static_cast<uint64_t>(st.st_ctim.tv_sec) * 1000000000u +
               static_cast<uint64_t>(st.st_ctim.tv_nsec)) ^
              (static_cast<uint64_t>(st.st_ino) << 1);
    return s;
  }

  bool WriteFile(const std::string& path, const std::string& data) override {
    if (auto e = m_.faults.Check("WriteFile")) {
      m_.lastError = *e;
      return false;
    }
    const bool existed = IsFile(path);
    std::ofstream out(m_.HostPath(path), std::ios::binary | std::ios::trunc);
    if (!out) {
      m_.lastError = kErrorPathNotFound;
      return false;
    }
    if (!existed) m_.NoteCreated(path);
    out << data;
    return static_cast<bool>(out);
  }

  bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override {
    if (Faulted("CopyFile")) return false;
    if (failIfExists && IsFile(to)) {
      m_.lastError = kErrorFileExists;
      return false;
    }
    if (!IsFile(from)) {
      m_.lastError = kErrorFileNotFound;
      return false;
    }
    const bool existed = IsFile(to);
    std::ifstream in(m_.HostPath(from), std::ios::binary);
    std::ofstream out(m_.HostPath(to), std::ios::binary | std::ios::trunc);
    if (!in || !out) {
      m_.lastError = kErrorPathNotFound;
      return false;
    }
    if (!existed) m_.NoteCreated(to);
    out << in.rdbuf();
    return static_cast<bool>(out);
  }

  bool DeleteFile(const std::string& path) override {
    if (Faulted("DeleteFile")) return false;
    if (!IsFile(path)) {
      m_.lastError = kErrorFileNotFound;
      return false;
    }
    return unlink(m_.HostPath(path).c_str()) == 0;
  }

  bool CreateDirectory(const std::string& path) override {
    if (Faulted("CreateDirectory")) return false;
    if (mkdir(m_.HostPath(path).c_str(), 0755) != 0) return false;
    m_.NoteCreated(path);
    return true;
  }

  bool RemoveDirectory(const std::string& path) override {
    if (rmdir(m_.HostPath(path).c_str()) == 0) return true;
    m_.lastError = errno == ENOTEMPTY ? 145 : kErrorFileNotFound;  // ERROR_DIR_NOT_EMPTY
    return false;
  }

  std::vector<std::string> FindFiles(const std::string& pattern) override {
    if (Faulted("FindFirstFile")) return {};
    std::string full = m_.FullPath(pattern);
    size_t slash = full.rfind('\\');
    std::string folder = full.substr(0, slash);
    std::string mask = text::Lower(full.substr(slash + 1));
    std::vector<std::string> out;
    if (DIR* d = opendir(m_.HostPath(folder).c_str())) {
      while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (fnmatch(mask.c_str(), text::Lower(name).c_str(), 0) == 0) out.push_back(name);
      }
      closedir(d);
    }
    return out;
  }

  std::string GetFullPathName(const std::string& path) override {
    return Faulted("GetFullPathName") ? std::string() : m_.FullPath(path);
  }
  std::string GetCurrentDirectory() override {
    return Faulted("GetCurrentDirectory") ? std::string() : m_.currentDirectory;
  }

 private:
  bool Faulted(const char* call) {
    auto e = m_.faults.Check(call);
    if (e) m_.lastError = *e;
    return e.has_value();
  }

  // The sim's own look-ups, which count as no call of the program's.
  bool IsFile(const std::string& path) {
    if (path.empty()) return false;
    struct stat st;
    return stat(m_.HostPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  SimMachine& m_;
};

}  // namespace

std::unique_ptr<Files> MakeFiles(SimMachine& m) { return std::make_unique<SimFiles>(m); }

}  // namespace plat::sim
