// The system seam. Everything the installer asks of Windows goes through the
// interfaces reached from here; the backend (real Win32 or the simulated
// machine) is chosen in one place per build.
//
//   if (plat::files().FileExists("install.ini")) ...
//
// How every seam function reports a failure:
// - A function that answers true/false, an object (null: none) or an
//   optional (nullopt: none) fails with false, null or nullopt, and the
//   failing call's Win32 error is then the last error (sys().GetLastError(),
//   numbers in platform/errors.h). A success may leave any last error.
// - A function that returns a uint32_t code (the registry) returns the
//   Win32 error itself, 0 for success, and leaves the last error alone.
// - A function the system may lack (looked up at run time) answers
//   optional<bool>: nullopt when the function is missing, else as above.
// - Outputs (reference and pointer arguments) hold an answer only after a
//   success; on failure the caller must not read them, except the size a
//   function names for growing a buffer ("needed").
// - Closing or releasing anything (the owners' destructors) never changes
//   the last error, so a failure can be read after its handles are gone.
// - A function that cannot fail says so by returning void or a plain value.
#pragma once
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/library.h"
#include "platform/messages.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/system.h"

namespace plat {

// Each part has a type of its own: a list of them in another order does not
// compile.
struct Backend {
  System* system = nullptr;
  Files* files = nullptr;
  Profile* profile = nullptr;
  Processes* processes = nullptr;
  Libraries* libraries = nullptr;
  Spooler* spooler = nullptr;
  Messages* messages = nullptr;
  Registry* registry = nullptr;
};

// The backend in use; the build's default until SetBackend replaces it.
Backend& backend();
void SetBackend(const Backend& b);
// Counts SetBackend calls: what a caller kept from one machine's files is
// not valid on the next.
unsigned BackendGeneration();
// The build's own default backend (real Win32, or a default simulated machine).
Backend DefaultBackend();

// True when the real backend runs under Wine (for tests that record Wine's departures).
bool RunningUnderWine();

inline System& sys() { return *backend().system; }
inline Files& files() { return *backend().files; }
inline Profile& profile() { return *backend().profile; }
inline Processes& processes() { return *backend().processes; }
inline Libraries& libraries() { return *backend().libraries; }
inline Spooler& spooler() { return *backend().spooler; }
inline Messages& messages() { return *backend().messages; }
inline Registry& registry() { return *backend().registry; }

}  // namespace plat
