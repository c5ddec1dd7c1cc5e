// The profile file model behind the simulated GetPrivateProfileStringA:
// sections and keys as the system's loader keeps them, and the answers cut
// to a caller's buffer the way the real function cuts them.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace plat::sim::profile {

struct Key {
  std::string name;
  std::string value;
  bool hasValue = false;  // false for a line without '='
};

struct Section {
  std::string name;  // "" for the keys before the first section header
  std::vector<Key> keys;
};

struct Document {
  std::vector<Section> sections;  // file order; a leading unnamed one always present
  // The first section of each name (letters folded to upper case): files with
  // thousands of sections are looked up once per key.
  std::unordered_map<std::string, size_t> firstByName;
};

Document Parse(const std::string& bytes);

std::string GetString(const Document& doc, const std::string& section, const std::string& key,
                      const std::string& def, uint32_t bufferSize);
// What the answer of a missing file is: the default, trimmed and cut.
std::string DefaultOnly(const std::string& def, uint32_t bufferSize);
std::vector<std::string> SectionNames(const Document& doc, uint32_t bufferSize);
std::vector<std::string> KeyNames(const Document& doc, const std::string& section,
                                  uint32_t bufferSize);

}  // namespace plat::sim::profile
