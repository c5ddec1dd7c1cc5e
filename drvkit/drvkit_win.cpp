// The open helper library (drvkit.dll on i686, drvkit64.dll on x64): installs
// the printer driver of the model whose hardware ID matches from the model's
// INF, for the environment of the process it runs in, and finds present
// printers through SetupAPI. The spooler's and SetupAPI's DLLs are not pinned
// to the system folder on every Windows: they are loaded by their full path
// there, never from the medium or the current directory.
#include "platform/win32/windows_lean.h"
#include <cfgmgr32.h>
#include <setupapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "drvkit/driver_plan.h"
#include "drvkit/exports.h"
#include "drvkit/inf_file.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/system_library.h"

namespace {

using plat::win32::ProcOf;
using plat::win32::SystemLibrary;
using ScopedFile = plat::win32::ScopedObject<plat::win32::KernelHandleTraits>;
using ScopedFind = plat::win32::ScopedObject<plat::win32::FindHandleTraits>;
using ScopedKey = plat::win32::ScopedObject<plat::win32::RegistryKeyTraits>;

// The program loads the library for each call: what ShowErrorCode switched
// must outlive the load, so it is kept in the process's environment.
constexpr char kShowErrorsVariable[] = "DRVKIT_SHOW_ERRORS";
constexpr int kInstalled = 0, kAlreadyInstalled = 1, kFailed = 2;
constexpr size_t kTextSize = 260;  // FuncFindExistDevice's buffers

DWORD g_lastError = 0;

#ifdef _WIN64
constexpr drvkit::Arch kArch = drvkit::Arch::kAmd64;
#else
constexpr drvkit::Arch kArch = drvkit::Arch::kX86;
#endif

void Debug(const std::string& line) { ::OutputDebugStringA(("drvkit: " + line).c_str()); }

std::string Hex(DWORD code) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(code));
  return buf;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsFile(const std::string& path) {
  DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Up to |limit| bytes of a file; false with the system's last error.
bool ReadBytes(const std::string& path, std::string& out, size_t limit = 64u << 20) {
  ScopedFile f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                             nullptr));
  if (!f) return false;
  out.clear();
  char buf[16384];
  DWORD got = 0;
  while (out.size() < limit && ::ReadFile(f.Get(), buf, sizeof buf, &got, nullptr) && got > 0)
    out.append(buf, got);
  if (out.size() > limit) out.resize(limit);
  return true;
}

bool SameContent(const std::string& a, const std::string& b) {
  std::string x, y;
  return ReadBytes(a, x) && ReadBytes(b, y) && x == y;
}

std::string WindowsFolder() {
  char dir[MAX_PATH + 1] = {};
  UINT n = ::GetWindowsDirectoryA(dir, MAX_PATH);
  return n == 0 || n > MAX_PATH ? std::string() : std::string(dir, n);
}

std::string SystemFolder() {
  char dir[MAX_PATH + 1] = {};
  UINT n = ::GetSystemDirectoryA(dir, MAX_PATH);
  return n == 0 || n > MAX_PATH ? std::string() : std::string(dir, n);
}

// The driver cache of Windows 2000 and XP (its architecture's folder below
// it holds driver.cab): where the Setup key's DriverCachePath says, since an
// administrator or an image may have moved it, else "<windows>\Driver Cache".
std::string DriverCacheFolder(const std::string& windows) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup", 0,
                      KEY_QUERY_VALUE, &raw) == ERROR_SUCCESS) {
    ScopedKey key(raw);
    char value[MAX_PATH + 1] = {}, expanded[MAX_PATH + 1] = {};
    DWORD type = 0, size = MAX_PATH;
    if (::RegQueryValueExA(key.Get(), "DriverCachePath", nullptr, &type,
                           reinterpret_cast<LPBYTE>(value), &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && value[0]) {
      const DWORD n = ::ExpandEnvironmentStringsA(value, expanded, MAX_PATH);
      std::string path = n > 0 && n <= MAX_PATH ? std::string(expanded) : std::string();
      while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
      if (!path.empty()) return path;
    }
  }
  return windows + "\\Driver Cache";
}

// The spooler's functions, from winspool.drv of the system folder.
struct Spooler {
  using GetDriverDirectoryFn = BOOL(WINAPI*)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD);
  using AddDriverExFn = BOOL(WINAPI*)(LPSTR, DWORD, LPBYTE, DWORD);
  using EnumDriversFn = BOOL(WINAPI*)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
  using DeleteDriverFn = BOOL(WINAPI*)(LPSTR, LPSTR, LPSTR);
  using AddMonitorFn = BOOL(WINAPI*)(LPSTR, DWORD, LPBYTE);
  HMODULE module = SystemLibrary("winspool.drv");
  GetDriverDirectoryFn getDriverDirectory =
      ProcOf<GetDriverDirectoryFn>(module, "GetPrinterDriverDirectoryA");
  AddDriverExFn addDriverEx = ProcOf<AddDriverExFn>(module, "AddPrinterDriverExA");
  EnumDriversFn enumDrivers = ProcOf<EnumDriversFn>(module, "EnumPrinterDriversA");
  DeleteDriverFn deleteDriver = ProcOf<DeleteDriverFn>(module, "DeletePrinterDriverA");
  AddMonitorFn addMonitor = ProcOf<AddMonitorFn>(module, "AddMonitorA");
  bool Ok() const { return getDriverDirectory && addDriverEx && enumDrivers && deleteDriver; }
};

// What the spooler holds of one driver (level 3), paths as it answers them.
struct InstalledDriver {
  std::string environment, driverPath, dataFile, configFile, helpFile;
  std::vector<std::string> dependentFiles;
};

bool FindDriver(const Spooler& s, const std::string& env, const std::string& name,
                InstalledDriver& out) {
  DWORD needed = 0, count = 0;
  std::string e = env;
  s.enumDrivers(nullptr, &e[0], 3, nullptr, 0, &needed, &count);
  if (needed == 0) return false;
  std::vector<BYTE> buf(needed);
  if (!s.enumDrivers(nullptr, &e[0], 3, buf.data(), needed, &needed, &count)) return false;
  const auto* info = reinterpret_cast<const DRIVER_INFO_3A*>(buf.data());
  auto text = [](const char* p) { return p ? std::string(p) : std::string(); };
  for (DWORD i = 0; i < count; ++i) {
    if (!drvkit::EqualNoCase(text(info[i].pName), name)) continue;
    out.environment = text(info[i].pEnvironment);
    out.driverPath = text(info[i].pDriverPath);
    out.dataFile = text(info[i].pDataFile);
    out.configFile = text(info[i].pConfigFile);
    out.helpFile = text(info[i].pHelpFile);
    for (const char* p = info[i].pDependentFiles; p && *p; p += strlen(p) + 1)
      out.dependentFiles.push_back(p);
    return true;
  }
  return false;
}

// Where the files of the system's printer INF (the PostScript or Unidrv
// core) are on this system: installed already beside other drivers, in the
// driver store (Vista and later), unpacked in the driver cache, or packed in
// its cabinets (Windows 2000 and XP: driver.cab, newer versions in the
// service pack's sp*.cab), unpacked then into a folder of our own for this
// installation and removed with it.
class CoreFiles {
 public:
  CoreFiles(const std::string& driverDir, std::vector<std::string> names)
      : driverDir_(driverDir), names_(std::move(names)) {}
  ~CoreFiles() {
    for (const std::string& f : unpacked_) ::DeleteFileA(f.c_str());
    if (!folder_.empty()) ::RemoveDirectoryA(folder_.c_str());
  }
  CoreFiles(const CoreFiles&) = delete;
  CoreFiles& operator=(const CoreFiles&) = delete;

  // The file's full path; empty when the system has none.
  std::string Find(const std::string& name) {
    const bool x64 = kArch == drvkit::Arch::kAmd64;
    const std::string windows = WindowsFolder();
    std::vector<std::string> candidates{driverDir_ + "\\3\\" + name};
    const std::string store = windows + "\\System32\\DriverStore\\FileRepository\\";
    WIN32_FIND_DATAA found;
    ScopedFind find(::FindFirstFileA(
        (store + (x64 ? "ntprint.inf_amd64_*" : "ntprint.inf_x86_*")).c_str(), &found));
    if (find && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      candidates.push_back(store + found.cFileName + (x64 ? "\\Amd64\\" : "\\I386\\") + name);
    const std::string cache = DriverCacheFolder(windows) + "\\" + (x64 ? "amd64" : "i386");
    candidates.push_back(cache + "\\" + name);
    for (const std::string& c : candidates)
      if (IsFile(c)) return c;
    if (!triedCabinets_) Unpack(cache);
    const std::string unpacked = folder_.empty() ? std::string() : folder_ + "\\" + name;
    return !unpacked.empty() && IsFile(unpacked) ? unpacked : std::string();
  }

 private:
  static UINT CALLBACK OnCabinetFile(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) {
    auto* self = static_cast<CoreFiles*>(context);
    if (notification == SPFILENOTIFY_FILEINCABINET) {
      auto* info = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
      const std::string name = NameOf(info->NameInCabinet);
      for (const std::string& wanted : self->names_) {
        const std::string target = self->folder_ + "\\" + wanted;
        if (!drvkit::EqualNoCase(wanted, name) || IsFile(target) || target.size() >= MAX_PATH)
          continue;
        memcpy(info->FullTargetName, target.c_str(), target.size() + 1);
        return FILEOP_DOIT;
      }
      return FILEOP_SKIP;
    }
    if (notification == SPFILENOTIFY_FILEEXTRACTED) {
      auto* paths = reinterpret_cast<FILEPATHS_A*>(param1);
      if (paths->Target) self->unpacked_.push_back(paths->Target);
      return NO_ERROR;
    }
    // One cabinet at a time: a file continued in the next is not taken.
    return notification == SPFILENOTIFY_NEEDNEWCABINET ? ERROR_FILE_NOT_FOUND : NO_ERROR;
  }

  void Unpack(const std::string& cache) {
    triedCabinets_ = true;
    using IterateFn = BOOL(WINAPI*)(PCSTR, DWORD, PSP_FILE_CALLBACK_A, PVOID);
    auto iterate = ProcOf<IterateFn>(SystemLibrary("setupapi.dll"), "SetupIterateCabinetA");
    if (!iterate) return;
    // The service packs' cabinets first (the newest name first), then driver.cab.
    std::vector<std::string> cabinets;
    WIN32_FIND_DATAA found;
    ScopedFind find(::FindFirstFileA((cache + "\\sp*.cab").c_str(), &found));
    for (bool more = find.IsValid(); more; more = ::FindNextFileA(find.Get(), &found))
      cabinets.push_back(found.cFileName);
    std::sort(cabinets.rbegin(), cabinets.rend());
    cabinets.push_back("driver.cab");
    char temp[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathA(MAX_PATH, temp);
    if (n == 0 || n > MAX_PATH) return;
    char name[64];
    snprintf(name, sizeof name, "drvkit-%lu-%lu",
             static_cast<unsigned long>(::GetCurrentProcessId()),
             static_cast<unsigned long>(::GetTickCount()));
    folder_ = std::string(temp, n) + name;
    if (!::CreateDirectoryA(folder_.c_str(), nullptr)) {
      folder_.clear();
      return;
    }
    for (const std::string& cab : cabinets) {
      const std::string path = cache + "\\" + cab;
      if (IsFile(path)) iterate(path.c_str(), 0, &CoreFiles::OnCabinetFile, this);
    }
  }

  std::string driverDir_;
  std::vector<std::string> names_;
  bool triedCabinets_ = false;
  std::string folder_;  // the unpacked files, for this installation only
  std::vector<std::string> unpacked_;
};

struct Outcome {
  DWORD error = 0;
  bool unchanged = false;
};

// A failure whose call left no code still fails.
Outcome Failure(DWORD code, const std::string& why) {
  if (code == 0) code = drvkit::kErrorUnknownPrinterDriver;
  Debug(why + " (" + Hex(code) + ")");
  return Outcome{code, false};
}

// Everything of the plan in place: the driver of that name in |env|, its
// data file the planned one in the driver directory's version folder, and
// every planned file there with the content of its source.
bool Verify(const Spooler& s, const std::string& env, const drvkit::DriverPlan& plan,
            const std::vector<std::string>& sources, std::string& why) {
  InstalledDriver d;
  if (!FindDriver(s, env, plan.model, d)) {
    why = "the spooler does not list the driver";
    return false;
  }
  if (!drvkit::EqualNoCase(d.environment, env) ||
      !drvkit::EqualNoCase(NameOf(d.dataFile), plan.dataFile) ||
      !drvkit::EqualNoCase(NameOf(d.driverPath), plan.driverFile)) {
    why =
        "the spooler lists it as " + d.environment + " with " + d.driverPath + " and " + d.dataFile;
    return false;
  }
  const std::string versionDir = FolderOf(d.dataFile);
  for (size_t i = 0; i < plan.files.size(); ++i) {
    const std::string installed = versionDir + "\\" + plan.files[i].name;
    if (!SameContent(installed, sources[i])) {
      why = installed + " is missing or not the medium's";
      return false;
    }
  }
  return true;
}

// The language monitor the driver names: its DLL put into the system folder
// (from the package, or from the system's own files), then added to the
// spooler. A monitor the spooler has already stays as it is, and so does a
// DLL of that name the spooler holds open.
Outcome InstallMonitor(const Spooler& s, const drvkit::DriverPlan& plan, const std::string& env,
                       const std::string& system, const std::vector<std::string>& sources) {
  if (plan.monitorDll.empty()) return Outcome{};
  if (system.empty()) return Failure(::GetLastError(), "no system folder");
  for (size_t i = 0; i < plan.monitorFiles.size(); ++i) {
    const std::string to = system + "\\" + plan.monitorFiles[i].name;
    if (sources[i].empty() || (IsFile(to) && SameContent(sources[i], to))) continue;
    if (!::CopyFileA(sources[i].c_str(), to.c_str(), FALSE)) {
      const DWORD e = ::GetLastError();
      if (!IsFile(to)) return Failure(e, "cannot copy " + sources[i] + " to " + to);
      Debug("cannot replace " + to + " (" + Hex(e) + "): the one in place stays");
    }
  }
  if (plan.monitor.empty()) return Outcome{};
  if (!IsFile(system + "\\" + plan.monitorDll))
    return Failure(drvkit::kErrorFileNotFound,
                   "the system has no " + plan.monitorDll + " for " + plan.monitor);
  if (!s.addMonitor) return Failure(::GetLastError(), "the spooler cannot add monitors");
  std::string name = plan.monitor, environment = env, dll = plan.monitorDll;
  MONITOR_INFO_2A info = {&name[0], &environment[0], &dll[0]};
  if (!s.addMonitor(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) {
    const DWORD e = ::GetLastError();
    if (e != ERROR_PRINT_MONITOR_ALREADY_INSTALLED)
      return Failure(e, "AddMonitor refused " + plan.monitor + " (" + plan.monitorDll + ")");
  } else {
    Debug("added the language monitor " + plan.monitor + " (" + plan.monitorDll + ")");
  }
  return Outcome{};
}

// Vista and later: a signed package through the driver store. The
// functions are looked up, as Windows 2000 and XP (and Wine, in part) lack them.
bool InstallPackage(const std::string& inf, const drvkit::DriverPlan& plan, const std::string& env,
                    HWND window, std::string& why) {
  using UploadFn = HRESULT(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, DWORD, HWND, LPSTR, PULONG);
  using InstallFn = HRESULT(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR, DWORD);
  constexpr DWORD kSilentUpload = 1;  // UPDP_SILENT_UPLOAD
  HMODULE spooler = SystemLibrary("winspool.drv");
  auto upload = ProcOf<UploadFn>(spooler, "UploadPrinterDriverPackageA");
  auto install = ProcOf<InstallFn>(spooler, "InstallPrinterDriverFromPackageA");
  if (!upload || !install) {
    why = "the spooler has no driver package functions";
    return false;
  }
  char stored[MAX_PATH + 1] = {};
  ULONG size = MAX_PATH;
  HRESULT hr = upload(nullptr, inf.c_str(), env.c_str(), kSilentUpload, window, stored, &size);
  if (FAILED(hr)) {
    why = "UploadPrinterDriverPackage answered " + Hex(static_cast<DWORD>(hr));
    return false;
  }
  hr = install(nullptr, stored, plan.model.c_str(), env.c_str(), 0);
  if (FAILED(hr)) {
    why = "InstallPrinterDriverFromPackage answered " + Hex(static_cast<DWORD>(hr));
    return false;
  }
  return true;
}

Outcome Install(const std::string& inf, const std::string& hwid, HWND window) {
  // The medium's files are found from the INF's folder, wherever the caller stands.
  char fullInf[MAX_PATH + 1] = {};
  DWORD n = ::GetFullPathNameA(inf.c_str(), MAX_PATH, fullInf, nullptr);
  const std::string infPath = n > 0 && n <= MAX_PATH ? std::string(fullInf, n) : inf;
  std::string infText;
  if (!ReadBytes(infPath, infText)) return Failure(::GetLastError(), "cannot read " + infPath);
  const std::string systemInf = WindowsFolder() + "\\inf\\";
  drvkit::PlanResult r = drvkit::MakePlan(infText, hwid, kArch, [&](const std::string& name) {
    std::string text;
    return ReadBytes(systemInf + name, text) ? std::optional<std::string>(text) : std::nullopt;
  });
  if (r.error) {
    Debug(r.detail);
    return Outcome{r.error, false};
  }
  const drvkit::DriverPlan& plan = r.plan;
  for (const std::string& list : plan.skipped)
    Debug(list + " is not for the driver directory nor the language monitor: skipped");

  Spooler s;
  if (!s.Ok()) return Failure(::GetLastError(), "no spooler");
  std::string env = drvkit::EnvironmentOf(kArch);
  char dir[MAX_PATH + 1] = {};
  DWORD needed = 0;
  if (!s.getDriverDirectory(nullptr, &env[0], 1, reinterpret_cast<LPBYTE>(dir), MAX_PATH, &needed))
    return Failure(::GetLastError(), "no printer driver directory for " + env);
  const std::string driverDir = dir;

  // Every source present, of this architecture where it is a program.
  const std::string medium = FolderOf(infPath);
  std::vector<std::string> coreNames;
  for (const auto* list : {&plan.files, &plan.monitorFiles})
    for (const drvkit::PlannedFile& f : *list)
      if (f.fromSystem) coreNames.push_back(f.source);
  CoreFiles core(driverDir, coreNames);
  const std::string system = SystemFolder();
  // |optional|: a system monitor the system folder holds already needs no source.
  auto source = [&](const drvkit::PlannedFile& f, bool optional, std::string& src) {
    if (optional && f.fromSystem && !system.empty() && IsFile(system + "\\" + f.name)) {
      src.clear();
      return Outcome{};
    }
    src = f.fromSystem ? core.Find(f.source) : medium + "\\" + f.source;
    if (src.empty() || !IsFile(src))
      return Failure(drvkit::kErrorFileNotFound,
                     f.fromSystem ? "the system has no " + f.source + " of its printer INF"
                                  : "the medium lacks " + src);
    std::string head;
    if (ReadBytes(src, head, 4096)) {
      std::optional<uint16_t> machine = drvkit::PeMachine(head);
      if (machine && *machine != drvkit::MachineOf(kArch))
        return Failure(drvkit::kErrorMachineMismatch, src + " is not a program for " + env);
    }
    return Outcome{};
  };
  auto collect = [&](const std::vector<drvkit::PlannedFile>& list, bool optional,
                     std::vector<std::string>& out) {
    for (const drvkit::PlannedFile& f : list) {
      std::string src;
      if (Outcome o = source(f, optional, src); o.error) return o;
      out.push_back(src);
    }
    return Outcome{};
  };
  std::vector<std::string> sources, monitorSources;
  if (Outcome o = collect(plan.files, false, sources); o.error) return o;
  if (Outcome o = collect(plan.monitorFiles, true, monitorSources); o.error) return o;
  // The monitor first: the driver names it, and the spooler looks it up.
  if (Outcome o = InstallMonitor(s, plan, env, system, monitorSources); o.error) return o;

  std::string why;
  InstalledDriver before;
  const bool existed = FindDriver(s, env, plan.model, before);
  if (existed && Verify(s, env, plan, sources, why)) {
    Debug(plan.model + " is installed already with these files");
    return Outcome{0, true};
  }

  OSVERSIONINFOA v;
  ZeroMemory(&v, sizeof v);
  v.dwOSVersionInfoSize = sizeof v;
  ::GetVersionExA(&v);
  if (v.dwMajorVersion >= 6 && !plan.catalog.empty() && IsFile(medium + "\\" + plan.catalog)) {
    if (InstallPackage(infPath, plan, env, window, why) && Verify(s, env, plan, sources, why)) {
      Debug("installed " + plan.model + " for " + env + " from its signed package");
      return Outcome{};
    }
    Debug("the signed package did not install (" + why +
          "): its files are installed as on older Windows");
  }

  // The files go to the driver directory, where the spooler takes them from.
  std::vector<std::string> staged;
  auto unstage = [&] {
    for (const std::string& f : staged) ::DeleteFileA(f.c_str());
  };
  for (size_t i = 0; i < plan.files.size(); ++i) {
    const std::string to = driverDir + "\\" + plan.files[i].name;
    const bool fresh = !IsFile(to);
    if (!::CopyFileA(sources[i].c_str(), to.c_str(), FALSE)) {
      const DWORD e = ::GetLastError();
      unstage();
      return Failure(e, "cannot copy " + sources[i] + " to " + to);
    }
    if (fresh) staged.push_back(to);
  }
  auto full = [&](const std::string& name) {
    return name.empty() ? std::string() : driverDir + "\\" + name;
  };
  std::string name = plan.model, driverPath = full(plan.driverFile), dataFile = full(plan.dataFile),
              configFile = full(plan.configFile), helpFile = full(plan.helpFile),
              monitor = plan.monitor, dataType = plan.defaultDataType, mfg = plan.manufacturer,
              provider = plan.provider, hardwareId = plan.hardwareId;
  std::string dependent;
  for (const std::string& f : plan.dependentFiles) dependent += full(f) + '\0';
  dependent += '\0';
  DRIVER_INFO_6A info;
  ZeroMemory(&info, sizeof info);
  info.cVersion = 3;
  info.pName = &name[0];
  info.pEnvironment = &env[0];
  info.pDriverPath = &driverPath[0];
  info.pDataFile = &dataFile[0];
  info.pConfigFile = &configFile[0];
  info.pHelpFile = helpFile.empty() ? nullptr : &helpFile[0];
  info.pDependentFiles = &dependent[0];
  info.pMonitorName = monitor.empty() ? nullptr : &monitor[0];
  info.pDefaultDataType = dataType.empty() ? nullptr : &dataType[0];
  info.pszMfgName = mfg.empty() ? nullptr : &mfg[0];
  info.pszHardwareID = hardwareId.empty() ? nullptr : &hardwareId[0];
  info.pszProvider = provider.empty() ? nullptr : &provider[0];
  // Level 6 from XP on; Windows 2000 takes level 3 (the same first fields).
  const DWORD level =
      v.dwMajorVersion > 5 || (v.dwMajorVersion == 5 && v.dwMinorVersion >= 1) ? 6 : 3;

  // APD_COPY_NEW_FILES leaves a file of the same version in place: files
  // that still differ afterwards (stale ones) are copied once more, all of them.
  DWORD error = 0;
  bool verified = false;
  for (DWORD flags : {DWORD(APD_COPY_NEW_FILES), DWORD(APD_COPY_ALL_FILES)}) {
    if (!s.addDriverEx(nullptr, level, reinterpret_cast<LPBYTE>(&info), flags)) {
      error = ::GetLastError();
      why = "AddPrinterDriverEx failed";
      break;
    }
    if ((verified = Verify(s, env, plan, sources, why))) break;
  }
  unstage();
  if (verified) {
    Debug("installed " + plan.model + " for " + env + " with " + plan.dataFile);
    return Outcome{};
  }
  // Nothing half-registered stays behind.
  if (!existed && FindDriver(s, env, plan.model, before))
    s.deleteDriver(nullptr, &env[0], &name[0]);
  return Failure(error, plan.model + ": " + why);
}

bool ShowErrors() {
  char value[8] = {};
  DWORD n = ::GetEnvironmentVariableA(kShowErrorsVariable, value, sizeof value);
  return n > 0 && n < sizeof value && value[0] == '1';
}

void ShowError(HWND owner, DWORD code) {
  char* text = nullptr;
  DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string message =
      n && text ? std::string(text, n) : std::string("The driver could not be installed.");
  if (text) ::LocalFree(text);
  message += "\r\n(" + Hex(code) + ")";
  ::MessageBoxA(owner && ::IsWindow(owner) ? owner : nullptr, message.c_str(), "Printer driver",
                MB_OK | MB_ICONERROR);
}

void CopyText(char* to, const std::string& from) {
  if (!to) return;
  size_t n = from.size() < kTextSize - 1 ? from.size() : kTextSize - 1;
  memcpy(to, from.data(), n);
  to[n] = '\0';
}

// SetupAPI's device functions, from setupapi.dll of the system folder.
struct DeviceApi {
  using GetClassDevsFn = HDEVINFO(WINAPI*)(const GUID*, PCSTR, HWND, DWORD);
  using EnumInfoFn = BOOL(WINAPI*)(HDEVINFO, DWORD, PSP_DEVINFO_DATA);
  using GetPropertyFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE, DWORD,
                                      PDWORD);
  using GetInstanceIdFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, PSTR, DWORD, PDWORD);
  using OpenDevRegKeyFn = HKEY(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, DWORD, DWORD, REGSAM);
  using DestroyListFn = BOOL(WINAPI*)(HDEVINFO);
  using LocateFn = CONFIGRET(WINAPI*)(PDEVINST, DEVINSTID_A, ULONG);
  using ReenumerateFn = CONFIGRET(WINAPI*)(DEVINST, ULONG);
  HMODULE module = SystemLibrary("setupapi.dll");
  GetClassDevsFn getClassDevs = ProcOf<GetClassDevsFn>(module, "SetupDiGetClassDevsA");
  EnumInfoFn enumInfo = ProcOf<EnumInfoFn>(module, "SetupDiEnumDeviceInfo");
  GetPropertyFn getProperty = ProcOf<GetPropertyFn>(module, "SetupDiGetDeviceRegistryPropertyA");
  GetInstanceIdFn getInstanceId = ProcOf<GetInstanceIdFn>(module, "SetupDiGetDeviceInstanceIdA");
  OpenDevRegKeyFn openDevRegKey = ProcOf<OpenDevRegKeyFn>(module, "SetupDiOpenDevRegKey");
  DestroyListFn destroyList = ProcOf<DestroyListFn>(module, "SetupDiDestroyDeviceInfoList");
  LocateFn locate = ProcOf<LocateFn>(module, "CM_Locate_DevNodeA");
  ReenumerateFn reenumerate = ProcOf<ReenumerateFn>(module, "CM_Reenumerate_DevNode");
  bool Ok() const {
    return getClassDevs && enumInfo && getProperty && getInstanceId && openDevRegKey && destroyList;
  }
};

std::vector<std::string> MultiText(const DeviceApi& api, HDEVINFO list, SP_DEVINFO_DATA& d,
                                   DWORD property) {
  std::vector<std::string> out;
  char buf[4096] = {};
  DWORD type = 0;
  if (!api.getProperty(list, &d, property, &type, reinterpret_cast<PBYTE>(buf), sizeof buf - 2,
                       nullptr))
    return out;
  for (const char* p = buf; *p && p < buf + sizeof buf - 2; p += strlen(p) + 1) out.push_back(p);
  return out;
}

// The device's port: PortName of its Device Parameters (LPTn, COMn), or a
// USB printer's "Base Name" and "Port Number" ("USB001").
std::string PortOf(const DeviceApi& api, HDEVINFO list, SP_DEVINFO_DATA& d) {
  ScopedKey key(api.openDevRegKey(list, &d, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ));
  if (!key || key.Get() == INVALID_HANDLE_VALUE) return std::string();
  char text[kTextSize] = {};
  DWORD size = sizeof text - 1, type = 0;
  if (::RegQueryValueExA(key.Get(), "PortName", nullptr, &type, reinterpret_cast<LPBYTE>(text),
                         &size) == ERROR_SUCCESS &&
      type == REG_SZ)
    return text;
  DWORD number = 0;
  size = sizeof number;
  if (::RegQueryValueExA(key.Get(), "Port Number", nullptr, &type,
                         reinterpret_cast<LPBYTE>(&number), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return std::string();
  size = sizeof text - 1;
  std::string base = "USB";
  if (::RegQueryValueExA(key.Get(), "Base Name", nullptr, &type, reinterpret_cast<LPBYTE>(text),
                         &size) == ERROR_SUCCESS &&
      type == REG_SZ && text[0])
    base = text;
  char port[32];
  snprintf(port, sizeof port, "%s%03lu", base.c_str(), static_cast<unsigned long>(number));
  return port;
}

bool FindDevice(const std::string& hwid, std::string& deviceId, std::string& portInfo) {
  DeviceApi api;
  if (!api.Ok() || hwid.empty()) return false;
  const std::string tail =
      hwid.find('\\') == std::string::npos ? hwid : hwid.substr(hwid.find('\\') + 1);
  static const GUID kPrinterClass = {
      0x4D36E979, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
  struct Query {
    const GUID* cls;
    const char* enumerator;
    DWORD flags;
  };
  const Query queries[] = {{nullptr, "USBPRINT", DIGCF_PRESENT | DIGCF_ALLCLASSES},
                           {nullptr, "LPTENUM", DIGCF_PRESENT | DIGCF_ALLCLASSES},
                           {&kPrinterClass, nullptr, DIGCF_PRESENT}};
  for (const Query& q : queries) {
    HDEVINFO list = api.getClassDevs(q.cls, q.enumerator, nullptr, q.flags);
    if (list == INVALID_HANDLE_VALUE) continue;
    bool found = false;
    SP_DEVINFO_DATA d;
    for (DWORD i = 0; !found; ++i) {
      ZeroMemory(&d, sizeof d);
      d.cbSize = sizeof d;
      if (!api.enumInfo(list, i, &d)) break;
      for (DWORD property : {DWORD(SPDRP_HARDWAREID), DWORD(SPDRP_COMPATIBLEIDS)}) {
        for (const std::string& id : MultiText(api, list, d, property)) {
          const std::string t =
              id.find('\\') == std::string::npos ? id : id.substr(id.find('\\') + 1);
          if (!drvkit::EqualNoCase(t, tail)) continue;
          char instance[kTextSize] = {};
          if (api.getInstanceId(list, &d, instance, sizeof instance, nullptr)) deviceId = instance;
          portInfo = PortOf(api, list, d);
          found = true;
          break;
        }
        if (found) break;
      }
    }
    api.destroyList(list);
    if (found) return true;
  }
  return false;
}

}  // namespace

extern "C" {

DRVKIT_EXPORT DWORD WINAPI FuncFindExistDevice(LPCSTR hwid, LPSTR deviceId, LPSTR portInfo) {
  std::string id, port;
  if (!hwid || !FindDevice(hwid, id, port)) return 0;
  CopyText(deviceId, id);
  CopyText(portInfo, port);
  return 1;
}

// The whole tree from the root, synchronously.
DRVKIT_EXPORT void WINAPI RefreshHW() {
  DeviceApi api;
  DEVINST root = 0;
  if (api.locate && api.reenumerate &&
      api.locate(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) == CR_SUCCESS)
    api.reenumerate(root, CM_REENUMERATE_SYNCHRONOUS);
}

DRVKIT_EXPORT int WINAPI FuncDrvKit(LPCSTR inf, LPCSTR hwid, LPCSTR port, HWND window) {
  Debug(std::string("FuncDrvKit(") + (inf ? inf : "") + ", " + (hwid ? hwid : "") + ", " +
        (port ? port : "") + ")");
  Outcome o = !inf || !*inf || !hwid
                  ? Failure(drvkit::kErrorInvalidParameter, "no INF or hardware ID")
                  : Install(inf, hwid, window);
  g_lastError = o.error;
  if (o.error == 0) return o.unchanged ? kAlreadyInstalled : kInstalled;
  if (ShowErrors()) ShowError(window, o.error);
  return kFailed;
}

DRVKIT_EXPORT DWORD WINAPI LastInstallErrorCode() { return g_lastError; }

DRVKIT_EXPORT void WINAPI ShowErrorCode(BOOL show) {
  ::SetEnvironmentVariableA(kShowErrorsVariable, show ? "1" : "0");
}

}  // extern "C"
