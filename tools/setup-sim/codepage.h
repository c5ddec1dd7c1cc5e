// setup-sim speaks UTF-8; the simulated machine holds its texts in its ANSI
// code page (GBK, Big5 or Windows-1252).
#pragma once
#include <iconv.h>

#include <cerrno>
#include <string>

namespace simtool {

inline const char* CodePageName(unsigned codePage) {
  return codePage == 936 ? "GBK" : codePage == 950 ? "BIG5" : "CP1252";
}

// A byte sequence that is no character of the target becomes "?", so that
// nothing is silently lost.
inline std::string Recode(const std::string& text, const char* from, const char* to) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return text;
  std::string out, in = text;
  char* ip = in.data();
  size_t il = in.size();
  char buf[4096];
  while (il > 0) {
    char* op = buf;
    size_t ol = sizeof buf;
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    out.append(buf, op - buf);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      out += "?";
      ++ip;
      --il;
    }
  }
  iconv_close(cd);
  return out;
}

inline std::string ToUtf8(const std::string& text, unsigned codePage) {
  return Recode(text, CodePageName(codePage), "UTF-8");
}
inline std::string FromUtf8(const std::string& utf8, unsigned codePage) {
  return Recode(utf8, "UTF-8", CodePageName(codePage));
}

}  // namespace simtool
