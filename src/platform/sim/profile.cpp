// Simulated profile reader: files read from the sandbox, parsed once and
// kept while they stay the same. Small files are compared byte for byte, as
// a test may rewrite one within the file system's time resolution; large
// ones by size and modification time.
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "platform/sim/machine.h"
#include "platform/sim/profile_parse.h"

namespace plat::sim {
namespace {

constexpr off_t kCompareBelow = 1 << 20;

struct Cached {
  off_t size = -1;
  struct timespec mtime = {};
  std::string bytes;  // kept for small files only
  profile::Document doc;
};

std::optional<std::string> ReadAll(const std::string& host) {
  std::ifstream in(host, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class SimProfile : public Profile {
 public:
  explicit SimProfile(SimMachine& m) : m_(m) {}

  std::string GetString(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& def,
                        uint32_t bufferSize) override {
    const profile::Document* doc = Load(file);
    if (!doc) return profile::DefaultOnly(def, bufferSize);
    return profile::GetString(*doc, section, key, def, bufferSize);
  }

  std::vector<std::string> GetSectionNames(const std::string& file, uint32_t bufferSize) override {
    const profile::Document* doc = Load(file);
    return doc ? profile::SectionNames(*doc, bufferSize) : std::vector<std::string>{};
  }

  std::vector<std::string> GetKeyNames(const std::string& file, const std::string& section,
                                       uint32_t bufferSize) override {
    const profile::Document* doc = Load(file);
    return doc ? profile::KeyNames(*doc, section, bufferSize) : std::vector<std::string>{};
  }

 private:
  // nullptr when there is no such file.
  const profile::Document* Load(const std::string& file) {
    if (file.empty()) return nullptr;
    const std::string host = m_.HostPath(file);
    struct stat st;
    if (stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      cache_.erase(host);
      return nullptr;
    }
    Cached& c = cache_[host];
    const bool small = st.st_size < kCompareBelow;
    const bool sameStat = c.size == st.st_size && c.mtime.tv_sec == st.st_mtim.tv_sec &&
                          c.mtime.tv_nsec == st.st_mtim.tv_nsec;
    if (sameStat && !small) return &c.doc;
    std::optional<std::string> bytes = ReadAll(host);
    if (!bytes) {
      cache_.erase(host);
      return nullptr;
    }
    if (sameStat && *bytes == c.bytes) return &c.doc;
    c.doc = profile::Parse(*bytes);
    c.size = st.st_size;
    c.mtime = st.st_mtim;
    c.bytes = small ? std::move(*bytes) : std::string();
    return &c.doc;
  }

  SimMachine& m_;
  std::map<std::string, Cached> cache_;
};

}  // namespace

std::unique_ptr<Profile> MakeProfile(SimMachine& m) { return std::make_unique<SimProfile>(m); }

}  // namespace plat::sim
