// Runs a console command with a hidden window and collects what it writes
// to standard output.
//
//   std::vector<std::string> out;
//   if (services::RunCMD("sc query Spooler", out) > 0 &&
//       services::JoinOutput(out).find("SERVICE_NAME: ") != std::string::npos) ...
#pragma once
#include <string>
#include <vector>

namespace services {

constexpr size_t kRunChunk = 4096;  // bytes one read takes from the pipe

// Appends the command's standard output to |output|, one entry per read of
// at most kRunChunk bytes, and one last entry after the command ended (empty
// after a normal end); never clears |output|. Returns 1 when output was read,
// 0 when none, -1 when the pipe cannot be created, -2 when the command cannot
// be started (|output| unchanged). Commands of any length are run: the
// command line is copied into a buffer sized to it.
int RunCMD(const std::string& cmdLine, std::vector<std::string>& output);

// The entries joined with CR LF, the text the markers are searched in.
std::string JoinOutput(const std::vector<std::string>& output);

}  // namespace services
