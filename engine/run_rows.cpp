#include "engine/run_rows.h"

#include "engine/pixel_rows.h"
#include "engine/simd.h"

#if TESSERA_SSE2
#include <emmintrin.h>
#endif

namespace tessera {

namespace {

#if TESSERA_SSE2

inline __m128i Mix8(__m128i sv, __m128i dv, __m128i av) {
  const __m128i gmask = _mm_set1_epi16(0x03E0);
  const __m128i bmask = _mm_set1_epi16(0x001F);
  __m128i red = _mm_and_si128(
      _mm_add_epi16(sv, _mm_mullo_epi16(_mm_sub_epi16(_mm_srli_epi16(dv, 5), _mm_srli_epi16(sv, 5)), av)),
      _mm_set1_epi16(static_cast<short>(0xFC00)));
  __m128i sg = _mm_and_si128(sv, gmask);
  __m128i green = _mm_and_si128(
      _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_and_si128(dv, gmask), sg), av), 5), sg), gmask);
  __m128i sb = _mm_and_si128(sv, bmask);
  __m128i blue = _mm_and_si128(
      _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_and_si128(dv, bmask), sb), av), 5), sb), bmask);
  return _mm_or_si128(red, _mm_or_si128(green, blue));
}

#endif

}  // namespace

void MixRun(uint16_t* dst, const uint16_t* src, int n, int a) {
#if !TESSERA_SSE2
  for (int i = 0; i < n; ++i) dst[i] = TransMixPixel(src[i], dst[i], static_cast<unsigned>(a));
#else
  const __m128i av = _mm_set1_epi16(static_cast<short>(a));
  if (n >= 8) {
    // The last 8 pixels are mixed from the destination as it was, then the
    // body is mixed and stored, then the tail: overlapping pixels get the
    // tail's (correct, single) mix.
    const __m128i tail = Mix8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + n - 8)),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + n - 8)), av);
    for (int i = 0; i + 8 < n; i += 8) {
      __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
      __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), Mix8(sv, dv, av));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n - 8), tail);
    return;
  }
  if (n <= 0) return;
  alignas(16) uint16_t s8[8] = {}, d8[8] = {};
  CopyRun(s8, src, n);
  CopyRun(d8, dst, n);
  _mm_store_si128(reinterpret_cast<__m128i*>(d8),
                  Mix8(_mm_load_si128(reinterpret_cast<const __m128i*>(s8)),
                       _mm_load_si128(reinterpret_cast<const __m128i*>(d8)), av));
  CopyRun(dst, d8, n);
#endif
}

}  // namespace tessera
