// The registry over advapi32's A functions, all present on Windows 2000. No
// view flags: a 32-bit program on 64-bit Windows gets the 32-bit view from the
// system's own redirection, which is the view the installer means.
#include "platform/errors.h"
#include "platform/win32/windows_lean.h"

#include <vector>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32.h"

namespace plat::win32 {
namespace {

using Win32Key = HandleObject<RegistryKey, RegistryKeyTraits>;
HKEY Raw(RegistryKey& k) { return Win32Key::Of(k); }

// Names longer than this (in bytes of the code page) are not expected; the
// buffer grows up to it when the system asks for more.
constexpr DWORD kNameLimit = 1 << 20;

class Win32Registry : public Registry {
 public:
  uint32_t OpenKey(RegistryKey* parent, const std::string& path, RegAccess access,
                   std::unique_ptr<RegistryKey>& out) override {
    HKEY base = parent ? Raw(*parent) : HKEY_LOCAL_MACHINE;
    const char* sub = path.c_str();
    if (!parent && *sub == '\\') ++sub;
    HKEY h = nullptr;
    LONG r =
        ::RegOpenKeyExA(base, sub, 0, access == RegAccess::Full ? KEY_ALL_ACCESS : KEY_READ, &h);
    if (r != ERROR_SUCCESS) return static_cast<uint32_t>(r);
    out = std::make_unique<Win32Key>(h);
    return kErrorSuccess;
  }

  uint32_t CreateKey(const std::string& path, std::unique_ptr<RegistryKey>& out) override {
    const char* sub = path.c_str();
    if (*sub == '\\') ++sub;
    HKEY h = nullptr;
    DWORD disposition = 0;
    LONG r = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, sub, 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &h, &disposition);
    if (r != ERROR_SUCCESS) return static_cast<uint32_t>(r);
    out = std::make_unique<Win32Key>(h);
    return kErrorSuccess;
  }

  uint32_t ReadString(RegistryKey& key, const std::string& name, std::string& out) override {
    DWORD type = 0;
    std::string data;
    if (uint32_t e = Query(key, name, type, data)) return e;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return kErrorUnsupportedType;
    out = data.substr(0, data.find('\0'));
    return kErrorSuccess;
  }

  uint32_t ReadDword(RegistryKey& key, const std::string& name, uint32_t& out) override {
    DWORD type = 0;
    std::string data;
    if (uint32_t e = Query(key, name, type, data)) return e;
    if (type != REG_DWORD) return kErrorUnsupportedType;
    if (data.size() != 4) return kErrorDatatypeMismatch;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(data[i]);
    out = v;
    return kErrorSuccess;
  }

  uint32_t WriteValue(RegistryKey& key, const std::string& name, uint32_t type,
                      const std::string& data) override {
    return static_cast<uint32_t>(::RegSetValueExA(Raw(key), name.c_str(), 0, type,
                                                  reinterpret_cast<const BYTE*>(data.data()),
                                                  static_cast<DWORD>(data.size())));
  }

  uint32_t DeleteValue(RegistryKey& key, const std::string& name) override {
    return static_cast<uint32_t>(::RegDeleteValueA(Raw(key), name.c_str()));
  }

  uint32_t ValueNames(RegistryKey& key, std::vector<std::string>& out) override {
    return Enumerate(out, 16384 + 1, [&](DWORD i, char* buf, DWORD* len) {
      return ::RegEnumValueA(Raw(key), i, buf, len, nullptr, nullptr, nullptr, nullptr);
    });
  }

  uint32_t SubKeyNames(RegistryKey& key, std::vector<std::string>& out) override {
    return Enumerate(out, 256 + 1, [&](DWORD i, char* buf, DWORD* len) {
      return ::RegEnumKeyExA(Raw(key), i, buf, len, nullptr, nullptr, nullptr, nullptr);
    });
  }

  uint32_t DeleteKey(RegistryKey& parent, const std::string& name) override {
    return static_cast<uint32_t>(::RegDeleteKeyA(Raw(parent), name.c_str()));
  }

 private:
  // The value's type and bytes; the size is asked first, and asked again if
  // the value grew in between.
  static uint32_t Query(RegistryKey& key, const std::string& name, DWORD& type, std::string& data) {
    DWORD size = 0;
    LONG r = ::RegQueryValueExA(Raw(key), name.c_str(), nullptr, &type, nullptr, &size);
    for (int attempt = 0; r == ERROR_SUCCESS && attempt < 4; ++attempt) {
      std::vector<BYTE> buf(size + 1);
      DWORD got = size;
      r = ::RegQueryValueExA(Raw(key), name.c_str(), nullptr, &type, buf.data(), &got);
      if (r == ERROR_SUCCESS) {
        data.assign(reinterpret_cast<const char*>(buf.data()), got);
        return kErrorSuccess;
      }
      if (r == ERROR_MORE_DATA) {
        size = got;
        r = ERROR_SUCCESS;
      }
    }
    return r == ERROR_SUCCESS ? static_cast<uint32_t>(ERROR_MORE_DATA) : static_cast<uint32_t>(r);
  }

  // Index by index until ERROR_NO_MORE_ITEMS; a name that does not fit
  // doubles the buffer (a 255-character name in a double-byte code page).
  template <typename Fn>
  static uint32_t Enumerate(std::vector<std::string>& out, DWORD start, Fn enumAt) {
    std::vector<std::string> names;
    std::vector<char> buf(start);
    for (DWORD i = 0;;) {
      DWORD len = static_cast<DWORD>(buf.size());
      LONG r = enumAt(i, buf.data(), &len);
      if (r == ERROR_NO_MORE_ITEMS) break;
      if (r == ERROR_MORE_DATA && buf.size() < kNameLimit) {
        buf.resize(buf.size() * 2);
        continue;
      }
      if (r != ERROR_SUCCESS) return static_cast<uint32_t>(r);
      names.emplace_back(buf.data(), len);
      ++i;
    }
    out = std::move(names);
    return kErrorSuccess;
  }
};

}  // namespace

std::unique_ptr<Registry> MakeRegistry() { return std::make_unique<Win32Registry>(); }

}  // namespace plat::win32
