// Small text helpers on 8-bit strings, with Windows' ASCII case rules.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plat::text {

std::string Upper(
    std::string s);  // ASCII letters only, as the ANSI upper-casing of the installer's texts
// One character by the same rule, for code that compares or hashes names in place.
inline char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string Lower(std::string s);
bool EqualNoCase(std::string_view a, std::string_view b);
std::string Trim(const std::string& s);  // blanks and control characters at both ends
std::vector<std::string> Split(const std::string& s, char sep);
std::string Join(const std::vector<std::string>& parts, const std::string& sep);
// |s| with each character that |escapes| names written as its text:
// Escaped("a<b", {{'<', "&lt;"}}) gives "a&lt;b".
std::string Escaped(const std::string& s,
                    std::initializer_list<std::pair<char, const char*>> escapes);
// "0x%.8X" of a 32-bit code.
std::string Hex8(uint32_t code);
bool Contains(const std::string& hay, const std::string& needle);
// Lines as a string list loads them: CR LF, LF or CR end a line.
std::vector<std::string> SplitLines(const std::string& data);
// The folder part of a path, without its last backslash: "C:\M\Setup.exe" gives "C:\M".
std::string FolderOf(const std::string& path);

}  // namespace plat::text
