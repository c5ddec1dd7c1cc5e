// The program entry shared by the Windows program and setup-sim: module
// start-up, the forms in their order, the application title, the loop.
#pragma once

namespace app {
// Runs the installer on the current backends; always returns 0.
int ProgramMain();
}  // namespace app
