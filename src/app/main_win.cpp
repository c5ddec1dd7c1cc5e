// Entry of the Windows program (built with -mwindows: no console).
#include <string_view>

#include "app/program.h"
#include "platform/win32/win32.h"

#ifndef SETUP_BRAND
#error "the build names the brand (SETUP_BRAND)"
#endif

int main() {
  // The program runs as administrator from a folder anyone may write to:
  // before anything is loaded at run time, the current directory leaves the
  // DLL search.
  plat::win32::NarrowDllSearch();
  // Only the maker's brand shows the welcome splash; the other brands'
  // programs leave it, its pictures and the JPEG decoder out.
  if constexpr (std::string_view(SETUP_BRAND) == app::kMakerBrand)
    return app::ProgramMain(SETUP_BRAND, &app::ShowWelcomeSplash);
  else
    return app::ProgramMain(SETUP_BRAND, nullptr);
}
