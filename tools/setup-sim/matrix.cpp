#include "tools/setup-sim/matrix.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <vector>

#include "config/options.h"
#include "platform/common/text.h"
#include "platform/sim/machine.h"
#include "services/inf_reader.h"
#include "tools/setup-sim/codepage.h"
#include "tools/setup-sim/host_file.h"
#include "tools/setup-sim/user_script.h"

extern char** environ;

namespace simtool {
namespace {

struct Platform {
  const char* name;
  const char* version;
  bool wow64;
};
// No 64-bit Windows 2000 was ever sold; XP's x64 edition is version 5.2.
const Platform kPlatforms[] = {
    {"2000", "5.0", false}, {"XP", "5.1", false},  {"XP x64", "5.2", true}, {"7", "6.1", false},
    {"7 x64", "6.1", true}, {"10", "10.0", false}, {"10 x64", "10.0", true}};
struct Language {
  const char* name;
  uint16_t langId;
  unsigned codePage;
};
const Language kLanguages[] = {
    {"English", 0x0409, 1252}, {"Simplified", 0x0804, 936}, {"Traditional", 0x0404, 950}};

// How the printer is attached, and the port a queue must be on to reach it
// (none: no printer, so no port to miss).
struct Connection {
  const char* name;
  const char* port;
};
const Connection kUsb = {"USB", "USB001"}, kLpt = {"LPT1", "LPT1:"}, kCom = {"COM1", "COM1:"},
                 kNone = {"none", ""};

enum class Verdict { Pass, WillNotPrint, NoQueue, Failed };
const char* VerdictName(Verdict v) {
  switch (v) {
    case Verdict::Pass: return "pass";
    case Verdict::WillNotPrint: return "will not print";
    case Verdict::NoQueue: return "no queue";
    case Verdict::Failed: break;
  }
  return "failed";
}
const char* VerdictClass(Verdict v) {
  return v == Verdict::Pass           ? "pass"
         : v == Verdict::WillNotPrint ? "wnp"
         : v == Verdict::NoQueue      ? "noq"
                                      : "fail";
}

// What a language shows of a model: its hint and the documents its links open.
struct Shown {
  std::string hint;  // UTF-8, as the status bar shows it in that code page
  struct Document {
    std::string key, file, hostPath;
    bool exists = false;
  };
  std::vector<Document> documents;
};

struct Model {
  std::string name, hwId, inf;
  bool search = false;  // an online install shows the search dialog
  bool prompt = false;  // ... which opens with the connection prompt
  bool serial = false;  // the INF names the serial enumerator
  std::vector<Connection> connections;
  Shown shown[3];  // per kLanguages
};

std::string Slug(std::string s) {
  for (char& c : s)
    if (!isalnum(static_cast<unsigned char>(c))) c = '-';
  return s;
}

bool WriteText(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << data;
  return static_cast<bool>(out);
}

std::string Hex4(uint16_t v) {
  char buf[8];
  snprintf(buf, sizeof buf, "0x%.4X", v);
  return buf;
}

std::string MachineFile(const Platform& p, const Language& l, const Connection& c,
                        const Model& model) {
  std::ostringstream m;
  const std::string attach = c.name;
  m << "[System]\nVersion=" << p.version << "\nWow64=" << (p.wow64 ? 1 : 0)
    << "\nLangID=" << Hex4(l.langId) << "\n";
  m << "[Spooler]\nPorts=LPT1:,LPT2:,COM1:,FILE:" << (attach == "USB" ? ",USB001" : "") << "\n";
  m << "[HandOff64]\nInstallsDriver=" << model.name << "\n";
  const std::string upper = plat::text::Upper(model.hwId);
  if (attach == "USB")
    m << "[Device.1]\nHardwareId=USBPRINT\\" << model.hwId << "\nDeviceId=USBPRINT\\" << upper
      << "\\7&1A2B3C4D&0&USB001\nPortInfo=Virtual printer port for USB001\nName=" << model.name
      << "\n";
  else if (attach == "LPT1")
    m << "[Device.1]\nHardwareId=LPTENUM\\" << model.hwId << "\nDeviceId=LPTENUM\\" << upper
      << "\\1&2F1A7B&0&LPT1\nPortInfo=LPT1\nName=" << model.name << "\n";
  else if (attach == "COM1")
    // A printer the serial enumerator found on COM1.
    m << "[Device.1]\nHardwareId=SERENUM\\" << model.hwId << "\nDeviceId=SERENUM\\" << upper
      << "\\4&3B1E2D5A&0&0000\nPortInfo=Communications Port (COM1)\nName=" << model.name << "\n";
  return m.str();
}

// Runs one cell: this program with the cell's machine file, output to |out|.
int RunCell(const MatrixOptions& o, const std::string& machine, const std::string& user,
            const std::string& out) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<std::string> args = {o.self,   "--machine", machine, "--medium",
                                   o.medium, "--user",    user,    "--dump"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  int rc = posix_spawn(&pid, o.self.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) < 0 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

struct Cell {
  size_t model = 0, language = 0;
  std::string platform, attach, printerPort, file;
  std::vector<std::string> seen;  // message boxes and exceptions, in order
  std::vector<std::string> scriptErrors;
  std::map<int, std::pair<std::string, std::string>> queues;  // by index: name, port
  std::vector<std::vector<std::string>> outcomes;             // the log's OUTCOME fields
  std::string defaultPrinter;
  bool found = false;     // the search dialog found a printer ...
  std::string foundPort;  // ... on this port
  int exitCode = 0;
  Verdict verdict = Verdict::Failed;
  std::string note;  // the port, or why the cell did not pass
};

void ReadCell(Cell& c, const std::string& output) {
  std::istringstream in(output);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string time, kind;
    words >> time >> kind;
    std::string rest;
    std::getline(words, rest);
    if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
    if (kind == "ui-msgbox" || kind == "ui-exception") {
      // "caption | text | buttons icon": the text is what the user reads.
      size_t a = rest.find(" | "), b = rest.rfind(" | ");
      c.seen.push_back(kind == "ui-exception" ? "exception: " + rest
                       : a != b               ? rest.substr(a + 3, b - a - 3)
                                              : rest);
    }
    if (kind == "ui-script-error") c.scriptErrors.push_back(rest);
    if (line.rfind("System.DefaultPrinter=", 0) == 0) c.defaultPrinter = line.substr(22);
    if (line == "TFormSearching.Found=1") c.found = true;
    if (line.rfind("TFormSearching.FoundPort=", 0) == 0) c.foundPort = line.substr(25);
    if (line.rfind("System.Printer[", 0) == 0) {
      const size_t close = line.find("].");
      const size_t eq = line.find('=');
      if (close == std::string::npos || eq == std::string::npos || eq < close) continue;
      const int index = atoi(line.c_str() + 15);
      const std::string field = line.substr(close + 2, eq - close - 2);
      if (field == "Name") c.queues[index].first = line.substr(eq + 1);
      if (field == "Port") c.queues[index].second = line.substr(eq + 1);
    }
    if (line.rfind("Log[", 0) == 0 && line.find("OUTCOME\t") != std::string::npos) {
      std::vector<std::string> f = plat::text::Split(line.substr(line.find("OUTCOME\t") + 8), '\t');
      if (f.size() >= 5) c.outcomes.push_back(f);
    }
  }
}

// A cell passes when every installation attempt succeeded and the model's
// queue is on the port of the printer (on any port, with no printer attached).
// |model| is the name as the cell's system shows it; |search|: its
// installation searches for the printer.
void Judge(Cell& c, const std::string& model, bool search) {
  auto fail = [&](Verdict v, const std::string& why) { c.verdict = v, c.note = why; };
  if (c.exitCode != 0) return fail(Verdict::Failed, "setup-sim exit " + std::to_string(c.exitCode));
  if (!c.scriptErrors.empty())
    return fail(Verdict::Failed, "script error: " + c.scriptErrors.front());
  if (c.outcomes.empty()) return fail(Verdict::Failed, "no installation ended");
  for (const auto& f : c.outcomes)
    if (f[3] != "success" && f[3] != "no queue") return fail(Verdict::Failed, f[3] + " " + f[4]);
  const std::pair<std::string, std::string>* queue = nullptr;
  for (const auto& [index, q] : c.queues)
    if (!model.empty() && plat::text::EqualNoCase(q.first, model)) queue = &q;
  if (!queue) return fail(Verdict::NoQueue, "no queue");
  if (!c.printerPort.empty() && !plat::text::EqualNoCase(queue->second, c.printerPort))
    return fail(Verdict::WillNotPrint,
                "queue on " + queue->second + ", printer on " + c.printerPort);
  c.verdict = Verdict::Pass;
  c.note = queue->second;
  // It prints, but the user waited for a search that could not succeed.
  if (search && !c.printerPort.empty() && !c.found)
    c.note += " (the search did not find the printer)";
  else if (search && c.found && !plat::text::EqualNoCase(c.foundPort, c.printerPort))
    c.note += " (the search found it on " + c.foundPort + ")";
}

std::string Joined(const std::vector<std::string>& v, const std::string& sep) {
  std::string out;
  for (const std::string& s : v) out += (out.empty() ? "" : sep) + s;
  return out;
}

std::string Html(const std::string& s) {
  return plat::text::Escaped(s, {{'<', "&lt;"}, {'>', "&gt;"}, {'&', "&amp;"}, {'"', "&quot;"}});
}

std::string Cleaned(std::string s) {
  // Transcript escapes; the table wants one line per cell.
  for (size_t at; (at = s.find("\\r\\n")) != std::string::npos;) s.replace(at, 4, " ");
  for (size_t at; (at = s.find('|')) != std::string::npos;) s.replace(at, 1, "/");
  return s;
}

// The models of the medium as the program reads them, each language's hint
// and documents read on a machine of that language. False without a model.
bool ReadModels(const std::string& medium, std::vector<Model>& models) {
  for (size_t l = 0; l < std::size(kLanguages); ++l) {
    plat::sim::SimMachine probe;
    plat::SetBackend(probe.AsBackend());
    probe.langId = kLanguages[l].langId;
    probe.codePage = kLanguages[l].codePage;
    probe.Mount("C:\\Medium", medium);
    config::TIniOptions options;
    options.LoadFromFile("install.ini");
    if (l == 0) models.resize(options.Count);
    for (int i = 0; i < options.Count && i < static_cast<int>(models.size()); ++i) {
      const config::TOption option = options.GetOption(i);
      Model& m = models[i];
      if (l == 0) {
        std::string compat;
        services::ReadInfHardwareIds(option.InstallSettingFile2K, m.hwId, compat);
        services::ReadInfModelName(option.InstallSettingFile2K, m.name);
        m.inf = ToUtf8(option.InstallSettingFile2K, 1252);
        m.search = option.ForceOnlineCheck;
        m.prompt = option.ForceOnlineCheck && option.PromptCheck;
        m.serial = option.OfflinePrefix == "SERENUM\\";
        m.connections = {kUsb, kLpt};
        if (m.serial) m.connections.push_back(kCom);
        m.connections.push_back(kNone);
      }
      Shown& s = m.shown[l];
      s.hint = ToUtf8(option.Hint, kLanguages[l].codePage);
      for (const auto& [key, file] :
           {std::pair<const char*, std::string>{"install guide", option.InstallGuide},
            {"quick guide", option.QuickGuide},
            {"handbook", option.HandBook}}) {
        if (file.empty()) continue;
        Shown::Document d;
        d.key = key;
        d.file = ToUtf8(file, kLanguages[l].codePage);
        d.exists = plat::files().FileExists(file);
        d.hostPath = probe.HostPath(file);
        s.documents.push_back(d);
      }
    }
  }
  return !models.empty();
}

struct Counts {
  int cells = 0, byVerdict[4] = {0, 0, 0, 0};
  void Add(Verdict v) { ++cells, ++byVerdict[static_cast<int>(v)]; }
  int Passed() const { return byVerdict[0]; }
  std::string Text() const {
    return std::to_string(cells) + " cells: " + std::to_string(byVerdict[0]) + " pass, " +
           std::to_string(byVerdict[1]) + " will not print, " + std::to_string(byVerdict[2]) +
           " no queue, " + std::to_string(byVerdict[3]) + " failed";
  }
};

std::string ModelName(const std::vector<Model>& models, size_t i) {
  return models[i].name.empty()
             ? "model " + std::to_string(i) + " (no model name from " + models[i].inf + ")"
             : ToUtf8(models[i].name, 1252);
}

void WriteShown(const Shown& s, std::ostringstream& md, std::ostringstream& html) {
  md << "Hint: " << (s.hint.empty() ? "(none)" : Cleaned(s.hint)) << "  \nDocuments:";
  html << "<p>Hint: " << (s.hint.empty() ? "(none)" : Html(s.hint)) << "<br>Documents:";
  if (s.documents.empty()) md << " (none)", html << " (none)";
  for (const Shown::Document& d : s.documents) {
    const std::string missing = d.exists ? "" : " (not on the medium)";
    md << " " << d.key << " [" << Cleaned(d.file) << "](file://" << d.hostPath << ")" << missing
       << ";";
    html << " " << d.key << " <a href=\"file://" << Html(d.hostPath) << "\">" << Html(d.file)
         << "</a>" << (d.exists ? "" : " <span class=\"fail\">(not on the medium)</span>") << ";";
  }
  md << "\n\n";
  html << "</p>\n";
}

}  // namespace

int RunMatrix(const MatrixOptions& o) {
  struct stat folder;
  if (stat(o.medium.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
    std::cerr << "setup-sim: no medium at " << o.medium << "\n";
    return 2;
  }
  if (!o.userFile.empty()) {
    std::string text, error;
    std::vector<ui::headless::Step> steps;
    if (!ReadHostFile(o.userFile, text)) {
      std::cerr << "setup-sim: cannot read user script " << o.userFile << "\n";
      return 2;
    }
    if (!ParseUserScript(text, 1252, steps, error)) {
      std::cerr << "setup-sim: " << o.userFile << ": " << error << "\n";
      return 2;
    }
  }
  std::vector<Model> models;
  if (!ReadModels(o.medium, models)) {
    std::cerr << "setup-sim: " << o.medium << " has no install.ini with a model\n";
    return 2;
  }
  const std::string cells = o.outDir + "/cells";
  mkdir(o.outDir.c_str(), 0755);
  mkdir(cells.c_str(), 0755);

  std::vector<Cell> all;
  for (size_t index = 0; index < models.size(); ++index) {
    const Model& model = models[index];
    std::string user = o.userFile;
    if (user.empty()) {
      user = cells + "/user-" + std::to_string(index) + ".script";
      // The user chooses the model, installs, confirms the connection prompt
      // if there is one, and gives up a search still going after a minute.
      std::string script =
          "select TMainForm.LvPrinters " + std::to_string(index) + "\npress TMainForm.BbtnStart\n";
      if (model.prompt) script += "when \"TFormPromptCheck\" press TFormPromptCheck.btnOK\n";
      if (model.search)
        script += "at 60000 when \"TFormSearching\" press TFormSearching.btnCancelSearch\n";
      if (!WriteText(user, script)) {
        std::cerr << "setup-sim: cannot write " << user << "\n";
        return 2;
      }
    }
    for (const Platform& p : kPlatforms)
      for (size_t l = 0; l < std::size(kLanguages); ++l)
        for (const Connection& connection : model.connections) {
          Cell c;
          c.model = index;
          c.language = l;
          c.platform = std::string("Windows ") + p.name;
          c.attach = connection.name;
          c.printerPort = connection.port;
          const std::string base = cells + "/" +
                                   Slug(std::to_string(index) + "_" + c.platform + "_" +
                                        kLanguages[l].name + "_" + c.attach);
          c.file = base.substr(o.outDir.size() + 1) + ".txt";
          if (!WriteText(base + ".ini", MachineFile(p, kLanguages[l], connection, model))) {
            std::cerr << "setup-sim: cannot write " << base << ".ini\n";
            return 2;
          }
          c.exitCode = RunCell(o, base + ".ini", user, base + ".txt");
          std::string text;
          ReadHostFile(base + ".txt", text);
          ReadCell(c, text);
          Judge(c, ToUtf8(model.name, kLanguages[l].codePage), model.search);
          all.push_back(c);
        }
  }

  Counts total;
  std::vector<Counts> perModel(models.size());
  for (const Cell& c : all) total.Add(c.verdict), perModel[c.model].Add(c.verdict);
  const int exitCode = total.Passed() == total.cells ? 0 : 1;

  std::ostringstream md, html;
  md << "# Installation matrix: " << o.medium << "\n\n"
     << "**" << total.Text() << "** (exit code " << exitCode << ")\n\n";
  html << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Installation matrix</title>"
       << "<style>td,th{border:1px solid #999;padding:2px "
          "6px;vertical-align:top}table{border-collapse:collapse}"
       << ".pass{background:#c6efce}.wnp{background:#ffd591}.noq,.fail{background:#ffc7ce}"
       << "</style></head><body>\n<h1>Installation matrix: " << Html(o.medium) << "</h1>\n"
       << "<p class=\"" << (exitCode ? "fail" : "pass") << "\"><b>" << total.Text()
       << "</b> (exit code " << exitCode << ")</p>\n";
  for (size_t m = 0; m < models.size(); ++m) {
    const std::string name = ModelName(models, m);
    md << "## " << Cleaned(name) << ": " << perModel[m].Passed() << " of " << perModel[m].cells
       << " pass\n\n";
    html << "<h2>" << Html(name) << ": " << perModel[m].Passed() << " of " << perModel[m].cells
         << " pass</h2>\n";
    for (size_t l = 0; l < std::size(kLanguages); ++l) {
      md << "### " << kLanguages[l].name << "\n\n";
      html << "<h3>" << kLanguages[l].name << "</h3>\n";
      WriteShown(models[m].shown[l], md, html);
      md << "| Windows |";
      html << "<table>\n<tr><th>Windows</th>";
      for (const Connection& c : models[m].connections) {
        md << " " << c.name << " |";
        html << "<th>" << c.name << "</th>";
      }
      md << "\n|---|";
      for (size_t i = 0; i < models[m].connections.size(); ++i) md << "---|";
      md << "\n";
      html << "</tr>\n";
      for (const Platform& p : kPlatforms) {
        md << "| " << p.name << " |";
        html << "<tr><th>" << p.name << "</th>";
        for (const Cell& c : all) {
          if (c.model != m || c.language != l || c.platform != std::string("Windows ") + p.name)
            continue;
          const std::string text = std::string(VerdictName(c.verdict)) + ": " + c.note;
          md << " [" << Cleaned(text) << "](" << c.file << ") |";
          html << "<td class=\"" << VerdictClass(c.verdict) << "\"><a href=\"" << c.file << "\">"
               << Html(text) << "</a></td>";
        }
        md << "\n";
        html << "</tr>\n";
      }
      md << "\n";
      html << "</table>\n";
    }
  }

  md << "## Every cell\n\n"
     << "| model | Windows | language | printer | verdict | the user sees | queues | default "
        "printer | outcome |"
        " transcript |\n"
     << "|---|---|---|---|---|---|---|---|---|---|\n";
  html << "<h2>Every "
          "cell</h2>\n<table>\n<tr><th>model</th><th>Windows</th><th>language</th><th>printer</th>"
       << "<th>verdict</th><th>the user sees</th><th>queues</th><th>default "
          "printer</th><th>outcome</th>"
       << "<th>transcript</th></tr>\n";
  for (const Cell& c : all) {
    const std::string seen = c.exitCode != 0
                                 ? "(setup-sim failed: exit " + std::to_string(c.exitCode) + ")"
                                 : Cleaned(Joined(c.seen, " / "));
    std::vector<std::string> queues, outcomes;
    for (const auto& [index, q] : c.queues) queues.push_back(q.first + " on " + q.second);
    for (const auto& f : c.outcomes)
      outcomes.push_back(f[3] + (f[4] == "0x00000000" ? "" : " " + f[4]) + " (" + f[1] + ")");
    const std::string verdict = std::string(VerdictName(c.verdict)) + ": " + c.note;
    md << "| " << Cleaned(ModelName(models, c.model)) << " | " << c.platform << " | "
       << kLanguages[c.language].name << " | " << c.attach << " | " << Cleaned(verdict) << " | "
       << seen << " | " << Cleaned(Joined(queues, ", ")) << " | " << Cleaned(c.defaultPrinter)
       << " | " << Cleaned(Joined(outcomes, ", ")) << " | [" << c.file << "](" << c.file << ") |\n";
    html << "<tr><td>" << Html(ModelName(models, c.model)) << "</td><td>" << Html(c.platform)
         << "</td><td>" << kLanguages[c.language].name << "</td><td>" << c.attach
         << "</td><td class=\"" << VerdictClass(c.verdict) << "\">" << Html(verdict) << "</td><td>"
         << Html(seen) << "</td><td>" << Html(Joined(queues, ", ")) << "</td><td>"
         << Html(c.defaultPrinter) << "</td><td>" << Html(Joined(outcomes, ", "))
         << "</td><td><a href=\"" << c.file << "\">transcript</a></td></tr>\n";
  }
  html << "</table>\n</body></html>\n";
  if (!WriteText(o.outDir + "/matrix.md", md.str()) ||
      !WriteText(o.outDir + "/matrix.html", html.str())) {
    std::cerr << "setup-sim: cannot write " << o.outDir << "/matrix.md\n";
    return 2;
  }
  for (size_t m = 0; m < models.size(); ++m)
    std::cout << ModelName(models, m) << ": " << perModel[m].Passed() << " of " << perModel[m].cells
              << " pass\n";
  std::cout << total.Text() << "; " << o.outDir << "/matrix.md, " << o.outDir << "/matrix.html\n";
  return exitCode;
}

}  // namespace simtool
