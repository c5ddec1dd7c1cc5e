// Fuzz target of the JPEG decoding: any input either decodes into a whole
// bitmap of the size its header names, or into nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bmp = "stale";
  const bool decoded = ui::DecodeJpeg(std::string(reinterpret_cast<const char*>(data), size), bmp);
  if (!decoded) {
    if (!bmp.empty()) __builtin_trap();
    return 0;
  }
  auto le32 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bmp[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(bmp[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(bmp[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(bmp[at + 3])) << 24;
  };
  if (bmp.size() < 54 || le32(2) != bmp.size()) __builtin_trap();
  const uint32_t w = le32(18), h = le32(22);
  if (w == 0 || h == 0 || w > ui::kMaxPictureSide || h > ui::kMaxPictureSide) __builtin_trap();
  if (bmp.size() != 54 + ((w * 3 + 3) & ~3u) * h) __builtin_trap();
  return 0;
}
