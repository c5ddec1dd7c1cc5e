// The setup configuration: install.ini beside the program, one section per
// printer model, loaded into one TOption record per section in file order.
//
//   TIniOptions ini;
//   ini.LoadFromFile("install.ini");      // nothing happens if it is absent
//   for (int i = 0; i < ini.Count; ++i) Show(ini.GetOption(i).InstallSettingFile2K);
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace config {

// One model's settings. A copy is independent of the container.
struct TOption {
  std::string InstallSettingFile2K;  // the model's INF
  std::string InstallGuide;          // documents and hint, in the system's language
  std::string QuickGuide;
  std::string HandBook;
  std::string Hint;
  std::string OfflinePrefix;  // "SERENUM\" or "LPTOFFLINE\", from the INF's content
  bool SelectPort = false;
  std::string DefaultPortName;
  bool ForceOnlineCheck = false;
  bool PromptCheck = false;
  std::string InstallDll2K;
  std::string UnInstallImage2K;
  std::string RegSetImage2000;
  std::string InstallImage64;
  std::string Installdll64;
  std::string UnInstallImageCopy;  // always equal to UnInstallImage2K
  bool AutoMode = false;
  bool QuiteMode = false;
  std::string PrintProcess;
  std::string BeforeRun;
  std::string AfterRun;
  std::string ServiceName;
  std::string ServiceExe;
  bool ForceUninstallService = false;
  std::string NTX86FilesPath;
  std::string NTX64FilesPath;
  std::string NTIA64FilesPath;
};

// An opened profile file: its name expanded to a full path.
struct IniFile {
  std::string FileName;
};

class TIniOptions {
 public:
  std::vector<TOption> Options;
  int Count = 0;  // always Options.size()

  // Loads |fileName| (relative to the current directory) if such a file
  // exists; otherwise leaves the container as it is.
  void LoadFromFile(const std::string& fileName);
  // Replaces the records with one per section of |ini|; does nothing for nullptr.
  void LoadFromIni(const IniFile* ini);
  // A copy of record |index|. An index outside 0..Count-1 gives a
  // default-constructed record (every text empty, every flag false)
  // instead of reading past the records.
  TOption GetOption(int index) const;
};

// ReadInteger's conversion of a profile value: decimal or hexadecimal
// ("$1F", "x1F", "0x1F", each after an optional sign) within 32 bits;
// nullopt for anything else, e.g. "true", "", "0x", "4294967296".
std::optional<int32_t> ParseProfileInteger(const std::string& text);

}  // namespace config
