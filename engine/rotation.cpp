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

// Mixes two 5-5-5 colours with weight f/32 on the second; equal colours are
// taken as they are (keeping their bit 15).
inline uint16_t MixColour(uint16_t p, uint16_t q, unsigned f) {
  if (p == q) return p;
  const unsigned a = 32 - f;
  unsigned r = BlendChannel(a, (p >> 10) & 31, (q >> 10) & 31);
  unsigned g = BlendChannel(a, (p >> 5) & 31, (q >> 5) & 31);
  unsigned b = BlendChannel(a, p & 31, q & 31);
  return static_cast<uint16_t>(r << 10 | g << 5 | b);
}

inline unsigned MixWeight(unsigned p, unsigned q, unsigned f) {
  if (p == q) return p;
  return BlendChannel(32 - f, p, q);
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
  const int64_t max_u = static_cast<int64_t>(w - 1) << 16, max_v = static_cast<int64_t>(h - 1) << 16;

  for (int ry = top; ry <= bottom; ++ry) {
    const float dx = left - first_x, dy = ry - first_y;
    int64_t u = static_cast<int64_t>((dx * c - dy * s) * 65536.0f);
    int64_t v = static_cast<int64_t>((dx * s + dy * c) * 65536.0f);
    PIXEL* drow = drows[ry];
    for (int rx = left; rx <= right; ++rx, u += step_u, v += step_v) {
      if (u < 0 || v < 0 || u >= max_u || v >= max_v) continue;
      const int iu = static_cast<int>(u >> 16), iv = static_cast<int>(v >> 16);
      const unsigned fu = (u >> 11) & 31, fv = (v >> 11) & 31;
      const uint16_t* r0 = reinterpret_cast<const uint16_t*>(srows[iv]) + iu;
      const uint16_t* r1 = reinterpret_cast<const uint16_t*>(srows[iv + 1]) + iu;
      const uint16_t colour = MixColour(MixColour(r0[0], r0[1], fu), MixColour(r1[0], r1[1], fu), fv);
      if (!src_alpha) {
        // A plain source writes its colour and nothing else: after a
        // rotate-copy onto an alpha destination its plane stays cleared.
        drow[rx] = colour;
        continue;
      }
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
        drow[rx] = static_cast<uint16_t>(BlendChannel(a, (colour >> 10) & 31, (d >> 10) & 31) << 10 |
                                         BlendChannel(a, (colour >> 5) & 31, (d >> 5) & 31) << 5 |
                                         BlendChannel(a, colour & 31, d & 31));
      }
    }
  }
}

}  // namespace tessera
