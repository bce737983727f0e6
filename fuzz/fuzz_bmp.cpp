// The bitmap reader: any bytes as a bitmap file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/bmp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessera::BmpImage image;
  if (tessera::DecodeBmp(data, size, &image) == tessera::BmpResult::kOk) {
    // Re-encoding touches every decoded pixel.
    const std::string again = tessera::EncodeBmp(image.pixels.data(), image.width, image.height);
    if (again.size() < 54) __builtin_trap();
  }
  return 0;
}
