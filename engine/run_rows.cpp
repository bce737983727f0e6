#include "engine/run_rows.h"

#include "engine/cpu_features.h"
#include "engine/pixel_rows.h"
#include "engine/simd.h"

#if TESSERA_SSE2
#include <immintrin.h>
#endif

namespace tessera {

namespace {

#if TESSERA_SSE2

inline __m128i Mix8(__m128i sv, __m128i dv, __m128i av) {
  const __m128i gmask = _mm_set1_epi16(0x03E0);
  const __m128i bmask = _mm_set1_epi16(0x001F);
  __m128i red = _mm_and_si128(
      _mm_add_epi16(
          sv, _mm_mullo_epi16(_mm_sub_epi16(_mm_srli_epi16(dv, 5), _mm_srli_epi16(sv, 5)), av)),
      _mm_set1_epi16(static_cast<short>(0xFC00)));
  __m128i sg = _mm_and_si128(sv, gmask);
  __m128i green = _mm_and_si128(
      _mm_add_epi16(
          _mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_and_si128(dv, gmask), sg), av), 5), sg),
      gmask);
  __m128i sb = _mm_and_si128(sv, bmask);
  __m128i blue = _mm_and_si128(
      _mm_add_epi16(
          _mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_and_si128(dv, bmask), sb), av), 5), sb),
      bmask);
  return _mm_or_si128(red, _mm_or_si128(green, blue));
}

#endif

#if TESSERA_AVX2
// The same mix, sixteen pixels a step, for runs of sixteen or more on
// processors with AVX2; the last step is computed first, as in MixRun.
__attribute__((target("avx2"))) inline __m256i Mix16(__m256i sv, __m256i dv, __m256i av) {
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

__attribute__((target("avx2"))) void MixRunAvx2(uint16_t* dst, const uint16_t* src, int n, int a) {
  const __m256i av = _mm256_set1_epi16(static_cast<short>(a));
  const __m256i tail =
      Mix16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + n - 16)),
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + n - 16)), av);
  for (int i = 0; i + 16 < n; i += 16) {
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), Mix16(sv, dv, av));
  }
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + n - 16), tail);
}
#endif

}  // namespace

void MixRun(uint16_t* dst, const uint16_t* src, int n, int a) {
#if !TESSERA_SSE2
  for (int i = 0; i < n; ++i) dst[i] = TransMixPixel(src[i], dst[i], static_cast<unsigned>(a));
#else
#if TESSERA_AVX2
  if (n >= 16 && UseAvx2()) return MixRunAvx2(dst, src, n, a);
#endif
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
