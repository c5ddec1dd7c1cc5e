// Fuzz target of the message formatter with hostile templates and
// arguments: texts holding directives are never read as directives, a
// template without '%' comes back unchanged, and the result is never
// longer than the template and every argument written out in full.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "i18n/format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // template \0 arg \0 arg ...: an argument starting with '#' is a number.
  std::vector<std::string> parts;
  std::string cur;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += static_cast<char>(data[i]);
    }
  }
  parts.push_back(cur);
  const std::string templ = parts[0];
  std::vector<i18n::FormatArg> args;
  size_t budget = templ.size();
  for (size_t i = 1; i < parts.size(); ++i) {
    if (!parts[i].empty() && parts[i][0] == '#') {
      uint64_t v = 0;
      for (size_t k = 1; k < parts[i].size() && k < 20; ++k)
        v = v * 31 + static_cast<unsigned char>(parts[i][k]);
      args.emplace_back(static_cast<long long>(v));
      budget += 21;
    } else {
      args.emplace_back(parts[i]);
      budget += parts[i].size();
    }
  }
  const std::string out = i18n::FormatTextArgs(templ, args);
  if (out.size() > budget) __builtin_trap();
  if (templ.find('%') == std::string::npos && out != templ) __builtin_trap();
  // The same texts as arguments of "%s" come back byte for byte.
  for (size_t i = 1; i < parts.size(); ++i)
    if (parts[i].empty() || parts[i][0] != '#')
      if (i18n::FormatText("%s", parts[i]) != parts[i]) __builtin_trap();
  return 0;
}
