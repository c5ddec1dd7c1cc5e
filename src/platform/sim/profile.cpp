// Simulated profile reader: files read from the sandbox, parsed once and
// kept while their size, inode and change times stay the same (the file
// systems here stamp a rewrite that follows a read with a fresh time).
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <sstream>

#include "platform/sim/machine.h"
#include "platform/common/profile_text.h"

namespace plat::sim {
namespace {

struct Cached {
  off_t size = -1;
  ino_t inode = 0;
  struct timespec mtime = {}, ctime = {};
  std::unique_ptr<profile_text::Text> doc;
};

bool Same(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

class SimProfile : public Profile {
 public:
  explicit SimProfile(SimMachine& m) : m_(m) {}

  std::string GetString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& def, uint32_t bufferSize) override {
    const profile_text::Text* doc = Faulted("GetPrivateProfileString") ? nullptr : Load(file);
    if (!doc) return profile_text::DefaultOnly(def, bufferSize);
    return doc->GetString(section, key, def, bufferSize);
  }

  std::vector<std::string> GetSectionNames(const std::string& file, uint32_t bufferSize) override {
    const profile_text::Text* doc = Faulted("GetPrivateProfileSectionNames") ? nullptr : Load(file);
    return doc ? doc->SectionNames(bufferSize) : std::vector<std::string>{};
  }

  std::vector<std::string> GetKeyNames(const std::string& file, const std::string& section,
                                       uint32_t bufferSize) override {
    const profile_text::Text* doc = Faulted("GetPrivateProfileString") ? nullptr : Load(file);
    return doc ? doc->KeyNames(section, bufferSize) : std::vector<std::string>{};
  }

 private:
  bool Faulted(const char* call) {
    auto e = m_.faults.Check(call);
    if (e) m_.lastError = *e;
    return e.has_value();
  }

  // nullptr when there is no such file.
  const profile_text::Text* Load(const std::string& file) {
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
      return c.doc.get();
    std::ifstream in(host, std::ios::binary);
    if (!in) {
      cache_.erase(host);
      return nullptr;
    }
    std::ostringstream s;
    s << in.rdbuf();
    c.doc = std::make_unique<profile_text::Text>(s.str());
    c.size = st.st_size;
    c.inode = st.st_ino;
    c.mtime = st.st_mtim;
    c.ctime = st.st_ctim;
    return c.doc.get();
  }

  SimMachine& m_;
  std::map<std::string, Cached> cache_;
};

}  // namespace

std::unique_ptr<Profile> MakeProfile(SimMachine& m) { return std::make_unique<SimProfile>(m); }

}  // namespace plat::sim
