#include "drvkit/inf_file.h"

namespace drvkit {
namespace {

const std::vector<InfLine> kNoLines;
const std::string kEmpty;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// UTF-16 (little-endian, with its mark) as 8-bit text: ASCII stays, the rest
// becomes '?'. Names and file names in a printer INF are ASCII.
std::string Narrow(const std::string& text) {
  std::string out;
  out.reserve(text.size() / 2);
  for (size_t i = 2; i + 1 < text.size(); i += 2) {
    const unsigned unit =
        static_cast<unsigned char>(text[i]) | static_cast<unsigned char>(text[i + 1]) << 8;
    out += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  return out;
}

// One field as it is read: its text and how far from its end the text
// stands in quotes (blanks up to there are kept).
struct FieldBuilder {
  std::string text;
  size_t keep = 0;  // text[0, keep) is final (quoted or followed by a non-blank)
  bool started = false;

  void Add(char c, bool quoted) {
    if (!started && !quoted && IsBlank(c)) return;
    started = true;
    text += c;
    if (quoted || !IsBlank(c)) keep = text.size();
  }
  std::string Take() {
    std::string s = text.substr(0, keep);
    *this = FieldBuilder();
    return s;
  }
};

// %key% from [Strings]; %% is one '%'; an unknown key stays as written.
std::string Expand(const std::string& s, const std::map<std::string, std::string>& strings) {
  if (s.find('%') == std::string::npos) return s;
  std::string out;
  size_t at = 0;
  while (at < s.size()) {
    size_t open = s.find('%', at);
    if (open == std::string::npos) break;
    size_t close = s.find('%', open + 1);
    if (close == std::string::npos) break;
    out.append(s, at, open - at);
    if (close == open + 1) {
      out += '%';
    } else {
      auto it = strings.find(UpperAscii(s.substr(open + 1, close - open - 1)));
      out += it != strings.end() ? it->second : s.substr(open, close - open + 1);
    }
    at = close + 1;
  }
  out.append(s, at, std::string::npos);
  return out;
}

}  // namespace

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && UpperAscii(a) == UpperAscii(b);
}

const std::string& InfLine::Field(size_t n) const { return n < fields.size() ? fields[n] : kEmpty; }

InfFile InfFile::Parse(const std::string& input) {
  std::string text = input;
  if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
      static_cast<unsigned char>(text[1]) == 0xFE)
    text = Narrow(text);
  else if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0)
    text.erase(0, 3);

  InfFile inf;
  std::vector<InfLine>* section = nullptr;
  size_t at = 0;
  const size_t n = text.size();
  while (at < n) {
    // A section header: '[' first on the line, the name up to ']'.
    size_t first = at;
    while (first < n && IsBlank(text[first])) ++first;
    if (first < n && text[first] == '[') {
      size_t close = text.find_first_of("]\n", first + 1);
      size_t eol = text.find('\n', first);
      if (close != std::string::npos && text[close] == ']') {
        std::string name = text.substr(first + 1, close - first - 1);
        size_t b = name.find_first_not_of(" \t"), e = name.find_last_not_of(" \t");
        name = b == std::string::npos ? std::string() : name.substr(b, e - b + 1);
        section = &inf.sections_[UpperAscii(name)];
      }
      at = eol == std::string::npos ? n : eol + 1;
      continue;
    }
    // One logical line: fields split at ',' outside quotes, the key ended by
    // the first '=' before any ',', a '\' last on a line joins the next.
    InfLine line;
    FieldBuilder field;
    bool quoted = false, any = false;
    while (at < n) {
      char c = text[at];
      if (quoted) {
        ++at;
        if (c == '"') {
          if (at < n && text[at] == '"') {
            field.Add('"', true);
            ++at;
          } else {
            quoted = false;
          }
        } else if (c == '\n') {
          quoted = false;  // an unclosed quote ends with its line
          break;
        } else {
          field.Add(c, true);
        }
        continue;
      }
      if (c == '\n') {
        ++at;
        break;
      }
      if (c == ';') {  // a comment to the end of the line
        size_t eol = text.find('\n', at);
        at = eol == std::string::npos ? n : eol + 1;
        break;
      }
      if (c == '\\') {
        size_t next = at + 1;
        while (next < n && IsBlank(text[next])) ++next;
        if (next >= n || text[next] == '\n' || text[next] == ';') {
          // Continued: skip the rest of this line (a comment too).
          size_t eol = text.find('\n', next);
          at = eol == std::string::npos ? n : eol + 1;
          continue;
        }
      }
      ++at;
      any = any || !IsBlank(c);
      if (c == '"') {
        quoted = true;
        field.started = true;
        any = true;
      } else if (c == '=' && !line.hasKey && line.fields.empty()) {
        line.hasKey = true;
        line.key = field.Take();
      } else if (c == ',') {
        line.fields.push_back(field.Take());
      } else {
        field.Add(c, false);
      }
    }
    if (!any) continue;
    line.fields.push_back(field.Take());
    if (section) section->push_back(std::move(line));
  }

  // %strkey% from [Strings] (its own lines are taken as written).
  std::map<std::string, std::string> strings;
  auto it = inf.sections_.find("STRINGS");
  if (it != inf.sections_.end())
    for (const InfLine& l : it->second)
      if (l.hasKey) strings.emplace(UpperAscii(l.key), l.Field(0));
  if (!strings.empty()) {
    for (auto& [name, lines] : inf.sections_) {
      if (name == "STRINGS") continue;
      for (InfLine& l : lines) {
        l.key = Expand(l.key, strings);
        for (std::string& f : l.fields) f = Expand(f, strings);
      }
    }
  }
  return inf;
}

bool InfFile::HasSection(const std::string& section) const {
  return sections_.count(UpperAscii(section)) != 0;
}

const std::vector<InfLine>& InfFile::Lines(const std::string& section) const {
  auto it = sections_.find(UpperAscii(section));
  return it == sections_.end() ? kNoLines : it->second;
}

const InfLine* InfFile::Find(const std::string& section, const std::string& key) const {
  for (const InfLine& l : Lines(section))
    if (l.hasKey && EqualNoCase(l.key, key)) return &l;
  return nullptr;
}

std::string InfFile::Value(const std::string& section, const std::string& key) const {
  const InfLine* l = Find(section, key);
  return l ? l->Field(0) : std::string();
}

}  // namespace drvkit
