// Bitmap files: the reader behind CVIEWMANAGE::LoadBMP and the writer
// behind SaveBMP, as pure functions over bytes.
//
// The reader accepts a file that starts with "BM" and has 24 or 8 bits per
// pixel (16-bit value at offset 28); width at 18, height at 22 (32-bit), the
// pixel data at the offset stored at 10, as many bytes as the file size
// field (offset 2) minus that offset -- or fewer when the file is shorter.
// Only 24-bit rows are decoded: bottom-up, (3 * width + 3) & ~3 bytes each,
// blue, green, red; magenta (255, 0, 255) becomes COLOR_KEY.
#ifndef TESSERA_ENGINE_BMP_FILE_H
#define TESSERA_ENGINE_BMP_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessera {

struct BmpImage {
  int32_t width = 0;
  int32_t height = 0;
  // width * height, top row first: the 1-5-5-5 colour of each pixel.
  std::vector<uint16_t> pixels;
  // The blue byte of each pixel (the opacity companions use it).
  std::vector<uint8_t> blue;
};

enum class BmpResult {
  kOk,
  kBadHeader,    // not "BM", or a depth other than 24 and 8
  kUnsupported,  // passes the header test but is not decoded (8 bits)
  kBadData,      // sizes out of range or pixel data shorter than the rows
};

BmpResult DecodeBmp(const uint8_t* file, size_t size, BmpImage* out);

// The bytes of a 24-bit bitmap of w x h 1-5-5-5 pixels (top row first):
// "BM", file size, 0, 0, offset 54; an information header of 40 bytes
// (width, height, 1 plane, 24 bits, the rest 0); rows bottom-up, each
// pixel blue << 3, green << 3, red << 3, rows padded with zeros to 4 bytes.
std::string EncodeBmp(const uint16_t* pixels, int32_t w, int32_t h);

}  // namespace tessera

#endif
