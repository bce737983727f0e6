// Kernels for the short runs of the run-length blits.  Sprite runs are a
// few to a few dozen pixels long, so a call per run must cost little: both
// kernels cover a run with 8-pixel SSE2 steps whose last step overlaps the
// previous one (copy), or is computed from the untouched destination first
// (mix), and handle runs shorter than 8 pixels without a scalar loop.
#ifndef TESSERA_ENGINE_RUN_ROWS_H
#define TESSERA_ENGINE_RUN_ROWS_H

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

namespace tessera {

// Copies n pixels (n >= 0); source and destination do not overlap.
// Inline: the keyed run blit calls it once per run.
inline void CopyRun(uint16_t* dst, const uint16_t* src, int n) {
  if (n >= 8) {
    int i = 0;
    for (; i + 8 < n; i += 8)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n - 8),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + n - 8)));
    return;
  }
  // Two overlapping stores of 8, 4 or 2 bytes cover any length below 8.
  if (n >= 4) {
    uint64_t a, b;
    std::memcpy(&a, src, 8);
    std::memcpy(&b, src + n - 4, 8);
    std::memcpy(dst, &a, 8);
    std::memcpy(dst + n - 4, &b, 8);
  } else if (n >= 2) {
    uint32_t a, b;
    std::memcpy(&a, src, 4);
    std::memcpy(&b, src + n - 2, 4);
    std::memcpy(dst, &a, 4);
    std::memcpy(dst + n - 2, &b, 4);
  } else if (n == 1) {
    dst[0] = src[0];
  }
}

// The translucent mix of every source pixel over the destination, no key
// test: the formula of TransMixPixel (engine/pixel_rows.h) with weight a.
void MixRun(uint16_t* dst, const uint16_t* src, int n, int a);

}  // namespace tessera

#endif
