// The lane masks of the 512-bit pixel loops: a row's last, partial step is
// one masked load and store of the lanes that exist, so the loops need no
// per-pixel remainder and never touch memory past the row (masked-off
// lanes are neither read nor written).
#ifndef TESSERA_ENGINE_WIDE_LANES_H
#define TESSERA_ENGINE_WIDE_LANES_H

#include "engine/simd.h"

#if TESSERA_AVX2
#include <immintrin.h>

namespace tessera {

// The lowest n of 32 sixteen-bit lanes (n >= 32: all of them; n <= 0: none).
TESSERA_AVX512_FN inline __mmask32 LowLanes32(int n) {
  if (n <= 0) return 0;
  return n >= 32 ? static_cast<__mmask32>(0xFFFFFFFFu) : static_cast<__mmask32>((1u << n) - 1u);
}

// The lowest n of 16 thirty-two-bit lanes, the same way.
TESSERA_AVX512_FN inline __mmask16 LowLanes16(long long n) {
  if (n <= 0) return 0;
  return n >= 16 ? static_cast<__mmask16>(0xFFFF) : static_cast<__mmask16>((1u << n) - 1u);
}

}  // namespace tessera

#endif
#endif
