// The translucent mix of 5-5-5 pixels in vector registers, eight at a time
// with SSE2 and sixteen with AVX2, for the row loops that share it (the
// translucent blit's rows and the run-length form's runs).
//
// The rule is TransMixPixel's (engine/pixel_rows.h), with the source's
// weight 32 - a; the row tests hold every vector path to it bit for bit.
// Red is mixed in place at the top of the word, green and blue each in its
// own field, so one 16-bit multiply per channel does.
#ifndef TESSERA_ENGINE_TRANSLUCENT_LANES_H
#define TESSERA_ENGINE_TRANSLUCENT_LANES_H

#include "engine/simd.h"

#if TESSERA_SSE2
#include <immintrin.h>

namespace tessera {

inline __m128i TransMix8(__m128i sv, __m128i dv, __m128i av) {
  const __m128i gmask = _mm_set1_epi16(0x03E0);
  const __m128i bmask = _mm_set1_epi16(0x001F);
  const __m128i red = _mm_and_si128(
      _mm_add_epi16(
          sv, _mm_mullo_epi16(_mm_sub_epi16(_mm_srli_epi16(dv, 5), _mm_srli_epi16(sv, 5)), av)),
      _mm_set1_epi16(static_cast<short>(0xFC00)));
  const __m128i sg = _mm_and_si128(sv, gmask);
  const __m128i green = _mm_and_si128(
      _mm_add_epi16(
          _mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_and_si128(dv, gmask), sg), av), 5), sg),
      gmask);
  const __m128i sb = _mm_and_si128(sv, bmask);
  const __m128i blue = _mm_and_si128(
      _mm_add_epi16(
          _mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_and_si128(dv, bmask), sb), av), 5), sb),
      bmask);
  return _mm_or_si128(red, _mm_or_si128(green, blue));
}

#if TESSERA_AVX2
__attribute__((target("avx2"))) inline __m256i TransMix16(__m256i sv, __m256i dv, __m256i av) {
  const __m256i gmask = _mm256_set1_epi16(0x03E0);
  const __m256i bmask = _mm256_set1_epi16(0x001F);
  const __m256i red = _mm256_and_si256(
      _mm256_add_epi16(
          sv, _mm256_mullo_epi16(
                  _mm256_sub_epi16(_mm256_srli_epi16(dv, 5), _mm256_srli_epi16(sv, 5)), av)),
      _mm256_set1_epi16(static_cast<short>(0xFC00)));
  const __m256i sg = _mm256_and_si256(sv, gmask);
  const __m256i green = _mm256_and_si256(
      _mm256_add_epi16(
          _mm256_srli_epi16(
              _mm256_mullo_epi16(_mm256_sub_epi16(_mm256_and_si256(dv, gmask), sg), av), 5),
          sg),
      gmask);
  const __m256i sb = _mm256_and_si256(sv, bmask);
  const __m256i blue = _mm256_and_si256(
      _mm256_add_epi16(
          _mm256_srli_epi16(
              _mm256_mullo_epi16(_mm256_sub_epi16(_mm256_and_si256(dv, bmask), sb), av), 5),
          sb),
      bmask);
  return _mm256_or_si256(red, _mm256_or_si256(green, blue));
}
#endif

}  // namespace tessera

#endif
#endif
