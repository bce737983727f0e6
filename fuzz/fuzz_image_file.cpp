// The image importer: any bytes as a PNG or BMP file, and as a pack image
// record to turn back into RGBA.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/image_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessera::RgbaImage image;
  std::string error;
  if (tessera::DecodeImageFile(data, size, &image, &error)) {
    if (image.rgba.size() != static_cast<size_t>(image.width) * image.height * 4) __builtin_trap();
    // Small images also go through the record writer and back.
    if (static_cast<long>(image.width) * image.height <= 64 * 64) {
      const auto record = tessera::PackImageRecord(image, tessera::ImportStyle::kKeyed, 0xFF00FF);
      tessera::RgbaImage back;
      if (!tessera::DecodePackImageToRgba(record.data(), record.size(), &back)) __builtin_trap();
      if (back.width != image.width || back.height != image.height) __builtin_trap();
    }
  }
  tessera::RgbaImage record_image;
  tessera::DecodePackImageToRgba(data, size, &record_image);
  return 0;
}
