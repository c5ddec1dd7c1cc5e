// The system's error numbers the program and its tests name, each once. The
// seam reports failures with these (see the rule in platform.h); the last
// two are the setup codes the helper library reports for an installation.
//
//   if (plat::sys().GetLastError() == plat::kErrorFileNotFound) ...
#pragma once
#include <cstdint>

namespace plat {

constexpr uint32_t kErrorSuccess = 0;
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorFileExists = 80;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorBrokenPipe = 109;
constexpr uint32_t kErrorInsufficientBuffer = 122;
constexpr uint32_t kErrorModNotFound = 126;
constexpr uint32_t kErrorProcNotFound = 127;
constexpr uint32_t kErrorBadExeFormat = 193;
constexpr uint32_t kErrorMoreData = 234;
constexpr uint32_t kErrorKeyDeleted = 1018;
constexpr uint32_t kErrorDatatypeMismatch = 1629;
constexpr uint32_t kErrorUnsupportedType = 1630;
constexpr uint32_t kErrorUnknownPort = 1796;
constexpr uint32_t kErrorUnknownPrinterDriver = 1797;
constexpr uint32_t kErrorUnknownPrintProcessor = 1798;
constexpr uint32_t kErrorInvalidPrinterName = 1801;
constexpr uint32_t kErrorPrinterAlreadyExists = 1802;
constexpr uint32_t kErrorInvalidPrinterCommand = 1803;
constexpr uint32_t kErrorPrinterDriverInUse = 3001;

// Windows setup's codes: the online installation found no device to install
// for, and the user cancelled the installation.
constexpr uint32_t kErrorSetupNoDevice = 0xE000020B;
constexpr uint32_t kErrorSetupCanceled = 0xE000022F;

}  // namespace plat
