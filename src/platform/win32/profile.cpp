// Profile files through GetPrivateProfileStringA, with the caller's buffer size.
#include <vector>

#include "platform/win32/windows_lean.h"
#include "platform/win32/win32.h"

namespace plat::win32 {
namespace {

// Splits a NUL-separated list of |count| characters (closing NUL not
// counted); an empty name ends it, as does the end of the buffer.
std::vector<std::string> SplitList(const std::vector<char>& buf, DWORD count) {
  std::vector<std::string> out;
  size_t pos = 0;
  const size_t limit = count < buf.size() ? count : buf.size();
  while (pos < limit && buf[pos] != '\0') {
    size_t e = pos;
    while (e < buf.size() && buf[e] != '\0') ++e;
    out.emplace_back(buf.data() + pos, e - pos);
    pos = e + 1;
  }
  return out;
}

class Win32Profile : public Profile {
 public:
  std::string GetString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& def, uint32_t bufferSize) override {
    if (bufferSize == 0) return {};
    std::vector<char> buf(bufferSize, '\0');
    DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf.data(),
                                         bufferSize, file.c_str());
    if (n >= bufferSize) n = bufferSize - 1;
    buf[n] = '\0';
    return std::string(buf.data());
  }

  std::vector<std::string> GetSectionNames(const std::string& file, uint32_t bufferSize) override {
    if (bufferSize == 0) return {};
    std::vector<char> buf(bufferSize, '\0');
    DWORD n =
        ::GetPrivateProfileStringA(nullptr, nullptr, "", buf.data(), bufferSize, file.c_str());
    return SplitList(buf, n);
  }

  std::vector<std::string> GetKeyNames(const std::string& file, const std::string& section,
                                       uint32_t bufferSize) override {
    if (bufferSize == 0) return {};
    std::vector<char> buf(bufferSize, '\0');
    DWORD n = ::GetPrivateProfileStringA(section.c_str(), nullptr, "", buf.data(), bufferSize,
                                         file.c_str());
    return SplitList(buf, n);
  }
};

}  // namespace

std::unique_ptr<Profile> MakeProfile() { return std::make_unique<Win32Profile>(); }

}  // namespace plat::win32
