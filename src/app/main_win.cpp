// Entry of the Windows program (built with -mwindows: no console).
#include "app/program.h"

int main() { return app::ProgramMain(); }
