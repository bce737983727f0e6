#include "engine/double_alpha_surface.h"

#include <gtest/gtest.h>

#include "engine/alpha_access.h"
#include "sprite_images.h"

namespace tessera::test {
namespace {

using Words = std::vector<uint16_t>;

TEST(DoubleAlphaSurface, LayoutAndBothPlanes) {
  DOUBLEALPHASURFACE d(5, 3);
  ASSERT_EQ(d.Initialize(), 1);
  EXPECT_EQ(d.GetStyle(), SS_DOUBLEALPHA);
  const PixelBlockHeader* h = BlockHeader(d.GetBitmap());
  EXPECT_EQ(h->pitch, 20);
  EXPECT_EQ(h->clip_right, 0);  // a source only: nothing draws into it
  EXPECT_EQ(reinterpret_cast<char*>(BlockRows(d.GetBitmap())[2]) -
                reinterpret_cast<char*>(BlockRows(d.GetBitmap())[0]),
            40);
  d.PutAlphaPixel(0, 1, 31);
  EXPECT_EQ(d.GetAlphaPixel(0, 1), 0);
  EXPECT_EQ(d.GetSecondAlphaPixel(0, 1), 22);
  d.PutAlphaPixel(1, 1, 9);
  EXPECT_EQ(d.GetAlphaPixel(1, 1), 23);
  EXPECT_EQ(d.GetSecondAlphaPixel(1, 1), 29);
  d.PutAlphaPixel(2, 1, 0);
  EXPECT_EQ(d.GetAlphaPixel(2, 1), 32);
  EXPECT_EQ(d.GetSecondAlphaPixel(2, 1), 32);
  // the second plane follows the first in the row
  EXPECT_EQ(AlphaRow(d.GetBitmap(), 1)[5 + 1], 29);
  d.ZeroFill();
  EXPECT_EQ(d.GetAlphaPixel(0, 1), 32);
  EXPECT_EQ(d.GetSecondAlphaPixel(0, 1), 32);
  // Drawing into it draws nothing.
  auto dib = MakeDib(2, 2, 0x0101);
  dib->Blit(&d, 0, 0);
  EXPECT_EQ(d.GetPixel(0, 0), 0);
}

TEST(DoubleAlphaSurface, SecondPlaneBlitAndTheOtherKinds) {
  DOUBLEALPHASURFACE d(9, 2);
  d.Initialize();
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 9; ++x) {
      d.SetPixel(x, y, 0x7FFF);
      d.PutAlphaPixel(x, y, 31);
    }
  auto first = MakeDib(9, 2, 0);
  d.Blit(first.get(), 0, 0);  // the first plane: opaque
  EXPECT_EQ(Pixels(first.get()), Words(18, 0x7FFF));
  auto second = MakeDib(9, 2, 0);
  DRAW_FX fx;
  fx.kind = FX_SECONDALPHA;
  d.Blit(second.get(), 0, 0, fx);
  // weight 22: each channel 31 * 10 / 32 = 9
  EXPECT_EQ(Pixels(second.get()), Words(18, 9 << 10 | 9 << 5 | 9));
  for (int kind : {0, 1, 2, 3, 4, 5, 7, 8, 9}) {
    auto none = MakeDib(9, 2, 0x0001);
    fx.kind = kind;
    d.Blit(none.get(), 0, 0, fx);
    EXPECT_EQ(Pixels(none.get()), Words(18, 0x0001)) << kind;
  }
  // The part blit is the alpha surface's, with the first plane.
  auto part = MakeDib(9, 2, 0);
  d.Blit(part.get(), 1, 0, 0, 0, 3, 1);
  EXPECT_EQ(part->GetPixel(2, 0), 0x7FFF);
  EXPECT_EQ(part->GetPixel(3, 0), 0);
}

}  // namespace
}  // namespace tessera::test
