// Fuzz target of the open helper library's INF reading: the input is the
// model's INF (and, after its first NUL byte, the system INF it includes),
// planned for both architectures with an ID taken from the input itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "drvkit/driver_plan.h"
#include "drvkit/inf_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  const std::string inf = input.substr(0, split);
  const std::string system = split == std::string::npos ? std::string() : input.substr(split + 1);
  // An ID the INF may well have: the text after its first backslash, to the line's end.
  std::string hwid = "VelmarVP-2104E1A";
  size_t slash = inf.find('\\');
  if (slash != std::string::npos)
    hwid = inf.substr(slash + 1, inf.find_first_of(",\r\n", slash) - slash - 1);
  for (drvkit::Arch arch : {drvkit::Arch::kX86, drvkit::Arch::kAmd64}) {
    drvkit::PlanResult r = drvkit::MakePlan(inf, hwid, arch, [&](const std::string&) {
      return split == std::string::npos ? std::nullopt : std::optional<std::string>(system);
    });
    if (r.error == 0 && r.plan.dataFile.empty()) __builtin_trap();
    if (r.error != 0 && r.detail.empty()) __builtin_trap();
    for (const drvkit::PlannedFile& f : r.plan.files)
      if (f.name.empty() || f.name.size() > input.size()) __builtin_trap();
  }
  drvkit::PeMachine(input);
  return 0;
}
