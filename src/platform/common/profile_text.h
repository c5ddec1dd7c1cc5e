// A profile (INI) file's bytes, read once and answered from memory with the
// rules of the system's profile reader (GetPrivateProfileStringA): names
// without regard to case, trimmed values, one pair of enclosing quotes
// removed, every answer cut to the caller's buffer, and only the first
// section of a name ever searched.
//
//   plat::profile_text::Text ini(*plat::files().ReadFile(path));
//   std::string v = ini.GetString("Strings", "ProviderName", "", 2048);
//
// Only section headers are found when the text is made (a search for '[',
// so a large file costs little more than its reading); a section's entries
// are split into keys when it is first asked for.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace plat::profile_text {

struct Key {
  std::string name;
  std::string value;
  bool hasValue = false;  // false for a line without '='
};

struct Section {
  std::string name;  // "" for the lines before the first section header
  std::vector<Key> keys;
};

// How the headers are found: by searching for '[' (what the program uses),
// or by looking at every line, which tests hold the search against.
enum class Scan { Fast, EveryLine };

class Text {
 public:
  // Keeps the bytes.
  explicit Text(std::string&& bytes, Scan scan = Scan::Fast);
  // Reads bytes that the caller keeps for as long as the text is used.
  explicit Text(std::string_view bytes, Scan scan = Scan::Fast);
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;

  std::string GetString(std::string_view section, std::string_view key, std::string_view def,
                        uint32_t bufferSize) const;
  // Section names in file order, as they fit a buffer of bufferSize.
  std::vector<std::string> SectionNames(uint32_t bufferSize) const;
  // Key names of a section, as they fit a buffer of bufferSize.
  std::vector<std::string> KeyNames(const std::string& section, uint32_t bufferSize) const;
  // A section's entries, parsed; nullptr when there is no section of that name.
  const Section* Find(std::string_view section) const;
  // The section GetString reads when asked for |section| (the name trimmed
  // and cut at a NUL), and the answer it gives from it: a reader of many
  // keys of one section looks the section up once.
  const Section* SectionFor(std::string_view section) const;
  static std::string ValueIn(const Section* section, std::string_view key, std::string_view def,
                             uint32_t bufferSize);

 private:
  struct Header {
    std::string name;
    size_t begin = 0;  // the section's first line
    size_t end = 0;    // where the next header's line starts
  };
  void Index(std::string_view raw, Scan scan);
  void IndexEveryLine();
  void IndexByBrackets();
  size_t LineEnd(size_t pos) const;
  bool HeaderAt(size_t lineStart, size_t eol, std::string& name) const;
  void AddHeader(std::string name, size_t lineStart, size_t eol);

  std::string own_;              // the bytes, when kept
  std::string narrowed_;         // a UTF-16 file as 8-bit text
  std::string_view bytes_;       // what is read: the bytes, without a byte order mark
  std::vector<Header> headers_;  // file order; [0] is the unnamed leading block
  // Names without regard to case, as the system compares them.
  struct NameHash {
    size_t operator()(std::string_view name) const;
  };
  struct NameEqual {
    bool operator()(std::string_view a, std::string_view b) const;
  };
  // name (a view of headers_[i].name) -> i, the first header of that name
  std::unordered_map<std::string_view, size_t, NameHash, NameEqual> firstByName_;
  mutable std::unordered_map<size_t, std::unique_ptr<Section>> parsed_;
};

// What the answer for a file that cannot be read is: the default, trimmed and cut.
std::string DefaultOnly(std::string_view def, uint32_t bufferSize);

}  // namespace plat::profile_text
