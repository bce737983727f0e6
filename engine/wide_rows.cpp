#include "engine/wide_rows.h"

#if TESSERA_AVX2
#include <immintrin.h>

#include <cstring>

#include "engine/run_rows.h"
#include "engine/wide_lanes.h"

namespace tessera {

namespace {

// A run of up to 32 pixels is one masked move; a longer one whole
// registers, the last one overlapping the one before (the buffers differ,
// so the overlap writes the same values again).
TESSERA_AVX512_FN inline void Move(uint16_t* d, const uint16_t* s, int n) {
  if (n <= 32) {
    const __mmask32 m = LowLanes32(n);
    _mm512_mask_storeu_epi16(d, m, _mm512_maskz_loadu_epi16(m, s));
    return;
  }
  for (int i = 0; i + 32 < n; i += 32) _mm512_storeu_si512(d + i, _mm512_loadu_si512(s + i));
  _mm512_storeu_si512(d + n - 32, _mm512_loadu_si512(s + n - 32));
}

// A run of n pixels with plain moves chosen by length: from 16 pixels on,
// 256-bit moves with the last one ending at the run's end (overlapping the
// one before, which writes the same values again); below that two
// overlapping moves of 128, 64 or 32 bits, or one pixel.  Faster than Move
// for runs: a masked store costs several ordinary ones on some processors
// with these registers, and a 512-bit move at a position that is not a
// multiple of 64 bytes -- a run's usually is not -- always splits across two
// cache lines, where a 256-bit one does half the time.  Nothing outside
// [0, n) is read or written.
TESSERA_AVX512_FN inline void MoveRun(uint16_t* d, const uint16_t* s, int n) {
  if (n >= 16) {
    const __m256i last = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + n - 16));
    for (int i = 0; i + 16 < n; i += 16)
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + n - 16), last);
  } else if (n >= 8) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + n - 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), a);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + n - 8), b);
  } else {
    CopyRun(d, s, n);  // below 8 pixels, two overlapping moves or one pixel
  }
}

TESSERA_AVX512_FN inline void KeyedMove(uint16_t* d, const uint16_t* s, int n) {
  int i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m512i v = _mm512_loadu_si512(s + i);
    _mm512_mask_storeu_epi16(d + i, static_cast<__mmask32>(~_mm512_movepi16_mask(v)), v);
  }
  // A tail of at most 16 pixels (a 48-pixel figure's every row) is a
  // 256-bit masked move: a masked 512-bit store with half its lanes empty
  // costs the processor as much as a full one.
  if (n - i > 16) {
    const __mmask32 m = LowLanes32(n - i);
    const __m512i v = _mm512_maskz_loadu_epi16(m, s + i);
    _mm512_mask_storeu_epi16(d + i, static_cast<__mmask32>(m & ~_mm512_movepi16_mask(v)), v);
  } else if (i < n) {
    const __mmask16 m = LowLanes16(n - i);
    const __m256i v = _mm256_maskz_loadu_epi16(m, s + i);
    _mm256_mask_storeu_epi16(d + i, static_cast<__mmask16>(m & ~_mm256_movepi16_mask(v)), v);
  }
}

inline uint16_t* At(PIXEL* const* rows, int j, int x) {
  return reinterpret_cast<uint16_t*>(rows[j] + x);
}

// Whether rows [0, h) follow each other exactly w pixels apart from
// column x, so that the rectangle is one block of memory.
inline bool OneBlock(PIXEL* const* rows, int x, int w, int h) {
  for (int j = 1; j < h; ++j)
    if (rows[j] + x != rows[j - 1] + x + w) return false;
  return true;
}

}  // namespace

TESSERA_AVX512_FN void KeyedCopyRectAvx512(PIXEL* const* drows, int dx, PIXEL* const* srows, int sx,
                                           int w, int h) {
  for (int j = 0; j < h; ++j) KeyedMove(At(drows, j, dx), At(srows, j, sx), w);
}

TESSERA_AVX512_FN void CopyRectAvx512(PIXEL* const* drows, int dx, PIXEL* const* srows, int sx,
                                      int w, int h) {
  // A whole picture onto a whole frame of its width (a full-screen
  // backdrop) is one block: the C library's copy moves it with the
  // processor's copy strings, faster than any loop of rows.
  if (OneBlock(srows, sx, w, h) && OneBlock(drows, dx, w, h)) {
    std::memcpy(At(drows, 0, dx), At(srows, 0, sx),
                2 * static_cast<size_t>(w) * static_cast<size_t>(h));
    return;
  }
  for (int j = 0; j < h; ++j) {
    // A part of a wide picture (a map's view of its background) jumps from
    // row to row, which the processor's own prefetching does not follow:
    // ask for the row eight ahead while this one is copied.
    if (j + 8 < h) {
      const char* next = reinterpret_cast<const char*>(At(srows, j + 8, sx));
      for (int b = 0; b < 2 * w; b += 64) _mm_prefetch(next + b, _MM_HINT_T0);
    }
    Move(At(drows, j, dx), At(srows, j, sx), w);
  }
}

TESSERA_AVX512_FN void CopySpansAvx512(PIXEL* const* drows, int dx, PIXEL* const* srows,
                                       const uint32_t* first, const uint16_t* starts,
                                       const uint16_t* lengths, int h, int lo, int hi) {
  for (int j = 0; j < h; ++j) {
    uint16_t* d = At(drows, j, dx);  // where source column lo lands
    const uint16_t* s = At(srows, j, 0);
    const uint32_t end = first[j + 1];
    for (uint32_t k = first[j]; k < end; ++k) {
      const int a = starts[k] > lo ? starts[k] : lo;
      if (a >= hi) break;
      const int b = starts[k] + lengths[k] < hi ? starts[k] + lengths[k] : hi;
      if (a < b) Move(d + (a - lo), s + a, b - a);
    }
  }
}

TESSERA_AVX512_FN void DrawRunRowsAvx512(PIXEL* const* drows, int dx, uint16_t* const* runs,
                                         int h) {
  // No software prefetch: a look's rows follow each other in its block,
  // which the processor's own prefetching streams in; asking for them as
  // well only cost instructions.
  for (int j = 0; j < h; ++j) {
    uint16_t* d = At(drows, j, dx);
    const uint16_t* p = runs[j];
    for (uint16_t hd; (hd = *p) != 0;) {
      const int count = hd & 0xFF;
      d += hd >> 8;
      MoveRun(d, p + 1, count);  // a count of 0 moves nothing
      d += count;
      p += 1 + count;
    }
  }
}

TESSERA_AVX512_FN void DrawOneRunRowsAvx512(PIXEL* const* drows, int dx, uint16_t* const* runs,
                                            int h) {
  // Each row's pixels are found from its table entry alone, so the rows'
  // loads do not wait on each other as the walk to a terminator would.
  for (int j = 0; j < h; ++j) {
    const uint16_t* p = runs[j];
    const uint16_t hd = *p;
    MoveRun(At(drows, j, dx) + (hd >> 8), p + 1, hd & 0xFF);
  }
}

TESSERA_AVX512_FN void DrawEvenOneRunRowsAvx512(PIXEL* const* drows, int dx, const uint16_t* first,
                                                size_t stride, int h) {
  for (int j = 0; j < h; ++j, first += stride) {
    const uint16_t hd = *first;
    MoveRun(At(drows, j, dx) + (hd >> 8), first + 1, hd & 0xFF);
  }
}

TESSERA_AVX512_FN void DrawRunRowsClippedAvx512(PIXEL* const* drows, int dx, uint16_t* const* runs,
                                                int h, int lo, int hi) {
  for (int j = 0; j < h; ++j) {
    uint16_t* d = At(drows, j, dx);
    const uint16_t* p = runs[j];
    int pos = 0;
    for (uint16_t hd; (hd = *p) != 0;) {
      const int count = hd & 0xFF;
      pos += hd >> 8;
      if (pos >= hi) break;
      const int a = pos > lo ? pos : lo, b = pos + count < hi ? pos + count : hi;
      if (a < b) MoveRun(d + (a - lo), p + 1 + (a - pos), b - a);
      pos += count;
      p += 1 + count;
    }
  }
}

}  // namespace tessera

#endif
