#include "engine/run_rows.h"

#include "engine/cpu_features.h"
#include "engine/pixel_rows.h"
#include "engine/simd.h"
#include "engine/translucent_lanes.h"

#if TESSERA_SSE2
#include <immintrin.h>
#endif

namespace tessera {

namespace {

#if TESSERA_AVX2
// The mix sixteen pixels a step, for runs of sixteen or more on processors
// with AVX2; the last step is computed first, as in MixRun.
__attribute__((target("avx2"))) void MixRunAvx2(uint16_t* dst, const uint16_t* src, int n, int a) {
  const __m256i av = _mm256_set1_epi16(static_cast<short>(a));
  const __m256i tail =
      TransMix16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + n - 16)),
                 _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + n - 16)), av);
  for (int i = 0; i + 16 < n; i += 16) {
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), TransMix16(sv, dv, av));
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
  // (Not the 512-bit masked row: on sprite runs, a few to a few dozen
  // pixels, it measured a fifth slower than these steps -- likely its
  // 64-byte loads of the destination waiting on the stores of the run
  // before on the same row.)
  if (n >= 16 && UseAvx2()) return MixRunAvx2(dst, src, n, a);
#endif
  const __m128i av = _mm_set1_epi16(static_cast<short>(a));
  if (n >= 8) {
    // The last 8 pixels are mixed from the destination as it was, then the
    // body is mixed and stored, then the tail: overlapping pixels get the
    // tail's (correct, single) mix.
    const __m128i tail =
        TransMix8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + n - 8)),
                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + n - 8)), av);
    for (int i = 0; i + 8 < n; i += 8) {
      __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
      __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), TransMix8(sv, dv, av));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n - 8), tail);
    return;
  }
  if (n <= 0) return;
  alignas(16) uint16_t s8[8] = {}, d8[8] = {};
  CopyRun(s8, src, n);
  CopyRun(d8, dst, n);
  _mm_store_si128(reinterpret_cast<__m128i*>(d8),
                  TransMix8(_mm_load_si128(reinterpret_cast<const __m128i*>(s8)),
                            _mm_load_si128(reinterpret_cast<const __m128i*>(d8)), av));
  CopyRun(dst, d8, n);
#endif
}

}  // namespace tessera
