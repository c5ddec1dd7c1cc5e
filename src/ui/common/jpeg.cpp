// JPEG decoding with libjpeg. libjpeg reports a fatal error by calling
// error_exit, whose default ends the process: here it jumps back instead,
// and the one function that calls setjmp holds no C++ objects.
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "ui/picture.h"
#include "ui/ui.h"

namespace ui {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;  // first: libjpeg sees only this part
  std::jmp_buf jump;
  bool damaged;
};

void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Level -1 is a warning: corrupt or missing data that libjpeg would paper
// over with grey. A picture with a grey band is not ours to show.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0) reinterpret_cast<ErrorManager*>(cinfo->err)->damaged = true;
}

void OutputMessage(j_common_ptr) {}

constexpr size_t kFileHeader = 14, kInfoHeader = 40;

void Put16(unsigned char* at, uint32_t v) {
  at[0] = static_cast<unsigned char>(v), at[1] = static_cast<unsigned char>(v >> 8);
}
void Put32(unsigned char* at, uint32_t v) {
  Put16(at, v & 0xFFFF);
  Put16(at + 2, v >> 16);
}

size_t Stride(uint32_t width) { return (width * 3 + 3) & ~size_t{3}; }

// The header of a 24-bit bottom-up bitmap of that size.
void WriteHeaders(unsigned char* bmp, uint32_t width, uint32_t height) {
  const uint32_t image = static_cast<uint32_t>(Stride(width) * height);
  memset(bmp, 0, kFileHeader + kInfoHeader);
  bmp[0] = 'B', bmp[1] = 'M';
  Put32(bmp + 2, static_cast<uint32_t>(kFileHeader + kInfoHeader) + image);
  Put32(bmp + 10, kFileHeader + kInfoHeader);
  Put32(bmp + 14, kInfoHeader);
  Put32(bmp + 18, width);
  Put32(bmp + 22, height);
  Put16(bmp + 26, 1);   // planes
  Put16(bmp + 28, 24);  // bits per pixel
  Put32(bmp + 34, image);
}

// Where the decoder needs the caller's buffer: the caller learns the size
// from a first Decode, makes room, and a second Decode fills it.
struct Job {
  const unsigned char* data;
  unsigned long size;
  uint32_t width, height;
  unsigned char* out;  // kFileHeader + kInfoHeader + Stride(width) * height bytes
};

// libjpeg reports through |err|: a fatal error jumps back to the caller's
// setjmp (which must stay in the caller's own frame), a warning marks the
// picture damaged.
void UseErrorManager(jpeg_decompress_struct& cinfo, ErrorManager& err) {
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.emit_message = EmitMessage;
  err.pub.output_message = OutputMessage;
  err.damaged = false;
}

// Reads the header, and the pixels too once job.out has room for them: the
// caller asks first for the size. Plain C state only, for setjmp.
bool Decode(Job& job) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  UseErrorManager(cinfo, err);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, job.data, job.size);
  jpeg_read_header(&cinfo, TRUE);
  if (!job.out) {
    job.width = cinfo.image_width;
    job.height = cinfo.image_height;
    jpeg_destroy_decompress(&cinfo);
    return !err.damaged;
  }
  cinfo.out_color_space = JCS_RGB;  // grey is widened; CMYK is refused here
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_width != job.width || cinfo.output_height != job.height ||
      cinfo.output_components != 3) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  const size_t stride = Stride(job.width);
  unsigned char* pixels = job.out + kFileHeader + kInfoHeader;
  while (cinfo.output_scanline < cinfo.output_height) {
    // Bottom-up: the first scan line is the last row of the bitmap.
    unsigned char* row = pixels + stride * (job.height - 1 - cinfo.output_scanline);
    JSAMPROW rows[1] = {row};
    jpeg_read_scanlines(&cinfo, rows, 1);
    for (uint32_t x = 0; x < job.width; ++x) {
      unsigned char r = row[x * 3];
      row[x * 3] = row[x * 3 + 2];  // RGB to the bitmap's BGR
      row[x * 3 + 2] = r;
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return !err.damaged;
}

}  // namespace

bool DecodeJpeg(const std::string& jpeg, std::string& bmp) {
  bmp.clear();
  if (jpeg.size() < 4 || static_cast<unsigned char>(jpeg[0]) != 0xFF ||
      static_cast<unsigned char>(jpeg[1]) != 0xD8)
    return false;
  Job job{reinterpret_cast<const unsigned char*>(jpeg.data()),
          static_cast<unsigned long>(jpeg.size()), 0, 0, nullptr};
  if (!Decode(job) || job.width == 0 || job.height == 0 ||
      job.width > static_cast<uint32_t>(kMaxPictureSide) ||
      job.height > static_cast<uint32_t>(kMaxPictureSide))
    return false;
  std::string out(kFileHeader + kInfoHeader + Stride(job.width) * job.height, '\0');
  job.out = reinterpret_cast<unsigned char*>(out.data());
  WriteHeaders(job.out, job.width, job.height);
  if (!Decode(job)) return false;
  bmp = std::move(out);
  return true;
}

// Here, beside the decoder, so that a program that shows no JPEG picture
// links neither (the linker takes this file only for a caller of it).
bool Image::SetJpeg(const std::string& jpeg) {
  std::string bmp;
  // A picture that does not decode leaves the image empty, never half drawn.
  bool decoded = DecodeJpeg(jpeg, bmp);
  SetPicture(bmp);
  return decoded;
}

}  // namespace ui
