// Profile text read with the rules of the system's profile reader.
#include "platform/common/profile_text.h"

#include <cstring>

#include "platform/common/text.h"

namespace plat::profile_text {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1a;
}

// Names and values are C strings to the system: an embedded NUL ends them.
std::string_view UpToNulView(std::string_view s) {
  const void* nul = std::memchr(s.data(), 0, s.size());
  return nul ? std::string_view(s.data(),
                                static_cast<size_t>(static_cast<const char*>(nul) - s.data()))
             : s;
}

std::string UpToNul(std::string_view s) { return std::string(UpToNulView(s)); }

bool IsUtf16(std::string_view bytes) {
  return bytes.size() >= 2 &&
         ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
}

// A file with a UTF-16 byte order mark is read as 16-bit text; characters
// outside the 8-bit range become '?'.
std::string Narrow16(std::string_view bytes) {
  const bool le = bytes[0] == '\xFF';
  std::string out;
  out.reserve(bytes.size() / 2);
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
std::string CopyEntry(std::string_view v, uint32_t len) {
  if (len == 0) return {};
  bool quoted = false;
  if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) {
    quoted = true;
    v.remove_prefix(1);
  }
  std::string out(v.substr(0, len - 1));
  if (quoted && len >= v.size() && !out.empty()) out.pop_back();
  return out;
}

// Trailing spaces (only spaces) go; a default of nothing but spaces keeps one.
std::string_view TrimDefault(std::string_view def) {
  std::string_view d = UpToNulView(def);
  if (d.empty()) return d;
  size_t p = d.size() - 1;
  while (p > 0 && d[p] == ' ') --p;
  return d.substr(0, p + 1);
}

std::string_view TrimmedView(std::string_view name) {
  size_t b = 0, e = name.size();
  while (b < e && IsBlank(name[b])) ++b;
  while (e > b && IsBlank(name[e - 1])) --e;
  return std::string_view(name.data() + b, e - b);
}

// One entry line, its blanks already skipped at the front: the name is what
// stands before the first '=', both halves trimmed.
Key ParseKeyLine(std::string_view bytes, size_t b, size_t e) {
  while (e > b && IsBlank(bytes[e - 1])) --e;
  const std::string_view line = bytes.substr(b, e - b);
  Key k;
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    k.name = UpToNul(line);
    return k;
  }
  size_t ne = eq;
  while (ne > 0 && IsBlank(line[ne - 1])) --ne;
  size_t vb = eq + 1;
  while (vb < line.size() && IsBlank(line[vb])) ++vb;
  k.name = UpToNul(line.substr(0, ne));
  k.value = UpToNul(line.substr(vb));
  k.hasValue = true;
  return k;
}

}  // namespace

Text::Text(std::string&& bytes, Scan scan) : own_(std::move(bytes)) { Index(own_, scan); }

Text::Text(std::string_view bytes, Scan scan) { Index(bytes, scan); }

void Text::Index(std::string_view raw, Scan scan) {
  if (raw.substr(0, 3) == "\xEF\xBB\xBF") {
    bytes_ = raw.substr(3);
  } else if (IsUtf16(raw)) {
    narrowed_ = Narrow16(raw);
    bytes_ = narrowed_;
  } else {
    bytes_ = raw;
  }
  headers_.push_back({"", 0, bytes_.size()});
  if (scan == Scan::Fast)
    IndexByBrackets();
  else
    IndexEveryLine();
  // headers_ is complete: the views of its names stay valid.
  for (size_t i = 0; i < headers_.size(); ++i) firstByName_.emplace(headers_[i].name, i);
}

size_t Text::NameHash::operator()(std::string_view name) const {
  uint64_t h = 14695981039346656037ull;
  for (char c : name) h = (h ^ static_cast<unsigned char>(text::UpperAscii(c))) * 1099511628211ull;
  return static_cast<size_t>(h);
}

bool Text::NameEqual::operator()(std::string_view a, std::string_view b) const {
  return text::EqualNoCase(a, b);
}

// A line ends at the first '\r' or '\n'; a pair of them ends it once, and
// the empty line between is skipped like any blank one.
size_t Text::LineEnd(size_t pos) const {
  const char* p = bytes_.data() + pos;
  const char* end = bytes_.data() + bytes_.size();
  while (p < end && *p != '\r' && *p != '\n') ++p;
  return static_cast<size_t>(p - bytes_.data());
}

// A line whose first character after blanks is '[' and that has a ']'
// further on names a section; without the ']' it is an ordinary line.
bool Text::HeaderAt(size_t b, size_t eol, std::string& name) const {
  if (b >= eol || bytes_[b] != '[') return false;
  size_t close = eol - 1;
  while (close > b && bytes_[close] != ']') --close;
  if (close <= b) return false;
  name = UpToNul(TrimmedView(bytes_.substr(b + 1, close - b - 1)));
  return true;
}

void Text::AddHeader(std::string name, size_t lineStart, size_t eol) {
  headers_.back().end = lineStart;
  const size_t begin = eol < bytes_.size() ? eol + 1 : bytes_.size();
  headers_.push_back({std::move(name), begin, bytes_.size()});
}

void Text::IndexEveryLine() {
  for (size_t pos = 0; pos < bytes_.size();) {
    const size_t eol = LineEnd(pos);
    size_t b = pos;
    while (b < eol && IsBlank(bytes_[b])) ++b;
    std::string name;
    if (HeaderAt(b, eol, name)) AddHeader(std::move(name), pos, eol);
    pos = eol + 1;
  }
}

// Every '[' is looked at: it opens a header only when nothing but blanks
// stands between it and the start of its line.
void Text::IndexByBrackets() {
  const size_t size = bytes_.size();
  auto endsLine = [&](size_t i) { return bytes_[i] == '\n' || bytes_[i] == '\r'; };
  size_t p = 0;
  while (p < size) {
    const void* hit = std::memchr(bytes_.data() + p, '[', size - p);
    if (!hit) break;
    p = static_cast<size_t>(static_cast<const char*>(hit) - bytes_.data());
    size_t q = p;
    while (q > 0 && IsBlank(bytes_[q - 1]) && !endsLine(q - 1)) --q;
    if (q > 0 && !endsLine(q - 1)) {
      ++p;
      continue;
    }
    const size_t eol = LineEnd(q);
    std::string name;
    if (HeaderAt(p, eol, name)) {
      AddHeader(std::move(name), q, eol);
      p = eol + 1;
    } else {
      ++p;
    }
  }
}

// Only the first section of a name is ever searched.
const Section* Text::Find(std::string_view name) const {
  auto it = firstByName_.find(name);
  if (it == firstByName_.end()) return nullptr;
  std::unique_ptr<Section>& slot = parsed_[it->second];
  if (!slot) {
    const Header& h = headers_[it->second];
    slot = std::make_unique<Section>();
    slot->name = h.name;
    for (size_t pos = h.begin; pos < h.end;) {
      const size_t eol = LineEnd(pos);
      size_t b = pos, e = eol;
      pos = eol + 1;
      while (b < e && IsBlank(bytes_[b])) ++b;
      if (b >= e) continue;
      slot->keys.push_back(ParseKeyLine(bytes_, b, e));
    }
  }
  return slot.get();
}

std::string DefaultOnly(std::string_view def, uint32_t bufferSize) {
  if (bufferSize == 0) return {};
  return std::string(TrimDefault(def).substr(0, bufferSize - 1));
}

std::string Text::GetString(std::string_view section, std::string_view key, std::string_view def,
                            uint32_t bufferSize) const {
  return ValueIn(SectionFor(section), key, def, bufferSize);
}

const Section* Text::SectionFor(std::string_view section) const {
  return Find(TrimmedView(UpToNulView(section)));
}

// Read on every key of every model at start-up: the names are looked at in
// place, and only the answer is copied.
std::string Text::ValueIn(const Section* section, std::string_view key, std::string_view def,
                          uint32_t bufferSize) {
  const std::string_view k = TrimmedView(UpToNulView(key));
  if (section && !k.empty())
    for (const Key& entry : section->keys)
      if (text::EqualNoCase(entry.name, k)) {
        if (entry.hasValue) return CopyEntry(entry.value, bufferSize);
        break;
      }
  return CopyEntry(TrimDefault(def), bufferSize);
}

std::vector<std::string> Text::SectionNames(uint32_t bufferSize) const {
  std::vector<std::string> names;
  if (bufferSize <= 1) return names;
  // Room left before the list's closing NUL; a name that does not fit with
  // room to spare is cut so that it and the list still end in the buffer.
  size_t room = bufferSize - 1;
  for (const Header& sec : headers_) {
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

std::vector<std::string> Text::KeyNames(const std::string& section, uint32_t bufferSize) const {
  std::vector<std::string> names;
  if (const Section* sec = Find(UpToNulView(section))) {
    size_t len = bufferSize;
    for (const Key& k : sec->keys) {
      if (len <= 2) break;
      if (k.name.empty() && !k.hasValue) continue;
      if (!k.name.empty() && k.name[0] == ';') continue;
      if (!k.hasValue) continue;
      std::string n = k.name.substr(0, len - 2);
      len -= n.size() + 1;
      // A name cut to nothing cannot be told from the end of the list.
      if (!n.empty())
        names.push_back(n);
      else
        break;
      if (len < 2) break;
    }
    return names;
  }
  return names;
}

}  // namespace plat::profile_text
