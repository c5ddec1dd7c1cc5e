// Fuzz target of the install.ini loader: the input becomes install.ini on a
// simulated machine and is loaded the way the program loads it at start-up,
// on an English or a Chinese system as the low bit of the input's last byte
// says (the byte stays part of the file).
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/options.h"
#include "platform/platform.h"
#include "platform/sim/machine.h"

namespace {

// Every text comes through a 2048-byte buffer, so none is longer than 2047.
bool Bounded(const config::TOption& o) {
  for (const std::string* s :
       {&o.InstallSettingFile2K, &o.InstallGuide, &o.QuickGuide, &o.HandBook, &o.Hint,
        &o.DefaultPortName, &o.InstallDll2K, &o.UnInstallImage2K, &o.RegSetImage2000,
        &o.InstallImage64, &o.Installdll64, &o.PrintProcess, &o.BeforeRun, &o.AfterRun,
        &o.ServiceName, &o.ServiceExe, &o.NTX86FilesPath, &o.NTX64FilesPath, &o.NTIA64FilesPath})
    if (s->size() > 2047) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static plat::sim::SimMachine machine;
  static bool installed = (plat::SetBackend(machine.AsBackend()), true);
  (void)installed;
  const std::string path = "C:\\Medium\\install.ini";
  // The loader reads the file's bytes itself, not through the profile
  // functions' cache, so each input simply replaces the last.
  if (!plat::files().WriteFile(path, std::string(reinterpret_cast<const char*>(data), size)))
    return 0;

  machine.langId = size && (data[size - 1] & 1) ? 0x0804 : 0x0409;
  config::TIniOptions ini;
  ini.LoadFromFile("install.ini");
  if (ini.Count < 0 || static_cast<size_t>(ini.Count) != ini.Options.size()) __builtin_trap();
  // Each record is a section, and a section needs at least a '[' in the file.
  if (ini.Options.size() > size) __builtin_trap();
  for (const config::TOption& o : ini.Options) {
    if (!Bounded(o)) __builtin_trap();
    if (o.UnInstallImageCopy != o.UnInstallImage2K) __builtin_trap();
    if (!o.OfflinePrefix.empty() && o.OfflinePrefix != "SERENUM\\" &&
        o.OfflinePrefix != "LPTOFFLINE\\")
      __builtin_trap();
  }
  if (!ini.GetOption(-1).InstallSettingFile2K.empty() ||
      !ini.GetOption(ini.Count).InstallSettingFile2K.empty())
    __builtin_trap();
  machine.transcript.clear();
  return 0;
}
