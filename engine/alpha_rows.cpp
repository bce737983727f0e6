#include "engine/alpha_rows.h"

#include <cstring>

#include "engine/cpu_features.h"
#include "engine/run_rows.h"
#include "engine/simd.h"

#if TESSERA_SSE2
#include <immintrin.h>
#endif

namespace tessera {

namespace {

// The per-pixel rule over a row: the reference every vector path matches,
// and the whole kernel where none is compiled.
void AlphaBlendRowScalar(uint16_t* d, const uint8_t* s, const uint8_t* weights, int n) {
  for (int i = 0; i < n; ++i) {
    uint16_t sp;
    std::memcpy(&sp, s + 2 * i, 2);
    d[i] = AlphaBlendPixel(sp, d[i], weights[i]);
  }
}

#if TESSERA_SSE2

// The blend of eight pixels with their weights (already limited to 32).
inline __m128i Blend8(__m128i sv, __m128i dv, __m128i tv) {
  const __m128i k32 = _mm_set1_epi16(32);
  const __m128i k31 = _mm_set1_epi16(31);
  const __m128i gmask = _mm_set1_epi16(0x03E0);
  const __m128i wv = _mm_sub_epi16(k32, tv);
  // red: 5-bit values, product, >> 5, back to bits 10-14
  __m128i r = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(sv, 10), k31), wv), 5),
                            _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(dv, 10), k31), tv), 5));
  r = _mm_slli_epi16(r, 10);
  // green in place: (g << 5) * w >> 5 keeps floor(g * w / 32) in bits 5-9
  // once the bits below are masked off; the products stay below 2^15.
  const __m128i g =
      _mm_add_epi16(_mm_and_si128(_mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(sv, gmask), wv), 5), gmask),
                    _mm_and_si128(_mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(dv, gmask), tv), 5), gmask));
  const __m128i b = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(sv, k31), wv), 5),
                                  _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(dv, k31), tv), 5));
  const __m128i out = _mm_or_si128(r, _mm_or_si128(g, b));
  // Weight 32 keeps the destination pixel as it was, bit 15 included.
  const __m128i keep = _mm_cmpeq_epi16(tv, k32);
  return _mm_or_si128(_mm_and_si128(keep, dv), _mm_andnot_si128(keep, out));
}

inline __m128i LoadWeights(const uint8_t* t) {
  const __m128i tv = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(t)), _mm_setzero_si128());
  return _mm_min_epi16(tv, _mm_set1_epi16(32));
}

#endif

#if TESSERA_AVX2
// The same blend, sixteen pixels a step, for processors with AVX2.
__attribute__((target("avx2"))) inline __m256i Blend16(__m256i sv, __m256i dv, __m256i tv) {
  const __m256i k32 = _mm256_set1_epi16(32);
  const __m256i k31 = _mm256_set1_epi16(31);
  const __m256i gmask = _mm256_set1_epi16(0x03E0);
  const __m256i wv = _mm256_sub_epi16(k32, tv);
  __m256i r = _mm256_add_epi16(
      _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_and_si256(_mm256_srli_epi16(sv, 10), k31), wv), 5),
      _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_and_si256(_mm256_srli_epi16(dv, 10), k31), tv), 5));
  r = _mm256_slli_epi16(r, 10);
  const __m256i g = _mm256_add_epi16(
      _mm256_and_si256(_mm256_srli_epi16(_mm256_mullo_epi16(_mm256_and_si256(sv, gmask), wv), 5), gmask),
      _mm256_and_si256(_mm256_srli_epi16(_mm256_mullo_epi16(_mm256_and_si256(dv, gmask), tv), 5), gmask));
  const __m256i b = _mm256_add_epi16(_mm256_srli_epi16(_mm256_mullo_epi16(_mm256_and_si256(sv, k31), wv), 5),
                                     _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_and_si256(dv, k31), tv), 5));
  const __m256i out = _mm256_or_si256(r, _mm256_or_si256(g, b));
  const __m256i keep = _mm256_cmpeq_epi16(tv, k32);
  return _mm256_blendv_epi8(out, dv, keep);
}

// Blends whole steps of sixteen from the start of the row; returns how many
// pixels it did.  Groups of all-32 weights are skipped and all-0 groups
// copied, as in the 128-bit loop.
__attribute__((target("avx2"))) int AlphaBlendAvx2(uint16_t* d, const uint8_t* s, const uint8_t* weights, int n) {
  const __m256i k32 = _mm256_set1_epi16(32);
  const __m256i zero = _mm256_setzero_si256();
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m256i tv = _mm256_min_epu16(
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + i))), k32);
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi16(tv, k32)) == -1) continue;
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * i));
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi16(tv, zero)) == -1) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_and_si256(sv, _mm256_set1_epi16(0x7FFF)));
      continue;
    }
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), Blend16(sv, dv, tv));
  }
  return i;
}
#endif

}  // namespace

void AlphaBlendRow(PIXEL* dst, const void* src, const uint8_t* weights, int n) {
  auto* d = reinterpret_cast<uint16_t*>(dst);
  auto* s = static_cast<const uint8_t*>(src);
#if !TESSERA_SSE2
  AlphaBlendRowScalar(d, s, weights, n);
#else
  if (n < 8) {
    // Short spans (packed alpha segments often are) go through one padded
    // step; the padding's weight 32 keeps it unchanged.
    if (n <= 0) return;
    alignas(16) uint16_t s8[8] = {}, d8[8] = {};
    alignas(16) uint8_t t8[8] = {32, 32, 32, 32, 32, 32, 32, 32};
    CopyRun(s8, s, n);
    CopyRun(d8, d, n);
    std::memcpy(t8, weights, static_cast<size_t>(n));
    const __m128i out = Blend8(_mm_load_si128(reinterpret_cast<const __m128i*>(s8)),
                               _mm_load_si128(reinterpret_cast<const __m128i*>(d8)), LoadWeights(t8));
    _mm_store_si128(reinterpret_cast<__m128i*>(d8), out);
    CopyRun(d, d8, n);
    return;
  }
  // The last eight pixels are blended from the destination as it is now,
  // before the body overwrites the pixels they share with it.
  const __m128i tail = Blend8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * (n - 8))),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + n - 8)), LoadWeights(weights + n - 8));
  const __m128i zero = _mm_setzero_si128();
  const __m128i k32 = _mm_set1_epi16(32);
  int i = 0;
#if TESSERA_AVX2
  // Whole steps of sixteen that end before the last pixel; the tail above
  // was taken from the destination before any of them was stored.
  if (UseAvx2() && n > 16) i = AlphaBlendAvx2(d, s, weights, n - 1);
#endif
  for (; i + 8 < n; i += 8) {
    const __m128i tv = LoadWeights(weights + i);
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(tv, k32)) == 0xFFFF) continue;
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(tv, zero)) == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_and_si128(sv, _mm_set1_epi16(0x7FFF)));
      continue;
    }
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), Blend8(sv, dv, tv));
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d + n - 8), tail);
#endif
}

void AlphaBlendRowReference(PIXEL* dst, const void* src, const uint8_t* weights, int n) {
  AlphaBlendRowScalar(reinterpret_cast<uint16_t*>(dst), static_cast<const uint8_t*>(src), weights, n);
}

}  // namespace tessera
