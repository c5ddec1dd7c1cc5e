// An open system object the seam hands out (a registry key, a printer):
// opaque to its caller, closed by the backend when it is destroyed.
//
//   std::unique_ptr<plat::PrinterHandle> p = plat::spooler().OpenPrinter(name, nullptr);
//   // ... ClosePrinter when p goes
#pragma once

namespace plat {

class ObjectHandle {
 public:
  virtual ~ObjectHandle() = default;
};

}  // namespace plat
