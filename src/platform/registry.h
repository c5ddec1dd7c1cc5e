// The registry below HKEY_LOCAL_MACHINE, as this process sees it: a 32-bit
// program on 64-bit Windows sees the 32-bit view, where SOFTWARE\X is stored
// as SOFTWARE\Wow6432Node\X (a path that names Wow6432Node is taken as it is).
// Every call answers a Win32 error code (0: success); out-parameters are
// untouched on failure. A key closes when its object goes.
//
//   std::unique_ptr<plat::RegistryKey> key;
//   if (plat::registry().OpenKey(nullptr, "SOFTWARE\\Microsoft", plat::RegAccess::Read, key) == 0)
//     plat::registry().SubKeyNames(*key, names);
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/object_handle.h"

namespace plat {

// The registry answers with these error codes (platform/errors.h):
// kErrorSuccess; kErrorFileNotFound; kErrorAccessDenied (also for deleting a
// key with subkeys); kErrorInvalidParameter (a name over 256 characters);
// kErrorKeyDeleted; kErrorDatatypeMismatch (a number not 4 bytes long);
// kErrorUnsupportedType (a value of another type).

enum class RegAccess { Read, Full };  // KEY_READ, KEY_ALL_ACCESS

class RegistryKey : public ObjectHandle {};  // RegCloseKey

// Value types (REG_*), as WriteValue takes them.
constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4, kRegMultiSz = 7;

class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyEx of |path| below |parent| (nullptr: HKEY_LOCAL_MACHINE, where
  // one leading backslash is dropped). A trailing backslash is allowed.
  virtual uint32_t OpenKey(RegistryKey* parent, const std::string& path, RegAccess access,
                           std::unique_ptr<RegistryKey>& out) = 0;
  // RegCreateKeyEx below HKEY_LOCAL_MACHINE with full access; missing levels are made.
  virtual uint32_t CreateKey(const std::string& path, std::unique_ptr<RegistryKey>& out) = 0;

  // A REG_SZ or REG_EXPAND_SZ value (not expanded), up to its first NUL.
  // Another type: kErrorUnsupportedType.
  virtual uint32_t ReadString(RegistryKey& key, const std::string& name, std::string& out) = 0;
  // A REG_DWORD value. Another type: kErrorUnsupportedType; not 4 bytes: kErrorDatatypeMismatch.
  virtual uint32_t ReadDword(RegistryKey& key, const std::string& name, uint32_t& out) = 0;
  // RegSetValueEx with raw data; a key opened read-only answers kErrorAccessDenied.
  virtual uint32_t WriteValue(RegistryKey& key, const std::string& name, uint32_t type,
                              const std::string& data) = 0;

  // RegDeleteValue; a key opened read-only answers kErrorAccessDenied.
  virtual uint32_t DeleteValue(RegistryKey& key, const std::string& name) = 0;

  // Names in the registry's order (values as stored, subkeys sorted).
  virtual uint32_t ValueNames(RegistryKey& key, std::vector<std::string>& out) = 0;
  virtual uint32_t SubKeyNames(RegistryKey& key, std::vector<std::string>& out) = 0;

  // RegDeleteKey: |name| below |parent|, which must have no subkeys. The
  // rights |parent| was opened with do not matter, as on Windows.
  virtual uint32_t DeleteKey(RegistryKey& parent, const std::string& name) = 0;

  // A string value with its terminating NUL.
  uint32_t WriteString(RegistryKey& key, const std::string& name, const std::string& text) {
    return WriteValue(key, name, kRegSz, std::string(text.c_str(), text.size() + 1));
  }
  uint32_t WriteDword(RegistryKey& key, const std::string& name, uint32_t value);
  // Deletes |name| below |parent| with every key below it, depth first.
  uint32_t DeleteKeyTree(RegistryKey& parent, const std::string& name);
};

}  // namespace plat
