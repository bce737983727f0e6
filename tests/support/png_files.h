// PNG files for the tests that check pictures the library or its tools
// write, or feed them pictures: read and written with libpng, apart from
// the other helpers so that a build without libpng (the pixel core alone)
// can use those.
#ifndef TESSERA_TESTS_SUPPORT_PNG_FILES_H
#define TESSERA_TESTS_SUPPORT_PNG_FILES_H

#include <cstdint>
#include <string>
#include <vector>

namespace tessera::test {

// A PNG file read back with libpng, 8 bits a channel (RGB, or RGBA when
// `alpha`), rows top first; w == 0 when it cannot be read.
struct PngImage {
  int w = 0, h = 0, channels = 3;
  std::vector<uint8_t> px;
  uint8_t* At(int x, int y) { return &px[(static_cast<size_t>(y) * w + x) * channels]; }
  // The pixel as 0xRRGGBB.
  uint32_t Rgb(int x, int y) {
    const uint8_t* p = At(x, y);
    return static_cast<uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
  }
};
PngImage ReadPng(const std::string& path, bool alpha = false);
// Writes the image as a PNG file (RGB or RGBA by its channels).
bool WritePng(const std::string& path, const PngImage& img);

}  // namespace tessera::test

#endif
