// PLACEHOLDER until the simulated spooler lands: every call fails.
#include "platform/sim/machine.h"
namespace plat::sim {
namespace {
class SimSpooler : public Spooler {
 public:
  bool EnumPrinters2(uint32_t, uint32_t, std::vector<PrinterInfo2>&, uint32_t& n) override { n = 0; return false; }
  bool EnumPorts2(uint32_t, std::vector<PortInfo2>&, uint32_t& n) override { n = 0; return false; }
  std::unique_ptr<PrinterHandle> OpenPrinter(const std::string&, const PrinterDefaults*) override { return nullptr; }
  bool GetPrinter2(PrinterHandle&, uint32_t, PrinterInfo2&, uint32_t& n) override { n = 0; return false; }
  bool SetPrinter2(PrinterHandle&, const PrinterInfo2&, uint32_t) override { return false; }
  bool SetPrinter0(PrinterHandle&, uint32_t, uint32_t) override { return false; }
  bool EnumJobs1(PrinterHandle&, uint32_t, uint32_t, uint32_t, std::vector<JobInfo1>&, uint32_t& n) override { n = 0; return false; }
  std::unique_ptr<PrinterHandle> AddPrinter2(const PrinterInfo2&) override { return nullptr; }
  bool DeletePrinter(PrinterHandle&) override { return false; }
  bool DeletePrinterDriver(const std::string&, const std::string&) override { return false; }
  std::optional<bool> GetDefaultPrinter(std::string&, uint32_t) override { return std::nullopt; }
  std::optional<bool> SetDefaultPrinter(const std::string&) override { return std::nullopt; }
  std::optional<bool> DeletePrinterDriverEx(const std::string&, const std::string&, const std::string&,
                                            uint32_t, uint32_t) override { return std::nullopt; }
};
}  // namespace
std::unique_ptr<Spooler> MakeSpooler(SimMachine&) { return std::make_unique<SimSpooler>(); }
}  // namespace plat::sim
