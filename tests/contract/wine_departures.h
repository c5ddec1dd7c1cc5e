// Where Wine departs from Windows, in one place. A contract test that meets
// one of these asks here, so that the difference is named, not hidden.
// The simulated machine follows Windows.
#pragma once
#include "platform/platform.h"

namespace wine {

inline bool Active() { return plat::RunningUnderWine(); }

// EnumJobs is a stub: it reports no jobs (and fails even for a queue without any).
inline bool EnumJobsIsStub() { return Active(); }
// SetPrinter level 0 (control commands such as PRINTER_CONTROL_SET_STATUS) is not implemented.
inline bool SetPrinterLevel0Unimplemented() { return Active(); }
// DeletePrinterDriverExA with DPD_DELETE_UNUSED_FILES fails with ERROR_INVALID_PARAMETER.
inline bool DeleteDriverExRejectsUnusedFilesFlag() { return Active(); }
// AddPrinter on a driver that is not installed fails with ERROR_INVALID_PARAMETER,
// not ERROR_UNKNOWN_PRINTER_DRIVER.
inline bool AddPrinterUnknownDriverIsInvalidParameter() { return Active(); }
// AddPrinter with the name of an existing queue succeeds instead of failing
// with ERROR_PRINTER_ALREADY_EXISTS.
inline bool AddPrinterAcceptsExistingName() { return Active(); }
// The A registry functions fail a path of more than 260 characters with
// ERROR_MORE_DATA (234); Windows refuses only a name over 256 characters,
// with ERROR_INVALID_PARAMETER.
inline bool RegistryLongPathIsMoreData() { return Active(); }
// RegEnumValue lists a key's values sorted by name; Windows lists them in
// the order they were written.
inline bool RegistryValuesListSorted() { return Active(); }
// RegCreateKeyEx in a 32-bit process on 64-bit Windows, given a path that
// names SOFTWARE\Wow6432Node and more than one missing level, makes those
// levels under SOFTWARE\Wow6432Node\Wow6432Node; Windows makes them where
// the path says.
inline bool RegistryCreateBelowWow6432NodeGoesTwiceDeep() { return Active(); }
// Wine's own sc.exe prints nothing for "query".
inline bool ScQueryPrintsNothing() { return Active(); }

}  // namespace wine
