// The rotated, bilinear-filtered blit (FX_ROTATE, FX_ROTATECOPY) shared by
// the plain and alpha surface kinds.
//
// The source (w x h) is rotated by `angle` about its centre, which is placed
// at (x + w/2, y + h/2) with integer halves.  Every destination pixel of the
// rotated image's bounding box (clipped to the destination's clip rectangle)
// is mapped back into the source; where the source coordinate has a whole
// pixel to spare on the right and below, the four neighbours are mixed with
// the blend table, first across u on both rows, then across v.  Coordinates
// are 16.16 fixed point; a fraction's top 5 bits are its weight.
#include <algorithm>
#include <cmath>

#include "engine/alpha_access.h"
#include "engine/blend_table.h"
#include "engine/cpu_features.h"
#include "engine/pixel_block.h"
#include "engine/simd.h"
#include "engine/surface.h"
#include "engine/wide_lanes.h"

#if TESSERA_AVX2
#include <immintrin.h>
#endif

namespace tessera {

namespace {

// Mixes two alpha weights (0..32) with weight f/32 on the second.
inline unsigned MixWeight(unsigned p, unsigned q, unsigned f) {
  if (p == q) return p;
  return BlendChannel(32 - f, p, q);
}

// Mixes two 5-5-5 colours with weight f/32 on the second, every channel by
// the blend table's rule; equal colours are taken as they are (keeping
// their bit 15).  All three channels mix at once: a colour is spread over
// 32 bits as blue 0-4, red 10-14, green 21-25, so each channel has ten bits
// of room -- its (32 - f) * p + f * q + 16 is at most 1008 and never
// carries into its neighbour.  Shifting the sum down by five and masking
// gives every channel's (a*p + (32-a)*q + 16) >> 5, the blend table's
// value, with two multiplies instead of six table reads.
constexpr uint32_t kSpreadMask = 0x03E07C1F;
constexpr uint32_t kSpreadHalf = 16u | 16u << 10 | 16u << 21;

inline uint32_t Spread(uint16_t c) { return (c | static_cast<uint32_t>(c) << 16) & kSpreadMask; }

inline uint16_t MixColour(uint16_t p, uint16_t q, unsigned f) {
  const uint32_t m = ((Spread(p) * (32 - f) + Spread(q) * f + kSpreadHalf) >> 5) & kSpreadMask;
  // Equal colours mix to themselves; only their bit 15 needs carrying over.
  const uint16_t keep = static_cast<uint16_t>(p & 0x8000 & -static_cast<unsigned>(p == q));
  return static_cast<uint16_t>((m & 0x7C1F) | ((m >> 16) & 0x03E0) | keep);
}

// floor(a / b) and ceil(a / b) for b > 0.
inline int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
inline int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

// Narrows [*first, *last] to the steps k for which start + k * step lies in
// [0, limit): the pixels of a row whose source point has a neighbour to
// spare.  Exact in integers, so the row loop needs no test of its own.
inline void KeepInside(int64_t start, int64_t step, int64_t limit, int64_t* first, int64_t* last) {
  if (step > 0) {
    *first = std::max(*first, CeilDiv(-start, step));
    *last = std::min(*last, FloorDiv(limit - 1 - start, step));
  } else if (step < 0) {
    *first = std::max(*first, CeilDiv(start - limit + 1, -step));
    *last = std::min(*last, FloorDiv(start, -step));
  } else if (start < 0 || start >= limit) {
    *last = *first - 1;
  }
}

#if TESSERA_AVX2

// The distance in pixels between the rows of a block when every row
// follows the one before at the same distance (a plain surface's block),
// small enough that any pixel's offset from row 0 fits a 32-bit index;
// 0 otherwise.
int EvenRowStride(PIXEL* const* rows, int h) {
  if (h < 2) return 0;
  const ptrdiff_t stride = rows[1] - rows[0];
  if (stride <= 0 || static_cast<int64_t>(stride) * h >= (int64_t{1} << 29)) return 0;
  for (int j = 2; j < h; ++j)
    if (rows[j] - rows[j - 1] != stride) return 0;
  return static_cast<int>(stride);
}

// Every lane: the 32-bit shifts and rotations are written in their
// zero-masked forms with every lane selected, the same instructions,
// because GCC's unmasked forms start from an undefined register that its
// own uninitialised-value warning then reports.
constexpr __mmask16 kAll = 0xFFFF;

// MixColour of sixteen pairs of spread colours at once, with
// (32 - f) * p + f * q written as 32 * p + (q - p) * f: the same sum, one
// multiply (the 32-bit lanes wrap exactly as the plain arithmetic does).
TESSERA_AVX512_FN inline __m512i MixSpread16(__m512i p, __m512i q, __m512i f) {
  const __m512i sum = _mm512_add_epi32(_mm512_maskz_slli_epi32(kAll, p, 5),
                                       _mm512_mullo_epi32(_mm512_sub_epi32(q, p), f));
  return _mm512_and_si512(
      _mm512_maskz_srli_epi32(kAll, _mm512_add_epi32(sum, _mm512_set1_epi32(kSpreadHalf)), 5),
      _mm512_set1_epi32(kSpreadMask));
}

// `count` pixels of one destination row from a plain source, sixteen a
// step, with the rule of the plain loop in RotateBlit: each lane holds one
// pixel's source point, one 32-bit gather per source row fetches a pixel
// and its right-hand neighbour together, and the colours are mixed in
// their spread form (a mixed colour is already spread for the next mix).
// Bit 15 survives only where all four neighbours are the same colour and
// carry it, as the nested MixColour calls give.  Every pixel's point lies
// inside (RotateBlit narrows the row first); the lanes past the row's end
// are masked, so they read nothing and write nothing.
TESSERA_AVX512_FN void RotateRowAvx512(uint16_t* d, int count, const uint16_t* base, int stride,
                                       int32_t u, int32_t v, int32_t step_u, int32_t step_v) {
  const __m512i steps = _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
  __m512i uv =
      _mm512_add_epi32(_mm512_set1_epi32(u), _mm512_mullo_epi32(_mm512_set1_epi32(step_u), steps));
  __m512i vv =
      _mm512_add_epi32(_mm512_set1_epi32(v), _mm512_mullo_epi32(_mm512_set1_epi32(step_v), steps));
  const __m512i du = _mm512_set1_epi32(16 * step_u), dv = _mm512_set1_epi32(16 * step_v);
  const __m512i rowstep = _mm512_set1_epi32(stride);
  const __m512i k31 = _mm512_set1_epi32(31), mark = _mm512_set1_epi32(0x8000);
  const __m512i spread = _mm512_set1_epi32(static_cast<int>(kSpreadMask));
  // Byte shuffles that copy a lane's low (left pixel) or high (right
  // pixel) half into both halves: the first step of Spread.
  // (The shuffle picks bytes within each 128-bit quarter.)
  const __m512i left = _mm512_set4_epi32(0x0D0C0D0C, 0x09080908, 0x05040504, 0x01000100);
  const __m512i right = _mm512_set4_epi32(0x0F0E0F0E, 0x0B0A0B0A, 0x07060706, 0x03020302);
  for (int i = 0; i < count;
       i += 16, uv = _mm512_add_epi32(uv, du), vv = _mm512_add_epi32(vv, dv)) {
    const __mmask16 lanes = LowLanes16(count - i);
    const __m512i at =
        _mm512_add_epi32(_mm512_mullo_epi32(_mm512_maskz_srai_epi32(kAll, vv, 16), rowstep),
                         _mm512_maskz_srai_epi32(kAll, uv, 16));
    const __m512i top = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), lanes, at, base, 2);
    const __m512i bottom = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), lanes,
                                                       _mm512_add_epi32(at, rowstep), base, 2);
    const __m512i fu = _mm512_and_si512(_mm512_maskz_srli_epi32(kAll, uv, 11), k31);
    const __m512i fv = _mm512_and_si512(_mm512_maskz_srli_epi32(kAll, vv, 11), k31);
    const __m512i m0 = MixSpread16(_mm512_and_si512(_mm512_shuffle_epi8(top, left), spread),
                                   _mm512_and_si512(_mm512_shuffle_epi8(top, right), spread), fu);
    const __m512i m1 =
        MixSpread16(_mm512_and_si512(_mm512_shuffle_epi8(bottom, left), spread),
                    _mm512_and_si512(_mm512_shuffle_epi8(bottom, right), spread), fu);
    const __m512i m = MixSpread16(m0, m1, fv);
    // Equal neighbours (a lane equal to itself with its halves swapped),
    // both rows' mixes equal, and the mark on both left pixels.
    const __mmask16 keep =
        _mm512_cmpeq_epi32_mask(top, _mm512_maskz_rol_epi32(kAll, top, 16)) &
        _mm512_cmpeq_epi32_mask(bottom, _mm512_maskz_rol_epi32(kAll, bottom, 16)) &
        _mm512_cmpeq_epi32_mask(m0, m1) & _mm512_test_epi32_mask(top, mark) &
        _mm512_test_epi32_mask(bottom, mark);
    // Blue and red in the low half, green brought down from bits 21-25;
    // the narrowing keeps the low half.
    const __m512i colour =
        _mm512_mask_or_epi32(_mm512_or_si512(m, _mm512_maskz_srli_epi32(kAll, m, 16)), keep,
                             _mm512_or_si512(m, _mm512_maskz_srli_epi32(kAll, m, 16)), mark);
    _mm512_mask_cvtepi32_storeu_epi16(d + i, lanes, colour);
  }
}

#endif

}  // namespace

void RotateBlit(SURFACE* src, SURFACE* dst, int x, int y, float angle, int kind) {
  void* sblock = PlainBlock(src);
  void* dblock = SupportedBlock(dst, __FILE__, __LINE__);
  if (!sblock || !dblock) return;
  const int w = src->GetWidth(), h = src->GetHeight();
  if (w < 2 || h < 2) return;  // no pixel has a neighbour to spare
  const float s = std::sin(angle), c = std::cos(angle);

  // Corners of the rotated rectangle around the centre; the first corner is
  // where source pixel (0, 0) lands.
  // The centre is a whole pixel (half the size rounded down).
  const long long centre_x = static_cast<long long>(x) + w / 2;
  const long long centre_y = static_cast<long long>(y) + h / 2;
  const float cx = static_cast<float>(centre_x), cy = static_cast<float>(centre_y);
  const float ax = w * c / 2, ay = -w * s / 2;  // half of the u edge
  const float bx = h * s / 2, by = h * c / 2;   // half of the v edge
  const float px[4] = {cx - ax - bx, cx + ax - bx, cx - ax + bx, cx + ax + bx};
  const float py[4] = {cy - ay - by, cy + ay - by, cy - ay + by, cy + ay + by};
  const float first_x = px[0], first_y = py[0];
  // The box is held to a range any int holds before it is truncated (a
  // far-away position or a non-finite angle must not overflow the cast).
  auto to_int = [](float f) {
    if (!(f > -1e9f)) return -1000000000;
    if (!(f < 1e9f)) return 1000000000;
    return static_cast<int>(f);
  };
  int left = to_int(*std::min_element(px, px + 4));
  int right = to_int(*std::max_element(px, px + 4));
  int top = to_int(*std::min_element(py, py + 4));
  int bottom = to_int(*std::max_element(py, py + 4));

  const PixelBlockHeader* dh = BlockHeader(dblock);
  left = std::max(left, dh->clip_left);
  top = std::max(top, dh->clip_top);
  right = std::min(right, dh->clip_right - 1);
  bottom = std::min(bottom, dh->clip_bottom - 1);
  if (left > right || top > bottom) return;

  const bool src_alpha = HasAlphaPlane(src);
  const bool dst_alpha = HasAlphaPlane(dst);
  if (kind == FX_ROTATECOPY && dst_alpha) ZeroFillAlphaBlock(dblock, AlphaPlanes(dst));

  PIXEL** srows = BlockRows(sblock);
  PIXEL** drows = BlockRows(dblock);
  const int32_t step_u = static_cast<int32_t>(c * 65536.0f);
  const int32_t step_v = static_cast<int32_t>(s * 65536.0f);
  const int64_t max_u = static_cast<int64_t>(w - 1) << 16, max_v = static_cast<int64_t>(h - 1)
                                                                   << 16;

#if TESSERA_AVX2
  // A plain source in one evenly spaced block, small enough for 32-bit
  // source points, goes through the 512-bit rows where the processor has
  // them.
  const int wide_stride =
      !src_alpha && UseAvx512() && w < 32768 && h < 32768 ? EvenRowStride(srows, h) : 0;
#endif
  for (int ry = top; ry <= bottom; ++ry) {
    const float dx = left - first_x, dy = ry - first_y;
    const int64_t u0 = static_cast<int64_t>((dx * c - dy * s) * 65536.0f);
    const int64_t v0 = static_cast<int64_t>((dx * s + dy * c) * 65536.0f);
    // Only the pixels whose source point lies inside are visited.
    int64_t first = 0, last = right - left;
    KeepInside(u0, step_u, max_u, &first, &last);
    KeepInside(v0, step_v, max_v, &first, &last);
    if (first > last) continue;
    int64_t u = u0 + first * step_u, v = v0 + first * step_v;
    uint16_t* drow = reinterpret_cast<uint16_t*>(drows[ry]);
    const int from = left + static_cast<int>(first), to = left + static_cast<int>(last);
#if TESSERA_AVX2
    if (wide_stride) {
      RotateRowAvx512(drow + from, to - from + 1, reinterpret_cast<const uint16_t*>(srows[0]),
                      wide_stride, static_cast<int32_t>(u), static_cast<int32_t>(v), step_u,
                      step_v);
      continue;
    }
#endif
    if (!src_alpha) {
      // A plain source writes its colour and nothing else: after a
      // rotate-copy onto an alpha destination its plane stays cleared.
      for (int rx = from; rx <= to; ++rx, u += step_u, v += step_v) {
        const int iu = static_cast<int>(u >> 16), iv = static_cast<int>(v >> 16);
        const unsigned fu = (u >> 11) & 31, fv = (v >> 11) & 31;
        const uint16_t* r0 = reinterpret_cast<const uint16_t*>(srows[iv]) + iu;
        const uint16_t* r1 = reinterpret_cast<const uint16_t*>(srows[iv + 1]) + iu;
        drow[rx] = MixColour(MixColour(r0[0], r0[1], fu), MixColour(r1[0], r1[1], fu), fv);
      }
      continue;
    }
    for (int rx = from; rx <= to; ++rx, u += step_u, v += step_v) {
      const int iu = static_cast<int>(u >> 16), iv = static_cast<int>(v >> 16);
      const unsigned fu = (u >> 11) & 31, fv = (v >> 11) & 31;
      const uint16_t* r0 = reinterpret_cast<const uint16_t*>(srows[iv]) + iu;
      const uint16_t* r1 = reinterpret_cast<const uint16_t*>(srows[iv + 1]) + iu;
      const uint16_t colour =
          MixColour(MixColour(r0[0], r0[1], fu), MixColour(r1[0], r1[1], fu), fv);
      // Stored weights above 32 (damaged data) count as 32, which also
      // keeps the blend table's index in range.
      const uint8_t* w0 = AlphaRow(sblock, iv) + iu;
      const uint8_t* w1 = AlphaRow(sblock, iv + 1) + iu;
      const unsigned t00 = std::min<unsigned>(w0[0], 32), t01 = std::min<unsigned>(w0[1], 32);
      const unsigned t10 = std::min<unsigned>(w1[0], 32), t11 = std::min<unsigned>(w1[1], 32);
      const unsigned t = MixWeight(MixWeight(t00, t01, fu), MixWeight(t10, t11, fu), fv);
      if (kind == FX_ROTATECOPY) {
        drow[rx] = colour;
        if (dst_alpha) AlphaRow(dblock, ry)[rx] = static_cast<uint8_t>(t);
      } else {
        // Source weight 32 - t: t = 0 takes the source, t = 32 keeps the
        // destination.
        const uint16_t d = drow[rx];
        const unsigned a = 32 - std::min(t, 32u);
        drow[rx] =
            static_cast<uint16_t>(BlendChannel(a, (colour >> 10) & 31, (d >> 10) & 31) << 10 |
                                  BlendChannel(a, (colour >> 5) & 31, (d >> 5) & 31) << 5 |
                                  BlendChannel(a, colour & 31, d & 31));
      }
    }
  }
}

}  // namespace tessera
