// The rotated blit of plain sources (FX_ROTATE, FX_ROTATECOPY).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/blend_table.h"
#include "engine/dib_surface.h"
#include "support/surface_helpers.h"

namespace {

using tessera::test::FillRandom;
using tessera::test::MakeDib;
using tessera::test::Pixels;
using tessera::test::TestRandom;

DRAW_FX Rotate(float angle, int kind = FX_ROTATE) {
  DRAW_FX fx;
  fx.kind = kind;
  fx.angle = angle;
  return fx;
}

uint16_t Mix(uint16_t p, uint16_t q, unsigned f) {
  if (p == q) return p;
  unsigned out = 0;
  for (int shift : {10, 5, 0}) {
    const unsigned a = (p >> shift) & 31, b = (q >> shift) & 31;
    out |= (((32 - f) * a + 8 + f * b + 8) >> 5) << shift;
  }
  return static_cast<uint16_t>(out);
}

// The rotation written out step by step over a plain copy of the pixels:
// bounding box of the corners, clip, per-row start in 16.16, stepping,
// bilinear mix with the top five fraction bits.
std::vector<uint16_t> ReferenceRotate(SURFACE* src, std::vector<uint16_t> dst, int dw, tagRECT clip,
                                      int x, int y, float angle) {
  const int w = src->GetWidth(), h = src->GetHeight();
  const float s = std::sin(angle), c = std::cos(angle);
  const float cx = static_cast<float>(x + w / 2), cy = static_cast<float>(y + h / 2);
  const float ux = w * c / 2, uy = -w * s / 2, vx = h * s / 2, vy = h * c / 2;
  const float xs[4] = {cx - ux - vx, cx + ux - vx, cx - ux + vx, cx + ux + vx};
  const float ys[4] = {cy - uy - vy, cy + uy - vy, cy - uy + vy, cy + uy + vy};
  const int left = std::max<int>(static_cast<int>(*std::min_element(xs, xs + 4)), clip.left);
  const int right = std::min<int>(static_cast<int>(*std::max_element(xs, xs + 4)), clip.right - 1);
  const int top = std::max<int>(static_cast<int>(*std::min_element(ys, ys + 4)), clip.top);
  const int bottom =
      std::min<int>(static_cast<int>(*std::max_element(ys, ys + 4)), clip.bottom - 1);
  const int32_t cf = static_cast<int32_t>(c * 65536.0f), sf = static_cast<int32_t>(s * 65536.0f);
  for (int ry = top; ry <= bottom; ++ry) {
    const float dx = left - xs[0], dy = ry - ys[0];
    int64_t u = static_cast<int32_t>((dx * c - dy * s) * 65536.0f);
    int64_t v = static_cast<int32_t>((dx * s + dy * c) * 65536.0f);
    for (int rx = left; rx <= right; ++rx, u += cf, v += sf) {
      if (u < 0 || v < 0 || (u >> 16) >= w - 1 || (v >> 16) >= h - 1) continue;
      const int iu = static_cast<int>(u >> 16), iv = static_cast<int>(v >> 16);
      const unsigned fu = static_cast<unsigned>(u & 0xFFFF) >> 11,
                     fv = static_cast<unsigned>(v & 0xFFFF) >> 11;
      const uint16_t top_mix = Mix(src->GetPixel(iu, iv), src->GetPixel(iu + 1, iv), fu);
      const uint16_t bottom_mix = Mix(src->GetPixel(iu, iv + 1), src->GetPixel(iu + 1, iv + 1), fu);
      dst[ry * dw + rx] = Mix(top_mix, bottom_mix, fv);
    }
  }
  return dst;
}

TEST(RotationTest, MatchesTheStepByStepRuleAtManyAnglesAndPlaces) {
  TestRandom rng(21);
  for (int trial = 0; trial < 40; ++trial) {
    const int w = rng.Range(2, 24), h = rng.Range(2, 24);
    auto src = MakeDib(w, h);
    FillRandom(src.get(), rng, trial == 0 ? 0 : 10);
    auto dst = MakeDib(40, 40);
    FillRandom(dst.get(), rng, 0);
    tagRECT clip{rng.Range(0, 8), rng.Range(0, 8), rng.Range(25, 40), rng.Range(25, 40)};
    dst->SetClipper(clip);
    // Angle 0 first: all but the last column and row copied (the mix of
    // unmarked pixels only; a marked one would lose its bit 15), then a
    // quarter turn, then any.
    const float angle = trial == 0   ? 0.0f
                        : trial == 1 ? static_cast<float>(M_PI / 2)
                                     : static_cast<float>(rng.Range(-700, 700)) / 100.0f;
    const int x = rng.Range(-10, 30), y = rng.Range(-10, 30);
    auto expect = ReferenceRotate(src.get(), Pixels(dst.get()), 40, clip, x, y, angle);
    DRAW_FX fx = Rotate(angle, trial % 2 ? FX_ROTATE : FX_ROTATECOPY);
    src->Blit(dst.get(), x, y, fx);
    ASSERT_EQ(Pixels(dst.get()), expect) << "trial " << trial << " angle " << angle;
  }
}

// A source one pixel wide has no 2 x 2 cell to mix; a place far outside
// draws nothing.  (Clipping is in the sweep above.)
TEST(RotationTest, TinyOrFarSourcesDrawNothing) {
  TestRandom rng(9);
  auto src = MakeDib(30, 30);
  FillRandom(src.get(), rng, 0);
  auto dst = MakeDib(20, 20, 0x7777);
  DRAW_FX fx = Rotate(0.7f);
  auto one = MakeDib(1, 5, 0x1111);
  auto before = Pixels(dst.get());
  one->Blit(dst.get(), 8, 8, fx);
  src->Blit(dst.get(), 1000, 1000, fx);
  EXPECT_EQ(Pixels(dst.get()), before);
}

}  // namespace
