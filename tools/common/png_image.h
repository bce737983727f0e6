// PNG pictures for the tools, read with libpng into 8-bit RGBA.
#ifndef TESSERA_TOOLS_COMMON_PNG_IMAGE_H
#define TESSERA_TOOLS_COMMON_PNG_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessera::tools {

struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // width * height * 4 bytes, rows top first

  const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// The largest picture a tool reads: 16384 pixels a side, 64M pixels.
constexpr int kMaxPictureSide = 16384;
constexpr long long kMaxPicturePixels = 64LL << 20;

// Reads a PNG file / PNG bytes of any colour type.  False with `error` set
// when the data is not a PNG libpng can read or is larger than the limits.
bool ReadPng(const std::string& path, RgbaImage& out, std::string& error);
bool ReadPngMemory(const void* data, size_t size, RgbaImage& out, std::string& error);

// An 8-bit colour reduced to the engine's 1-5-5-5 pixel (top five bits of
// each channel, the transparency bit clear).
inline uint16_t Rgb555(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
}

}  // namespace tessera::tools

#endif
