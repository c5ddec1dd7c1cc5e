// A file of the host (Linux) file system, read whole: the machine files,
// user scripts and resource folders the host tools are given.
#pragma once
#include <fstream>
#include <sstream>
#include <string>

namespace simtool {

// False when the file cannot be opened; |out| is then unchanged.
inline bool ReadHostFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

}  // namespace simtool
