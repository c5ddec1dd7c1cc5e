// Files over the A functions of kernel32.
#include "platform/win32/windows_lean.h"

#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32.h"

namespace plat::win32 {
namespace {

uint64_t Both(DWORD high, DWORD low) { return static_cast<uint64_t>(high) << 32 | low; }

FileStamp Stamp(DWORD sizeHigh, DWORD sizeLow, const FILETIME& written, const FILETIME& created) {
  FileStamp s;
  s.size = Both(sizeHigh, sizeLow);
  s.writeTime = Both(written.dwHighDateTime, written.dwLowDateTime);
  s.extra = Both(created.dwHighDateTime, created.dwLowDateTime);
  return s;
}

// GetFileInformationByHandle would also do, but costs several times more.
std::optional<FileStamp> StampOf(HANDLE h) {
  DWORD high = 0;
  const DWORD low = ::GetFileSize(h, &high);
  if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return std::nullopt;
  FILETIME created, written;
  if (!::GetFileTime(h, &created, nullptr, &written)) return std::nullopt;
  return Stamp(high, low, written, created);
}

class Win32Files : public Files {
 public:
  bool FileExists(const std::string& path) override {
    DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool DirectoryExists(const std::string& path) override {
    DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }

  std::optional<std::string> ReadFile(const std::string& path,
                                      std::optional<FileStamp>* stamp = nullptr) override {
    const ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    const HANDLE h = file.Get();
    const std::optional<FileStamp> before = stamp ? StampOf(h) : std::nullopt;
    std::string data;
    DWORD high = 0;
    const DWORD low = ::GetFileSize(h, &high);
    if (low != INVALID_FILE_SIZE && high == 0) data.reserve(low);
    char buf[65536];
    DWORD got = 0;
    bool ok = true;
    for (;;) {
      if (!::ReadFile(h, buf, sizeof buf, &got, nullptr)) {
        ok = false;
        break;
      }
      if (got == 0) break;
      data.append(buf, got);
    }
    if (!ok) return std::nullopt;  // the read's error stays the last one
    if (stamp) {
      const std::optional<FileStamp> after = StampOf(h);
      *stamp = before && after && *before == *after ? after : std::nullopt;
    }
    return data;
  }

  std::optional<FileStamp> GetFileStamp(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return std::nullopt;
    if (a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return Stamp(a.nFileSizeHigh, a.nFileSizeLow, a.ftLastWriteTime, a.ftCreationTime);
  }

  bool WriteFile(const std::string& path, const std::string& data) override {
    const ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD put = 0;
    BOOL ok = data.empty() ||
              ::WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &put, nullptr);
    return ok && put == data.size();
  }

  bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override {
    return ::CopyFileA(from.c_str(), to.c_str(), failIfExists) != FALSE;
  }

  bool DeleteFile(const std::string& path) override { return ::DeleteFileA(path.c_str()) != FALSE; }

  bool CreateDirectory(const std::string& path) override {
    return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
  }

  bool RemoveDirectory(const std::string& path) override {
    return ::RemoveDirectoryA(path.c_str()) != FALSE;
  }

  std::vector<std::string> FindFiles(const std::string& pattern) override {
    std::vector<std::string> out;
    WIN32_FIND_DATAA fd;
    const ScopedFindHandle find(::FindFirstFileA(pattern.c_str(), &fd));
    if (!find) return out;
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(fd.cFileName);
    } while (::FindNextFileA(find.Get(), &fd));
    return out;
  }

  std::string GetFullPathName(const std::string& path) override {
    char buf[MAX_PATH * 4] = {};
    char* file = nullptr;
    DWORD n = ::GetFullPathNameA(path.c_str(), sizeof buf, buf, &file);
    if (n == 0 || n >= sizeof buf) return path;
    return buf;
  }

  std::string GetCurrentDirectory() override {
    char buf[MAX_PATH * 4] = {};
    DWORD n = ::GetCurrentDirectoryA(sizeof buf, buf);
    return n && n < sizeof buf ? std::string(buf) : std::string();
  }
};

}  // namespace

std::unique_ptr<Files> MakeFiles() { return std::make_unique<Win32Files>(); }

}  // namespace plat::win32
