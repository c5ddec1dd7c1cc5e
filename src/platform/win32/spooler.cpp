// The print spooler over winspool's A functions, all looked up at run time in
// winspool.drv of the system folder (functions Windows 2000 lacks answer
// "not supported").
#include "platform/win32/windows_lean.h"

#include <cstring>
#include <utility>
#include <vector>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32.h"

namespace plat::win32 {
namespace {

std::string Text(const char* s) { return s ? std::string(s) : std::string(); }
// A null pointer for an empty text, as the spooler expects for optional fields.
LPSTR Opt(const std::string& s) { return s.empty() ? nullptr : const_cast<LPSTR>(s.c_str()); }

using Win32PrinterHandle = HandleObject<PrinterHandle, PrinterHandleTraits>;
HANDLE Raw(PrinterHandle& p) { return Win32PrinterHandle::Of(p); }

// winspool.drv is not pinned to the system folder: every spooler function is
// looked up in the one loaded by its full path there. A function the system
// lacks answers nullptr.
template <typename Fn>
Fn Find(const char* name) {
  return ProcOf<Fn>(SystemLibrary("winspool.drv"), name);
}

// Calls a spooler function by its name; when it cannot be had, the call fails
// (FALSE, or a null handle) with the loader's error.
template <typename Fn, typename... Args>
auto Call(const char* name, Args... args) {
  using Result = decltype(std::declval<Fn>()(args...));
  Fn fn = Find<Fn>(name);
  if (!fn) {
    if (SystemLibrary("winspool.drv")) ::SetLastError(ERROR_PROC_NOT_FOUND);
    return Result{};
  }
  return fn(args...);
}
#define WINSPOOL(name, ...) Call<decltype(&::name)>(#name, __VA_ARGS__)

void ToDevMode(const DEVMODEA* dm, std::optional<DevMode>& out) {
  out.reset();
  if (!dm) return;
  DevMode d{};
  size_t n = dm->dmSize < kDevModeSize ? dm->dmSize : kDevModeSize;
  memcpy(d.data(), dm, n);
  out = d;
}

// PRINTER_INFO_2A and PrinterInfo2 field by field, one list for both
// directions (the DEVMODE goes on its own).
using Api = PRINTER_INFO_2A;
using Info = PrinterInfo2;
template <typename RawType, typename Type>
struct Field {
  RawType Api::*raw;
  Type Info::*value;
};
constexpr Field<LPSTR, std::string> kTextFields[] = {
    {&Api::pServerName, &Info::serverName},
    {&Api::pPrinterName, &Info::printerName},
    {&Api::pShareName, &Info::shareName},
    {&Api::pPortName, &Info::portName},
    {&Api::pDriverName, &Info::driverName},
    {&Api::pComment, &Info::comment},
    {&Api::pLocation, &Info::location},
    {&Api::pSepFile, &Info::sepFile},
    {&Api::pDatatype, &Info::datatype},
    {&Api::pParameters, &Info::parameters},
    {&Api::pPrintProcessor, &Info::printProcessor}};
constexpr Field<DWORD, uint32_t> kNumberFields[] = {{&Api::Attributes, &Info::attributes},
                                                    {&Api::Priority, &Info::priority},
                                                    {&Api::DefaultPriority, &Info::defaultPriority},
                                                    {&Api::StartTime, &Info::startTime},
                                                    {&Api::UntilTime, &Info::untilTime},
                                                    {&Api::Status, &Info::status},
                                                    {&Api::cJobs, &Info::jobs},
                                                    {&Api::AveragePPM, &Info::averagePpm}};

PrinterInfo2 FromInfo(const PRINTER_INFO_2A& p) {
  PrinterInfo2 i;
  for (const auto& f : kTextFields) i.*f.value = Text(p.*f.raw);
  for (const auto& f : kNumberFields) i.*f.value = p.*f.raw;
  ToDevMode(p.pDevMode, i.devMode);
  return i;
}

// A DEVMODEA built from the 156 public bytes, with no driver extra.
struct DevModeBuffer {
  explicit DevModeBuffer(const std::optional<DevMode>& d) {
    if (!d) return;
    memset(&dm, 0, sizeof dm);
    memcpy(&dm, d->data(), kDevModeSize < sizeof dm ? kDevModeSize : sizeof dm);
    dm.dmSize = static_cast<WORD>(kDevModeSize);
    dm.dmDriverExtra = 0;
    ptr = &dm;
  }
  DEVMODEA dm;
  DEVMODEA* ptr = nullptr;
};

PRINTER_INFO_2A ToInfo(const PrinterInfo2& i, DEVMODEA* dm) {
  PRINTER_INFO_2A p;
  ZeroMemory(&p, sizeof p);
  for (const auto& f : kTextFields) p.*f.raw = Opt(i.*f.value);
  for (const auto& f : kNumberFields) p.*f.raw = i.*f.value;
  p.pDevMode = dm;
  return p;
}

// Room for bufferSize bytes, never a zero-length allocation.
std::vector<BYTE> Buffer(uint32_t size) { return std::vector<BYTE>(size ? size : 1); }
LPBYTE Ptr(std::vector<BYTE>& b, uint32_t size) { return size ? b.data() : nullptr; }

// One enumeration call into a buffer of bufferSize bytes: |call| fills it and
// reports the bytes needed and the records written, each converted for |out|.
template <typename Record, typename T, typename Call, typename Convert>
bool Enumerate(uint32_t bufferSize, std::vector<T>& out, uint32_t& needed, Call call,
               Convert convert) {
  std::vector<BYTE> buf = Buffer(bufferSize);
  DWORD need = 0, count = 0;
  BOOL ok = call(Ptr(buf, bufferSize), &need, &count);
  needed = need;
  if (!ok) return false;
  out.clear();
  const auto* records = reinterpret_cast<const Record*>(buf.data());
  for (DWORD i = 0; i < count; ++i) out.push_back(convert(records[i]));
  return true;
}

class Win32Spooler : public Spooler {
 public:
  bool EnumPrinters2(uint32_t flags, uint32_t bufferSize, std::vector<PrinterInfo2>& out,
                     uint32_t& needed) override {
    return Enumerate<PRINTER_INFO_2A>(
        bufferSize, out, needed,
        [&](LPBYTE buf, DWORD* need, DWORD* count) {
          return WINSPOOL(EnumPrintersA, flags, nullptr, 2, buf, bufferSize, need, count);
        },
        FromInfo);
  }

  bool EnumPorts2(uint32_t bufferSize, std::vector<PortInfo2>& out, uint32_t& needed) override {
    return Enumerate<PORT_INFO_2A>(
        bufferSize, out, needed,
        [&](LPBYTE buf, DWORD* need, DWORD* count) {
          return WINSPOOL(EnumPortsA, nullptr, 2, buf, bufferSize, need, count);
        },
        [](const PORT_INFO_2A& p) {
          PortInfo2 port;
          port.portName = Text(p.pPortName);
          port.monitorName = Text(p.pMonitorName);
          port.description = Text(p.pDescription);
          port.portType = p.fPortType;
          return port;
        });
  }

  std::unique_ptr<PrinterHandle> OpenPrinter(const std::string& name,
                                             const PrinterDefaults* defaults) override {
    HANDLE h = nullptr;
    BOOL ok;
    if (defaults) {
      DevModeBuffer dm(defaults->devMode);
      PRINTER_DEFAULTSA d;
      d.pDatatype = Opt(defaults->datatype);
      d.pDevMode = dm.ptr;
      d.DesiredAccess = defaults->desiredAccess;
      ok = WINSPOOL(OpenPrinterA, const_cast<LPSTR>(name.c_str()), &h, &d);
    } else {
      ok = WINSPOOL(OpenPrinterA, const_cast<LPSTR>(name.c_str()), &h, nullptr);
    }
    if (!ok || !h) return nullptr;
    return std::make_unique<Win32PrinterHandle>(h);
  }

  bool GetPrinter2(PrinterHandle& printer, uint32_t bufferSize, PrinterInfo2& out,
                   uint32_t& needed) override {
    std::vector<BYTE> buf = Buffer(bufferSize);
    DWORD need = 0;
    BOOL ok = WINSPOOL(GetPrinterA, Raw(printer), 2, Ptr(buf, bufferSize), bufferSize, &need);
    needed = need;
    if (!ok) return false;
    out = FromInfo(*reinterpret_cast<const PRINTER_INFO_2A*>(buf.data()));
    return true;
  }

  bool SetPrinter2(PrinterHandle& printer, const PrinterInfo2& info, uint32_t command) override {
    DevModeBuffer dm(info.devMode);
    PRINTER_INFO_2A p = ToInfo(info, dm.ptr);
    return WINSPOOL(SetPrinterA, Raw(printer), 2, reinterpret_cast<LPBYTE>(&p), command) != FALSE;
  }

  bool SetPrinter0(PrinterHandle& printer, uint32_t command, uint32_t status) override {
    // Level 0 with PRINTER_CONTROL_SET_STATUS takes the status as the "buffer".
    return WINSPOOL(SetPrinterA, Raw(printer), 0,
                    reinterpret_cast<LPBYTE>(static_cast<uintptr_t>(status)), command) != FALSE;
  }

  bool EnumJobs1(PrinterHandle& printer, uint32_t firstJob, uint32_t count, uint32_t bufferSize,
                 std::vector<JobInfo1>& out, uint32_t& needed) override {
    return Enumerate<JOB_INFO_1A>(
        bufferSize, out, needed,
        [&](LPBYTE buf, DWORD* need, DWORD* returned) {
          return WINSPOOL(EnumJobsA, Raw(printer), firstJob, count, 1, buf, bufferSize, need,
                          returned);
        },
        [](const JOB_INFO_1A& j) {
          JobInfo1 job;
          job.jobId = j.JobId;
          job.printerName = Text(j.pPrinterName);
          job.machineName = Text(j.pMachineName);
          job.userName = Text(j.pUserName);
          job.document = Text(j.pDocument);
          job.datatype = Text(j.pDatatype);
          job.statusText = Text(j.pStatus);
          job.status = j.Status;
          job.priority = j.Priority;
          job.position = j.Position;
          job.totalPages = j.TotalPages;
          job.pagesPrinted = j.PagesPrinted;
          return job;
        });
  }

  std::unique_ptr<PrinterHandle> AddPrinter2(const PrinterInfo2& info) override {
    DevModeBuffer dm(info.devMode);
    PRINTER_INFO_2A p = ToInfo(info, dm.ptr);
    HANDLE h = WINSPOOL(AddPrinterA, nullptr, 2, reinterpret_cast<LPBYTE>(&p));
    if (!h) return nullptr;
    return std::make_unique<Win32PrinterHandle>(h);
  }

  bool DeletePrinter(PrinterHandle& printer) override {
    return WINSPOOL(DeletePrinter, Raw(printer)) != FALSE;
  }

  bool DeletePrinterDriver(const std::string& environment, const std::string& driver) override {
    return WINSPOOL(DeletePrinterDriverA, nullptr, Opt(environment),
                    const_cast<LPSTR>(driver.c_str())) != FALSE;
  }

  std::optional<bool> GetDefaultPrinter(std::string& name, uint32_t bufferSize) override {
    using Fn = BOOL(WINAPI*)(LPSTR, LPDWORD);
    name.clear();
    auto fn = Find<Fn>("GetDefaultPrinterA");
    if (!fn) return std::nullopt;
    std::vector<char> buf(bufferSize + 1, '\0');
    DWORD size = bufferSize;
    BOOL ok = fn(buf.data(), &size);
    if (ok) name = buf.data();
    return ok != FALSE;
  }

  std::optional<bool> SetDefaultPrinter(const std::string& name) override {
    using Fn = BOOL(WINAPI*)(LPCSTR);
    auto fn = Find<Fn>("SetDefaultPrinterA");
    if (!fn) return std::nullopt;
    return fn(name.c_str()) != FALSE;
  }

  std::optional<bool> DeletePrinterDriverEx(const std::string& server,
                                            const std::string& environment,
                                            const std::string& driver, uint32_t deleteFlag,
                                            uint32_t versionFlag) override {
    using Fn = BOOL(WINAPI*)(LPSTR, LPSTR, LPSTR, DWORD, DWORD);
    auto fn = Find<Fn>("DeletePrinterDriverExA");
    if (!fn) return std::nullopt;
    return fn(Opt(server), Opt(environment), const_cast<LPSTR>(driver.c_str()), deleteFlag,
              versionFlag) != FALSE;
  }

  bool AddPrinterDriver(const std::string& name) override {
    // The system's PostScript driver files, which every Windows and Wine has.
    char sys[MAX_PATH + 1] = {};
    ::GetSystemDirectoryA(sys, MAX_PATH);
    DRIVER_INFO_3A d;
    ZeroMemory(&d, sizeof d);
    d.cVersion = 3;
    d.pName = const_cast<LPSTR>(name.c_str());
    std::string driverPath = "wineps.drv", dataFile = "generic.ppd", configFile = "wineps.drv";
    d.pDriverPath = driverPath.data();
    d.pDataFile = dataFile.data();
    d.pConfigFile = configFile.data();
    d.pDefaultDataType = const_cast<LPSTR>("RAW");
    return WINSPOOL(AddPrinterDriverA, nullptr, 3, reinterpret_cast<LPBYTE>(&d)) != FALSE;
  }
};

}  // namespace

BOOL WINAPI ClosePrinterHandle(HANDLE printer) { return WINSPOOL(ClosePrinter, printer); }

std::unique_ptr<Spooler> MakeSpooler() { return std::make_unique<Win32Spooler>(); }

}  // namespace plat::win32
