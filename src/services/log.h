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

// How mode 2 shows its box (text, caption); the program wires this to the
// UI. Without one, mode 2 shows nothing.
void SetLogMessageBox(std::function<void(const std::string& text, const std::string& caption)> show);

// Forgets the last message (as at shut-down); for tests.
void ResetLog();

}  // namespace services
