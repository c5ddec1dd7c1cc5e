// The library's INF reading: which model, which files by role, and from where,
// over a table of INFs in the forms makers ship.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "drvkit/driver_plan.h"
#include "drvkit/inf_file.h"

namespace drvkit {
namespace {

// The system's printer INF as far as the PostScript core goes.
const char kNtprint[] =
    "[Version]\nSignature=\"$Windows NT$\"\n"
    "[PSCRIPT.OEM]\nCopyFiles=PSCRIPT\nDataSection=PSCRIPT_DATA\n"
    "[PSCRIPT_DATA]\nDriverFile=PSCRIPT5.DLL\nConfigFile=PS5UI.DLL\nHelpFile=PSCRIPT.HLP\n"
    "[PSCRIPT]\nPSCRIPT5.DLL\nPS5UI.DLL\nPSCRIPT.HLP\nPSCRIPT.NTF\n"
    "[DestinationDirs]\nDefaultDestDir=66000\n";

const char kHead[] =
    "[Version]\nSignature=\"$Windows NT$\"\nClass=Printer\nProvider=%Mfg%\n"
    "CatalogFile=vp.cat\nCatalogFile.NTamd64=vp64.cat\n";

// A PostScript model as a maker ships it: decorated for x64, the PPD its
// only own file, the core from the system's INF.
const char kPostScript[] =
    "[Manufacturer]\n%Mfg%=Velmar,NTamd64\n"
    "[Velmar]\n\"Velmar VP-210\" = VP210,LPTENUM\\VelmarVP-2104E1A,USBPRINT\\VelmarVP-2104E1A\n"
    "[Velmar.NTamd64]\n\"Velmar VP-210\" = "
    "VP210,LPTENUM\\VelmarVP-2104E1A,USBPRINT\\VelmarVP-2104E1A\n"
    "[VP210]\nCopyFiles=VELMAR_FILES ; the model's own "
    "files\nDataSection=PSCRIPT_DATA\nDataFile=VP210.PPD\n"
    "Include=NTPRINT.INF\nNeeds=PSCRIPT.OEM\n"
    "[VELMAR_FILES]\nVP210.PPD\n"
    "[DestinationDirs]\nDefaultDestDir=66000\n"
    "[SourceDisksNames.x86]\n1=%Disk%,,,\\i386\n[SourceDisksNames.amd64]\n1=%Disk%,,,\\X64\n"
    "[SourceDisksFiles]\nVP210.PPD=1\n"
    "[Strings]\nmfg=\"Velmar\"\nDisk=\"Velmar driver disk\"\n";

std::optional<std::string> SystemInfs(const std::string& name) {
  if (EqualNoCase(name, "ntprint.inf")) return std::string(kNtprint);
  return std::nullopt;
}

PlanResult Plan(const std::string& body, const std::string& hwid, Arch arch = Arch::kAmd64) {
  return MakePlan(kHead + body, hwid, arch, SystemInfs);
}

std::string Files(const DriverPlan& p) {
  std::string out;
  for (const PlannedFile& f : p.files)
    out += f.name + "<" + (f.fromSystem ? "system" : f.source) + " ";
  return out;
}

std::string Join(const std::vector<std::string>& v) {
  std::string out;
  for (const std::string& s : v) out += s + " ";
  return out;
}

TEST(DriverPlan, PostScriptModelOnEachArchitecture) {
  struct Row {
    Arch arch;
    const char* hwid;
    const char* ppdSource;
  } rows[] = {
      {Arch::kAmd64, "VelmarVP-2104E1A", "X64\\VP210.PPD"},
      {Arch::kX86, "VelmarVP-2104E1A", "i386\\VP210.PPD"},
      // The offline prefix and another case: the tail decides, without case.
      {Arch::kAmd64, "LPTOFFLINE\\velmarvp-2104e1a", "X64\\VP210.PPD"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.hwid);
    PlanResult r = Plan(kPostScript, row.hwid, row.arch);
    ASSERT_EQ(r.error, 0u) << r.detail;
    EXPECT_EQ(r.plan.model, "Velmar VP-210");
    EXPECT_EQ(r.plan.manufacturer, "Velmar");
    EXPECT_EQ(r.plan.hardwareId, "LPTENUM\\VelmarVP-2104E1A");
    EXPECT_EQ(r.plan.driverFile, "PSCRIPT5.DLL");
    EXPECT_EQ(r.plan.configFile, "PS5UI.DLL");
    EXPECT_EQ(r.plan.helpFile, "PSCRIPT.HLP");
    EXPECT_EQ(r.plan.dataFile, "VP210.PPD");
    EXPECT_EQ(Files(r.plan),
              std::string("VP210.PPD<") + row.ppdSource +
                  " PSCRIPT5.DLL<system PS5UI.DLL<system PSCRIPT.HLP<system PSCRIPT.NTF<system ");
    EXPECT_EQ(Join(r.plan.dependentFiles), "PSCRIPT.NTF ");
    EXPECT_EQ(r.plan.catalog, row.arch == Arch::kAmd64 ? "vp64.cat" : "vp.cat");
  }
}

// Roles: the install section wins over its data sections, they over the
// needed ones; DriverFile and DataFile default to the install section's
// name, ConfigFile to DriverFile.
TEST(DriverPlan, RolesAndTheirDefaults) {
  const std::string tail =
      "[DestinationDirs]\nDefaultDestDir=66000\n[SourceDisksNames]\n1=d\n"
      "[SourceDisksFiles]\nVP.PPD=1\nVPDRV.DLL=1\nOWN.DLL=1\nVP.HLP=1\n";
  struct Row {
    const char* name;
    const char* body;
    const char* driver;
    const char* data;
    const char* config;
  } rows[] = {
      {"data file from the section's name", "[VP.PPD]\nInclude=ntprint.inf\nNeeds=PSCRIPT.OEM\n",
       "PSCRIPT5.DLL", "VP.PPD", "PS5UI.DLL"},
      {"driver and config default to the section's name", "[VP.PPD]\nCopyFiles=@VP.PPD\n", "VP.PPD",
       "VP.PPD", "VP.PPD"},
      {"config follows the driver", "[VP.PPD]\nDriverFile=VPDRV.DLL\n", "VPDRV.DLL", "VP.PPD",
       "VPDRV.DLL"},
      {"the section's own key over the system's data section",
       "[VP.PPD]\nDataSection=PSCRIPT_DATA\nConfigFile=OWN.DLL\nInclude=ntprint.inf\nNeeds=PSCRIPT."
       "OEM\n",
       "PSCRIPT5.DLL", "VP.PPD", "OWN.DLL"},
      {"a data section of the model's INF over the needed one's",
       "[VP.PPD]\nDataSection=MINE\nInclude=ntprint.inf\nNeeds=PSCRIPT.OEM\n[MINE]\nDriverFile="
       "VPDRV.DLL\n",
       "VPDRV.DLL", "VP.PPD", "PS5UI.DLL"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PlanResult r = Plan(
        std::string("[Manufacturer]\nV\n[V]\n\"VP\" = VP.PPD, USBPRINT\\VP1\n") + row.body + tail,
        "VP1", Arch::kX86);
    ASSERT_EQ(r.error, 0u) << r.detail;
    EXPECT_EQ(r.plan.driverFile, row.driver);
    EXPECT_EQ(r.plan.dataFile, row.data);
    EXPECT_EQ(r.plan.configFile, row.config);
  }
}

TEST(DriverPlan, ChoiceOfModel) {
  struct Row {
    const char* name;
    const char* body;
    Arch arch;
    uint32_t error;
    const char* model;
  } rows[] = {
      {"one ID in several cases: the first model in the file",
       "[Manufacturer]\nV\n[V]\nFirst = S, USBPRINT\\vp1\nSecond = S, usbprint\\VP1\n", Arch::kX86,
       0, "First"},
      {"a hardware ID over an earlier compatible one",
       "[Manufacturer]\nV\n[V]\nCompat = S, USBPRINT\\OTHER, LPTENUM\\VP1\nOwn = S, "
       "USBPRINT\\VP1\n",
       Arch::kX86, 0, "Own"},
      {"x64 ignores the undecorated models",
       "[Manufacturer]\nV=V,NTx86\n[V]\nM = S, USBPRINT\\VP1\n[V.NTx86]\nM = S, USBPRINT\\VP1\n",
       Arch::kAmd64, kErrorMachineMismatch, ""},
      {"a model for x64 only, asked on x86",
       "[Manufacturer]\nV=V,NTamd64\n[V.NTamd64]\nM = S, USBPRINT\\VP1\n", Arch::kX86,
       kErrorMachineMismatch, ""},
      {"NTx86 decoration read on x86",
       "[Manufacturer]\nV=V,NTx86.5.1,NTamd64\n[V]\nPlain = S, "
       "USBPRINT\\VP1\n[V.NTx86.5.1]\nDecorated = S, "
       "USBPRINT\\VP1\n",
       Arch::kX86, 0, "Decorated"},
      {"no model for the ID", "[Manufacturer]\nV\n[V]\nM = S, USBPRINT\\VP2\n", Arch::kX86,
       kErrorNoCompatDrivers, ""},
  };
  const std::string files =
      "[S]\nDataFile=D.PPD\n[SourceDisksNames]\n1=d\n[SourceDisksFiles]\nD.PPD=1\nS=1\n";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PlanResult r = MakePlan(kHead + (row.body + files), "VP1", row.arch, SystemInfs);
    EXPECT_EQ(r.error, row.error) << r.detail;
    if (row.error == 0) {
      EXPECT_EQ(r.plan.model, row.model);
    }
  }
}

TEST(DriverPlan, NotAnInf) {
  EXPECT_EQ(
      MakePlan("[Manufacturer]\nV\n[V]\nM = S, USBPRINT\\VP1\n", "VP1", Arch::kX86, SystemInfs)
          .error,
      kErrorWrongInfStyle);
}

TEST(DriverPlan, PackageFaults) {
  struct Row {
    const char* name;
    const char* body;
    uint32_t error;
  } rows[] = {
      {"missing SourceDisksFiles line",
       "[S]\nCopyFiles=L\n[L]\nA.PPD\nB.DLL\n[SourceDisksNames]\n1=d\n[SourceDisksFiles]\nA.PPD="
       "1\n",
       kErrorLineNotFound},
      {"missing disk",
       "[S]\nDataFile=A.PPD\n[SourceDisksNames]\n1=d\n[SourceDisksFiles]\nA.PPD=2\nS=1\n",
       kErrorLineNotFound},
      {"include the system lacks", "[S]\nInclude=unidrv9.inf\nNeeds=X\n", kErrorFileNotFound},
      {"needed section no INF has", "[S]\nInclude=ntprint.inf\nNeeds=UNIDRV.OEM\n",
       kErrorSectionNotFound},
      {"copy list missing", "[S]\nCopyFiles=NOLIST\n", kErrorSectionNotFound},
      {"a copy that climbs out of its folder",
       "[S]\nCopyFiles=L\n[L]\n..\\..\\system32\\A.DLL,A.DLL\n[SourceDisksNames]\n1=d\n"
       "[SourceDisksFiles]\nA.DLL=1\n",
       kErrorInvalidParameter},
      {"a language monitor's DLL with a path",
       "[S]\nDataFile=S\nLanguageMonitor=\"LM\",C:\\LM.DLL\n[SourceDisksNames]\n1=d\n"
       "[SourceDisksFiles]\nS=1\n",
       kErrorInvalidParameter},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PlanResult r =
        Plan(std::string("[Manufacturer]\nV=V,NTamd64\n[V.NTamd64]\nM = S, USBPRINT\\VP1\n") +
                 "[DestinationDirs]\nDefaultDestDir=66000\n" + row.body,
             "VP1");
    EXPECT_EQ(r.error, row.error) << r.detail;
    EXPECT_FALSE(r.detail.empty());
  }
}

// Decorated install sections, copy lists by destination, sources in sub-folders.
TEST(DriverPlan, SectionsAndSources) {
  PlanResult r = Plan(
      "[Manufacturer]\nV=V,NTamd64\n[V.NTamd64]\nM = S, USBPRINT\\VP1\n"
      "[S]\nDataFile=WRONG.PPD\n"
      "[S.NTamd64]\nCopyFiles=DRV,MON,@EXTRA.INI,ICM\nDataFile=M.PPD\nDriverFile=MDRV.DLL\n"
      "LanguageMonitor=%LM%\n"
      "[DRV]\nM.PPD\nMDRV.DLL,MDRV64.DLL\n[MON]\nMMON.DLL\nKERNEL32.DLL\n[ICM]\nM.ICM\n"
      "[DestinationDirs]\nDefaultDestDir=66000\nMON=66002\nICM=66003\n"
      "[SourceDisksNames.amd64]\n1=d,,,\\X64\n"
      "[SourceDisksFiles.amd64]\nMDRV64.DLL=1,bin\n[SourceDisksFiles]\nM.PPD=1\nEXTRA.INI=1\n"
      "MMON.DLL=1\n[Strings]\nLM=\"M Language Monitor, MMON.DLL\"\n",
      "usbprint\\vp1");
  ASSERT_EQ(r.error, 0u) << r.detail;
  EXPECT_EQ(Files(r.plan),
            "M.PPD<X64\\M.PPD MDRV.DLL<X64\\bin\\MDRV64.DLL EXTRA.INI<X64\\EXTRA.INI ");
  // The monitor's DLL goes to the system folder, nothing else of its list,
  // and the colour profile nowhere.
  EXPECT_EQ(r.plan.monitor, "M Language Monitor");
  EXPECT_EQ(r.plan.monitorDll, "MMON.DLL");
  ASSERT_EQ(r.plan.monitorFiles.size(), 1u);
  EXPECT_EQ(r.plan.monitorFiles[0].name + "<" + r.plan.monitorFiles[0].source,
            "MMON.DLL<X64\\MMON.DLL");
  EXPECT_EQ(Join(r.plan.skipped), "KERNEL32.DLL ICM ");
  EXPECT_EQ(Join(r.plan.dependentFiles), "EXTRA.INI ");
}

// A language monitor as makers write it: through [Strings] (one field with
// its comma) or written out; none at all.
TEST(DriverPlan, LanguageMonitorForms) {
  const struct {
    const char* line;
    const char* name;
    const char* dll;
  } rows[] = {
      {"LanguageMonitor=%PJL%\n", "PJL Language Monitor", "pjlmon.dll"},
      {"LanguageMonitor=\"PJL Language Monitor\", pjlmon.dll\n", "PJL Language Monitor",
       "pjlmon.dll"},
      {"", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    PlanResult r =
        Plan(std::string("[Manufacturer]\nV\n[V]\nM = S, USBPRINT\\VP1\n[S]\n") + row.line +
                 "DataFile=S\n[SourceDisksNames]\n1=d\n[SourceDisksFiles]\nS=1\n"
                 "[Strings]\nPJL=\"PJL Language Monitor,pjlmon.dll\"\n",
             "VP1", Arch::kX86);
    ASSERT_EQ(r.error, 0u) << r.detail;
    EXPECT_EQ(r.plan.monitor, row.name);
    EXPECT_EQ(r.plan.monitorDll, row.dll);
  }
}

// The architecture of a driver program on the medium, from its PE header.
TEST(PeMachine, Header) {
  std::string image(0x90, '\0');
  image[0] = 'M', image[1] = 'Z', image[0x3C] = static_cast<char>(0x80);
  image.replace(0x80, 4, std::string("PE\0\0", 4));
  image[0x84] = static_cast<char>(0x64), image[0x85] = static_cast<char>(0x86);
  EXPECT_EQ(PeMachine(image), std::optional<uint16_t>(0x8664));
  EXPECT_EQ(PeMachine(image.substr(0, 0x84)), std::nullopt);  // cut before the machine
  image[0x3C] = static_cast<char>(0xF0);                      // header past the end
  EXPECT_EQ(PeMachine(image), std::nullopt);
  EXPECT_EQ(PeMachine("*PPD-Adobe: \"4.3\""), std::nullopt);
}

TEST(InfFile, Syntax) {
  InfFile inf = InfFile::Parse(
      "\xEF\xBB\xBF; comment\r\n[ Models ]\r\n"
      "\"Name, with comma\" = Sec , ID1,\"  quoted  \" ; note\r\n"
      "Long = a,\\\r\n   b\r\n"
      "Pct = \"100%%\",%KEY%,%nokey%\r\n"
      "[STRINGS]\r\nkey=\"Value\"\r\n");
  const std::vector<InfLine>& lines = inf.Lines("models");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].key, "Name, with comma");
  EXPECT_EQ(lines[0].fields, (std::vector<std::string>{"Sec", "ID1", "  quoted  "}));
  EXPECT_EQ(lines[1].fields, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(lines[2].fields, (std::vector<std::string>{"100%", "Value", "%nokey%"}));
  EXPECT_EQ(inf.Value("strings", "KEY"), "Value");
}

// The shipped sample medium's models read as complete packages.
TEST(DriverPlan, SampleMedium) {
  const struct {
    const char* inf;
    const char* hwid;
    const char* ppd;
  } models[] = {{"VP210.inf", "VelmarVP-2104E1A", "VP210.PPD"},
                {"VP350S.inf", "SERENUM\\VelmarVP-350S9C07", "VP350S.PPD"}};
  for (const auto& m : models) {
    std::ifstream f(std::string(DRVKIT_SAMPLE_MEDIUM) + "/" + m.inf, std::ios::binary);
    std::stringstream text;
    text << f.rdbuf();
    for (Arch arch : {Arch::kX86, Arch::kAmd64}) {
      SCOPED_TRACE(m.inf);
      PlanResult r = MakePlan(text.str(), m.hwid, arch, SystemInfs);
      ASSERT_EQ(r.error, 0u) << r.detail;
      EXPECT_EQ(r.plan.dataFile, m.ppd);
      for (const PlannedFile& p : r.plan.files) {
        if (p.fromSystem) continue;
        std::string path = std::string(DRVKIT_SAMPLE_MEDIUM) + "/" + p.source;
        for (char& c : path)
          if (c == '\\') c = '/';
        EXPECT_TRUE(std::ifstream(path).good()) << path;
      }
    }
  }
}

}  // namespace
}  // namespace drvkit
