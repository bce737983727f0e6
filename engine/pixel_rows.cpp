#include "engine/pixel_rows.h"

#include <cstring>

#include "engine/cpu_features.h"
#include "engine/simd.h"
#include "engine/translucent_lanes.h"

#if TESSERA_SSE2
#include <immintrin.h>
#endif

namespace tessera {

namespace {

#if TESSERA_AVX2

// The keyed copy with 256-bit registers, for processors that have AVX2:
// the same rule, 32 pixels a step in two registers.
__attribute__((target("avx2"))) int KeyedCopyAvx2(uint16_t* d, const uint16_t* s, int n) {
  int i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i s0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i s1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + 16));
    const __m256i k0 = _mm256_srai_epi16(s0, 15), k1 = _mm256_srai_epi16(s1, 15);
    if (_mm256_testz_si256(_mm256_or_si256(k0, k1), _mm256_or_si256(k0, k1))) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), s0);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i + 16), s1);
      continue;
    }
    const __m256i both = _mm256_and_si256(k0, k1);
    if (_mm256_movemask_epi8(both) == -1) continue;
    __m256i* a0 = reinterpret_cast<__m256i*>(d + i);
    __m256i* a1 = reinterpret_cast<__m256i*>(d + i + 16);
    // (and/andnot/or, not _mm256_blendv_epi8: see TransMixAvx2)
    _mm256_storeu_si256(a0, _mm256_or_si256(_mm256_and_si256(k0, _mm256_loadu_si256(a0)),
                                            _mm256_andnot_si256(k0, s0)));
    _mm256_storeu_si256(a1, _mm256_or_si256(_mm256_and_si256(k1, _mm256_loadu_si256(a1)),
                                            _mm256_andnot_si256(k1, s1)));
  }
  return i;
}

// The translucent mix with 256-bit registers: sixteen pixels a step, whole
// steps only; returns how many pixels it did.
__attribute__((target("avx2"))) int TransMixAvx2(uint16_t* d, const uint16_t* s, int n, int a,
                                                 bool keyed) {
  const __m256i av = _mm256_set1_epi16(static_cast<short>(a));
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i key = keyed ? _mm256_srai_epi16(sv, 15) : _mm256_setzero_si256();
    if (keyed && _mm256_movemask_epi8(key) == -1) continue;
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    const __m256i out = TransMix16(sv, dv, av);
    // The key lanes keep the destination.  Not with _mm256_blendv_epi8: GCC's
    // header hands it the mask as a vector of plain char and folds it into a
    // "mask < 0" test, never true where char is unsigned (-funsigned-char),
    // so every key pixel would be mixed; the masks here are whole 16-bit
    // lanes, so and/andnot/or gives the same bits on every compiler.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                        _mm256_or_si256(_mm256_and_si256(key, dv), _mm256_andnot_si256(key, out)));
  }
  return i;
}

TESSERA_AVX512_FN void TransMixRectAvx512(PIXEL* const* drows, int dx, PIXEL* const* srows, int sx,
                                          int w, int h, int a) {
  for (int j = 0; j < h; ++j)
    TransMixRowAvx512(reinterpret_cast<uint16_t*>(drows[j] + dx),
                      reinterpret_cast<const uint16_t*>(srows[j] + sx), w, a, true);
}
#endif

}  // namespace

void TransMixRect(PIXEL* const* drows, int dx, PIXEL* const* srows, int sx, int w, int h, int a) {
#if TESSERA_AVX2
  if (UseAvx512()) return TransMixRectAvx512(drows, dx, srows, sx, w, h, a);
#endif
  for (int j = 0; j < h; ++j) TransMixRow(drows[j] + dx, srows[j] + sx, w, a);
}

void FillRow(PIXEL* dst, int n, uint16_t colour) {
  auto* d = reinterpret_cast<uint16_t*>(dst);
  int i = 0;
#if TESSERA_SSE2
  const __m128i v = _mm_set1_epi16(static_cast<short>(colour));
  if (n >= 8) {
    for (; i + 32 <= n; i += 32) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 8), v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 16), v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 24), v);
    }
    for (; i + 8 <= n; i += 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), v);
    // The last eight overlap the ones before: same value, one store.
    if (i < n) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + n - 8), v);
    return;
  }
#else
  // Four pixels a store through a 64-bit pattern.
  const uint64_t four = colour * 0x0001000100010001ULL;
  for (; i + 4 <= n; i += 4) std::memcpy(d + i, &four, 8);
#endif
  for (; i < n; ++i) d[i] = colour;
}

void KeyedCopyRowReference(PIXEL* dst, const PIXEL* src, int n) {
  auto* d = reinterpret_cast<uint16_t*>(dst);
  auto* s = reinterpret_cast<const uint16_t*>(src);
  for (int i = 0; i < n; ++i)
    if (!(s[i] & 0x8000)) d[i] = s[i];
}

void TransMixRowReference(PIXEL* dst, const PIXEL* src, int n, int a, bool keyed) {
  auto* d = reinterpret_cast<uint16_t*>(dst);
  auto* s = reinterpret_cast<const uint16_t*>(src);
  for (int i = 0; i < n; ++i)
    if (!keyed || !(s[i] & 0x8000)) d[i] = TransMixPixel(s[i], d[i], static_cast<unsigned>(a));
}

void KeyedCopyRow(PIXEL* dst, const PIXEL* src, int n) {
#if !TESSERA_SSE2
  KeyedCopyRowReference(dst, src, n);
#else
  auto* d = reinterpret_cast<uint16_t*>(dst);
  auto* s = reinterpret_cast<const uint16_t*>(src);
  int i = 0;
#if TESSERA_AVX2
  if (UseAvx2()) i = KeyedCopyAvx2(d, s, n);
#endif
  // Blocks of 32 pixels: a block with no marked pixel is stored without
  // reading the destination (opaque images copy at memory speed), a block of
  // marked pixels only is skipped, anything else is merged.  Whole blocks
  // are what images have in large areas, so the branch predicts well; a
  // finely mixed row simply takes the merge every time.
  for (; i + 32 <= n; i += 32) {
    __m128i sv[4], key[4];
    for (int k = 0; k < 4; ++k) {
      sv[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 8 * k));
      key[k] = _mm_srai_epi16(sv[k], 15);  // all ones where bit 15 is set
    }
    const __m128i any = _mm_or_si128(_mm_or_si128(key[0], key[1]), _mm_or_si128(key[2], key[3]));
    const __m128i all = _mm_and_si128(_mm_and_si128(key[0], key[1]), _mm_and_si128(key[2], key[3]));
    if (_mm_movemask_epi8(any) == 0) {
      for (int k = 0; k < 4; ++k)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 8 * k), sv[k]);
      continue;
    }
    if (_mm_movemask_epi8(all) == 0xFFFF) continue;
    for (int k = 0; k < 4; ++k) {
      __m128i* at = reinterpret_cast<__m128i*>(d + i + 8 * k);
      const __m128i dv = _mm_loadu_si128(at);
      _mm_storeu_si128(at,
                       _mm_or_si128(_mm_and_si128(key[k], dv), _mm_andnot_si128(key[k], sv[k])));
    }
  }
  // Branch-free merge of the remaining groups of eight.
  for (; i + 8 <= n; i += 8) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i key = _mm_srai_epi16(sv, 15);
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                     _mm_or_si128(_mm_and_si128(key, dv), _mm_andnot_si128(key, sv)));
  }
  KeyedCopyRowReference(dst + i, src + i, n - i);
#endif
}

void TransMixRow(PIXEL* dst, const PIXEL* src, int n, int a, bool keyed) {
#if !TESSERA_SSE2
  TransMixRowReference(dst, src, n, a, keyed);
#else
  auto* d = reinterpret_cast<uint16_t*>(dst);
  auto* s = reinterpret_cast<const uint16_t*>(src);
  const __m128i av = _mm_set1_epi16(static_cast<short>(a));
  int i = 0;
#if TESSERA_AVX2
  if (UseAvx512()) return TransMixRowAvx512(d, s, n, a, keyed);
  if (UseAvx2()) i = TransMixAvx2(d, s, n, a, keyed);
#endif
  for (; i + 8 <= n; i += 8) {
    __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i key = keyed ? _mm_srai_epi16(sv, 15) : _mm_setzero_si128();
    if (keyed && _mm_movemask_epi8(key) == 0xFFFF) continue;
    __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    __m128i out = TransMix8(sv, dv, av);
    out = _mm_or_si128(_mm_and_si128(key, dv), _mm_andnot_si128(key, out));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), out);
  }
  TransMixRowReference(dst + i, src + i, n - i, a, keyed);
#endif
}

}  // namespace tessera
