// The log routine: one message to the debug output (mode 0), the log file
// (mode 1) or a message box (mode 2). A repeated message logs as "..".
//
//   WriteLog("pipe failed", LogMode(), "");  // "<12/7/2026 9:00:00 AM> pipe failed" in the file
#pragma once
#include <functional>
#include <string>

namespace services {

void WriteLog(const std::string& msg, int mode, const std::string& tag);

// The mode the command runner passes; 1 (file) from start-up.
int LogMode();
void SetLogMode(int mode);

// The file of mode 1: the temporary folder, named after the program
// ("C:\Temp\Setup.exe" logs to "<temp>\Setup.log").
std::string LogFilePath();
// Its name alone ("Setup.log").
std::string LogFileName();

// How mode 2 shows its box (text, caption); the program wires this to the
// UI. Without one, mode 2 shows nothing.
void SetLogMessageBox(
    std::function<void(const std::string& text, const std::string& caption)> show);

// Forgets the last message (as at shut-down); for tests.
void ResetLog();

// What one installation attempt came to. Every attempt appends one line to
// the log file, whatever the log mode, so an unattended run leaves a trace:
//   "<12/7/2026 9:00:05 AM> OUTCOME\tVelmar VP-210\tonline\tUSB001\tsuccess\t0x00000000\tThe
//   printer ..."
// (fields separated by tabs; line breaks and tabs inside a text become blanks).
struct InstallOutcome {
  std::string model;
  bool online = false;
  std::string port;
  std::string result;  // "success", "failed", "online failed", "canceled", "not installed", ...
  uint32_t code = 0;
  std::string shown;     // the text the user was shown (empty: none)
  bool restart = false;  // a success whose message asks for a restart (not in the line)
};
std::string FormatOutcomeLine(const InstallOutcome& o, const std::string& tag);
// An attempt begins: its line is still owed.
void BeginInstallAttempt(const std::string& model, bool online);
bool InstallAttemptPending();
// Appends the outcome line and settles the pending attempt.
void WriteInstallOutcome(const InstallOutcome& o);
// Settles a pending attempt that no outcome reached, with |result|.
void EndInstallAttempt(const std::string& result);
// The last outcome written in this run; null before the first.
const InstallOutcome* LastInstallOutcome();

// A file that receives a copy of every outcome line besides the log (an
// administrator's switch); its folders are made as needed. Empty: none.
// A line the file cannot take goes to the debug output.
void SetOutcomeFile(const std::string& path);

}  // namespace services
