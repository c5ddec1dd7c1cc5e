// The message catalogue: every text the installer shows, in Traditional
// Chinese (Big5), Simplified Chinese (GBK) or English (ASCII), one language
// chosen once at start-up from the system's default language.
//
//   i18n::FillCatalogue();                        // start-up, before any window
//   form.SetCaption(i18n::StrAppTitle());
//   std::string m = i18n::FormatText(i18n::StrInstallFailed(), code);
//
// Each entry is a function returning the filled 8-bit text in the system's
// ANSI code page (`i18n::StrAppTitle()`); the texts are handed to the A
// functions unchanged. Before FillCatalogue every entry is empty. The texts
// themselves live in catalogue.txt, converted at build time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "i18n/format.h"

// Every entry, in the catalogue's order. The first group is shown by the
// installer; the second belongs to uninstalling and is shown by no screen.
#define I18N_CATALOGUE_ENTRIES(X) \
  X(StrAppTitle)                  \
  X(StrOK)                        \
  X(StrNotice)                    \
  X(StrPrinterBusy)               \
  X(StrWelcomeBanner)             \
  X(StrLoading)                   \
  X(StrMainTitle)                 \
  X(StrInstallGuideLink)          \
  X(StrQuickGuideLink)            \
  X(StrUserManualLink)            \
  X(StrSelectDriver)              \
  X(StrInstallButton)             \
  X(StrExitButton)                \
  X(StrInfos)                     \
  X(StrSelectDriverHint)          \
  X(StrClickInstall)              \
  X(StrAlreadyInstalled)          \
  X(StrAskUpgrade)                \
  X(StrInstallSuccess)            \
  X(StrInstallFailed)             \
  X(StrOnlineInstallFailed)       \
  X(StrRetryLater)                \
  X(StrCanceledByUser)            \
  X(StrInstalling)                \
  X(StrDllNotFound)               \
  X(StrDllBadFunction)            \
  X(StrRestartNotice)             \
  X(StrPrepareSearch)             \
  X(StrConnectPrinter)            \
  X(StrSearchEnd)                 \
  X(StrSearching)                 \
  X(StrCancelSearchHint)          \
  X(StrReSearch)                  \
  X(StrCancelSearch)              \
  X(StrContinueSetup)             \
  X(StrPortNotFound)              \
  X(StrPortFound)                 \
  X(StrConfirmInstall)            \
  X(StrUninstallerTitle)          \
  X(StrUninstallButton)           \
  X(StrUninstallerExit)           \
  X(StrSoftwareVersion)           \
  X(StrChoosePrinter)             \
  X(StrConfirmUninstall)          \
  X(StrUninstallDone)             \
  X(StrRemovedRestart)            \
  X(StrNotAdministrator)          \
  X(StrBadCommandLine)            \
  X(StrNewDefaultPrinter)         \
  X(StrDeleteError)               \
  X(StrEnumPrintersFailed)

namespace i18n {

enum class Language { English, Simplified, Traditional };

enum class Entry {
#define I18N_ENUM_ENTRY(name) name,
  I18N_CATALOGUE_ENTRIES(I18N_ENUM_ENTRY)
#undef I18N_ENUM_ENTRY
};

#define I18N_COUNT_ENTRY(name) +1
inline constexpr size_t kEntryCount = 0 I18N_CATALOGUE_ENTRIES(I18N_COUNT_ENTRY);
#undef I18N_COUNT_ENTRY

// The language of a system default language identifier, judged on all 16
// bits: 0x0404 and 0x0C04 Traditional, 0x0804 and 0x1404 Simplified, every
// other value (0x1004 Singapore among them) English. The documents named in
// install.ini follow the same rule.
Language LanguageFor(uint16_t langId);

// The brand key of builds that name no other.
inline constexpr char kDefaultBrand[] = "Velmar";

// Reads the system default language once (plat::sys()), keeps it and fills
// every entry in its language, the brand word |brand| (the build's brand
// key) where catalogue.txt writes {Brand}. Called once at start-up.
void FillCatalogue(const std::string& brand = kDefaultBrand);
// The same for a given identifier, without asking the system (tests).
void FillCatalogueFor(uint16_t langId, const std::string& brand = kDefaultBrand);

bool CatalogueFilled();
// The identifier FillCatalogue read; 0 before it ran.
uint16_t SystemLangId();
Language CurrentLanguage();

// The brand key ("Velmar" unless the build names another), the same in
// every language; empty before the catalogue is filled.
const std::string& StrBrand();
// Colour of the title labels, 0x00BBGGRR; black in every language.
uint32_t TitleColor();

// The filled text of an entry, and the entry's name ("StrAppTitle").
const std::string& Text(Entry entry);
const char* EntryName(Entry entry);

#define I18N_ACCESSOR(name) \
  inline const std::string& name() { return Text(Entry::name); }
I18N_CATALOGUE_ENTRIES(I18N_ACCESSOR)
#undef I18N_ACCESSOR

}  // namespace i18n
