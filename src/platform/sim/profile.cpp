// Simulated profile reader: files read from the sandbox, parsed once and
// kept while their size, inode and change times stay the same (the file
// systems here stamp a rewrite that follows a read with a fresh time).
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <sstream>

#include "platform/sim/machine.h"
#include "platform/sim/profile_parse.h"

namespace plat::sim {
namespace {

struct Cached {
  off_t size = -1;
  ino_t inode = 0;
  struct timespec mtime = {}, ctime = {};
  profile::Document doc;
};

bool Same(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
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
    if (c.size == st.st_size && c.inode == st.st_ino && Same(c.mtime, st.st_mtim) &&
        Same(c.ctime, st.st_ctim))
      return &c.doc;
    std::ifstream in(host, std::ios::binary);
    if (!in) {
      cache_.erase(host);
      return nullptr;
    }
    std::ostringstream s;
    s << in.rdbuf();
    c.doc = profile::Parse(s.str());
    c.size = st.st_size;
    c.inode = st.st_ino;
    c.mtime = st.st_mtim;
    c.ctime = st.st_ctim;
    return &c.doc;
  }

  SimMachine& m_;
  std::map<std::string, Cached> cache_;
};

}  // namespace

std::unique_ptr<Profile> MakeProfile(SimMachine& m) { return std::make_unique<SimProfile>(m); }

}  // namespace plat::sim
