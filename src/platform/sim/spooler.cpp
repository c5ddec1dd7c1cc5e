// The simulated print spooler over SimMachine::spooler. Buffer sizes are
// those the 32-bit structures would need, so fixed buffers overflow at the
// same counts as on Windows; open printer handles are counted.
#include <algorithm>

#include "platform/common/text.h"
#include "platform/errors.h"
#include "platform/sim/machine.h"

namespace plat::sim {
namespace {

constexpr uint32_t kPrinterAccessAdminister = 0x4;
constexpr uint32_t kMaxPrinterName = 220;  // longest queue name the spooler accepts
constexpr uint32_t kPrinterStatusPendingDeletion = 0x4;
constexpr uint32_t kPrinterStatusPaused = 0x1;

// Bytes of a 32-bit text: the characters and the NUL; an empty text is a null pointer.
uint32_t TextSize(const std::string& s) {
  return s.empty() ? 0 : static_cast<uint32_t>(s.size() + 1);
}

uint32_t PrinterSize(const PrinterInfo2& p) {
  uint32_t n = 84;  // sizeof(PRINTER_INFO_2A) on 32-bit Windows
  for (const std::string* s :
       {&p.serverName, &p.printerName, &p.shareName, &p.portName, &p.driverName, &p.comment,
        &p.location, &p.sepFile, &p.printProcessor, &p.datatype, &p.parameters})
    n += TextSize(*s);
  if (p.devMode) n += static_cast<uint32_t>(kDevModeSize);
  return (n + 3) & ~3u;  // entries' texts are packed on DWORD boundaries
}

uint32_t PortSize(const PortInfo2& p) {
  return 20 + TextSize(p.portName) + TextSize(p.monitorName) + TextSize(p.description);
}

uint32_t JobSize(const JobInfo1& j) {
  return 64 + TextSize(j.printerName) + TextSize(j.machineName) + TextSize(j.userName) +
         TextSize(j.document) + TextSize(j.datatype) + TextSize(j.statusText);
}

class SimPrinterHandle : public PrinterHandle {
 public:
  SimPrinterHandle(SimMachine& m, const char* call, std::string name, uint32_t access)
      : handle_(m.handles, "printer", call + ("(" + name + ")")),
        name(std::move(name)),
        access(access) {}

 private:
  CountedHandle handle_;

 public:
  std::string name;  // the queue it was opened on
  uint32_t access;   // the rights it was opened with
};

class SimSpooler : public Spooler {
 public:
  explicit SimSpooler(SimMachine& m) : m_(m) {}

  bool EnumPrinters2(uint32_t flags, uint32_t bufferSize, std::vector<PrinterInfo2>& out,
                     uint32_t& needed) override {
    needed = 0;
    if (Fail("EnumPrinters")) return false;
    std::vector<PrinterInfo2> list;
    // Every simulated queue is local; there are no network connections.
    if (flags & kPrinterEnumLocal)
      for (const SimPrinter& p : m_.spooler.printers) list.push_back(Info(p));
    for (const PrinterInfo2& p : list) needed += PrinterSize(p);
    if (needed > bufferSize) return Error(kErrorInsufficientBuffer);
    out = std::move(list);
    return true;
  }

  bool EnumPorts2(uint32_t bufferSize, std::vector<PortInfo2>& out, uint32_t& needed) override {
    needed = 0;
    if (Fail("EnumPorts")) return false;
    std::vector<PortInfo2> list;
    for (const std::string& name : m_.spooler.ports) {
      PortInfo2 p;
      p.portName = name;
      p.monitorName = "Local Port";
      p.description = "Local Port";
      p.portType = 0x3;  // PORT_TYPE_WRITE | PORT_TYPE_READ
      needed += PortSize(p);
      list.push_back(p);
    }
    if (needed > bufferSize) return Error(kErrorInsufficientBuffer);
    out = std::move(list);
    return true;
  }

  std::unique_ptr<PrinterHandle> OpenPrinter(const std::string& name,
                                             const PrinterDefaults* defaults) override {
    if (Fail("OpenPrinter")) return nullptr;
    SimPrinter* p = Find(name);
    if (!p) {
      Error(kErrorInvalidPrinterName);
      return nullptr;
    }
    // Without defaults a handle may only print (PRINTER_ACCESS_USE).
    uint32_t access = defaults && defaults->desiredAccess ? defaults->desiredAccess : 0x8;
    return std::make_unique<SimPrinterHandle>(m_, "OpenPrinter", p->info.printerName, access);
  }

  bool GetPrinter2(PrinterHandle& printer, uint32_t bufferSize, PrinterInfo2& out,
                   uint32_t& needed) override {
    needed = 0;
    if (Fail("GetPrinter")) return false;
    SimPrinter* p = Of(printer);
    if (!p) return false;
    PrinterInfo2 info = Info(*p);
    needed = PrinterSize(info);
    if (needed > bufferSize) return Error(kErrorInsufficientBuffer);
    out = std::move(info);
    return true;
  }

  bool SetPrinter2(PrinterHandle& printer, const PrinterInfo2& info, uint32_t command) override {
    if (Fail("SetPrinter")) return false;
    SimPrinter* p = Of(printer);
    if (!p) return false;
    // Changing a queue's settings needs the right to administer it.
    if (!(static_cast<SimPrinterHandle&>(printer).access & kPrinterAccessAdminister))
      return Error(kErrorAccessDenied);
    if (command != 0 && !ApplyCommand(*p, command, 0)) return false;
    if (!info.printerName.empty() && !text::EqualNoCase(info.printerName, p->info.printerName)) {
      if (!ValidName(info.printerName)) return Error(kErrorInvalidPrinterName);
      if (Find(info.printerName)) return Error(kErrorPrinterAlreadyExists);
    }
    if (!info.portName.empty() && !HasPort(info.portName)) return Error(kErrorUnknownPort);
    if (!info.driverName.empty() && !HasDriver(info.driverName))
      return Error(kErrorUnknownPrinterDriver);
    if (!info.printProcessor.empty() && !HasProcessor(info.printProcessor))
      return Error(kErrorUnknownPrintProcessor);
    PrinterInfo2 next = info;
    if (next.printerName.empty()) next.printerName = p->info.printerName;
    if (next.portName.empty()) next.portName = p->info.portName;
    if (next.driverName.empty()) next.driverName = p->info.driverName;
    if (next.printProcessor.empty()) next.printProcessor = p->info.printProcessor;
    if (next.datatype.empty()) next.datatype = p->info.datatype;
    if (!next.devMode) next.devMode = p->info.devMode;
    next.status = p->info.status;
    next.jobs = 0;
    if (text::EqualNoCase(m_.spooler.defaultPrinter, p->info.printerName))
      m_.spooler.defaultPrinter = next.printerName;
    static_cast<SimPrinterHandle&>(printer).name = next.printerName;
    p->info = next;
    return true;
  }

  bool SetPrinter0(PrinterHandle& printer, uint32_t command, uint32_t status) override {
    if (Fail("SetPrinter")) return false;
    SimPrinter* p = Of(printer);
    if (!p) return false;
    return ApplyCommand(*p, command, status);
  }

  bool EnumJobs1(PrinterHandle& printer, uint32_t firstJob, uint32_t count, uint32_t bufferSize,
                 std::vector<JobInfo1>& out, uint32_t& needed) override {
    needed = 0;
    if (Fail("EnumJobs")) return false;
    SimPrinter* p = Of(printer);
    if (!p) return false;
    std::vector<JobInfo1> list;
    for (size_t i = firstJob; i < p->jobs.size() && list.size() < count; ++i) {
      const SimJob& j = p->jobs[i];
      JobInfo1 info;
      info.jobId = j.id;
      info.printerName = p->info.printerName;
      info.machineName = "\\\\SIMPC";
      info.userName = "User";
      info.document = j.document;
      info.datatype = "RAW";
      info.status = j.status;
      info.priority = 1;
      info.position = static_cast<uint32_t>(i + 1);
      needed += JobSize(info);
      list.push_back(info);
    }
    if (needed > bufferSize) return Error(kErrorInsufficientBuffer);
    out = std::move(list);
    return true;
  }

  std::unique_ptr<PrinterHandle> AddPrinter2(const PrinterInfo2& info) override {
    if (Fail("AddPrinter")) return nullptr;
    uint32_t error = 0;
    if (!ValidName(info.printerName))
      error = kErrorInvalidPrinterName;
    else if (Find(info.printerName))
      error = kErrorPrinterAlreadyExists;
    else if (info.driverName.empty() || !HasDriver(info.driverName))
      error = kErrorUnknownPrinterDriver;
    else if (info.portName.empty() || !HasPort(info.portName))
      error = kErrorUnknownPort;
    else if (!info.printProcessor.empty() && !HasProcessor(info.printProcessor))
      error = kErrorUnknownPrintProcessor;
    if (error) {
      Error(error);
      return nullptr;
    }
    SimPrinter p;
    p.info = info;
    p.info.serverName.clear();
    if (p.info.printProcessor.empty()) p.info.printProcessor = "WinPrint";
    if (p.info.datatype.empty()) p.info.datatype = "RAW";
    p.info.status = 0;
    p.info.jobs = 0;
    m_.spooler.printers.push_back(p);
    return std::make_unique<SimPrinterHandle>(m_, "AddPrinter", info.printerName,
                                              kPrinterAllAccess);
  }

  bool DeletePrinter(PrinterHandle& printer) override {
    if (Fail("DeletePrinter")) return false;
    SimPrinter* p = Of(printer);
    if (!p) return false;
    if (text::EqualNoCase(m_.spooler.defaultPrinter, p->info.printerName))
      m_.spooler.defaultPrinter.clear();
    // A queue that still holds jobs goes when they have printed.
    if (!p->jobs.empty()) {
      p->info.status |= kPrinterStatusPendingDeletion;
      return true;
    }
    auto& list = m_.spooler.printers;
    list.erase(list.begin() + (p - list.data()));
    return true;
  }

  bool DeletePrinterDriver(const std::string& environment, const std::string& driver) override {
    if (Fail("DeletePrinterDriver")) return false;
    return RemoveDriver(environment, driver);
  }

  std::optional<bool> GetDefaultPrinter(std::string& name, uint32_t bufferSize) override {
    name.clear();
    if (!m_.spooler.hasGetDefaultPrinter) return std::nullopt;
    if (Fail("GetDefaultPrinter")) return false;
    const std::string& d = m_.spooler.defaultPrinter;
    if (d.empty() || !Find(d)) return Error(kErrorFileNotFound);
    if (d.size() + 1 > bufferSize) return Error(kErrorInsufficientBuffer);
    name = d;
    return true;
  }

  std::optional<bool> SetDefaultPrinter(const std::string& name) override {
    if (!m_.spooler.hasSetDefaultPrinter) return std::nullopt;
    if (Fail("SetDefaultPrinter")) return false;
    if (name.empty()) {
      // No name: keep a default that is set, else take the first queue.
      if (!m_.spooler.defaultPrinter.empty() && Find(m_.spooler.defaultPrinter)) return true;
      if (m_.spooler.printers.empty()) return Error(kErrorInvalidPrinterName);
      m_.spooler.defaultPrinter = m_.spooler.printers.front().info.printerName;
      return true;
    }
    SimPrinter* p = Find(name);
    if (!p) return Error(kErrorInvalidPrinterName);
    m_.spooler.defaultPrinter = p->info.printerName;
    return true;
  }

  std::optional<bool> DeletePrinterDriverEx(const std::string& server,
                                            const std::string& environment,
                                            const std::string& driver, uint32_t deleteFlag,
                                            uint32_t) override {
    if (!m_.spooler.hasDeletePrinterDriverEx) return std::nullopt;
    if (Fail("DeletePrinterDriverEx")) return false;
    if (!server.empty()) return Error(kErrorInvalidParameter);
    if (deleteFlag & ~0x7u) return Error(kErrorInvalidParameter);  // DPD_* flags only
    return RemoveDriver(environment, driver);
  }

  bool AddPrinterDriver(const std::string& name) override {
    if (Fail("AddPrinterDriver")) return false;
    if (name.empty()) return Error(kErrorInvalidParameter);
    if (!HasDriver(name)) m_.spooler.drivers.push_back(name);
    return true;
  }

 private:
  bool Fail(const std::string& call) {
    ++m_.spooler.calls[call];
    if (auto e = m_.faults.Check(call)) {
      m_.lastError = *e;
      return true;
    }
    return false;
  }

  bool Error(uint32_t code) {
    m_.lastError = code;
    return false;
  }

  static bool ValidName(const std::string& name) {
    if (name.empty() || name.size() > kMaxPrinterName) return false;
    return name.find_first_of("\\,!") == std::string::npos;
  }

  SimPrinter* Find(const std::string& name) {
    for (SimPrinter& p : m_.spooler.printers)
      if (text::EqualNoCase(p.info.printerName, name)) return &p;
    return nullptr;
  }

  SimPrinter* Of(PrinterHandle& h) {
    SimPrinter* p = Find(static_cast<SimPrinterHandle&>(h).name);
    if (!p) Error(kErrorInvalidHandle);
    return p;
  }

  bool HasPort(const std::string& name) const {
    for (const std::string& p : m_.spooler.ports)
      if (text::EqualNoCase(p, name)) return true;
    return false;
  }

  bool HasDriver(const std::string& name) const {
    for (const std::string& d : m_.spooler.drivers)
      if (text::EqualNoCase(d, name)) return true;
    return false;
  }

  bool HasProcessor(const std::string& name) const {
    for (const std::string& p : m_.spooler.printProcessors)
      if (text::EqualNoCase(p, name)) return true;
    return false;
  }

  bool RemoveDriver(const std::string&, const std::string& driver) {
    auto& list = m_.spooler.drivers;
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const std::string& d) { return text::EqualNoCase(d, driver); });
    if (it == list.end()) return Error(kErrorUnknownPrinterDriver);
    for (const SimPrinter& p : m_.spooler.printers)
      if (text::EqualNoCase(p.info.driverName, driver)) return Error(kErrorPrinterDriverInUse);
    list.erase(it);
    return true;
  }

  bool ApplyCommand(SimPrinter& p, uint32_t command, uint32_t status) {
    switch (command) {
      case 1:  // PRINTER_CONTROL_PAUSE
        p.info.status |= kPrinterStatusPaused;
        return true;
      case 2:  // PRINTER_CONTROL_RESUME
        p.info.status &= ~kPrinterStatusPaused;
        return true;
      case 3:  // PRINTER_CONTROL_PURGE
        p.jobs.clear();
        return true;
      case kPrinterControlSetStatus: p.info.status = status; return true;
      default: return Error(kErrorInvalidPrinterCommand);
    }
  }

  PrinterInfo2 Info(const SimPrinter& p) const {
    PrinterInfo2 i = p.info;
    i.jobs = static_cast<uint32_t>(p.jobs.size());
    i.attributes |= kPrinterAttributeLocal;
    return i;
  }

  SimMachine& m_;
};

}  // namespace

std::unique_ptr<Spooler> MakeSpooler(SimMachine& m) { return std::make_unique<SimSpooler>(m); }

}  // namespace plat::sim
