// Fuzz target of the profile reader: the input is read as a profile file
// and every section and key found is read back through a buffer of one of
// several sizes, as GetPrivateProfileStringA answers them. The input's last
// byte picks the size (it stays a byte of the file as well): one size a run
// instead of all of them makes a run on a large file several times cheaper,
// and the fuzzer still reaches every size with every kind of file. The
// headers found by the search for '[' must be the ones a walk over every
// line finds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/common/profile_text.h"

namespace profile = plat::profile_text;

namespace {

// Names and values returned through a buffer of n bytes leave room for the
// terminating zeros, so they never fill it.
bool FitsList(const std::vector<std::string>& names, uint32_t n) {
  size_t total = 0;
  for (const std::string& s : names) total += s.size() + 1;
  return n == 0 ? names.empty() : total + 1 <= n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const profile::Text doc(bytes);
  const profile::Text walked(bytes, profile::Scan::EveryLine);
  if (doc.SectionNames(1u << 30) != walked.SectionNames(1u << 30)) __builtin_trap();
  if (!doc.Find("")) __builtin_trap();
  if (doc.KeyNames("", 16384) != walked.KeyNames("", 16384)) __builtin_trap();

  static const uint32_t kSizes[] = {0u, 1u, 2u, 7u, 64u, 2048u, 16384u};
  const uint32_t buf = kSizes[size ? data[size - 1] % 7 : 0];
  const std::vector<std::string> sections = doc.SectionNames(buf);
  if (!FitsList(sections, buf)) __builtin_trap();
  for (const std::string& s : sections) {
    const std::vector<std::string> keys = doc.KeyNames(s, buf);
    if (!FitsList(keys, buf)) __builtin_trap();
    if (keys != walked.KeyNames(s, buf)) __builtin_trap();
    for (const std::string& k : keys) {
      const std::string v = doc.GetString(s, k, "def", buf);
      if (v != walked.GetString(s, k, "def", buf)) __builtin_trap();
      if (buf == 0 ? !v.empty() : v.size() >= buf) __builtin_trap();
    }
    // A key nobody wrote gives the default, cut to the buffer.
    const std::string d = doc.GetString(s, "\x01no such key\x01", "default", buf);
    if (d != profile::DefaultOnly("default", buf)) __builtin_trap();
  }
  return 0;
}
