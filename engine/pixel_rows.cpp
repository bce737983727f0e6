#include "engine/pixel_rows.h"

#include <emmintrin.h>

namespace tessera {

void KeyedCopyRow(PIXEL* dst, const PIXEL* src, int n) {
  auto* d = reinterpret_cast<uint16_t*>(dst);
  auto* s = reinterpret_cast<const uint16_t*>(src);
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i key = _mm_srai_epi16(sv, 15);  // all ones where bit 15 is set
    // Branch-free merge: images mix opaque and keyed pixels unpredictably,
    // and a mispredicted branch costs more than the extra load.
    __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    __m128i out = _mm_or_si128(_mm_and_si128(key, dv), _mm_andnot_si128(key, sv));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), out);
  }
  for (; i < n; ++i)
    if (!(s[i] & 0x8000)) d[i] = s[i];
}

void TransMixRow(PIXEL* dst, const PIXEL* src, int n, int a, bool keyed) {
  auto* d = reinterpret_cast<uint16_t*>(dst);
  auto* s = reinterpret_cast<const uint16_t*>(src);
  const __m128i av = _mm_set1_epi16(static_cast<short>(a));
  const __m128i rmask = _mm_set1_epi16(static_cast<short>(0xFC00));
  const __m128i gmask = _mm_set1_epi16(0x03E0);
  const __m128i bmask = _mm_set1_epi16(0x001F);
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i key = keyed ? _mm_srai_epi16(sv, 15) : _mm_setzero_si128();
    if (keyed && _mm_movemask_epi8(key) == 0xFFFF) continue;
    __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    __m128i red = _mm_and_si128(
        _mm_add_epi16(sv, _mm_mullo_epi16(_mm_sub_epi16(_mm_srli_epi16(dv, 5), _mm_srli_epi16(sv, 5)), av)),
        rmask);
    __m128i sg = _mm_and_si128(sv, gmask);
    __m128i green = _mm_and_si128(
        _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_and_si128(dv, gmask), sg), av), 5), sg),
        gmask);
    __m128i sb = _mm_and_si128(sv, bmask);
    __m128i blue = _mm_and_si128(
        _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_and_si128(dv, bmask), sb), av), 5), sb),
        bmask);
    __m128i out = _mm_or_si128(red, _mm_or_si128(green, blue));
    out = _mm_or_si128(_mm_and_si128(key, dv), _mm_andnot_si128(key, out));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), out);
  }
  for (; i < n; ++i)
    if (!keyed || !(s[i] & 0x8000)) d[i] = TransMixPixel(s[i], d[i], static_cast<unsigned>(a));
}

}  // namespace tessera
