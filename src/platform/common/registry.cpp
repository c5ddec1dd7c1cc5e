// What both registry backends share: typed writes and the depth-first tree
// delete built on RegDeleteKey, which refuses a key that still has subkeys.
#include "platform/registry.h"
#include "platform/errors.h"

namespace plat {

uint32_t Registry::WriteDword(RegistryKey& key, const std::string& name, uint32_t value) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return WriteValue(key, name, kRegDword, data);
}

uint32_t Registry::DeleteKeyTree(RegistryKey& parent, const std::string& name) {
  // An empty name would open |parent| itself and empty it.
  if (name.find_first_not_of('\\') == std::string::npos) return kErrorInvalidParameter;
  {
    std::unique_ptr<RegistryKey> key;
    if (uint32_t e = OpenKey(&parent, name, RegAccess::Read, key)) return e;
    std::vector<std::string> children;
    if (uint32_t e = SubKeyNames(*key, children)) return e;
    for (const std::string& child : children)
      if (uint32_t e = DeleteKeyTree(*key, child)) return e;
  }  // closed before the key itself goes
  return DeleteKey(parent, name);
}

}  // namespace plat
