// The layered-image reader: any bytes as a layered image file.
#include <cstddef>
#include <cstdint>

#include "engine/psd_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessera::PsdImage image;
  if (tessera::DecodePsd(data, size, &image)) {
    unsigned sum = 0;
    for (size_t i = 0; i < image.bgra.size(); i += 4) sum += tessera::PsdPixel(&image.bgra[i]);
    if (image.bgra.size() != static_cast<size_t>(image.width) * image.height * 4) __builtin_trap();
    (void)sum;
  }
  return 0;
}
