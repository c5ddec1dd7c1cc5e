#include "platform/sim/machine.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/common/text.h"

namespace plat::sim {

const std::vector<std::string>& FaultableCalls() {
  static const std::vector<std::string> names = {
      // files and profile files
      "GetFileAttributes", "GetFileAttributesEx", "ReadFile", "WriteFile", "CopyFile", "DeleteFile",
      "CreateDirectory", "FindFirstFile", "GetFullPathName", "GetCurrentDirectory",
      "GetPrivateProfileString", "GetPrivateProfileSectionNames",
      // system facts
      "GetVersionEx", "IsWow64Process", "GetSystemDirectory", "GetTempPath", "GetModuleFileName",
      "LoadBitmap", "LoadResource", "GetDateFormat", "GetTimeFormat",
      // processes and windows
      "CreatePipe", "PeekNamedPipe", "ReadPipe", "CreateProcess", "WaitForSingleObject",
      "GetExitCodeProcess", "WinExec", "ShellExecute", "CreateWindow", "PeekMessage",
      // libraries, and the helper library's functions
      "LoadLibrary", "GetProcAddress", "DllRegisterServer", "FuncFindExistDevice", "RefreshHW",
      "FuncDrvKit", "LastInstallErrorCode", "ShowErrorCode",
      // the spooler
      "EnumPrinters", "EnumPorts", "OpenPrinter", "GetPrinter", "SetPrinter", "EnumJobs",
      "AddPrinter", "DeletePrinter", "DeletePrinterDriver", "DeletePrinterDriverEx",
      "AddPrinterDriver", "GetDefaultPrinter", "SetDefaultPrinter",
      // the registry
      "RegOpenKeyEx", "RegCreateKeyEx", "RegQueryValueEx", "RegSetValueEx", "RegDeleteValue",
      "RegEnumValue", "RegEnumKeyEx", "RegDeleteKey"};
  return names;
}

void Faults::Set(const std::string& call, int nth, uint32_t error) {
  faults_[call] = Fault{nth, error, 0};
}

std::optional<uint32_t> Faults::Check(std::string_view call) {
  auto counted = counts_.find(call);
  if (counted == counts_.end()) counted = counts_.emplace(std::string(call), 0).first;
  ++counted->second;
  if (faults_.empty()) return std::nullopt;
  auto it = faults_.find(call);
  if (it == faults_.end()) return std::nullopt;
  Fault& f = it->second;
  ++f.calls;
  if (f.nth != 0 && f.calls != f.nth) return std::nullopt;
  ++failed_;
  if (onFail) onFail();
  return f.error;
}

void SimMachine::NoteCreated(const std::string& windowsPath) {
  const std::string full = FullPath(windowsPath);
  for (const std::string& c : created)
    if (text::EqualNoCase(c, full)) return;
  created.push_back(full);
}

int Handles::Count(const std::string& kind) const {
  int n = 0;
  for (const auto& [key, v] : open_)
    if (key.first == kind) n += v;
  return n;
}

int Handles::Total() const {
  int n = 0;
  for (const auto& [k, v] : open_) n += v;
  return n;
}

std::vector<std::string> Handles::List() const {
  std::vector<std::string> out;
  for (const auto& [key, v] : open_) {
    const std::string what = key.first + (key.second.empty() ? "" : " from " + key.second);
    if (v < 0) out.push_back(what + " closed " + std::to_string(-v) + " more time(s) than opened");
    for (int i = 0; i < v; ++i) out.push_back(what);
  }
  return out;
}

std::string Handles::Describe() const {
  std::string out;
  for (const std::string& h : List()) out += (out.empty() ? "" : "; ") + h;
  return out.empty() ? "none" : out;
}

namespace {

void RemoveTree(const std::string& path) {
  DIR* d = opendir(path.c_str());
  if (d) {
    while (dirent* e = readdir(d)) {
      if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
      std::string child = path + "/" + e->d_name;
      struct stat st;
      if (lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        RemoveTree(child);
      else
        unlink(child.c_str());
    }
    closedir(d);
  }
  rmdir(path.c_str());
}

// Splits a Windows path into its components, resolving "." and "..".
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> out;
  std::string part;
  auto flush = [&] {
    if (part.empty() || part == ".") {
    } else if (part == "..") {
      if (out.size() > 1) out.pop_back();
    } else {
      out.push_back(part);
    }
    part.clear();
  };
  for (char c : path) {
    if (c == '\\' || c == '/')
      flush();
    else
      part += c;
  }
  flush();
  return out;
}

}  // namespace

SimMachine::SimMachine(const std::string& sandboxRoot) {
  if (sandboxRoot.empty()) {
    const char* tmp = getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/simwin.XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) throw std::runtime_error("cannot make the sandbox folder");
    root_ = buf.data();
    ownsRoot_ = true;
  } else {
    root_ = sandboxRoot;
    mkdir(root_.c_str(), 0755);
  }
  for (const char* d :
       {"/C", "/C/Medium", "/C/Temp", "/C/WINDOWS", "/C/WINDOWS/system32", "/C/WINDOWS/inf", "/D"})
    mkdir((root_ + d).c_str(), 0755);
  system_ = MakeSystem(*this);
  files_ = MakeFiles(*this);
  profile_ = MakeProfile(*this);
  processes_ = MakeProcesses(*this);
  libraries_ = MakeLibraries(*this);
  spoolerApi_ = MakeSpooler(*this);
  messages_ = MakeMessages(*this);
  registryApi_ = MakeRegistry(*this);
  // Keys every Windows has; the 32-bit view gets its own on first use under WOW64.
  registry.Make("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
  registry.Make("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
}

SimMachine::~SimMachine() {
  messages_.reset();
  spoolerApi_.reset();
  libraries_.reset();
  processes_.reset();
  if (ownsRoot_) RemoveTree(root_);
}

plat::Backend SimMachine::AsBackend() {
  return {system_.get(),    files_.get(),      profile_.get(),  processes_.get(),
          libraries_.get(), spoolerApi_.get(), messages_.get(), registryApi_.get()};
}

void SimMachine::Mount(const std::string& windowsFolder, const std::string& hostFolder) {
  std::string key = text::Upper(FullPath(windowsFolder));
  while (key.size() > 3 && key.back() == '\\') key.pop_back();
  mounts_.emplace_back(key, hostFolder);
  std::sort(mounts_.begin(), mounts_.end(),
            [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
}

std::string SimMachine::FullPath(const std::string& windowsPath) {
  std::string p = windowsPath;
  std::replace(p.begin(), p.end(), '/', '\\');
  bool absolute = p.size() >= 2 && p[1] == ':';
  std::string joined;
  if (absolute) {
    joined = p;
  } else if (!p.empty() && p[0] == '\\') {
    joined = currentDirectory.substr(0, 2) + p;
  } else {
    joined = currentDirectory + "\\" + p;
  }
  std::vector<std::string> parts = Components(joined);
  if (parts.empty()) return currentDirectory;
  std::string out = parts[0];
  if (out.size() == 2 && out[1] == ':') out[0] = static_cast<char>(toupper(out[0]));
  if (parts.size() == 1) return out + "\\";
  for (size_t i = 1; i < parts.size(); ++i) out += "\\" + parts[i];
  // Windows keeps a trailing backslash of a folder path.
  if (!p.empty() && (p.back() == '\\' || p.back() == '/')) out += "\\";
  return out;
}

std::string SimMachine::HostPath(const std::string& windowsPath) {
  std::string full = FullPath(windowsPath);
  std::string upper = text::Upper(full);
  std::string base;
  std::string rest;
  for (const auto& [prefix, host] : mounts_) {
    if (upper.compare(0, prefix.size(), prefix) == 0 &&
        (upper.size() == prefix.size() || upper[prefix.size()] == '\\')) {
      base = host;
      rest = full.substr(prefix.size());
      break;
    }
  }
  const bool drive = base.empty();
  if (drive) {
    base = root_ + "/" + std::string(1, static_cast<char>(toupper(full[0])));
    rest = full.size() > 2 ? full.substr(2) : "";
  }
  const std::vector<std::string> parts = Components(rest);
  // Most paths name what is there, spelled as it is: then every folder on
  // the way is there too, and one look at the whole path answers.
  std::string direct = base;
  for (const std::string& part : parts) direct += "/" + part;
  struct stat whole;
  if (stat(direct.c_str(), &whole) == 0) return direct;
  if (drive) mkdir(base.c_str(), 0755);
  // Resolve each component without regard to case, as Windows does.
  // Below a component that is not there nothing is, so the rest is only spelled out.
  std::string host = base;
  bool missing = false;
  for (const std::string& part : parts) {
    if (missing) {
      host += "/" + part;
      continue;
    }
    std::string exact = host + "/" + part;
    struct stat st;
    if (stat(exact.c_str(), &st) == 0) {
      host = exact;
      continue;
    }
    std::string found;
    if (DIR* d = opendir(host.c_str())) {
      while (dirent* e = readdir(d)) {
        if (text::EqualNoCase(e->d_name, part)) {
          found = e->d_name;
          break;
        }
      }
      closedir(d);
    }
    missing = found.empty();
    host += "/" + (missing ? part : found);
  }
  return host;
}

void SimMachine::Record(const std::string& kind, const std::string& text) {
  transcript.push_back(Event{now, kind, text});
}

std::vector<std::string> SimMachine::DebugLines() const {
  std::vector<std::string> out;
  for (const Event& e : transcript)
    if (e.kind == "debug") out.push_back(e.text);
  return out;
}

SimMachine& DefaultMachine() {
  static SimMachine machine;
  return machine;
}

}  // namespace plat::sim

namespace plat {
Backend DefaultBackend() { return sim::DefaultMachine().AsBackend(); }
bool RunningUnderWine() { return false; }
}  // namespace plat
