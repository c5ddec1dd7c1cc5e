#include "drvkit/driver_plan.h"

#include <cstdio>
#include <deque>

#include "drvkit/inf_file.h"

namespace drvkit {
namespace {

// DestinationDirs: the printer driver directory, and the system folder where
// language and port monitors go.
constexpr const char* kDriverDirectory = "66000";
constexpr const char* kMonitorDirectory = "66002";

std::string Tail(const std::string& id) {
  size_t slash = id.find('\\');
  return slash == std::string::npos ? id : id.substr(slash + 1);
}

// "NTamd64", "NTamd64.6.0", ...: a decoration for |arch|.
bool DecorationFor(const std::string& decoration, Arch arch) {
  const std::string want = arch == Arch::kAmd64 ? "NTAMD64" : "NTX86";
  const std::string d = UpperAscii(decoration);
  return d.compare(0, want.size(), want) == 0 && (d.size() == want.size() || d[want.size()] == '.');
}

std::string Hex(uint32_t code) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%08X", code);
  return buf;
}

struct ModelMatch {
  size_t rank = 0;  // 1: the hardware ID, 2 and on: compatible IDs
  std::string manufacturer, name, installSection, hardwareId;
};

// The best model line for |hwid| among the models sections |arch| reads:
// the decorated one the [Manufacturer] line names for it, else (x86 only,
// as x64 Windows ignores undecorated models) the undecorated one. The
// lowest rank wins, then the first in the file.
std::optional<ModelMatch> FindModel(const InfFile& inf, const std::string& hwid, Arch arch) {
  std::optional<ModelMatch> best;
  const std::string tail = Tail(hwid);
  for (const InfLine& m : inf.Lines("Manufacturer")) {
    const std::string base = m.Field(0);
    if (base.empty()) continue;
    std::string section;
    for (size_t i = 1; i < m.fields.size() && section.empty(); ++i)
      if (DecorationFor(m.fields[i], arch)) section = base + "." + m.fields[i];
    if (section.empty() && arch == Arch::kX86) section = base;
    if (section.empty()) continue;
    for (const InfLine& line : inf.Lines(section)) {
      for (size_t i = 1; i < line.fields.size(); ++i) {
        if (line.fields[i].empty() || !EqualNoCase(Tail(line.fields[i]), tail)) continue;
        if (!best || i < best->rank)
          best = ModelMatch{i, m.hasKey ? m.key : base, line.hasKey ? line.key : line.Field(0),
                            line.Field(0), line.Field(1)};
        break;
      }
    }
  }
  return best;
}

// A section by the decorated name Windows looks for first.
std::string Decorated(const InfFile& inf, const std::string& section, Arch arch) {
  for (const char* d : {arch == Arch::kAmd64 ? ".NTamd64" : ".NTx86", ".NT"})
    if (inf.HasSection(section + d)) return section + d;
  return section;
}

class Planner {
 public:
  Planner(const InfFile& inf, Arch arch, const IncludeReader& includes)
      : inf_(inf), arch_(arch), includes_(includes) {}

  PlanResult Make(const std::string& hwid) {
    if (!inf_.HasSection("Version"))
      return Fail(kErrorWrongInfStyle, "the INF has no [Version] section");
    std::optional<ModelMatch> match = FindModel(inf_, hwid, arch_);
    if (!match) {
      const Arch other = arch_ == Arch::kAmd64 ? Arch::kX86 : Arch::kAmd64;
      if (FindModel(inf_, hwid, other))
        return Fail(kErrorMachineMismatch, std::string("the INF has a model for ") + hwid + " on " +
                                               EnvironmentOf(other) + " only");
      return Fail(kErrorNoCompatDrivers, "no model of the INF has the ID " + hwid);
    }
    if (match->installSection.empty())
      return Fail(kErrorSectionNotFound, "the model names no install section");
    DriverPlan& p = result_.plan;
    p.model = match->name;
    p.manufacturer = match->manufacturer;
    p.hardwareId = match->hardwareId;
    p.provider = inf_.Value("Version", "Provider");
    p.catalog =
        inf_.Value("Version", arch_ == Arch::kAmd64 ? "CatalogFile.NTamd64" : "CatalogFile.NTx86");
    if (p.catalog.empty()) p.catalog = inf_.Value("Version", "CatalogFile");
    const InfLine* ver = inf_.Find("Version", "DriverVer");
    if (ver) p.driverVer = ver->Field(0) + "," + ver->Field(1);

    const std::string install = Decorated(inf_, match->installSection, arch_);
    sources_.push_back(Source{&inf_, install});
    // Include/Needs: the sections of other INFs (the system's PostScript
    // and Unidrv cores) that this one builds on.
    if (const InfLine* include = inf_.Find(install, "Include")) {
      for (const std::string& name : include->fields) {
        if (name.empty()) continue;
        std::optional<std::string> text = includes_(name);
        if (!text)
          return Fail(kErrorFileNotFound,
                      "the INF includes " + name + ", which the system does not have");
        included_.push_back(InfFile::Parse(*text));
      }
    }
    if (const InfLine* needs = inf_.Find(install, "Needs")) {
      for (const std::string& name : needs->fields) {
        if (name.empty()) continue;
        bool found = false;
        for (const InfFile& other : included_) {
          if (!other.HasSection(name)) continue;
          sources_.push_back(Source{&other, Decorated(other, name, arch_)});
          found = true;
          break;
        }
        if (!found) return Fail(kErrorSectionNotFound, "no included INF has the section " + name);
      }
    }
    // DataSection= of each source, looked for in the model's INF, then the included ones.
    std::vector<Source> data;
    for (const Source& s : sources_) {
      const InfLine* line = s.inf->Find(s.section, "DataSection");
      if (!line) continue;
      for (const std::string& name : line->fields) {
        if (name.empty()) continue;
        const InfFile* owner = inf_.HasSection(name) ? &inf_ : nullptr;
        for (const InfFile& other : included_)
          if (!owner && other.HasSection(name)) owner = &other;
        if (!owner) return Fail(kErrorSectionNotFound, "no INF has the data section " + name);
        data.push_back(Source{owner, name});
      }
    }

    // Roles: the install section, then its data sections, then the needed
    // sections; DriverFile and DataFile default to the install section's
    // name, ConfigFile to DriverFile.
    const std::string sectionName = match->installSection;
    p.driverFile = Role("DriverFile", data);
    if (p.driverFile.empty()) p.driverFile = sectionName;
    p.dataFile = Role("DataFile", data);
    if (p.dataFile.empty()) p.dataFile = sectionName;
    p.configFile = Role("ConfigFile", data);
    if (p.configFile.empty()) p.configFile = p.driverFile;
    p.helpFile = Role("HelpFile", data);
    // "NAME,DLL" as one field when it comes from [Strings], two when written out.
    if (const InfLine* l = RoleLine("LanguageMonitor", data)) {
      p.monitor = l->Field(0);
      p.monitorDll = l->Field(1);
      const size_t comma = p.monitor.find(',');
      if (p.monitorDll.empty() && comma != std::string::npos)
        p.monitorDll = p.monitor.substr(comma + 1);
      if (comma != std::string::npos) p.monitor.erase(comma);
      p.monitor = Trimmed(p.monitor);
      p.monitorDll = Trimmed(p.monitorDll);
      if (!PlainName(p.monitorDll))
        return Fail(kErrorInvalidParameter,
                    "the language monitor's DLL is a path: " + p.monitorDll);
    }
    p.defaultDataType = Role("DefaultDataType", data);

    for (const Source& s : sources_)
      if (!CopyFiles(s)) return result_;
    // A role file no list copies comes from the model's own medium.
    for (const std::string* role : {&p.driverFile, &p.dataFile, &p.configFile, &p.helpFile})
      if (!role->empty() && !Planned(*role) && !AddFile(inf_, *role, *role)) return result_;
    for (const PlannedFile& f : p.files) {
      bool isRole = false;
      for (const std::string* role : {&p.driverFile, &p.dataFile, &p.configFile, &p.helpFile})
        isRole = isRole || EqualNoCase(*role, f.name);
      if (!isRole) p.dependentFiles.push_back(f.name);
    }
    return result_;
  }

 private:
  struct Source {
    const InfFile* inf;
    std::string section;
  };

  PlanResult& Fail(uint32_t code, const std::string& detail) {
    result_.error = code;
    result_.detail = detail + " (" + Hex(code) + ")";
    return result_;
  }

  const InfLine* RoleLine(const char* key, const std::vector<Source>& data) const {
    std::vector<Source> order{sources_.front()};
    order.insert(order.end(), data.begin(), data.end());
    order.insert(order.end(), sources_.begin() + 1, sources_.end());
    for (const Source& s : order)
      if (const InfLine* l = s.inf->Find(s.section, key)) return l;
    return nullptr;
  }
  std::string Role(const char* key, const std::vector<Source>& data) const {
    const InfLine* l = RoleLine(key, data);
    return l ? l->Field(0) : std::string();
  }

  static bool PlainName(const std::string& name) {
    return name.find_first_of("\\/:") == std::string::npos && name != "." && name != "..";
  }
  static std::string Trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
  }

  // Into the system folder goes the language monitor's DLL and nothing else:
  // no package replaces the system's other files.
  bool Wanted(const std::string& name, const std::vector<PlannedFile>& to) {
    if (&to != &result_.plan.monitorFiles || EqualNoCase(name, result_.plan.monitorDll))
      return true;
    result_.plan.skipped.push_back(name);
    return false;
  }
  bool Planned(const std::string& name, const std::vector<PlannedFile>& in) const {
    for (const PlannedFile& f : in)
      if (EqualNoCase(f.name, name)) return true;
    return false;
  }
  bool Planned(const std::string& name) const { return Planned(name, result_.plan.files); }

  // The copy lists of a source section bound for the driver directory or,
  // for a language monitor, the system folder.
  bool CopyFiles(const Source& s) {
    const InfFile& inf = *s.inf;
    for (const InfLine& line : inf.Lines(s.section)) {
      if (!line.hasKey || !EqualNoCase(line.key, "CopyFiles")) continue;
      for (const std::string& list : line.fields) {
        if (list.empty()) continue;
        const bool single = list[0] == '@';
        std::string dest = single ? std::string() : inf.Value("DestinationDirs", list);
        if (dest.empty()) dest = inf.Value("DestinationDirs", "DefaultDestDir");
        std::vector<PlannedFile>* to = dest == kDriverDirectory    ? &result_.plan.files
                                       : dest == kMonitorDirectory ? &result_.plan.monitorFiles
                                                                   : nullptr;
        if (!to) {
          result_.plan.skipped.push_back(list);
          continue;
        }
        if (single) {
          const std::string name = list.substr(1);
          if (!Wanted(name, *to)) continue;
          if (!Planned(name, *to) && !AddFile(inf, name, name, *to)) return false;
          continue;
        }
        if (!inf.HasSection(list)) {
          Fail(kErrorSectionNotFound, "the copy list " + list + " is missing");
          return false;
        }
        for (const InfLine& f : inf.Lines(list)) {
          const std::string name = f.hasKey ? f.key : f.Field(0);
          if (name.empty() || !Wanted(name, *to) || Planned(name, *to)) continue;
          const std::string& from = f.hasKey ? f.Field(0) : f.Field(1);
          if (!AddFile(inf, name, from.empty() ? name : from, *to)) return false;
        }
      }
    }
    return true;
  }

  // Where |source| of |inf| lies: the model's medium through
  // [SourceDisksFiles] and [SourceDisksNames] (the architecture's own
  // sections first); an included INF's file is the system's.
  bool AddFile(const InfFile& inf, const std::string& name, const std::string& source) {
    return AddFile(inf, name, source, result_.plan.files);
  }
  bool AddFile(const InfFile& inf, const std::string& name, const std::string& source,
               std::vector<PlannedFile>& to) {
    // A copy goes into its destination folder, never beside or above it.
    if (!PlainName(name)) {
      Fail(kErrorInvalidParameter, "a copy list names a path, not a file: " + name);
      return false;
    }
    if (&inf != &inf_) {
      to.push_back(PlannedFile{name, source, true});
      return true;
    }
    const std::string arch = arch_ == Arch::kAmd64 ? ".amd64" : ".x86";
    const InfLine* file = inf.Find("SourceDisksFiles" + arch, source);
    if (!file) file = inf.Find("SourceDisksFiles", source);
    if (!file) {
      Fail(kErrorLineNotFound, "[SourceDisksFiles] does not name " + source);
      return false;
    }
    const std::string disk = file->Field(0);
    const InfLine* names = inf.Find("SourceDisksNames" + arch, disk);
    if (!names) names = inf.Find("SourceDisksNames", disk);
    if (!names) {
      Fail(kErrorLineNotFound, "[SourceDisksNames] does not name disk " + disk + " of " + source);
      return false;
    }
    std::string path;
    for (const std::string& part : {names->Field(3), file->Field(1)}) {
      size_t b = part.find_first_not_of("\\/");
      if (b == std::string::npos) continue;
      std::string p = part.substr(b);
      while (!p.empty() && (p.back() == '\\' || p.back() == '/')) p.pop_back();
      if (!p.empty()) path += p + "\\";
    }
    to.push_back(PlannedFile{name, path + source, false});
    return true;
  }

  const InfFile& inf_;
  Arch arch_;
  const IncludeReader& includes_;
  std::deque<InfFile> included_;  // stays put: sources_ point into it
  std::vector<Source> sources_;   // the install section, then the needed ones
  PlanResult result_;
};

}  // namespace

const char* EnvironmentOf(Arch arch) {
  return arch == Arch::kAmd64 ? "Windows x64" : "Windows NT x86";
}

uint16_t MachineOf(Arch arch) { return arch == Arch::kAmd64 ? 0x8664 : 0x14C; }

std::optional<uint16_t> PeMachine(const std::string& head) {
  auto u16 = [&](size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(head[at]) |
                                 static_cast<unsigned char>(head[at + 1]) << 8);
  };
  if (head.size() < 0x40 || head[0] != 'M' || head[1] != 'Z') return std::nullopt;
  const size_t pe = u16(0x3C) | static_cast<size_t>(u16(0x3E)) << 16;
  if (pe > head.size() || head.size() - pe < 6 ||
      head.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
    return std::nullopt;
  return u16(pe + 4);
}

PlanResult MakePlan(const std::string& infText, const std::string& hwid, Arch arch,
                    const IncludeReader& includes) {
  const InfFile inf = InfFile::Parse(infText);
  if (hwid.empty() || Tail(hwid).empty()) {
    PlanResult r;
    r.error = kErrorInvalidParameter;
    r.detail = "no hardware ID (" + Hex(r.error) + ")";
    return r;
  }
  return Planner(inf, arch, includes).Make(hwid);
}

}  // namespace drvkit
