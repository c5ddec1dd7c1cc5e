// The text of a setup information (INF) file as sections of lines and
// fields, read the way SetupAPI reads it: sections and keys without regard
// to case, quoted fields, ';' comments, '\' continuations and %strkey%
// replaced from [Strings]. Plain C++, so the reader runs and is tested on
// the host as well as inside the library.
//
//   drvkit::InfFile inf =
//   drvkit::InfFile::Parse("[Version]\nProvider=%P%\n[Strings]\nP=\"Velmar\"\n");
//   inf.Value("Version", "Provider");  // "Velmar"
#pragma once
#include <map>
#include <string>
#include <vector>

namespace drvkit {

struct InfLine {
  bool hasKey = false;
  std::string key;  // the text before '=' (empty without one)
  std::vector<std::string>
      fields;  // the comma-separated values after it (the whole line without '=')
  // The field |n|, empty when the line has fewer.
  const std::string& Field(size_t n) const;
};

class InfFile {
 public:
  // Never fails: text that is not an INF gives a file without sections.
  static InfFile Parse(const std::string& text);

  bool HasSection(const std::string& section) const;
  // The lines of |section| (every section of that name, in file order);
  // empty when there is none.
  const std::vector<InfLine>& Lines(const std::string& section) const;
  // The first line of |section| with |key|; null when there is none.
  const InfLine* Find(const std::string& section, const std::string& key) const;
  // Its first field, or empty.
  std::string Value(const std::string& section, const std::string& key) const;

 private:
  std::map<std::string, std::vector<InfLine>> sections_;  // by upper-cased name
};

// ASCII upper case, for names compared without regard to case.
std::string UpperAscii(std::string s);
bool EqualNoCase(const std::string& a, const std::string& b);

}  // namespace drvkit
