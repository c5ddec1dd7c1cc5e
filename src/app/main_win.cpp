// Entry of the Windows program (built with -mwindows: no console).
#include <string_view>

#include "app/program.h"

#ifndef SETUP_BRAND
#error "the build names the brand (SETUP_BRAND)"
#endif

int main() {
  // Only the maker's brand shows the welcome splash; the other brands'
  // programs leave it, its pictures and the JPEG decoder out.
  if constexpr (std::string_view(SETUP_BRAND) == app::kMakerBrand)
    return app::ProgramMain(SETUP_BRAND, &app::ShowWelcomeSplash);
  else
    return app::ProgramMain(SETUP_BRAND, nullptr);
}
