// Filling the catalogue's templates without printf: a small formatter that
// knows only the directives the texts use, with typed arguments.
//
//   FormatText("Driver install is Failed (0x%.8x).", 5u)
//       == "Driver install is Failed (0x00000005)."
//   FormatText("%s(%2d)", "Continue Setup", 9) == "Continue Setup( 9)"
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace i18n {

// One argument: a text or a number. Implicit on purpose, so callers write
// FormatText(templ, port, seconds).
class FormatArg {
 public:
  FormatArg(const std::string& text) : isText_(true), text_(text) {}
  FormatArg(const char* text) : isText_(true), text_(text ? text : "") {}
  FormatArg(int v) : number_(v) {}
  FormatArg(long v) : number_(v) {}
  FormatArg(long long v) : number_(v) {}
  FormatArg(unsigned v) : number_(v) {}
  FormatArg(unsigned long v) : number_(static_cast<int64_t>(v)) {}
  FormatArg(unsigned long long v) : number_(static_cast<int64_t>(v)) {}

  bool IsText() const { return isText_; }
  const std::string& AsText() const { return text_; }
  int64_t AsNumber() const { return number_; }

 private:
  bool isText_ = false;
  std::string text_;
  int64_t number_ = 0;
};

// Copies |templ| byte for byte and replaces, from left to right, each
// directive with the next argument:
//   %s     the text (a number in decimal)
//   %d     the number in decimal
//   %2d    the number right-aligned in two places (wider numbers in full)
//   %.8x   the number's low 32 bits as at least eight upper-case hex digits
//   %%     one '%'
// Any other '%' stays as it is, and so does a directive whose argument is
// missing or is a text where a number belongs. Surplus arguments are ignored.
// Argument texts are inserted as they are, never read as directives. Only
// the byte '%' is special, which no GBK or Big5 character contains.
std::string FormatTextArgs(const std::string& templ, const std::vector<FormatArg>& args);

template <class... Args>
std::string FormatText(const std::string& templ, const Args&... args) {
  return FormatTextArgs(templ, std::vector<FormatArg>{FormatArg(args)...});
}

}  // namespace i18n
