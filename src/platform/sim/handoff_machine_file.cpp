#include "platform/sim/handoff_machine_file.h"

#include <cstdlib>

#include "platform/common/text.h"

namespace plat::sim {

bool LoadHandOffSection(const std::map<std::string, std::map<std::string, std::string>>& ini,
                        SimMachine& m, std::string& error) {
  for (const auto& [section, keys] : ini) {
    if (!text::EqualNoCase(section, "HandOff64")) continue;
    uint64_t delay = m.handOff.delay;
    std::string driver = m.devices.installsDriver;
    for (const auto& [key, value] : keys) {
      if (text::EqualNoCase(key, "Delay")) {
        std::string v = text::Trim(value);
        // At most a day of virtual time, in milliseconds.
        if (v.empty() || v.size() > 8 || v.find_first_not_of("0123456789") != std::string::npos) {
          error = "[" + section + "]: Delay must be milliseconds, not '" + value + "'";
          return false;
        }
        delay = std::strtoull(v.c_str(), nullptr, 10);
      } else if (text::EqualNoCase(key, "InstallsDriver")) {
        driver = text::Trim(value);
      } else {
        error = "[" + section + "]: unknown key " + key;
        return false;
      }
    }
    m.handOff.delay = delay;
    m.devices.installsDriver = driver;
  }
  return true;
}

}  // namespace plat::sim
