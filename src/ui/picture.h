// Pictures for ui::Image: JPEG data decoded with libjpeg into the Windows
// bitmap both backends hold, so a picture that cannot be shown on Windows
// cannot be shown headless either.
//
//   std::string bmp;
//   if (ui::DecodeJpeg(jpeg, bmp)) image->SetPicture(bmp);
#pragma once
#include <string>

namespace ui {

// Pictures wider or higher than this are refused before any memory is
// taken for them (nothing the program shows comes near it).
constexpr int kMaxPictureSide = 2048;

// Decodes baseline or progressive JPEG data (colour or grey) into the bytes
// of a 24-bit bottom-up .bmp file. False, with |bmp| empty, for data that is
// not a JPEG, is cut short or damaged (libjpeg's warnings count as damage),
// has no pixels, is too large or has colours it cannot turn into RGB.
bool DecodeJpeg(const std::string& jpeg, std::string& bmp);

}  // namespace ui
