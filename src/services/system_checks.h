// The Windows version number that picks old or new ways of doing things, and
// whether this 32-bit program runs on 64-bit Windows.
#pragma once

namespace services {

// Major * 10 + minor: 50 Windows 2000, 51 XP, 52 Server 2003, 60 Vista; 0 when refused.
int GetOSVersion();
// True under WOW64; false where IsWow64Process does not exist.
bool IsWow64();

}  // namespace services
