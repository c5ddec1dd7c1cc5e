#include "i18n/format.h"

#include <cstring>

namespace i18n {

namespace {

std::string Decimal(int64_t v) {
  // Through the unsigned magnitude, so that the most negative value works too.
  uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  return v < 0 ? "-" + digits : digits;
}

std::string Hex8(int64_t v) {
  static const char kDigits[] = "0123456789ABCDEF";
  uint32_t u = static_cast<uint32_t>(v);
  std::string out(8, '0');
  for (int i = 7; i >= 0; --i, u >>= 4) out[i] = kDigits[u & 0xF];
  return out;
}

std::string RightAligned(std::string s, size_t width) {
  if (s.size() < width) s.insert(0, width - s.size(), ' ');
  return s;
}

enum class Directive { None, Text, Decimal, Decimal2, Hex8, Percent };

// The directive that starts at templ[pos] (a '%'), and its length.
Directive Recognise(const std::string& templ, size_t pos, size_t& length) {
  struct Known {
    const char* text;
    Directive kind;
  };
  static const Known kKnown[] = {{"%%", Directive::Percent},
                                 {"%s", Directive::Text},
                                 {"%d", Directive::Decimal},
                                 {"%2d", Directive::Decimal2},
                                 {"%.8x", Directive::Hex8}};
  for (const Known& k : kKnown) {
    size_t n = std::strlen(k.text);
    if (templ.compare(pos, n, k.text) == 0) {
      length = n;
      return k.kind;
    }
  }
  length = 1;
  return Directive::None;
}

}  // namespace

std::string FormatTextArgs(const std::string& templ, const std::vector<FormatArg>& args) {
  std::string out;
  out.reserve(templ.size());
  size_t next = 0;
  size_t pos = 0;
  while (pos < templ.size()) {
    if (templ[pos] != '%') {
      out += templ[pos++];
      continue;
    }
    size_t length = 1;
    Directive d = Recognise(templ, pos, length);
    const std::string directive = templ.substr(pos, length);
    pos += length;
    if (d == Directive::None) {
      out += directive;
      continue;
    }
    if (d == Directive::Percent) {
      out += '%';
      continue;
    }
    if (next >= args.size()) {
      out += directive;
      continue;
    }
    const FormatArg& arg = args[next++];
    if (d == Directive::Text) {
      out += arg.IsText() ? arg.AsText() : Decimal(arg.AsNumber());
    } else if (arg.IsText()) {
      out += directive;
    } else if (d == Directive::Decimal) {
      out += Decimal(arg.AsNumber());
    } else if (d == Directive::Decimal2) {
      out += RightAligned(Decimal(arg.AsNumber()), 2);
    } else {
      out += Hex8(arg.AsNumber());
    }
  }
  return out;
}

}  // namespace i18n
