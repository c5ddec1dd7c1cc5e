#include "tools/setup-sim/matrix.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "config/options.h"
#include "platform/common/text.h"
#include "platform/sim/machine.h"
#include "services/inf_reader.h"

extern char** environ;

namespace simtool {
namespace {

struct Platform {
  const char* name;
  const char* version;
  bool wow64;
};
// No 64-bit Windows 2000 was ever sold; XP's x64 edition is version 5.2.
const Platform kPlatforms[] = {{"2000", "5.0", false}, {"XP", "5.1", false}, {"XP x64", "5.2", true},
                               {"7", "6.1", false},    {"7 x64", "6.1", true}, {"10", "10.0", false},
                               {"10 x64", "10.0", true}};
struct Language {
  const char* name;
  const char* langId;
};
const Language kLanguages[] = {{"English", "0x0409"}, {"Simplified", "0x0804"}, {"Traditional", "0x0404"}};
const char* const kAttachments[] = {"USB", "LPT1", "none"};

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

std::string MachineFile(const Platform& p, const Language& l, const std::string& attach, const std::string& hwId,
                        const std::string& model) {
  std::ostringstream m;
  m << "[System]\nVersion=" << p.version << "\nWow64=" << (p.wow64 ? 1 : 0) << "\nLangID=" << l.langId << "\n";
  m << "[Spooler]\nPorts=LPT1:,LPT2:,COM1:,FILE:" << (attach == "USB" ? ",USB001" : "") << "\n";
  m << "[HandOff64]\nInstallsDriver=" << model << "\n";
  const std::string upper = plat::text::Upper(hwId);
  if (attach == "USB")
    m << "[Device.1]\nHardwareId=USBPRINT\\" << hwId << "\nDeviceId=USBPRINT\\" << upper
      << "\\7&1A2B3C4D&0&USB001\nPortInfo=Virtual printer port for USB001\nName=" << model << "\n";
  else if (attach == "LPT1")
    m << "[Device.1]\nHardwareId=LPTENUM\\" << hwId << "\nDeviceId=LPTENUM\\" << upper
      << "\\1&2F1A7B&0&LPT1\nPortInfo=LPT1\nName=" << model << "\n";
  return m.str();
}

// Runs one cell: this program with the cell's machine file, output to |out|.
int RunCell(const MatrixOptions& o, const std::string& machine, const std::string& user, const std::string& out) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<std::string> args = {o.self, "--machine", machine, "--medium", o.medium, "--user", user, "--dump"};
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
  std::string model, platform, language, attach, file;
  std::vector<std::string> seen;   // message boxes and exceptions, in order
  std::vector<std::string> queues; // "name on port"
  std::string defaultPrinter, outcome;
  int exitCode = 0;
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
                       : a != b ? rest.substr(a + 3, b - a - 3) : rest);
    }
    auto value = [&](const std::string& prefix) -> std::string {
      return line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : std::string("\x01");
    };
    if (std::string v = value("System.DefaultPrinter="); v != "\x01") c.defaultPrinter = v;
    if (line.rfind("System.Printer[", 0) == 0) {
      size_t eq = line.find('=');
      std::string field = line.substr(line.find("].") + 2, eq - line.find("].") - 2);
      if (field == "Name") c.queues.push_back(line.substr(eq + 1));
      else if (field == "Port" && !c.queues.empty()) c.queues.back() += " on " + line.substr(eq + 1);
    }
    if (line.rfind("Log[", 0) == 0 && line.find("OUTCOME\t") != std::string::npos) {
      std::vector<std::string> f = plat::text::Split(line.substr(line.find("OUTCOME\t") + 8), '\t');
      if (f.size() >= 5) c.outcome = f[3] + (f[4] == "0x00000000" ? "" : " " + f[4]) + " (" + f[1] + ")";
    }
  }
}

std::string Joined(const std::vector<std::string>& v, const std::string& sep) {
  std::string out;
  for (const std::string& s : v) out += (out.empty() ? "" : sep) + s;
  return out;
}

std::string Html(const std::string& s) {
  return plat::text::Escaped(s, {{'<', "&lt;"}, {'>', "&gt;"}, {'&', "&amp;"}});
}

std::string Cleaned(std::string s) {
  // Transcript escapes; the table wants one line per cell.
  for (size_t at; (at = s.find("\\r\\n")) != std::string::npos;) s.replace(at, 4, " ");
  for (size_t at; (at = s.find('|')) != std::string::npos;) s.replace(at, 1, "/");
  return s;
}

}  // namespace

int RunMatrix(const MatrixOptions& o) {
  // Each model's INF gives the hardware ID its simulated printer answers to.
  struct Model {
    std::string name, hwId;
    bool search = false;  // an online install shows the search dialog
    bool prompt = false;  // ... which opens with the connection prompt
  };
  std::vector<Model> models;
  {
    plat::sim::SimMachine probe;
    plat::SetBackend(probe.AsBackend());
    probe.Mount("C:\\Medium", o.medium);
    config::TIniOptions options;
    options.LoadFromFile("install.ini");
    for (int i = 0; i < options.Count; ++i) {
      const config::TOption option = options.GetOption(i);
      Model m;
      std::string compat;
      services::ReadInfHardwareIds(option.InstallSettingFile2K, m.hwId, compat);
      services::ReadInfModelName(option.InstallSettingFile2K, m.name);
      m.search = option.ForceOnlineCheck;
      m.prompt = option.ForceOnlineCheck && option.PromptCheck;
      models.push_back(m);
    }
  }
  if (models.empty()) {
    std::cerr << "setup-sim: " << o.medium << " has no install.ini with a model\n";
    return 2;
  }
  const std::string cells = o.outDir + "/cells";
  mkdir(o.outDir.c_str(), 0755);
  mkdir(cells.c_str(), 0755);

  std::vector<Cell> all;
  int failed = 0;
  for (size_t index = 0; index < models.size(); ++index) {
    const Model& model = models[index];
    std::string user = o.userFile;
    if (user.empty()) {
      user = cells + "/user-" + std::to_string(index) + ".script";
      // The user chooses the model, installs, confirms the connection prompt
      // if there is one, and gives up a search still going after a minute.
      std::string script = "select TMainForm.LvPrinters " + std::to_string(index) + "\npress TMainForm.BbtnStart\n";
      if (model.prompt) script += "when \"TFormPromptCheck\" press TFormPromptCheck.btnOK\n";
      if (model.search) script += "at 60000 when \"TFormSearching\" press TFormSearching.btnCancelSearch\n";
      if (!WriteText(user, script)) {
        std::cerr << "setup-sim: cannot write " << user << "\n";
        return 2;
      }
    }
    for (const Platform& p : kPlatforms)
      for (const Language& l : kLanguages)
        for (const char* attach : kAttachments) {
          Cell c;
          c.model = model.name.empty() ? "model " + std::to_string(index) : model.name;
          c.platform = std::string("Windows ") + p.name;
          c.language = l.name;
          c.attach = attach;
          const std::string base =
              cells + "/" + Slug(std::to_string(index) + "_" + c.platform + "_" + c.language + "_" + c.attach);
          c.file = base.substr(o.outDir.size() + 1) + ".txt";
          if (!WriteText(base + ".ini", MachineFile(p, l, attach, model.hwId, model.name))) return 2;
          c.exitCode = RunCell(o, base + ".ini", user, base + ".txt");
          if (c.exitCode != 0) ++failed;
          std::ifstream in(base + ".txt", std::ios::binary);
          std::ostringstream text;
          text << in.rdbuf();
          ReadCell(c, text.str());
          all.push_back(c);
        }
  }

  std::ostringstream md, html;
  md << "# Installation matrix: " << o.medium << "\n\n"
     << "| model | Windows | language | printer | the user sees | queues | default printer | outcome | transcript |\n"
     << "|---|---|---|---|---|---|---|---|---|\n";
  html << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Installation matrix</title>"
       << "<style>td,th{border:1px solid #999;padding:2px 6px;vertical-align:top}table{border-collapse:collapse}"
       << "</style></head><body>\n<h1>Installation matrix: " << Html(o.medium) << "</h1>\n<table>\n"
       << "<tr><th>model</th><th>Windows</th><th>language</th><th>printer</th><th>the user sees</th>"
       << "<th>queues</th><th>default printer</th><th>outcome</th><th>transcript</th></tr>\n";
  for (const Cell& c : all) {
    const std::string seen = c.exitCode != 0 ? "(setup-sim failed: exit " + std::to_string(c.exitCode) + ")"
                                             : Cleaned(Joined(c.seen, " / "));
    md << "| " << Cleaned(c.model) << " | " << c.platform << " | " << c.language << " | " << c.attach << " | "
       << seen << " | " << Cleaned(Joined(c.queues, ", ")) << " | " << Cleaned(c.defaultPrinter) << " | "
       << c.outcome << " | [" << c.file << "](" << c.file << ") |\n";
    html << "<tr><td>" << Html(c.model) << "</td><td>" << Html(c.platform) << "</td><td>" << c.language
         << "</td><td>" << c.attach << "</td><td>" << Html(seen) << "</td><td>" << Html(Joined(c.queues, ", "))
         << "</td><td>" << Html(c.defaultPrinter) << "</td><td>" << Html(c.outcome) << "</td><td><a href=\""
         << c.file << "\">transcript</a></td></tr>\n";
  }
  html << "</table>\n</body></html>\n";
  if (!WriteText(o.outDir + "/matrix.md", md.str()) || !WriteText(o.outDir + "/matrix.html", html.str())) return 2;
  std::cout << all.size() << " cells, " << failed << " could not run; " << o.outDir << "/matrix.md, "
            << o.outDir << "/matrix.html\n";
  return failed ? 1 : 0;
}

}  // namespace simtool
