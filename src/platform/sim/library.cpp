// The simulated libraries. Any file of the sandbox loads; one that is not an
// ActiveX control (".ocx") is the helper library, 64-bit when its file name
// holds "64", and loads only while that architecture's helper is present.
// Its search works over the machine's present devices. Every load, release
// and call goes to the transcript as a "library" event, e.g.
// "FuncFindExistDevice(VelmarVP-210)".
#include <sys/stat.h>

#include <algorithm>

#include "platform/common/text.h"
#include "platform/errors.h"
#include "platform/sim/device_rules.h"
#include "platform/sim/machine.h"

namespace plat::sim {
namespace {

constexpr int32_t kENotImpl = static_cast<int32_t>(0x80004001);

const char* const kHelperExports[] = {"FuncDrvKit", "FuncFindExistDevice", "RefreshHW",
                                      "LastInstallErrorCode", "ShowErrorCode"};

bool IsFile(const std::string& hostPath) {
  struct stat st;
  return stat(hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string FileNameOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

class SimLibrary : public Library {
 public:
  SimLibrary(SimMachine& m, std::string path, bool helper)
      : m_(m),
        counted_(m.handles, "library", "LoadLibrary(" + path + ")"),
        path_(std::move(path)),
        helper_(helper) {
    m_.Record("library", "LoadLibrary(" + path_ + ")");
  }
  ~SimLibrary() override { m_.Record("library", "FreeLibrary(" + path_ + ")"); }

  bool HasExport(const std::string& name) override {
    if (auto e = m_.faults.Check("GetProcAddress")) {
      m_.lastError = *e;
      return false;
    }
    return Exports(name);
  }

  // Whether the library has the export, as the sim itself asks it.
  bool Exports(const std::string& name) const {
    const auto& missing = m_.devices.missingExports;
    if (std::find(missing.begin(), missing.end(), name) != missing.end()) return false;
    if (name == "DllRegisterServer") return !helper_;
    if (!helper_) return false;
    return std::find(std::begin(kHelperExports), std::end(kHelperExports), name) !=
           std::end(kHelperExports);
  }

  uint32_t FuncFindExistDevice(const std::string& hwid, char* deviceId, char* portInfo) override {
    if (!Exports("FuncFindExistDevice")) return 0;
    m_.Record("library", "FuncFindExistDevice(" + hwid + ")");
    if (Faulted("FuncFindExistDevice")) return 0;
    for (const SimDevice& d : m_.devices.devices) {
      if (!d.visible || d.afterRefresh || !devrules::MatchesTail(d.hardwareId, hwid)) continue;
      devrules::CopyText(deviceId, d.deviceId);
      devrules::CopyText(portInfo, d.portInfo);
      return m_.devices.answerHighBits | 1u;
    }
    return m_.devices.answerHighBits;
  }

  void RefreshHW() override {
    if (!Exports("RefreshHW")) return;
    m_.Record("library", "RefreshHW()");
    if (Faulted("RefreshHW")) return;
    for (SimDevice& d : m_.devices.devices) d.afterRefresh = false;
  }

  int32_t FuncDrvKit(const std::string& inf, const std::string& hwid, const std::string& port,
                     uintptr_t window) override {
    if (!Exports("FuncDrvKit")) return 0;
    m_.Record("library", "FuncDrvKit(" + inf + ", " + hwid + ", " + port + ", " +
                             std::to_string(window) + ")");
    // A failing install leaves its code for LastInstallErrorCode, as the library does.
    if (auto e = m_.faults.Check("FuncDrvKit")) {
      m_.devices.lastErrorCode = *e;
      return 2;
    }
    const std::string& driver = m_.devices.installsDriver;
    if (m_.devices.installResult <= 1 && !driver.empty() &&
        std::none_of(m_.spooler.drivers.begin(), m_.spooler.drivers.end(),
                     [&](const std::string& d) { return text::EqualNoCase(d, driver); }))
      m_.spooler.drivers.push_back(driver);
    return m_.devices.installResult;
  }

  uint32_t LastInstallErrorCode() override {
    if (!Exports("LastInstallErrorCode")) return 0;
    m_.Record("library", "LastInstallErrorCode()");
    if (auto e = m_.faults.Check("LastInstallErrorCode")) return *e;
    return m_.devices.lastErrorCode;
  }

  void ShowErrorCode(int32_t show) override {
    if (!Exports("ShowErrorCode")) return;
    m_.Record("library", "ShowErrorCode(" + std::to_string(show) + ")");
    if (Faulted("ShowErrorCode")) return;
    m_.devices.showErrors = show != 0;
  }

  int32_t DllRegisterServer() override {
    if (!Exports("DllRegisterServer")) return kENotImpl;
    m_.Record("library", "DllRegisterServer(" + path_ + ")");
    if (auto error = m_.faults.Check("DllRegisterServer")) return static_cast<int32_t>(*error);
    return 0;
  }

 private:
  bool Faulted(const char* call) {
    auto e = m_.faults.Check(call);
    if (e) m_.lastError = *e;
    return e.has_value();
  }

  SimMachine& m_;
  CountedHandle counted_;
  std::string path_;
  bool helper_;
};

class SimLibraries : public Libraries {
 public:
  explicit SimLibraries(SimMachine& m) : m_(m) {}

  std::unique_ptr<Library> Load(const std::string& path) override {
    if (auto error = m_.faults.Check("LoadLibrary")) {
      m_.lastError = *error;
      return nullptr;
    }
    std::string name = text::Lower(FileNameOf(path));
    bool helper = !(name.size() > 4 && name.compare(name.size() - 4, 4, ".ocx") == 0);
    bool present =
        name.find("64") != std::string::npos ? m_.devices.present64 : m_.devices.present32;
    if (path.empty() || !IsFile(m_.HostPath(path)) || (helper && !present)) {
      m_.lastError = kErrorModNotFound;
      return nullptr;
    }
    return std::make_unique<SimLibrary>(m_, m_.FullPath(path), helper);
  }

 private:
  SimMachine& m_;
};

}  // namespace

std::unique_ptr<Libraries> MakeLibraries(SimMachine& m) {
  return std::make_unique<SimLibraries>(m);
}

}  // namespace plat::sim
