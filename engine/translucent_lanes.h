// The translucent mix of 5-5-5 pixels in vector registers, eight at a time
// with SSE2, sixteen with AVX2 and thirty-two with AVX-512BW, for the row
// loops that share it (the translucent blit's rows and the run-length
// form's runs).
//
// The rule is TransMixPixel's (engine/pixel_rows.h), with the source's
// weight 32 - a; the row tests hold every vector path to it bit for bit.
// Red is mixed in place at the top of the word, green and blue each in its
// own field, so one 16-bit multiply per channel does.
#ifndef TESSERA_ENGINE_TRANSLUCENT_LANES_H
#define TESSERA_ENGINE_TRANSLUCENT_LANES_H

#include <cstdint>

#include "engine/simd.h"
#include "engine/wide_lanes.h"

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

// The same with 512-bit registers.  The three channels' sums are left
// unmasked and merged by two bit selects (one ternary-logic instruction
// each, imm 0xCA = first ? second : third): red's bits 10-15, green's 5-9,
// blue's 0-4 -- the same bits the masks above keep.
TESSERA_AVX512_FN inline __m512i TransMix32(__m512i sv, __m512i dv, __m512i av) {
  const __m512i gmask = _mm512_set1_epi16(0x03E0);
  const __m512i bmask = _mm512_set1_epi16(0x001F);
  const __m512i red = _mm512_add_epi16(
      sv,
      _mm512_mullo_epi16(_mm512_sub_epi16(_mm512_srli_epi16(dv, 5), _mm512_srli_epi16(sv, 5)), av));
  const __m512i sg = _mm512_and_si512(sv, gmask);
  const __m512i green = _mm512_add_epi16(
      _mm512_srli_epi16(_mm512_mullo_epi16(_mm512_sub_epi16(_mm512_and_si512(dv, gmask), sg), av),
                        5),
      sg);
  const __m512i sb = _mm512_and_si512(sv, bmask);
  const __m512i blue = _mm512_add_epi16(
      _mm512_srli_epi16(_mm512_mullo_epi16(_mm512_sub_epi16(_mm512_and_si512(dv, bmask), sb), av),
                        5),
      sb);
  const __m512i red_green =
      _mm512_ternarylogic_epi32(_mm512_set1_epi16(static_cast<short>(0xFC00)), red, green, 0xCA);
  return _mm512_ternarylogic_epi32(bmask, blue, red_green, 0xCA);
}

// A whole row of n pixels with weight a, thirty-two pixels a
// step and the last, partial step masked: keyed, a source pixel with bit
// 15 set leaves its destination pixel (a step of such pixels only is not
// read at all); not keyed, every pixel is mixed.
TESSERA_AVX512_FN inline void TransMixRowAvx512(uint16_t* d, const uint16_t* s, int n, int a,
                                                bool keyed) {
  const __m512i av = _mm512_set1_epi16(static_cast<short>(a));
  int i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m512i sv = _mm512_loadu_si512(s + i);
    const __mmask32 key = keyed ? _mm512_movepi16_mask(sv) : 0;
    if (key == 0xFFFFFFFFu) continue;
    const __m512i dv = _mm512_loadu_si512(d + i);
    _mm512_storeu_si512(d + i, _mm512_mask_mov_epi16(TransMix32(sv, dv, av), key, dv));
  }
  if (i < n) {
    const __mmask32 lanes = LowLanes32(n - i);
    const __m512i sv = _mm512_maskz_loadu_epi16(lanes, s + i);
    const __mmask32 write = keyed ? lanes & ~_mm512_movepi16_mask(sv) : lanes;
    const __m512i dv = _mm512_maskz_loadu_epi16(write, d + i);
    _mm512_mask_storeu_epi16(d + i, write, TransMix32(sv, dv, av));
  }
}
#endif

}  // namespace tessera

#endif
#endif
