// The simulated registry over SimMachine::registry: names without regard to
// case, subkeys listed sorted, values in the order written, RegDeleteKey
// refusing a key with subkeys, handles that go stale when their key is
// deleted, and a 32-bit process on 64-bit Windows redirected into
// SOFTWARE\Wow6432Node. Open keys are counted as "registry" handles.
#include <algorithm>

#include "platform/common/text.h"
#include "platform/errors.h"
#include "platform/sim/machine.h"

namespace plat::sim {
namespace {

constexpr size_t kMaxKeyName = 256;  // longer names fail, as on Windows

std::vector<std::string> Parts(const std::string& path) {
  std::vector<std::string> out;
  for (const std::string& p : text::Split(path, '\\'))
    if (!p.empty()) out.push_back(p);
  return out;
}

SimRegKey* Child(SimRegKey& k, const std::string& name) {
  for (SimRegKey& c : k.subkeys)
    if (text::EqualNoCase(c.name, name)) return &c;
  return nullptr;
}

SimRegValue* ValueOf(SimRegKey& k, const std::string& name) {
  for (SimRegValue& v : k.values)
    if (text::EqualNoCase(v.name, name)) return &v;
  return nullptr;
}

SimRegKey& AddChild(RegistryState& r, SimRegKey& k, const std::string& name) {
  if (SimRegKey* c = Child(k, name)) return *c;
  SimRegKey c;
  c.name = name;
  c.id = r.nextId++;
  const std::string upper = text::Upper(name);
  auto at = std::find_if(k.subkeys.begin(), k.subkeys.end(),
                         [&](const SimRegKey& s) { return text::Upper(s.name) > upper; });
  return *k.subkeys.insert(at, std::move(c));
}

}  // namespace

// --- the stored tree, for tests and machine files

SimRegKey& RegistryState::Make(const std::string& path) {
  SimRegKey* k = &hklm;
  for (const std::string& p : Parts(path)) k = &AddChild(*this, *k, p);
  return *k;
}

SimRegKey* RegistryState::Find(const std::string& path) {
  SimRegKey* k = &hklm;
  for (const std::string& p : Parts(path))
    if (!(k = Child(*k, p))) return nullptr;
  return k;
}

void RegistryState::SetValue(const std::string& path, const std::string& name, uint32_t type,
                             const std::string& data) {
  SimRegKey& k = Make(path);
  if (SimRegValue* v = ValueOf(k, name)) {
    v->type = type;
    v->data = data;
  } else {
    k.values.push_back({name, type, data});
  }
}

void RegistryState::SetString(const std::string& path, const std::string& name,
                              const std::string& text) {
  SetValue(path, name, kRegSz, std::string(text.c_str(), text.size() + 1));
}

void RegistryState::SetDword(const std::string& path, const std::string& name, uint32_t value) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  SetValue(path, name, kRegDword, data);
}

bool RegistryState::Remove(const std::string& path) {
  std::vector<std::string> parts = Parts(path);
  if (parts.empty()) return false;
  const std::string last = parts.back();
  parts.pop_back();
  SimRegKey* parent = Find(text::Join(parts, "\\"));
  if (!parent) return false;
  auto it = std::find_if(parent->subkeys.begin(), parent->subkeys.end(),
                         [&](const SimRegKey& s) { return text::EqualNoCase(s.name, last); });
  if (it == parent->subkeys.end()) return false;
  parent->subkeys.erase(it);
  return true;
}

namespace {

class SimKey : public RegistryKey {
 public:
  SimKey(SimMachine& m, const char* call, std::vector<std::string> path, uint64_t id, bool full)
      : handle_(m.handles, "registry", call + ("(" + text::Join(path, "\\") + ")")),
        path(std::move(path)),
        id(id),
        full(full) {}

 private:
  CountedHandle handle_;

 public:
  std::vector<std::string> path;  // stored path of the key
  uint64_t id;
  bool full;
};

SimKey& Own(RegistryKey& k) { return static_cast<SimKey&>(k); }

class SimRegistry : public Registry {
 public:
  explicit SimRegistry(SimMachine& m) : m_(m) {}

  uint32_t OpenKey(RegistryKey* parent, const std::string& path, RegAccess access,
                   std::unique_ptr<RegistryKey>& out) override {
    if (auto e = m_.faults.Check("RegOpenKeyEx")) return *e;
    std::vector<std::string> at;
    if (uint32_t e = Start(parent, path, at)) return e;
    SimRegKey* k = Resolve(at);
    if (!k) return kErrorFileNotFound;
    out = std::make_unique<SimKey>(m_, "RegOpenKeyEx", at, k->id, access == RegAccess::Full);
    return kErrorSuccess;
  }

  uint32_t CreateKey(const std::string& path, std::unique_ptr<RegistryKey>& out) override {
    if (auto e = m_.faults.Check("RegCreateKeyEx")) return *e;
    std::vector<std::string> at;
    if (uint32_t e = Start(nullptr, path, at)) return e;
    SimRegKey* k = &m_.registry.hklm;
    for (const std::string& p : at) k = &AddChild(m_.registry, *k, p);
    out = std::make_unique<SimKey>(m_, "RegCreateKeyEx", at, k->id, true);
    return kErrorSuccess;
  }

  uint32_t ReadString(RegistryKey& key, const std::string& name, std::string& out) override {
    const SimRegValue* v = nullptr;
    if (uint32_t e = Query(key, name, v)) return e;
    if (v->type != kRegSz && v->type != kRegExpandSz) return kErrorUnsupportedType;
    out = v->data.substr(0, v->data.find('\0'));
    return kErrorSuccess;
  }

  uint32_t ReadDword(RegistryKey& key, const std::string& name, uint32_t& out) override {
    const SimRegValue* v = nullptr;
    if (uint32_t e = Query(key, name, v)) return e;
    if (v->type != kRegDword) return kErrorUnsupportedType;
    if (v->data.size() != 4) return kErrorDatatypeMismatch;
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = n << 8 | static_cast<uint8_t>(v->data[i]);
    out = n;
    return kErrorSuccess;
  }

  uint32_t WriteValue(RegistryKey& key, const std::string& name, uint32_t type,
                      const std::string& data) override {
    if (auto e = m_.faults.Check("RegSetValueEx")) return *e;
    SimRegKey* k = Live(key);
    if (!k) return kErrorKeyDeleted;
    if (!Own(key).full) return kErrorAccessDenied;
    if (SimRegValue* v = ValueOf(*k, name)) {
      v->type = type;
      v->data = data;
    } else {
      k->values.push_back({name, type, data});
    }
    return kErrorSuccess;
  }

  uint32_t DeleteValue(RegistryKey& key, const std::string& name) override {
    if (auto e = m_.faults.Check("RegDeleteValue")) return *e;
    SimRegKey* k = Live(key);
    if (!k) return kErrorKeyDeleted;
    if (!Own(key).full) return kErrorAccessDenied;
    auto it = std::find_if(k->values.begin(), k->values.end(),
                           [&](const SimRegValue& v) { return text::EqualNoCase(v.name, name); });
    if (it == k->values.end()) return kErrorFileNotFound;
    k->values.erase(it);
    return kErrorSuccess;
  }

  uint32_t ValueNames(RegistryKey& key, std::vector<std::string>& out) override {
    if (auto e = m_.faults.Check("RegEnumValue")) return *e;
    return Names(key, &SimRegKey::values, out);
  }

  uint32_t SubKeyNames(RegistryKey& key, std::vector<std::string>& out) override {
    if (auto e = m_.faults.Check("RegEnumKeyEx")) return *e;
    return Names(key, &SimRegKey::subkeys, out);
  }

  uint32_t DeleteKey(RegistryKey& parent, const std::string& name) override {
    if (auto e = m_.faults.Check("RegDeleteKey")) return *e;
    SimRegKey* p = Live(parent);
    if (!p) return kErrorKeyDeleted;
    std::vector<std::string> parts = Parts(name);
    for (const std::string& s : parts)
      if (s.size() > kMaxKeyName) return kErrorInvalidParameter;
    if (parts.empty()) return kErrorAccessDenied;  // a key does not delete itself this way
    SimRegKey* holder = p;
    for (size_t i = 0; i + 1 < parts.size(); ++i)
      if (!(holder = Child(*holder, parts[i]))) return kErrorFileNotFound;
    auto it = std::find_if(holder->subkeys.begin(), holder->subkeys.end(), [&](const SimRegKey& s) {
      return text::EqualNoCase(s.name, parts.back());
    });
    if (it == holder->subkeys.end()) return kErrorFileNotFound;
    if (!it->subkeys.empty()) return kErrorAccessDenied;
    holder->subkeys.erase(it);
    return kErrorSuccess;
  }

 private:
  // The stored path a call starts from: the parent's, or HKEY_LOCAL_MACHINE
  // with the process's view applied.
  uint32_t Start(RegistryKey* parent, const std::string& path, std::vector<std::string>& at) {
    std::vector<std::string> parts = Parts(path);
    for (const std::string& s : parts)
      if (s.size() > kMaxKeyName) return kErrorInvalidParameter;
    if (parent) {
      if (!Live(*parent)) return kErrorKeyDeleted;
      at = Own(*parent).path;
    } else if (m_.wow64) {
      SeedWow64View();
      if (!parts.empty() && text::EqualNoCase(parts[0], "SOFTWARE") &&
          (parts.size() < 2 || !text::EqualNoCase(parts[1], "Wow6432Node")))
        parts.insert(parts.begin() + 1, "Wow6432Node");
    }
    at.insert(at.end(), parts.begin(), parts.end());
    return kErrorSuccess;
  }

  // 64-bit Windows keeps the same standard keys in the 32-bit view.
  void SeedWow64View() {
    if (m_.registry.wow64ViewSeeded) return;
    m_.registry.wow64ViewSeeded = true;
    m_.registry.Make("SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    m_.registry.Make("SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
  }

  SimRegKey* Resolve(const std::vector<std::string>& path) {
    SimRegKey* k = &m_.registry.hklm;
    for (const std::string& p : path)
      if (!(k = Child(*k, p))) return nullptr;
    return k;
  }

  // The key a handle was opened on, or nullptr once it was deleted.
  SimRegKey* Live(RegistryKey& key) {
    SimRegKey* k = Resolve(Own(key).path);
    return k && k->id == Own(key).id ? k : nullptr;
  }

  uint32_t Query(RegistryKey& key, const std::string& name, const SimRegValue*& v) {
    if (auto e = m_.faults.Check("RegQueryValueEx")) return *e;
    SimRegKey* k = Live(key);
    if (!k) return kErrorKeyDeleted;
    v = ValueOf(*k, name);
    return v ? kErrorSuccess : kErrorFileNotFound;
  }

  // The names of a key's values or subkeys, in the order they are kept.
  template <typename Item>
  uint32_t Names(RegistryKey& key, std::vector<Item> SimRegKey::*items,
                 std::vector<std::string>& out) {
    SimRegKey* k = Live(key);
    if (!k) return kErrorKeyDeleted;
    out.clear();
    for (const Item& item : k->*items) out.push_back(item.name);
    return kErrorSuccess;
  }

  SimMachine& m_;
};

}  // namespace

std::unique_ptr<Registry> MakeRegistry(SimMachine& m) { return std::make_unique<SimRegistry>(m); }

}  // namespace plat::sim
