#include "engine/alpha_surface.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/alpha_access.h"
#include "engine/blend_table.h"
#include "engine/double_alpha_surface.h"
#include "engine/packed_stream.h"
#include "sprite_images.h"

namespace tessera::test {
namespace {

using Words = std::vector<uint16_t>;

template <class Kind = ALPHASURFACE>
std::unique_ptr<Kind> MakeAlpha(int w, int h, uint16_t colour, char opacity) {
  auto a = std::make_unique<Kind>(w, h);
  EXPECT_EQ(a->Initialize(), 1);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      a->SetPixel(x, y, colour);
      a->PutAlphaPixel(x, y, opacity);
    }
  return a;
}

// Random colours and weights: runs of 0 and 32 (the copied and skipped
// groups) mixed with any weight, and now and then a damaged weight above 32.
void RandomAlpha(ALPHASURFACE* a, TestRandom& rnd) {
  for (int y = 0; y < a->GetHeight(); ++y) {
    int x = 0;
    while (x < a->GetWidth()) {
      const int mode = rnd.Range(0, 3), len = rnd.Range(1, 20);
      for (int i = 0; i < len && x < a->GetWidth(); ++i, ++x) {
        a->SetPixel(x, y, static_cast<uint16_t>(rnd.Next()));
        uint8_t t = mode == 0 ? 0 : mode == 1 ? 32 : static_cast<uint8_t>(rnd.Range(0, 32));
        if (rnd.Range(0, 50) == 0) t = static_cast<uint8_t>(rnd.Range(33, 255));
        AlphaRow(a->GetBitmap(), y)[x] = t;
      }
    }
  }
}

// The blend of one pixel, written out per channel: products truncated,
// bit 15 of the source playing no part, weight 32 and above keeping the
// destination (its bit 15 too).
uint16_t ScalarBlend(uint16_t s, uint16_t d, unsigned t) {
  if (t >= 32) return d;
  unsigned out = 0;
  for (int shift : {10, 5, 0}) {
    const unsigned sc = (s >> shift) & 31, dc = (d >> shift) & 31;
    out |= ((sc * (32 - t)) / 32 + (dc * t) / 32) << shift;
  }
  return static_cast<uint16_t>(out);
}

TEST(AlphaSurface, BlockLayoutAndStoredWeights) {
  ALPHASURFACE five(5, 2), four(4, 2);
  five.Initialize();
  four.Initialize();
  EXPECT_EQ(BlockHeader(five.GetBitmap())->pitch, 16);
  EXPECT_EQ(BlockHeader(four.GetBitmap())->pitch, 12);
  EXPECT_EQ(reinterpret_cast<char*>(BlockRows(five.GetBitmap())[1]) -
                reinterpret_cast<char*>(BlockRows(five.GetBitmap())[0]),
            16);
  five.PutAlphaPixel(1, 1, 31);
  five.PutAlphaPixel(2, 1, 0);
  five.PutAlphaPixel(3, 1, 16);
  EXPECT_EQ((std::vector<int>{five.GetAlphaPixel(1, 1), five.GetAlphaPixel(2, 1),
                              five.GetAlphaPixel(3, 1)}),
            (std::vector<int>{0, 32, 16}));
  // The weights sit right after the row's colours.
  EXPECT_EQ(reinterpret_cast<uint8_t*>(BlockRows(five.GetBitmap())[1])[10 + 3], 16);
  // SetPixel ignores the clip rectangle; outside reads the key and 32.
  five.SetClipper(tagRECT{1, 1, 2, 2});
  five.SetPixel(4, 1, 0x1234);
  EXPECT_EQ(five.GetPixel(4, 1), 0x1234);
  EXPECT_EQ(five.GetPixel(5, 1), COLOR_KEY);
  EXPECT_EQ(five.GetAlphaPixel(-1, 0), 32);
  // ZeroFill: the empty picture of a new surface again (colour 0, weight
  // 32, which draws nothing; the new-surface test checks that picture).
  five.ZeroFill();
  EXPECT_EQ(five.GetPixel(4, 1), 0);
  EXPECT_EQ(five.GetAlphaPixel(3, 1), 32);
}

TEST(AlphaSurface, FillRectKeepsAnEvenWidthAndTheWeights) {
  auto a = MakeAlpha(7, 3, 0, 9);
  a->FillRect(1, 0, 6, 2, PIXEL(0x0011));                 // width 5 fills 4 columns
  const Words expect = {0, 0x11, 0x11, 0x11, 0x11, 0, 0,  //
                        0, 0x11, 0x11, 0x11, 0x11, 0, 0,  //
                        0, 0,    0,    0,    0,    0, 0};
  EXPECT_EQ(Pixels(a.get()), expect);
  EXPECT_EQ(a->GetAlphaPixel(1, 0), 23);
  a->FillRect(0, 0, 0, 0, PIXEL(0x0022));  // the whole surface: 6 of 7 columns
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(a->GetPixel(x, y), 0x22);
    EXPECT_EQ(a->GetPixel(6, y), 0);
  }
  a->FillRect(2, 0, 3, 3, PIXEL(0x0033));        // width 1: nothing
  a->FillRect(4, 0, 2, 3, PIXEL(0x0033));        // negative: nothing
  a->FillRect(-4, -1, 100, 100, PIXEL(0x0044));  // kept inside
  EXPECT_EQ(a->GetPixel(0, 0), 0x44);
  EXPECT_EQ(a->GetPixel(6, 2), 0x44);
}

TEST(AlphaSurface, BlitsMatchTheScalarReference) {
  TestRandom rnd(9);
  for (int round = 0; round < 400; ++round) {
    const int w = rnd.Range(1, 70), h = rnd.Range(1, 12);
    ALPHASURFACE src(w, h);
    src.Initialize();
    RandomAlpha(&src, rnd);
    auto dst = RandomTarget(rnd, 90, 16);
    const int dw = dst->GetWidth(), dh = dst->GetHeight();
    tagRECT clip;
    dst->GetClipper(clip);
    const int cl = clip.left, ct = clip.top, cr = clip.right, cb = clip.bottom;
    Words expect = Pixels(dst.get());
    const bool part = round % 2 == 1;
    int sx = 0, sy = 0, pw = w, ph = h;
    const int x = rnd.Range(-w, dw), y = rnd.Range(-h, dh);
    if (part) {
      sx = rnd.Range(-5, w);
      sy = rnd.Range(-5, h);
      pw = rnd.Range(0, w + 5);
      ph = rnd.Range(0, h + 5);
      src.Blit(dst.get(), sx, sy, x, y, pw, ph);
    } else if (round % 4 == 0) {
      src.Blit(dst.get(), x, y);
    } else {
      DRAW_FX fx;
      fx.kind = rnd.Range(0, 9);  // every kind but the rotations is the alpha blit
      if (fx.kind == FX_ROTATE || fx.kind == FX_ROTATECOPY) fx.kind = FX_MIRROR;
      src.Blit(dst.get(), x, y, fx);
    }
    // Reference: the part rectangle moved as the plain part copy moves it.
    int ox = x, oy = y;
    if (part && sx < 0) ox -= sx, sx = 0;
    if (part && sy < 0) oy -= sy, sy = 0;
    for (int j = 0; j < ph; ++j)
      for (int i = 0; i < pw; ++i) {
        const int px = sx + i, py = sy + j, dx = ox + i, dy = oy + j;
        if (px >= w || py >= h || dx < cl || dx >= cr || dy < ct || dy >= cb) continue;
        uint16_t& d = expect[static_cast<size_t>(dy) * dw + dx];
        d = ScalarBlend(src.GetPixel(px, py), d, static_cast<uint8_t>(src.GetAlphaPixel(px, py)));
      }
    ASSERT_EQ(Pixels(dst.get()), expect) << "round " << round;
  }
}

TEST(AlphaSurface, RotationOfAnAlphaSource) {
  TestRandom rnd(4);
  ALPHASURFACE src(8, 6);
  src.Initialize();
  RandomAlpha(&src, rnd);
  // Angle 0 over a plain destination: blended with the blend table's
  // rounding, all but the last column and row, weights above 32 as 32.
  auto dst = MakeDib(20, 20, 0);
  FillRandom(dst.get(), rnd, 30);
  const Words before = Pixels(dst.get());
  DRAW_FX fx;
  fx.kind = FX_ROTATE;
  fx.angle = 0.0f;
  src.Blit(dst.get(), 3, 4, fx);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      uint16_t want = before[y * 20 + x];
      const int u = x - 3, v = y - 4;
      if (u >= 0 && v >= 0 && u < 7 && v < 5) {
        const uint16_t s = src.GetPixel(u, v);
        const unsigned a =
            32 - std::min<unsigned>(static_cast<uint8_t>(src.GetAlphaPixel(u, v)), 32);
        want = static_cast<uint16_t>(BlendChannel(a, (s >> 10) & 31, (want >> 10) & 31) << 10 |
                                     BlendChannel(a, (s >> 5) & 31, (want >> 5) & 31) << 5 |
                                     BlendChannel(a, s & 31, want & 31));
      }
      ASSERT_EQ(dst->GetPixel(x, y), want) << x << "," << y;
    }

  // Rotate-copy onto an alpha destination: cleared first, then colour and
  // weight copied (angle 0 gives the source pixel's channels).
  auto adst = MakeAlpha(12, 12, 0x5555, 31);
  fx.kind = FX_ROTATECOPY;
  src.Blit(adst.get(), 2, 2, fx);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      const int u = x - 2, v = y - 2;
      if (u >= 0 && v >= 0 && u < 7 && v < 5) {
        ASSERT_EQ(adst->GetPixel(x, y), src.GetPixel(u, v) & 0x7FFF) << x << "," << y;
        ASSERT_EQ(adst->GetAlphaPixel(x, y),
                  std::min<int>(static_cast<uint8_t>(src.GetAlphaPixel(u, v)), 32));
      } else {
        ASSERT_EQ(adst->GetPixel(x, y), 0);
        ASSERT_EQ(adst->GetAlphaPixel(x, y), 32);
      }
    }

  // Kind 5 over an alpha destination blends colours and leaves its plane.
  auto over = MakeAlpha(12, 12, 0x0000, 9);
  fx.kind = FX_ROTATE;
  src.Blit(over.get(), 2, 2, fx);
  EXPECT_EQ(over->GetAlphaPixel(5, 5), 23);
  EXPECT_NE(Pixels(over.get()), Words(144, 0));
  fx.kind = FX_ROTATECOPY;

  // A plain source rotate-copied onto an alpha destination writes colours
  // only: the cleared plane stays transparent.
  auto plain = MakeDib(4, 4, 0x0123);
  plain->Blit(adst.get(), 0, 0, fx);
  EXPECT_EQ(adst->GetPixel(1, 1), 0x0123);
  EXPECT_EQ(adst->GetAlphaPixel(1, 1), 32);
  EXPECT_EQ(adst->GetPixel(3, 3), 0);

  // An angle that is no number and a place at the ends of the int range
  // stay inside both surfaces (the sanitizer build sees a stray access).
  fx.angle = NAN;
  src.Blit(adst.get(), 0, 0, fx);
  fx.angle = 1.0f;
  src.Blit(adst.get(), 2147483000, -2147483000, fx);
}

TEST(AlphaSurface, DecodesAPackedStreamIntoItsColourPlane) {
  auto a = MakeAlpha(3, 1, 0, 31);
  const std::vector<uint8_t> bytes = PackedStreamBytes({0x0001, 0x1001, 0x0123, 0xF000});
  ASSERT_TRUE(DecodePackedStream(bytes.data(), bytes.size(), a.get()));
  EXPECT_EQ(a->GetPixel(0, 0), COLOR_KEY);
  EXPECT_EQ(a->GetPixel(1, 0), 0x0123);
  EXPECT_EQ(a->GetAlphaPixel(1, 0), 0);  // the weights are left alone
}

TEST(DoubleAlphaSurface, LayoutAndBothPlanes) {
  DOUBLEALPHASURFACE d(5, 3);
  ASSERT_EQ(d.Initialize(), 1);
  const PixelBlockHeader* h = BlockHeader(d.GetBitmap());
  EXPECT_EQ(h->pitch, 20);
  EXPECT_EQ(h->clip_right, 0);  // a source only: nothing draws into it
  EXPECT_EQ(reinterpret_cast<char*>(BlockRows(d.GetBitmap())[2]) -
                reinterpret_cast<char*>(BlockRows(d.GetBitmap())[0]),
            40);
  // Opacity, then the stored weights of the first and the second plane.
  const int cases[][3] = {{31, 0, 22}, {0, 32, 32}, {9, 23, 29}};
  for (const auto& c : cases) {
    d.PutAlphaPixel(1, 1, static_cast<char>(c[0]));
    EXPECT_EQ(d.GetAlphaPixel(1, 1), c[1]) << c[0];
    EXPECT_EQ(d.GetSecondAlphaPixel(1, 1), c[2]) << c[0];
  }
  EXPECT_EQ(AlphaRow(d.GetBitmap(), 1)[5 + 1], 29);  // the second plane follows the first
  d.ZeroFill();
  EXPECT_EQ(d.GetAlphaPixel(1, 1), 32);
  EXPECT_EQ(d.GetSecondAlphaPixel(1, 1), 32);
  auto dib = MakeDib(2, 2, 0x0101);
  dib->Blit(&d, 0, 0);
  EXPECT_EQ(d.GetPixel(0, 0), 0);
}

TEST(DoubleAlphaSurface, SecondPlaneBlitAndTheOtherKinds) {
  auto d = MakeAlpha<DOUBLEALPHASURFACE>(9, 2, 0x7FFF, 31);
  auto first = MakeDib(9, 2, 0);
  d->Blit(first.get(), 0, 0);  // the first plane: opaque
  EXPECT_EQ(Pixels(first.get()), Words(18, 0x7FFF));
  auto second = MakeDib(9, 2, 0);
  DRAW_FX fx;
  fx.kind = FX_SECONDALPHA;
  d->Blit(second.get(), 0, 0, fx);
  // weight 22: each channel 31 * 10 / 32 = 9
  EXPECT_EQ(Pixels(second.get()), Words(18, 9 << 10 | 9 << 5 | 9));
  for (int kind : {0, 1, 2, 3, 4, 5, 7, 8, 9}) {
    auto none = MakeDib(9, 2, 0x0001);
    fx.kind = kind;
    d->Blit(none.get(), 0, 0, fx);
    EXPECT_EQ(Pixels(none.get()), Words(18, 0x0001)) << kind;
  }
  // The part blit is the alpha surface's, with the first plane.
  auto part = MakeDib(9, 2, 0);
  d->Blit(part.get(), 1, 0, 0, 0, 3, 1);
  EXPECT_EQ(part->GetPixel(2, 0), 0x7FFF);
  EXPECT_EQ(part->GetPixel(3, 0), 0);
}

}  // namespace
}  // namespace tessera::test
