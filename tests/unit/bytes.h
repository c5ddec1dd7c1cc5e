// Expected texts written as hex ("B4 F2 D3"), so that a test does not depend
// on how its own file or catalogue.txt is encoded (GBK, Big5 or ASCII bytes).
#pragma once
#include <string>

inline std::string Bytes(const char* hex) {
  std::string out, digits;
  for (const char* p = hex; *p; ++p) {
    if (*p == ' ') continue;
    digits += *p;
    if (digits.size() == 2) {
      out += static_cast<char>(std::stoi(digits, nullptr, 16));
      digits.clear();
    }
  }
  return out;
}
