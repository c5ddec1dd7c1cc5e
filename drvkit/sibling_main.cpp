// X64\Quenset64.exe: the 64-bit sibling setup (drvkit/sibling.h).
#include "platform/win32/windows_lean.h"

#include "drvkit/sibling.h"

int main() { return sibling::Run(::GetCommandLineA()); }
