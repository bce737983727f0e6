#include "engine/alpha_rows.h"

#include <cstring>

#include "engine/cpu_features.h"
#include "engine/run_rows.h"
#include "engine/simd.h"
#include "engine/wide_lanes.h"

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

void AlphaBlendSolidScalar(uint16_t* d, uint16_t colour, const uint8_t* weights, int n) {
  for (int i = 0; i < n; ++i) d[i] = AlphaBlendPixel(colour, d[i], weights[i]);
}

void LayersScalar(uint16_t* d, const uint16_t* colours, const uint8_t* weights, int layers, int n) {
  for (int l = 0; l < layers; ++l)
    for (int i = 0; i < n; ++i)
      d[i] = AlphaBlendPixel(colours[static_cast<size_t>(l) * n + i], d[i],
                             weights[static_cast<size_t>(l) * n + i]);
}

// The vector blends compute each truncated product floor(c * w / 32) with
// one unsigned high multiply: the channel is moved so that its value times
// 2^11 is the 16-bit operand (blue by a left shift, green and red masked in
// place with the weight scaled by 2^6 and 2^1), and the high half of the
// 32-bit product is then exactly c * w >> 5.  A weight is at most 32, so no
// operand overflows.  The two halves of a channel (source and destination)
// add up to at most 31, so they are summed before being put in place.

#if TESSERA_SSE2

inline __m128i Blend8(__m128i sv, __m128i dv, __m128i tv) {
  const __m128i k32 = _mm_set1_epi16(32);
  const __m128i gmask = _mm_set1_epi16(0x03E0), rmask = _mm_set1_epi16(0x7C00);
  const __m128i wv = _mm_sub_epi16(k32, tv);
  const __m128i b = _mm_add_epi16(_mm_mulhi_epu16(_mm_slli_epi16(sv, 11), wv),
                                  _mm_mulhi_epu16(_mm_slli_epi16(dv, 11), tv));
  const __m128i g = _mm_add_epi16(_mm_mulhi_epu16(_mm_and_si128(sv, gmask), _mm_slli_epi16(wv, 6)),
                                  _mm_mulhi_epu16(_mm_and_si128(dv, gmask), _mm_slli_epi16(tv, 6)));
  const __m128i r = _mm_add_epi16(_mm_mulhi_epu16(_mm_and_si128(sv, rmask), _mm_slli_epi16(wv, 1)),
                                  _mm_mulhi_epu16(_mm_and_si128(dv, rmask), _mm_slli_epi16(tv, 1)));
  const __m128i out = _mm_or_si128(_mm_slli_epi16(r, 10), _mm_or_si128(_mm_slli_epi16(g, 5), b));
  // Weight 32 keeps the destination pixel as it was, bit 15 included.
  const __m128i keep = _mm_cmpeq_epi16(tv, k32);
  return _mm_or_si128(_mm_and_si128(keep, dv), _mm_andnot_si128(keep, out));
}

// Eight weights, limited to 32.
inline __m128i LoadWeights8(const uint8_t* t) {
  const __m128i tv =
      _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(t)), _mm_setzero_si128());
  return _mm_min_epi16(tv, _mm_set1_epi16(32));
}

// Eight source pixels: from the row, or the one colour.
template <bool kSolid>
inline __m128i Source8(const uint8_t* s, int i, __m128i solid) {
  return kSolid ? solid : _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * i));
}

// The row in steps of eight.  The last eight pixels are blended from the
// destination as it is now, before the body overwrites the pixels they
// share with it, and stored last.  Rows shorter than eight go through one
// padded step whose padding has weight 32 (left unchanged).
template <bool kSolid>
void RowSse2(uint16_t* d, const uint8_t* s, uint16_t colour, const uint8_t* weights, int n) {
  const __m128i solid = _mm_set1_epi16(static_cast<short>(colour));
  if (n < 8) {
    if (n <= 0) return;
    alignas(16) uint16_t s8[8] = {}, d8[8] = {};
    alignas(16) uint8_t t8[8] = {32, 32, 32, 32, 32, 32, 32, 32};
    if (!kSolid) CopyRun(s8, s, n);
    CopyRun(d8, d, n);
    std::memcpy(t8, weights, static_cast<size_t>(n));
    const __m128i out =
        Blend8(kSolid ? solid : _mm_load_si128(reinterpret_cast<const __m128i*>(s8)),
               _mm_load_si128(reinterpret_cast<const __m128i*>(d8)), LoadWeights8(t8));
    _mm_store_si128(reinterpret_cast<__m128i*>(d8), out);
    CopyRun(d, d8, n);
    return;
  }
  const __m128i tail = Blend8(Source8<kSolid>(s, n - 8, solid),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + n - 8)),
                              LoadWeights8(weights + n - 8));
  const __m128i zero = _mm_setzero_si128();
  const __m128i k32 = _mm_set1_epi16(32);
  const __m128i low15 = _mm_set1_epi16(0x7FFF);
  for (int i = 0; i + 8 < n; i += 8) {
    const __m128i tv = LoadWeights8(weights + i);
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(tv, k32)) == 0xFFFF) continue;
    const __m128i sv = Source8<kSolid>(s, i, solid);
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(tv, zero)) == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_and_si128(sv, low15));
      continue;
    }
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), Blend8(sv, dv, tv));
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d + n - 8), tail);
}

void BlendSse2(uint16_t* d, const uint8_t* s, const uint8_t* weights, int n) {
  RowSse2<false>(d, s, 0, weights, n);
}

void LayersSse2(uint16_t* d, const uint16_t* colours, const uint8_t* weights, int layers, int n) {
  for (int i = 0; i + 8 <= n; i += 8) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    for (int l = 0; l < layers; ++l) {
      const size_t at = static_cast<size_t>(l) * n + i;
      v = Blend8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(colours + at)), v,
                 LoadWeights8(weights + at));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), v);
  }
}
void SolidSse2(uint16_t* d, uint16_t colour, const uint8_t* weights, int n) {
  RowSse2<true>(d, nullptr, colour, weights, n);
}

#endif

#if TESSERA_AVX2

// The same blend, sixteen pixels a step, for processors with AVX2.
__attribute__((target("avx2"))) inline __m256i Blend16(__m256i sv, __m256i dv, __m256i tv) {
  const __m256i k32 = _mm256_set1_epi16(32);
  const __m256i gmask = _mm256_set1_epi16(0x03E0), rmask = _mm256_set1_epi16(0x7C00);
  const __m256i wv = _mm256_sub_epi16(k32, tv);
  const __m256i b = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_slli_epi16(sv, 11), wv),
                                     _mm256_mulhi_epu16(_mm256_slli_epi16(dv, 11), tv));
  const __m256i g =
      _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(sv, gmask), _mm256_slli_epi16(wv, 6)),
                       _mm256_mulhi_epu16(_mm256_and_si256(dv, gmask), _mm256_slli_epi16(tv, 6)));
  const __m256i r =
      _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(sv, rmask), _mm256_slli_epi16(wv, 1)),
                       _mm256_mulhi_epu16(_mm256_and_si256(dv, rmask), _mm256_slli_epi16(tv, 1)));
  const __m256i out =
      _mm256_or_si256(_mm256_slli_epi16(r, 10), _mm256_or_si256(_mm256_slli_epi16(g, 5), b));
  // Weight 32 keeps the destination.  (and/andnot/or rather than
  // _mm256_blendv_epi8, which GCC gets wrong when char is unsigned: see
  // TransMixAvx2 in engine/pixel_rows.cpp.)
  const __m256i keep = _mm256_cmpeq_epi16(tv, k32);
  return _mm256_or_si256(_mm256_and_si256(keep, dv), _mm256_andnot_si256(keep, out));
}

__attribute__((target("avx2"))) inline __m256i LoadWeights16(const uint8_t* t) {
  return _mm256_min_epu16(
      _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t))),
      _mm256_set1_epi16(32));
}

template <bool kSolid>
__attribute__((target("avx2"))) inline __m256i Source16(const uint8_t* s, int i, __m256i solid) {
  return kSolid ? solid : _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * i));
}

// Rows of sixteen pixels or more, as RowSse2 does it with 256-bit steps;
// shorter rows go to RowSse2.
template <bool kSolid>
__attribute__((target("avx2"))) void RowAvx2(uint16_t* d, const uint8_t* s, uint16_t colour,
                                             const uint8_t* weights, int n) {
  if (n < 16) return RowSse2<kSolid>(d, s, colour, weights, n);
  const __m256i solid = _mm256_set1_epi16(static_cast<short>(colour));
  const __m256i tail = Blend16(Source16<kSolid>(s, n - 16, solid),
                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + n - 16)),
                               LoadWeights16(weights + n - 16));
  const __m256i k32 = _mm256_set1_epi16(32);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i low15 = _mm256_set1_epi16(0x7FFF);
  for (int i = 0; i + 16 < n; i += 16) {
    const __m256i tv = LoadWeights16(weights + i);
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi16(tv, k32)) == -1) continue;
    const __m256i sv = Source16<kSolid>(s, i, solid);
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi16(tv, zero)) == -1) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_and_si256(sv, low15));
      continue;
    }
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), Blend16(sv, dv, tv));
  }
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + n - 16), tail);
}

void BlendAvx2(uint16_t* d, const uint8_t* s, const uint8_t* weights, int n) {
  RowAvx2<false>(d, s, 0, weights, n);
}

// Each step's pixels go through every layer in turn, a chain of dependent
// blends; four steps (then two) are taken side by side so that their
// chains overlap.
__attribute__((target("avx2"))) void LayersAvx2(uint16_t* d, const uint16_t* colours,
                                                const uint8_t* weights, int layers, int n) {
  int i = 0;
  for (; i + 64 <= n; i += 64) {
    __m256i v[4];
    for (int k = 0; k < 4; ++k)
      v[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i + 16 * k));
    for (int l = 0; l < layers; ++l) {
      const size_t at = static_cast<size_t>(l) * n + i;
      for (int k = 0; k < 4; ++k)
        v[k] = Blend16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(colours + at + 16 * k)),
                       v[k], LoadWeights16(weights + at + 16 * k));
    }
    for (int k = 0; k < 4; ++k)
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i + 16 * k), v[k]);
  }
  for (; i + 32 <= n; i += 32) {
    __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i + 16));
    for (int l = 0; l < layers; ++l) {
      const size_t at = static_cast<size_t>(l) * n + i;
      v0 = Blend16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(colours + at)), v0,
                   LoadWeights16(weights + at));
      v1 = Blend16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(colours + at + 16)), v1,
                   LoadWeights16(weights + at + 16));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), v0);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i + 16), v1);
  }
  for (; i + 16 <= n; i += 16) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    for (int l = 0; l < layers; ++l) {
      const size_t at = static_cast<size_t>(l) * n + i;
      v = Blend16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(colours + at)), v,
                  LoadWeights16(weights + at));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), v);
  }
}
void SolidAvx2(uint16_t* d, uint16_t colour, const uint8_t* weights, int n) {
  RowAvx2<true>(d, nullptr, colour, weights, n);
}

// The same blend, thirty-two pixels a step, for processors with
// AVX-512BW.  The three channels' sums go into place with one three-way or.
TESSERA_AVX512_FN inline __m512i Blend32(__m512i sv, __m512i dv, __m512i tv) {
  const __m512i gmask = _mm512_set1_epi16(0x03E0), rmask = _mm512_set1_epi16(0x7C00);
  const __m512i wv = _mm512_sub_epi16(_mm512_set1_epi16(32), tv);
  const __m512i b = _mm512_add_epi16(_mm512_mulhi_epu16(_mm512_slli_epi16(sv, 11), wv),
                                     _mm512_mulhi_epu16(_mm512_slli_epi16(dv, 11), tv));
  const __m512i g =
      _mm512_add_epi16(_mm512_mulhi_epu16(_mm512_and_si512(sv, gmask), _mm512_slli_epi16(wv, 6)),
                       _mm512_mulhi_epu16(_mm512_and_si512(dv, gmask), _mm512_slli_epi16(tv, 6)));
  const __m512i r =
      _mm512_add_epi16(_mm512_mulhi_epu16(_mm512_and_si512(sv, rmask), _mm512_slli_epi16(wv, 1)),
                       _mm512_mulhi_epu16(_mm512_and_si512(dv, rmask), _mm512_slli_epi16(tv, 1)));
  return _mm512_ternarylogic_epi32(_mm512_slli_epi16(r, 10), _mm512_slli_epi16(g, 5), b, 0xFE);
}

// Thirty-two weights, limited to 32; the lanes outside `lanes` read
// nothing and get weight 0.
TESSERA_AVX512_FN inline __m512i LoadWeights32(const uint8_t* t, __mmask32 lanes) {
  return _mm512_min_epu16(_mm512_cvtepu8_epi16(_mm256_maskz_loadu_epi8(lanes, t)),
                          _mm512_set1_epi16(32));
}

// The row with 512-bit steps, the last, partial step masked.  Weights are
// limited to 32; a step whose weights are all 32 is skipped, one whose
// weights are all 0 stored as the source with bit 15 cleared (the
// destination is not read), any other blended, the lanes of weight 32
// keeping the destination pixel.
template <bool kSolid>
TESSERA_AVX512_FN void RowAvx512(uint16_t* d, const uint8_t* s, uint16_t colour,
                                 const uint8_t* weights, int n) {
  const __m512i k32 = _mm512_set1_epi16(32);
  const __m512i solid = _mm512_set1_epi16(static_cast<short>(colour));
  int i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m512i tv = LoadWeights32(weights + i, 0xFFFFFFFFu);
    const __mmask32 keep = _mm512_cmpeq_epi16_mask(tv, k32);
    if (keep == 0xFFFFFFFFu) continue;
    const __m512i sv = kSolid ? solid : _mm512_loadu_si512(s + 2 * i);
    if (_mm512_test_epi16_mask(tv, tv) == 0) {
      _mm512_storeu_si512(d + i, _mm512_and_si512(sv, _mm512_set1_epi16(0x7FFF)));
      continue;
    }
    const __m512i dv = _mm512_loadu_si512(d + i);
    _mm512_storeu_si512(d + i, _mm512_mask_mov_epi16(Blend32(sv, dv, tv), keep, dv));
  }
  if (i < n) {
    const __mmask32 lanes = LowLanes32(n - i);
    const __m512i tv = LoadWeights32(weights + i, lanes);
    const __mmask32 write = lanes & _mm512_cmpneq_epi16_mask(tv, k32);
    const __m512i sv = kSolid ? solid : _mm512_maskz_loadu_epi16(lanes, s + 2 * i);
    const __m512i dv = _mm512_maskz_loadu_epi16(write, d + i);
    _mm512_mask_storeu_epi16(d + i, write, Blend32(sv, dv, tv));
  }
}

// One layer over the pixels in v: weight 32 keeps the pixel.
TESSERA_AVX512_FN inline __m512i Layer32(__m512i v, const uint16_t* colours, const uint8_t* t,
                                         __mmask32 lanes) {
  const __m512i tv = LoadWeights32(t, lanes);
  return _mm512_mask_mov_epi16(Blend32(_mm512_maskz_loadu_epi16(lanes, colours), v, tv),
                               _mm512_cmpeq_epi16_mask(tv, _mm512_set1_epi16(32)), v);
}

// The layers as LayersAvx2 takes them, 64 pixels (two chains side by
// side) a step, then 32 at a time with the last step masked.
TESSERA_AVX512_FN void LayersAvx512(uint16_t* d, const uint16_t* colours, const uint8_t* weights,
                                    int layers, int n) {
  const __mmask32 all = 0xFFFFFFFFu;
  int i = 0;
  for (; i + 64 <= n; i += 64) {
    __m512i v0 = _mm512_loadu_si512(d + i), v1 = _mm512_loadu_si512(d + i + 32);
    for (int l = 0; l < layers; ++l) {
      const size_t at = static_cast<size_t>(l) * n + i;
      v0 = Layer32(v0, colours + at, weights + at, all);
      v1 = Layer32(v1, colours + at + 32, weights + at + 32, all);
    }
    _mm512_storeu_si512(d + i, v0);
    _mm512_storeu_si512(d + i + 32, v1);
  }
  for (; i < n; i += 32) {
    const __mmask32 lanes = LowLanes32(n - i);
    __m512i v = _mm512_maskz_loadu_epi16(lanes, d + i);
    for (int l = 0; l < layers; ++l) {
      const size_t at = static_cast<size_t>(l) * n + i;
      v = Layer32(v, colours + at, weights + at, lanes);
    }
    _mm512_mask_storeu_epi16(d + i, lanes, v);
  }
}

void BlendAvx512(uint16_t* d, const uint8_t* s, const uint8_t* weights, int n) {
  RowAvx512<false>(d, s, 0, weights, n);
}
void SolidAvx512(uint16_t* d, uint16_t colour, const uint8_t* weights, int n) {
  RowAvx512<true>(d, nullptr, colour, weights, n);
}

#endif

}  // namespace

AlphaRowKernels PickAlphaRowKernels() {
#if TESSERA_AVX2
  if (UseAvx512()) return {&BlendAvx512, &SolidAvx512, &LayersAvx512};
  if (UseAvx2()) return {&BlendAvx2, &SolidAvx2, &LayersAvx2};
#endif
#if TESSERA_SSE2
  return {&BlendSse2, &SolidSse2, &LayersSse2};
#else
  return {&AlphaBlendRowScalar, &AlphaBlendSolidScalar, &LayersScalar};
#endif
}

void AlphaBlendRow(PIXEL* dst, const void* src, const uint8_t* weights, int n) {
  PickAlphaRowKernels().blend(reinterpret_cast<uint16_t*>(dst), static_cast<const uint8_t*>(src),
                              weights, n);
}

void AlphaBlendRowReference(PIXEL* dst, const void* src, const uint8_t* weights, int n) {
  AlphaBlendRowScalar(reinterpret_cast<uint16_t*>(dst), static_cast<const uint8_t*>(src), weights,
                      n);
}

void AlphaBlendSolidRow(PIXEL* dst, uint16_t colour, const uint8_t* weights, int n) {
  PickAlphaRowKernels().solid(reinterpret_cast<uint16_t*>(dst), colour, weights, n);
}

void AlphaBlendSolidRowReference(PIXEL* dst, uint16_t colour, const uint8_t* weights, int n) {
  AlphaBlendSolidScalar(reinterpret_cast<uint16_t*>(dst), colour, weights, n);
}

void AlphaBlendLayers(PIXEL* dst, const uint16_t* colours, const uint8_t* weights, int layers,
                      int n) {
  PickAlphaRowKernels().layers(reinterpret_cast<uint16_t*>(dst), colours, weights, layers, n);
}

void AlphaBlendLayersReference(PIXEL* dst, const uint16_t* colours, const uint8_t* weights,
                               int layers, int n) {
  LayersScalar(reinterpret_cast<uint16_t*>(dst), colours, weights, layers, n);
}

}  // namespace tessera
