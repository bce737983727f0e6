// Pixel layout conversion for presenting on a 5-6-5 display: red and green
// move up one bit, green's new low bit is 0, bit 15 of the source is dropped:
// out = ((p & 0xFFE0) << 1) | (p & 0x001F).
#ifndef TESSERA_ENGINE_PIXEL_CONVERT_H
#define TESSERA_ENGINE_PIXEL_CONVERT_H

#include <cstddef>
#include <cstdint>

namespace tessera {

inline uint16_t Pixel555To565(uint16_t p) {
  return static_cast<uint16_t>(((p & 0xFFE0u) << 1) | (p & 0x001Fu));
}

// Converts n pixels (64 at a time with AVX-512BW, 32 with AVX2, eight with
// SSE2).  dst and src must not overlap
// unless they are equal.
void ConvertRow555To565(uint16_t* dst, const uint16_t* src, size_t n);

}  // namespace tessera

#endif
