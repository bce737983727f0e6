#include "engine/pixel_convert.h"

#include "engine/cpu_features.h"
#include "engine/simd.h"
#include "engine/wide_lanes.h"

#if TESSERA_SSE2
#include <immintrin.h>
#endif

namespace tessera {

namespace {

#if TESSERA_AVX2
// 16 pixels per step where the processor has AVX2 (chosen at run time).
__attribute__((target("avx2"))) size_t ConvertAvx2(uint16_t* dst, const uint16_t* src, size_t n) {
  const __m256i high = _mm256_set1_epi16(static_cast<short>(0xFFE0));
  const __m256i blue = _mm256_set1_epi16(0x001F);
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i + 16));
    a = _mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(a, high), 1), _mm256_and_si256(a, blue));
    b = _mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(b, high), 1), _mm256_and_si256(b, blue));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i + 16), b);
  }
  return i;
}

// 64 pixels a step with AVX-512BW, the last, partial register masked.
// Red and green doubled in place and blue kept is p + (p & 0xFFE0): the
// sum of the two parts, whose bits do not meet, and bit 15 doubled drops
// out of the word.
TESSERA_AVX512_FN void ConvertAvx512(uint16_t* dst, const uint16_t* src, size_t n) {
  const __m512i high = _mm512_set1_epi16(static_cast<short>(0xFFE0));
  // The pixels up to the destination's next 64-byte boundary first, so
  // that no later store is split across two cache lines.
  size_t i = (64 - (reinterpret_cast<uintptr_t>(dst) & 63)) / 2 % 32;
  if (i > n) i = n;
  if (i > 0) {
    const __mmask32 lanes = LowLanes32(static_cast<int>(i));
    const __m512i a = _mm512_maskz_loadu_epi16(lanes, src);
    _mm512_mask_storeu_epi16(dst, lanes, _mm512_add_epi16(a, _mm512_and_si512(a, high)));
  }
  for (; i + 64 <= n; i += 64) {
    const __m512i a = _mm512_loadu_si512(src + i), b = _mm512_loadu_si512(src + i + 32);
    _mm512_storeu_si512(dst + i, _mm512_add_epi16(a, _mm512_and_si512(a, high)));
    _mm512_storeu_si512(dst + i + 32, _mm512_add_epi16(b, _mm512_and_si512(b, high)));
  }
  for (; i < n; i += 32) {
    const __mmask32 lanes = LowLanes32(static_cast<int>(n - i < 32 ? n - i : 32));
    const __m512i a = _mm512_maskz_loadu_epi16(lanes, src + i);
    _mm512_mask_storeu_epi16(dst + i, lanes, _mm512_add_epi16(a, _mm512_and_si512(a, high)));
  }
}
#endif

}  // namespace

void ConvertRow555To565(uint16_t* dst, const uint16_t* src, size_t n) {
  size_t i = 0;
#if TESSERA_AVX2
  if (UseAvx512()) return ConvertAvx512(dst, src, n);
  if (UseAvx2()) i = ConvertAvx2(dst, src, n);
#endif
#if TESSERA_SSE2
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
