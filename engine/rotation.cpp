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
#include "engine/pixel_block.h"
#include "engine/surface.h"

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
