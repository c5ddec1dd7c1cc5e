// Profile (INI) files read with the rules of GetPrivateProfileStringA:
// names match without regard to case, values are trimmed, one pair of
// enclosing quotes is removed, and every answer is cut to the caller's buffer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

class Profile {
 public:
  virtual ~Profile() = default;

  // GetPrivateProfileStringA(section, key, def, buffer[bufferSize], file).
  virtual std::string GetString(const std::string& file, const std::string& section,
                                const std::string& key, const std::string& def,
                                uint32_t bufferSize) = 0;
  // GetPrivateProfileStringA(NULL, NULL, ...): section names, as they fit a buffer of bufferSize.
  virtual std::vector<std::string> GetSectionNames(const std::string& file,
                                                   uint32_t bufferSize) = 0;
  // GetPrivateProfileStringA(section, NULL, ...): key names of a section.
  virtual std::vector<std::string> GetKeyNames(const std::string& file, const std::string& section,
                                               uint32_t bufferSize) = 0;
};

}  // namespace plat
