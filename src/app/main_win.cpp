// Entry of the Windows program (built with -mwindows: no console).
#include "app/program.h"

#ifndef SETUP_BRAND
#error "the build names the brand (SETUP_BRAND)"
#endif

int main() { return app::ProgramMain(SETUP_BRAND); }
