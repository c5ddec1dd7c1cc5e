#include "app/program.h"

namespace app {
int ProgramMain() { return 0; }
}  // namespace app
