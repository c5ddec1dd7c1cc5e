// Profile parsing and lookup with the rules of the system's profile reader.
#include "platform/sim/profile_parse.h"

namespace plat::sim::profile {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1a;
}

// Names match with ASCII letters folded; lengths first, as files may hold
// very long lines.
bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

std::string Folded(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// Only the first section of a name is ever searched.
const Section* FindSection(const Document& doc, const std::string& name) {
  auto it = doc.firstByName.find(Folded(name));
  return it == doc.firstByName.end() ? nullptr : &doc.sections[it->second];
}

// Names and values are C strings to the system: an embedded NUL ends them.
std::string UpToNul(std::string s) {
  size_t z = s.find('\0');
  if (z != std::string::npos) s.resize(z);
  return s;
}

// A file with a UTF-16 byte order mark is read as 16-bit text; characters
// outside the 8-bit range become '?'.
std::string Narrow(const std::string& bytes) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
  bool le = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  bool be = bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF';
  if (!le && !be) return bytes;
  std::string out;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    unsigned lo = static_cast<unsigned char>(bytes[le ? i : i + 1]);
    unsigned hi = static_cast<unsigned char>(bytes[le ? i + 1 : i]);
    unsigned c = hi << 8 | lo;
    out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
  }
  return out;
}

// The value as the buffer receives it: one pair of enclosing quotes removed.
// The closing quote is dropped as the last character of what was copied, so
// when the quoted text only just fits the copy loses one more character.
std::string CopyEntry(const std::string& value, uint32_t len) {
  if (len == 0) return {};
  std::string v = value;
  bool quoted = false;
  if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) {
    quoted = true;
    v.erase(0, 1);
  }
  std::string out = v.substr(0, len - 1);
  if (quoted && len >= v.size() && !out.empty()) out.pop_back();
  return out;
}

// Trailing spaces (only spaces) go; a default of nothing but spaces keeps one.
std::string TrimDefault(const std::string& def) {
  std::string d = UpToNul(def);
  if (d.empty()) return d;
  size_t p = d.size() - 1;
  while (p > 0 && d[p] == ' ') --p;
  return d.substr(0, p + 1);
}

std::string TrimRequest(const std::string& name) {
  size_t b = 0, e = name.size();
  while (b < e && IsBlank(name[b])) ++b;
  while (e > b && IsBlank(name[e - 1])) --e;
  return name.substr(b, e - b);
}

}  // namespace

Document Parse(const std::string& raw) {
  const std::string bytes = Narrow(raw);
  Document doc;
  doc.sections.push_back({});
  Section* cur = &doc.sections.back();
  size_t pos = 0;
  const size_t end = bytes.size();
  while (pos < end) {
    size_t eol = bytes.find('\n', pos);
    if (eol == std::string::npos) eol = bytes.find('\r', pos);
    if (eol == std::string::npos) eol = end;
    size_t b = pos, e = eol;
    pos = eol + 1;
    while (b < e && IsBlank(bytes[b])) ++b;
    if (b >= e) continue;
    if (bytes[b] == '[') {
      size_t close = e - 1;
      while (close > b && bytes[close] != ']') --close;
      if (close > b) {
        doc.sections.push_back({UpToNul(TrimRequest(bytes.substr(b + 1, close - b - 1))), {}});
        cur = &doc.sections.back();
        continue;
      }
      // A header without ']' is an ordinary line.
    }
    while (e > b && IsBlank(bytes[e - 1])) --e;
    std::string line = bytes.substr(b, e - b);
    Key k;
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
      k.name = UpToNul(line);
    } else {
      size_t ne = eq;
      while (ne > 0 && IsBlank(line[ne - 1])) --ne;
      size_t vb = eq + 1;
      while (vb < line.size() && IsBlank(line[vb])) ++vb;
      k.name = UpToNul(line.substr(0, ne));
      k.value = UpToNul(line.substr(vb));
      k.hasValue = true;
    }
    cur->keys.push_back(std::move(k));
  }
  for (size_t i = 0; i < doc.sections.size(); ++i)
    doc.firstByName.emplace(Folded(doc.sections[i].name), i);
  return doc;
}

std::string DefaultOnly(const std::string& def, uint32_t bufferSize) {
  if (bufferSize == 0) return {};
  return TrimDefault(def).substr(0, bufferSize - 1);
}

std::string GetString(const Document& doc, const std::string& section, const std::string& key,
                      const std::string& def, uint32_t bufferSize) {
  const std::string d = TrimDefault(def);
  const std::string s = TrimRequest(UpToNul(section));
  const std::string k = TrimRequest(UpToNul(key));
  if (k.empty()) return CopyEntry(d, bufferSize);
  if (const Section* sec = FindSection(doc, s))
    for (const Key& entry : sec->keys)
      if (SameName(entry.name, k)) return CopyEntry(entry.hasValue ? entry.value : d, bufferSize);
  return CopyEntry(d, bufferSize);
}

std::vector<std::string> SectionNames(const Document& doc, uint32_t bufferSize) {
  std::vector<std::string> names;
  if (bufferSize <= 1) return names;
  // Room left before the list's closing NUL; a name that does not fit with
  // room to spare is cut so that it and the list still end in the buffer.
  size_t room = bufferSize - 1;
  for (const Section& sec : doc.sections) {
    if (sec.name.empty()) continue;
    size_t need = sec.name.size() + 1;
    if (need >= room) {
      if (room > 1) names.push_back(sec.name.substr(0, room - 1));
      return names;
    }
    names.push_back(sec.name);
    room -= need;
  }
  return names;
}

std::vector<std::string> KeyNames(const Document& doc, const std::string& section,
                                  uint32_t bufferSize) {
  std::vector<std::string> names;
  const std::string s = UpToNul(section);
  if (const Section* sec = FindSection(doc, s)) {
    size_t len = bufferSize;
    for (const Key& k : sec->keys) {
      if (len <= 2) break;
      if (k.name.empty() && !k.hasValue) continue;
      if (!k.name.empty() && k.name[0] == ';') continue;
      if (!k.hasValue) continue;
      std::string n = k.name.substr(0, len - 2);
      len -= n.size() + 1;
      // A name cut to nothing cannot be told from the end of the list.
      if (!n.empty()) names.push_back(n);
      else break;
      if (len < 2) break;
    }
    return names;
  }
  return names;
}

}  // namespace plat::sim::profile
