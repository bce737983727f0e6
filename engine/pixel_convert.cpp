#include "engine/pixel_convert.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tessera {

void ConvertRow555To565(uint16_t* dst, const uint16_t* src, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xFFE0));
  const __m128i blue = _mm_set1_epi16(0x001F);
  for (; i + 8 <= n; i += 8) {
    __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    __m128i out = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(p, high), 1), _mm_and_si128(p, blue));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), out);
  }
#endif
  for (; i < n; ++i) dst[i] = Pixel555To565(src[i]);
}

}  // namespace tessera
