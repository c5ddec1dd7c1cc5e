// The 64-bit sibling setup's work, apart from its entry point so that the
// test stand-in of the sibling runs the same code after its own bookkeeping.
//
//   int main() { return sibling::Run(::GetCommandLineA()); }
#pragma once

namespace sibling {

// Installs as |commandLine| (the whole line, program included) asks and
// posts the outcome to the window it names; the process's exit code: 0
// installed, 1 failed, 2 a command line it cannot use.
int Run(const char* commandLine);

}  // namespace sibling
