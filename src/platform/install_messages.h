// The two window messages that carry an installation's outcome to the main
// window: sent by the 64-bit sibling setup, or handled directly on 32-bit
// Windows. Numbers relative to WM_USER (0x400).
#pragma once
#include <cstdint>

namespace plat {

constexpr uint32_t kWmInstallError = 0x0400 + 1;    // WM_INSTALL_ERROR, LPARAM: the error code
constexpr uint32_t kWmInstallSuccess = 0x0400 + 2;  // WM_INSTALL_SUCCESS

}  // namespace plat
