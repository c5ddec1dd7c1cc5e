// The system seam. Everything the installer asks of Windows goes through the
// interfaces reached from here; the backend (real Win32 or the simulated
// machine) is chosen in one place per build.
//
//   if (plat::files().FileExists("install.ini")) ...
#pragma once
#include "platform/files.h"
#include "platform/library.h"
#include "platform/messages.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/system.h"

namespace plat {

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
