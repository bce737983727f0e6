#include "engine/alpha_rows.h"

#include <emmintrin.h>

#include <cstring>

namespace tessera {

void AlphaBlendRow(PIXEL* dst, const void* src, const uint8_t* weights, int n) {
  auto* d = reinterpret_cast<uint16_t*>(dst);
  auto* s = static_cast<const uint8_t*>(src);
  const __m128i zero = _mm_setzero_si128();
  const __m128i k32 = _mm_set1_epi16(32);
  const __m128i k31 = _mm_set1_epi16(31);
  const __m128i gmask = _mm_set1_epi16(0x03E0);
  const __m128i low15 = _mm_set1_epi16(0x7FFF);
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    __m128i tv = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(weights + i)), zero);
    tv = _mm_min_epi16(tv, k32);
    const int all0 = _mm_movemask_epi8(_mm_cmpeq_epi16(tv, zero));
    const __m128i keep = _mm_cmpeq_epi16(tv, k32);
    const int all32 = _mm_movemask_epi8(keep);
    if (all32 == 0xFFFF) continue;
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * i));
    if (all0 == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_and_si128(sv, low15));
      continue;
    }
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i wv = _mm_sub_epi16(k32, tv);
    // red: 5-bit values, product, >> 5, back to bits 10-14
    __m128i r = _mm_add_epi16(
        _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(sv, 10), k31), wv), 5),
        _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(dv, 10), k31), tv), 5));
    r = _mm_slli_epi16(r, 10);
    // green in place: (g << 5) * w >> 5 keeps floor(g * w / 32) in bits 5-9
    // once the bits below are masked off; the products stay below 2^15.
    __m128i g = _mm_add_epi16(
        _mm_and_si128(_mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(sv, gmask), wv), 5), gmask),
        _mm_and_si128(_mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(dv, gmask), tv), 5), gmask));
    __m128i b = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(sv, k31), wv), 5),
                              _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(dv, k31), tv), 5));
    const __m128i out = _mm_or_si128(r, _mm_or_si128(g, b));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_or_si128(_mm_and_si128(keep, dv), _mm_andnot_si128(keep, out)));
  }
  for (; i < n; ++i) {
    uint16_t sp;
    std::memcpy(&sp, s + 2 * i, 2);
    d[i] = AlphaBlendPixel(sp, d[i], weights[i]);
  }
}

}  // namespace tessera
